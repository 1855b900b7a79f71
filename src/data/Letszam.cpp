#include "Letszam.h"

#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"

namespace letszam {

Reading read(db::Connection& connection) {
    db::Transaction own(connection);
    own.setSnapshot(true);
    db::Statement sum(connection, own);
    try {
        sum.prepare(
            QStringLiteral("select coalesce(sum(valtozas), 0), count(*) from table_letszam_valtozas"));
    } catch (const db::DbError& e) {
        if (!e.hasCode(isc_dsql_relation_err)) throw;
        sum.prepare(QStringLiteral("select count(table_diak.id), 0 from table_diak"));
    }
    sum.execute();
    Reading reading;
    if (sum.fetch()) reading = {sum.value(0).toLongLong(), sum.value(1).toInt()};
    sum.closeCursor();
    own.commit();
    return reading;
}

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
