// What idle copies of the program cost the server's garbage collection, in one run: ten
// copies open on the student list, idle, while another writer commits changes, then one
// reader's pass; the back versions left on the students' table (fbstat -r) and the gap
// between the next transaction and the oldest snapshot. Side by side: no copy open, ten
// copies as the program keeps them now (a read-only list transaction) and ten as it kept
// them before (one read-write transaction, open until the next save).
//   bench_idle DATABASE [CHANGES] [COPIES]
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cstdio>
#include <memory>
#include <vector>

#include "attach.h"
#include "db/Dataset.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "timing.h"

namespace {

struct Copy {
    db::Connection connection;
    std::unique_ptr<db::Transaction> tr;
    std::unique_ptr<db::Dataset> list;
    Copy(const QString& database, db::Transaction::Access access, const QString& select) {
        attach(connection, database);
        tr = std::make_unique<db::Transaction>(connection, nullptr, access);
        list = std::make_unique<db::Dataset>(connection, *tr);
        list->setSelectSQL(select);
        list->open(); // a first screen, as the main window shows it
    }
};

void run(db::Connection& c, const QString& sql, const QVariantList& params = {}) {
    db::Transaction tr(c);
    db::Statement s(c, tr);
    s.prepare(sql);
    s.bind(params);
    s.execute();
    s.free();
    tr.commit();
}

QVariant first(db::Connection& c, const QString& sql) {
    db::Transaction tr(c, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(c, tr);
    s.prepare(sql);
    s.execute();
    const QVariant v = s.fetch() ? s.value(0) : QVariant();
    s.closeCursor();
    tr.commit();
    return v;
}

long long backVersions(const QString& database) {
    QProcess stat;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ISC_USER"), QStringLiteral("SYSDBA"));
    env.insert(QStringLiteral("ISC_PASSWORD"), QStringLiteral("velvetoak"));
    stat.setProcessEnvironment(env);
    stat.start(QStringLiteral("fbstat"),
               {QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("TABLE_DIAK"), database});
    stat.waitForFinished(600000);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("total versions: (\\d+)"))
                                          .match(QString::fromLocal8Bit(stat.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

struct Result {
    long long versions = 0, gap = 0;
    double reader = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_idle DATABASE [CHANGES] [COPIES]\n");
        return 2;
    }
    const QString database = QString::fromLocal8Bit(argv[1]);
    const int changes = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int copies = argc > 3 ? std::atoi(argv[3]) : 10;
    QFile file(QStringLiteral(KORVANA_SOURCE_DIR "/sqls/dataset_Tanulo_SelectSQL.sql"));
    if (!file.open(QIODevice::ReadOnly)) return 1;
    const QString select = QString::fromUtf8(file.readAll());

    db::Connection writer;
    attach(writer, database);
    const int firstId = first(writer, QStringLiteral("select min(id) from table_diak")).toInt();
    const int students = first(writer, QStringLiteral("select count(*) from table_diak")).toInt();
    const int perTransaction = 1000;

    auto scenario = [&](int open, db::Transaction::Access access) {
        std::vector<std::unique_ptr<Copy>> idle;
        for (int i = 0; i < open; ++i)
            idle.push_back(std::make_unique<Copy>(database, access, select));
        // Another writer's day: changes committed a thousand at a time.
        for (int done = 0; done < changes; done += perTransaction)
            run(writer, QStringLiteral("update table_diak set diak_tel = diak_tel where id >= ? and id < ?"),
                {firstId + done % students, firstId + done % students + perTransaction});
        Result r;
        r.reader = timeMs([&] { first(writer, QStringLiteral("select count(*) from table_diak")); });
        r.gap = first(writer,
                      QStringLiteral("select mon$next_transaction - mon$oldest_snapshot from mon$database"))
                    .toLongLong();
        r.versions = backVersions(database);
        idle.clear(); // the copies close: what they held back is collected by the next reader
        first(writer, QStringLiteral("select count(*) from table_diak"));
        return r;
    };
    // A write that leaves every value as it was is still a new record version.
    const Result none = scenario(0, db::Transaction::Access::ReadOnly);
    const Result now = scenario(copies, db::Transaction::Access::ReadOnly);
    const Result before = scenario(copies, db::Transaction::Access::ReadWrite);
    std::printf("%d changes committed by another writer, %d students\n", changes, students);
    std::printf("%-44s %14s %12s %12s\n", "", "back versions", "OST gap", "reader ms");
    auto line = [](const char* what, const Result& r) {
        std::printf("%-44s %14lld %12lld %12.1f\n", what, r.versions, r.gap, r.reader);
    };
    line("no copy open", none);
    line("copies idle, read-only list (now)", now);
    line("copies idle, read-write transaction (before)", before);
    std::printf("back versions left, now / before: %lld / %lld; oldest-snapshot gap, now / none / before: "
                "%lld / %lld / %lld\n",
                now.versions, before.versions, now.gap, none.gap, before.gap);
    return 0;
}
