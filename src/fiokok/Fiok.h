#pragma once

#include <QString>
#include <QStringList>

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

// SQL text for a value in DDL that takes no parameters (user management): quoted, its
// quotes doubled.
QString literal(const QString& text);
// A user name the server takes unquoted: a letter, then letters, digits and "_".
bool joFelhasznaloNev(const QString& name);

} // namespace fiok
