#pragma once

#include <QString>
#include <optional>

namespace db {
class Connection;
}

namespace mentes {

// What the school database says of the server's backups (korvana-szerver records them).
struct Allapot {
    bool nyilvantartja = false;      // the database keeps the table (upgraded)
    int mentesek = 0;                // backups recorded, verified or not
    std::optional<qint64> percekOta; // minutes since the last verified one
};

Allapot olvas(db::Connection& connection);

// The warning when the last verified backup is more than three days old, or when backups
// are recorded but none was ever verified; none for a database that records no backups.
std::optional<QString> figyelmeztetes(const Allapot& allapot);

// Reads and warns through the dialog service; a database that cannot be asked says nothing
// here (the next action reports a lost connection).
void figyelmeztetHaRegi(db::Connection& connection);

} // namespace mentes
