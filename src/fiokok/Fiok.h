#pragma once

#include <QString>
#include <QStringList>

class QAction;
class QWidget;

namespace db {
class Connection;
}

// Who works at this copy of the program, and what the school database lets her do. The
// database's grants are the real limit; the program only asks for the right role when it
// attaches, and keeps out of reach what the role may not use.
namespace fiok {

// In order of what they may do.
enum class Szerep { Nincs, Olvaso, Iroda, Vezeto, Rendszergazda };
QString szerepNev(Szerep szerep);  // "olvasó", "iroda", "vezető", "rendszergazda"
QString szerepRole(Szerep szerep); // "KORVANA_OLVASO" …; empty for none and the administrator
Szerep szerepByRole(const QString& role);

struct Munkamenet {
    QString felhasznalo; // as the server knows her, in capitals
    QString teljesNev;
    Szerep szerep = Szerep::Rendszergazda;
    QString leiras() const; // "Kiss Anna (KISSA), iroda"
};
const Munkamenet& munkamenet();
bool szabad(Szerep legalabb);

// The program's own login, used without asking until the server refuses it.
QStringList& beepitettBelepes();

// Attaches with the login the connection holds (the built-in one), or, once the server
// refuses it, with what the person types in the login window until it is accepted. False when she gives up or
// the server cannot be reached.
bool belep(db::Connection& connection);
// Takes the school role of the person attached: attaches again with it. The Hungarian
// reason when she may not work here (no school role, or the built-in administrator
// login once personal accounts are on); empty when all is well.
QString szerepetVesz(db::Connection& connection);

// Keeps a control out of reach of roles below the one given, saying why.
void korlatoz(QWidget* control, Szerep legalabb);
void korlatoz(QAction* action, Szerep legalabb);
QString korlatMiatt(Szerep legalabb); // the tooltip of what is out of reach

// The tables and routines the attached role may use, as the database grants them; empty
// for the head of office and the administrator, who may use every one.
QStringList hasznalhato(db::Connection& connection);
// The school's tables and routines a statement names that the role may not use.
QStringList tiltottNevek(const QString& sql, const QStringList& hasznalhato);

// What a status the role may not read shows instead of its value.
inline constexpr const char* kNemLathato = "nem látható";

// SQL text for a value in DDL that takes no parameters (user management): quoted, its
// quotes doubled.
QString literal(const QString& text);
// A user name the server takes unquoted: a letter, then letters, digits and "_".
bool joFelhasznaloNev(const QString& name);
// Why the server would not keep the name as this person's own (too long, a word of the
// server's SQL, a name it already means something by); empty when it would.
QString felhasznaloNevHiba(const QString& name);
constexpr int kNevMax = 31; // what the server keeps of a user name

// One limit for a password wherever one is typed: the login window, the accounts window
// and the script that turns the accounts on.
constexpr int kJelszoMin = 8;
constexpr int kJelszoMax = 100;
// Why the password cannot be used; empty when it can.
QString jelszoHiba(const QString& password);

} // namespace fiok
