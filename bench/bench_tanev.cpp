// Times the school year's work in one run, at a large and a small school:
// - the log: one student's insert and its commit, and one update and its commit, with the
//   log's trigger active beside the same with it inactive (the log's share of the cost);
// - the year-end move's preview: the classes and the first screen of a class's students;
// - the log window's first screens: a month's events, a student's, a field's, an event's rows;
// - the move itself and its undo, whose time may grow with the students, no faster.
// The move is undone each time, so the databases stay as they were; NOMOVE=1 leaves it out
// (it takes minutes at a million students).
//   bench_tanev LARGE_CONNECTION_STRING SMALL_CONNECTION_STRING [REPEATS]
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "attach.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "office/Tanev.h"
#include "timing.h"

namespace {

struct School {
    db::Connection connection;
    explicit School(const QString& name) { attach(connection, name); }
    qint64 run(const QString& sql, const QVariantList& params = {}) {
        db::Transaction tr(connection);
        db::Statement s(connection, tr);
        s.prepare(sql);
        if (!params.isEmpty()) s.bind(params);
        s.execute();
        const qint64 n = s.isSelect() ? (s.fetch() ? s.value(0).toLongLong() : 0) : s.rowsAffected();
        s.free();
        tr.commit();
        return n;
    }
    int students() { return static_cast<int>(run(QStringLiteral("select count(*) from table_diak"))); }

    // One registration and one change, each with its own commit, as the record window makes them.
    std::pair<double, double> insertAndUpdate() {
        int id = 0;
        const double insert = timeMs([&] {
            db::Transaction tr(connection);
            db::Statement s(connection, tr);
            s.prepare(QStringLiteral(
                "insert into table_diak (nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, diak_tel, "
                "anyja_nev, "
                "gondviselo_nev, diak_taj, diak_OM, osztaly_ID, tanult_nyelv_ID, evfolyam) values ('Mérő "
                "Márton', "
                "'Fő utca 1.', 'Kecskemét', 'Szeged', '2011-06-18', '+36 30 123 4567', 'Mérő Anna', 'Mérő "
                "Béla', "
                "'123456788', '71234567890', (select min(id) from table_osztaly), (select min(id) from "
                "table_nyelv), 2026) returning id"));
            s.execute();
            s.fetch();
            id = s.value(0).toInt();
            s.free();
            tr.commit();
        });
        const double update = timeMs([&] {
            db::Transaction tr(connection);
            db::Statement s(connection, tr);
            s.prepare(QStringLiteral("update table_diak set diak_tel = '+36 30 765 4321', gondviselo_nev = "
                                     "'Mérő Bálint' where id = :id"));
            s.bind({id});
            s.execute();
            s.free();
            tr.commit();
        });
        return {insert, update};
    }
    void logActive(bool on) {
        run(QStringLiteral("alter trigger trg_diak_naplo %1")
                .arg(on ? QStringLiteral("active") : QStringLiteral("inactive")));
    }

    // The move window's first screen: the classes, then the first class's students.
    double preview() {
        return timeMs([&] {
            db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
            db::Dataset classes(connection, tr);
            classes.setSelectSQL(
                QStringLiteral("select o.id, o.osztaly_szam, o.osztaly_betu, (select count(*) from "
                               "table_tv_jeloles) from table_osztaly o order by o.osztaly_szam, "
                               "o.osztaly_betu"));
            classes.open();
            db::Dataset students(connection, tr);
            students.setFirstScreenBounded(true);
            students.setSelectSQL(QStringLiteral(
                "select d.id, d.nev, d.szul_ido, j.jeloles from table_diak d left join table_tv_jeloles j on "
                "j.diak_id = d.id where d.osztaly_ID = :o order by d.nev"));
            students.setParam(QStringLiteral("o"), classes.value(0, 0));
            students.open();
            students.close();
            classes.close();
            tr.commit();
        });
    }
    // The log window's screens: the events of the last month, one student's events since
    // 2000, the events that touched a field since 2000, and the first screen of the largest
    // event's rows. Each a first screen, as the window reads it.
    std::vector<double> logScreens() {
        tanev::naploOsszevon(connection);
        db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
        const auto screen = [&](const QString& sql, const std::vector<std::pair<QString, QVariant>>& params) {
            return timeMs([&] {
                db::Dataset list(connection, tr);
                list.setFirstScreenBounded(true);
                list.setSelectSQL(sql);
                for (const auto& [name, value] : params)
                    list.setParam(name, value);
                list.open();
                list.close();
            });
        };
        const QVariant since(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
        const QVariant month(QDateTime(QDate::currentDate().addDays(-30), QTime(0, 0)));
        const QVariant end(QDateTime(QDate::currentDate().addDays(1), QTime(0, 0)));
        const QString events =
            QStringLiteral("select e.mikor, e.osszegzes, e.id from %1 where e.mikor >= :tol and "
                           "e.mikor < :ig %2 order by e.mikor, e.id");
        const QString all = QStringLiteral("table_naplo_esemeny e");
        const qint64 student = run(QStringLiteral("select max(diak_id) from table_naplo"));
        const qint64 largest =
            run(QStringLiteral("select first 1 id from table_naplo_esemeny order by tanulok desc"));
        std::vector<double> t;
        t.push_back(screen(events.arg(all, QString()),
                           {{QStringLiteral("tol"), month}, {QStringLiteral("ig"), end}}));
        t.push_back(screen(
            events.arg(QStringLiteral("(select distinct x.esemeny_id from table_naplo x where "
                                      "x.diak_id = :d) s join table_naplo_esemeny e on e.id = "
                                      "s.esemeny_id"),
                       QString()),
            {{QStringLiteral("tol"), since}, {QStringLiteral("ig"), end}, {QStringLiteral("d"), student}}));
        t.push_back(
            screen(events.arg(all, QStringLiteral("and position(',gondviselo_email,' in e.mezok) > 0")),
                   {{QStringLiteral("tol"), since}, {QStringLiteral("ig"), end}}));
        t.push_back(
            screen(QStringLiteral("select n.diak_nev, m.mezo, m.regi, m.uj from table_naplo n left join "
                                  "table_naplo_mezo m on m.naplo_id = n.id where n.esemeny_id = :e and "
                                  "m.mezo is not null order "
                                  "by n.esemeny_id, n.id"),
                   {{QStringLiteral("e"), largest}}));
        tr.commit();
        return t;
    }
    std::pair<double, double> moveAndUndo() {
        const int next = tanev::kovetkezoTanev(connection, QDate::currentDate());
        const int vegzos = tanev::vegzosEvfolyam(connection);
        int id = 0;
        const double move =
            timeMs([&] { id = tanev::valt(connection, next, vegzos, QDate::currentDate()).id; });
        const double undo = timeMs([&] { tanev::visszavon(connection, id); });
        return {move, undo};
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_tanev LARGE SMALL [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    School large(QString::fromLocal8Bit(argv[1])), small(QString::fromLocal8Bit(argv[2]));
    const int nLarge = large.students(), nSmall = small.students();

    // The log: rounds with and without it, taking turns, so both see the same server.
    constexpr int kWrites = 40;
    std::vector<double> insOn, insOff, updOn, updOff;
    for (int r = 0; r < repeats + 1; ++r) { // the first round warms up
        for (bool on : {true, false}) {
            small.logActive(on);
            for (int i = 0; i < kWrites; ++i) {
                const auto [ins, upd] = small.insertAndUpdate();
                if (r == 0) continue;
                (on ? insOn : insOff).push_back(ins);
                (on ? updOn : updOff).push_back(upd);
            }
        }
    }
    small.logActive(true);
    small.run(QStringLiteral("delete from table_diak where nev = 'Mérő Márton'"));

    std::vector<double> pLarge, pSmall, mLarge, mSmall, uLarge, uSmall;
    for (int r = 0; r < repeats + 1; ++r) {
        const double pl = large.preview(), ps = small.preview();
        if (r == 0) continue;
        pLarge.push_back(pl);
        pSmall.push_back(ps);
    }
    std::vector<std::vector<double>> logLarge(4), logSmall(4);
    for (int r = 0; r < repeats + 1; ++r) {
        const std::vector<double> l = large.logScreens(), m = small.logScreens();
        if (r == 0) continue;
        for (size_t i = 0; i < 4; ++i) {
            logLarge[i].push_back(l[i]);
            logSmall[i].push_back(m[i]);
        }
    }
    // the move is long at size: fewer rounds of it
    const int moves = getenv("NOMOVE") ? 0 : std::max(1, repeats / 2);
    for (int r = 0; r < moves; ++r) {
        const auto [ml, ul] = large.moveAndUndo();
        const auto [ms, us] = small.moveAndUndo();
        mLarge.push_back(ml);
        uLarge.push_back(ul);
        mSmall.push_back(ms);
        uSmall.push_back(us);
    }

    const double io = median(insOn), ix = median(insOff), uo = median(updOn), ux = median(updOff);
    std::printf("one insert + commit, with the log:   %7.2f ms  (%.2fx without it: %.2f ms; limit 1.30x)\n",
                io, io / ix, ix);
    std::printf("one update + commit, with the log:   %7.2f ms  (%.2fx without it: %.2f ms; limit 1.30x)\n",
                uo, uo / ux, ux);
    const double pl = median(pLarge), ps = median(pSmall);
    std::printf("move preview, first screen, %7d students: %7.2f ms  (%.2fx the %d students' %.2f ms)\n",
                nLarge, pl, pl / ps, nSmall, ps);
    const char* screens[] = {"the last month's events", "one student's events", "events of a field",
                             "the largest event's rows"};
    for (size_t i = 0; i < 4; ++i)
        std::printf("log, %-24s %7d students: %7.2f ms  (the %d students': %.2f ms)\n", screens[i], nLarge,
                    median(logLarge[i]), nSmall, median(logSmall[i]));
    const double ml = median(mLarge), ms = median(mSmall), ul = median(uLarge), us = median(uSmall);
    const double growth = static_cast<double>(nLarge) / nSmall;
    std::printf(
        "the move, %7d students: %9.1f ms  (%.2fx the %d students' %.1f ms, for %.1fx the students)\n",
        nLarge, ml, ml / ms, nSmall, ms, growth);
    std::printf(
        "its undo, %7d students: %9.1f ms  (%.2fx the %d students' %.1f ms, for %.1fx the students)\n",
        nLarge, ul, ul / us, nSmall, us, growth);
    return 0;
}
