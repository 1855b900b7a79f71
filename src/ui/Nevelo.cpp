#include "Nevelo.h"

#include <QStringList>

namespace ui {

namespace {

bool isVowel(QChar c) {
    return QStringLiteral("aáeéiíoóöőuúüű").contains(c.toLower());
}

// A number read aloud begins with a vowel when its first word does: "egy", "ezer",
// "egymillió", "öt", "ötven", "ötszáz".
bool numberBeginsWithVowel(const QString& digits) {
    QString d = digits;
    while (d.size() > 1 && d.front() == QLatin1Char('0'))
        d.remove(0, 1);
    // the group before the first thousands' separator as read: 1999 → 1 (ezer…), 250000 → 250
    const qsizetype lead = d.size() % 3 == 0 ? 3 : d.size() % 3;
    const int group = d.left(lead).toInt();
    if (group >= 100) return group / 100 == 5;
    if (group >= 10) return group / 10 == 5;
    return group == 1 || group == 5;
}

// Consonants whose names begin with a vowel: an abbreviation read letter by letter. One
// with a vowel is read as a word ("MÁV", "SZABÓ"), unless it is short and begins with two
// consonants no Hungarian word begins with ("SNI").
bool spelledWithVowel(const QString& token) {
    if (token.size() < 2 || token.size() > 5) return false;
    bool vowel = false;
    for (QChar c : token) {
        if (!c.isUpper()) return false;
        vowel = vowel || isVowel(c);
    }
    if (!QStringLiteral("FLMNRSXY").contains(token.front())) return false;
    if (!vowel) return true;
    static const QStringList digraphs{QStringLiteral("SZ"), QStringLiteral("ZS"), QStringLiteral("LY"),
                                      QStringLiteral("NY")};
    return token.size() <= 3 && !isVowel(token.at(1)) && !digraphs.contains(token.left(2));
}

} // namespace

QString nevelo(const QString& word) {
    qsizetype i = 0;
    // quotes, brackets and blanks are not read aloud
    while (i < word.size() && !word.at(i).isLetterOrNumber())
        ++i;
    if (i == word.size()) return QStringLiteral("a");
    const QChar first = word.at(i);
    if (first.isDigit()) {
        qsizetype end = i;
        while (end < word.size() && word.at(end).isDigit())
            ++end;
        return numberBeginsWithVowel(word.mid(i, end - i)) ? QStringLiteral("az") : QStringLiteral("a");
    }
    qsizetype end = i;
    while (end < word.size() && word.at(end).isLetter())
        ++end;
    if (isVowel(first) || spelledWithVowel(word.mid(i, end - i))) return QStringLiteral("az");
    return QStringLiteral("a");
}

QString aAz(const QString& word, bool capital) {
    QString article = nevelo(word);
    if (capital) article[0] = article.at(0).toUpper();
    return article + QLatin1Char(' ') + word;
}

QString nevelokKitoltve(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(QStringLiteral("(z) "), from);
        if (at < 1 || (text.at(at - 1) != QLatin1Char('a') && text.at(at - 1) != QLatin1Char('A')) ||
            (at >= 2 && text.at(at - 2).isLetterOrNumber())) {
            if (at < 0) break;
            out += text.mid(from, at + 4 - from);
            from = at + 4;
            continue;
        }
        out += text.mid(from, at - 1 - from);
        QString article = nevelo(text.mid(at + 4));
        if (text.at(at - 1) == QLatin1Char('A')) article[0] = QLatin1Char('A');
        out += article;
        from = at + 3; // the blank before the word stays
    }
    return out + text.mid(from);
}

} // namespace ui
