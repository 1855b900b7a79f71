#pragma once

#include <QString>

// The readers' shared messages.
namespace intake {

// row 0: somewhere in the file.
QString cellTooLong(int row);
QString tooManyStrings();
QString tooWide(int row, int column);
QString tooBig(int row);
QString tooManyRows();
QString unreadable(const QString& path, const QString& why);
QString brokenWorkbook(const QString& path);

} // namespace intake
