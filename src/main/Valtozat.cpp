#include "Valtozat.h"

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "ui/Dialogs.h"

namespace valtozat {

QStringList programFrissitesei() {
    return QStringLiteral(KORVANA_FRISSITESEK).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

std::optional<QString> elteres(bool vanTabla, const QStringList& adatbazisFrissitesei,
                               const QStringList& programe) {
    QStringList hianyzo, ismeretlen;
    for (const QString& nev : programe)
        if (!adatbazisFrissitesei.contains(nev)) hianyzo << nev;
    for (const QString& nev : adatbazisFrissitesei)
        if (!programe.contains(nev)) ismeretlen << nev;
    if (!ismeretlen.isEmpty())
        return QStringLiteral("Ezen a gépen a program régebbi, mint az adatbázis (az adatbázis frissítései "
                              "közül ezeket nem ismeri: %1). Egyes részei hibát jelezhetnek.\r\r"
                              "Szóljon a rendszergazdának: ezen a gépen frissíteni kell a Korvana "
                              "csomagot.")
            .arg(ismeretlen.join(QStringLiteral(", ")));
    if (!vanTabla || !hianyzo.isEmpty())
        return QStringLiteral("Az adatbázis régebbi, mint ez a program: a szerveren még nem futott le a "
                              "frissítése%1. Egyes részei hibát jelezhetnek.\r\r"
                              "Szóljon a rendszergazdának: a szerveren a „sudo korvana-szerver "
                              "frissites” parancs frissíti.")
            .arg(vanTabla ? QStringLiteral(" (hiányzik: %1)").arg(hianyzo.join(QStringLiteral(", ")))
                          : QString());
    return std::nullopt;
}

void figyelmeztetHaElter(db::Connection& connection) {
    std::optional<QString> szoveg;
    try {
        db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
        tr.start();
        db::Statement s(connection, tr);
        s.prepare(
            QStringLiteral("select count(*) from rdb$relations where rdb$relation_name = 'TABLE_FRISSITES'"));
        s.execute();
        const bool vanTabla = s.fetch() && s.value(0).toInt() > 0;
        s.closeCursor();
        QStringList adatbazise;
        if (vanTabla) {
            db::Statement f(connection, tr);
            f.prepare(QStringLiteral("select nev from table_frissites order by nev"));
            f.execute();
            while (f.fetch())
                adatbazise << f.value(0).toString().trimmed();
            f.closeCursor();
        }
        tr.commit();
        szoveg = elteres(vanTabla, adatbazise, programFrissitesei());
    } catch (const db::Error&) {
        return;
    }
    if (szoveg) ui::warning(*szoveg);
}

} // namespace valtozat
