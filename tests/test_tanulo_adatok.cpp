// "További adatok": the rest of a student's record through its window, from the student
// list and after a registration; the checks as typed; the log of each field; the archive
// round trip keeping them.
#include <QMenu>
#include <QtTest>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Transaction.h"
#include "documents/Documents.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "students/TanuloAdatok.h"
#include "students/tanulo_adatok__form.h"
#include "students/uj_tanulo__form.h"

using namespace testing;
using namespace Qt::StringLiterals;

namespace {

// Typed key by key where the test keyboard has the keys, else inserted as a paste would.
void type(QLineEdit* edit, const QString& text) {
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 128;
    if (ascii)
        type(edit, text);
    else
        edit->insert(text);
}

} // namespace

class TanuloAdatokTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;
    Ttanulo_adatok_form*& f = tanulo_adatok_form;

    OtherCopy other() { return OtherCopy(app_.db.connectionString); }
    QString lastText() const {
        return app_.dialogs.shown.empty() ? QString() : app_.dialogs.shown.back().text;
    }
    // Opens the window for a student from the list's context menu.
    void openFor(int id) {
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));
        triggerStudentMenu(u"További adatok…"_s);
        QVERIFY(f->isVisible() && !main_form->isEnabled());
    }
    int studentOf(int nth) {
        return other().first(u"select id from table_diak order by id rows %1 to %1"_s.arg(nth)).toInt();
    }
    // The fields logged for the student since the mark: "field:old>new", in field order.
    QStringList logged(const QString& table, qint64 mark, int id) {
        tanev::naploOsszevon(DM->dbTanulo);
        if (table == u"table_naplo"_s)
            return other().all(
                u"select m.mezo || ':' || coalesce(m.regi, '') || '>' || coalesce(m.uj, '') from "
                "table_naplo n join table_naplo_mezo m on m.naplo_id = n.id where n.id > :m and "
                "n.diak_id = :d order by m.mezo"_s,
                {mark, id});
        return other().all(u"select mezo || ':' || coalesce(regi, '') || '>' || coalesce(uj, '') from "
                           "table_naplo_bizalmas where id > :m and diak_id = :d order by mezo"_s,
                           {mark, id});
    }
    // A known start, whatever the demo school gave the student.
    void reset(int id) {
        other().run(u"update table_diak_adat set nem = null, iranyitoszam = null, allampolgarsag = 'magyar', "
                    u"jogviszony_kezdete = null, egyeni_munkarend = 0, bejaro = 0, kollegista = 0, "
                    u"gondviselo_irsz = null, gondviselo_email = null where diak_id = :d"_s,
                    {id});
        other().run(u"delete from table_diak_bizalmas where diak_id = :d"_s, {id});
    }
    qint64 mark(const QString& sql) { return other().first(sql).toLongLong(); }

  private slots:
    void initTestCase() { QVERIFY(app_.start(u"tanulo_adatok"_s, {u"--demo"_s})); }
    void cleanupTestCase() { app_.stop(); }
    void cleanup() {
        if (f->isVisible()) f->close();
        app_.dialogs.clear();
    }

    void windowIsLaidOut() {
        openFor(studentOf(1));
        const QString problem = layoutProblem(f);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // Every field typed and ticked, saved by the button, read back the same, each change
    // logged field by field (the statuses in their own log); a save of nothing logs nothing.
    void everyFieldThroughTheWindow() {
        const int id = studentOf(2);
        reset(id);
        const qint64 logMark = mark(u"select gen_id(gen_naplo, 0) from rdb$database"_s);
        const qint64 secretMark = mark(u"select coalesce(max(id), 0) from table_naplo_bizalmas"_s);
        openFor(id);
        QCOMPARE(f->edit_allampolgarsag->text(), u"magyar"_s);
        f->combo_nem->setCurrentIndex(f->combo_nem->findText(u"lány"_s));
        type(f->edit_irsz, u"6720"_s);
        f->edit_allampolgarsag->clear();
        type(f->edit_allampolgarsag, u"magyar, román"_s);
        f->edit_kezdete->clear();
        type(f->edit_kezdete, u"2023.09.01."_s);
        f->check_egyeni->click();
        f->check_bejaro->click();
        f->check_kollegista->click();
        type(f->edit_g_irsz, u"6721"_s);
        type(f->edit_g_email, u"szulo@example.hu"_s);
        f->btmn.van->click();
        type(f->btmn.kelte, u"2024.02.10."_s);
        type(f->btmn.ervenyes, u"2027.02.10."_s);
        f->hhh.van->click();
        type(f->hhh.kelte, u"2025.05.05."_s);
        QCOMPARE(f->label_hiba->text(), QString());
        f->Button1->click();
        QVERIFY2(!f->isVisible(), qPrintable(lastText()));
        QVERIFY(lastText().endsWith(u"további adatai elmentve."_s));

        QCOMPARE(
            other().all(u"select nem, iranyitoszam, allampolgarsag, jogviszony_kezdete, egyeni_munkarend, "
                        "bejaro, kollegista, gondviselo_irsz, gondviselo_email from table_diak_adat where "
                        "diak_id = :d"_s,
                        {id}),
            QStringList{u"L|6720|magyar, román|2023-09-01|1|1|1|6721|szulo@example.hu"_s});
        QCOMPARE(other().all(u"select sni, btmn, btmn_kelte, btmn_ervenyes, hh, hhh, hhh_kelte, "
                             "coalesce(hhh_ervenyes, '-') from table_diak_bizalmas where diak_id = :d"_s,
                             {id}),
                 QStringList{u"0|1|2024-02-10|2027-02-10|0|1|2025-05-05|-"_s});
        QCOMPARE(
            logged(u"table_naplo"_s, logMark, id),
            (QStringList{u"allampolgarsag:magyar>magyar, román"_s, u"bejaro:nem>igen"_s,
                         u"egyeni_munkarend:nem>igen"_s, u"gondviselo_email:>szulo@example.hu"_s,
                         u"gondviselo_irsz:>6721"_s, u"iranyitoszam:>6720"_s,
                         u"jogviszony_kezdete:>2023-09-01"_s, u"kollegista:nem>igen"_s, u"nem:>lány"_s}));
        QCOMPARE(logged(u"table_naplo_bizalmas"_s, secretMark, id),
                 (QStringList{u"btmn:nem>igen"_s, u"btmn_ervenyes:>2027-02-10"_s, u"btmn_kelte:>2024-02-10"_s,
                              u"hhh:nem>igen"_s, u"hhh_kelte:>2025-05-05"_s}));
        // the sensitive values never reach the shared log
        QCOMPARE(
            other()
                .first(
                    u"select count(*) from table_naplo_mezo m join table_naplo n on n.id = m.naplo_id "
                    "where n.diak_id = :d and (m.mezo starting with 'btmn' or m.mezo starting with 'hh')"_s,
                    {id})
                .toInt(),
            0);

        // opened again: everything as saved; saved unchanged: nothing logged
        openFor(id);
        QCOMPARE(f->combo_nem->currentText(), u"lány"_s);
        QCOMPARE(f->edit_kezdete->text(), u"2023.09.01."_s);
        QVERIFY(f->btmn.van->isChecked() && f->hhh.van->isChecked() && !f->sni.van->isChecked());
        QCOMPARE(f->hhh.kelte->text(), u"2025.05.05."_s);
        const qint64 again = mark(u"select gen_id(gen_naplo, 0) from rdb$database"_s);
        f->Button1->click();
        QVERIFY(!f->isVisible());
        QCOMPARE(logged(u"table_naplo"_s, again, id), QStringList());
    }

    // The data sheet shows them, the statuses with their dates.
    void dataSheetShowsThem() {
        const int id = studentOf(2);
        db::Transaction tr(DM->dbTanulo); // reading the statuses is recorded
        tr.start();
        const QHash<QString, QString> f = documents::studentFields(tr, id);
        tr.commit();
        const std::pair<const char*, QString> expected[] = {
            {"nem", u"lány"_s},
            {"iranyitoszam", u"6720"_s},
            {"allampolgarsag", u"magyar, román"_s},
            {"jogviszony_kezdete", u"2023.09.01."_s},
            {"bejaro", u"igen"_s},
            {"gondviselo_email", u"szulo@example.hu"_s},
            {"sajatos_helyzet",
             u"BTMN (határozat: 2024.02.10., érvényes: 2027.02.10.); HHH (határozat: 2025.05.05.)"_s}};
        for (const auto& [key, value] : expected)
            QCOMPARE(f.value(QString::fromLatin1(key)), value);
        // the log on it names the new fields in Hungarian, never the statuses
        const QString log = f.value(u"valtozasnaplo"_s);
        QVERIFY2(log.contains(u"Neme"_s) && log.contains(u"Irányítószám"_s) &&
                     log.contains(u"Gondviselő e-mail"_s),
                 qPrintable(log));
        QVERIFY(!log.contains(u"btmn"_s) && !log.contains(u"BTMN"_s));
    }

    // Each box checked as typed: the message under the boxes, and the button refuses with it.
    void checkedAsTyped_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("irányítószám")
            << u"edit_irsz"_s << u"67a"_s << u"Az irányítószám négy számjegy: 67a"_s;
        QTest::newRow("gondviselő irsz")
            << u"edit_g_irsz"_s << u"123"_s << u"A gondviselő irányítószáma négy számjegy: 123"_s;
        QTest::newRow("kezdete")
            << u"edit_kezdete"_s << u"2023.02.30."_s
            << u"A jogviszony kezdete nem létező dátum: 2023.02.30. (helyes formátum: ÉÉÉÉ.HH.NN.)"_s;
        QTest::newRow("két @") << u"edit_g_email"_s << u"a@b@c.hu"_s
                               << u"A gondviselő e-mail címe nem megfelelő (egy „@” kell bele): a@b@c.hu"_s;
        QTest::newRow("nincs @")
            << u"edit_g_email"_s << u"szulo.example.hu"_s
            << u"A gondviselő e-mail címe nem megfelelő (egy „@” kell bele): szulo.example.hu"_s;
        QTest::newRow("dátum jelölés nélkül")
            << u"edit_hh_kelte"_s << u"2024.01.01."_s << u"HH: dátum csak megjelölt helyzethez adható meg."_s;
        QTest::newRow("tárolhatatlan")
            << u"edit_allampolgarsag"_s << u"magyar ✓"_s
            << u"Az állampolgárság olyan karaktert tartalmaz, amelyet az adatbázis nem tud tárolni: ✓"_s;
    }
    void checkedAsTyped() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        const int id = studentOf(3);
        reset(id);
        openFor(id);
        auto* edit = f->findChild<QLineEdit*>(box);
        QVERIFY(edit);
        edit->clear();
        type(edit, typed);
        QCOMPARE(f->label_hiba->text(), message);
        f->Button1->click();
        QCOMPARE(lastText(), message);
        QVERIFY(f->isVisible());
        QCOMPARE(other().first(u"select count(*) from table_naplo_fuggo where diak_id = :d"_s, {id}).toInt(),
                 0);
    }

    // SNI and BTMN exclude each other; a status's end cannot come before its decision.
    void statusesTogether() {
        reset(studentOf(3));
        openFor(studentOf(3));
        f->sni.van->click();
        f->btmn.van->click();
        QCOMPARE(f->label_hiba->text(), u"SNI és BTMN egyszerre nem adható meg: a kettő kizárja egymást."_s);
        f->btmn.van->click();
        type(f->sni.kelte, u"2025.03.01."_s);
        type(f->sni.ervenyes, u"2025.02.01."_s);
        QCOMPARE(f->label_hiba->text(),
                 u"SNI: az érvényesség vége nem lehet korábbi a határozat kelténél!"_s);
        f->Button1->click();
        QCOMPARE(lastText(), f->label_hiba->text());
        // the database refuses the pair too, whoever writes
        QVERIFY(other()
                    .all(u"select 1 from rdb$relation_constraints where rdb$constraint_name = "
                         "'CK_DIAK_BIZALMAS_SNI_BTMN'"_s)
                    .size() == 1);
    }

    // The extended compulsory schooling belongs to SNI: it can be ticked only with SNI, goes
    // with it, is saved and logged in the statuses' log, and the database refuses it alone.
    void schoolingExtendedOnlyWithSni() {
        const int id = studentOf(4);
        reset(id);
        const qint64 secretMark = mark(u"select coalesce(max(id), 0) from table_naplo_bizalmas"_s);
        openFor(id);
        QVERIFY(!f->check_sni_hosszabb->isEnabled());
        f->sni.van->click();
        QVERIFY(f->check_sni_hosszabb->isEnabled());
        f->check_sni_hosszabb->click();
        f->sni.van->click();
        QVERIFY(!f->check_sni_hosszabb->isChecked() && !f->check_sni_hosszabb->isEnabled());
        f->sni.van->click();
        f->check_sni_hosszabb->click();
        f->Button1->click();
        QVERIFY(!f->isVisible());
        QCOMPARE(other()
                     .first(u"select sni || sni_hosszabb from table_diak_bizalmas where diak_id = :d"_s, {id})
                     .toString(),
                 u"11"_s);
        QCOMPARE(logged(u"table_naplo_bizalmas"_s, secretMark, id),
                 (QStringList{u"sni:nem>igen"_s, u"sni_hosszabb:nem>igen"_s}));
        openFor(id);
        QVERIFY(f->check_sni_hosszabb->isChecked());
        f->close();
        bool refused = false;
        try {
            other().run(u"update table_diak_bizalmas set sni = 0 where diak_id = :d"_s, {id});
        } catch (const db::Error&) {
            refused = true;
        }
        QVERIFY(refused);
    }

    // Esc closes at once when nothing changed, and asks first when something would be lost.
    void escapeAsksOnlyWhenChanged() {
        const int id = studentOf(5);
        openFor(id);
        QTest::keyClick(f, Qt::Key_Escape);
        QVERIFY(!f->isVisible());
        QVERIFY(app_.dialogs.shown.empty());
        openFor(id);
        f->check_bejaro->click();
        QTest::keyClick(f, Qt::Key_Escape); // answered "Nem": stays
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown.back().window, f);
        QVERIFY(f->isVisible());
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QTest::keyClick(f, Qt::Key_Escape);
        QVERIFY(!f->isVisible() && main_form->isEnabled());
    }

    // After a registration the program offers the window for the new student, enrolled today.
    void offeredAfterRegistration() {
        main_form->Button2->click();
        Tuj_tanulo_Form* u = uj_tanulo_Form;
        QVERIFY(u->isVisible());
        u->e_nev->setText(u"Új Ágota"_s);
        u->e_cim->setText(u"Fő utca 1."_s);
        u->e_varos->setText(u"Szeged"_s);
        u->e_szul_ido->setText(u"2011.04.05."_s);
        u->e_szul_hely->setText(u"Szeged"_s);
        u->e_gond_nev->setText(u"Új Anna"_s);
        u->e_gond_cim->setText(u"Fő utca 1."_s);
        u->combo_nyelv->setCurrentIndex(0);
        u->combo_osztaly->setCurrentIndex(0);
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        u->Button1->click();
        QCOMPARE(app_.dialogs.texts(), (QStringList{u"Új Ágota tanuló az adatbázisba sikeresen felvéve!"_s,
                                                    tanulo_adatok::kKinalas}));
        QVERIFY(!u->isVisible());
        QVERIFY(f->isVisible());
        QCOMPARE(f->label_nev->text(), u"Új Ágota"_s);
        QCOMPARE(f->edit_kezdete->text(), QDate::currentDate().toString(u"yyyy.MM.dd."_s));
        f->combo_nem->setCurrentIndex(f->combo_nem->findText(u"lány"_s));
        f->Button1->click();
        QVERIFY(!f->isVisible() && main_form->isEnabled());
        QCOMPARE(other()
                     .first(u"select a.nem from table_diak_adat a join table_diak d on d.id = a.diak_id "
                            "where d.nev = 'Új Ágota'"_s)
                     .toString(),
                 u"L"_s);
    }

    // A leaver keeps the fields in the archive and brings them back on re-admission; a
    // deleted student takes them along.
    void archiveRoundTrip() {
        const int id = studentOf(4);
        tanulo_adatok::Adatok a;
        a.nem = u"F"_s;
        a.iranyitoszam = u"1111"_s;
        a.kollegista = true;
        a.sni = {true, QDate(2024, 1, 2), QDate(2028, 1, 2)};
        tanulo_adatok::ment(DM->dbTanulo, id, a, true);
        const int classId = other().first(u"select osztaly_ID from table_diak where id = :d"_s, {id}).toInt();
        tanev::kilep(DM->dbTanulo, id, QDate::currentDate(), tanev::Tavozott, QString());
        QCOMPARE(other().first(u"select count(*) from table_diak_archiv where id = :d"_s, {id}).toInt(), 1);
        tanev::visszavesz(DM->dbTanulo, id, classId, tanev::aktualis(DM->dbTanulo, QDate::currentDate()));
        const tanulo_adatok::Adatok back = tanulo_adatok::beolvas(DM->dbTanulo, id, true);
        QCOMPARE(back.nem, a.nem);
        QCOMPARE(back.iranyitoszam, a.iranyitoszam);
        QVERIFY(back.kollegista && back.sni == a.sni);
        other().run(u"delete from table_diak where id = :d"_s, {id});
        for (const QString& table : {u"table_diak_adat"_s, u"table_diak_bizalmas"_s})
            QCOMPARE(other().first(u"select count(*) from %1 where diak_id = :d"_s.arg(table), {id}).toInt(),
                     0);
    }
};

QTEST_MAIN(TanuloAdatokTest)
#include "test_tanulo_adatok.moc"
