#include "Text.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include "Error.h"
#include "ui/Nevelo.h"

namespace db {

namespace {
const char* const kCodec = "windows-1250";

// Whether WIN1250 holds the text exactly: it must come back unchanged, not with "?".
bool encodes(const QString& text, QByteArray* wire) {
    QStringEncoder encoder(kCodec);
    if (!encoder.isValid()) throw Error(QStringLiteral("A windows-1250 kódlap nem érhető el."));
    QByteArray bytes = encoder.encode(text);
    QStringDecoder decoder(kCodec);
    const bool exact = !encoder.hasError() && decoder.decode(bytes) == text;
    if (wire) *wire = std::move(bytes);
    return exact;
}

QString describe(char32_t ch) {
    return QStringLiteral("U+%1").arg(static_cast<uint>(ch), 4, 16, QLatin1Char('0')).toUpper();
}
} // namespace

qsizetype firstUnencodable(const QString& text) {
    if (encodes(text, nullptr)) return -1;
    // Slow path only on failure: find the culprit character by character.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        if (!encodes(text.mid(i, len), nullptr)) return i;
        i += len;
    }
    return 0;
}

QString unencodableMessage(const QString& text, qsizetype position) {
    const qsizetype len = (text.at(position).isHighSurrogate() && position + 1 < text.size()) ? 2 : 1;
    const QString ch = text.mid(position, len);
    return QStringLiteral("%1 karakter (%2) nem tárolható az adatbázisban (WIN1250 kódlap).")
        .arg(ui::aAz(u'"' + ch + u'"', true), describe(ch.toUcs4().value(0)));
}

namespace {
bool refusedControl(QChar c) {
    return c.category() == QChar::Other_Control && c != QLatin1Char('\r') && c != QLatin1Char('\n');
}
} // namespace

qsizetype firstUnstorable(const QString& text) {
    const qsizetype unencodable = firstUnencodable(text);
    const qsizetype end = unencodable < 0 ? text.size() : unencodable;
    for (qsizetype i = 0; i < end; ++i)
        if (refusedControl(text.at(i))) return i;
    return unencodable;
}

QString unstorableMessage(const QString& text, qsizetype position) {
    if (refusedControl(text.at(position)))
        return QStringLiteral("%1 vezérlőkarakter nem tárolható az adatbázisban.")
            .arg(ui::aAz(describe(text.at(position).unicode()), true));
    return unencodableMessage(text, position);
}

QByteArray valueToWire(const QString& text) {
    const qsizetype at = firstUnstorable(text);
    if (at >= 0) throw Error(unstorableMessage(text, at));
    return toWire(text);
}

QByteArray toWire(const QString& text) {
    QByteArray wire;
    if (!encodes(text, &wire)) {
        const qsizetype pos = firstUnencodable(text);
        throw Error(unencodableMessage(text, pos < 0 ? 0 : pos));
    }
    return wire;
}

QString fromWire(const char* data, qsizetype length) {
    QStringDecoder decoder(kCodec);
    if (length < 0) length = qstrlen(data);
    return decoder.decode(QByteArrayView(data, length));
}

} // namespace db
