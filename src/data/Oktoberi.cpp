#include "Oktoberi.h"

#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"

namespace oktoberi {

bool fold(db::Connection& connection) {
    db::Transaction own(connection);
    try {
        db::Statement call(connection, own);
        call.prepare(QStringLiteral("execute procedure PRC_OKTOBERI_OSSZEVONAS(%1)").arg(kFoldAbove));
        call.execute();
        own.commit();
        return true;
    } catch (const db::DbError& e) {
        if (!e.isConflict() && !e.hasCode(isc_dsql_procedure_err)) throw;
        own.rollback();
        return false;
    }
}

} // namespace oktoberi
