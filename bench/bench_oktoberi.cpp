// Times the October statistics at a large and a small school in one run: the whole query
// as the queries window runs it, every row read. The counting stays in the server: what
// crosses the wire is a row a grade and a row a leaving reason, whatever the school's size.
//   bench_oktoberi LARGE_CONNECTION_STRING SMALL_CONNECTION_STRING [REPEATS]
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

struct School {
    db::Connection connection;
    explicit School(const QString& name) { attach(connection, name); }
    qint64 count(const QString& sql) {
        db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
        db::Statement s(connection, tr);
        s.prepare(sql);
        s.execute();
        const qint64 n = s.fetch() ? s.value(0).toLongLong() : 0;
        s.free();
        tr.commit();
        return n;
    }
    // The statistics as of the day; the rows read, so the server cannot stop early.
    int statistics(const QDate& day, double& ms) {
        int rows = 0;
        ms = timeMs([&] {
            db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
            db::Statement s(connection, tr);
            s.prepare(QStringLiteral("select * from PRC_OKTOBERI_STATISZTIKA(:nap)"));
            s.bind({day});
            s.execute();
            while (s.fetch())
                ++rows;
            s.free();
            tr.commit();
        });
        return rows;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_oktoberi LARGE SMALL [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    School large(QString::fromLocal8Bit(argv[1])), small(QString::fromLocal8Bit(argv[2]));
    const qint64 nLarge = large.count(QStringLiteral("select count(*) from table_diak"));
    const qint64 nSmall = small.count(QStringLiteral("select count(*) from table_diak"));
    const QDate day(2026, 10, 1);
    std::vector<double> tLarge, tSmall;
    int rowsLarge = 0, rowsSmall = 0;
    for (int r = 0; r < repeats + 1; ++r) { // the first round warms the cache
        double l = 0, s = 0;
        rowsLarge = large.statistics(day, l);
        rowsSmall = small.statistics(day, s);
        if (r == 0) continue;
        tLarge.push_back(l);
        tSmall.push_back(s);
    }
    const double ml = median(tLarge), ms = median(tSmall);
    std::printf("Októberi statisztika (%s): %lld tanuló %.0f ms (%d sor), %lld tanuló %.0f ms (%d sor), "
                "arány %.1f; a határ 3000 ms: %s\n",
                qPrintable(day.toString(Qt::ISODate)), nLarge, ml, rowsLarge, nSmall, ms, rowsSmall,
                ms > 0 ? ml / ms : 0.0, ml <= 3000 ? "tartja" : "TÚLLÉPI");
    return ml <= 3000 ? 0 : 1;
}
