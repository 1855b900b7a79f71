#pragma once

#include <QLoggingCategory>
#include <QString>

namespace db {
class Dataset;
}

// What the user sees change on the main window, with wall-clock times, so that many
// copies on one server can be measured from outside. Off unless asked for:
// QT_LOGGING_RULES="korvana.trace.debug=true" writes it to the standard error.
Q_DECLARE_LOGGING_CATEGORY(lcTrace)

namespace trace {

// Follows the main window: the student grid's first paint after each opening of its
// list, each new headcount, each key press the window takes.
void install();
// The first rows of a list as one short text: equal rows, equal digests.
QString digest(const db::Dataset& list, int rows);

} // namespace trace
