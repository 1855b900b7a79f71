#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// Excel workbooks of one sheet, for results and lists handed to a spreadsheet program.
namespace output {

class Progress;
struct Report;
struct RowStream;

// Writes one sheet: the titles bold in a frozen first row, widths that fit the content.
// A QString cell is written as text (never as a formula, so "=..." or "+36..." stays text),
// int/qint64/double as a number, QDate as a date (yyyy.mm.dd. format), QDateTime as date+time,
// a null QVariant as an empty cell. Returns an empty string on success, else a Hungarian message.
// Written aside and renamed when whole; throws Cancelled (leaving no file) when stopped.
QString writeXlsx(const QString& path, const QString& sheetName, const QStringList& titles, int rowCount,
                  const std::function<QVariant(int row, int column)>& cell, Progress* progress = nullptr);

// The report's rows with the types the database gave them; false, with the reason in
// error, when the file could not be written whole.
bool writeXlsx(const QString& path, const Report& report, QString& error, Progress* progress = nullptr);
// The stream's rows in order, each read once.
bool writeXlsx(const QString& path, const RowStream& rows, QString& error, Progress* progress = nullptr);

// A workbook of several sheets, each with its titles and rows (cells as above).
struct Sheet {
    QString name;
    QStringList titles;
    QList<QVariantList> rows;
};
bool writeXlsx(const QString& path, const QList<Sheet>& sheets, QString& error);

} // namespace output
