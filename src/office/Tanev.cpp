#include "office/Tanev.h"

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "db/Values.h"

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
    default:
        return {};
    }
}

QString tanevSzoveg(int tanev) {
    return QStringLiteral("%1/%2").arg(tanev).arg(tanev + 1);
}

QString kilepesHiba(const QString& datum, int ok, const QString& megjegyzes) {
    if (datum.trimmed().isEmpty()) return QStringLiteral("A kilépés dátuma nem lehet üres!");
    if (!db::parseDate(datum.trimmed()).isValid())
        return QStringLiteral("A kilépés dátuma nem megfelelő: %1\r(Helyes formátum: éééé.hh.nn.)")
            .arg(datum.trimmed());
    if (okSzoveg(ok).isEmpty()) return QStringLiteral("Válassza ki a kilépés okát!");
    if (ok == Egyeb && megjegyzes.trimmed().isEmpty())
        return QStringLiteral("Egyéb kilépési oknál a megjegyzés nem lehet üres!");
    if (megjegyzes.trimmed().size() > kMegjegyzesHossz)
        return QStringLiteral("A megjegyzés legfeljebb %1 karakter lehet!").arg(kMegjegyzesHossz);
    const qsizetype bad = db::firstUnstorable(megjegyzes);
    if (bad >= 0)
        return QStringLiteral("A megjegyzés olyan karaktert tartalmaz, amelyet az adatbázis nem tud "
                              "tárolni: %1")
            .arg(megjegyzes.mid(bad, 1));
    return {};
}

void kilep(db::Connection& connection, int diakId, const QDate& datum, int ok, const QString& megjegyzes) {
    egyben(connection, [&](db::Transaction& tr) {
        futtat(tr, QStringLiteral("execute procedure PRC_KILEPES(:d, :datum, :ok, :mj)"),
               {diakId, datum, ok, megjegyzes.trimmed()});
    });
}

void visszavesz(db::Connection& connection, int diakId, int osztalyId, int tanev) {
    egyben(connection, [&](db::Transaction& tr) {
        futtat(tr, QStringLiteral("execute procedure PRC_VISSZAVETEL(:d, :o, :t)"),
               {diakId, osztalyId, tanev});
    });
}

void jelol(db::Connection& connection, int diakId, QChar jeloles, int ok, const QString& megjegyzes) {
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

int kovetkezoTanev(db::Connection& connection, const QDate& ma) {
    int result = 0;
    egyben(connection, [&](db::Transaction& tr) {
        const QVariant v = egyErtek(tr, QStringLiteral("select max(evfolyam) from table_diak"));
        result = v.isNull() ? 0 : v.toInt() + 1;
    });
    if (result == 0) result = (ma.month() >= 9 ? ma.year() : ma.year() - 1) + 1;
    return result;
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
                             s.value(3).toInt() == 1, s.value(4).toString()};
        s.closeCursor();
    });
    return result;
}

QString allapotSzoveg(const std::optional<Allapot>& a) {
    if (!a) return QStringLiteral("Tanévváltás még nem történt (vagy az utolsót visszavonták).");
    const QString mi =
        QStringLiteral("Utolsó tanévváltás: a %1. tanévre, %2.")
            .arg(tanevSzoveg(a->ujTanev), a->mikor.toString(QStringLiteral("yyyy.MM.dd. HH:mm")));
    if (a->visszavonhato) return mi + QStringLiteral(" Még visszavonható.");
    return mi + QStringLiteral(" Már nem vonható vissza: %1.").arg(a->miert);
}

QString mezoNeveSql(const QString& column) {
    return QStringLiteral(
               "trim(decode(%1, 'nev', 'Név', 'diak_cim', 'Lakcím', 'diak_cim_varos', 'Város', 'szul_hely', "
               "'Születési hely', 'szul_ido', 'Születési idő', 'sz_szam', 'Személyi ig.', 'diak_tel', "
               "'Telefon', "
               "'anyja_nev', 'Anyja neve', 'gondviselo_nev', 'Gondviselő neve', 'gondviselo_cim', "
               "'Gondviselő címe', "
               "'gondviselo_tel', 'Gondviselő tel.', 'diak_taj', 'TAJ szám', 'diak_OM', 'OM azonosító', "
               "'diak_diak', "
               "'Diákigazolvány', 'osztaly_ID', 'Osztály', 'mj', 'Megjegyzés', 'tanult_nyelv_ID', 'Tanult "
               "nyelv', "
               "'evfolyam', 'Tanév', %1))")
        .arg(column);
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
