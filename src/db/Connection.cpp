#include "Connection.h"

#include "Error.h"
#include "Text.h"

namespace db {

namespace {
void appendItem(QByteArray& dpb, char item, const QByteArray& value) {
    if (value.size() > 255) throw Error(QStringLiteral("Túl hosszú kapcsolódási paraméter."));
    dpb.append(item);
    dpb.append(static_cast<char>(value.size()));
    dpb.append(value);
}
} // namespace

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection() {
    try {
        close();
    } catch (...) {
        // nothing sensible is left to do with a failing detach at destruction
    }
}

void Connection::open() {
    if (isConnected()) return;
    QByteArray dpb;
    dpb.append(static_cast<char>(isc_dpb_version1));
    for (const QString& line : params_) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QByteArray value = line.mid(eq + 1).toLocal8Bit();
        if (key == QLatin1String("user_name"))
            appendItem(dpb, isc_dpb_user_name, value);
        else if (key == QLatin1String("password"))
            appendItem(dpb, isc_dpb_password, value);
        else if (key == QLatin1String("lc_ctype"))
            appendItem(dpb, isc_dpb_lc_ctype, value);
        else if (key == QLatin1String("sql_role_name"))
            appendItem(dpb, isc_dpb_sql_role_name, value);
        else
            throw Error(QStringLiteral("Ismeretlen kapcsolódási paraméter: %1").arg(key));
    }
    dpb.append(static_cast<char>(isc_dpb_sql_dialect));
    dpb.append(static_cast<char>(1));
    dpb.append(static_cast<char>(dialect()));
    dpb.append(static_cast<char>(isc_dpb_connect_timeout));
    dpb.append(static_cast<char>(4));
    for (int shift = 0; shift < 32; shift += 8) // little-endian, as the parameter block wants
        dpb.append(static_cast<char>((kConnectTimeout >> shift) & 0xff));

    const QByteArray name = databaseName_.toLocal8Bit();
    ISC_STATUS_ARRAY status;
    isc_db_handle handle = 0;
    if (isc_attach_database(status, static_cast<short>(name.size()), name.constData(), &handle,
                            static_cast<short>(dpb.size()), dpb.constData())) {
        // Wanted but not there: the next database work tries to attach again.
        lost_ = true;
        fail(status);
    }
    handle_ = handle;
    lost_ = false;
    emit opened();
}

void Connection::close() {
    if (!isConnected()) return;
    emit aboutToClose();
    ISC_STATUS_ARRAY status;
    if (lost_) {
        // Frees the client's side of the dead attachment; the server is gone anyway.
        isc_detach_database(status, &handle_);
        handle_ = 0;
        return;
    }
    if (isc_detach_database(status, &handle_)) {
        // A dead server leaves nothing to detach from; the handle is gone either way.
        handle_ = 0;
        fail(status);
    }
    handle_ = 0;
}

void Connection::reconnect() {
    if (isConnected()) {
        emit aboutToClose();
        // The client library still holds the dead attachment's resources: free them.
        ISC_STATUS_ARRAY ignored;
        isc_detach_database(ignored, &handle_);
        handle_ = 0;
    }
    lost_ = true;
    open();
}

void Connection::ping() {
    if (!isConnected() || lost_) return;
    const char items[] = {isc_info_ods_version, isc_info_end};
    char answer[32];
    ISC_STATUS_ARRAY status;
    if (isc_database_info(status, &handle_, sizeof items, items, sizeof answer, answer) &&
        errorFrom(status).isConnectionLost())
        lost_ = true;
}

void Connection::fail(const ISC_STATUS* status) {
    DbError error = errorFrom(status);
    if (error.isConnectionLost()) lost_ = true;
    throw error;
}

} // namespace db
