#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace db {
class Connection;
}

// A school year's life on the database: students leaving into the archive and coming back,
// the marks for the coming year-end move, the move itself and its undo. Each call runs in a
// transaction of its own and commits, or leaves the database as it was and throws db::Error.
namespace tanev {

// Codes 1 to 3 are those of the first archive; the database knows them by the same texts.
enum Ok { Vegzett = 1, Tavozott = 2, Egyeb = 3, Kulfold = 4, Tankotelezettseg = 5, Kizaras = 6, Elhunyt = 7 };
// "végzett", "másik iskolába távozott", "egyéb", …
QString okSzoveg(int ok);
// Every reason in the order an office picks from: the usual ones first, "egyéb" last.
QList<int> okok();
constexpr int kMegjegyzesHossz = 500;

// Where a student who went to another school went; both optional.
struct FogadoIskola {
    QString nev;
    QString om; // six digits
};

// Checked before any database work: empty when fine, else the Hungarian message.
QString kilepesHiba(const QString& datum, int ok, const QString& megjegyzes, const FogadoIskola& iskola = {});

// The date lies neither before the student's last class-history event nor after the end of
// the school year; the database refuses it with a Hungarian message otherwise.
void kilep(db::Connection& connection, int diakId, const QDate& datum, int ok, const QString& megjegyzes,
           const FogadoIskola& iskola = {});
void visszavesz(db::Connection& connection, int diakId, int osztalyId, int tanev);

// A mark for the coming move: 'I' repeats the year, 'K' leaves (with a reason); none clears it.
void jelol(db::Connection& connection, int diakId, QChar jeloles, int ok = 0, const QString& megjegyzes = {});

// The final grade the school set, else the highest grade present (0: no classes).
int vegzosEvfolyam(db::Connection& connection, bool* beallitott = nullptr);
void vegzosMent(db::Connection& connection, std::optional<int> evfolyam);
// The program's school year, everywhere: the one the registry was last moved into; before
// a database's first move, by the date (it turns on 1 October).
int datumSzerint(const QDate& ma);
int aktualis(db::Connection& connection, const QDate& ma);
// Said once at start-up when the registry is still in a school year that ended: empty when
// it is not, or no move was ever made.
QString elmaradtValtas(db::Connection& connection, const QDate& ma);
// The year the move leads into by default: the one after the program's school year.
int kovetkezoTanev(db::Connection& connection, const QDate& ma);

struct Eredmeny {
    int id = 0;
    int tovabblepett = 0;
    int ismetel = 0;
    int kilepett = 0;
};
// Reserves the registry's tables for the move: it cannot start while another copy holds
// changes to them, and a second move waits for nothing but fails at once.
Eredmeny valt(db::Connection& connection, int ujTanev, int vegzos, const QDate& datum);

struct Allapot {
    int id = 0;
    int ujTanev = 0;
    QDateTime mikor;
    bool visszavonhato = false;
    QString miert; // why it no longer can be
};
std::optional<Allapot> utolso(db::Connection& connection);
// What the window says of the last move.
QString allapotSzoveg(const std::optional<Allapot>& allapot);
void visszavon(db::Connection& connection, int id);

// "2026/2027"
QString tanevSzoveg(int tanev);

// Moves what the log's trigger wrote since into the indexed log, which the log window, the
// data sheet and the undo read.
void naploOsszevon(db::Connection& connection);
// The field's Hungarian name, as an SQL expression over the log's column of field names.
QString mezoNeveSql(const QString& column);
// SQL naming the person of a login column: her full name and login, or the login alone.
QString szemelySql(const QString& user);

} // namespace tanev
