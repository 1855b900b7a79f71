#include "Mentes.h"

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "ui/Dialogs.h"

namespace mentes {

namespace {
constexpr qint64 kHatarPerc = 3 * 24 * 60;
}

Allapot olvas(db::Connection& connection) {
    Allapot a;
    db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
    tr.start();
    db::Statement s(connection, tr);
    s.prepare(QStringLiteral("select count(*) from rdb$relations where rdb$relation_name = 'TABLE_MENTES'"));
    s.execute();
    a.nyilvantartja = s.fetch() && s.value(0).toInt() > 0;
    s.closeCursor();
    if (a.nyilvantartja) {
        // Both sides are the server's clock: a workstation's own clock does not count.
        db::Statement m(connection, tr);
        m.prepare(
            QStringLiteral("select (select count(*) from table_mentes), "
                           "(select datediff(minute from max(ido) to current_timestamp) from table_mentes "
                           "where ellenorizve = 1) from rdb$database"));
        m.execute();
        if (m.fetch()) {
            a.mentesek = m.value(0).toInt();
            if (!m.isNull(1)) a.percekOta = m.value(1).toLongLong();
        }
        m.closeCursor();
        // what the database is and since when it is used (150_adatbazis); a database
        // without it, or a role that may not read it, still gets the warning above
        db::Statement t(connection, tr);
        t.prepare(
            QStringLiteral("select count(*) from rdb$relations where rdb$relation_name = 'TABLE_ADATBAZIS'"));
        t.execute();
        const bool jellege = t.fetch() && t.value(0).toInt() > 0;
        t.closeCursor();
        if (jellege) {
            try {
                db::Statement j(connection, tr);
                j.prepare(
                    QStringLiteral("select jelleg, datediff(minute from elso_hasznalat to current_timestamp) "
                                   "from table_adatbazis where id = 1"));
                j.execute();
                if (j.fetch()) {
                    a.bemutato = j.value(0).toString().trimmed() != QLatin1String("iskolai");
                    if (!j.isNull(1)) a.percekHasznalatOta = j.value(1).toLongLong();
                }
                j.closeCursor();
            } catch (const db::Error&) {
            }
        }
    }
    tr.commit();
    return a;
}

std::optional<QString> figyelmeztetes(const Allapot& a) {
    if (!a.nyilvantartja || a.bemutato) return std::nullopt;
    const QString teendo =
        QStringLiteral("\r\rSzóljon a rendszergazdának: a szerveren a „sudo korvana-szerver allapot” parancs "
                       "megmutatja, mi a teendő.");
    if (!a.percekOta) {
        if (a.percekHasznalatOta) {
            if (*a.percekHasznalatOta <= kHatarPerc) return std::nullopt;
            return QStringLiteral(
                       "Az iskolai adatbázisról még nem készült ellenőrzött mentés, pedig %1 napja "
                       "használják.")
                       .arg(*a.percekHasznalatOta / (24 * 60)) +
                   teendo;
        }
        if (a.mentesek == 0) return std::nullopt;
        return QStringLiteral("Az iskolai adatbázisról még nem készült ellenőrzött mentés.") + teendo;
    }
    if (*a.percekOta <= kHatarPerc) return std::nullopt;
    return QStringLiteral("Az iskolai adatbázis legutóbbi ellenőrzött mentése %1 napja készült.")
               .arg(*a.percekOta / (24 * 60)) +
           teendo;
}

void figyelmeztetHaRegi(db::Connection& connection) {
    std::optional<QString> szoveg;
    try {
        szoveg = figyelmeztetes(olvas(connection));
    } catch (const db::Error&) {
        return;
    }
    if (szoveg) ui::warning(*szoveg);
}

} // namespace mentes
