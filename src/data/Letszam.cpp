#include "Letszam.h"

#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"

namespace letszam {

bool fold(db::Connection& connection) {
    db::Transaction own(connection);
    try {
        db::Statement call(connection, own);
        call.prepare(QStringLiteral("execute procedure PRC_LETSZAM_OSSZEVONAS"));
        call.execute();
        own.commit();
        return true;
    } catch (const db::DbError& e) {
        if (!e.isConflict()) throw;
        own.rollback();
        return false;
    }
}

} // namespace letszam
