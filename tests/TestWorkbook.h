#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// Workbooks written part by part, for what a workbook writer library cannot make:
// hidden sheets, error values, the 1904 date system, any number format or size.
namespace testing {

// False when the zip could not be written.
bool writeZip(const QString& path, const QList<std::pair<QString, QByteArray>>& entries);

struct WorkbookPart {
    QString name;
    QByteArray rows;      // the <row> elements of its sheetData
    QString state{};      // "hidden", "veryHidden" or none
    QByteArray doctype{}; // a <!DOCTYPE …> before the sheet's root, as no program writes one
};
// Cell style n (s="n") shows numbers with formats[n - 1]; shared[i] is shared text i.
QString writeWorkbook(const QString& path, const QList<WorkbookPart>& sheets, const QStringList& formats = {},
                      const QStringList& shared = {}, bool date1904 = false);
// A row of inline texts from column A on.
QByteArray textRow(int row, const QStringList& texts);

// The first sheet of a written workbook as a spreadsheet program reads it: each row's
// cells in order, a text as its text, a number or a date as its stored value.
QList<QStringList> readSheet(const QString& path);

// A heading the intake knows.
bool knownHeading(const QString& heading);

} // namespace testing
