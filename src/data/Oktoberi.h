#pragma once

namespace db {
class Connection;
}

// The October statistics' counts as the database keeps them: change rows that triggers
// write and readers fold now and then, so that the statistics sum a few rows whatever the
// school's size.
namespace oktoberi {

// More change rows than this and the reader folds them.
constexpr int kFoldAbove = 64;

// Folds the committed change rows when more than kFoldAbove wait or the school year has
// turned, in a transaction of its own on the connection. False when another copy was
// folding at that moment, or the database has no counts yet (not upgraded): nothing has
// changed then, and nothing is said.
bool fold(db::Connection& connection);

} // namespace oktoberi
