#include "Lekerdezes.h"

#include <QDir>
#include <QFileInfo>

#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"

namespace queries {

QList<QueryFile> listQueries(const QString& folder) {
    QList<QueryFile> out;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name)) {
        QString title;
        try {
            title = titleOf(TDM::readTextFile(dir.filePath(name)), name);
        } catch (const db::Error&) {
            // Listed all the same: choosing it tells what is wrong with it.
            title = QFileInfo(name).completeBaseName();
        }
        out.append({name, title});
    }
    return out;
}

QString titleOf(const QString& sql, const QString& fileName) {
    const QString first = sql.trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
    QString title;
    if (first.startsWith(QLatin1String("--"))) {
        title = first.mid(2);
    } else if (first.startsWith(QLatin1String("/*")) && first.endsWith(QLatin1String("*/"))) {
        title = first.mid(2, first.size() - 4);
    }
    title = title.trimmed();
    return title.isEmpty() ? QFileInfo(fileName).completeBaseName() : title;
}

QString statementOf(const QString& sql) {
    QString text = sql.trimmed();
    while (text.endsWith(QLatin1Char(';'))) {
        text.chop(1);
        text = text.trimmed();
    }
    return text;
}

QStringList parameterNames(const QString& sql) {
    QStringList names;
    for (const QString& name : db::parseParameters(sql).names) {
        const QString lower = name.toLower();
        if (!names.contains(lower)) names << lower;
    }
    return names;
}

QStringList unknownParameters(const QStringList& names) {
    QStringList unknown;
    for (const QString& name : names)
        if (name != kClassParam && name != kTeacherParam && name != kYearParam && name != kDayParam)
            unknown << name;
    return unknown;
}

namespace {

// The value of one information item of a prepared statement; empty when the
// server gives none, or more than the largest buffer holds.
QByteArray statementInfo(isc_stmt_handle& handle, char item) {
    for (const short size : {short(1024), short(32767)}) {
        QByteArray buffer(size, '\0');
        ISC_STATUS_ARRAY status;
        if (isc_dsql_sql_info(status, &handle, 1, &item, size, buffer.data())) db::raise(status);
        if (buffer.at(0) == item)
            return buffer.mid(3, static_cast<int>(isc_vax_integer(buffer.constData() + 1, 2)));
        if (buffer.at(0) != isc_info_truncated) break;
    }
    return QByteArray();
}

} // namespace

bool isPlainSelect(db::Transaction& transaction, const QString& sql) {
    // Asked on a handle of our own: the data-access layer tells a select from the rest
    // but keeps the server's answer to itself.
    db::Connection& connection = transaction.connection();
    if (!connection.isConnected()) throw db::Error(QStringLiteral("Nincs kapcsolat az adatbázissal."));
    transaction.ensureActive();
    const QByteArray wire = db::toWire(db::parseParameters(sql).sql);
    ISC_STATUS_ARRAY status;
    isc_stmt_handle handle = 0;
    if (isc_dsql_allocate_statement(status, connection.handle(), &handle)) db::raise(status);
    struct Release {
        isc_stmt_handle& h;
        ~Release() {
            ISC_STATUS_ARRAY ignored;
            isc_dsql_free_statement(ignored, &h, DSQL_drop);
        }
    } release{handle};
    if (isc_dsql_prepare(status, transaction.handle(), &handle, 0, wire.constData(),
                         static_cast<unsigned short>(connection.dialect()), nullptr))
        db::raise(status);
    const QByteArray type = statementInfo(handle, isc_info_sql_stmt_type);
    if (type.isEmpty() ||
        isc_vax_integer(type.constData(), static_cast<short>(type.size())) != isc_info_sql_stmt_select)
        return false;
    // WITH LOCK leaves the kind a select, but its plan writes a lock on every row it
    // reads. A plan too long to read is not taken on trust.
    const QByteArray plan = statementInfo(handle, isc_info_sql_explain_plan);
    return !plan.isEmpty() && !plan.contains("Write Lock");
}

} // namespace queries
