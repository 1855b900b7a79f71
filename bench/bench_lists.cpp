// Times the program's list work beside isql-fb running the same select on the same
// server, in one run, and prints each pair with its ratio.
//   bench_lists CONNECTION_STRING [REPEATS]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "data/DataModule.h"
#include "db/Dataset.h"
#include "main/Program.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"

namespace {

QString g_connection;
int g_repeats = 5;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// isql-fb connects, runs the script and writes every row to a pipe that we drain.
double isqlMs(const QString& sql) {
    QTemporaryFile script;
    script.open();
    QTextStream(&script) << "SET NAMES UTF8;\nCONNECT '" << g_connection
                         << "' USER 'SYSDBA' PASSWORD 'velvetoak';\n"
                         << sql << ";\n";
    script.close();
    QProcess p;
    return timeMs([&] {
        p.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-i"), script.fileName()});
        p.waitForStarted();
        while (!p.waitForFinished(50))
            p.readAllStandardOutput();
        p.readAllStandardOutput();
    });
}

struct Row {
    QString what;
    double ours;
    double theirs;
    QString unit;
    bool higherIsBetter;
};
std::vector<Row> g_rows;
double g_isqlBase = 0; // isql-fb's own start and connection, for the net column

void report(const QString& what, const std::function<double()>& ours, const std::function<double()>& theirs,
            const QString& unit = QStringLiteral("ms"), bool higherIsBetter = false) {
    std::vector<double> a, b;
    for (int i = 0; i < g_repeats; ++i) { // interleaved, so both see the same machine
        a.push_back(ours());
        b.push_back(theirs());
    }
    g_rows.push_back({what, median(a), median(b), unit, higherIsBetter});
    std::printf("%-58s %10.1f %10.1f %-6s ratio %.2f", qPrintable(what), median(a), median(b),
                qPrintable(unit), median(a) / median(b));
    // For times, the net ratio leaves out isql-fb's own start and connection.
    if (!higherIsBetter)
        std::printf("  (net of connecting: %.2f)", median(a) / std::max(median(b) - g_isqlBase, 0.1));
    std::printf("\n");
    std::fflush(stdout);
}

class SilentDialogs : public ui::DialogService {
  public:
    ui::DialogAnswer show(ui::DialogKind, const QString&, const QString& text, ui::DialogButtons) override {
        std::fprintf(stderr, "dialog: %s\n", qPrintable(text));
        return ui::DialogAnswer::No;
    }
};

QString firstRows(const QString& select, int n) {
    return QStringLiteral("select * from (%1) rows %2").arg(select).arg(n);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    KorvanaApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_lists CONNECTION_STRING [REPEATS]\n");
        return 2;
    }
    g_connection = QString::fromLocal8Bit(argv[1]);
    if (argc > 2) g_repeats = std::max(1, atoi(argv[2]));
    SilentDialogs dialogs;
    ui::setDialogService(&dialogs);

    const QString folder = QDir::tempPath() + QStringLiteral("/korvana-bench/");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder + QStringLiteral("sqls"));
    const QString sqls = QStringLiteral(KORVANA_SOURCE_DIR "/sqls/");
    for (const QString& f : QDir(sqls).entryList({QStringLiteral("*.sql")}))
        QFile::copy(sqls + f, folder + "sqls/" + f);
    QFile src(folder + QStringLiteral("database.src"));
    src.open(QIODevice::WriteOnly);
    src.write(g_connection.toLocal8Bit() + "\n");
    src.close();
    TDM::programFolderOverride = folder;
    const QString initial = TDM::readTextFile(sqls + QStringLiteral("dataset_Tanulo_SelectSQL.sql"));
    const QString byName = TDM::readTextFile(sqls + QStringLiteral("dataset_Tanulo_SelectSQL3.sql"));

    std::vector<double> base;
    for (int i = 0; i < g_repeats; ++i)
        base.push_back(isqlMs(QStringLiteral("select 1 from rdb$database")));
    g_isqlBase = median(base);
    std::printf("isql-fb start and connection alone: %.1f ms\n", g_isqlBase);
    std::printf("%-58s %10s %10s\n", "measure (median of repeats)", "program", "isql-fb");

    report(
        QStringLiteral("start-up to main window with list open / isql first 100"),
        [] {
            const double ms = timeMs([] {
                if (!program::createAll()) std::exit(1);
            });
            program::destroyAll();
            return ms;
        },
        [&] { return isqlMs(firstRows(initial, 100)); });

    if (!program::createAll()) return 1;
    db::Dataset& list = DM->dataset_Tanulok;

    report(
        QStringLiteral("open list, first screen / isql first 100 rows"),
        [&] {
            list.close();
            return timeMs([&] { list.open(); });
        },
        [&] { return isqlMs(firstRows(initial, 100)); });

    qint64 total = 0;
    report(
        QStringLiteral("fetch to the end, rows per second"),
        [&] {
            list.close();
            const double ms = timeMs([&] {
                list.open();
                list.fetchAll();
            });
            total = list.rowCount();
            return total / (ms / 1000.0);
        },
        [&] { return total / (isqlMs(initial) / 1000.0); }, QStringLiteral("rows/s"), true);
    list.close();
    list.open();

    const QString like = QStringLiteral(
        "SELECT table_diak.ID, table_diak.nev AS \"Diák Neve\", table_osztaly.osztaly_szam AS \"Évfolyam\", "
        "table_osztaly.osztaly_betu AS \"Osztály\" FROM table_diak INNER JOIN table_osztaly ON "
        "table_diak.osztaly_ID = "
        "table_osztaly.ID where table_diak.nev LIKE 'Ki%'");
    report(
        QStringLiteral("quick-search keystroke to first screen / isql first 100"),
        [&] {
            main_form->edit_gyors_ker->blockSignals(true);
            main_form->edit_gyors_ker->setText(QStringLiteral("K"));
            main_form->edit_gyors_ker->blockSignals(false);
            return timeMs([&] { main_form->edit_gyors_ker->setText(QStringLiteral("Ki")); });
        },
        [&] { return isqlMs(firstRows(like, 100)); });
    main_form->edit_gyors_ker->clear();

    report(
        QStringLiteral("sort button (by name) to first screen / isql first 100"),
        [&] { return timeMs([&] { main_form->Button8Click(); }); },
        [&] { return isqlMs(firstRows(byName, 100)); });

    report(
        QStringLiteral("headcount / isql same count"),
        [&] { return timeMs([&] { main_form->akt_letszam(); }); },
        [&] { return isqlMs(QStringLiteral("select count(table_diak.id) from table_diak")); });

    std::printf(
        "\n%lld students. A ratio is program / isql-fb: below 1 is faster for times, above 1 for rows/s.\n",
        static_cast<long long>(total));
    program::destroyAll();
    return 0;
}
