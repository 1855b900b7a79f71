// The office's other work during a load test: one change a second (a student registered,
// changed or deleted, in turn) and a 100-row transaction every 30 s (100 students
// registered, next time the same removed). Each transaction also writes its number into
// the name of the first student of the start-up list, so every copy's first screen tells
// which change it has reached. Prints one line per transaction and, at the end, what every
// copy should show:
//   marker ID
//   change SEQ KIND MS_BEFORE_COMMIT MS_AFTER_COMMIT
//   final SEQ STUDENTS DIGEST
//   load_writer DATABASE SECONDS SQLS_FOLDER
#include <QCoreApplication>
#include <QDateTime>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "attach.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "main/Trace.h"

namespace {

struct Writer {
    db::Connection connection;
    db::Transaction transaction{connection};
    int marker = 0;
    int lastId = 0;
    int classId = 0;
    int languageId = 0;
    std::mt19937 random{20260901};

    qint64 run(const QString& sql, const QVariantList& params = {}) {
        db::Statement s(connection, transaction);
        s.prepare(sql);
        s.bind(params);
        s.execute();
        return s.rowsAffected();
    }
    QVariant first(const QString& sql) {
        db::Statement s(connection, transaction);
        s.prepare(sql);
        s.execute();
        const QVariant v = s.fetch() ? s.value(0) : QVariant();
        s.closeCursor();
        return v;
    }
    // Some student after the marker, found along the primary key.
    int someStudent() {
        std::uniform_int_distribution<int> pick(marker + 1, lastId);
        return pick(random);
    }
    void registerOne(const QString& name) {
        run(QStringLiteral(
                "insert into table_diak (nev, diak_cim_varos, szul_ido, osztaly_ID, tanult_nyelv_ID, "
                "evfolyam) values (:nev, 'Kecskemét', '2011-05-04', :o, :n, 2026)"),
            {name, classId, languageId});
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: load_writer DATABASE SECONDS SQLS_FOLDER\n");
        return 2;
    }
    const int seconds = atoi(argv[2]);
    const QString sqls = QString::fromLocal8Bit(argv[3]) + QLatin1Char('/');
    Writer w;
    attach(w.connection, QString::fromLocal8Bit(argv[1]));
    w.marker = w.first(QStringLiteral("select min(id) from table_diak")).toInt();
    w.lastId = w.first(QStringLiteral("select max(id) from table_diak")).toInt();
    w.classId = w.first(QStringLiteral("select min(id) from table_osztaly")).toInt();
    w.languageId = w.first(QStringLiteral("select min(id) from table_nyelv")).toInt();
    // Numbers go on from an earlier run's, so no copy shows this run's number before it.
    const QString markerPrefix = QStringLiteral("Terhelés Jelző ");
    const QString markerName =
        w.first(QStringLiteral("select nev from table_diak where id = %1").arg(w.marker)).toString();
    int seq = markerName.startsWith(markerPrefix) ? markerName.mid(markerPrefix.size()).toInt() : 0;
    w.transaction.commit();
    std::printf("marker %d\n", w.marker);
    std::fflush(stdout);

    const QString batchName = QStringLiteral("Terhelés Csoport");
    bool batchIn = false;
    const auto start = std::chrono::steady_clock::now();
    for (int second = 1; second <= seconds; ++second) {
        std::this_thread::sleep_until(start + std::chrono::seconds(second));
        ++seq;
        const char* kind;
        if (second % 30 == 0) {
            kind = batchIn ? "batch-delete" : "batch-insert";
            if (batchIn)
                w.run(QStringLiteral("delete from table_diak where nev = :nev"), {batchName});
            else
                for (int i = 0; i < 100; ++i)
                    w.registerOne(batchName);
            batchIn = !batchIn;
        } else if (second % 3 == 0) {
            kind = "register";
            w.registerOne(QStringLiteral("Új Terhelés Ödön %1").arg(seq));
        } else if (second % 3 == 1) {
            kind = "change";
            w.run(QStringLiteral("update table_diak set diak_tel = :t where id = (select first 1 id from "
                                 "table_diak where id >= :r order by id)"),
                  {QStringLiteral("+36 30 %1").arg(seq), w.someStudent()});
        } else {
            kind = "delete";
            w.run(QStringLiteral(
                      "delete from table_diak where id = (select first 1 id from table_diak where id "
                      ">= :r order by id)"),
                  {w.someStudent()});
        }
        w.run(QStringLiteral("update table_diak set nev = :nev where id = :id"),
              {markerPrefix + QStringLiteral("%1").arg(seq, 6, 10, QLatin1Char('0')), w.marker});
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        w.transaction.commit();
        std::printf("change %d %s %lld %lld\n", seq, kind, before, QDateTime::currentMSecsSinceEpoch());
        std::fflush(stdout);
    }

    // What every copy should show now.
    const int students = w.first(QStringLiteral("select count(*) from table_diak")).toInt();
    db::Dataset list(w.connection, w.transaction);
    list.setSelectSQL(TDM::readTextFile(sqls + QStringLiteral("dataset_Tanulo_SelectSQL.sql")));
    list.open();
    std::printf("final %d %d %s\n", seq, students, qPrintable(trace::digest(list, db::Dataset::kBatch)));
    list.close();
    w.transaction.commit();
    return 0;
}
