// Times the data protection's database work at a large school, each beside its floor in
// one run:
//  - one student's statuses read through the procedure that records the read, against the
//    plain select of the table the program used before, each in its own transaction;
//  - the preview and the clearing of 100,000 leavers' contact data and statuses, against a
//    count and a plain update of the same rows;
//  - an office's save of a student in the registry while the clearing's transaction is
//    open, against the same save with nothing else running.
// The clearings are rolled back, so every repeat finds the same leavers.
//   bench_adatvedelem CONNECTION_STRING [REPEATS]
#include <QCoreApplication>
#include <QDate>
#include <cstdio>
#include <cstdlib>

#include "attach.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "timing.h"

namespace {

constexpr int kLeavers = 100000;
constexpr int kOffset = 20000000; // the benchmark's leavers' ids, beside the school's own
constexpr int kReads = 2000;

void run(db::Connection& c, const QString& sql, const QVariantList& params = {}) {
    db::Transaction tr(c);
    tr.start();
    db::Statement s(c, tr);
    s.prepare(sql);
    s.bind(params);
    s.execute();
    s.free();
    tr.commit();
}

qint64 count(db::Connection& c, const QString& sql) {
    db::Transaction tr(c, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(c, tr);
    s.prepare(sql);
    s.execute();
    const qint64 n = s.fetch() ? s.value(0).toLongLong() : 0;
    s.free();
    tr.commit();
    return n;
}

// 100,000 leavers who left long ago, with contact data, statuses and a logged change each.
void leavers(db::Connection& c) {
    run(c,
        QStringLiteral("update or insert into table_adatmegorzes (kategoria, evek) values ('kapcsolat', 5) "
                       "matching (kategoria)"));
    run(c,
        QStringLiteral("update or insert into table_adatmegorzes (kategoria, evek) values ('jogallasok', 5) "
                       "matching (kategoria)"));
    if (count(c, QStringLiteral("select count(*) from table_naplo where diak_id > %1").arg(kOffset)) >=
        kLeavers)
        return;
    run(c,
        QStringLiteral(
            "insert into table_diak_archiv (id, nev, szul_ido, anyja_nev, diak_cim, diak_cim_varos, "
            "diak_tel, "
            "gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_OM, mj, kilepes_datum, kilepes_ok, "
            "kilepes_megjegyzes) select first %1 id + %2, nev, szul_ido, anyja_nev, 'Fő utca 1.', 'Eger', "
            "'+36 1 555', gondviselo_nev, 'Kossuth utca 2.', '+36 30 1', diak_OM, 'Megjegyzés', "
            "dateadd(-mod(id, 2000) day to date '2016-06-15'), 1, 'Elköltözött.' from table_diak order by id")
            .arg(kLeavers)
            .arg(kOffset));
    run(c, QStringLiteral(
               "insert into table_diak_adat (diak_id, iranyitoszam, gondviselo_irsz, gondviselo_email, "
               "allampolgarsag, bejaro) select id, '3300', '3301', 'szulo@example.hu', 'magyar', 1 "
               "from table_diak_archiv where id > %1")
               .arg(kOffset));
    run(c,
        QStringLiteral("insert into table_diak_bizalmas (diak_id, sni, sni_kelte, hh) select id, mod(id, 2), "
                       "'2014-01-02', 1 from table_diak_archiv where id > %1")
            .arg(kOffset));
    run(c, QStringLiteral(
               "insert into table_naplo (id, mikor, muvelet, diak_id, diak_nev, felhasznalo) select next "
               "value for gen_naplo, timestamp '2015-03-01 10:00', 'módosítás', id, nev, 'SYSDBA' from "
               "table_diak_archiv where id > %1")
               .arg(kOffset));
    run(c, QStringLiteral(
               "insert into table_naplo_mezo (naplo_id, mezo, regi, uj) select n.id, m.mezo, m.regi, m.uj "
               "from table_naplo n cross join (select cast('diak_tel' as varchar(31)) mezo, "
               "cast('+36 1 444' as varchar(150)) regi, cast('+36 1 555' as varchar(150)) uj from "
               "rdb$database union all select 'nev', 'Régi', 'Teszt' from rdb$database) m where "
               "n.diak_id > %1")
               .arg(kOffset));
    run(c,
        QStringLiteral("update or insert into table_adatmegorzes (kategoria, evek) values ('kapcsolat', 5) "
                       "matching (kategoria)"));
    run(c,
        QStringLiteral("update or insert into table_adatmegorzes (kategoria, evek) values ('jogallasok', 5) "
                       "matching (kategoria)"));
}

// One read in its own transaction, as the windows read: the procedure's in a read-write one.
double reads(db::Connection& c, const QList<int>& ids, bool procedure) {
    return timeMs([&] {
        for (int id : ids) {
            db::Transaction tr(c, nullptr,
                               procedure ? db::Transaction::Access::ReadWrite
                                         : db::Transaction::Access::ReadOnly);
            db::Statement s(c, tr);
            s.prepare(procedure
                          ? QStringLiteral("select sni, sni_kelte, hh from PRC_JOGALLAS(:d)")
                          : QStringLiteral(
                                "select sni, sni_kelte, hh from table_diak_bizalmas where diak_id = :d"));
            s.bind({id});
            s.execute();
            while (s.fetch()) {
            }
            s.free();
            tr.commit();
        }
    });
}

// The work in one transaction, timed to its end; then rolled back, or kept open while
// `meanwhile` runs.
double timed(db::Connection& c, const QStringList& sqls, const QDate& h,
             const std::function<void()>& meanwhile = {}) {
    db::Transaction tr(c);
    tr.start();
    const double ms = timeMs([&] {
        for (const QString& sql : sqls) {
            db::Statement s(c, tr);
            s.prepare(sql);
            if (sql.contains(QLatin1String(":h"))) s.bind({h});
            s.execute();
            if (sql.startsWith(QLatin1String("select")))
                while (s.fetch()) {
                }
            s.free();
        }
    });
    if (meanwhile) meanwhile();
    tr.rollback();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_adatvedelem CONNECTION_STRING [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    db::Connection c, office;
    attach(c, QString::fromLocal8Bit(argv[1]));
    attach(office, QString::fromLocal8Bit(argv[1]));
    leavers(c);
    const qint64 students = count(c, QStringLiteral("select count(*) from table_diak"));
    QList<int> ids;
    {
        db::Transaction tr(c, nullptr, db::Transaction::Access::ReadOnly);
        db::Statement s(c, tr);
        s.prepare(QStringLiteral("select first %1 id from table_diak order by id desc").arg(kReads));
        s.execute();
        while (s.fetch())
            ids << s.value(0).toInt();
        s.free();
        tr.commit();
    }
    const int officeId = ids.value(0);
    const QDate h = QDate::currentDate().addYears(-5);
    const QStringList preview{QStringLiteral("select tanulok from PRC_ADATMEGORZES('kapcsolat', :h, 0)"),
                              QStringLiteral("select tanulok from PRC_ADATMEGORZES('jogallasok', :h, 0)")};
    const QStringList previewFloor{
        QStringLiteral("select count(*) from table_diak_archiv where kilepes_datum < :h"),
        QStringLiteral("select count(*) from table_diak_archiv where kilepes_datum < :h")};
    const QStringList clear{QStringLiteral("select tanulok from PRC_ADATMEGORZES('kapcsolat', :h, 1)"),
                            QStringLiteral("select tanulok from PRC_ADATMEGORZES('jogallasok', :h, 1)")};
    const QStringList clearFloor{
        QStringLiteral(
            "update table_diak_archiv set diak_tel = null, gondviselo_tel = null, diak_cim = null, "
            "diak_cim_varos = null, gondviselo_cim = null where kilepes_datum < :h"),
        QStringLiteral("update table_diak_bizalmas set sni = 0, sni_kelte = null, hh = 0 where diak_id > %1")
            .arg(kOffset)};
    const auto save = [&] {
        return timeMs([&] {
            run(office,
                QStringLiteral("update table_diak set diak_tel = '+36 1 %1' where id = :d")
                    .arg(QDateTime::currentMSecsSinceEpoch() % 100000),
                {officeId});
            run(office,
                QStringLiteral("update table_diak_adat set gondviselo_email = 'iroda@example.hu' where "
                               "diak_id = :d"),
                {officeId});
        });
    };
    std::vector<double> tRead, tReadFloor, tPrev, tPrevFloor, tClear, tClearFloor, tSave, tSaveFloor;
    for (int r = 0; r < repeats + 1; ++r) { // the first round warms the cache
        const double read = reads(c, ids, true), readFloor = reads(c, ids, false);
        const double p = timed(c, preview, h), pf = timed(c, previewFloor, h);
        double during = 0;
        const double cl = timed(c, clear, h, [&] { during = save(); });
        const double cf = timed(c, clearFloor, h);
        const double alone = save();
        if (r == 0) continue;
        tRead.push_back(read);
        tReadFloor.push_back(readFloor);
        tPrev.push_back(p);
        tPrevFloor.push_back(pf);
        tClear.push_back(cl);
        tClearFloor.push_back(cf);
        tSave.push_back(during);
        tSaveFloor.push_back(alone);
    }
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    const double read = median(tRead), readFloor = median(tReadFloor);
    std::printf("%lld tanuló, %d kilépett a határnap előtt\n", students, kLeavers);
    std::printf(
        "Jogállás olvasása (%d tanuló, egyenként): eljárással %.0f ms, közvetlenül %.0f ms, arány %.2f; a "
        "határ 2,0: %s\n",
        kReads, read, readFloor, ratio(read, readFloor), ratio(read, readFloor) < 2 ? "tartja" : "TÚLLÉPI");
    std::printf("Előnézet (kapcsolat, jogállások): %.0f ms, a puszta számlálás %.0f ms, arány %.1f\n",
                median(tPrev), median(tPrevFloor), ratio(median(tPrev), median(tPrevFloor)));
    std::printf("Törlés (kapcsolat, jogállások, naplóval): %.0f ms, a puszta update %.0f ms, arány %.1f\n",
                median(tClear), median(tClearFloor), ratio(median(tClear), median(tClearFloor)));
    std::printf("Az iroda mentése a törlés alatt: %.1f ms, magában %.1f ms, arány %.2f\n", median(tSave),
                median(tSaveFloor), ratio(median(tSave), median(tSaveFloor)));
    return ratio(read, readFloor) < 2 ? 0 : 1;
}
