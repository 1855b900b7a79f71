#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

namespace db {
class Connection;
class Transaction;
} // namespace db

// The rest of a student's record, kept beside the record itself: sex, postcodes,
// citizenship, the start of enrolment, schedule, commuter and boarder, and the statuses
// a school reports, which only the office may read.
namespace tanulo_adatok {

// Asked after a registration: the rest of the record can follow at once.
inline const QString kKinalas = QStringLiteral(
    "Megadja most a tanuló további adatait is (neme, irányítószám, állampolgárság, sajátos helyzet)?");

// A status (SNI, BTMN, HH, HHH): from the decision until the end or review date.
struct Statusz {
    bool van = false;
    QDate kelte;
    QDate ervenyes;
    bool operator==(const Statusz&) const = default;
};

struct Adatok {
    QString nem; // "F", "L" or empty: not recorded
    QString iranyitoszam;
    QString allampolgarsag = QStringLiteral("magyar");
    QDate kezdete; // empty: enrolled before any day asked about
    bool egyeniMunkarend = false;
    bool bejaro = false;
    bool kollegista = false;
    QString gondviseloIrsz;
    QString gondviseloEmail;
    // an SNI student's compulsory schooling lasts to the school year of the 23rd birthday
    bool sniHosszabb = false;
    Statusz sni, btmn, hh, hhh;
    bool operator==(const Adatok&) const = default;
};

// Each check as a box is typed: the Hungarian message, empty when the value will do.
QString irszHiba(const QString& text, const QString& mi);
QString datumHiba(const QString& text, const QString& mi);
QString emailHiba(const QString& text);
QString allampolgarsagHiba(const QString& text);
// What the boxes together may not be (SNI with BTMN, an end before the decision).
QString osszefuggesHiba(const Adatok& a);

// The values offices write in an intake: "F"/"L", "fiú"/"lány"; "igen"/"nem", "x".
std::optional<QString> nemBol(const QString& text);
std::optional<bool> igenNemBol(const QString& text);
QString nemSzoveg(const QString& nem); // "fiú", "lány" or empty

// Read in the given transaction; the statuses only when bizalmas (the role may read them).
Adatok beolvas(db::Transaction& tr, int diakId, bool bizalmas);
// Written in the given transaction, the statuses only when bizalmas.
void ir(db::Transaction& tr, int diakId, const Adatok& a, bool bizalmas);
// The two tables' columns (after diak_id), their types and a student's values in that
// order: for writing many students in one statement.
struct Oszlopok {
    QStringList nevek, tipusok;
};
const Oszlopok& adatOszlopok();
const Oszlopok& bizalmasOszlopok();
// The statement that writes one student's statuses (in bizalmasOszlopok()'s order) through
// the procedure the roles may call: they cannot read the table an update would search.
QString jogallasIrasa(const QString& diak, const QStringList& ertekek);
QVariantList adatErtekek(const Adatok& a);
QVariantList bizalmasErtekek(const Adatok& a);
// The same, each in a short transaction of its own.
Adatok beolvas(db::Connection& connection, int diakId, bool bizalmas);
void ment(db::Connection& connection, int diakId, const Adatok& a, bool bizalmas);

// The data sheet's fields: "nem", "iranyitoszam", "allampolgarsag", "jogviszony_kezdete",
// "egyeni_munkarend", "bejaro", "kollegista", "gondviselo_irsz", "gondviselo_email" and
// "sajatos_helyzet" (the statuses with their dates; only when bizalmas, else left empty).
void sablonMezok(db::Transaction& tr, int diakId, bool bizalmas, QHash<QString, QString>& f);

} // namespace tanulo_adatok
