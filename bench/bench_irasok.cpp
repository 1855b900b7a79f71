// Times a student's writes at a large and a small school in one run: ROWS students inserted
// in one statement, then one field of theirs updated, then their class, then the students
// deleted. Each beside the same statements with every trigger of table_diak inactive (the
// bare write), as a ratio; then each trigger's own share, the same cycle with only that one
// inactive. Every cycle leaves the school as it found it (its log and history aside).
//   bench_irasok LARGE_CONNECTION_STRING SMALL_CONNECTION_STRING [REPEATS] [ROWS]
// NOSHARES=1 leaves the shares out.
#include <QCoreApplication>
#include <QStringList>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "attach.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "timing.h"

namespace {

constexpr int kOps = 4;
const char* const kOpNames[kOps] = {"insert", "update of one field", "update of the class", "delete"};
using Cycle = std::array<double, kOps>;

struct School {
    db::Connection connection;
    QStringList triggers;
    explicit School(const QString& name) {
        attach(connection, name);
        db::Transaction tr(connection);
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral("select trim(rdb$trigger_name) from rdb$triggers where rdb$relation_name = "
                                 "'TABLE_DIAK' and coalesce(rdb$trigger_inactive, 0) = 0 order by 1"));
        s.execute();
        while (s.fetch())
            triggers << s.value(0).toString();
        s.free();
        tr.commit();
    }
    qint64 run(const QString& sql) {
        try {
            return runOnce(sql);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n%s\n", qPrintable(sql), e.what());
            throw;
        }
    }
    qint64 runOnce(const QString& sql) {
        db::Transaction tr(connection);
        db::Statement s(connection, tr);
        s.prepare(sql, db::Statement::Markers::Positional); // the blocks' own :variables
        s.execute();
        const qint64 n = s.isSelect() ? (s.fetch() ? s.value(0).toLongLong() : 0) : s.rowsAffected();
        s.free();
        tr.commit();
        return n;
    }
    int students() { return static_cast<int>(run(QStringLiteral("select count(*) from table_diak"))); }
    // every trigger of table_diak active but those named
    void setInactive(const QStringList& off) {
        for (const QString& t : triggers)
            run(QStringLiteral("alter trigger %1 %2").arg(t, off.contains(t) ? "inactive" : "active"));
    }
    // The four statements, each with its commit. The students are told apart by their name.
    Cycle cycle(int rows) {
        Cycle t{};
        t[0] = timeMs([&] {
            run(QStringLiteral(
                    "execute block as declare i integer = 0; declare o integer; declare ny integer; begin "
                    "select min(id) from table_osztaly into o; select min(id) from table_nyelv into ny; "
                    "while (i < %1) do begin i = i + 1; "
                    "insert into table_diak (nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, diak_tel, "
                    "anyja_nev, gondviselo_nev, diak_taj, diak_OM, osztaly_ID, tanult_nyelv_ID, evfolyam) "
                    "values ('Írásmérő ' || :i, 'Fő utca ' || :i || '.', 'Kecskemét', 'Szeged', "
                    "dateadd(mod(:i, 365) day to date '2010-01-01'), '+36 30 123 4567', 'Mérő Anna', "
                    "'Mérő Béla', null, null, :o, :ny, 2026); end end")
                    .arg(rows));
        });
        t[1] = timeMs([&] {
            run(QStringLiteral("update table_diak set diak_tel = '+36 30 765 4321' where nev starting with "
                               "'Írásmérő '"));
        });
        t[2] = timeMs([&] {
            run(QStringLiteral(
                "update table_diak set osztaly_ID = (select max(id) from table_osztaly) where nev "
                "starting with 'Írásmérő '"));
        });
        t[3] = timeMs(
            [&] { run(QStringLiteral("delete from table_diak where nev starting with 'Írásmérő '")); });
        return t;
    }
    // the median of each statement over the repeats, after one round that warms the cache
    Cycle measure(const QStringList& off, int rows, int repeats) {
        setInactive(off);
        std::array<std::vector<double>, kOps> v;
        for (int r = 0; r < repeats + 1; ++r) {
            const Cycle c = cycle(rows);
            if (r == 0) continue;
            for (int i = 0; i < kOps; ++i)
                v[i].push_back(c[i]);
        }
        setInactive({});
        Cycle m{};
        for (int i = 0; i < kOps; ++i)
            m[i] = median(v[i]);
        return m;
    }
};

void report(School& school, int n, int rows, int repeats, bool shares) {
    const Cycle bare = school.measure(school.triggers, rows, repeats);
    const Cycle all = school.measure({}, rows, repeats);
    std::printf("== %d students; %d students a statement, each with its commit (median of %d)\n", n, rows,
                repeats);
    bool within = true;
    for (int i = 0; i < kOps; ++i) {
        const double ratio = all[i] / bare[i];
        within = within && ratio <= 2.0;
        std::printf("  %-20s %9.1f ms, bare %9.1f ms: %5.2fx the bare write (limit 2.00x)\n", kOpNames[i],
                    all[i], bare[i], ratio);
    }
    std::printf("  every write within 2x its bare write: %s\n", within ? "yes" : "NO");
    if (!shares) return;
    std::printf("  each trigger's share (the cycle with it alone inactive, beside every one active):\n");
    std::printf("  %-28s", "");
    for (int i = 0; i < kOps; ++i)
        std::printf(" %20s", kOpNames[i]);
    std::printf("\n");
    for (const QString& t : school.triggers) {
        const Cycle without = school.measure({t}, rows, repeats);
        std::printf("  %-28s", qPrintable(t.toLower()));
        for (int i = 0; i < kOps; ++i)
            std::printf(" %12.1f ms %5.2fx", all[i] - without[i], (all[i] - without[i]) / bare[i]);
        std::printf("\n");
    }
    std::printf("  (a share in ms, and as a part of the bare write)\n");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_irasok LARGE SMALL [REPEATS] [ROWS]\n");
        return 2;
    }
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
    const int rows = argc > 4 ? std::atoi(argv[4]) : 3000;
    const bool shares = !getenv("NOSHARES");
    School large(QString::fromLocal8Bit(argv[1])), small(QString::fromLocal8Bit(argv[2]));
    const int nLarge = large.students(), nSmall = small.students();
    report(large, nLarge, rows, repeats, shares);
    report(small, nSmall, rows, repeats, shares);
    return 0;
}
