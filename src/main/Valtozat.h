#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace db {
class Connection;
}

namespace valtozat {

// The upgrade scripts this program was built with, in order.
QStringList programFrissitesei();

// The message when the database's upgrades are not the program's: missing ones make the
// database older, unknown ones make the program older. adatbazisFrissitesei is empty (and
// vanTabla false) for a database that predates the record.
std::optional<QString> elteres(bool vanTabla, const QStringList& adatbazisFrissitesei,
                               const QStringList& programe);

// Reads the database's record and warns through the dialog service.
void figyelmeztetHaElter(db::Connection& connection);

} // namespace valtozat
