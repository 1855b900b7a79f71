#pragma once

#include <QString>
#include <optional>

namespace db {
class Connection;
}

namespace mentes {

// What the school database says of the server's backups (korvana-szerver records them).
struct Allapot {
    bool nyilvantartja = false;               // the database keeps the table (upgraded)
    int mentesek = 0;                         // backups recorded, verified or not
    std::optional<qint64> percekOta;          // minutes since the last verified one
    bool bemutato = false;                    // a demo or a developer's database (table_adatbazis)
    std::optional<qint64> percekHasznalatOta; // minutes since its first use, when it tells
};

Allapot olvas(db::Connection& connection);

// The warning when the last verified backup is more than three days old, counting from the
// database's first use when none was ever verified; none for a demo or a developer's
// database, nor for one that records no backups. A database that does not tell its first
// use is warned of when backups are recorded and none was verified.
std::optional<QString> figyelmeztetes(const Allapot& allapot);

// Reads and warns through the dialog service; a database that cannot be asked says nothing
// here (the next action reports a lost connection).
void figyelmeztetHaRegi(db::Connection& connection);

} // namespace mentes
