#include "TanuloAdatok.h"

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "fiokok/Fiok.h"

#include <QRegularExpression>
#include <QStringList>
#include <QVariantList>

namespace tanulo_adatok {

namespace {

QVariant datum(const QDate& d) {
    return d.isValid() ? QVariant(d) : QVariant();
}
QVariant szoveg(const QString& s) {
    const QString t = s.trimmed();
    return t.isEmpty() ? QVariant() : QVariant(t);
}
QDate datumBol(const QVariant& v) {
    return v.isNull() ? QDate() : v.toDate();
}

void futtat(db::Transaction& tr, const QString& sql, const QVariantList& params) {
    db::Statement s(tr.connection(), tr);
    s.prepare(sql);
    s.bind(params);
    s.execute();
}

template <typename Work> auto roviden(db::Connection& connection, db::Transaction::Access access, Work work) {
    db::Transaction tr(connection, nullptr, access);
    tr.start();
    try {
        if constexpr (std::is_void_v<decltype(work(tr))>) {
            work(tr);
            tr.commit();
        } else {
            auto result = work(tr);
            tr.commit();
            return result;
        }
    } catch (...) {
        try {
            tr.rollback();
        } catch (const db::Error&) {
        }
        throw;
    }
}

} // namespace

QString irszHiba(const QString& text, const QString& mi) {
    static const QRegularExpression negy(QStringLiteral("^[0-9]{4}$"));
    const QString t = text.trimmed();
    if (t.isEmpty() || negy.match(t).hasMatch()) return {};
    return QStringLiteral("%1 négy számjegy: %2").arg(mi, t);
}

QString datumHiba(const QString& text, const QString& mi) {
    const QString t = text.trimmed();
    if (t.isEmpty() || QDate::fromString(t, db::kDateFormat).isValid()) return {};
    return QStringLiteral("%1 nem létező dátum: %2 (helyes formátum: ÉÉÉÉ.HH.NN.)").arg(mi, t);
}

QString emailHiba(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return {};
    const qsizetype at = t.indexOf(QLatin1Char('@'));
    if (t.count(QLatin1Char('@')) != 1 || at == 0 || at == t.size() - 1 || t.contains(QLatin1Char(' ')))
        return QStringLiteral("A gondviselő e-mail címe nem megfelelő (egy „@” kell bele): %1").arg(t);
    if (t.size() > 100) return QStringLiteral("A gondviselő e-mail címe legfeljebb 100 karakter lehet!");
    return {};
}

QString allampolgarsagHiba(const QString& text) {
    if (text.trimmed().size() > 100)
        return QStringLiteral("Az állampolgárság legfeljebb 100 karakter lehet!");
    const qsizetype bad = db::firstUnstorable(text);
    if (bad >= 0)
        return QStringLiteral(
                   "Az állampolgárság olyan karaktert tartalmaz, amelyet az adatbázis nem tud tárolni: %1")
            .arg(text.mid(bad, 1));
    return {};
}

QString osszefuggesHiba(const Adatok& a) {
    if (a.sni.van && a.btmn.van)
        return QStringLiteral("SNI és BTMN egyszerre nem adható meg: a kettő kizárja egymást.");
    if (a.sniHosszabb && !a.sni.van)
        return QStringLiteral("A tankötelezettség meghosszabbítása csak SNI tanulónál adható meg.");
    const std::pair<const char*, const Statusz*> statuszok[] = {
        {"SNI", &a.sni}, {"BTMN", &a.btmn}, {"HH", &a.hh}, {"HHH", &a.hhh}};
    for (const auto& [nev, s] : statuszok)
        if (s->kelte.isValid() && s->ervenyes.isValid() && s->ervenyes < s->kelte)
            return QStringLiteral("%1: az érvényesség vége nem lehet korábbi a határozat kelténél!")
                .arg(QString::fromLatin1(nev));
    return {};
}

std::optional<QString> nemBol(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t.isEmpty()) return QString();
    if (t == QLatin1String("f") || t == QStringLiteral("fiú") || t == QLatin1String("fiu") ||
        t == QStringLiteral("férfi"))
        return QStringLiteral("F");
    if (t == QLatin1String("l") || t == QStringLiteral("lány") || t == QLatin1String("lany") ||
        t == QStringLiteral("leány") || t == QStringLiteral("nő") || t == QLatin1String("n"))
        return QStringLiteral("L");
    return std::nullopt;
}

std::optional<bool> igenNemBol(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t.isEmpty() || t == QLatin1String("nem") || t == QLatin1String("n") || t == QLatin1String("0") ||
        t == QLatin1String("-"))
        return false;
    if (t == QLatin1String("igen") || t == QLatin1String("i") || t == QLatin1String("x") ||
        t == QLatin1String("1"))
        return true;
    return std::nullopt;
}

QString nemSzoveg(const QString& nem) {
    if (nem == QLatin1String("F")) return QStringLiteral("fiú");
    if (nem == QLatin1String("L")) return QStringLiteral("lány");
    return {};
}

Adatok beolvas(db::Transaction& tr, int diakId, bool bizalmas) {
    Adatok a;
    {
        db::Statement s(tr.connection(), tr);
        s.prepare(QStringLiteral(
            "select nem, iranyitoszam, allampolgarsag, jogviszony_kezdete, egyeni_munkarend, bejaro, "
            "kollegista, gondviselo_irsz, gondviselo_email from table_diak_adat where diak_id = :d"));
        s.bind({diakId});
        s.execute();
        if (s.fetch()) {
            a.nem = s.value(0).toString().trimmed();
            a.iranyitoszam = s.value(1).toString();
            a.allampolgarsag = s.value(2).toString();
            a.kezdete = datumBol(s.value(3));
            a.egyeniMunkarend = s.value(4).toInt() == 1;
            a.bejaro = s.value(5).toInt() == 1;
            a.kollegista = s.value(6).toInt() == 1;
            a.gondviseloIrsz = s.value(7).toString();
            a.gondviseloEmail = s.value(8).toString();
        }
        s.closeCursor();
    }
    if (!bizalmas) return a;
    db::Statement s(tr.connection(), tr);
    // through the procedure that records the read: no role reads the table itself
    s.prepare(
        QStringLiteral("select sni, sni_kelte, sni_ervenyes, btmn, btmn_kelte, btmn_ervenyes, hh, hh_kelte, "
                       "hh_ervenyes, hhh, hhh_kelte, hhh_ervenyes, sni_hosszabb from PRC_JOGALLAS(:d)"));
    s.bind({diakId});
    s.execute();
    if (s.fetch()) {
        Statusz* statuszok[] = {&a.sni, &a.btmn, &a.hh, &a.hhh};
        for (int i = 0; i < 4; ++i)
            *statuszok[i] = {s.value(i * 3).toInt() == 1, datumBol(s.value(i * 3 + 1)),
                             datumBol(s.value(i * 3 + 2))};
        a.sniHosszabb = s.value(12).toInt() == 1;
    }
    s.closeCursor();
    return a;
}

const Oszlopok& adatOszlopok() {
    static const Oszlopok o{
        {QStringLiteral("nem"), QStringLiteral("iranyitoszam"), QStringLiteral("allampolgarsag"),
         QStringLiteral("jogviszony_kezdete"), QStringLiteral("egyeni_munkarend"), QStringLiteral("bejaro"),
         QStringLiteral("kollegista"), QStringLiteral("gondviselo_irsz"), QStringLiteral("gondviselo_email")},
        {QStringLiteral("char(1)"), QStringLiteral("varchar(4)"), QStringLiteral("varchar(100)"),
         QStringLiteral("date"), QStringLiteral("smallint"), QStringLiteral("smallint"),
         QStringLiteral("smallint"), QStringLiteral("varchar(4)"), QStringLiteral("varchar(100)")}};
    return o;
}

const Oszlopok& bizalmasOszlopok() {
    static const Oszlopok o = [] {
        Oszlopok b;
        for (const char* s : {"sni", "btmn", "hh", "hhh"}) {
            const QString n = QString::fromLatin1(s);
            b.nevek << n << n + QStringLiteral("_kelte") << n + QStringLiteral("_ervenyes");
            b.tipusok << QStringLiteral("smallint") << QStringLiteral("date") << QStringLiteral("date");
        }
        b.nevek << QStringLiteral("sni_hosszabb");
        b.tipusok << QStringLiteral("smallint");
        return b;
    }();
    return o;
}

QVariantList adatErtekek(const Adatok& a) {
    return {szoveg(a.nem),     szoveg(a.iranyitoszam),   szoveg(a.allampolgarsag),
            datum(a.kezdete),  int(a.egyeniMunkarend),   int(a.bejaro),
            int(a.kollegista), szoveg(a.gondviseloIrsz), szoveg(a.gondviseloEmail)};
}

QVariantList bizalmasErtekek(const Adatok& a) {
    QVariantList v;
    for (const Statusz* s : {&a.sni, &a.btmn, &a.hh, &a.hhh})
        v << int(s->van) << datum(s->kelte) << datum(s->ervenyes);
    v << int(a.sni.van && a.sniHosszabb);
    return v;
}

namespace {
void irTablaba(db::Transaction& tr, const QString& tabla, const Oszlopok& o, int diakId,
               const QVariantList& ertekek) {
    QStringList jelek{QStringLiteral(":d")};
    for (qsizetype i = 0; i < o.nevek.size(); ++i)
        jelek << QStringLiteral(":p%1").arg(i);
    futtat(tr,
           QStringLiteral("update or insert into %1 (diak_id, %2) values (%3) matching (diak_id)")
               .arg(tabla, o.nevek.join(QStringLiteral(", ")), jelek.join(QStringLiteral(", "))),
           QVariantList{diakId} + ertekek);
}
} // namespace

QString jogallasIrasa(const QString& diak, const QStringList& ertekek) {
    return QStringLiteral("execute procedure PRC_JOGALLAS_IRASA(%1, %2)")
        .arg(diak, ertekek.join(QStringLiteral(", ")));
}

void ir(db::Transaction& tr, int diakId, const Adatok& a, bool bizalmas) {
    irTablaba(tr, QStringLiteral("table_diak_adat"), adatOszlopok(), diakId, adatErtekek(a));
    if (!bizalmas) return;
    QStringList jelek;
    for (qsizetype i = 0; i < bizalmasOszlopok().nevek.size(); ++i)
        jelek << QStringLiteral(":p%1").arg(i);
    futtat(tr, jogallasIrasa(QStringLiteral(":d"), jelek), QVariantList{diakId} + bizalmasErtekek(a));
}

Adatok beolvas(db::Connection& connection, int diakId, bool bizalmas) {
    // reading the statuses writes its record, which a read-only transaction refuses
    return roviden(connection,
                   bizalmas ? db::Transaction::Access::ReadWrite : db::Transaction::Access::ReadOnly,
                   [&](db::Transaction& tr) { return beolvas(tr, diakId, bizalmas); });
}

void ment(db::Connection& connection, int diakId, const Adatok& a, bool bizalmas) {
    roviden(connection, db::Transaction::Access::ReadWrite, [&](db::Transaction& tr) {
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral("select 1 from table_diak where id = :d"));
        s.bind({diakId});
        s.execute();
        const bool van = s.fetch();
        s.closeCursor();
        if (!van)
            throw db::Error(
                QStringLiteral("A tanuló nincs a nyilvántartásban: időközben törölték vagy kilépett."));
        ir(tr, diakId, a, bizalmas);
    });
}

void sablonMezok(db::Transaction& tr, int diakId, bool bizalmas, QHash<QString, QString>& f) {
    const Adatok a = beolvas(tr, diakId, bizalmas);
    const auto igenNem = [](bool v) { return v ? QStringLiteral("igen") : QStringLiteral("nem"); };
    const QString nem = nemSzoveg(a.nem);
    f.insert(QStringLiteral("nem"), nem.isEmpty() ? QStringLiteral("nincs megadva") : nem);
    f.insert(QStringLiteral("iranyitoszam"), a.iranyitoszam);
    f.insert(QStringLiteral("allampolgarsag"), a.allampolgarsag);
    f.insert(QStringLiteral("jogviszony_kezdete"),
             a.kezdete.isValid() ? a.kezdete.toString(db::kDateFormat) : QStringLiteral("nincs megadva"));
    f.insert(QStringLiteral("egyeni_munkarend"), igenNem(a.egyeniMunkarend));
    f.insert(QStringLiteral("bejaro"), igenNem(a.bejaro));
    f.insert(QStringLiteral("kollegista"), igenNem(a.kollegista));
    f.insert(QStringLiteral("gondviselo_irsz"), a.gondviseloIrsz);
    f.insert(QStringLiteral("gondviselo_email"), a.gondviseloEmail);
    QStringList helyzet;
    const std::pair<const char*, const Statusz*> statuszok[] = {
        {"SNI", &a.sni}, {"BTMN", &a.btmn}, {"HH", &a.hh}, {"HHH", &a.hhh}};
    for (const auto& [nev, st] : statuszok) {
        if (!st->van) continue;
        QStringList datumok;
        if (st->kelte.isValid())
            datumok << QStringLiteral("határozat: %1").arg(st->kelte.toString(db::kDateFormat));
        if (st->ervenyes.isValid())
            datumok << QStringLiteral("érvényes: %1").arg(st->ervenyes.toString(db::kDateFormat));
        if (st == &a.sni && a.sniHosszabb) datumok << QStringLiteral("tankötelezettsége meghosszabbítva");
        helyzet << (datumok.isEmpty() ? QString::fromLatin1(nev)
                                      : QStringLiteral("%1 (%2)").arg(QString::fromLatin1(nev),
                                                                      datumok.join(QStringLiteral(", "))));
    }
    f.insert(QStringLiteral("sni_hosszabb"),
             bizalmas && a.sni.van && a.sniHosszabb ? QStringLiteral("igen") : QStringLiteral("nem"));
    f.insert(QStringLiteral("sajatos_helyzet"), !bizalmas           ? QString::fromUtf8(fiok::kNemLathato)
                                                : helyzet.isEmpty() ? QStringLiteral("nincs")
                                                                    : helyzet.join(QStringLiteral("; ")));
}

} // namespace tanulo_adatok
