// Times the program's list work in one run: each student-list statement's first screen
// on a large and on a small school, beside the client library's floor (a bare fetch loop,
// see floor.h) on the same server; the full fetch and the memory a fetched row takes;
// start-up, the headcount and a child window's closing at both sizes; a change from
// another copy reaching the grid; and, as before, the same work beside isql-fb. Every
// figure is a median of the repeats, printed with its ratio.
//   bench_lists LARGE_CONNECTION_STRING SMALL_CONNECTION_STRING [REPEATS]
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

#include "attach.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "floor.h"
#include "main/Program.h"
#include "main/main__form.h"
#include "timing.h"
#include "ui/Dialogs.h"

namespace {

QString g_connection;
int g_repeats = 5;

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

// One of the program's student-list statements.
struct ListStatement {
    QString name;
    QString sql;
    std::vector<std::pair<QString, QVariant>> params;
    // With the parameters written in, for the floor, which binds nothing.
    std::string literal() const {
        QString text = sql;
        for (const auto& [param, value] : params)
            text.replace(QLatin1Char(':') + param, QLatin1Char('\'') + value.toString() + QLatin1Char('\''));
        return db::toWire(text).toStdString();
    }
};

// A list of its own on one database, as the program keeps its student list.
struct OwnList {
    db::Connection connection;
    db::Transaction transaction{connection};
    db::Dataset list{connection, transaction};
    explicit OwnList(const QString& database) {
        attach(connection, database);
        list.setFirstScreenBounded(true); // as the program opens its student list
    }
    void use(const ListStatement& s) {
        list.close();
        list.setSelectSQL(s.sql);
        list.clearParams();
        for (const auto& [name, value] : s.params)
            list.setParam(name, value);
    }
    double firstScreen() {
        list.close();
        return timeMs([&] { list.open(); });
    }
};

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * 4096;
}

std::vector<ListStatement> listStatements(const QString& sqls) {
    std::vector<ListStatement> out;
    auto file = [&](const char* name, const char* label) {
        out.push_back({QString::fromUtf8(label), TDM::readTextFile(sqls + QString::fromLatin1(name)), {}});
    };
    file("dataset_Tanulo_SelectSQL.sql", "start-up list (by id)");
    file("dataset_Tanulo_SelectSQL3.sql", "by name");
    file("dataset_Tanulo_SelectSQL2.sql", "by grade and letter");
    file("dataset_Tanulo_SelectSQL4.sql", "by letter and grade");
    for (const char* text : {"", "Ki", "Cs", "Zzq"}) { // Cs: one letter of two
        const auto q = Tmain_form::quickSearch(QString::fromUtf8(text), 100);
        out.push_back({QStringLiteral("quick search '%1'").arg(QString::fromUtf8(text)), q.sql, q.params});
    }
    return out;
}

void listsAtSize(const QString& large, const QString& small, const QString& sqls) {
    OwnList big(large);
    OwnList little(small);
    Floor floor(large.toLocal8Bit().toStdString());
    // On loopback a round trip now and then waits a few milliseconds for the scheduler,
    // at either size alike: the fastest of the repeats shows what the work itself costs.
    std::printf("\nFirst screen (%d rows) of each student-list statement, ms (median of the repeats;\n"
                "ratios of the medians, and of the fastest in brackets)\n",
                db::Dataset::kBatch);
    std::printf("%-28s %9s %9s %14s %9s %14s\n", "statement", "small", "large", "lg/sm", "floor lg",
                "lg/floor");
    for (const ListStatement& s : listStatements(sqls)) {
        big.use(s);
        little.use(s);
        Floor floorOfThis(large.toLocal8Bit().toStdString());
        floorOfThis.prepare(s.literal());
        big.list.open(); // prepared once, as the program's list stays prepared
        little.list.open();
        // A few milliseconds each: many repeats, after one that warms the caches.
        big.firstScreen();
        little.firstScreen();
        floorOfThis.run(db::Dataset::kBatch);
        std::vector<double> a, b, c;
        for (int i = 0; i < std::max(g_repeats, 31); ++i) {
            a.push_back(big.firstScreen());
            b.push_back(little.firstScreen());
            c.push_back(timeMs([&] { floorOfThis.run(db::Dataset::kBatch); }));
        }
        const auto fastest = [](const std::vector<double>& v) {
            return *std::min_element(v.begin(), v.end());
        };
        std::printf("%-28s %9.2f %9.2f %6.2f (%5.2f) %9.2f %6.2f (%5.2f)\n", qPrintable(s.name), median(b),
                    median(a), median(a) / median(b), fastest(a) / fastest(b), median(c),
                    median(a) / median(c), fastest(a) / fastest(c));
        std::fflush(stdout);
    }

    // The whole list, and what it keeps.
    const ListStatement byId = listStatements(sqls).front();
    big.use(byId);
    floor.prepare(byId.literal());
    std::vector<double> ours, theirs, perRow, rssPerRow;
    qint64 rows = 0;
    for (int i = 0; i < std::min(g_repeats, 3); ++i) {
        big.list.close();
        const qint64 before = residentBytes();
        const double ms = timeMs([&] {
            big.list.open();
            big.list.fetchAll();
        });
        rows = big.list.rowCount();
        ours.push_back(rows / (ms / 1000.0));
        perRow.push_back(static_cast<double>(big.list.memoryBytes()) / rows);
        rssPerRow.push_back(static_cast<double>(residentBytes() - before) / rows);
        big.list.close();
        long n = 0;
        const double fms = timeMs([&] { n = floor.run(-1); });
        theirs.push_back(n / (fms / 1000.0));
    }
    std::printf("\nfull fetch, rows/s: program %.0f, floor %.0f, ratio %.2f (%lld rows)\n", median(ours),
                median(theirs), median(ours) / median(theirs), static_cast<long long>(rows));
    std::printf("memory per fetched row: %.1f bytes kept by the list (%.1f bytes resident growth)\n",
                median(perRow), median(rssPerRow));
    std::fflush(stdout);
}

// A program folder (database.src, sqls) for the database.
QString programFolder(const QString& name, const QString& database) {
    const QString folder = QDir::tempPath() + QLatin1Char('/') + name + QLatin1Char('/');
    QDir(folder).removeRecursively();
    QDir().mkpath(folder + QStringLiteral("sqls"));
    const QString sqls = QStringLiteral(KORVANA_SOURCE_DIR "/sqls/");
    for (const QString& f : QDir(sqls).entryList({QStringLiteral("*.sql")}))
        QFile::copy(sqls + f, folder + "sqls/" + f);
    QFile src(folder + QStringLiteral("database.src"));
    src.open(QIODevice::WriteOnly);
    src.write(database.toLocal8Bit() + "\n");
    return folder;
}

// What the user waits for at start-up, at the headcount and when a child window closes
// (the list reopened after the child's commit, the headcount, the activation), on the
// large school beside the small one, interleaved so both see the same machine.
void startUpAtSize(const QString& largeFolder, const QString& smallDatabase, int repeats) {
    const QString smallFolder = programFolder(QStringLiteral("korvana-bench-small"), smallDatabase);
    struct Times {
        std::vector<double> startUp, headcount, activation;
    } times[2];
    const QString folders[2] = {smallFolder, largeFolder};
    // The first round warms the caches of both, and the process's own (fonts, plugins).
    for (int i = -1; i < repeats; ++i)
        for (int size = 0; size < 2; ++size) {
            TDM::programFolderOverride = folders[size];
            if (i < 0) {
                if (!program::createAll()) std::exit(1);
                program::destroyAll();
                continue;
            }
            times[size].startUp.push_back(timeMs([] {
                if (!program::createAll()) std::exit(1);
            }));
            for (int k = 0; k < 5; ++k)
                times[size].headcount.push_back(timeMs([] { main_form->akt_letszam(); }));
            for (int k = 0; k < 5; ++k) {
                DM->trTanulo.commit(); // closes the list, as a child window's save does
                times[size].activation.push_back(timeMs([] {
                    main_form->childClosed();
                    main_form->FormActivate();
                }));
            }
            program::destroyAll();
        }
    std::printf("\nWhat the user waits for, ms (median of the repeats)    %9s %9s %7s\n", "small", "large",
                "lg/sm");
    const auto row = [](const char* what, const std::vector<double>& small,
                        const std::vector<double>& large) {
        std::printf("%-52s %9.2f %9.2f %7.2f\n", what, median(small), median(large),
                    median(large) / median(small));
    };
    row("start-up to the main window with the list open", times[0].startUp, times[1].startUp);
    row("headcount", times[0].headcount, times[1].headcount);
    row("a child window closed: list reopened, headcount", times[0].activation, times[1].activation);
    std::fflush(stdout);
}

// Notes when the grid paints after its list has reopened.
class PaintWatch : public QObject {
  public:
    bool armed = false;
    qint64 shownAt = -1;
    QElapsedTimer* clock = nullptr;
    bool eventFilter(QObject*, QEvent* e) override {
        if (armed && shownAt < 0 && e->type() == QEvent::Paint) shownAt = clock->nsecsElapsed();
        return false;
    }
};

// A change committed by another copy, until the grid of this one has painted it.
double changeToGrid(const QString& database) {
    OwnList other(database);
    db::Dataset& list = DM->dataset_Tanulok;
    for (int k = 0; k < 100; ++k) // the start-up's own activation and count go first
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::vector<double> times;
    for (int i = 0; i < g_repeats; ++i) {
        QElapsedTimer t;
        PaintWatch watch;
        watch.clock = &t;
        main_form->dbg_tanulok->viewport()->installEventFilter(&watch);
        const auto c = QObject::connect(&list, &db::Dataset::opened, [&] { watch.armed = true; });
        db::Statement s(other.connection, other.transaction);
        s.prepare(QStringLiteral(
            "update table_diak set diak_tel = :t where id = (select min(id) from table_diak)"));
        s.setParam(0, QStringLiteral("+36 1 %1").arg(i));
        t.start();
        s.execute();
        other.transaction.commit(); // the event is posted here
        while (watch.shownAt < 0 && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        times.push_back(static_cast<double>(watch.shownAt) / 1e6);
        QObject::disconnect(c);
        main_form->dbg_tanulok->viewport()->removeEventFilter(&watch);
        for (int k = 0; k < 20; ++k) // the headcount that follows
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return median(times);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    KorvanaApplication app(argc, argv);
    // A closed child window raises the main window, which the offscreen platform cannot.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text != QLatin1String("This plugin does not support raise()")) previous(type, context, text);
    });
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: bench_lists LARGE_CONNECTION_STRING SMALL_CONNECTION_STRING [REPEATS]\n");
        return 2;
    }
    g_connection = QString::fromLocal8Bit(argv[1]);
    const QString small = QString::fromLocal8Bit(argv[2]);
    if (argc > 3) g_repeats = std::max(1, atoi(argv[3]));
    SilentDialogs dialogs;
    ui::setDialogService(&dialogs);

    const QString folder = programFolder(QStringLiteral("korvana-bench"), g_connection);
    TDM::programFolderOverride = folder;
    const QString sqls = QStringLiteral(KORVANA_SOURCE_DIR "/sqls/");
    const QString initial = TDM::readTextFile(sqls + QStringLiteral("dataset_Tanulo_SelectSQL.sql"));
    const QString byName = TDM::readTextFile(sqls + QStringLiteral("dataset_Tanulo_SelectSQL3.sql"));

    listsAtSize(g_connection, small, sqls);

    startUpAtSize(folder, small, g_repeats);
    TDM::programFolderOverride = folder;
    {
        if (!program::createAll()) return 1;
        std::printf("a change by another copy until the grid shows it: %.1f ms\n\n",
                    changeToGrid(g_connection));
        program::destroyAll();
    }

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
        QStringLiteral("headcount / isql counting the students"),
        [&] { return timeMs([&] { main_form->akt_letszam(); }); },
        [&] { return isqlMs(QStringLiteral("select count(table_diak.id) from table_diak")); });

    std::printf(
        "\n%lld students. A ratio is program / isql-fb: below 1 is faster for times, above 1 for rows/s.\n",
        static_cast<long long>(total));
    program::destroyAll();
    return 0;
}
