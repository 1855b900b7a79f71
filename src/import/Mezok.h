#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace db {
class Connection;
}

// Which student field a spreadsheet column stands for: the fields, their captions, the
// headings offices write for them, and the choices the office made last time.
namespace intake {

class Sheet;

// The record window's fields in the order of table_diak's columns, then what gives the
// class (whole, or grade and letter apart), the studied language and the school year,
// then an address of postcode, town and street in one cell and a postcode alone, then the
// further data kept beside the record.
enum class Field : int {
    None = -1,
    Nev,
    Cim,
    Varos,
    SzulHely,
    SzulIdo,
    SzSzam,
    DiakTel,
    AnyjaNev,
    GondNev,
    GondCim,
    GondTel,
    Taj,
    Om,
    DiakIg,
    Mj,
    Osztaly,
    OsztalySzam,
    OsztalyBetu,
    Nyelv,
    Tanev,
    Lakcim,
    Iranyitoszam,
    Nem,
    Allampolgarsag,
    JogviszonyKezdete,
    Sni,
    Btmn,
    Hh,
    Hhh,
    EgyeniMunkarend,
    Bejaro,
    Kollegista,
    GondIrsz,
    GondEmail,
    // the statuses' decision and end (or review) dates
    SniKelte,
    SniErvenyes,
    BtmnKelte,
    BtmnErvenyes,
    HhKelte,
    HhErvenyes,
    HhhKelte,
    HhhErvenyes
};
constexpr int kFieldCount = 42;
constexpr int kTextFields = 15; // Nev … Mj: stored as they are
using Mapping = std::vector<Field>;

QString fieldCaption(Field field);
// The field's name in the remembered mappings.
QString fieldKey(Field field);
Field fieldByKey(const QString& key);

// A heading in lower case, without accents, blanks and punctuation: "Születési idő" and
// "SZULETESI_IDO" are the same heading.
QString headingKey(const QString& heading);
Field guessField(const QString& heading);
// The remembered choice for a heading first, else the guess; no field taken twice. A
// column guessed as the address whose cells hold postcode, town and street while no
// column gives the town is taken as the address in one cell.
Mapping guessMapping(const QStringList& headings, const QHash<QString, Field>& remembered,
                     const Sheet* sheet = nullptr);
QHash<QString, Field> rememberedMappings(db::Connection& connection);
void rememberMapping(db::Connection& connection, const QStringList& headings, const Mapping& mapping);

// "6000 Kecskemét, Petőfi Sándor utca 10." or "Petőfi Sándor utca 10., 6000 Kecskemét",
// the postcode perhaps written "H-6000" or missing; false when the text is not of two parts
// at least. Without a postcode, the part with a house number is the street; when that
// does not tell either, the town is taken first and the address is guessed.
struct Address {
    QString postcode, town, street;
    bool guessed = false;
};
bool splitAddress(const QString& text, Address& out);

} // namespace intake
