#pragma once
// Every benchmark attaches as the program does: as SYSDBA, talking WIN1250.
#include "db/Connection.h"

inline void attach(db::Connection& connection, const QString& database) {
    connection.setDatabaseName(database);
    connection.setParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=velvetoak"),
                          QStringLiteral("lc_ctype=WIN1250")});
    connection.open();
}
