#include "Mezok.h"

#include <QRegularExpression>
#include <array>

#include "Tablazat.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"

namespace intake {

namespace {

struct FieldInfo {
    const char* key;
    const char* caption;
    std::initializer_list<const char*> headings; // as headingKey() leaves them
};

const FieldInfo kFields[kFieldCount] = {
    {"nev", "Név", {"nev", "tanuloneve", "tanulonev", "diakneve", "diaknev", "teljesnev"}},
    {"diak_cim", "Teljes cím", {"cim", "teljescim", "lakcim", "lakcime", "tanulocime", "allandolakcim"}},
    {"diak_cim_varos", "Város", {"varos", "telepules", "helyseg", "lakhely", "varosa"}},
    {"szul_hely", "Születési hely", {"szuletesihely", "szuletesihelye", "szulhely"}},
    {"szul_ido",
     "Születési idő",
     {"szuletesiido", "szuletesiideje", "szuletesidatum", "szuletesidatuma", "szulido", "szuldatum"}},
    {"sz_szam",
     "Személyigazolvány száma",
     {"szemelyiigazolvanyszama", "szemelyiigazolvanyszam", "szemelyiigazolvany", "szigszam"}},
    {"diak_tel",
     "Tanuló telefonszáma",
     {"tanulotelefonszama", "tanulotelefon", "telefon", "telefonszam", "telefonszama", "tel"}},
    {"anyja_nev", "Anyja neve", {"anyjaneve", "anyjanev", "anyjaszuletesineve"}},
    {"gondviselo_nev", "Gondviselő neve", {"gondviseloneve", "gondviselonev", "gondviselo", "szuloneve"}},
    {"gondviselo_cim", "Gondviselő címe", {"gondviselocime", "gondviselocim", "gondviselolakcime"}},
    {"gondviselo_tel",
     "Gondviselő telefonszáma",
     {"gondviselotelefonszama", "gondviselotelefon", "gondviselotel", "szulotelefonszama"}},
    {"diak_taj", "TAJ száma", {"taj", "tajszam", "tajszama", "tajazonosito"}},
    {"diak_OM",
     "OM azonosítója",
     {"om", "omazonosito", "omazonositoja", "oktatasiazonosito", "oktatasiazonositoja", "diakazonosito"}},
    {"diak_diak", "Diákigazolvány száma", {"diakigazolvanyszama", "diakigazolvanyszam", "diakigazolvany"}},
    {"mj", "Megjegyzés", {"megjegyzes", "megjegyzesek"}},
    {"osztaly", "Osztály", {"osztaly", "osztalya"}},
    // In a spreadsheet the "évfolyam" is the grade; the record's school year is the "tanév".
    {"osztaly_szam", "Évfolyam (az osztály száma)", {"evfolyam", "osztalyszam", "osztalyszama"}},
    {"osztaly_betu", "Osztály betűjele", {"betujel", "osztalybetujele", "osztalybetujel", "osztalybetu"}},
    {"tanult_nyelv", "Tanult nyelv", {"tanultnyelv", "nyelv", "idegennyelv", "elsoidegennyelv"}},
    {"evfolyam", "Tanév", {"tanev", "aktualistanev", "tanevkezdete"}},
    // Never guessed from a heading alone: "Lakcím" is the street unless the cells say otherwise.
    {"lakcim_egyben", "Lakcím (irányítószám, város, utca)", {}},
    {"iranyitoszam", "Irányítószám", {"iranyitoszam", "irsz", "irszam", "postairanyitoszam"}},
    {"nem", "Neme (F/L)", {"nem", "neme", "tanuloneme"}},
    {"allampolgarsag", "Állampolgárság", {"allampolgarsag", "allampolgarsaga"}},
    {"jogviszony_kezdete",
     "Jogviszony kezdete",
     {"jogviszonykezdete", "jogviszonykezdet", "tanulojogviszonykezdete", "beiratkozasdatuma",
      "beiratkozas"}},
    {"sni", "SNI", {"sni", "sajatosnevelesiigeny", "sajatosnevelesiigenyu"}},
    {"btmn", "BTMN", {"btmn"}},
    {"hh", "HH (hátrányos helyzetű)", {"hh", "hatranyoshelyzetu", "hatranyoshelyzet"}},
    {"hhh",
     "HHH (halmozottan hátrányos helyzetű)",
     {"hhh", "halmozottanhatranyoshelyzetu", "halmozottanhatranyoshelyzet"}},
    {"egyeni_munkarend", "Egyéni munkarend", {"egyenimunkarend", "egyenitanrend"}},
    {"bejaro", "Bejáró", {"bejaro"}},
    {"kollegista", "Kollégista", {"kollegista", "kollegiumi", "kollegium"}},
    {"gondviselo_irsz",
     "Gondviselő irányítószáma",
     {"gondviseloiranyitoszama", "gondviseloiranyitoszam", "gondviseloirsz"}},
    {"gondviselo_email",
     "Gondviselő e-mail címe",
     {"gondviseloemail", "gondviseloemailcime", "gondviseloemailcim", "email", "emailcim", "szuloemail"}},
    {"sni_kelte",
     "SNI: határozat kelte",
     {"snihatarozatkelte", "snihatarozatdatuma", "snihatarozat", "snikelte", "snidatuma", "snivelemenykelte",
      "snisakertoivelemenykelte"}},
    {"sni_ervenyes",
     "SNI: érvényes / felülvizsgálat",
     {"sniervenyes", "sniervenyesseg", "sniervenyessegevege", "snifelulvizsgalat", "snifelulvizsgalatdatuma",
      "snilejarata"}},
    {"btmn_kelte",
     "BTMN: határozat kelte",
     {"btmnhatarozatkelte", "btmnhatarozatdatuma", "btmnhatarozat", "btmnkelte", "btmndatuma",
      "btmnvelemenykelte", "btmnsakertoivelemenykelte"}},
    {"btmn_ervenyes",
     "BTMN: érvényes / felülvizsgálat",
     {"btmnervenyes", "btmnervenyesseg", "btmnervenyessegevege", "btmnfelulvizsgalat",
      "btmnfelulvizsgalatdatuma", "btmnlejarata"}},
    {"hh_kelte",
     "HH: határozat kelte",
     {"hhhatarozatkelte", "hhhatarozatdatuma", "hhhatarozat", "hhkelte", "hhdatuma"}},
    {"hh_ervenyes",
     "HH: érvényes / felülvizsgálat",
     {"hhervenyes", "hhervenyesseg", "hhervenyessegevege", "hhfelulvizsgalat", "hhlejarata"}},
    {"hhh_kelte",
     "HHH: határozat kelte",
     {"hhhhatarozatkelte", "hhhhatarozatdatuma", "hhhhatarozat", "hhhkelte", "hhhdatuma"}},
    {"hhh_ervenyes",
     "HHH: érvényes / felülvizsgálat",
     {"hhhervenyes", "hhhervenyesseg", "hhhervenyessegevege", "hhhfelulvizsgalat", "hhhlejarata"}},
};

const FieldInfo& info(Field f) {
    return kFields[static_cast<int>(f)];
}

// Most of the first filled cells of the column are addresses in one.
bool holdsWholeAddresses(const Sheet& sheet, int column) {
    int filled = 0, whole = 0;
    for (int r = 0; r < sheet.rowCount() && filled < 20; ++r) {
        const QString v = sheet.cell(r, column).trimmed().toString();
        if (v.isEmpty()) continue;
        ++filled;
        Address a;
        if (splitAddress(v, a) && !a.postcode.isEmpty()) ++whole;
    }
    return filled > 0 && whole * 2 > filled;
}

} // namespace

QString fieldCaption(Field field) {
    return field == Field::None ? QStringLiteral("(nem kell)") : QString::fromUtf8(info(field).caption);
}

QString fieldKey(Field field) {
    return field == Field::None ? QString() : QString::fromLatin1(info(field).key);
}

Field fieldByKey(const QString& key) {
    for (int i = 0; i < kFieldCount; ++i)
        if (key == QLatin1String(kFields[i].key)) return static_cast<Field>(i);
    return Field::None;
}

QString headingKey(const QString& heading) {
    QString key;
    for (const QChar c : heading.normalized(QString::NormalizationForm_D))
        if (c.isLetterOrNumber()) key += c.toLower();
    return key;
}

Field guessField(const QString& heading) {
    const QString key = headingKey(heading);
    for (int i = 0; i < kFieldCount; ++i)
        for (const char* h : kFields[i].headings)
            if (key == QLatin1String(h)) return static_cast<Field>(i);
    return Field::None;
}

Mapping guessMapping(const QStringList& headings, const QHash<QString, Field>& remembered,
                     const Sheet* sheet) {
    Mapping mapping;
    std::array<bool, kFieldCount> taken{};
    for (const QString& h : headings) {
        const QString key = headingKey(h);
        Field f = remembered.contains(key) ? remembered.value(key) : guessField(h);
        if (f != Field::None && taken[static_cast<size_t>(f)]) f = Field::None;
        if (f != Field::None) taken[static_cast<size_t>(f)] = true;
        mapping.push_back(f);
    }
    if (sheet && !taken[static_cast<size_t>(Field::Varos)] && !taken[static_cast<size_t>(Field::Lakcim)])
        for (size_t c = 0; c < mapping.size(); ++c)
            if (mapping[c] == Field::Cim && holdsWholeAddresses(*sheet, static_cast<int>(c))) {
                mapping[c] = Field::Lakcim;
                break;
            }
    return mapping;
}

QHash<QString, Field> rememberedMappings(db::Connection& connection) {
    db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(connection, tr);
    s.prepare(QStringLiteral("select fejlec, mezo from table_beolvasas_oszlop"));
    s.execute();
    QHash<QString, Field> remembered;
    while (s.fetch())
        remembered.insert(s.value(0).toString(), fieldByKey(s.value(1).toString()));
    s.closeCursor();
    tr.commit();
    return remembered;
}

void rememberMapping(db::Connection& connection, const QStringList& headings, const Mapping& mapping) {
    db::Transaction tr(connection);
    try {
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral("update or insert into table_beolvasas_oszlop (fejlec, mezo) "
                                 "values (:fejlec, :mezo) matching (fejlec)"));
        for (qsizetype i = 0; i < headings.size() && i < qsizetype(mapping.size()); ++i) {
            const QString key = headingKey(headings.at(i)).left(100);
            // A heading the database cannot hold is not remembered.
            if (key.isEmpty() || db::firstUnstorable(key) >= 0) continue;
            s.bind({key, fieldKey(mapping[static_cast<size_t>(i)])});
            s.execute();
        }
        tr.commit();
    } catch (...) {
        if (tr.isActive()) tr.rollback();
        throw;
    }
}

bool splitAddress(const QString& text, Address& out) {
    // "6000 Kecskemét", "H-6000 Kecskemét": the town's part, with the postcode before it
    static const QRegularExpression withPostcode(QStringLiteral("^(?:H\\s*-\\s*)?(\\d{4})\\s+(\\D.*)$"));
    QStringList parts = text.simplified().split(u',');
    for (QString& p : parts)
        p = p.trimmed();
    parts.removeAll(QString());
    if (parts.size() < 2) return false;
    out = Address{};
    auto hasDigit = [](const QString& p) {
        return std::any_of(p.cbegin(), p.cend(), [](QChar c) { return c.isDigit(); });
    };
    auto place = [&](qsizetype townAt) {
        const QString town = parts.takeAt(townAt);
        const QRegularExpressionMatch m = withPostcode.match(town);
        out.postcode = m.hasMatch() ? m.captured(1) : QString();
        out.town = m.hasMatch() ? m.captured(2).trimmed() : town;
        out.street = parts.join(QStringLiteral(", "));
    };
    if (withPostcode.match(parts.first()).hasMatch())
        place(0);
    else if (withPostcode.match(parts.last()).hasMatch())
        place(parts.size() - 1);
    else if (!hasDigit(parts.first()) && hasDigit(parts.last()))
        place(0); // the house number tells the street
    else if (hasDigit(parts.first()) && !hasDigit(parts.last()))
        place(parts.size() - 1);
    else {
        place(0);
        out.guessed = true;
    }
    return !out.town.isEmpty() && !out.street.isEmpty() && !out.town.front().isDigit();
}

} // namespace intake
