#pragma once

#include <QString>

namespace db {
class Connection;
}

// The headcount as the database keeps it: the sum of a few change rows that triggers
// write and readers fold into one now and then, so reading it never counts the students.
namespace letszam {

// One row: the number of students, then how many change rows the sum took.
inline const QString kSql =
    QStringLiteral("select coalesce(sum(valtozas), 0), count(*) from table_letszam_valtozas");
// A database not yet upgraded has no change rows: its students are counted.
inline const QString kCountSql = QStringLiteral("select count(table_diak.id) from table_diak");
// More rows than this and the reader folds them: the sum stays short, and fifty
// copies reading after the same change seldom fold at once.
constexpr int kFoldAbove = 32;

// Folds the committed change rows into one, in a transaction of its own on the
// connection (never the lists' one, whose end would close them). False when another
// reader was folding at that moment: nothing has changed then, and nothing is said.
bool fold(db::Connection& connection);

} // namespace letszam
