#pragma once

#include <QByteArray>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace db {
class Dataset;
}

// What a query window hands over: the whole result with the title that goes above it,
// printed, as PDF or as CSV for a spreadsheet program.
namespace queries {

struct Report {
    QString title;
    QStringList details; // the chosen class or teacher, the school year, the date of printing
    QStringList headers;
    QList<QStringList> rows; // as the grid shows the values
    QList<bool> numeric;     // per column: right-aligned on paper

    // Every row of the list, fetching the rest first.
    static Report of(db::Dataset& list, const QString& title, const QStringList& details);
};

// CSV for a Hungarian spreadsheet program: UTF-8 with a byte-order mark, ";" between
// the fields, CR LF after each line, a field in quotes when it holds ";", a quote, a
// line break or blanks at either end.
QString csvField(const QString& value);
QByteArray csvContent(const Report& report);
// false, with the reason in error, when the file could not be written whole.
bool writeCsv(const QString& path, const Report& report, QString& error);

// Lands the report on the printer's pages: the title on the first page, the column
// titles on every page, rows never split, "n. oldal / m" at the foot of each page.
// false when the printer could not be opened.
bool printReport(QPrinter& printer, const Report& report);
// The orientation the table fits best.
QPageLayout::Orientation orientationFor(const Report& report);
// A4, that orientation, margins and the document's name.
void setUpPrinter(QPrinter& printer, const Report& report);
bool writePdf(const QString& path, const Report& report, QString& error);

// Where the buttons ask for a file or a printer; tests put their own answers here.
class OutputService {
  public:
    virtual ~OutputService() = default;
    // The file to write; empty when the user gave none.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter) = 0;
    // Lets the user choose and set up the printer; false when cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
};
OutputService& outputs();
void setOutputService(OutputService* service); // nullptr: the standard dialogs

} // namespace queries
