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

bool DbError::isConnectionLost() const {
    for (ISC_STATUS c : {isc_network_error, isc_net_read_err, isc_net_write_err, isc_lost_db_connection,
                         isc_conn_lost, isc_shutdown, isc_att_shutdown, isc_net_server_shutdown})
        if (hasCode(c)) return true;
    return false;
}

bool DbError::isForeignKey() const {
    return hasCode(isc_foreign_key);
}

bool DbError::isTooLong() const {
    return hasCode(isc_string_truncation) || hasCode(isc_trunc_limits);
}

QString DbError::userMessage() const {
    // What the grants keep from a person is told plainly, nothing technical beside it.
    if (hasCode(isc_no_priv)) return QStringLiteral("Ehhez nincs jogosultsága.");
    QString head;
    if (isConnectionLost())
        head = kConnectionLostText;
    else if (isConflict())
        head = QStringLiteral("Az adatot egy másik felhasználó éppen módosítja, vagy időközben módosította.\r"
                              "Próbálja újra egy kis idő múlva.");
    else if (hasCode(isc_foreign_key_references_present))
        head = QStringLiteral("A rekord nem törölhető, mert más adatok még hivatkoznak rá.");
    else if (isForeignKey())
        head = QStringLiteral("A hivatkozott adat (például az osztály vagy a nyelv) időközben megszűnt:\r"
                              "egy másik felhasználó törölhette. Válasszon újra.");
    else if (isTooLong())
        head = QStringLiteral("Egy megadott érték hosszabb, mint amennyit a mezője tárolni tud.");
    else if (hasCode(isc_read_only_trans))
        head = QStringLiteral("Ez a lekérdezés módosítaná az adatbázist, ezért nem futott le:\r"
                              "a lekérdezések csak olvashatnak, semmit nem írhatnak.");
    else if (hasCode(isc_unique_key_violation) || hasCode(isc_no_dup))
        head = QStringLiteral("Ilyen adat már szerepel az adatbázisban.");
    if (head.isEmpty()) return message();
    return head + QStringLiteral("\r\r(") + message().trimmed() + QLatin1Char(')');
}

QString userText(const std::exception& e) {
    if (const auto* dbe = dynamic_cast<const DbError*>(&e)) return dbe->userMessage();
    if (const auto* err = dynamic_cast<const Error*>(&e)) return err->message();
    return QString::fromUtf8(e.what());
}

void check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] != 0) raise(status);
}

void raise(const ISC_STATUS* status) {
    throw errorFrom(status);
}

DbError errorFrom(const ISC_STATUS* status) {
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
    return DbError(lines.join(QLatin1Char('\n')), sqlCode, std::move(codes));
}

} // namespace db
