#include "office/Tanev.h"

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "ui/Nevelo.h"

#include <QRegularExpression>
#include <functional>

namespace tanev {

namespace {

// The tables the move and its undo rewrite: nobody else writes them meanwhile.
const QList<QByteArray> kFoglalt = {"TABLE_DIAK",        "TABLE_OSZTALY",     "TABLE_OSZTALY_TARGY",
                                    "TABLE_DIAK_ARCHIV", "TABLE_TANEVVALTAS", "TABLE_TV_JELOLES"};

const QString kFoglaltUzenet =
    QStringLiteral("A tanévváltás most nem végezhető el: egy másik munkaállomás éppen módosítja a "
                   "tanulók vagy az osztályok adatait, vagy éppen tanévváltást végez.\r"
                   "Próbálja újra egy kis idő múlva.");

// Runs work in a transaction of its own and commits it; on failure rolls back and rethrows.
void egyben(db::Connection& connection, const std::function<void(db::Transaction&)>& work,
            bool foglal = false) {
    db::Transaction tr(connection);
    if (foglal) tr.setReserving(kFoglalt);
    try {
        tr.start();
    } catch (const db::DbError& e) {
        if (foglal && e.isConflict()) throw db::Error(kFoglaltUzenet);
        throw;
    }
    try {
        work(tr);
        tr.commit();
    } catch (...) {
        try {
            tr.rollback();
        } catch (const db::Error&) {
        }
        throw;
    }
}

void futtat(db::Transaction& tr, const QString& sql, const QVariantList& params) {
    db::Statement s(tr.connection(), tr);
    s.prepare(sql);
    s.bind(params);
    s.execute();
}

QVariant egyErtek(db::Transaction& tr, const QString& sql, const QVariantList& params = {}) {
    db::Statement s(tr.connection(), tr);
    s.prepare(sql);
    if (!params.isEmpty()) s.bind(params);
    s.execute();
    QVariant v = s.fetch() ? s.value(0) : QVariant();
    s.closeCursor();
    return v;
}

} // namespace

QString okSzoveg(int ok) {
    switch (ok) {
    case Vegzett:
        return QStringLiteral("végzett");
    case Tavozott:
        return QStringLiteral("másik iskolába távozott");
    case Egyeb:
        return QStringLiteral("egyéb");
    case Kulfold:
        return QStringLiteral("külföldre távozott");
    case Tankotelezettseg:
        return QStringLiteral("a tankötelezettség megszűnése után kérésére");
    case Kizaras:
        return QStringLiteral("fegyelmi kizárás");
    case Elhunyt:
        return QStringLiteral("elhunyt");
    default:
        return {};
    }
}

QList<int> okok() {
    return {Tavozott, Kulfold, Tankotelezettseg, Kizaras, Elhunyt, Vegzett, Egyeb};
}

QString tanevSzoveg(int tanev) {
    return QStringLiteral("%1/%2").arg(tanev).arg(tanev + 1);
}

QString kilepesHiba(const QString& datum, int ok, const QString& megjegyzes, const FogadoIskola& iskola) {
    if (datum.trimmed().isEmpty()) return QStringLiteral("A kilépés dátuma nem lehet üres!");
    if (!db::parseDate(datum.trimmed()).isValid())
        return QStringLiteral("A kilépés dátuma nem megfelelő: %1\r(Helyes formátum: ÉÉÉÉ.HH.NN.)")
            .arg(datum.trimmed());
    if (okSzoveg(ok).isEmpty()) return QStringLiteral("Válassza ki a kilépés okát!");
    if (ok == Egyeb && megjegyzes.trimmed().isEmpty())
        return QStringLiteral("Egyéb kilépési oknál a megjegyzés nem lehet üres!");
    if (megjegyzes.trimmed().size() > kMegjegyzesHossz)
        return QStringLiteral("A megjegyzés legfeljebb %1 karakter lehet!").arg(kMegjegyzesHossz);
    for (const auto& [what, text] : {std::pair{QStringLiteral("A megjegyzés"), megjegyzes},
                                     std::pair{QStringLiteral("A fogadó iskola neve"), iskola.nev}}) {
        const qsizetype bad = db::firstUnstorable(text);
        if (bad >= 0)
            return QStringLiteral("%1 olyan karaktert tartalmaz, amelyet az adatbázis nem tud tárolni: %2")
                .arg(what, text.mid(bad, 1));
    }
    if (ok == Tavozott) {
        if (iskola.nev.trimmed().size() > 200)
            return QStringLiteral("A fogadó iskola neve legfeljebb 200 karakter lehet!");
        static const QRegularExpression om(QStringLiteral("^[0-9]{6}$"));
        if (!iskola.om.trimmed().isEmpty() && !om.match(iskola.om.trimmed()).hasMatch())
            return QStringLiteral("A fogadó iskola OM azonosítója hat számjegyből áll (például 035221).");
    }
    return {};
}

void kilep(db::Connection& connection, int diakId, const QDate& datum, int ok, const QString& megjegyzes,
           const FogadoIskola& iskola) {
    egyben(connection, [&](db::Transaction& tr) {
        futtat(tr, QStringLiteral("execute procedure PRC_KILEPES(:d, :datum, :ok, :mj, :iskola, :om)"),
               {diakId, datum, ok, megjegyzes.trimmed(), iskola.nev.trimmed(), iskola.om.trimmed()});
    });
}

void visszavesz(db::Connection& connection, int diakId, int osztalyId, int tanev) {
    egyben(connection, [&](db::Transaction& tr) {
        futtat(tr, QStringLiteral("execute procedure PRC_VISSZAVETEL(:d, :o, :t)"),
               {diakId, osztalyId, tanev});
    });
}

void jelol(db::Connection& connection, int diakId, QChar jeloles, int ok, const QString& megjegyzes) {
    // a leaver with no reason would be archived as a graduate
    if (jeloles == u'K' && okSzoveg(ok).isEmpty())
        throw db::Error(QStringLiteral("Válassza ki a kilépés okát!"));
    egyben(connection, [&](db::Transaction& tr) {
        if (jeloles.isNull()) {
            futtat(tr, QStringLiteral("delete from table_tv_jeloles where diak_id = :d"), {diakId});
            return;
        }
        futtat(tr,
               QStringLiteral(
                   "update or insert into table_tv_jeloles (diak_id, jeloles, kilepes_ok, megjegyzes) "
                   "values (:d, :j, :ok, :mj) matching (diak_id)"),
               {diakId, QString(jeloles), ok ? QVariant(ok) : QVariant(),
                megjegyzes.trimmed().isEmpty() ? QVariant() : QVariant(megjegyzes.trimmed())});
    });
}

int vegzosEvfolyam(db::Connection& connection, bool* beallitott) {
    int result = 0;
    egyben(connection, [&](db::Transaction& tr) {
        const QVariant set = egyErtek(
            tr, QStringLiteral("select vegzos_evfolyam from table_tanevvaltas_beallitas where id = 1"));
        if (beallitott) *beallitott = !set.isNull();
        result = !set.isNull()
                     ? set.toInt()
                     : egyErtek(tr, QStringLiteral("select max(osztaly_szam) from table_osztaly")).toInt();
    });
    return result;
}

void vegzosMent(db::Connection& connection, std::optional<int> evfolyam) {
    egyben(connection, [&](db::Transaction& tr) {
        futtat(tr, QStringLiteral("update table_tanevvaltas_beallitas set vegzos_evfolyam = :v where id = 1"),
               {evfolyam ? QVariant(*evfolyam) : QVariant()});
    });
}

int datumSzerint(const QDate& ma) {
    return ma.month() >= 10 ? ma.year() : ma.year() - 1;
}

namespace {
// The school year the registry was last moved into; 0 before the first move.
int atvitt(db::Connection& connection) {
    int result = 0;
    egyben(connection, [&](db::Transaction& tr) {
        result = egyErtek(tr, QStringLiteral("select max(aktiv_tanev) from table_tanevvaltas")).toInt();
    });
    return result;
}
} // namespace

int aktualis(db::Connection& connection, const QDate& ma) {
    const int year = atvitt(connection);
    return year ? year : datumSzerint(ma);
}

QString elmaradtValtas(db::Connection& connection, const QDate& ma) {
    const int year = atvitt(connection);
    if (!year || ma < QDate(year + 1, 9, 1)) return {};
    return QStringLiteral("A nyilvántartás még %1. tanévben van: %2. tanévre még nem történt "
                          "tanévváltás.\r\rAmíg meg nem történik, a program mindenütt (új tanulók, "
                          "visszavétel, dokumentumok, lekérdezések) %1. tanévvel számol. A tanévváltás "
                          "az „Éves ügyintézés” ablakból indítható.")
        .arg(ui::aAz(tanevSzoveg(year)), ui::aAz(tanevSzoveg(year + 1)));
}

int kovetkezoTanev(db::Connection& connection, const QDate& ma) {
    return aktualis(connection, ma) + 1;
}

Eredmeny valt(db::Connection& connection, int ujTanev, int vegzos, const QDate& datum) {
    Eredmeny e;
    egyben(
        connection,
        [&](db::Transaction& tr) {
            db::Statement s(connection, tr);
            s.prepare(QStringLiteral("select tanevvaltas_id, tovabblepett, ismetel, kilepett "
                                     "from PRC_TANEVVALTAS(:t, :v, :d)"));
            s.bind({ujTanev, vegzos, datum});
            s.execute();
            if (!s.fetch()) throw db::Error(QStringLiteral("A tanévváltás nem adott eredményt."));
            e = {s.value(0).toInt(), s.value(1).toInt(), s.value(2).toInt(), s.value(3).toInt()};
            s.closeCursor();
        },
        true);
    return e;
}

std::optional<Allapot> utolso(db::Connection& connection) {
    std::optional<Allapot> result;
    egyben(connection, [&](db::Transaction& tr) {
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral(
            "select tanevvaltas_id, uj_tanev, mikor, visszavonhato, ok from PRC_TANEVVALTAS_ALLAPOT"));
        s.execute();
        if (s.fetch())
            result = Allapot{s.value(0).toInt(), s.value(1).toInt(), s.value(2).toDateTime(),
                             s.value(3).toInt() == 1, ui::nevelokKitoltve(s.value(4).toString())};
        s.closeCursor();
    });
    return result;
}

QString allapotSzoveg(const std::optional<Allapot>& a) {
    if (!a) return QStringLiteral("Tanévváltás még nem történt (vagy az utolsót visszavonták).");
    const QString mi =
        QStringLiteral("Utolsó tanévváltás: %1. tanévre, %2.")
            .arg(ui::aAz(tanevSzoveg(a->ujTanev)), a->mikor.toString(QStringLiteral("yyyy.MM.dd. HH:mm")));
    if (a->visszavonhato) return mi + QStringLiteral(" Még visszavonható.");
    return mi + QStringLiteral(" Már nem vonható vissza: %1.").arg(a->miert);
}

QString szemelySql(const QString& user) {
    return QStringLiteral(
               "coalesce((select f.teljes_nev from table_fiok f where f.felhasznalo = %1) || ' (' || "
               "trim(%1) || ')', trim(%1))")
        .arg(user);
}

QString mezoNeveSql(const QString& column) {
    return QStringLiteral("FN_NAPLO_MEZO_NEVE(%1)").arg(column);
}

void naploOsszevon(db::Connection& connection) {
    egyben(connection, [](db::Transaction& tr) {
        futtat(tr, QStringLiteral("execute procedure PRC_NAPLO_OSSZEVONAS"), {});
    });
}

void visszavon(db::Connection& connection, int id) {
    egyben(
        connection,
        [&](db::Transaction& tr) {
            futtat(tr, QStringLiteral("execute procedure PRC_TANEVVALTAS_VISSZAVONASA(:id)"), {id});
        },
        true);
}

} // namespace tanev
