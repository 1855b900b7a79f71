#include "data/Azonosito.h"

namespace azonosito {

namespace {

bool csakSzamjegy(const QString& s) {
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

} // namespace

QString szamjegyei(const QString& text) {
    QString s = text.trimmed();
    s.remove(u' ');
    s.remove(u'-');
    return s;
}

QString tajHiba(const QString& text) {
    // Only an empty box is no number: one of hyphens alone is a wrong one.
    if (text.trimmed().isEmpty()) return {};
    const QString s = szamjegyei(text);
    if (s.size() != 9 || !csakSzamjegy(s)) return QStringLiteral("A TAJ-szám 9 számjegyből áll.");
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += s[i].digitValue() * (i % 2 == 0 ? 3 : 7);
    if (sum % 10 != s[8].digitValue()) return QStringLiteral("A TAJ-szám ellenőrző számjegye hibás.");
    return {};
}

QString omHiba(const QString& text) {
    if (text.trimmed().isEmpty()) return {};
    const QString s = szamjegyei(text);
    if (s.size() != 11 || !csakSzamjegy(s) || s[0] != u'7')
        return QStringLiteral("Az OM azonosító 11 számjegyből áll, és 7-essel kezdődik.");
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += s[i].digitValue() * (i + 1);
    if (sum % 11 == 10 || sum % 11 != s[10].digitValue())
        return QStringLiteral("Az OM azonosító ellenőrző számjegye hibás.");
    return {};
}

} // namespace azonosito
