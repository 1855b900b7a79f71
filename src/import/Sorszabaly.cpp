#include "Sorszabaly.h"

#include <QRegularExpression>

#include "Tablazat.h"
#include "data/Azonosito.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "ui/Nevelo.h"

namespace intake {

namespace {

QString classKey(int grade, const QString& letter) {
    return QStringLiteral("%1.%2").arg(grade).arg(letter.toUpper());
}

int intOf(QStringView text, int from, int to) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= from && n <= to ? n : 0;
}

} // namespace

QString sentence(const QString& text) {
    if (text.isEmpty() || text.endsWith(u'.') || text.endsWith(u'!') || text.endsWith(u'?')) return text;
    return text + u'.';
}

namespace {
const QRegularExpression& slashForm() {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    return form;
}

bool isDateField(Field f) {
    return f == Field::SzulIdo || f == Field::JogviszonyKezdete ||
           (static_cast<int>(f) >= static_cast<int>(Field::SniKelte) &&
            static_cast<int>(f) <= static_cast<int>(Field::HhhErvenyes));
}

// Why a slash date is not read, when it is its order; empty otherwise.
QString slashFault(QStringView text, DateOrder order) {
    const QRegularExpressionMatch m = slashForm().match(text.trimmed().toString());
    if (!m.hasMatch() || m.captured(1).toInt() == m.captured(2).toInt()) return {};
    if (order == DateOrder::Mixed)
        return QStringLiteral("A fájl perjeles dátumai hol nap/hónap/év, hol hónap/nap/év sorrendűek: %1 nem "
                              "olvasható biztosan. Javítsa a fájlt egyféle sorrendre.")
            .arg(text);
    if (order == DateOrder::Unsettled)
        return QStringLiteral(
                   "A dátum (%1) nap/hónap/év és hónap/nap/év sorrendben is olvasható, és a fájl nem "
                   "dönti el, melyik; nyissa meg újra a fájlt, és válassza ki a sorrendet.")
            .arg(text);
    return {};
}
} // namespace

QDate parseDate(QStringView text, DateOrder order) {
    static const QRegularExpression forms[] = {
        QRegularExpression(QStringLiteral("^(\\d{4})\\.\\s*(\\d{1,2})\\.\\s*(\\d{1,2})\\.?$")),
        QRegularExpression(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$")),
    };
    const QString t = text.trimmed().toString();
    for (const QRegularExpression& form : forms) {
        const QRegularExpressionMatch m = form.match(t);
        if (!m.hasMatch()) continue;
        const int y = m.captured(1).toInt();
        const QDate date(y, m.captured(2).toInt(), m.captured(3).toInt());
        return y >= 1900 ? date : QDate();
    }
    const QRegularExpressionMatch m = slashForm().match(t);
    if (!m.hasMatch()) return {};
    const int a = m.captured(1).toInt(), b = m.captured(2).toInt(), y = m.captured(3).toInt();
    if (a != b && (order == DateOrder::Unsettled || order == DateOrder::Mixed)) return {};
    const QDate date = order == DateOrder::MonthFirst ? QDate(y, a, b) : QDate(y, b, a);
    return y >= 1900 ? date : QDate();
}

SlashDates slashDates(const Sheet& sheet, const Mapping& mapping) {
    bool dayFirst = false, monthFirst = false;
    QStringList ambiguous;
    for (size_t c = 0; c < mapping.size(); ++c) {
        if (!isDateField(mapping[c])) continue;
        for (int r = 0; r < sheet.rowCount(); ++r) {
            const QRegularExpressionMatch m = slashForm().match(sheet.cell(r, int(c)).trimmed().toString());
            if (!m.hasMatch()) continue;
            const int a = m.captured(1).toInt(), b = m.captured(2).toInt();
            dayFirst = dayFirst || a > 12;
            monthFirst = monthFirst || b > 12;
            if (a != b && a <= 12 && b <= 12 && ambiguous.size() < 2 && !ambiguous.contains(m.captured(0)))
                ambiguous << m.captured(0);
        }
    }
    SlashDates out;
    if (dayFirst && monthFirst)
        out.order = DateOrder::Mixed;
    else if (monthFirst)
        out.order = DateOrder::MonthFirst;
    else if (!dayFirst && !ambiguous.isEmpty()) {
        out.order = DateOrder::Unsettled;
        out.examples = ambiguous;
    }
    return out;
}

bool parseClass(QStringView text, ClassName& out) {
    static const QRegularExpression form(QStringLiteral("^(?:(\\d{1,2})\\s*[./]?\\s*)?(\\p{L}{1,10})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed().toString());
    if (!m.hasMatch()) return false;
    out.grade = m.captured(1).isEmpty() ? 0 : m.captured(1).toInt();
    out.letter = m.captured(2);
    return true;
}

void Reference::load(db::Connection& connection, db::Transaction& tr) {
    db::Statement s(connection, tr);
    classes.clear();
    int lower = 0, upper = 0;
    s.prepare(QStringLiteral("select id, osztaly_szam, osztaly_betu from table_osztaly"));
    s.execute();
    while (s.fetch()) {
        const QString letter = s.value(2).toString().trimmed();
        classes.insert(classKey(s.value(1).toInt(), letter), s.value(0).toInt());
        if (letter == letter.toLower() && letter != letter.toUpper()) ++lower;
        if (letter == letter.toUpper() && letter != letter.toLower()) ++upper;
    }
    s.closeCursor();
    letterCase = lower > upper ? LetterCase::Lower : upper > lower ? LetterCase::Upper : LetterCase::AsTyped;
    languages.clear();
    s.prepare(QStringLiteral("select id, nyelv_nev from table_nyelv"));
    s.execute();
    while (s.fetch())
        languages.insert(s.value(1).toString().trimmed().toLower(), s.value(0).toInt());
    s.closeCursor();
    std::fill(std::begin(lengths), std::end(lengths), 0);
    s.prepare(
        QStringLiteral("select trim(rf.rdb$field_name), f.rdb$character_length from rdb$relation_fields rf "
                       "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
                       "where rf.rdb$relation_name = 'TABLE_DIAK'"));
    s.execute();
    while (s.fetch())
        for (int f = 0; f < kTextFields; ++f)
            if (s.value(0).toString().compare(fieldKey(static_cast<Field>(f)), Qt::CaseInsensitive) == 0)
                lengths[f] = s.value(1).toInt();
    s.closeCursor();
}

int Reference::classId(int grade, const QString& letter) const {
    return classes.value(classKey(grade, letter));
}

QString Reference::letterFor(const QString& typed) const {
    switch (letterCase) {
    case LetterCase::Lower:
        return typed.toLower();
    case LetterCase::Upper:
        return typed.toUpper();
    case LetterCase::AsTyped:
        break;
    }
    return typed;
}

namespace {

QString lakcimIrsz(QStringView text) {
    Address a;
    return splitAddress(text.toString(), a) ? a.postcode : QString();
}

// The further data as offices write them: "F"/"L", "fiú"/"lány"; "igen"/"nem", "x".
void readFurther(Row& r, const std::array<QStringView, kFieldCount>& cell,
                 const std::array<bool, kFieldCount>& noValue, const QString& addressPostcode,
                 DateOrder order, const QDate& today) {
    using namespace tanulo_adatok;
    auto at = [&](Field f) { return cell[static_cast<size_t>(f)].toString(); };
    auto given = [&](Field f) {
        return !cell[static_cast<size_t>(f)].isEmpty() && !noValue[static_cast<size_t>(f)];
    };
    Adatok& a = r.adatok;
    for (Field f :
         {Field::Iranyitoszam, Field::Nem, Field::Allampolgarsag, Field::JogviszonyKezdete,
          Field::EgyeniMunkarend, Field::Bejaro, Field::Kollegista, Field::GondIrsz, Field::GondEmail})
        r.vanAdat = r.vanAdat || given(f);
    for (Field f : {Field::Sni, Field::Btmn, Field::Hh, Field::Hhh, Field::SniKelte, Field::SniErvenyes,
                    Field::BtmnKelte, Field::BtmnErvenyes, Field::HhKelte, Field::HhErvenyes, Field::HhhKelte,
                    Field::HhhErvenyes})
        r.vanBizalmas = r.vanBizalmas || given(f);
    r.vanAdat = r.vanAdat || r.vanBizalmas || !addressPostcode.isEmpty();
    if (!r.vanAdat) return;

    a.iranyitoszam = given(Field::Iranyitoszam) ? at(Field::Iranyitoszam) : addressPostcode;
    const auto hiba = [&](const QString& h) {
        if (!h.isEmpty()) r.errors << sentence(h);
    };
    hiba(irszHiba(a.iranyitoszam, QStringLiteral("Az irányítószám")));
    if (const std::optional<QString> nem = nemBol(at(Field::Nem)))
        a.nem = *nem;
    else
        r.errors << QStringLiteral("A nem nem értelmezhető: %1 (jó: F, L, fiú, lány).").arg(at(Field::Nem));
    if (given(Field::Allampolgarsag)) a.allampolgarsag = at(Field::Allampolgarsag).simplified();
    hiba(allampolgarsagHiba(a.allampolgarsag));
    a.kezdete = today.isValid() ? today : QDate::currentDate();
    if (given(Field::JogviszonyKezdete)) {
        a.kezdete = parseDate(cell[static_cast<size_t>(Field::JogviszonyKezdete)], order);
        if (const QString why = slashFault(cell[static_cast<size_t>(Field::JogviszonyKezdete)], order);
            !why.isEmpty())
            r.errors << why;
        else if (!a.kezdete.isValid())
            r.errors << QStringLiteral("A jogviszony kezdete nem dátum: %1 (jó például: 2025.09.01.).")
                            .arg(at(Field::JogviszonyKezdete));
    }
    const std::pair<Field, bool*> flags[] = {{Field::EgyeniMunkarend, &a.egyeniMunkarend},
                                             {Field::Bejaro, &a.bejaro},
                                             {Field::Kollegista, &a.kollegista},
                                             {Field::Sni, &a.sni.van},
                                             {Field::Btmn, &a.btmn.van},
                                             {Field::Hh, &a.hh.van},
                                             {Field::Hhh, &a.hhh.van}};
    for (const auto& [f, flag] : flags) {
        if (const std::optional<bool> v = igenNemBol(at(f)))
            *flag = *v;
        else
            r.errors << QStringLiteral("%1 oszlopban igen, nem, x vagy üres állhat: %2.")
                            .arg(ui::aAz(u'"' + fieldCaption(f) + u'"', true), at(f));
    }
    // a status's dates, read as the other dates; a date without its status is a mistake
    struct Dates {
        Field kelte, ervenyes;
        Statusz* statusz;
        const char* nev;
    };
    const Dates dates[] = {{Field::SniKelte, Field::SniErvenyes, &a.sni, "SNI"},
                           {Field::BtmnKelte, Field::BtmnErvenyes, &a.btmn, "BTMN"},
                           {Field::HhKelte, Field::HhErvenyes, &a.hh, "HH"},
                           {Field::HhhKelte, Field::HhhErvenyes, &a.hhh, "HHH"}};
    for (const Dates& d : dates) {
        const std::pair<Field, QDate*> pairs[] = {{d.kelte, &d.statusz->kelte},
                                                  {d.ervenyes, &d.statusz->ervenyes}};
        for (const auto& [f, date] : pairs) {
            if (!given(f)) continue;
            *date = parseDate(cell[static_cast<size_t>(f)], order);
            if (const QString why = slashFault(cell[static_cast<size_t>(f)], order); !why.isEmpty())
                r.errors << why;
            else if (!date->isValid())
                r.errors << QStringLiteral("%1 nem dátum: %2 (jó például: 2025.09.01.).")
                                .arg(ui::aAz(u'"' + fieldCaption(f) + u'"', true), at(f));
        }
        if (!d.statusz->van && (given(d.kelte) || given(d.ervenyes)))
            r.errors << QStringLiteral("%1: dátum csak megjelölt helyzethez adható meg.")
                            .arg(QLatin1String(d.nev));
    }
    a.gondviseloIrsz = at(Field::GondIrsz);
    hiba(irszHiba(a.gondviseloIrsz, QStringLiteral("A gondviselő irányítószáma")));
    a.gondviseloEmail = at(Field::GondEmail);
    hiba(emailHiba(a.gondviseloEmail));
    hiba(osszefuggesHiba(a));
}

} // namespace

Row readRow(const Sheet& sheet, int row, const Mapping& mapping, const Defaults& defaults,
            const Reference& reference) {
    Row r;
    std::array<bool, kFieldCount> noValue{}, numberCell{};
    auto headingOf = [&](Field f) {
        const auto c = std::find(mapping.cbegin(), mapping.cend(), f) - mapping.cbegin();
        const QString h = sheet.headings.value(static_cast<int>(c));
        return h.isEmpty() ? QStringLiteral("%1. oszlop").arg(c + 1) : h;
    };
    // What the spreadsheet held rather than a value, and numbers whose leading zeros it may
    // have dropped where they count.
    for (size_t c = 0; c < mapping.size(); ++c) {
        const Field f = mapping[c];
        if (f == Field::None) continue;
        const int column = static_cast<int>(c);
        const QString heading = sheet.headings.value(column).isEmpty()
                                    ? QStringLiteral("%1. oszlop").arg(column + 1)
                                    : sheet.headings.value(column);
        switch (sheet.kind(row, column)) {
        case CellKind::Error:
            noValue[static_cast<size_t>(f)] = true;
            r.errors << QStringLiteral("%1 oszlopban a táblázat hibaértéke áll (%2), nem adat.")
                            .arg(ui::aAz(u'"' + heading + u'"', true), sheet.cell(row, column).trimmed());
            break;
        case CellKind::Number:
            numberCell[static_cast<size_t>(f)] = true;
            // an identifier's digits are judged below
            if (f == Field::SzSzam || f == Field::DiakTel || f == Field::GondTel || f == Field::DiakIg)
                r.warnings << QStringLiteral("%1 oszlopban szám áll (%2): ha kezdő nulla volt "
                                             "benne, a táblázat elhagyta; nézze meg az eredetit.")
                                  .arg(ui::aAz(u'"' + heading + u'"', true),
                                       sheet.cell(row, column).trimmed());
            break;
        case CellKind::Text:
            break;
        }
    }
    std::array<QStringView, kFieldCount> cell{};
    for (size_t c = 0; c < mapping.size(); ++c)
        if (mapping[c] != Field::None && !noValue[static_cast<size_t>(mapping[c])])
            cell[static_cast<size_t>(mapping[c])] = sheet.cell(row, static_cast<int>(c)).trimmed();
    auto at = [&](Field f) { return cell[static_cast<size_t>(f)]; };

    for (int f = 0; f < kTextFields; ++f) {
        QString v = cell[static_cast<size_t>(f)].toString();
        if (static_cast<Field>(f) == Field::Mj)
            v.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\n', QStringLiteral("\r\n"));
        else
            v = v.simplified(); // a box of one line
        r.text[static_cast<size_t>(f)] = v;
    }
    auto text = [&](Field f) -> QString& { return r.text[static_cast<size_t>(f)]; };
    auto fits = [&](Field f, const QString& v) {
        const int length = reference.lengths[static_cast<int>(f)];
        return length <= 0 || v.size() <= length;
    };

    // An address in one cell gives the street and the town their own columns lack.
    bool addressTold = false;
    if (!at(Field::Lakcim).isEmpty()) {
        Address a;
        if (splitAddress(at(Field::Lakcim).toString(), a)) {
            if (text(Field::Cim).isEmpty()) text(Field::Cim) = a.street;
            if (text(Field::Varos).isEmpty()) text(Field::Varos) = a.town;
            if (a.guessed) {
                r.onlyIfTicked = true;
                r.warnings << QStringLiteral("A lakcímből nem dönthető el, melyik rész a város: városnak "
                                             "„%1”, utcának „%2” kerülne be.")
                                  .arg(a.town, a.street);
            }
        } else {
            addressTold = true;
            r.errors << QStringLiteral("A lakcím nem bontható irányítószámra, városra és utcára: %1 "
                                       "(jó például: 6000 Kecskemét, Petőfi Sándor utca 10.).")
                            .arg(at(Field::Lakcim));
        }
    }
    // As in the record window, the guardian lives with the student unless told otherwise;
    // the guardian's box holds a whole address, town first.
    if (text(Field::GondCim).isEmpty() && !text(Field::Cim).isEmpty()) {
        const QString whole = text(Field::Varos).isEmpty()
                                  ? text(Field::Cim)
                                  : QStringLiteral("%1, %2").arg(text(Field::Varos), text(Field::Cim));
        if (fits(Field::GondCim, whole)) {
            text(Field::GondCim) = whole;
        } else {
            text(Field::GondCim) = text(Field::Cim);
            r.warnings << QStringLiteral("A gondviselő címe a várossal együtt nem fér el (%1 karakter, "
                                         "legfeljebb %2): város nélkül került be.")
                              .arg(whole.size())
                              .arg(reference.lengths[static_cast<int>(Field::GondCim)]);
        }
    }

    QStringList missing;
    for (Field f : {Field::Nev, Field::Cim, Field::Varos, Field::SzulHely, Field::SzulIdo, Field::GondNev,
                    Field::GondCim})
        if (text(f).isEmpty() && !noValue[static_cast<size_t>(f)] &&
            !(addressTold && (f == Field::Cim || f == Field::Varos || f == Field::GondCim)))
            missing << fieldCaption(f);

    if (!text(Field::SzulIdo).isEmpty()) {
        r.birth = parseDate(text(Field::SzulIdo), defaults.dateOrder);
        if (const QString why = slashFault(text(Field::SzulIdo), defaults.dateOrder); !why.isEmpty())
            r.errors << why;
        else if (!r.birth.isValid())
            r.errors << QStringLiteral("A születési idő nem dátum: %1 (jó például: 2011.06.18.).")
                            .arg(text(Field::SzulIdo));
    }

    // The class: a whole name, or grade and letter in columns of their own, or the file's.
    ClassName cls;
    bool classGiven = false, classUnreadable = false;
    if (!at(Field::Osztaly).isEmpty()) {
        classGiven = true;
        classUnreadable = !parseClass(at(Field::Osztaly), cls);
        if (classUnreadable)
            r.errors << QStringLiteral("Az osztály nem értelmezhető: %1.").arg(at(Field::Osztaly));
    }
    if (!at(Field::OsztalySzam).isEmpty()) {
        classGiven = true;
        static const QRegularExpression grade(QStringLiteral("^(\\d{1,2})\\.?$"));
        const QRegularExpressionMatch m = grade.match(at(Field::OsztalySzam).toString());
        cls.grade = m.hasMatch() ? intOf(m.capturedView(1), 1, 13) : 0;
        classUnreadable = classUnreadable || !cls.grade;
        if (!cls.grade)
            r.errors << QStringLiteral("Az évfolyam nem értelmezhető: %1.").arg(at(Field::OsztalySzam));
    }
    if (!at(Field::OsztalyBetu).isEmpty()) {
        classGiven = true;
        cls.letter = at(Field::OsztalyBetu).toString();
    }
    if (!classGiven) {
        r.classId = defaults.classId;
        if (!r.classId) missing << fieldCaption(Field::Osztaly);
    } else if (classUnreadable) {
        // told above
    } else if (cls.grade == 0 || cls.letter.isEmpty()) {
        r.errors << QStringLiteral("Az osztály hiányos: %1.")
                        .arg(cls.grade ? QString::number(cls.grade) : cls.letter);
    } else {
        r.classId = reference.classId(cls.grade, cls.letter);
        if (!r.classId) {
            r.errors << QStringLiteral("Nincs ilyen osztály: %1.").arg(cls.text());
            r.missingClass = cls;
        }
    }

    if (!at(Field::Nyelv).isEmpty()) {
        r.languageId = reference.languages.value(at(Field::Nyelv).toString().toLower());
        if (!r.languageId) r.errors << QStringLiteral("Nincs ilyen tanult nyelv: %1.").arg(at(Field::Nyelv));
    } else {
        r.languageId = defaults.languageId;
        if (!r.languageId) missing << fieldCaption(Field::Nyelv);
    }

    if (!at(Field::Tanev).isEmpty()) {
        static const QRegularExpression year(QStringLiteral("^(\\d{4})(?:\\s*[/-]\\s*\\d{2,4})?\\.?$"));
        const QRegularExpressionMatch m = year.match(at(Field::Tanev).toString());
        r.year = m.hasMatch() ? intOf(m.capturedView(1), 1900, 2998) : 0;
        if (!r.year) r.errors << QStringLiteral("A tanév nem értelmezhető: %1.").arg(at(Field::Tanev));
    } else {
        r.year = defaults.year;
        if (!r.year) missing << fieldCaption(Field::Tanev);
    }
    readFurther(r, cell, noValue, at(Field::Lakcim).isEmpty() ? QString() : lakcimIrsz(at(Field::Lakcim)),
                defaults.dateOrder, defaults.today);

    if (!missing.isEmpty())
        r.errors.prepend(
            QStringLiteral("Hiányzó kötelező adat: %1.").arg(missing.join(QStringLiteral(", "))));

    // What the further data store must be storable as well, as the storing would find it.
    for (int f = kTextFields; f < kFieldCount; ++f) {
        const Field field = static_cast<Field>(f);
        if (field == Field::Lakcim || field == Field::Allampolgarsag) continue; // told by their own checks
        const QString v = cell[static_cast<size_t>(f)].toString();
        if (const qsizetype bad = db::firstUnstorable(v); bad >= 0)
            r.errors << sentence(
                QStringLiteral("%1 oszlopban: %2")
                    .arg(ui::aAz(u'"' + headingOf(field) + u'"', true), db::unstorableMessage(v, bad)));
    }
    for (int f = 0; f < kTextFields; ++f) {
        const QString& v = r.text[static_cast<size_t>(f)];
        const QString caption = fieldCaption(static_cast<Field>(f));
        const qsizetype bad = db::firstUnstorable(v);
        if (bad >= 0)
            r.errors << sentence(
                QStringLiteral("%1 mezőben: %2")
                    .arg(ui::aAz(u'"' + caption + u'"', true), db::unstorableMessage(v, bad)));
        else if (!fits(static_cast<Field>(f), v))
            r.errors << QStringLiteral("%1 túl hosszú: %2 karakter, legfeljebb %3 fér el.")
                            .arg(ui::aAz(u'"' + caption + u'"', true))
                            .arg(v.size())
                            .arg(reference.lengths[f]);
    }
    // An identifier is its digits and nothing else: "7.4689E+10" or "70000002048.0" is what
    // a spreadsheet made of one, and the number it stood for is lost.
    struct Identifier {
        Field field;
        int digits;
        QString* compared;
        QString (*fault)(const QString&);
        const char* name;
    };
    const Identifier identifiers[] = {{Field::Taj, 9, &r.taj, azonosito::tajHiba, "TAJ-szám"},
                                      {Field::Om, 11, &r.om, azonosito::omHiba, "OM azonosító"}};
    for (const Identifier& id : identifiers) {
        QString& value = text(id.field);
        if (value.isEmpty()) continue;
        QString digits = azonosito::szamjegyei(value);
        const bool onlyDigits =
            std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c.isDigit(); });
        // a nine-digit TAJ whose leading zero a General number cell dropped, if its check digit then holds
        if (onlyDigits && id.field == Field::Taj && numberCell[static_cast<size_t>(id.field)] &&
            digits.size() == id.digits - 1 && azonosito::tajHiba(u'0' + digits).isEmpty()) {
            digits.prepend(u'0');
            r.warnings << QStringLiteral("A TAJ-szám kezdő nulláját a táblázat elhagyta (%1); az ellenőrző "
                                         "számjegy alapján visszakerült: %2.")
                              .arg(value, digits);
            value = digits;
        }
        if (!onlyDigits || digits.size() != id.digits) {
            r.errors << QStringLiteral("%1 oszlopban álló érték (%2) nem %3, mert nem %4 számjegy. Ha a "
                                       "táblázat alakította számmá, írja be szövegként az eredetiről.")
                            .arg(ui::aAz(u'"' + headingOf(id.field) + u'"', true), value,
                                 QString::fromUtf8(id.name))
                            .arg(id.digits);
            continue;
        }
        if (const QString fault = id.fault(value); !fault.isEmpty()) r.warnings << fault;
        *id.compared = digits;
    }
    return r;
}

} // namespace intake
