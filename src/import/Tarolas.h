#pragma once

#include <QString>
#include <utility>
#include <vector>

#include "Sorszabaly.h"

namespace db {
class Connection;
}
namespace output {
class Progress;
}

// Rows that passed their checks stored in one transaction: the imports of different
// workstations one at a time, the identifiers looked up again inside the transaction,
// and the rows sent to the server a batch at a time.
namespace intake {

// Rows that have come into the registry or the archive since they were checked (by
// another workstation's import, or a window checked earlier): nothing was stored.
struct NowDuplicates {
    std::vector<std::pair<size_t, QString>> rows; // index into the rows given, and why
};

// What the progress bar says while the rows are looked up again inside the transaction.
inline const QString kRecheckStep = QStringLiteral("Ismétlődések ellenőrzése…");

// Stores every row, or nothing: throws NowDuplicates, output::Cancelled when the user
// stops it, and db::Error when another workstation is importing or the server refuses.
// The number stored.
int storeRows(db::Connection& connection, const std::vector<Row>& rows, const Reference& reference,
              output::Progress* progress = nullptr);

} // namespace intake
