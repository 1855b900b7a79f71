// The school year's windows as the office uses them: a student leaves from the list's menu,
// is found in the archive and taken back; the year-end move previewed, done and undone; the
// log of one student. Every window laid out without overlaps.
#include <QtTest>

#include <QAction>
#include <QMenu>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "documents/dokumentumok__form.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "office/archivum__form.h"
#include "office/evi_ugyek__form.h"
#include "office/kilepes__form.h"
#include "office/naplo__form.h"
#include "office/tanevvaltas__form.h"
#include "students/uj_tanulo__form.h"
#include "ui/IdCombo.h"

using namespace testing;
using namespace Qt::StringLiterals;

namespace {
void openTask(const char* button) {
    main_form->Button14->click();
    evi_ugyek_form->findChild<QPushButton*>(QString::fromLatin1(button))->click();
}
int headcount() {
    main_form->akt_letszam();
    return main_form->label_letszam->text().section(u' ', 0, 0).toInt();
}
void chooseId(ui::IdComboBox* combo, int id) {
    for (int i = 0; i < combo->count(); ++i)
        if (ui::itemId(combo->itemText(i)) == id) return combo->setCurrentIndex(i);
    QFAIL("no such item");
}
QStringList column(db::Dataset* list, const QString& field) {
    list->fetchAll();
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out << list->value(r, field).toString();
    return out;
}

} // namespace

class SchoolYearTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

    int count(const QString& sql, const QVariantList& params = {}) {
        return OtherCopy(app_.db.connectionString).first(sql, params).toInt();
    }
    QString lastText() const {
        return app_.dialogs.shown.empty() ? QString() : app_.dialogs.shown.back().text;
    }

  private slots:
    void initTestCase() { QVERIFY(app_.start(u"schoolyear"_s, {u"--demo"_s})); }
    void cleanupTestCase() { app_.stop(); }

    void windowsAreLaidOut() {
        for (QWidget* w :
             std::initializer_list<QWidget*>{kilepes_form, archivum_form, tanevvaltas_form, naplo_form}) {
            const QString problem = layoutProblem(w);
            QVERIFY2(problem.isEmpty(), qPrintable(w->objectName() + u": "_s + problem));
        }
    }

    void aStudentLeavesAndComesBack() {
        const int id = count(u"select max(id) from table_diak"_s);
        const QString name = OtherCopy(app_.db.connectionString)
                                 .first(u"select nev from table_diak where id = :id"_s, {id})
                                 .toString();
        const int before = headcount();
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));
        triggerStudentMenu(u"Tanuló kiléptetése…"_s);
        QVERIFY(kilepes_form->isVisible() && !main_form->isEnabled());
        QCOMPARE(kilepes_form->label_nev->text(), name);

        // the receiving school only for who went to another school, its id six digits
        QVERIFY(kilepes_form->edit_iskola->isEnabled());
        kilepes_form->edit_om->setText(u"12345"_s);
        kilepes_form->Button1->click();
        QCOMPARE(lastText(), u"A fogadó iskola OM azonosítója hat számjegyből áll (például 035221)."_s);
        QVERIFY(kilepes_form->isVisible());
        kilepes_form->edit_om->clear();
        // a date before the student's registration, refused by the database in Hungarian
        kilepes_form->edit_datum->setText(QDate::currentDate().addDays(-1).toString(u"yyyy.MM.dd."_s));
        kilepes_form->Button1->click();
        QCOMPARE(
            lastText(),
            u"A kilépés dátuma nem lehet korábbi a tanuló utolsó osztálytörténeti eseményénél (%1)!"_s.arg(
                QDate::currentDate().toString(u"yyyy.MM.dd."_s)));
        QVERIFY(kilepes_form->isVisible());
        kilepes_form->edit_datum->setText(QDate::currentDate().toString(u"yyyy.MM.dd."_s));
        // a reason of "other" wants a note: nothing is done without one
        kilepes_form->combo_ok->setCurrentIndex(kilepes_form->combo_ok->findData(3));
        QVERIFY(!kilepes_form->edit_iskola->isEnabled() && !kilepes_form->edit_om->isEnabled());
        QVERIFY(!kilepes_form->Button1Click());
        QCOMPARE(lastText(), u"Egyéb kilépési oknál a megjegyzés nem lehet üres!"_s);
        kilepes_form->m_megjegyzes->setPlainText(u"Külföldre költözött."_s);
        kilepes_form->Button1->click();
        QVERIFY(lastText().contains(u"archívumában"_s));
        QVERIFY(!kilepes_form->isVisible() && main_form->isEnabled());
        QCOMPARE(headcount(), before - 1);
        QVERIFY(!DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));

        // found by the beginning of the name, shown read-only with its history
        openTask("ButtonArchivum");
        QVERIFY(archivum_form->isVisible());
        archivum_form->edit_kereses->setText(name.left(4));
        QVERIFY(column(archivum_form->ds_archiv, u"Név"_s).contains(name));
        QVERIFY(archivum_form->ds_archiv->locate(u"ID"_s, id));
        const QString shown = archivum_form->m_adatok->toPlainText();
        QVERIFY(shown.contains(u"Külföldre költözött."_s) && shown.contains(u"egyéb"_s));
        QVERIFY(shown.contains(u"Osztálytörténet"_s) && shown.contains(u"kilépés"_s));
        // the data sheet, the archive waiting behind it, and "Éves ügyintézés" behind both
        archivum_form->Button2->click();
        QVERIFY(dokumentumok_form->isVisible() && archivum_form->isVisible() && !archivum_form->isEnabled());
        QCOMPARE(dokumentumok_form->rb_tanulo->text(), u"A kilépett tanuló: "_s + name);
        QCOMPARE(dokumentumok_form->combo_sablon->currentData().toString(), u"02_tanuloi_adatlap.html"_s);
        dokumentumok_form->close();
        QVERIFY(archivum_form->isEnabled() && !main_form->isEnabled());
        archivum_form->close();
        QVERIFY(evi_ugyek_form->isEnabled() && !main_form->isEnabled());
        evi_ugyek_form->close();
        QVERIFY(main_form->isEnabled());
        openTask("ButtonArchivum");
        archivum_form->edit_kereses->setText(u"Nincs ilyen nevű"_s);
        QCOMPARE(archivum_form->ds_archiv->rowCount(), 0);

        // back into a class of the office's choosing
        archivum_form->edit_kereses->setText(name);
        QVERIFY(archivum_form->ds_archiv->locate(u"ID"_s, id));
        archivum_form->combo_osztaly->setCurrentIndex(0);
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QVERIFY(archivum_form->Button1Click());
        QCOMPARE(count(u"select osztaly_ID from table_diak where id = :id"_s, {id}),
                 archivum_form->combo_osztaly->chosenId());
        QCOMPARE(headcount(), before);
        QVERIFY(!column(archivum_form->ds_archiv, u"ID"_s).contains(QString::number(id)));
        archivum_form->close();
        evi_ugyek_form->close();
        QVERIFY(main_form->isEnabled());

        // the log shows all of it for that student
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));
        triggerStudentMenu(u"Változásnapló…"_s);
        QVERIFY(naplo_form->isVisible());
        QStringList done;
        for (const QString& line : column(naplo_form->ds_naplo, u"Esemény"_s))
            done << line.section(u':', 0, 0);
        QCOMPARE(done, QStringList({u"Felvétel"_s, u"Kilépés"_s, u"Visszavétel"_s}));
        naplo_form->close();
    }

    void theYearEndMovePreviewedDoneAndUndone() {
        const int students = count(u"select count(*) from table_diak"_s);
        openTask("ButtonTanevvaltas");
        Ttanevvaltas_form* f = tanevvaltas_form;
        QVERIFY(f->isVisible());
        QCOMPARE(f->spin_vegzos->value(), 12);
        QCOMPARE(f->edit_uj_tanev->text(), u"2027"_s);
        QCOMPARE(f->label_uj_tanev2->text(), u"/ 2028"_s);
        QCOMPARE(column(f->ds_osztalyok, u"Jövőre"_s).filter(u"végzett"_s).size(), 4);
        QVERIFY(column(f->ds_osztalyok, u"Jövőre"_s).contains(u"10.a"_s));

        // one student of the first class repeats the year
        f->ds_osztalyok->setCurrentRow(0);
        f->ds_diakok->setCurrentRow(0);
        const int repeater = f->ds_diakok->value(0, u"ID"_s).toInt();
        QVERIFY(f->jelol(u'I'));
        QVERIFY(f->ds_diakok->locate(u"ID"_s, repeater));
        QVERIFY(f->ds_diakok->value(f->ds_diakok->currentRow(), u"Jövőre"_s)
                    .toString()
                    .startsWith(u"évismétlő"_s));

        // a year that is not a year does nothing
        f->edit_uj_tanev->setText(u"27"_s);
        QVERIFY(!f->Button4Click());
        QVERIFY(lastText().contains(u"négy számjegy"_s));
        f->edit_uj_tanev->setText(u"2027"_s);

        // in the middle of the year the move warns, naming the date, and "Nem" is the default;
        // at the year's end it only asks
        const QString today = f->edit_datum->text();
        struct Season {
            QString date;
            bool warns;
        };
        for (const Season& s : {Season{u"2026.12.08."_s, true}, Season{u"2026.06.20."_s, false},
                                Season{u"2026.09.01."_s, true}}) {
            f->edit_datum->setText(s.date);
            app_.dialogs.clear();
            QVERIFY(!f->Button4Click()); // answered "Nem"
            QCOMPARE(app_.dialogs.shown.size(), size_t(1));
            QCOMPARE(app_.dialogs.shown[0].text.startsWith(u"Figyelem: a tanévváltás ideje a tanév vége"_s),
                     s.warns);
            QCOMPARE(app_.dialogs.shown[0].text.contains(s.date), s.warns);
            QCOMPARE(app_.dialogs.shown[0].buttons,
                     s.warns ? ui::DialogButtons::YesNoDefaultNo : ui::DialogButtons::YesNo);
            QCOMPARE(count(u"select count(*) from table_diak"_s), students);
        }
        f->edit_datum->setText(today);

        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QVERIFY(f->Button4Click());
        QVERIFY2(lastText().startsWith(u"A tanévváltás megtörtént (2027/2028)."_s), qPrintable(lastText()));
        QVERIFY(f->label_allapot->text().contains(u"Még visszavonható."_s));
        QVERIFY(count(u"select count(*) from table_diak"_s) < students);
        QCOMPARE(f->edit_uj_tanev->text(), u"2028"_s);
        // the year moved into is the program's school year, whatever the date says
        QCOMPARE(main_form->edit_akt_tanev->text() + u'/' + main_form->edit_akt_tanev2->text(),
                 u"2027/2028"_s);
        f->close();
        evi_ugyek_form->close();

        // "Adatok módosítása" with nothing edited is no change: the move can still be undone
        const int saved = count(u"select min(id) from table_diak"_s);
        const qint64 logged = count(u"select gen_id(gen_naplo, 0) from rdb$database"_s);
        DM->dataset_Tanulok.refresh();
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, saved, 1000000));
        main_form->Button1->click();
        QVERIFY(uj_tanulo_Form->isVisible());
        chooseId(uj_tanulo_Form->combo_osztaly,
                 count(u"select osztaly_ID from table_diak where id = :id"_s, {saved}));
        chooseId(uj_tanulo_Form->combo_nyelv,
                 count(u"select tanult_nyelv_ID from table_diak where id = :id"_s, {saved}));
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        uj_tanulo_Form->Button1->click();
        QVERIFY2(lastText().contains(u"sikeresen megtörtént"_s), qPrintable(lastText()));
        tanev::naploOsszevon(DM->dbTanulo);
        QCOMPARE(count(u"select count(*) from table_naplo where id > :l"_s, {logged}), 0);

        openTask("ButtonTanevvaltas");
        QVERIFY(f->label_allapot->text().contains(u"Még visszavonható."_s));
        QVERIFY(f->Button5->isEnabled());
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        f->Button5->click();
        QCOMPARE(count(u"select count(*) from table_diak"_s), students);
        QVERIFY(f->label_allapot->text().startsWith(u"Tanévváltás még nem történt"_s));
        QVERIFY(!f->Button5->isEnabled());
        const int byDate = tanev::datumSzerint(QDate::currentDate());
        QCOMPARE(main_form->edit_akt_tanev->text(), QString::number(byDate));
        QCOMPARE(count(u"select count(*) from table_tv_jeloles where diak_id = :id"_s, {repeater}), 1);
        f->close();
        evi_ugyek_form->close();
        QVERIFY(main_form->isEnabled());
    }

    // A registry moved into a school year long ended: the program keeps to that year and
    // says once, at start-up, that the move is due.
    void aMoveLongDueIsToldAtStartUp() {
        app_.stop();
        const TestDatabase late = createDatabase(u"schoolyear-late"_s);
        OtherCopy(late.connectionString)
            .run(
                u"insert into table_tanevvaltas (uj_tanev, aktiv_tanev, vegzos_evfolyam) values (2020, 2020, 12)"_s);
        QVERIFY(app_.startWithSrc(u"schoolyear-late"_s, late.connectionString + u'\n'));
        QCOMPARE(app_.dialogs.texts().filter(u"A nyilvántartás még a 2020/2021. tanévben van"_s).size(), 1);
        QCOMPARE(main_form->edit_akt_tanev->text() + u'/' + main_form->edit_akt_tanev2->text(),
                 u"2020/2021"_s);
    }
};

QTEST_MAIN(SchoolYearTest)
#include "test_schoolyear.moc"
