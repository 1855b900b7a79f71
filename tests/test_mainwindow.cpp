// The main window: lookup lists, checks, the student list and the window-opening pattern.
#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>

#include "TestSupport.h"
#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "main/main__form.h"
#include "office/evi_ugyek__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"
#include "students/uj_tanulo__form.h"
#include "ui/IdCombo.h"

using testing::ProgramFixture;
using ui::DialogAnswer;
using ui::DialogKind;

namespace {
QStringList column(db::Dataset& list, const QString& field) {
    list.fetchAll();
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.value(r, field).toString();
    return out;
}
QString tagged(const QString& label, int spaces, int id) {
    return label + QString(spaces, QLatin1Char(' ')) + QStringLiteral("ID:") + QString::number(id);
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

  private slots:
    void initTestCase() { QVERIFY(app_.start(QStringLiteral("main"), {QStringLiteral("--demo")})); }
    void init() { app_.dialogs.clear(); }
    void cleanupTestCase() { app_.stop(); }

    void dateCheck_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("date") << QStringLiteral("2009.11.03.") << true;
        QTest::newRow("letters in the date form") << QStringLiteral("ABCD.EF.GH.") << true;
        QTest::newRow("too short") << QStringLiteral("2009.1.3.") << false;
        QTest::newRow("ten characters") << QStringLiteral("2009.11.03") << false;
        QTest::newRow("dashes") << QStringLiteral("2009-11-03.") << false;
        QTest::newRow("no dot at the end") << QStringLiteral("2009.11.03x") << false;
        QTest::newRow("no dot after the year") << QStringLiteral("2009x11.03.") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void dateCheck() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QCOMPARE(main_form->datumellenorzes(text), ok);
        if (ok) {
            QVERIFY(app_.dialogs.shown.empty());
        } else {
            QCOMPARE(app_.dialogs.shown.size(), size_t(1));
            QCOMPARE(app_.dialogs.shown[0].kind, DialogKind::Warning);
            QCOMPARE(app_.dialogs.shown[0].title, QStringLiteral("Warning"));
            QCOMPARE(app_.dialogs.shown[0].text,
                     QStringLiteral("Helytelen DátumFormátum!\r \rHelyes formátum:  ÉÉÉÉ.HH.NN."));
        }
    }

    void schoolYearTurnsOnFirstOctober() {
        main_form->akt_tanev_at(QDate(2026, 9, 30));
        QCOMPARE(main_form->edit_akt_tanev->text(), QStringLiteral("2025"));
        QCOMPARE(main_form->edit_akt_tanev2->text(), QStringLiteral("2026"));
        main_form->akt_tanev_at(QDate(2026, 10, 1));
        QCOMPARE(main_form->edit_akt_tanev->text(), QStringLiteral("2026"));
        QCOMPARE(main_form->edit_akt_tanev2->text(), QStringLiteral("2027"));
        main_form->akt_tanev_at(QDate(2027, 1, 15));
        QCOMPARE(main_form->edit_akt_tanev->text(), QStringLiteral("2026"));
        // the first year drives the second; emptied or not a number, the second stays
        main_form->edit_akt_tanev->setText(QStringLiteral("2030"));
        QCOMPARE(main_form->edit_akt_tanev2->text(), QStringLiteral("2031"));
        main_form->edit_akt_tanev->clear();
        QCOMPARE(main_form->edit_akt_tanev2->text(), QStringLiteral("2031"));
        QVERIFY(app_.dialogs.shown.empty());
        main_form->edit_akt_tanev->setText(QStringLiteral("20x"));
        QCOMPARE(main_form->edit_akt_tanev2->text(), QStringLiteral("2031"));
        QCOMPARE(app_.dialogs.texts(), QStringList{QStringLiteral("'20x' is not a valid integer value.")});
        QCOMPARE(app_.dialogs.shown[0].title, QStringLiteral("Korvana v2.0"));
        // a trailing blank, or a year whose next one is out of range, is no school year either
        for (const QString& text : {QStringLiteral("2026 "), QStringLiteral("2147483647")}) {
            app_.dialogs.clear();
            main_form->edit_akt_tanev->setText(text);
            QCOMPARE(main_form->edit_akt_tanev2->text(), QStringLiteral("2031"));
            QCOMPARE(app_.dialogs.texts(),
                     QStringList{QStringLiteral("'%1' is not a valid integer value.").arg(text)});
        }
        app_.dialogs.clear();
        main_form->akt_tanev();
    }

    void clockUsesTheProgramsForms() {
        QCOMPARE(Tmain_form::clockText(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))),
                 QStringLiteral("2026.03.04.  05:06:07"));
        const QString before = main_form->label_ido->text();
        QTRY_VERIFY_WITH_TIMEOUT(main_form->label_ido->text() != before, 2500);
    }

    void fillers() {
        QComboBox combo;
        combo.addItem(QStringLiteral("régi"));
        main_form->combo_nyelv_feltolt(
            &combo, {QStringLiteral("4;angol;"), QStringLiteral("3;német;N;"), QStringLiteral("9;")});
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.itemText(0), tagged(QStringLiteral("angol"), 98, 4));
        QCOMPARE(combo.itemText(1), tagged(QStringLiteral("német;N"), 98, 3));
        QCOMPARE(combo.itemText(2), tagged(QString(), 98, 9));
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(combo.currentText(), QString());
        main_form->combo_osztaly_feltolt(&combo, {QStringLiteral("7;10;b;reál;12;")});
        QCOMPARE(combo.count(), 1);
        QCOMPARE(combo.itemText(0), tagged(QStringLiteral("10 b"), 96, 7));
        main_form->combo_targyak_feltolt(&combo, {});
        QCOMPARE(combo.count(), 0);
        // ids are read after the last "ID:", so a label with a colon still works
        QCOMPARE(ui::itemId(tagged(QStringLiteral("Dr. Kiss: tanár"), 98, 12)), 12);
        QCOMPARE(ui::itemId(tagged(QStringLiteral("angol"), 98, 4)), 4);
        QCOMPARE(ui::itemLabel(tagged(QStringLiteral("Dr. Kiss: tanár"), 2, 12)),
                 QStringLiteral("Dr. Kiss: tanár"));
        QVERIFY_THROWS_EXCEPTION(db::ConversionError, ui::itemId(QStringLiteral("nincs azonosító")));
    }

    void headcount() {
        QStringList lines;
        main_form->query(false, QStringLiteral("select count(*) from table_diak"), {}, lines);
        main_form->akt_letszam();
        QCOMPARE(main_form->label_letszam->text(),
                 lines[0].chopped(1) + QStringLiteral(" diák nyílvántartva"));
    }

    void sortButtonsIgnoreTheSearchBox() {
        main_form->edit_gyors_ker->setText(QStringLiteral("K"));
        main_form->Button8->click();
        QCOMPARE(main_form->edit_gyors_ker->text(), QStringLiteral("K"));
        db::Dataset& list = DM->dataset_Tanulok;
        const QStringList names = column(list, QStringLiteral("Diák neve"));
        QStringList lines;
        main_form->query(false, QStringLiteral("select count(*) from table_diak"), {}, lines);
        QCOMPARE(QString::number(names.size()) + QLatin1Char(';'), lines[0]);
        // Hungarian order: nothing beginning with Á stands after a name beginning with B
        const qsizetype firstB = names.indexOf(QRegularExpression(QStringLiteral("B.*")));
        const qsizetype lastA = names.lastIndexOf(QRegularExpression(QStringLiteral("[AÁ].*")));
        QVERIFY(firstB > lastA);
        main_form->Button9->click();
        QStringList years = column(list, QStringLiteral("Évfolyam"));
        QVERIFY(std::is_sorted(years.begin(), years.end(),
                               [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); }));
        main_form->Button10->click();
        const QStringList letters = column(list, QStringLiteral("Osztály"));
        QVERIFY(std::is_sorted(letters.begin(), letters.end()));
        QVERIFY2(app_.dialogs.shown.empty(), qPrintable(app_.dialogs.texts().join(QLatin1Char('|'))));
        main_form->edit_gyors_ker->clear();
    }

    void quickSearch() {
        db::Dataset& list = DM->dataset_Tanulok;
        QTest::keyClicks(main_form->edit_gyors_ker, QStringLiteral("K"));
        QStringList names = column(list, QStringLiteral("Diák Neve"));
        QVERIFY(!names.isEmpty());
        for (const QString& n : names)
            QVERIFY2(n.startsWith(QLatin1Char('K')), qPrintable(n));
        QTest::keyClicks(main_form->edit_gyors_ker, QStringLiteral("i"));
        names = column(list, QStringLiteral("Diák Neve"));
        QVERIFY(!names.isEmpty());
        for (const QString& n : names)
            QVERIFY2(n.startsWith(QStringLiteral("Ki")), qPrintable(n));
        // a commit reopens the list with what the box shows
        DM->trTanulo.commit();
        list.open();
        QCOMPARE(column(list, QStringLiteral("Diák Neve")), names);
        QTest::keyClick(main_form->edit_gyors_ker, Qt::Key_Backspace);
        QTest::keyClick(main_form->edit_gyors_ker, Qt::Key_Backspace);
        QCOMPARE(list.columnCount(), 4);
        QStringList titles;
        for (int c = 0; c < 4; ++c)
            titles << list.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{QStringLiteral("ID"), QStringLiteral("Diák Neve"),
                                      QStringLiteral("Évfolyam"), QStringLiteral("Osztály")}));
        QStringList lines;
        main_form->query(false, QStringLiteral("select count(*) from table_diak"), {}, lines);
        QCOMPARE(QString::number(column(list, QStringLiteral("ID")).size()) + QLatin1Char(';'), lines[0]);
    }

    void deleteAskedAndAnswered() {
        db::Dataset& list = DM->dataset_Tanulok;
        list.open();
        list.setCurrentRow(1);
        const int id = list.fieldByName(QStringLiteral("ID")).toInt();
        const QString expected =
            QStringLiteral("Valóban törli a következő tanulót?\r\rID: %1\rNév: %2\rOsztály: %3.%4")
                .arg(id)
                .arg(list.fieldByName(QStringLiteral("Diák neve")).toString(),
                     list.fieldByName(QStringLiteral("Évfolyam")).toString(),
                     list.fieldByName(QStringLiteral("Osztály")).toString());
        const QString before = main_form->label_letszam->text();
        main_form->Button13->click(); // answered No
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown[0].kind, DialogKind::Information);
        QCOMPARE(app_.dialogs.shown[0].buttons, ui::DialogButtons::YesNo);
        QCOMPARE(app_.dialogs.shown[0].text, expected);
        QCOMPARE(main_form->label_letszam->text(), before);

        app_.dialogs.clear();
        app_.dialogs.answer(DialogAnswer::Yes);
        main_form->Button13->click();
        QCOMPARE(app_.dialogs.texts(), (QStringList{expected, QStringLiteral("Sikeres Törlés!")}));
        QVERIFY(list.isOpen());
        QVERIFY(!column(list, QStringLiteral("ID")).contains(QString::number(id)));
        QCOMPARE(main_form->label_letszam->text().section(QLatin1Char(' '), 0, 0).toInt(),
                 before.section(QLatin1Char(' '), 0, 0).toInt() - 1);
    }

    void deletingAStudentAnotherCopyDeleted() {
        db::Dataset& list = DM->dataset_Tanulok;
        list.open();
        list.setCurrentRow(0);
        const int id = list.fieldByName(QStringLiteral("ID")).toInt();
        testing::OtherCopy(app_.db.connectionString)
            .run(QStringLiteral("delete from table_diak where id = :id"), {id});
        app_.dialogs.answer(DialogAnswer::Yes);
        main_form->setEnabled(false); // no event refresh meanwhile: the grid still shows the student
        main_form->Button13Click();
        main_form->setEnabled(true);
        QCOMPARE(app_.dialogs.shown.size(), size_t(2));
        QCOMPARE(app_.dialogs.shown[1].kind, DialogKind::Warning);
        QVERIFY(!app_.dialogs.texts().contains(QStringLiteral("Sikeres Törlés!")));
        QVERIFY(!column(list, QStringLiteral("ID")).contains(QString::number(id)));
    }

    void deleteOnAnEmptyListAsksNothing() {
        main_form->edit_gyors_ker->setText(QStringLiteral("Senki Sincs Ilyen"));
        QVERIFY(DM->dataset_Tanulok.isEmpty());
        main_form->Button13->click();
        QVERIFY(app_.dialogs.shown.empty());
        main_form->edit_gyors_ker->clear();
    }

    void everyButtonDimsDisablesAndRestores_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("new student") << "Button2"
                                     << "uj_tanulo_Form";
        QTest::newRow("modify student") << "Button1"
                                        << "uj_tanulo_Form";
        QTest::newRow("teachers") << "Button5"
                                  << "tanarok_form";
        QTest::newRow("subjects") << "Button6"
                                  << "tantargyak_form";
        QTest::newRow("classes") << "Button4"
                                 << "osztalyok_form";
        QTest::newRow("teacher-subject") << "Button11"
                                         << "tanar_targy_form";
        QTest::newRow("class-subject") << "Button12"
                                       << "oszt_tan_form";
        QTest::newRow("yearly work") << "Button14"
                                     << "evi_ugyek_form";
    }
    void everyButtonDimsDisablesAndRestores() {
        QFETCH(QString, button);
        QFETCH(QString, window);
        QWidget* child = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == window) child = w;
        QVERIFY(child);
        DM->dataset_Tanulok.open();
        DM->dataset_Tanulok.setCurrentRow(0);
        main_form->findChild<QPushButton*>(button)->click();
        QVERIFY2(app_.dialogs.shown.empty(), qPrintable(app_.dialogs.texts().join(QLatin1Char('|'))));
        QVERIFY(child->isVisible());
        QVERIFY(!main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), Tmain_form::kDimmed);
        DM->trTanulo.commit(); // as a child's change would: the student list closes
        QVERIFY(!DM->dataset_Tanulok.isOpen());
        child->close();
        QVERIFY(!child->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
        QVERIFY(DM->dataset_Tanulok.isOpen());
    }

    // A task of the yearly-work window opens in front of it, which waits behind, disabled,
    // and comes back when the task closes, also when its preparation fails; the main window
    // stays dimmed until the yearly-work window closes.
    void yearlyWorkWaitsBehindItsTasks() {
        QPushButton* task = evi_ugyek_form->addTask(QStringLiteral("proba"), QStringLiteral("Próba"),
                                                    tanarok_form, [] { tanarok_form->prepareOpen(); });
        QPushButton* failing =
            evi_ugyek_form->addTask(QStringLiteral("hibas"), QStringLiteral("Hibás"), tantargyak_form,
                                    [] { throw db::Error(QStringLiteral("nem")); });
        main_form->Button14->click();
        QVERIFY(evi_ugyek_form->isVisible());
        task->click();
        QVERIFY(evi_ugyek_form->isVisible() && !evi_ugyek_form->isEnabled());
        QVERIFY(tanarok_form->isVisible());
        QVERIFY(!main_form->isEnabled());
        tanarok_form->close();
        QVERIFY(evi_ugyek_form->isVisible() && evi_ugyek_form->isEnabled());
        QVERIFY(!main_form->isEnabled());
        failing->click();
        QCOMPARE(app_.dialogs.texts().size(), 1);
        QVERIFY(!tantargyak_form->isVisible());
        QVERIFY(evi_ugyek_form->isVisible() && evi_ugyek_form->isEnabled() && !main_form->isEnabled());
        evi_ugyek_form->close();
        QVERIFY(main_form->isEnabled());
    }

    void aFailingPreparationNeverLeavesTheMainWindowDisabled() {
        // the modify opener with no student selected
        main_form->edit_gyors_ker->setText(QStringLiteral("Senki Sincs Ilyen"));
        main_form->Button1->click();
        QVERIFY(!uj_tanulo_Form->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown[0].title, QStringLiteral("Korvana v2.0"));
        main_form->edit_gyors_ker->clear();
        app_.dialogs.clear();
        // the new-student opener when the first school year is not a number
        main_form->edit_akt_tanev->setText(QStringLiteral("x"));
        app_.dialogs.clear();
        main_form->Button2->click();
        QVERIFY(!uj_tanulo_Form->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
        QCOMPARE(app_.dialogs.texts(), QStringList{QStringLiteral("'x' is not a valid integer value.")});
        main_form->akt_tanev();
    }

    // The keyboard opens the student list's menu with Shift+F10 as with the Menu key, at the
    // current row; its entry for a student's leaving is not the program's "Kilépés".
    void shiftF10OpensTheStudentMenu() {
        main_form->activateWindow();
        main_form->dbg_tanulok->setFocus();
        bool shown = false;
        QTimer::singleShot(50, [&] {
            shown = main_form->PopupMenu1->isVisible();
            main_form->PopupMenu1->close();
        });
        QTest::keyClick(main_form->dbg_tanulok, Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(shown);
        QStringList entries;
        for (QAction* a : main_form->PopupMenu1->actions())
            entries << a->text();
        QVERIFY2(entries.contains(QStringLiteral("Tanuló kiléptetése…")) &&
                     !entries.contains(QStringLiteral("Kilépés…")),
                 qPrintable(entries.join(u'|')));
    }

    void aMissingSortFileIsShown() {
        QFile::rename(DM->programFolder + QStringLiteral("sqls/dataset_Tanulo_SelectSQL4.sql"),
                      DM->programFolder + QStringLiteral("sqls/elrejtve.sql"));
        main_form->Button10->click();
        QFile::rename(DM->programFolder + QStringLiteral("sqls/elrejtve.sql"),
                      DM->programFolder + QStringLiteral("sqls/dataset_Tanulo_SelectSQL4.sql"));
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QVERIFY(app_.dialogs.shown[0].text.contains(QStringLiteral("dataset_Tanulo_SelectSQL4.sql")));
        QVERIFY(!DM->dataset_Tanulok.isOpen());
        main_form->FormActivate();
        QVERIFY(DM->dataset_Tanulok.isOpen());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
