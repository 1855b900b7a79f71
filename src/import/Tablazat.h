#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

namespace output {
class Progress;
}

// A spreadsheet read from a file: the heading row's headings, and every cell below it
// once, in one buffer. Nothing else of the file is kept.
namespace intake {

// What a cell held beside its text. Number: a number whose text as the spreadsheet shows
// it cannot be known (General and most formats), so its text is the bare number (a
// leading zero may be lost). Error: a spreadsheet error value; the text is its code
// ("#N/A", "#HIÁNYZIK").
enum class CellKind : quint8 { Text, Number, Error };

// Ceilings that no file, however made, gets past while it is read.
constexpr int kMaxCellLength = 32767; // a spreadsheet's own limit for one cell
constexpr int kMaxColumns = 256;
// A school's intake is tens of thousands of rows at most; empty rows count, as they cost
// the reading just the same.
constexpr int kMaxRows = 100'000;
constexpr qint64 kMaxSheetBytes = 200ll << 20;
constexpr int kMaxSharedStrings = 2'000'000;
constexpr qint64 kMaxSharedCharacters = 32ll << 20;
// What the progress bar says while a file is read.
extern const QString kReadingStep;
// A row holding at least two known headings is the heading row.
using HeadingTest = std::function<bool(const QString& heading)>;

class Sheet {
  public:
    QStringList headings;

    int rowCount() const { return static_cast<int>(rowStarts_.size()) - 1; }
    int columnCount() const { return static_cast<int>(headings.size()); }
    // Empty beyond the cells the row has.
    QStringView cell(int row, int column) const;
    // Text beyond the cells the row has.
    CellKind kind(int row, int column) const;
    // Where the row stands in the file, counted as a spreadsheet does (the first row = 1).
    int sourceRow(int row) const { return static_cast<int>(sourceRows_[static_cast<size_t>(row)]); }
    // The headings' row, counted the same way; 0 when the file had no row at all.
    int headingRow() const { return headingRow_; }
    qint64 memoryBytes() const;

    // Building, row by row; a row of empty cells is dropped. Throws db::Error past the
    // ceilings above (cell, width, memory).
    void beginRow(int sourceRow);
    void appendToCell(QStringView text);
    void appendToCell(QChar c) {
        // One character at a time from a CSV file: the checks only when the buffer grows.
        if (text_.size() < text_.capacity() && text_.size() - cellStart() < kMaxCellLength)
            text_.append(c);
        else
            appendToCell(QStringView(&c, 1));
    }
    // The cell being built, and a text that replaces it.
    QStringView pendingCell() const { return QStringView(text_).mid(cellStart()); }
    void replacePendingCell(const QString& text);
    void endCell(CellKind kind = CellKind::Text);
    void endRow();
    // The heading row: the chosen source row (or the first kept row after it), else the
    // first of the first rows holding two known headings, else the first row. The rows
    // above it (a title) are dropped.
    void finish(const HeadingTest& isHeading, int chosenRow = 0);

  private:
    quint32 cellStart() const {
        return cellEnds_.size() > rowStarts_.back() ? cellEnds_.back() : rowTextStart_;
    }
    int findHeadingRow(const HeadingTest& isHeading) const;
    void checkMemory() const;

    QString text_;
    std::vector<quint32> cellEnds_;
    std::vector<CellKind> kinds_;       // empty while every cell is text
    std::vector<quint32> rowStarts_{0}; // first cell of each row, and one past the last row
    std::vector<quint32> sourceRows_;
    quint32 rowTextStart_ = 0;
    int pendingSourceRow_ = 0;
    int pendingColumn_ = 0; // empty cells past the edge included
    int rowsBegun_ = 0;
    int headingRow_ = 0;
};

// How the rows of a file are taken.
struct ReadOptions {
    HeadingTest isHeading;                // none: the first row with anything in it has the headings
    int headingRow = 0;                   // the office's choice, as a spreadsheet counts; 0: found
    int sheet = -1;                       // a workbook's sheet by its place; -1: the first visible one
    output::Progress* progress = nullptr; // stopping it throws output::Cancelled
};

enum class Encoding { Utf8, Win1250 };

struct CsvFormat {
    Encoding encoding = Encoding::Utf8;
    QChar separator = QLatin1Char(';');
};

// Valid UTF-8 in the whole file (with or without a byte-order mark) is UTF-8, anything
// else Windows-1250; the separator is the one of ";", tab and "," that splits the heading
// row into known headings, else the one the first line holds most of outside quotes.
// Throws db::Error when the file cannot be read.
CsvFormat detectCsv(const QString& path, const HeadingTest& isHeading = {},
                    output::Progress* progress = nullptr);
// A cell written as ="text" (or '=text, as the program's own files do) is the text.
Sheet readCsv(const QString& path, const CsvFormat& format, const ReadOptions& options = {});

struct WorkbookSheet {
    QString name;
    bool hidden = false;
};
std::vector<WorkbookSheet> workbookSheets(const QString& path);
// The place of the first visible sheet; 0 when all are hidden.
int firstVisibleSheet(const std::vector<WorkbookSheet>& sheets);
// A sheet of an .xlsx workbook: a date cell (by its number format, in either date system)
// as ÉÉÉÉ.HH.NN., a number under a format of digits and literals as it is shown.
Sheet readXlsx(const QString& path, const ReadOptions& options = {});

// By the file's name: what a file to be written becomes.
bool isXlsx(const QString& path);
enum class FileKind { Csv, Xlsx };
// By the file's first bytes, whatever its name. Throws db::Error, telling in Hungarian
// what to save it as, for an old or password-protected workbook, an OpenDocument sheet
// and any other file that is not text.
FileKind fileKind(const QString& path);

} // namespace intake
