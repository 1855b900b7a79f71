// A school year's life on the demo school: the year-end move and its exact undo, leaving and
// coming back, the class history and the log the database keeps of every change.
#include <QtTest>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Transaction.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "students/uj_tanulo__form.h"
#include "ui/IdCombo.h"
#include "ui/Nevelo.h"

using namespace testing;
using namespace Qt::StringLiterals;

namespace {

// Every table the move or the undo touches, whole, in a stable order.
const QStringList kTables = {
    QStringLiteral("select * from table_osztaly order by id"),
    QStringLiteral("select * from table_diak order by id"),
    QStringLiteral("select * from table_diak_archiv order by id"),
    QStringLiteral("select * from table_osztaly_targy order by osztaly_id, targy_id"),
    QStringLiteral("select * from table_osztaly_tortenet order by id"),
    QStringLiteral("select * from table_tv_jeloles order by diak_id"),
};

// The first student (by id) of the class of that grade and letter.
const QString kFirstOf =
    QStringLiteral("select min(d.id) from table_diak d join table_osztaly o on o.id = d.osztaly_ID "
                   "where o.osztaly_szam = :szam and o.osztaly_betu = :betu");

} // namespace

class TanevTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

    OtherCopy other() { return OtherCopy(app_.db.connectionString); }
    QList<QStringList> snapshot() {
        OtherCopy o = other();
        QList<QStringList> all;
        for (const QString& sql : kTables)
            all << o.all(sql);
        return all;
    }
    int firstOf(int szam, const QString& betu) { return other().first(kFirstOf, {szam, betu}).toInt(); }
    int count(const QString& sql, const QVariantList& params = {}) {
        return other().first(sql, params).toInt();
    }
    QString errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const db::Error& e) {
            return ui::nevelokKitoltve(e.message()); // as the window shows it
        }
        return {};
    }
    db::Connection& connection() { return DM->dbTanulo; }
    // What the log says of a student's class since the mark: step, class before, class after.
    QStringList classesLogged(qint64 mark, int id) {
        tanev::naploOsszevon(connection());
        return other().all(
            QStringLiteral(
                "select n.muvelet, coalesce(m.regi, ''), coalesce(m.uj, '') from table_naplo n join "
                "table_naplo_mezo m on m.naplo_id = n.id and m.mezo = 'osztaly_ID' where n.id > :m "
                "and n.diak_id = :id order by n.id"),
            {mark, id});
    }
    // The fields of a student's "kilépés" log rows since the mark but the class.
    QStringList leavingLogged(qint64 mark, int id) {
        tanev::naploOsszevon(connection());
        return other().all(
            QStringLiteral("select m.mezo, m.uj from table_naplo n join table_naplo_mezo m on "
                           "m.naplo_id = n.id where n.id > :m and n.diak_id = :id and n.muvelet "
                           "= 'kilépés' and m.mezo <> 'osztaly_ID' order by m.mezo"),
            {mark, id});
    }
    qint64 logMark() {
        return other().first(QStringLiteral("select gen_id(gen_naplo, 0) from rdb$database")).toLongLong();
    }

  private slots:
    void initTestCase() { QVERIFY(app_.start(QStringLiteral("tanev"), {QStringLiteral("--demo")})); }
    void cleanupTestCase() { app_.stop(); }

    void leavingAndComingBackKeepEverything() {
        const int id = firstOf(12, QStringLiteral("b"));
        const QString row = QStringLiteral("select * from table_diak where id = :id");
        const QStringList student = other().all(row, {id});
        const qsizetype history =
            count(QStringLiteral("select count(*) from table_osztaly_tortenet where diak_id = :id"), {id});
        tanev::kilep(connection(), id, QDate(2027, 1, 15), tanev::Egyeb,
                     QStringLiteral("  Külföldre költözött "));
        QCOMPARE(count(QStringLiteral("select count(*) from table_diak where id = :id"), {id}), 0);
        // the archive holds the whole record, column for column, then why and where from
        QCOMPARE(
            other().all(QStringLiteral("select id, nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, "
                                       "sz_szam, diak_tel, anyja_nev, gondviselo_nev, gondviselo_cim, "
                                       "gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, "
                                       "tanult_nyelv_ID, evfolyam from table_diak_archiv where id = :id"),
                        {id}),
            student);
        QCOMPARE(
            other().all(QStringLiteral("select kilepes_datum, kilepes_ok, kilepes_megjegyzes, "
                                       "utolso_osztaly_szam || utolso_osztaly_betu from table_diak_archiv "
                                       "where id = :id"),
                        {id}),
            QStringList{QStringLiteral("2027-01-15|3|Külföldre költözött|12b")});
        QVERIFY(errorOf([&] {
                    tanev::kilep(connection(), id, QDate(2027, 1, 15), tanev::Tavozott, {});
                }).contains(QStringLiteral("nincs a nyilvántartásban")));

        const int otherClass =
            other()
                .first(QStringLiteral("select id from table_osztaly where osztaly_szam = 11 "
                                      "and osztaly_betu = 'a'"))
                .toInt();
        tanev::visszavesz(connection(), id, otherClass, 2026);
        QStringList back = student;
        QStringList cells = back[0].split(QLatin1Char('|'));
        cells[15] = QString::number(otherClass);
        QCOMPARE(other().all(row, {id}), QStringList{cells.join(QLatin1Char('|'))});
        QCOMPARE(count(QStringLiteral("select count(*) from table_diak_archiv where id = :id"), {id}), 0);
        QCOMPARE(other()
                     .all(QStringLiteral("select esemeny, osztaly_szam || osztaly_betu from "
                                         "table_osztaly_tortenet where diak_id = :id order by id"),
                          {id})
                     .mid(history),
                 QStringList({"kilépés|12b", "visszavétel|11a"}));
    }

    // Each reason as the office records it: kept with its code, named alike by the program
    // and the database, the receiving school only for another school; one "kilépés" row.
    void everyLeavingReasonIsKept_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("school");
        QTest::addColumn<QString>("om");
        QTest::addColumn<QString>("kept");
        QTest::newRow("another school") << int(tanev::Tavozott) << " Szegedi Radnóti Gimnázium "
                                        << "031234"
                                        << "2|másik iskolába távozott|Szegedi Radnóti Gimnázium|031234";
        QTest::newRow("another school, unnamed") << int(tanev::Tavozott) << ""
                                                 << ""
                                                 << "2|másik iskolába távozott||";
        QTest::newRow("abroad") << int(tanev::Kulfold) << "Wiener Schule"
                                << "031234"
                                << "4|külföldre távozott||";
        QTest::newRow("end of compulsory schooling") << int(tanev::Tankotelezettseg) << ""
                                                     << ""
                                                     << "5|a tankötelezettség megszűnése után kérésére||";
        QTest::newRow("expelled") << int(tanev::Kizaras) << ""
                                  << ""
                                  << "6|fegyelmi kizárás||";
        QTest::newRow("died") << int(tanev::Elhunyt) << ""
                              << ""
                              << "7|elhunyt||";
        QTest::newRow("graduated") << int(tanev::Vegzett) << ""
                                   << ""
                                   << "1|végzett||";
        QTest::newRow("other") << int(tanev::Egyeb) << ""
                               << ""
                               << "3|egyéb||";
    }
    void everyLeavingReasonIsKept() {
        QFETCH(int, reason);
        QFETCH(QString, school);
        QFETCH(QString, om);
        QFETCH(QString, kept);
        const int id = count(QStringLiteral("select max(id) from table_diak"));
        const qint64 mark = logMark();
        tanev::kilep(connection(), id, QDate::currentDate(), reason, QStringLiteral("megjegyzés"),
                     {school, om});
        QCOMPARE(other().all(QStringLiteral("select kilepes_ok, FN_KILEPES_OKA(kilepes_ok), "
                                            "coalesce(fogado_iskola, ''), coalesce(fogado_om, '') from "
                                            "table_diak_archiv where id = :id"),
                             {id}),
                 QStringList{kept});
        QCOMPARE(kept.section(u'|', 1, 1), tanev::okSzoveg(reason));
        tanev::naploOsszevon(connection());
        QCOMPARE(
            other().all(QStringLiteral("select muvelet from table_naplo where id > :m and diak_id = :id"),
                        {mark, id}),
            QStringList{QStringLiteral("kilépés")});
        const QStringList fields = leavingLogged(mark, id);
        QVERIFY(fields.contains(u"kilepes_datum|"_s + QDate::currentDate().toString(Qt::ISODate)));
        QVERIFY(fields.contains(u"kilepes_ok|"_s + tanev::okSzoveg(reason)));
    }

    // Refused by the database, whoever asks, with a Hungarian message; nothing changes.
    void leavingOutsideTheStudentsTimeOrWithoutReasonIsRefused_data() {
        const int year = tanev::aktualis(connection(), QDate::currentDate());
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("om");
        QTest::addColumn<QString>("message");
        QTest::newRow("before the last history event")
            << QDate::currentDate().addDays(-1) << ""
            << u"A kilépés dátuma nem lehet korábbi a tanuló utolsó osztálytörténeti eseményénél (%1)!"_s.arg(
                   QDate::currentDate().toString(u"yyyy.MM.dd."_s));
        QTest::newRow("after the school year")
            << QDate(year + 1, 9, 1) << ""
            << u"A kilépés dátuma nem lehet későbbi a tanév végénél (%1.08.31.)!"_s.arg(year + 1);
        QTest::newRow("receiving school's id")
            << QDate::currentDate() << "12345"
            << u"A fogadó iskola OM azonosítója hat számjegyből áll (például 035221)."_s;
    }
    void leavingOutsideTheStudentsTimeOrWithoutReasonIsRefused() {
        QFETCH(QDate, date);
        QFETCH(QString, om);
        QFETCH(QString, message);
        const int id = count(QStringLiteral("select max(id) from table_diak"));
        const QList<QStringList> before = snapshot();
        const QString refused = errorOf([&] {
            tanev::kilep(connection(), id, date, tanev::Tavozott, {}, {u"Iskola"_s, om});
        });
        QVERIFY2(refused.contains(u'\\' + message + u'\\'), qPrintable(refused));
        QCOMPARE(snapshot(), before);
        // a leaving mark for the move wants its reason just the same
        QCOMPARE(errorOf([&] { tanev::jelol(connection(), id, u'K'); }), u"Válassza ki a kilépés okát!"_s);
        QVERIFY(errorOf([&] {
                    other().run(u"insert into table_tv_jeloles (diak_id, jeloles) values (:id, 'K')"_s, {id});
                }).contains(u"CK_TV_JELOLES_OK"_s));
    }

    void leavingInputIsCheckedBeforeAnyDatabaseWork_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("message");
        QTest::newRow("ok") << "2027.01.15." << 2 << ""
                            << "";
        QTest::newRow("no date") << " " << 2 << ""
                                 << "A kilépés dátuma nem lehet üres!";
        QTest::newRow("not a date") << "2027.02.30." << 2 << ""
                                    << "A kilépés dátuma nem megfelelő";
        QTest::newRow("no reason") << "2027.01.15." << 0 << ""
                                   << "Válassza ki a kilépés okát!";
        QTest::newRow("other, no note") << "2027.01.15." << 3 << "  "
                                        << "a megjegyzés nem lehet üres";
        QTest::newRow("long note") << "2027.01.15." << 2 << QString(501, u'x') << "legfeljebb 500 karakter";
        QTest::newRow("unstorable") << "2027.01.15." << 3 << "Kijev → Győr"
                                    << "nem tud tárolni: →";
    }
    void leavingInputIsCheckedBeforeAnyDatabaseWork() {
        QFETCH(QString, date);
        QFETCH(int, reason);
        QFETCH(QString, note);
        QFETCH(QString, message);
        const QString got = tanev::kilepesHiba(date, reason, note);
        QVERIFY2(message.isEmpty() ? got.isEmpty() : got.contains(message), qPrintable(got));
    }

    // Written by the database whoever writes: here a script of its own, not the program.
    void theLogHoldsEveryInsertChangeAndDelete() {
        OtherCopy o = other();
        const qint64 from =
            o.first(QStringLiteral("select gen_id(gen_naplo, 0) from rdb$database")).toLongLong();
        o.run(QStringLiteral(
            "insert into table_diak (nev, szul_ido, diak_taj, osztaly_ID) values ('Napló Nóra', "
            "'2011-06-18', '123 456 789', (select min(id) from table_osztaly))"));
        const int id = o.first(QStringLiteral("select id from table_diak where nev = 'Napló Nóra'")).toInt();
        o.run(QStringLiteral("update table_diak set nev = 'Napló Nóra Anna', diak_taj = null, szul_ido = "
                             "szul_ido where id = :id"),
              {id});
        o.run(QStringLiteral("delete from table_diak where id = :id"), {id});
        QCOMPARE(count(QStringLiteral("select count(*) from table_naplo_fuggo where diak_id = :id"), {id}),
                 3);
        tanev::naploOsszevon(connection());
        QCOMPARE(count(QStringLiteral("select count(*) from table_naplo_fuggo")), 0);
        const QStringList log = o.all(
            QStringLiteral("select n.muvelet, m.mezo, coalesce(m.regi, '-'), coalesce(m.uj, '-') from "
                           "table_naplo n join table_naplo_mezo m on m.naplo_id = n.id where n.id > :f and "
                           "n.diak_id = :id and m.mezo in ('nev', 'diak_taj', 'szul_ido', 'evfolyam') "
                           "order by n.mikor, n.id, m.mezo"),
            {from, id});
        QCOMPARE(log, QStringList({"felvétel|diak_taj|-|123 456 789", "felvétel|nev|-|Napló Nóra",
                                   "felvétel|szul_ido|-|2011-06-18", "módosítás|diak_taj|123 456 789|-",
                                   "módosítás|nev|Napló Nóra|Napló Nóra Anna", "törlés|nev|Napló Nóra Anna|-",
                                   "törlés|szul_ido|2011-06-18|-"}));
        // where from: what the server knows of the writer
        QCOMPARE(
            o.all(QStringLiteral("select count(*), min(felhasznalo), min(iif(kliens_cim starting with "
                                 "'127.0.0.1', 1, 0)), min(iif(kliens_folyamat > '', 1, 0)) from table_naplo "
                                 "where id > :f and diak_id = :id"),
                  {from, id}),
            QStringList{QStringLiteral("3|SYSDBA|1|1")});
    }

    // A student with every column filled: one logged field per column, on the way in, at a
    // change of every column, and on the way out.
    void everyColumnIsLogged() {
        OtherCopy o = other();
        const qint64 mark = logMark();
        o.run(QStringLiteral(
            "insert into table_diak (nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, "
            "anyja_nev, gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, "
            "osztaly_ID, "
            "mj, tanult_nyelv_ID, evfolyam) values ('Teljes Tímea', 'Fő utca 1.', 'Szeged', 'Makó', "
            "'2011-02-03', "
            "'123456AB', '+36 1 111 2222', 'Anya Anna', 'Gond Géza', 'Kossuth tér 2.', '+36 1 333 4444', "
            "'111 222 333', '71234567890', 'D1234', (select min(id) from table_osztaly), 'megjegyzés', "
            "(select min(id) from table_nyelv), 2026)"));
        const int id =
            o.first(QStringLiteral("select id from table_diak where nev = 'Teljes Tímea'")).toInt();
        o.run(
            QStringLiteral(
                "update table_diak set nev = 'Teljes Tímár', diak_cim = 'Fő utca 2.', diak_cim_varos = "
                "'Szolnok', szul_hely = 'Hatvan', szul_ido = '2011-02-04', sz_szam = '123456AC', diak_tel = "
                "'+36 1 111 2223', anyja_nev = 'Anya Anikó', gondviselo_nev = 'Gond Gábor', gondviselo_cim "
                "= 'Kossuth tér 3.', gondviselo_tel = '+36 1 333 4445', diak_taj = '111 222 334', diak_OM = "
                "'71234567891', diak_diak = 'D1235', osztaly_ID = (select max(id) from table_osztaly), mj = "
                "'más megjegyzés', tanult_nyelv_ID = (select max(id) from table_nyelv), evfolyam = 2027 "
                "where id = :id"),
            {id});
        o.run(QStringLiteral("delete from table_diak where id = :id"), {id});
        tanev::naploOsszevon(connection());
        QStringList columns = o.all(QStringLiteral(
            "select trim(rdb$field_name) from rdb$relation_fields where rdb$relation_name = 'TABLE_DIAK' and "
            "rdb$field_name <> 'ID'"));
        columns.sort();
        QCOMPARE(columns.size(), 18);
        for (const char* step : {"felvétel", "módosítás", "törlés"}) {
            QStringList logged =
                o.all(QStringLiteral("select upper(m.mezo) from table_naplo n join "
                                     "table_naplo_mezo m on m.naplo_id = n.id where n.id > :m "
                                     "and n.diak_id = :id and n.muvelet = :s"),
                      {mark, id, QString::fromUtf8(step)});
            logged.sort();
            QCOMPARE(logged, columns);
        }
    }

    // A change of class, by whatever writes it, is in the class history as it was then.
    void aChangeOfClassIsInTheHistory() {
        OtherCopy o = other();
        const int id = firstOf(10, QStringLiteral("a"));
        o.run(QStringLiteral(
                  "update table_diak set osztaly_ID = (select id from table_osztaly where osztaly_szam "
                  "= 10 and osztaly_betu = 'c') where id = :id"),
              {id});
        o.run(QStringLiteral("update table_diak set diak_tel = '+36 1 111 1111' where id = :id"), {id});
        QCOMPARE(o.all(QStringLiteral("select first 1 esemeny, osztaly_szam || osztaly_betu from "
                                      "table_osztaly_tortenet where diak_id = :id order by id desc"),
                       {id}),
                 QStringList{QStringLiteral("osztályváltás|10c")});
    }

    void moveAgainstTheDemoSchoolAndItsExactUndo() {
        // before the first move the school year follows the date
        QCOMPARE(tanev::aktualis(connection(), QDate(2027, 6, 20)), 2026);
        QCOMPARE(tanev::aktualis(connection(), QDate(2027, 10, 1)), 2027);
        QCOMPARE(tanev::kovetkezoTanev(connection(), QDate(2027, 6, 20)), 2027);
        QCOMPARE(tanev::vegzosEvfolyam(connection()), 12);
        const int finalRepeater = firstOf(12, QStringLiteral("a"));
        const int repeater = firstOf(10, QStringLiteral("b"));
        const int firstGradeRepeater = firstOf(9, QStringLiteral("c")); // no 8.c: a new 9.c is made
        const int leaver = firstOf(11, QStringLiteral("d"));
        tanev::jelol(connection(), finalRepeater, u'I');
        tanev::jelol(connection(), repeater, u'I');
        tanev::jelol(connection(), firstGradeRepeater, u'I');
        tanev::jelol(connection(), leaver, u'K', tanev::Tavozott, QStringLiteral("Győrbe költözött"));
        const QList<QStringList> before = snapshot();
        const int students = count(QStringLiteral("select count(*) from table_diak"));
        const QString graduates = QStringLiteral(
            "select count(*) from table_diak_archiv where kilepes_ok = 1 and utolso_osztaly_szam = 12");
        const int graduatedBefore = count(graduates);
        const int finals = count(QStringLiteral("select count(*) from table_diak d join table_osztaly o on "
                                                "o.id = d.osztaly_ID where o.osztaly_szam = 12"));
        const int finalSubjects =
            count(QStringLiteral("select count(*) from table_osztaly_targy t join "
                                 "table_osztaly o on o.id = t.osztaly_id where o.osztaly_szam = 12"));
        const int subjects = count(QStringLiteral("select count(*) from table_osztaly_targy"));
        QVERIFY(finalSubjects > 0);

        const qint64 mark = logMark();
        const int graduate = firstOf(12, QStringLiteral("b"));
        const tanev::Eredmeny e = tanev::valt(connection(), 2027, 12, QDate(2027, 6, 20));
        QCOMPARE(e.ismetel, 3);
        QCOMPARE(e.kilepett, finals - 1 + 1);
        QCOMPARE(e.tovabblepett + e.ismetel + e.kilepett, students);

        // classes: 9 to 11 moved up, the 12th gone, a 9.c made for its repeater
        QCOMPARE(other().all(QStringLiteral("select osztaly_szam || '.' || osztaly_betu from table_osztaly "
                                            "order by osztaly_szam, osztaly_betu")),
                 QStringList({"9.c", "10.a", "10.b", "10.c", "10.d", "11.a", "11.b", "11.c", "11.d", "12.a",
                              "12.b", "12.c", "12.d"}));
        const QString classOf =
            QStringLiteral("select o.osztaly_szam || '.' || o.osztaly_betu from table_diak d "
                           "join table_osztaly o on o.id = d.osztaly_ID where d.id = :id");
        QCOMPARE(other().first(classOf, {finalRepeater}).toString(), QStringLiteral("12.a"));
        QCOMPARE(other().first(classOf, {repeater}).toString(), QStringLiteral("10.b"));
        QCOMPARE(other().first(classOf, {firstGradeRepeater}).toString(), QStringLiteral("9.c"));
        QCOMPARE(count(QStringLiteral("select count(*) from table_diak where evfolyam <> 2027")), 0);
        QCOMPARE(count(graduates), graduatedBefore + finals - 1);
        QCOMPARE(other().all(QStringLiteral("select kilepes_ok, kilepes_megjegyzes, utolso_osztaly_szam || "
                                            "utolso_osztaly_betu from table_diak_archiv where id = :id"),
                             {leaver}),
                 QStringList{QStringLiteral("2|Győrbe költözött|11d")});
        QCOMPARE(count(QStringLiteral("select count(*) from table_osztaly_targy")), subjects - finalSubjects);
        QCOMPARE(
            other().all(QStringLiteral("select esemeny, tanev, osztaly_szam || osztaly_betu from "
                                       "table_osztaly_tortenet where diak_id = :id and tanevvaltas_id is "
                                       "not null"),
                        {repeater}),
            QStringList{QStringLiteral("évismétlés|2027|10b")});
        QCOMPARE(count(QStringLiteral("select count(*) from table_tv_jeloles")), 0);

        // the log names each class as it was before and after the step, never an internal name
        QCOMPARE(classesLogged(mark, finalRepeater), QStringList{QStringLiteral("módosítás|12.a|12.a")});
        QCOMPARE(classesLogged(mark, repeater), QStringList{QStringLiteral("módosítás|10.b|10.b")});
        QCOMPARE(classesLogged(mark, firstGradeRepeater), QStringList{QStringLiteral("módosítás|9.c|9.c")});
        QCOMPARE(classesLogged(mark, graduate), QStringList{QStringLiteral("kilépés|12.b|")});
        QCOMPARE(leavingLogged(mark, leaver),
                 QStringList({"kilepes_datum|2027-06-20", "kilepes_megjegyzes|Győrbe költözött",
                              "kilepes_ok|másik iskolába távozott"}));

        // the year moved into, whatever the date, until the next move; told once it ran out
        QCOMPARE(tanev::aktualis(connection(), QDate(2027, 6, 20)), 2027);
        QCOMPARE(tanev::aktualis(connection(), QDate(2029, 3, 1)), 2027);
        QCOMPARE(tanev::kovetkezoTanev(connection(), QDate(2027, 6, 20)), 2028);
        QVERIFY(tanev::elmaradtValtas(connection(), QDate(2028, 8, 31)).isEmpty());
        QVERIFY(tanev::elmaradtValtas(connection(), QDate(2028, 9, 1))
                    .startsWith(u"A nyilvántartás még a 2027/2028. tanévben van"_s));

        // once for a year, even from the other copy's point of view
        QVERIFY(errorOf([&] {
                    tanev::valt(connection(), 2027, 12, QDate(2027, 6, 20));
                }).contains(QStringLiteral("már megtörtént a tanévváltás")));

        const std::optional<tanev::Allapot> a = tanev::utolso(connection());
        QVERIFY(a && a->visszavonhato);
        QCOMPARE(a->ujTanev, 2027);
        const qint64 undoMark = logMark();
        tanev::visszavon(connection(), a->id);
        QCOMPARE(snapshot(), before);
        QVERIFY(!tanev::utolso(connection()));
        QCOMPARE(tanev::aktualis(connection(), QDate(2027, 6, 20)), 2026);
        QVERIFY(tanev::elmaradtValtas(connection(), QDate(2028, 9, 1)).isEmpty());
        QCOMPARE(classesLogged(undoMark, graduate), QStringList{QStringLiteral("felvétel||12.b")});
        QCOMPARE(classesLogged(undoMark, firstGradeRepeater),
                 QStringList{QStringLiteral("módosítás|9.c|9.c")});
        QCOMPARE(classesLogged(undoMark, finalRepeater), QStringList{QStringLiteral("módosítás|12.a|12.a")});
        QCOMPARE(count(QStringLiteral("select count(*) from table_naplo_mezo where mezo = 'osztaly_ID' and "
                                      "(regi containing '~' or uj containing '~')")),
                 0);
    }

    // What the undo puts back refers to a teacher, a subject or a language gone since: the
    // status names it and the undo refuses with the same words, leaving everything as it is;
    // once it is back, both say yes and the undo is exact.
    void undoStatusAndUndoAgreeOnWhatStandsInTheWay_data() {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("removal");
        QTest::addColumn<QString>("restore");
        QTest::addColumn<QString>("reason");
        const QString d12 =
            QStringLiteral("(select id from table_osztaly where osztaly_szam = 12 and osztaly_betu = 'd')");
        QTest::newRow("form teacher")
            << QStringList{"insert into table_tanar (id, nev) values (9001, 'Próba Tanár')",
                           "update table_osztaly set osztalyfonok_id = 9001 where id = " + d12}
            << "execute procedure PRC_TANAR_ELTAVOLITAS(9001)"
            << "insert into table_tanar (id, nev) values (9001, 'Próba Tanár')"
            << "azóta megszűnt Próba Tanár, a 12.d osztályfőnöke";
        QTest::newRow("subject taken from its teacher")
            << QStringList{"insert into table_tanar (id, nev) values (9002, 'Végzős Tanár')",
                           "insert into table_targy (id, targy_nev) values (9002, 'Csillagászat')",
                           "insert into table_tanar_targy (tanar_id, targy_id) values (9002, 9002)",
                           "insert into table_osztaly_targy (osztaly_id, targy_id, tanar_id) select id, "
                           "9002, "
                           "9002 from table_osztaly where id = " +
                               d12}
            << "execute procedure PRC_TARGY_ELVETELE_TANARTOL(9002, 9002)"
            << "insert into table_tanar_targy (tanar_id, targy_id) values (9002, 9002)"
            << "Végzős Tanár azóta nem tanítja a Csillagászat tantárgyat, amelyet a 12.d osztályban "
               "tanított";
        QTest::newRow("language")
            << QStringList{"insert into table_nyelv (id, nyelv_nev) values (9003, 'eszperantó')",
                           "update table_diak set tanult_nyelv_ID = 9003 where id = (select min(id) from "
                           "table_diak where osztaly_ID = " +
                               d12 + ")"}
            << "delete from table_nyelv where id = 9003"
            << "insert into table_nyelv (id, nyelv_nev) values (9003, 'eszperantó')"
            << "azóta megszűnt az eszperantó nyelv, amelyet ";
    }
    void undoStatusAndUndoAgreeOnWhatStandsInTheWay() {
        QFETCH(QStringList, setup);
        QFETCH(QString, removal);
        QFETCH(QString, restore);
        QFETCH(QString, reason);
        for (const QString& sql : setup)
            other().run(sql);
        const QList<QStringList> before = snapshot();
        const int id = tanev::valt(connection(), 2027, 12, QDate(2027, 6, 20)).id;
        other().run(removal);
        std::optional<tanev::Allapot> a = tanev::utolso(connection());
        QVERIFY(a && !a->visszavonhato);
        QVERIFY2(a->miert.contains(reason), qPrintable(a->miert));
        QVERIFY(tanev::allapotSzoveg(a).contains(u"Már nem vonható vissza: "_s + a->miert));
        const QList<QStringList> moved = snapshot();
        const QString refused = errorOf([&] { tanev::visszavon(connection(), id); });
        QVERIFY2(refused.contains(u"már nem vonható vissza: "_s + a->miert), qPrintable(refused));
        QCOMPARE(snapshot(), moved);

        other().run(restore);
        a = tanev::utolso(connection());
        QVERIFY(a && a->visszavonhato);
        tanev::visszavon(connection(), id);
        QCOMPARE(snapshot(), before);
    }

    // A write that changes no value, by whatever writes it, logs nothing and ends no undo.
    void aWriteThatChangesNothingIsNoChange() {
        const QList<QStringList> before = snapshot();
        const int id = tanev::valt(connection(), 2027, 12, QDate(2027, 6, 20)).id;
        const qint64 mark = logMark();
        OtherCopy o = other();
        for (const char* sql : {"update table_diak set nev = nev, mj = mj, szul_ido = szul_ido",
                                "update table_osztaly set osztaly_szak = osztaly_szak",
                                "update table_osztaly_targy set tanar_id = tanar_id",
                                "update table_diak_archiv set kilepes_ok = kilepes_ok, mj = mj"})
            QVERIFY(o.run(QString::fromUtf8(sql)) > 0);
        tanev::naploOsszevon(connection());
        QCOMPARE(count(QStringLiteral("select count(*) from table_naplo where id > :m"), {mark}), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from table_valtozas_jel where id > :m"), {mark}), 0);
        QVERIFY(tanev::utolso(connection())->visszavonhato);
        tanev::visszavon(connection(), id);
        QCOMPARE(snapshot(), before);
    }

    // The last step of the move fails: everything before it is undone with it.
    void aFailureInTheMiddleLeavesNothingChanged() {
        OtherCopy o = other();
        o.run(QStringLiteral("create trigger trg_teszt_hiba for table_tanevvaltas before update as begin "
                             "exception ex_korvana '\\Teszthiba\\'; end"));
        const QList<QStringList> before = snapshot();
        const int moves = count(QStringLiteral("select count(*) from table_tanevvaltas"));
        QVERIFY(errorOf([&] {
                    tanev::valt(connection(), 2027, 12, QDate(2027, 6, 20));
                }).contains(QStringLiteral("Teszthiba")));
        o.run(QStringLiteral("drop trigger trg_teszt_hiba"));
        QCOMPARE(snapshot(), before);
        QCOMPARE(count(QStringLiteral("select count(*) from table_tanevvaltas")), moves);
    }

    // Another copy holding a change to the registry, or running a move itself.
    void twoCopiesCannotMoveAtOnce() {
        const QList<QStringList> before = snapshot();
        OtherCopy o = other();
        o.exec(QStringLiteral("update table_diak set nev = nev where id = (select min(id) from table_diak)"));
        QVERIFY(errorOf([&] {
                    tanev::valt(connection(), 2030, 12, QDate(2030, 6, 20));
                }).contains(QStringLiteral("egy másik munkaállomás")));
        o.rollback();

        db::Connection second;
        attach(second, app_.db.connectionString);
        db::Transaction moving(second);
        moving.setReserving({"TABLE_DIAK", "TABLE_OSZTALY"});
        moving.start();
        QVERIFY(errorOf([&] {
                    tanev::valt(connection(), 2030, 12, QDate(2030, 6, 20));
                }).contains(QStringLiteral("egy másik munkaállomás")));
        moving.rollback();
        QCOMPARE(snapshot(), before);
    }

    void undoRefusedOnceAnythingChangedAfterTheMove_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("reason");
        QTest::newRow("student")
            << 2027
            << "update table_diak set nev = 'Javított Jolán' where id = (select min(id) from table_diak)"
            << "azóta egy tanuló adatai megváltoztak: Javított Jolán (módosítás)";
        QTest::newRow("class subjects")
            << 2028
            << "delete from table_osztaly_targy where osztaly_id = (select min(osztaly_id) from "
               "table_osztaly_targy) and targy_id = (select min(targy_id) from table_osztaly_targy where "
               "osztaly_id = (select min(osztaly_id) from table_osztaly_targy))"
            << "egy osztály tantárgyai megváltoztak";
        QTest::newRow("class")
            << 2029
            << "update table_osztaly set osztaly_szak = 'informatika (javítva)' where id = "
               "(select min(id) from table_osztaly)"
            << "egy osztály adatai megváltoztak";
        QTest::newRow("leaver")
            << 2030
            << "update table_diak_archiv set kilepes_megjegyzes = 'javítva' where id = (select "
               "min(id) from table_diak_archiv)"
            << "archívuma megváltozott";
    }
    void undoRefusedOnceAnythingChangedAfterTheMove() {
        QFETCH(int, year);
        QFETCH(QString, change);
        QFETCH(QString, reason);
        tanev::valt(connection(), year, 12, QDate(year, 6, 20));
        QVERIFY(tanev::utolso(connection())->visszavonhato);
        QCOMPARE(other().run(change), 1);
        const std::optional<tanev::Allapot> a = tanev::utolso(connection());
        QVERIFY(a && !a->visszavonhato);
        QVERIFY2(a->miert.contains(reason), qPrintable(a->miert));
        const QList<QStringList> before = snapshot();
        QVERIFY(errorOf([&] {
                    tanev::visszavon(connection(), a->id);
                }).contains(QStringLiteral("már nem vonható vissza")));
        QCOMPARE(snapshot(), before);
    }

    // Another copy moves the registry: this one takes the year from the move's event; a
    // new student's window opened before the move follows it before storing anything; the
    // database refuses the year left behind; the undo names who changed since.
    void aCopyOpenThroughAMoveFollowsTheRegistry() {
        main_form->akt_tanev();
        const int year = main_form->edit_akt_tanev->text().toInt();
        other().run(u"insert into table_osztaly (osztaly_szam, osztaly_betu) values (9, 'z')"_s);
        main_form->Button2->click();
        Tuj_tanulo_Form* f = uj_tanulo_Form;
        QVERIFY(f->isVisible());
        fillNewStudent(f, u"Késő Kamilla"_s);
        // a class of the first grade: after the move it is there still, a grade up
        const int classId = other().first(u"select id from table_osztaly where osztaly_betu = 'z'"_s).toInt();
        for (int i = 0; i < f->combo_osztaly->count(); ++i)
            if (ui::itemId(f->combo_osztaly->itemText(i)) == classId) f->combo_osztaly->setCurrentIndex(i);

        db::Connection second;
        attach(second, app_.db.connectionString);
        tanev::valt(second, year + 1, 12, QDate(year + 1, 6, 20));
        QTRY_COMPARE(main_form->edit_akt_tanev->text(), QString::number(year + 1));

        const qsizetype shown = app_.dialogs.shown.size();
        f->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), shown + 1);
        QCOMPARE(app_.dialogs.shown.back().title, u"Figyelmeztetés"_s);
        QCOMPARE(app_.dialogs.shown.back().text,
                 u"A nyilvántartás időközben a %1/%2. tanévbe lépett (tanévváltás egy másik gépen).\r\rA "
                 "tanuló ebbe a tanévbe kerül, az osztályok is továbbléptek. Ellenőrizze az osztályt, "
                 "majd mentse újra."_s.arg(year + 1)
                     .arg(year + 2));
        QCOMPARE(f->edit_akt_tanev->text(), QString::number(year + 1));
        QCOMPARE(ui::itemId(f->combo_osztaly->currentText()), classId);
        const QString stored = u"select evfolyam from table_diak where nev = 'Késő Kamilla'"_s;
        QCOMPARE(count(u"select count(*) from table_diak where nev = 'Késő Kamilla'"_s), 0);
        f->Button1->click();
        QCOMPARE(count(stored), year + 1);
        f->close();

        const std::optional<tanev::Allapot> a = tanev::utolso(connection());
        QVERIFY(a && !a->visszavonhato);
        QCOMPARE(a->miert, u"azóta egy tanuló adatai megváltoztak: Késő Kamilla (felvétel)"_s);

        // a copy that missed the event still cannot store the year left behind; a later one
        // is the office registering ahead
        const QString insert = u"insert into table_diak (nev, osztaly_ID, evfolyam) select first 1 "
                               "'Régi Réka', id, :y from table_osztaly"_s;
        QVERIFY(errorOf([&] { other().run(insert, {year}); })
                    .contains(u"A nyilvántartás már a %1/%2. tanévben van: tanuló nem vehető fel a "
                              "%3/%1. tanévre."_s.arg(year + 1)
                                  .arg(year + 2)
                                  .arg(year)));
        QCOMPARE(other().run(insert, {year + 2}), 1);
    }
};

QTEST_MAIN(TanevTest)
#include "test_tanev.moc"
