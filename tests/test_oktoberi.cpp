// The October statistics through the queries window, against a school made by hand with
// students arriving and leaving on both sides of 1 October; every count worked out by hand.
// Then the counts the database keeps for it, after every kind of write, against the same
// statistics counted the long way, reading every student, on days on both sides of each change.
#include <QtTest>

#include <QProcess>
#include <functional>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "data/Oktoberi.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "import/Sorszabaly.h"
#include "import/Tarolas.h"
#include "main/main__form.h"
#include "queries/Lekerdezes.h"
#include "queries/lekerdezesek__form.h"

using namespace testing;
using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"Októberi statisztika (október 1-jei állapot)"_s;

// The school on 1 October 2025. Each student: id, sex (- none), enrolment start (- none),
// citizenship, flags (e: individual schedule, b: commuter, k: boarder), statuses as
// "NAME from..until", the class history as "date:grade" and, for a leaver, date and reason.
struct Student {
    int id;
    const char* nem;
    const char* kezdete;
    const char* allampolgarsag;
    const char* jelzok;
    QStringList statuszok;
    QStringList tortenet;
    const char* kilepes = nullptr;
    int ok = 0;
};
const Student kSchool[] = {
    // grade 10 on the day (moved up in June), SNI since before it: counted
    {9001,
     "L",
     "2024-09-01",
     "magyar",
     "b",
     {u"sni 2024-01-01.."_s},
     {u"2024-09-01:9"_s, u"2025-06-20:10"_s}},
    // BTMN decided the day after, HH ended the day before: neither counts
    {9002,
     "F",
     "2025-09-01",
     "magyar",
     "k",
     {u"btmn 2025-10-02.."_s, u"hh 2025-01-01..2025-09-30"_s},
     {u"2025-09-01:9"_s}},
    // no sex, no enrolment date (there before the program), moved to grade 10 after the day: grade 9
    {9003, "-", "-", "román", "", {u"hhh 2025-03-01..2026-03-01"_s}, {u"2025-09-01:9"_s, u"2025-11-15:10"_s}},
    // enrolled the day after: not counted
    {9004, "L", "2025-10-02", "magyar", "", {}, {u"2025-10-02:9"_s}},
    // enrolled on the day, two citizenships one of them Hungarian: counted, not foreign
    {9005, "L", "2025-10-01", "magyar, német", "e", {}, {u"2025-10-01:10"_s}},
    // left after the day: counted in grade 10, not among the year's leavers
    {9006, "L", "2023-09-01", "magyar", "", {}, {u"2023-09-01:9"_s, u"2024-06-20:10"_s}, "2025-10-15", 2},
    // left before the day, within the year: a leaver, not counted
    {9007, "F", "2023-09-01", "magyar", "", {}, {u"2023-09-01:9"_s}, "2025-09-15", 2},
    {9008, "L", "2021-09-01", "magyar", "", {}, {u"2021-09-01:9"_s}, "2025-06-15", 1},
    // left on the day: not counted, a leaver of this year
    {9011, "-", "2022-09-01", "magyar", "", {}, {u"2022-09-01:9"_s}, "2025-10-01", 4},
    // left on the day a year before and earlier: last year's leavers
    {9010, "F", "2022-09-01", "magyar", "", {}, {u"2022-09-01:9"_s}, "2024-10-01", 2},
    {9009, "F", "2022-09-01", "magyar", "", {}, {u"2022-09-01:9"_s}, "2024-09-30", 2},
};
// What the statistics show for it: row label, students, girls, sex not recorded, then each
// of SNI, BTMN, HH, HHH, foreign, individual schedule, commuter, boarder with its girls.
const QStringList kExpected = {
    u"9. évfolyam|2|0|1|0|0|0|0|1|0|1|0|1|0|0|0|0|0|1|0"_s,
    u"10. évfolyam|3|3|0|1|1|0|0|0|0|0|0|0|0|1|1|1|1|0|0"_s,
    u"kilépett: végzett|1|1|0||||||||||||||||"_s,
    u"kilépett: másik iskolába távozott|1|0|0||||||||||||||||"_s,
    u"kilépett: külföldre távozott|1|0|1||||||||||||||||"_s,
};

QVariant sqlValue(const char* text) {
    return QString::fromUtf8(text) == u"-"_s ? QVariant() : QVariant(QString::fromUtf8(text));
}

void build(OtherCopy& db) {
    db.run(u"delete from table_diak"_s);
    db.run(u"delete from table_diak_archiv"_s);
    for (const Student& s : kSchool) {
        const QString name = u"Kézi Tanuló %1"_s.arg(s.id);
        const int now = s.tortenet.last().section(u':', 1).toInt(); // the grade the history ends in
        if (s.kilepes) {
            db.run(u"insert into table_diak_archiv (id, nev, kilepes_datum, kilepes_ok, utolso_osztaly_szam, "
                   u"utolso_osztaly_betu) values (:i, :n, :k, :o, :g, 'a')"_s,
                   {s.id, name, QString::fromLatin1(s.kilepes), s.ok, now});
            db.run(u"insert into table_diak_adat (diak_id) values (:i)"_s, {s.id});
        } else {
            db.run(u"insert into table_diak (id, nev, osztaly_ID) values (:i, :n, (select min(id) from "
                   u"table_osztaly where osztaly_szam = :g))"_s,
                   {s.id, name, now});
        }
        const QString jelzok = QString::fromLatin1(s.jelzok);
        db.run(u"update table_diak_adat set nem = :n, jogviszony_kezdete = :k, allampolgarsag = :a, "
               "egyeni_munkarend = :e, bejaro = :b, kollegista = :ko where diak_id = :i"_s,
               {sqlValue(s.nem), sqlValue(s.kezdete), QString::fromUtf8(s.allampolgarsag),
                int(jelzok.contains(u'e')), int(jelzok.contains(u'b')), int(jelzok.contains(u'k')), s.id});
        for (const QString& st : s.statuszok) {
            const QString what = st.section(u' ', 0, 0);
            const QString from = st.section(u' ', 1).section(u".."_s, 0, 0);
            const QString until = st.section(u".."_s, 1);
            db.run(u"update or insert into table_diak_bizalmas (diak_id, %1, %1_kelte, %1_ervenyes) "
                   "values (:i, 1, :k, :e) matching (diak_id)"_s.arg(what),
                   {s.id, from, until.isEmpty() ? QVariant() : QVariant(until)});
        }
        // as the program writes it: the enrolment, the moves, the leaving
        db.run(u"delete from table_osztaly_tortenet where diak_id = :i"_s, {s.id});
        QStringList rows = s.tortenet;
        if (s.kilepes) rows << QString::fromLatin1(s.kilepes) + u':' + QString::number(now);
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QString event = i == 0                              ? u"beiratkozás"_s
                                  : s.kilepes && i == rows.size() - 1 ? u"kilépés"_s
                                                                      : u"tanévváltás"_s;
            db.run(
                u"insert into table_osztaly_tortenet (diak_id, osztaly_szam, osztaly_betu, esemeny, mikor) "
                "values (:i, :g, 'a', :e, :m)"_s,
                {s.id, rows[i].section(u':', 1).toInt(), event, rows[i].section(u':', 0, 0)});
        }
    }
}

// The statistics of the day counted the long way: every student read, the class history
// looked up for each. What the kept counts must give on any day.
QString recount(const QDate& day) {
    const QString d = u"date '%1'"_s.arg(day.toString(Qt::ISODate));
    const QString after = u"dateadd(1 day to cast(%1 as timestamp))"_s.arg(d);
    auto holds = [&](const QString& what) {
        return u"iif(z.%1 = 1 and coalesce(z.%1_kelte, %2) <= %2 and coalesce(z.%1_ervenyes, %2) >= %2, 1, 0)"_s
            .arg(what, d);
    };
    const QString grade =
        u"iif(exists(select 1 from table_osztaly_tortenet t where t.diak_id = x.id and t.mikor >= %1 and "
        "t.esemeny not in ('beiratkozás', 'nyilvántartásban', 'kilépés', 'végzett')), "
        "coalesce((select first 1 t.osztaly_szam from table_osztaly_tortenet t where t.diak_id = x.id and "
        "t.mikor < %1 order by t.mikor desc), (select first 1 t.osztaly_szam from table_osztaly_tortenet t "
        "where t.diak_id = x.id order by t.mikor)), x.g)"_s.arg(after);
    const QString students =
        u"select %1 g, a.nem, iif(a.nem = 'L', 1, 0) l, %2 s, %3 b, %4 h3, iif(%5 = 1 or %4 = 1, 1, 0) h, "
        "iif(trim(coalesce(a.allampolgarsag, '')) <> '' and position('magyar' in "
        "lower(a.allampolgarsag)) = 0, 1, 0) k, coalesce(a.egyeni_munkarend, 0) e, coalesce(a.bejaro, 0) bj, "
        "coalesce(a.kollegista, 0) ko "
        "from (select d.id, o.osztaly_szam g from table_diak d left join table_osztaly o on o.id = "
        "d.osztaly_ID "
        "union all select id, utolso_osztaly_szam from table_diak_archiv where kilepes_datum > %6) x "
        "left join table_diak_adat a on a.diak_id = x.id left join table_diak_bizalmas z on z.diak_id = x.id "
        "where a.jogviszony_kezdete is null or a.jogviszony_kezdete <= %6"_s.arg(
            grade, holds(u"sni"_s), holds(u"btmn"_s), holds(u"hhh"_s), holds(u"hh"_s), d);
    const QString none = u"cast(null as bigint)"_s;
    QStringList nulls;
    for (int i = 0; i < 16; ++i)
        nulls << none;
    return u"select sor, n, l, nm, s, sl, b, bl, h, hl, h3, h3l, k, kl, e, el, bj, bjl, ko, kol from ("
           "select 0 resz, iif(g is null, 1, 0) rend, g, iif(g is null, 'osztály nélkül', g || '. évfolyam') "
           "sor, "
           "count(*) n, sum(l) l, sum(iif(nem is null, 1, 0)) nm, sum(s) s, sum(s * l) sl, sum(b) b, "
           "sum(b * l) bl, sum(h) h, sum(h * l) hl, sum(h3) h3, sum(h3 * l) h3l, sum(k) k, sum(k * l) kl, "
           "sum(e) e, sum(e * l) el, sum(bj) bj, sum(bj * l) bjl, sum(ko) ko, sum(ko * l) kol "
           "from (%1) group by g "
           "union all select 1, 0, x.kilepes_ok, 'kilépett: ' || FN_KILEPES_OKA(x.kilepes_ok), count(*), "
           "sum(iif(a.nem = 'L', 1, 0)), sum(iif(a.nem is null, 1, 0)), %2 "
           "from table_diak_archiv x left join table_diak_adat a on a.diak_id = x.id "
           "where x.kilepes_datum > dateadd(-1 year to %3) and x.kilepes_datum <= %3 group by x.kilepes_ok) "
           "order by resz, rend, g"_s.arg(students, nulls.join(u", "_s), d);
}

QStringList kept(OtherCopy& db, const QDate& day) {
    return db.all(u"select * from PRC_OKTOBERI_STATISZTIKA(date '%1')"_s.arg(day.toString(Qt::ISODate)));
}

// Days on both sides of every change the tests make, the base day of the counts among them.
QList<QDate> days() {
    QList<QDate> out;
    for (const char* d :
         {"2021-01-01", "2024-02-28", "2024-02-29", "2024-09-30", "2025-02-28", "2024-10-01", "2025-01-01",
          "2025-03-01", "2025-03-02", "2025-06-20", "2025-09-30", "2025-10-01", "2025-10-02", "2025-10-15",
          "2025-11-03", "2025-11-15", "2026-03-02", "2026-10-01", "2027-10-01", "2099-10-01", "2099-10-02"})
        out << QDate::fromString(QString::fromLatin1(d), Qt::ISODate);
    const QDate today = QDate::currentDate();
    out << today.addDays(-1) << today << today.addDays(1);
    return out;
}

// The first day whose kept statistics differ from the recount, with both; empty when none.
QString mismatch(OtherCopy& db) {
    for (const QDate& day : days()) {
        const QStringList k = kept(db, day), r = db.all(recount(day));
        if (k != r)
            return u"%1:\n  kept    %2\n  counted %3"_s.arg(
                day.toString(Qt::ISODate), k.join(u"\n          "_s), r.join(u"\n          "_s));
    }
    return {};
}

void fold(OtherCopy& db) {
    db.run(u"execute procedure PRC_OKTOBERI_OSSZEVONAS(0)"_s);
}

// The kept counts as rows, the base day too: what a write that is undone must leave alone.
QStringList counts(OtherCopy& db) {
    QStringList out;
    for (const char* t : {"table_okt_valtozas_bizalmas", "table_okt_napi_bizalmas", "table_okt_alap_bizalmas",
                          "table_okt_alapnap"})
        out << db.all(u"select * from %1 order by 1, 2, 3"_s.arg(QString::fromLatin1(t)));
    return out;
}

const QString kClassOf = u"(select min(id) from table_osztaly where osztaly_szam = %1)"_s;

// Students through the import's own storing: most in batches, those with further data one
// by one, as a spreadsheet brings them.
void importStudents(db::Connection& connection, int count) {
    intake::Reference reference;
    {
        db::Transaction tr(connection);
        reference.load(connection, tr);
        tr.commit();
    }
    std::vector<intake::Row> rows;
    for (int i = 0; i < count; ++i) {
        intake::Row r;
        r.text[static_cast<size_t>(intake::Field::Nev)] = u"Beolvasott Bea %1"_s.arg(i);
        r.classId = reference.classId(9 + i % 4, u"a"_s);
        r.languageId = reference.languages.begin().value();
        r.year = 2025;
        if (i % 10 == 0) {
            r.vanAdat = r.vanBizalmas = true;
            r.adatok.nem = i % 20 ? u"L"_s : QString();
            r.adatok.kezdete = QDate(2025, 9, 1).addDays(i);
            r.adatok.allampolgarsag = i % 30 ? u"magyar"_s : u"szerb"_s;
            r.adatok.bejaro = true;
            r.adatok.hh = {true, QDate(2025, 3, 1), QDate(2026, 2, 28)};
            r.adatok.hhh = {true, QDate(2025, 9, 15), {}};
        }
        rows.push_back(r);
    }
    QCOMPARE(intake::storeRows(connection, rows, reference), count);
}

// One kind of write on the hand-made school, each in a transaction of its own.
struct Step {
    const char* what;
    std::function<void(OtherCopy&)> write;
};
} // namespace

class OktoberiTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

  private slots:
    void initTestCase() { QVERIFY(app_.start(u"oktoberi"_s, {u"--students"_s, u"3"_s})); }
    void cleanupTestCase() { app_.stop(); }

    // The large demo is written with the per-row triggers off and what they keep built once
    // in bulk: the same school, at a real school's size, as its students registered one by
    // one (create-db's KORVANA_DEMO_SORONKENT=1), and its statistics the recount's.
    void theDemoBuiltInBulkIsTheOneByOneSchool() {
        const QStringList size{u"--students"_s, u"10000"_s};
        const TestDatabase bulk = createDatabase(u"tomeges"_s, size);
        qputenv("KORVANA_DEMO_SORONKENT", "1");
        const TestDatabase oneByOne = createDatabase(u"soronkent"_s, size);
        qunsetenv("KORVANA_DEMO_SORONKENT");
        OtherCopy a(bulk.connectionString), b(oneByOne.connectionString);
        // the long count reads every student: the base day, and days of the school's past
        for (const char* d : {"2025-10-01", "2026-10-01", "2026-06-20"}) {
            const QDate day = QDate::fromString(QString::fromLatin1(d), Qt::ISODate);
            QCOMPARE(kept(a, day), a.all(recount(day)));
        }
        QCOMPARE(
            a.all(u"select sum(valtozas), (select count(*) from table_diak) from table_letszam_valtozas"_s),
            QStringList{u"10000|10000"_s});
        // the leavers' own rows are dated by the clock, the rest by the day
        const QString same[] = {
            u"select diak_id, tanev, osztaly_szam, osztaly_betu, esemeny, iif(esemeny = 'beiratkozás', "
            u"mikor, "
            "cast(cast(mikor as date) as timestamp)), tanevvaltas_id from table_osztaly_tortenet order by diak_id, mikor, id"_s,
            u"select * from table_diak_adat order by diak_id"_s,
            u"select * from table_diak_bizalmas order by diak_id"_s,
            u"select * from table_okt_napi_bizalmas order by fajta, hova, datum"_s,
            u"select * from table_okt_alap_bizalmas order by fajta, hova"_s,
            u"select * from table_okt_alapnap"_s,
            u"select count(*) from table_okt_valtozas_bizalmas"_s,
            u"select n.diak_id, n.muvelet, m.mezo, m.regi, m.uj from table_naplo n join table_naplo_mezo m "
            u"on "
            "m.naplo_id = n.id order by n.diak_id, n.muvelet, m.mezo"_s,
        };
        for (const QString& sql : same)
            QCOMPARE(a.all(sql), b.all(sql));
        for (const QDate& day : days())
            QCOMPARE(kept(a, day), kept(b, day));
    }

    void asOfTheFirstOfOctober() {
        OtherCopy db(app_.db.connectionString);
        build(db);
        const QString folder = DM->programFolder + u"sqls/"_s + queries::kFolder;
        QDir().mkpath(folder);
        QVERIFY(QFile::copy(sourceDir() + u"/sqls/"_s + queries::kFolder + u"09_oktoberi_statisztika.sql"_s,
                            folder + u"09_oktoberi_statisztika.sql"_s));
        main_form->Button7->click();
        Tlekerdezesek_form* f = lekerdezesek_form;
        QVERIFY(f->isVisible());
        const int q = f->combo_lekerdezes->findText(kTitle);
        QVERIFY(q >= 0);
        f->combo_lekerdezes->setCurrentIndex(q);
        emit f->combo_lekerdezes->activated(q);
        // 1 October of the program's school year, or another day typed and entered
        QVERIFY(!f->edit_nap->isHidden() && f->combo_tanev->isHidden());
        QCOMPARE(f->edit_nap->text(), u"%1.10.01."_s.arg(main_form->edit_akt_tanev->text()));
        f->edit_nap->clear();
        QTest::keyClicks(f->edit_nap, u"2025.10.32."_s);
        QTest::keyClick(f->edit_nap, Qt::Key_Return);
        QVERIFY(!f->ds_eredmeny->isOpen());
        QCOMPARE(f->label_sorok->text(),
                 u"A nap nem létező dátum: 2025.10.32. (helyes formátum: ÉÉÉÉ.HH.NN.)"_s);
        f->edit_nap->clear();
        QTest::keyClicks(f->edit_nap, u"2025.10.01."_s);
        QTest::keyClick(f->edit_nap, Qt::Key_Return);
        db::Dataset* list = f->ds_eredmeny;
        QVERIFY(list->isOpen());
        list->fetchAll();
        QStringList shown;
        for (int r = 0; r < list->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < list->columnCount(); ++c)
                row << db::displayText(list->value(r, c));
            shown << row.join(u'|');
        }
        QCOMPARE(shown, kExpected);
        QCOMPARE(list->fieldName(2), u"Ebből lány"_s);
        QVERIFY(app_.dialogs.shown.empty());
        f->Button4->click();
    }

    // The long count is the hand-made school's too: what the kept counts are held to.
    void theRecountGivesTheHandMadeCounts() {
        OtherCopy db(app_.db.connectionString);
        build(db);
        QStringList counted;
        for (const QString& row : db.all(recount(QDate(2025, 10, 1))))
            counted << row.split(u'|').replaceInStrings(u"<null>"_s, QString()).join(u'|');
        QCOMPARE(counted, kExpected);
    }

    // Each kind of write, one after the other, then the counts folded: the statistics stay
    // the recount's on every day. The year-end move renames the classes under the students
    // and moves the base day; its undo moves both back.
    void theCountsFollowEveryKindOfWrite() {
        OtherCopy db(app_.db.connectionString);
        build(db);
        int tanevvaltas = 0;
        const Step steps[] = {
            {"a student enrolled after the day, a girl",
             [](OtherCopy& c) {
                 c.exec(u"insert into table_diak (id, nev, osztaly_ID) values (9101, 'Új Ilona', %1)"_s.arg(
                     kClassOf.arg(9)));
                 c.exec(u"update table_diak_adat set nem = 'L', jogviszony_kezdete = '2025-10-02' "
                        "where diak_id = 9101"_s);
             }},
            {"sex, citizenship and the flags changed",
             [](OtherCopy& c) {
                 c.exec(u"update table_diak_adat set nem = null, allampolgarsag = 'ukrán', egyeni_munkarend "
                        u"= 1, "
                        "bejaro = 0, kollegista = 1 where diak_id = 9001"_s);
                 c.exec(u"update table_diak_adat set nem = 'F', allampolgarsag = 'magyar, ukrán' "
                        "where diak_id = 9003"_s);
             }},
            {"the enrolment date moved past the day",
             [](OtherCopy& c) {
                 c.exec(
                     u"update table_diak_adat set jogviszony_kezdete = '2025-10-20' where diak_id = 9005"_s);
             }},
            {"statuses decided, changed, ended and dropped",
             [](OtherCopy& c) {
                 c.exec(u"update table_diak_bizalmas set sni_kelte = '2025-10-02' where diak_id = 9001"_s);
                 c.exec(
                     u"insert into table_diak_bizalmas (diak_id, hh, hh_kelte, hh_ervenyes, hhh, hhh_kelte) "
                     "values (9005, 1, '2025-03-02', '2025-10-01', 1, '2025-03-01')"_s);
                 c.exec(u"update table_diak_bizalmas set btmn_kelte = '2025-03-01', btmn_ervenyes = "
                        "'2025-09-30' where diak_id = 9002"_s);
                 c.exec(u"delete from table_diak_bizalmas where diak_id = 9003"_s);
                 // HHH within HH, ending first; a status ending before its decision
                 c.exec(u"update table_diak_bizalmas set hh = 1, hh_kelte = '2025-01-01', hh_ervenyes = "
                        "'2026-06-30', hhh = 1, hhh_kelte = '2025-03-01', hhh_ervenyes = '2025-09-30' "
                        "where diak_id = 9001"_s);
                 c.exec(u"insert into table_diak_bizalmas (diak_id, sni, sni_kelte, sni_ervenyes) "
                        "values (9101, 1, '2025-12-01', '2025-11-01')"_s);
             }},
            {"a student left through the program",
             [](OtherCopy& c) { c.exec(u"execute procedure PRC_KILEPES(9002, '2025-11-03', 2, null)"_s); }},
            {"a student without a data row",
             [](OtherCopy& c) { c.exec(u"delete from table_diak_adat where diak_id = 9101"_s); }},
            {"a leaver taken back into another grade",
             [](OtherCopy& c) {
                 c.exec(u"execute procedure PRC_VISSZAVETEL(9006, %1, 2025)"_s.arg(kClassOf.arg(11)));
             }},
            {"a registration's own data row removed and made again in its transaction",
             [](OtherCopy& c) {
                 c.exec(u"insert into table_diak (id, nev, osztaly_ID) values (9102, 'Újra Olga', %1)"_s.arg(
                     kClassOf.arg(10)));
                 c.exec(u"delete from table_diak_adat where diak_id = 9102"_s);
                 c.exec(u"insert into table_diak_adat (diak_id, nem, jogviszony_kezdete) "
                        "values (9102, 'L', '2025-09-15')"_s);
             }},
            {"a student moved to another class",
             [](OtherCopy& c) {
                 c.exec(u"update table_diak set osztaly_ID = %1 where id = 9001"_s.arg(kClassOf.arg(12)));
             }},
            {"a student deleted, a leaver deleted for good",
             [](OtherCopy& c) {
                 c.exec(u"delete from table_diak where id = 9003"_s);
                 c.exec(u"delete from table_diak_archiv where id = 9008"_s);
             }},
            {"a leaving day and reason corrected in the archive",
             [](OtherCopy& c) {
                 c.exec(u"update table_diak_archiv set kilepes_datum = '2025-09-01', kilepes_ok = 5 "
                        "where id = 9007"_s);
             }},
            {"a leaver of 29 February, among the leavers until 28 February a year on",
             [](OtherCopy& c) {
                 c.exec(u"insert into table_diak_archiv (id, nev, kilepes_datum, kilepes_ok, "
                        u"utolso_osztaly_szam) "
                        "values (9401, 'Szökőnapi Szilvia', '2024-02-29', 6, 9)"_s);
             }},
            {"students imported",
             [](OtherCopy& c) {
                 importStudents(DM->dbTanulo, 150);
                 c.commit();
             }},
            {"the year-end move",
             [&](OtherCopy& c) {
                 tanevvaltas =
                     c.first(u"select tanevvaltas_id from PRC_TANEVVALTAS(2098, 12, '2098-06-19')"_s).toInt();
             }},
            {"the year-end move undone",
             [&](OtherCopy& c) {
                 c.exec(u"execute procedure PRC_TANEVVALTAS_VISSZAVONASA(%1)"_s.arg(tanevvaltas));
             }},
        };
        for (const Step& step : steps) {
            step.write(db);
            db.commit();
            QString wrong = mismatch(db);
            QVERIFY2(wrong.isEmpty(), qPrintable(QString::fromUtf8(step.what) + u", unfolded: "_s + wrong));
            fold(db);
            QCOMPARE(db.first(u"select count(*) from table_okt_valtozas_bizalmas"_s).toInt(), 0);
            // the base day follows the program's school year: the move took it along
            QCOMPARE(db.first(u"select count(*) from table_okt_alapnap where nap = "
                              "cast(FN_AKTUALIS_TANEV(current_date) || '-10-01' as date)"_s)
                         .toInt(),
                     1);
            wrong = mismatch(db);
            QVERIFY2(wrong.isEmpty(), qPrintable(QString::fromUtf8(step.what) + u", folded: "_s + wrong));
        }
    }

    // Copies writing at once never wait for each other (nowait would fail them), a fold among
    // them takes only what is committed, a rolled-back copy leaves nothing behind, and a
    // change row another copy holds is not the fold's to add.
    void concurrentWritersMatchTheRecount() {
        const QString c = app_.db.connectionString;
        OtherCopy db(c), a(c), b(c), r(c);
        build(db);
        fold(db);
        a.exec(u"insert into table_diak (id, nev, osztaly_ID) values (9201, 'Egyidejű Ede', %1)"_s.arg(
            kClassOf.arg(10)));
        a.exec(
            u"update table_diak_adat set nem = 'F', jogviszony_kezdete = '2025-09-01' where diak_id = 9201"_s);
        a.exec(u"insert into table_diak_bizalmas (diak_id, sni, sni_kelte) values (9201, 1, '2025-09-01')"_s);
        b.exec(u"update table_diak set osztaly_ID = %1 where id = 9005"_s.arg(kClassOf.arg(10)));
        b.exec(u"update table_diak_bizalmas set hhh_ervenyes = '2025-10-01' where diak_id = 9003"_s);
        r.exec(u"update table_diak_adat set bejaro = 1, nem = 'L' where diak_id = 9003"_s);
        r.exec(u"execute procedure PRC_KILEPES(9001, '2025-10-01', 4, null)"_s);
        fold(db);
        QString wrong = mismatch(db);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        a.commit();
        r.rollback();
        fold(db);
        b.commit();
        wrong = mismatch(db);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

        db.run(u"update table_diak_adat set kollegista = 1 where diak_id = 9201"_s);
        OtherCopy holder(c);
        QCOMPARE(holder.exec(u"delete from table_okt_valtozas_bizalmas where szelet = "
                             "(select max(szelet) from table_okt_valtozas_bizalmas)"_s),
                 1LL);
        fold(db);
        QCOMPARE(db.first(u"select count(*) from table_okt_valtozas_bizalmas"_s).toInt(), 1);
        holder.rollback();
        wrong = mismatch(db);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        fold(db);
        QCOMPARE(db.first(u"select count(*) from table_okt_valtozas_bizalmas"_s).toInt(), 0);
        wrong = mismatch(db);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // A transaction rolled back leaves the counts as they were; one whose savepoint or failed
    // statement is undone keeps only what stays.
    void whatIsUndoneIsNotCounted() {
        OtherCopy w(app_.db.connectionString);
        build(w);
        const QStringList before = counts(w);
        const QString moves[] = {
            u"insert into table_diak (id, nev, osztaly_ID) values (9301, 'Visszavont Vera', %1)"_s.arg(
                kClassOf.arg(9)),
            u"update table_diak_adat set nem = 'L', bejaro = 1 where diak_id = 9001"_s,
            u"update table_diak_bizalmas set hhh = 0 where diak_id = 9003"_s,
            u"update table_diak set osztaly_ID = %1 where id = 9005"_s.arg(kClassOf.arg(9)),
            u"execute procedure PRC_KILEPES(9002, '2025-11-01', 2, null)"_s,
            u"delete from table_diak_archiv where id = 9007"_s,
            u"delete from table_diak where id = 9001"_s,
        };
        for (const QString& sql : moves)
            w.exec(sql);
        w.rollback();
        QCOMPARE(counts(w), before);

        w.exec(u"savepoint ketto"_s);
        w.exec(moves[0]);
        w.exec(moves[1]);
        w.exec(u"rollback to savepoint ketto"_s);
        w.exec(moves[2]);
        QVERIFY_THROWS_EXCEPTION(
            db::DbError,
            w.exec(u"execute block as begin %1; %2; exception ex_korvana; end"_s.arg(moves[3], moves[6])));
        w.exec(moves[4]);
        w.commit();
        const QString wrong = mismatch(w);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // More change rows than a copy leaves unfolded, and the main window's recount folds them.
    void theMainWindowFoldsWhenChangesPileUp() {
        OtherCopy db(app_.db.connectionString);
        build(db);
        fold(db);
        for (int i = 0; i <= oktoberi::kFoldAbove; ++i)
            db.run(u"update table_diak_bizalmas set sni_ervenyes = dateadd(%1 day to date '2026-01-01') "
                   "where diak_id = 9001"_s.arg(i));
        QVERIFY(db.first(u"select count(*) from table_okt_valtozas_bizalmas"_s).toInt() >
                oktoberi::kFoldAbove);
        main_form->akt_letszam();
        QCOMPARE(db.first(u"select count(*) from table_okt_valtozas_bizalmas"_s).toInt(), 0);
        const QString wrong = mismatch(db);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY2(app_.dialogs.shown.empty(), qPrintable(app_.dialogs.texts().join(u'|')));
    }

    // A database from before the counts: a copy's fold leaves it alone, and the upgrade fills
    // the counts from the students it has, once, however often it runs.
    void theUpgradeFillsTheCountsOfAnExistingDatabase() {
        const TestDatabase old = createDatabase(u"oktoberi-regi"_s, {u"--students"_s, u"40"_s});
        {
            OtherCopy ddl(old.connectionString);
            build(ddl);
            for (const char* sql :
                 {"drop trigger trg_diak_okt_elotte", "drop trigger trg_diak_okt_utana",
                  "drop trigger trg_diak_archiv_okt_elotte", "drop trigger trg_diak_archiv_okt_utana",
                  "drop trigger trg_diak_adat_okt_elotte", "drop trigger trg_diak_adat_okt_utana",
                  "drop trigger trg_diak_bizalmas_okt_elotte", "drop trigger trg_diak_bizalmas_okt_utana",
                  "drop procedure PRC_OKTOBERI_STATISZTIKA", "drop procedure PRC_OKTOBERI_OSSZEVONAS",
                  "drop procedure PRC_OKTOBERI_KIIR", "drop procedure PRC_OKTOBERI_TANULO",
                  "drop procedure PRC_OKTOBERI_ESEMENYEK", "drop table table_okt_valtozas_bizalmas",
                  "drop table table_okt_napi_bizalmas", "drop table table_okt_alap_bizalmas",
                  "drop table table_okt_alapnap", "drop table tmp_oktoberi_bizalmas",
                  "drop sequence gen_oktoberi_valtozas", "drop index ix_osztaly_tortenet_athelyezes",
                  "delete from table_frissites where nev = '120_oktoberi_gyorsitas'",
                  // what the school did before the upgrade
                  "update table_diak_adat set nem = 'L', bejaro = 1 where diak_id in (select first 10 id "
                  "from table_diak order by id)",
                  "execute procedure PRC_KILEPES(9005, '2025-11-01', 2, null)"})
                ddl.run(QString::fromLatin1(sql));
        }
        db::Connection connection;
        attach(connection, old.connectionString);
        QVERIFY(!oktoberi::fold(connection));
        connection.close();

        for (int run = 0; run < 2; ++run) {
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(sourceDir() + u"/scripts/upgrade-db"_s, {old.path});
            QVERIFY(p.waitForFinished(300000));
            QVERIFY2(p.exitCode() == 0, p.readAll().constData());
            OtherCopy db(old.connectionString);
            QCOMPARE(db.first(u"select count(*) from table_okt_alapnap"_s).toInt(), 1);
            const QString wrong = mismatch(db);
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        }
    }
};

QTEST_MAIN(OktoberiTest)
#include "test_oktoberi.moc"
