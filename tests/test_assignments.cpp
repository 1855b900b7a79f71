// The teacher-subject and class-subject windows, on the whole program and a real database.
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>

#include "TestSupport.h"
#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "main/main__form.h"

using testing::ProgramFixture;
using ui::DialogAnswer;
using ui::DialogKind;

namespace {

const QString kMissing = QStringLiteral("Nem töltött ki minden kötelező mezőt!");
const QString kFailed = QStringLiteral("H I B A    T Ö R T É N T ! \r \r");

using testing::rows;
using testing::value;

int teacherId(const QString& name) {
    return value(QStringLiteral("select id from table_tanar where nev = :n"), {name}).toInt();
}
int subjectId(const QString& name) {
    return value(QStringLiteral("select id from table_targy where targy_nev = :n"), {name}).toInt();
}
int classId(int grade, const QString& letter) {
    return value(QStringLiteral("select id from table_osztaly where osztaly_szam = :s and osztaly_betu = :b"),
                 {grade, letter})
        .toInt();
}

bool teaches(int teacher, int subject) {
    return !rows(QStringLiteral("select 1 from table_tanar_targy where tanar_id = :t and targy_id = :s"),
                 {teacher, subject})
                .isEmpty();
}
int classPairs() {
    return value(QStringLiteral("select count(*) from table_osztaly_targy")).toInt();
}
int teacherPairs() {
    return value(QStringLiteral("select count(*) from table_tanar_targy")).toInt();
}
bool classHas(int klass, int subject, int teacher) {
    return !rows(QStringLiteral(
                     "select 1 from table_osztaly_targy where osztaly_id = :o and targy_id = :s and "
                     "tanar_id = :t"),
                 {klass, subject, teacher})
                .isEmpty();
}

// What another copy of the program does meanwhile, on its own connection.
void otherCopy(const QString& connectionString, const QString& sql, const QVariantList& params = {}) {
    testing::OtherCopy(connectionString).run(sql, params);
}

QString tagged(const QString& label, int id) {
    return label + QString(98, QLatin1Char(' ')) + QStringLiteral("ID:") + QString::number(id);
}

QStringList items(QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

// The tagged items a list of "id;name;" row lines becomes.
QStringList taggedLines(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        out << tagged(l.section(QLatin1Char(';'), 1, 1), l.section(QLatin1Char(';'), 0, 0).toInt());
    return out;
}

QStringList column(db::Dataset* list, const QString& field) {
    list->fetchAll();
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out << db::displayText(list->value(r, field));
    return out;
}

// The user picks the item whose visible label is the given text.
void choose(QComboBox* combo, const QString& label) {
    for (int i = 0; i < combo->count(); ++i)
        if (ui::itemLabel(combo->itemText(i)) == label) {
            combo->setCurrentIndex(i);
            emit combo->activated(i);
            return;
        }
    QFAIL(qPrintable(QStringLiteral("no item %1").arg(label)));
}

// A left click on the data cell of the row whose field holds the value.
void clickRow(ui::DataGrid* grid, const QString& field, const QString& wanted) {
    db::Dataset* list = grid->dataset();
    list->fetchAll();
    for (int r = 0; r < list->rowCount(); ++r)
        if (db::displayText(list->value(r, field)) == wanted) {
            const QModelIndex index = grid->model()->index(r, 0);
            grid->scrollTo(index);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
            QCOMPARE(list->currentRow(), r);
            return;
        }
    QFAIL(qPrintable(QStringLiteral("no row with %1 = %2").arg(field, wanted)));
}

void expectOnly(const testing::FakeDialogs& d, DialogKind kind, const QString& text) {
    QCOMPARE(d.texts(), QStringList{text});
    QCOMPARE(d.shown[0].kind, kind);
    QCOMPARE(d.shown[0].title, ui::standardTitle(kind));
}

QStringList tabSequence(QWidget* window) {
    QStringList seen;
    QWidget* w = window->nextInFocusChain();
    for (int guard = 0; w != window && guard < 500; ++guard, w = w->nextInFocusChain())
        if (w->parentWidget() == window && (w->focusPolicy() & Qt::TabFocus) &&
            !seen.contains(w->objectName()))
            seen << w->objectName();
    return seen;
}

// Nothing overlaps, sticks out of the window or straddles a frame's edge, every caption
// fits, and each control has its font.
void checkLayout(QWidget* window, const QStringList& twelvePixels) {
    QList<QWidget*> controls, bevels;
    for (QObject* o : window->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w->objectName() == QLatin1String("Image1")) continue;
        (w->metaObject() == &QFrame::staticMetaObject ? bevels : controls) << w;
    }
    QVERIFY(controls.size() > 10);
    for (QWidget* a : controls) {
        const QString name = a->objectName();
        QVERIFY2(!name.isEmpty(), a->metaObject()->className());
        QVERIFY2(window->rect().contains(a->geometry()), qPrintable(name));
        for (QWidget* b : controls)
            if (a != b)
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(name + QStringLiteral(" / ") + b->objectName()));
        for (QWidget* f : bevels)
            QVERIFY2(f->geometry().contains(a->geometry()) || !f->geometry().intersects(a->geometry()),
                     qPrintable(name + QStringLiteral(" crosses a frame")));
        QCOMPARE(a->font().family(), QStringLiteral("Arial"));
        QVERIFY2(a->font().bold(), qPrintable(name));
        QCOMPARE(a->font().pixelSize(), twelvePixels.contains(name) ? 12 : 11);
        const QFontMetrics fm(a->font());
        if (auto* l = qobject_cast<QLabel*>(a)) {
            QVERIFY2(fm.horizontalAdvance(l->text()) <= l->width(), qPrintable(name));
            QVERIFY2(fm.height() <= l->height(), qPrintable(name));
        } else if (auto* b = qobject_cast<QPushButton*>(a)) {
            QVERIFY2(fm.horizontalAdvance(b->text()) + 12 <= b->width(), qPrintable(name));
            QVERIFY2(fm.height() + 6 <= b->height(), qPrintable(name));
        } else if (qobject_cast<QLineEdit*>(a) || qobject_cast<QComboBox*>(a)) {
            QVERIFY2(fm.height() + 4 <= a->height(), qPrintable(name));
        }
    }
}

} // namespace

// Both windows on a database with reference data only: no teacher, subject or class.
class EmptyTablesTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

  private slots:
    void initTestCase() { QVERIFY(app_.start(QStringLiteral("assign-empty"))); }
    void cleanupTestCase() { app_.stop(); }

    void teacherSubjectWindowOnlyWarns() {
        main_form->Button11->click();
        QVERIFY(tanar_targy_form->isVisible());
        tanar_targy_form->FormActivate();
        QVERIFY(app_.dialogs.shown.empty());
        QCOMPARE(tanar_targy_form->ds_tanarok->rowCount(), 0);
        QVERIFY(!tanar_targy_form->ds_targyak->isOpen());
        QCOMPARE(tanar_targy_form->Label2->text(), QString());
        QCOMPARE(tanar_targy_form->edit_tanar_nev->text(), QString());
        QCOMPARE(tanar_targy_form->edit_tanar_nev2->text(), QString());
        QCOMPARE(tanar_targy_form->combo_targyak->count(), 0);
        QCOMPARE(tanar_targy_form->combo_targyak2->count(), 0);
        tanar_targy_form->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Warning, kMissing);
        app_.dialogs.clear();
        tanar_targy_form->Button3->click();
        expectOnly(app_.dialogs, DialogKind::Warning, kMissing); // no question first
        app_.dialogs.clear();
        tanar_targy_form->Button1->click();
        QVERIFY(!tanar_targy_form->isVisible());
        QVERIFY(main_form->isEnabled());
    }

    void classSubjectWindowOnlyWarns() {
        main_form->Button12->click();
        QVERIFY(oszt_tan_form->isVisible());
        oszt_tan_form->FormActivate();
        QVERIFY(app_.dialogs.shown.empty());
        QCOMPARE(oszt_tan_form->ds_osztalyok->rowCount(), 0);
        QCOMPARE(oszt_tan_form->ds_targyak->rowCount(), 0);
        QCOMPARE(oszt_tan_form->Label2->text(), QString());
        QCOMPARE(oszt_tan_form->edit_osztaly->text(), QString());
        QCOMPARE(oszt_tan_form->edit_osztaly_2->text(), QString());
        QCOMPARE(oszt_tan_form->combo_targyak->count(), 0);
        oszt_tan_form->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Warning, kMissing);
        app_.dialogs.clear();
        oszt_tan_form->Button3->click();
        expectOnly(app_.dialogs, DialogKind::Warning, kMissing);
        app_.dialogs.clear();
        oszt_tan_form->close();
        QVERIFY(main_form->isEnabled());
    }
};

// The teacher-subject window on the demo school.
class TeacherSubjectTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;
    Ttanar_targy_form* w = nullptr;

    void open() {
        main_form->Button11->click();
        QVERIFY(w->isVisible());
        w->FormActivate();
    }
    // The subject side as it must be for the teacher of that name.
    void expectShown(const QString& name) {
        const int id = teacherId(name);
        QCOMPARE(db::displayText(w->ds_tanarok->fieldByName(QStringLiteral("Tanár neve"))), name);
        QCOMPARE(w->Label2->text(), name + QStringLiteral(" által oktatott tárgyak:"));
        QCOMPARE(w->edit_tanar_nev->text(), name);
        QCOMPARE(w->edit_tanar_nev2->text(), name);
        const QString taught =
            QStringLiteral("select t.id, t.targy_nev from table_targy t where %1 exists (select 1 "
                           "from table_tanar_targy tt where tt.targy_id = t.id and tt.tanar_id = "
                           ":id) order by t.targy_nev");
        const QStringList given = rows(taught.arg(QString()), {id});
        QCOMPARE(items(w->combo_targyak), taggedLines(rows(taught.arg(QStringLiteral("not")), {id})));
        QCOMPARE(items(w->combo_targyak2), taggedLines(given));
        QCOMPARE(w->combo_targyak->currentIndex(), -1);
        QCOMPARE(w->combo_targyak2->currentIndex(), -1);
        QStringList names;
        for (const QString& l : given)
            names << l.section(QLatin1Char(';'), 1, 1);
        QCOMPARE(column(w->ds_targyak, QStringLiteral("Tantárgy")), names);
    }

  private slots:
    void initTestCase() {
        QVERIFY(app_.start(QStringLiteral("assign-teacher"), {QStringLiteral("--demo")}));
        w = tanar_targy_form;
    }
    void init() {
        open();
        app_.dialogs.clear();
    }
    void cleanup() {
        w->close();
        QVERIFY(main_form->isEnabled());
    }
    void cleanupTestCase() { app_.stop(); }

    void windowLooksAsDesigned() {
        checkLayout(w, {QStringLiteral("Label1"), QStringLiteral("Label3"), QStringLiteral("Label5"),
                        QStringLiteral("Label6")});
        QCOMPARE(tabSequence(w),
                 (QStringList{"DBGrid1", "DBGrid2", "Button1", "edit_tanar_nev", "combo_targyak", "Button2",
                              "Button3", "edit_tanar_nev2", "combo_targyak2"}));
        QCOMPARE(w->DBGrid1->horizontalHeader()->font(), w->font());
        // a long name wraps inside the heading rather than being cut
        const QString longName = QStringLiteral("Dr. Szentgyörgyváry-Kovácsházy Erzsébet Borbála");
        w->Label2->setText(longName + QStringLiteral(" által oktatott tárgyak:"));
        QVERIFY(w->Label2->heightForWidth(w->Label2->width()) <= w->Label2->height());
    }

    void opensOnTheFirstTeacherInNameOrder() {
        w->close();
        main_form->Button11->click();
        // prepared by the main window, before activation
        QCOMPARE(w->Label2->text(), QString());
        QCOMPARE(w->edit_tanar_nev->text(), QString());
        QCOMPARE(w->combo_targyak->count(), 0);
        QVERIFY(!w->ds_targyak->isOpen());
        QStringList names;
        for (const QString& l : rows(QStringLiteral("select nev from table_tanar order by nev")))
            names << l.chopped(1);
        QCOMPARE(w->ds_tanarok->currentRow(), 0);
        QCOMPARE(column(w->ds_tanarok, QStringLiteral("Tanár neve")), names);
        w->FormActivate();
        expectShown(names.value(0));
        QVERIFY(DM->dataset_Tanulok.isOpen());
    }

    void clickingATeacherRebuildsTheSubjectSide() {
        QSignalSpy rebuilt(w->ds_targyak, &db::Dataset::opened);
        clickRow(w->DBGrid1, QStringLiteral("Tanár neve"), QStringLiteral("Molnár Attila"));
        expectShown(QStringLiteral("Molnár Attila"));
        QCOMPARE(rebuilt.count(), 1); // once for a click that moves the row, not twice
        // a click on the row already current rebuilds it as well
        clickRow(w->DBGrid1, QStringLiteral("Tanár neve"), QStringLiteral("Molnár Attila"));
        QCOMPARE(rebuilt.count(), 2);
        QVERIFY(app_.dialogs.shown.empty());
    }

    void keysMovingTheTeacherRebuildTheSubjectSide() {
        w->DBGrid1->setFocus();
        QTest::keyClick(w->DBGrid1, Qt::Key_Down);
        QCOMPARE(w->ds_tanarok->currentRow(), 1);
        expectShown(db::displayText(w->ds_tanarok->value(1, QStringLiteral("Tanár neve"))));
        QTest::keyClick(w->DBGrid1, Qt::Key_PageDown);
        const int row = w->ds_tanarok->currentRow();
        QVERIFY(row > 1);
        const QString name = db::displayText(w->ds_tanarok->value(row, QStringLiteral("Tanár neve")));
        expectShown(name);
        // and the button acts on that teacher
        const QString subject = ui::itemLabel(w->combo_targyak->itemText(0));
        choose(w->combo_targyak, subject);
        w->Button2->click();
        QVERIFY(teaches(teacherId(name), subjectId(subject)));
        expectShown(name);
    }

    void addingASubject() {
        clickRow(w->DBGrid1, QStringLiteral("Tanár neve"), QStringLiteral("Balázs Gyöngyi"));
        const int teacher = teacherId(QStringLiteral("Balázs Gyöngyi"));
        const int subject = subjectId(QStringLiteral("fizika"));
        QVERIFY(!teaches(teacher, subject) && !teaches(subject, teacher));
        choose(w->combo_targyak, QStringLiteral("fizika"));
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Information, QStringLiteral("Sikeres tárgyfelvétel!"));
        // subject first, teacher second: the pair is exactly this one
        QVERIFY(teaches(teacher, subject));
        QVERIFY(!teaches(subject, teacher));
        expectShown(QStringLiteral("Balázs Gyöngyi"));
        QVERIFY(w->combo_targyak2->findText(tagged(QStringLiteral("fizika"), subject)) >= 0);
    }

    void addingRefusedStillRefreshesToTheSameTeacher() {
        clickRow(w->DBGrid1, QStringLiteral("Tanár neve"), QStringLiteral("Gál Levente"));
        const int teacher = teacherId(QStringLiteral("Gál Levente"));
        const int subject = subjectId(QStringLiteral("kémia"));
        choose(w->combo_targyak, QStringLiteral("kémia"));
        otherCopy(app_.db.connectionString,
                  QStringLiteral("insert into table_tanar_targy (tanar_id, targy_id) values (:t, :s)"),
                  {teacher, subject});
        const int before = teacherPairs();
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Error,
                   kFailed + QStringLiteral("A tanár már tanítja ezt a tantárgyat!"));
        QCOMPARE(teacherPairs(), before);
        expectShown(QStringLiteral("Gál Levente")); // with what the other copy added
    }

    void removingASubjectAsksWithTheWholeItem() {
        clickRow(w->DBGrid1, QStringLiteral("Tanár neve"), QStringLiteral("Papp István"));
        const int teacher = teacherId(QStringLiteral("Papp István"));
        const int subject = subjectId(QStringLiteral("rajz és vizuális kultúra"));
        otherCopy(app_.db.connectionString,
                  QStringLiteral("delete from table_osztaly_targy where tanar_id = :t"), {teacher});
        w->targyak_meghataroz();
        choose(w->combo_targyak2, QStringLiteral("rajz és vizuális kultúra"));
        const QString question = QStringLiteral("Valóba tröli: Papp István tanártól a(z) ") +
                                 tagged(QStringLiteral("rajz és vizuális kultúra"), subject) +
                                 QStringLiteral(" tárgyat?");
        // No: nothing happens
        w->Button3->click();
        expectOnly(app_.dialogs, DialogKind::Confirmation, question);
        QVERIFY(teaches(teacher, subject));
        app_.dialogs.clear();
        // Yes: taken away, nothing more said, the same teacher shown
        app_.dialogs.answer(DialogAnswer::Yes);
        w->Button3->click();
        expectOnly(app_.dialogs, DialogKind::Confirmation, question);
        QVERIFY(!teaches(teacher, subject));
        expectShown(QStringLiteral("Papp István"));
    }

    void removingRefusedStillRefreshesToTheSameTeacher() {
        // teacher first, subject second: the refusal names the class that still has the pair
        const QString name = QStringLiteral("Szabó Katalin");
        clickRow(w->DBGrid1, QStringLiteral("Tanár neve"), name);
        const int teacher = teacherId(name);
        const int subject = subjectId(QStringLiteral("osztályfőnöki"));
        QVERIFY(teaches(teacher, subject));
        choose(w->combo_targyak2, QStringLiteral("osztályfőnöki"));
        app_.dialogs.answer(DialogAnswer::Yes);
        w->Button3->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(2));
        QCOMPARE(app_.dialogs.shown[1].kind, DialogKind::Error);
        QCOMPARE(app_.dialogs.shown[1].text,
                 kFailed + QStringLiteral(
                               "A tantárgy nem vehető el, mert a tanár még tanítja valamelyik osztályban!"));
        QVERIFY(teaches(teacher, subject));
        expectShown(name);
    }

    void missingChoicesOnlyWarn() {
        const int before = teacherPairs();
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Warning, kMissing);
        app_.dialogs.clear();
        w->Button3->click();
        expectOnly(app_.dialogs, DialogKind::Warning, kMissing);
        QCOMPARE(teacherPairs(), before);
        QCOMPARE(w->ds_tanarok->currentRow(), 0);
    }

    void aTeacherGoneMeanwhileLeavesTheFirstOneShown() {
        otherCopy(app_.db.connectionString,
                  QStringLiteral("insert into table_tanar (nev) values ('Zsámboki Zsolt')"));
        w->close();
        open();
        clickRow(w->DBGrid1, QStringLiteral("Tanár neve"), QStringLiteral("Zsámboki Zsolt"));
        QCOMPARE(w->ds_tanarok->currentRow(), w->ds_tanarok->rowCount() - 1); // the search runs to the end
        choose(w->combo_targyak, QStringLiteral("etika"));
        otherCopy(app_.db.connectionString,
                  QStringLiteral("delete from table_tanar where nev = 'Zsámboki Zsolt'"));
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Error,
                   kFailed + QStringLiteral("A megadott tanár nem létezik!"));
        QCOMPARE(w->ds_tanarok->currentRow(), 0);
        expectShown(db::displayText(w->ds_tanarok->value(0, QStringLiteral("Tanár neve"))));
    }

    void aSubjectNameWithAColonWorks() {
        otherCopy(app_.db.connectionString,
                  QStringLiteral("insert into table_targy (targy_nev) values ('Matematika: emelt szint')"));
        clickRow(w->DBGrid1, QStringLiteral("Tanár neve"), QStringLiteral("Fodor Imre"));
        choose(w->combo_targyak, QStringLiteral("Matematika: emelt szint"));
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Information, QStringLiteral("Sikeres tárgyfelvétel!"));
        QVERIFY(teaches(teacherId(QStringLiteral("Fodor Imre")),
                        subjectId(QStringLiteral("Matematika: emelt szint"))));
    }

    void aMissingFileStopsTheRebuildAndLeavesNoOtherTeacherShown() {
        const QString file = DM->programFolder + QStringLiteral("sqls/dataset_tanar_targy.sql");
        const QString moved = file + QStringLiteral(".off");
        QVERIFY(QFile::rename(file, moved));
        w->DBGrid1->setFocus();
        QTest::keyClick(w->DBGrid1, Qt::Key_Down);
        QVERIFY(QFile::rename(moved, file));
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown[0].kind, DialogKind::Error);
        QCOMPARE(app_.dialogs.shown[0].title, ui::kProgramName);
        // the subject side is empty, so no button can act on a teacher that is not shown
        QCOMPARE(w->edit_tanar_nev->text(), QString());
        QCOMPARE(w->combo_targyak->count(), 0);
        app_.dialogs.clear();
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Warning, kMissing);
    }
};

// The class-subject window on the demo school.
class ClassSubjectTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;
    Toszt_tan_form* w = nullptr;

    void open() {
        main_form->Button12->click();
        QVERIFY(w->isVisible());
        w->FormActivate();
    }
    QString current(const QString& field) { return db::displayText(w->ds_osztalyok->fieldByName(field)); }
    // The class boxes, heading and subject grid as they must be for the current class.
    void expectShown(const QString& grade, const QString& letter) {
        QCOMPARE(current(QStringLiteral("Évfolyam")), grade);
        QCOMPARE(current(QStringLiteral("Osztály")), letter);
        QCOMPARE(w->Label2->text(),
                 grade + QLatin1Char('.') + letter + QStringLiteral("  osztály tantárgyai és oktatói:"));
        QCOMPARE(w->edit_osztaly->text(), grade + QStringLiteral(". ") + letter);
        QCOMPARE(w->edit_osztaly_2->text(), grade + QStringLiteral(". ") + letter);
        const QStringList expected =
            rows(QStringLiteral(
                     "select t.targy_nev, ta.nev from table_osztaly_targy ot join table_targy t on t.id = "
                     "ot.targy_id join table_tanar ta on ta.id = ot.tanar_id where ot.osztaly_id = :o "
                     "order by t.targy_nev"),
                 {classId(grade.toInt(), letter)});
        QStringList shown;
        const QStringList subjects = column(w->ds_targyak, QStringLiteral("Tantárgy neve"));
        const QStringList teachers = column(w->ds_targyak, QStringLiteral("Tanár neve"));
        for (int i = 0; i < subjects.size(); ++i)
            shown << subjects[i] + QLatin1Char(';') + teachers[i] + QLatin1Char(';');
        QCOMPARE(shown, expected);
    }
    void clickClass(int grade, const QString& letter) {
        clickRow(w->dbg_osztalyok, QStringLiteral("ID"), QString::number(classId(grade, letter)));
        expectShown(QString::number(grade), letter);
    }

  private slots:
    void initTestCase() {
        QVERIFY(app_.start(QStringLiteral("assign-class"), {QStringLiteral("--demo")}));
        w = oszt_tan_form;
    }
    void init() {
        open();
        app_.dialogs.clear();
    }
    void cleanup() {
        w->close();
        QVERIFY(main_form->isEnabled());
    }
    void cleanupTestCase() { app_.stop(); }

    void windowLooksAsDesigned() {
        checkLayout(w, {QStringLiteral("Label1"), QStringLiteral("Label2"), QStringLiteral("edit_osztaly"),
                        QStringLiteral("edit_osztaly_2"), QStringLiteral("edit_targy"),
                        QStringLiteral("edit_tanar")});
        QCOMPARE(tabSequence(w), (QStringList{"dbg_osztalyok", "Button1", "dbg_targyak", "edit_osztaly",
                                              "combo_targyak", "combo_tanar", "Button2", "edit_osztaly_2",
                                              "edit_targy", "edit_tanar", "Button3"}));
    }

    void opensOnTheHighestGradeWithEverySubject() {
        w->close();
        main_form->Button12->click();
        QCOMPARE(w->Label2->text(), QString());
        QCOMPARE(w->edit_osztaly->text(), QString());
        QCOMPARE(w->edit_osztaly_2->text(), QString());
        QCOMPARE(w->combo_targyak->currentIndex(), -1);
        QCOMPARE(
            items(w->combo_targyak),
            taggedLines(rows(QStringLiteral("select id, targy_nev from table_targy order by targy_nev"))));
        QCOMPARE(w->ds_osztalyok->currentRow(), 0);
        w->FormActivate();
        expectShown(QStringLiteral("12"), QStringLiteral("a"));
    }

    void choosingASubjectListsItsTeachers() {
        choose(w->combo_targyak, QStringLiteral("fizika"));
        QCOMPARE(items(w->combo_tanar),
                 taggedLines(
                     rows(QStringLiteral("select ta.id, ta.nev from table_tanar_targy tt join table_tanar ta "
                                         "on ta.id = tt.tanar_id where tt.targy_id = :s order by ta.nev"),
                          {subjectId(QStringLiteral("fizika"))})));
        QVERIFY(w->combo_tanar->count() > 1);
        QCOMPARE(w->combo_tanar->currentIndex(), -1);
    }

    void aSubjectWithoutTeachersLeavesNoTeacherToChoose() {
        otherCopy(app_.db.connectionString,
                  QStringLiteral("insert into table_targy (targy_nev) values ('csillagászat')"));
        w->close();
        open();
        choose(w->combo_targyak, QStringLiteral("fizika"));
        choose(w->combo_tanar, QStringLiteral("Dr. Kovács Éva"));
        choose(w->combo_targyak, QStringLiteral("csillagászat"));
        QCOMPARE(w->combo_tanar->count(), 0);
        const int before = classPairs();
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Warning, kMissing);
        QCOMPARE(classPairs(), before);
    }

    void addingASubjectWithItsTeacher() {
        clickClass(12, QStringLiteral("b"));
        const int klass = classId(12, QStringLiteral("b"));
        const int subject = subjectId(QStringLiteral("kémia"));
        const int teacher = teacherId(QStringLiteral("Molnár Attila"));
        choose(w->combo_targyak, QStringLiteral("kémia"));
        choose(w->combo_tanar, QStringLiteral("Molnár Attila"));
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Information, QStringLiteral("Sikeres tárgyfelvétel"));
        // subject, class, teacher: exactly this row
        QVERIFY(classHas(klass, subject, teacher));
        expectShown(QStringLiteral("12"), QStringLiteral("b"));
        QCOMPARE(w->combo_targyak->currentIndex(), -1);
        QCOMPARE(w->combo_tanar->currentIndex(), -1);
    }

    void addingRefusedKeepsTheTeacherAndRefreshesTheClass() {
        clickClass(11, QStringLiteral("c"));
        choose(w->combo_targyak, QStringLiteral("matematika"));
        choose(w->combo_tanar, QStringLiteral("Nagy Péter"));
        const QString teacherItem = w->combo_tanar->currentText();
        const int before = classPairs();
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Error,
                   kFailed + QStringLiteral("Az osztály már tanulja ezt a tantárgyat!"));
        QCOMPARE(classPairs(), before);
        expectShown(QStringLiteral("11"), QStringLiteral("c"));
        QCOMPARE(w->combo_targyak->currentIndex(), -1); // lost through the refill
        QCOMPARE(w->combo_tanar->currentText(), teacherItem);
    }

    void removingAClickedSubjectAsksNothing() {
        clickClass(10, QStringLiteral("a"));
        const int klass = classId(10, QStringLiteral("a"));
        const int subject = subjectId(QStringLiteral("fizika"));
        clickRow(w->dbg_targyak, QStringLiteral("Tantárgy neve"), QStringLiteral("fizika"));
        const QString teacherName = db::displayText(w->ds_targyak->fieldByName(QStringLiteral("Tanár neve")));
        QCOMPARE(w->edit_targy->text(), QStringLiteral("fizika"));
        QCOMPARE(w->edit_tanar->text(), teacherName);
        const int teacher = teacherId(teacherName);
        QVERIFY(classHas(klass, subject, teacher));
        w->Button3->click();
        QVERIFY(app_.dialogs.shown.empty());
        QVERIFY(!classHas(klass, subject, teacher));
        expectShown(QStringLiteral("10"), QStringLiteral("a"));
        QCOMPARE(w->edit_targy->text(), QString());
        QCOMPARE(w->edit_tanar->text(), QString());
    }

    void removingFromAnotherClassIsRefusedThere() {
        clickClass(10, QStringLiteral("b"));
        clickRow(w->dbg_targyak, QStringLiteral("Tantárgy neve"), QStringLiteral("kémia"));
        const QString teacherName = w->edit_tanar->text();
        const int before = classPairs();
        // another class keeps the removal's subject and teacher; the procedure is asked about that class
        clickClass(12, QStringLiteral("c"));
        QCOMPARE(w->edit_targy->text(), QStringLiteral("kémia"));
        QCOMPARE(w->edit_tanar->text(), teacherName);
        w->Button3->click();
        expectOnly(app_.dialogs, DialogKind::Error,
                   kFailed + QStringLiteral("Ez a tanár nem tanítja ezt a tantárgyat ebben az osztályban!"));
        QCOMPARE(classPairs(), before);
        expectShown(QStringLiteral("12"), QStringLiteral("c"));
        QCOMPARE(w->edit_targy->text(), QStringLiteral("kémia")); // kept after a failure
    }

    void removalLookupsThatFindNothingCallNoProcedure_data() {
        QTest::addColumn<bool>("subject");
        QTest::newRow("subject renamed meanwhile") << true;
        QTest::newRow("teacher renamed meanwhile") << false;
    }
    void removalLookupsThatFindNothingCallNoProcedure() {
        QFETCH(bool, subject);
        clickClass(9, QStringLiteral("a"));
        clickRow(w->dbg_targyak, QStringLiteral("Tantárgy neve"),
                 subject ? QStringLiteral("földrajz") : QStringLiteral("testnevelés"));
        const QString name = subject ? w->edit_targy->text() : w->edit_tanar->text();
        if (subject)
            otherCopy(app_.db.connectionString,
                      QStringLiteral(
                          "update table_targy set targy_nev = targy_nev || ' (új)' where targy_nev = :n"),
                      {name});
        else
            otherCopy(app_.db.connectionString,
                      QStringLiteral("update table_tanar set nev = nev || ' (új)' where nev = :n"), {name});
        const int before = classPairs();
        w->Button3->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown[0].kind, DialogKind::Warning);
        // "földrajz" and the demo teachers' names begin with a consonant
        const QString gone = QStringLiteral("A ") + name +
                             (subject ? QStringLiteral(" tantárgy") : QStringLiteral(" tanár")) +
                             QStringLiteral(" nem található az adatbázisban!\r");
        QVERIFY2(app_.dialogs.shown[0].text.startsWith(gone), qPrintable(app_.dialogs.shown[0].text));
        QCOMPARE(classPairs(), before);
        // the stale row is let go and the class shown as it is now, with the new name
        QCOMPARE(w->edit_targy->text(), QString());
        QCOMPARE(w->edit_tanar->text(), QString());
        expectShown(QStringLiteral("9"), QStringLiteral("a"));
        QVERIFY(
            column(w->ds_targyak, subject ? QStringLiteral("Tantárgy neve") : QStringLiteral("Tanár neve"))
                .contains(name + QStringLiteral(" (új)")));
    }

    void missingChoicesOnlyWarn() {
        const int before = classPairs();
        w->Button2->click(); // nothing chosen
        choose(w->combo_targyak, QStringLiteral("kémia"));
        w->Button2->click(); // no teacher chosen
        w->Button3->click(); // no subject row clicked
        QCOMPARE(app_.dialogs.texts(), (QStringList{kMissing, kMissing, kMissing}));
        for (const auto& d : app_.dialogs.shown)
            QCOMPARE(d.kind, DialogKind::Warning);
        QCOMPARE(classPairs(), before);
    }

    void keysMovingTheClassRebuildTheWindow() {
        w->dbg_osztalyok->setFocus();
        QTest::keyClick(w->dbg_osztalyok, Qt::Key_Down);
        QCOMPARE(w->ds_osztalyok->currentRow(), 1);
        expectShown(QStringLiteral("12"), QStringLiteral("b"));
        QTest::keyClick(w->dbg_osztalyok, Qt::Key_PageDown);
        const int row = w->ds_osztalyok->currentRow();
        QVERIFY(row > 1);
        const QString grade = current(QStringLiteral("Évfolyam"));
        const QString letter = current(QStringLiteral("Osztály"));
        expectShown(grade, letter);
        // the add button acts on the class shown
        otherCopy(app_.db.connectionString,
                  QStringLiteral("delete from table_osztaly_targy where osztaly_id = :o and targy_id = :s"),
                  {classId(grade.toInt(), letter), subjectId(QStringLiteral("történelem"))});
        choose(w->combo_targyak, QStringLiteral("történelem"));
        choose(w->combo_tanar, QStringLiteral("Tóth Gábor"));
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Information, QStringLiteral("Sikeres tárgyfelvétel"));
        QVERIFY(classHas(classId(grade.toInt(), letter), subjectId(QStringLiteral("történelem")),
                         teacherId(QStringLiteral("Tóth Gábor"))));
        QCOMPARE(w->ds_osztalyok->currentRow(), row);
        expectShown(grade, letter);
    }

    void aClassGoneMeanwhileLeavesTheFirstOneShown() {
        otherCopy(app_.db.connectionString,
                  QStringLiteral("insert into table_osztaly (osztaly_szam, osztaly_betu) values (1, 'z')"));
        w->close();
        open();
        clickClass(1, QStringLiteral("z"));
        QCOMPARE(w->ds_osztalyok->currentRow(), w->ds_osztalyok->rowCount() - 1);
        choose(w->combo_targyak, QStringLiteral("etika"));
        choose(w->combo_tanar, QStringLiteral("Papp István"));
        otherCopy(app_.db.connectionString,
                  QStringLiteral("delete from table_osztaly where osztaly_betu = 'z'"));
        w->Button2->click();
        expectOnly(app_.dialogs, DialogKind::Error,
                   kFailed + QStringLiteral("A megadott osztály nem létezik!"));
        QCOMPARE(w->ds_osztalyok->currentRow(), 0);
        expectShown(QStringLiteral("12"), QStringLiteral("a"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    {
        EmptyTablesTest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        TeacherSubjectTest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        ClassSubjectTest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    return failed;
}

#include "test_assignments.moc"
