#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

// A spreadsheet read from a file: the first row's headings, and every other cell once,
// in one buffer. Nothing else of the file is kept.
namespace intake {

class Sheet {
  public:
    QStringList headings;

    int rowCount() const { return static_cast<int>(rowStarts_.size()) - 1; }
    int columnCount() const { return static_cast<int>(headings.size()); }
    // Empty beyond the cells the row has.
    QStringView cell(int row, int column) const;
    // Where the row stands in the file, counted as a spreadsheet does (headings = 1).
    int sourceRow(int row) const { return static_cast<int>(sourceRows_[static_cast<size_t>(row)]); }
    qint64 memoryBytes() const;

    // Building, row by row; a row of empty cells is dropped, the first kept one is the headings.
    void beginRow(int sourceRow);
    void appendToCell(QStringView text) { text_.append(text); }
    void appendToCell(QChar c) { text_.append(c); }
    void endCell();
    void endRow();

  private:
    QString text_;
    std::vector<quint32> cellEnds_;
    std::vector<quint32> rowStarts_{0}; // first cell of each row, and one past the last row
    std::vector<quint32> sourceRows_;
    quint32 rowTextStart_ = 0;
    int pendingSourceRow_ = 0;
};

enum class Encoding { Utf8, Win1250 };

struct CsvFormat {
    Encoding encoding = Encoding::Utf8;
    QChar separator = QLatin1Char(';');
};

// Valid UTF-8 (with or without a byte-order mark) is UTF-8, anything else Windows-1250;
// the separator is the one of ";", tab and "," that the first line holds most of outside
// quotes. Throws db::Error when the file cannot be read.
CsvFormat detectCsv(const QString& path);
Sheet readCsv(const QString& path, const CsvFormat& format);
// The first sheet of an .xlsx workbook; a date cell (by its number format) as ÉÉÉÉ.HH.NN.
Sheet readXlsx(const QString& path);
bool isXlsx(const QString& path);

} // namespace intake
