#include "Values.h"

#include <QDateTime>
#include <QTime>
#include <limits>

#include "Error.h"

namespace db {

QString displayText(const QVariant& value) {
    if (value.isNull()) return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(kDateFormat);
    case QMetaType::QTime:
        return value.toTime().toString(kTimeFormat);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(kDateFormat + QLatin1Char(' ') + kTimeFormat);
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 7);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

qint64 toInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::LongLong:
    case QMetaType::Long:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        if (value.toULongLong() > static_cast<qulonglong>(std::numeric_limits<qint64>::max()))
            throw ConversionError(value.toString());
        return static_cast<qint64>(value.toULongLong());
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    default:
        break;
    }
    const QString text = value.toString();
    // Leading blanks are allowed, trailing ones are not, as the classic conversion did
    // (QString's own conversion would skip both).
    QString trimmed = text;
    while (!trimmed.isEmpty() && trimmed.front().isSpace())
        trimmed.remove(0, 1);
    bool ok = false;
    const qint64 n = trimmed.toLongLong(&ok, 10);
    if (!ok || trimmed.isEmpty() || trimmed.back().isSpace()) throw ConversionError(text);
    return n;
}

int toInt(const QString& text) {
    const qint64 n = toInteger(text);
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        throw ConversionError(text);
    return static_cast<int>(n);
}

QDate parseDate(const QString& text) {
    QDate d = QDate::fromString(text, kDateFormat);
    if (!d.isValid()) d = QDate::fromString(text, Qt::ISODate);
    return d;
}

} // namespace db
