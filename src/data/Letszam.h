#pragma once

#include <QString>

namespace db {
class Connection;
}

// The headcount as the database keeps it: the sum of a few change rows that triggers
// write and readers fold into one now and then, so reading it never counts the students.
namespace letszam {

struct Reading {
    qint64 students = 0;
    int rows = 0; // the change rows the sum took
};

// More rows than this and the reader folds them: the sum stays short, and fifty
// copies reading after the same change seldom fold at once.
constexpr int kFoldAbove = 32;

// Reads the number in a snapshot of its own: a fold committing halfway through a read
// that sees each row as it finds it would count its rows twice, or not at all. A
// database not yet upgraded has no change rows: its students are counted.
Reading read(db::Connection& connection);
// Folds the committed change rows into one, in a transaction of its own on the
// connection (never the lists' one, whose end would close them). False when another
// reader was folding at that moment: nothing has changed then, and nothing is said.
bool fold(db::Connection& connection);

} // namespace letszam
