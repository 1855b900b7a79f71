#include "Sablon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include "db/Error.h"
#include "ui/Nevelo.h"

namespace documents {

const QStringList& fieldNames() {
    static const QStringList names{
        // the student
        QStringLiteral("id"), QStringLiteral("nev"), QStringLiteral("diak_cim"),
        QStringLiteral("diak_cim_varos"), QStringLiteral("szul_hely"), QStringLiteral("szul_ido"),
        QStringLiteral("sz_szam"), QStringLiteral("diak_tel"), QStringLiteral("anyja_nev"),
        QStringLiteral("gondviselo_nev"), QStringLiteral("gondviselo_cim"), QStringLiteral("gondviselo_tel"),
        QStringLiteral("diak_taj"), QStringLiteral("diak_om"), QStringLiteral("diak_diak"),
        QStringLiteral("mj"), QStringLiteral("tanult_nyelv"), QStringLiteral("evfolyam"),
        // the further data; the statuses in one
        QStringLiteral("nem"), QStringLiteral("iranyitoszam"), QStringLiteral("allampolgarsag"),
        QStringLiteral("jogviszony_kezdete"), QStringLiteral("egyeni_munkarend"), QStringLiteral("bejaro"),
        QStringLiteral("kollegista"), QStringLiteral("gondviselo_irsz"), QStringLiteral("gondviselo_email"),
        QStringLiteral("sajatos_helyzet"), QStringLiteral("sni_hosszabb"),
        // the student's past: one line a row; a leaver's leaving
        QStringLiteral("osztalytortenet"), QStringLiteral("valtozasnaplo"), QStringLiteral("allapot"),
        QStringLiteral("kilepes_datum"), QStringLiteral("kilepes_ok"), QStringLiteral("kilepes_megjegyzes"),
        // the class
        QStringLiteral("osztaly"), QStringLiteral("osztaly_szam"), QStringLiteral("osztaly_betu"),
        QStringLiteral("osztaly_szak"), QStringLiteral("osztalyfonok"),
        // the school
        QStringLiteral("iskola_nev"), QStringLiteral("iskola_cim"), QStringLiteral("iskola_om"),
        QStringLiteral("igazgato"), QStringLiteral("kelt_helye"), QStringLiteral("alairo"),
        QStringLiteral("alairo_beosztas"), QStringLiteral("megbizasbol"), QStringLiteral("utolso_evfolyam"),
        // the document
        QStringLiteral("tanev"), QStringLiteral("munkarend"), QStringLiteral("tankotelezettseg"),
        QStringLiteral("jogviszony_vege"), QStringLiteral("cel"), QStringLiteral("kelt"),
        QStringLiteral("iktatoszam"), QStringLiteral("sablon"), QStringLiteral("keszult")};
    return names;
}

namespace {
[[noreturn]] void refuse(const QString& path, const QString& what) {
    throw db::Error(QStringLiteral("%1 sablon nem használható: %2")
                        .arg(ui::aAz(QDir::toNativeSeparators(QFileInfo(path).fileName()), true), what));
}

// {{a tanev}} or {{az tanev}}: the field with its article ("az 1999/2000", "a 2026/2027");
// {{A tanev}}, {{Az tanev}} at the start of a sentence.
struct Field {
    QString name;
    bool article = false;
    bool capital = false;
};
Field parseField(const QString& inside) {
    static const QRegularExpression re(QStringLiteral("^(a|az|A|Az)\\s+(\\S+)$"));
    const QRegularExpressionMatch m = re.match(inside.trimmed());
    if (!m.hasMatch()) return {inside.trimmed()};
    return {m.captured(2), true, m.captured(1).front().isUpper()};
}

const QRegularExpression& fieldPattern() {
    static const QRegularExpression re(QStringLiteral("\\{\\{\\s*([^{}]*?)\\s*\\}\\}"));
    return re;
}
} // namespace

Sablon Sablon::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw db::Error(QStringLiteral("%1 sablon nem olvasható: %2")
                            .arg(ui::aAz(QDir::toNativeSeparators(path), true), file.errorString()));
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString html = utf8(bytes);
    if (utf8.hasError()) refuse(path, QStringLiteral("nem UTF-8 kódolású."));

    static const QRegularExpression titleRe(QStringLiteral("<title[^>]*>(.*?)</title>"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    const QString title = titleRe.match(html).captured(1).simplified();
    if (title.isEmpty()) refuse(path, QStringLiteral("nincs címe (<title>)."));

    // Every {{ must close before the next one opens, and name a known field.
    qsizetype at = 0;
    while ((at = html.indexOf(QLatin1String("{{"), at)) >= 0) {
        const qsizetype end = html.indexOf(QLatin1String("}}"), at + 2);
        const qsizetype next = html.indexOf(QLatin1String("{{"), at + 2);
        if (end < 0 || (next >= 0 && next < end)) {
            const int line = static_cast<int>(html.left(at).count(QLatin1Char('\n'))) + 1;
            refuse(path, QStringLiteral("%1. sorban lezáratlan „{{”.").arg(ui::aAz(QString::number(line))));
        }
        const QString inside = html.mid(at + 2, end - at - 2).trimmed();
        if (!fieldNames().contains(parseField(inside).name))
            refuse(path, QStringLiteral("nincs ilyen mező: {{%1}}.").arg(inside));
        at = end + 2;
    }
    static const QRegularExpression leaversRe(
        QStringLiteral("<meta\\s+name\\s*=\\s*\"kilepett-tanulonak\"\\s+content\\s*=\\s*\"igen\""),
        QRegularExpression::CaseInsensitiveOption);
    return Sablon{QFileInfo(path).fileName(), title, html, leaversRe.match(html).hasMatch()};
}

QStringList Sablon::fields() const {
    QStringList out;
    for (const QRegularExpressionMatch& m : fieldPattern().globalMatch(html)) {
        const QString name = parseField(m.captured(1)).name;
        if (!out.contains(name)) out << name;
    }
    return out;
}

QString Sablon::fill(const QHash<QString, QString>& values) const {
    QString out;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& m : fieldPattern().globalMatch(html)) {
        out += html.mid(last, m.capturedStart() - last);
        // Text from the database is text: escaped, its line breaks kept.
        const Field field = parseField(m.captured(1));
        QString value = values.value(field.name);
        if (field.article) value = ui::aAz(value, field.capital);
        value = value.toHtmlEscaped();
        value.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"))
            .replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        out += value;
        last = m.capturedEnd();
    }
    out += html.mid(last);
    return out;
}

QList<Sablon> listSablonok(const QString& folder, QStringList* problems) {
    QList<Sablon> out;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*.html"), QStringLiteral("*.htm")}, QDir::Files, QDir::Name)) {
        try {
            out << Sablon::load(dir.filePath(name));
        } catch (const db::Error& e) {
            if (problems) *problems << e.message();
        }
    }
    return out;
}

} // namespace documents
