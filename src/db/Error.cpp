#include "Error.h"

#include <QStringList>
#include <ibase.h>

#include "Text.h"

namespace db {

bool DbError::hasCode(ISC_STATUS code) const {
    for (ISC_STATUS c : codes_)
        if (c == code) return true;
    return false;
}

bool DbError::isConflict() const {
    return hasCode(isc_deadlock) || hasCode(isc_lock_conflict) || hasCode(isc_update_conflict) ||
           hasCode(isc_concurrent_transaction);
}

void check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0) raise(status);
}

void raise(const ISC_STATUS* status) {
    // Error codes stand after isc_arg_gds anywhere in the vector, not only first.
    std::vector<ISC_STATUS> codes;
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS kind = *p++;
        if (kind == isc_arg_gds)
            codes.push_back(*p++);
        else if (kind == isc_arg_cstring)
            p += 2;
        else
            p++;
    }
    QStringList lines;
    char buffer[1024];
    const ISC_STATUS* cursor = status;
    while (fb_interpret(buffer, sizeof buffer, &cursor) > 0)
        lines << fromWire(buffer);
    const long sqlCode = isc_sqlcode(status);
    throw DbError(lines.join(QLatin1Char('\n')), sqlCode, std::move(codes));
}

} // namespace db
