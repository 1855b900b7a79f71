#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace db {

// The program's own date form, independent of the machine's locale.
inline const QString kDateFormat = QStringLiteral("yyyy.MM.dd.");
inline const QString kTimeFormat = QStringLiteral("HH:mm:ss");

// How a value is shown in grids and row lines; null is empty text.
QString displayText(const QVariant& value);

// Strict whole-number reading; throws ConversionError with the text.
qint64 toInteger(const QVariant& value);
int toInt(const QString& text);

// Reads yyyy.MM.dd. (also yyyy-MM-dd); an invalid QDate when it is no real date.
QDate parseDate(const QString& text);

} // namespace db
