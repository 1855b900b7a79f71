#pragma once

#include <QByteArray>
#include <QString>

namespace db {

// WIN1250 on the wire, Unicode in the program. A character WIN1250 cannot hold
// throws db::Error naming it: nothing is ever sent with a substitute.
QByteArray toWire(const QString& text);
QString fromWire(const char* data, qsizetype length = -1);
inline QString fromWire(const QByteArray& data) {
    return fromWire(data.constData(), data.size());
}

// The first character of text that WIN1250 cannot hold, or -1.
qsizetype firstUnencodable(const QString& text);
// The Hungarian message for such a character.
QString unencodableMessage(const QString& text, qsizetype position);

// A value to store: besides what WIN1250 cannot hold, control characters other than
// line breaks are refused (they would be invisible in every box that shows the value).
qsizetype firstUnstorable(const QString& text);
QString unstorableMessage(const QString& text, qsizetype position);
QByteArray valueToWire(const QString& text); // throws db::Error with that message

} // namespace db
