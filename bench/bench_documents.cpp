// Times the documents in one run: one certificate filled from the database and rendered
// to PDF at a large and a small school, beside the bare PDF output of the same text; and
// a class of 40 certificates in one PDF. Medians of the repeats, printed with ratios.
//   bench_documents LARGE_CONNECTION_STRING SMALL_CONNECTION_STRING [REPEATS]
#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "attach.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "documents/Documents.h"
#include "timing.h"

namespace {

void pdf(const QString& path, const QStringList& htmls) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    documents::render(printer, htmls);
}

struct School {
    db::Connection connection;
    explicit School(const QString& name) { attach(connection, name); }
    // A student in the middle of the table, and a class of at least 40.
    int student() {
        db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral("select max(id) / 2 from table_diak"));
        s.execute();
        s.fetch();
        return s.value(0).toInt();
    }
    QStringList certificate(const documents::Sablon& sablon, const QList<int>& ids) {
        db::Transaction tr(connection); // reading the statuses is recorded
        QStringList htmls;
        for (int id : ids) {
            QHash<QString, QString> f = documents::studentFields(tr, id);
            f.insert(QStringLiteral("iktatoszam"), QStringLiteral("1/2026/2027"));
            htmls << sablon.fill(f);
        }
        return htmls;
    }
    QList<int> forty() {
        db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral("select first 40 id from table_diak order by id"));
        s.execute();
        QList<int> ids;
        while (s.fetch())
            ids << s.value(0).toInt();
        return ids;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_documents LARGE SMALL [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    const documents::Sablon sablon = documents::Sablon::load(
        QStringLiteral(KORVANA_SOURCE_DIR) + QStringLiteral("/sablonok/01_iskolalatogatasi_igazolas.html"));
    QTemporaryDir out;
    School large(QString::fromLocal8Bit(argv[1])), small(QString::fromLocal8Bit(argv[2]));
    const int largeId = large.student(), smallId = small.student();
    const QStringList bare = small.certificate(sablon, {smallId});
    std::vector<double> tLarge, tSmall, tBare, tClass;
    for (int r = 0; r < repeats + 1; ++r) { // the first round warms up
        const double l =
            timeMs([&] { pdf(out.filePath(QStringLiteral("l.pdf")), large.certificate(sablon, {largeId})); });
        const double s =
            timeMs([&] { pdf(out.filePath(QStringLiteral("s.pdf")), small.certificate(sablon, {smallId})); });
        const double b = timeMs([&] { pdf(out.filePath(QStringLiteral("b.pdf")), bare); });
        const double c = timeMs(
            [&] { pdf(out.filePath(QStringLiteral("c.pdf")), large.certificate(sablon, large.forty())); });
        if (r == 0) continue;
        tLarge.push_back(l);
        tSmall.push_back(s);
        tBare.push_back(b);
        tClass.push_back(c);
    }
    const double ml = median(tLarge), ms = median(tSmall), mb = median(tBare), mc = median(tClass);
    std::printf("one certificate, large school:   %8.1f ms  (%.2fx the small school, %.2fx the bare PDF)\n",
                ml, ml / ms, ml / mb);
    std::printf("one certificate, small school:   %8.1f ms  (%.2fx the bare PDF)\n", ms, ms / mb);
    std::printf("bare PDF of the same text:       %8.1f ms\n", mb);
    std::printf("a class of 40 in one PDF:        %8.1f ms  (limit 2000 ms)\n", mc);
    return 0;
}
