#pragma once

#include <QByteArray>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace db {
class Dataset;
}

// What a window hands over: the whole result with the title that goes above it,
// printed, as PDF or as CSV for a spreadsheet program.
namespace output {

// Long work tells how far it got and may be stopped by the user.
class Progress {
  public:
    virtual ~Progress() = default;
    // false: the user cancelled; the work stops and leaves nothing behind.
    virtual bool step(const QString& what, qint64 done, qint64 total) = 0;
};
// Thrown when the user cancelled a long work.
struct Cancelled {};

struct Report {
    QString title;
    QStringList details; // the chosen class or teacher, the school year, the date of printing
    QStringList headers;
    QList<bool> numeric;     // per column: right-aligned on paper
    QList<QStringList> rows; // given rows, when the report is not read from a list
    const db::Dataset* list = nullptr;

    // As the grid shows the values; rows are read from the list, never copied.
    int rowCount() const;
    QString cell(int row, int column) const;
    // As the database gave it: a number, a date or a text.
    QVariant value(int row, int column) const;

    // Every row of the list, fetching the rest first; throws Cancelled when stopped.
    static Report of(db::Dataset& list, const QString& title, const QStringList& details,
                     Progress* progress = nullptr);
};

// Rows as a cursor gives them, one at a time: a file of any length written without
// holding its rows. rowCount is known beforehand; next() fills in the next row's values
// (false: there is none).
struct RowStream {
    QString title;
    QStringList headers;
    qint64 rowCount = 0;
    std::function<bool(QVariantList& row)> next;
};

// CSV for a Hungarian spreadsheet program: UTF-8 with a byte-order mark, ";" between
// the fields, CR LF after each line, a field in quotes when it holds ";", a quote, a
// line break or blanks at either end. A text that a spreadsheet would run as a formula
// (it begins with =, +, - or @) is written as a formula giving that very text.
QString csvField(const QString& value, bool number = false);
// The text back from a field read as csvField wrote it (quotes already removed).
QString csvText(const QString& field);
QByteArray csvContent(const Report& report);
// false, with the reason in error, when the file could not be written whole; throws
// Cancelled (leaving no file) when stopped.
bool writeCsv(const QString& path, const Report& report, QString& error, Progress* progress = nullptr);
bool writeCsv(const QString& path, const RowStream& rows, QString& error, Progress* progress = nullptr);

// Lands the report on the printer's pages: the title on the first page, the column
// titles on every page, rows never split, "n. oldal / m" at the foot of each page.
// false when the printer could not be opened.
bool printReport(QPrinter& printer, const Report& report, Progress* progress = nullptr);
// The orientation the table fits best.
QPageLayout::Orientation orientationFor(const Report& report);
// A4, that orientation, margins and the document's name.
void setUpPrinter(QPrinter& printer, const Report& report);
// write makes the whole file at part, a temporary name beside path; renamed over path
// when whole. false, with the reason in error (one write left there is kept), when not.
bool writeAside(const QString& path, QString& error, const std::function<bool(const QString& part)>& write);
// A PDF written under a temporary name beside path and renamed over it when whole;
// paint sets the printer up and draws every page (false: it failed).
bool writePdfAside(const QString& path, QString& error, const std::function<bool(QPrinter&)>& paint);
// Written under a temporary name beside the target and renamed when whole.
bool writePdf(const QString& path, const Report& report, QString& error, Progress* progress = nullptr);

// Where a file dialog opens: the folder of the suggested path, unless that is the home
// folder's root (or none), then the last folder the user chose in this run, else her
// documents folder. The file's own name is kept.
QString startPath(const QString& suggested);
// The folder of a path the user chose, for the next dialog.
void rememberFolder(const QString& chosen);

// Where the buttons ask for a file or a printer; tests put their own answers here.
class OutputService {
  public:
    virtual ~OutputService() = default;
    // The file to write; empty when the user gave none.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter) = 0;
    // The file to read; empty when the user gave none.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter);
    // Lets the user choose and set up the printer; false when cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
    // What long work reports to: a window with a cancel button.
    virtual std::unique_ptr<Progress> progress(QWidget* parent);
};
OutputService& outputs();
void setOutputService(OutputService* service); // nullptr: the standard dialogs

} // namespace output
