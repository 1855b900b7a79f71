// A school year's life on the demo school: the year-end move and its exact undo, leaving and
// coming back, the class history and the log the database keeps of every change.
#include <QtTest>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Transaction.h"
#include "office/Tanev.h"

using namespace testing;

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
            return e.message();
        }
        return {};
    }
    db::Connection& connection() { return DM->dbTanulo; }

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

        // once for a year, even from the other copy's point of view
        QVERIFY(errorOf([&] {
                    tanev::valt(connection(), 2027, 12, QDate(2027, 6, 20));
                }).contains(QStringLiteral("már megtörtént a tanévváltás")));

        const std::optional<tanev::Allapot> a = tanev::utolso(connection());
        QVERIFY(a && a->visszavonhato);
        QCOMPARE(a->ujTanev, 2027);
        tanev::visszavon(connection(), a->id);
        QCOMPARE(snapshot(), before);
        QVERIFY(!tanev::utolso(connection()));
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
            << "update table_diak set diak_tel = '+36 1 234 5678' where id = (select min(id) "
               "from table_diak)"
            << "egy tanuló adatai megváltoztak";
        QTest::newRow("class") << 2028
                               << "update table_osztaly set osztaly_szak = 'informatika' where id = (select "
                                  "min(id) from table_osztaly)"
                               << "egy osztály adatai megváltoztak";
        QTest::newRow("leaver")
            << 2029
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
};

QTEST_MAIN(TanevTest)
#include "test_tanev.moc"
