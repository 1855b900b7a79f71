#include "Adatmegorzes.h"

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "office/Tanev.h"

namespace adatmegorzes {

const QList<Kategoria>& kategoriak() {
    static const QList<Kategoria> k{
        {QStringLiteral("kapcsolat"),
         QStringLiteral("kapcsolat"),
         {QStringLiteral("telefonszám"), QStringLiteral("lakcím és város"), QStringLiteral("irányítószám"),
          QStringLiteral("gondviselő címe"), QStringLiteral("gondviselő irányítószáma"),
          QStringLiteral("gondviselő telefonszáma"), QStringLiteral("gondviselő e-mail címe")}},
        {QStringLiteral("jogallasok"),
         QStringLiteral("jogállások"),
         {QStringLiteral("SNI, BTMN, HH, HHH a határozatok keltével és érvényességével"),
          QStringLiteral("a tankötelezettség meghosszabbítása")}},
        {QStringLiteral("tovabbi"),
         QStringLiteral("további adatok"),
         {QStringLiteral("állampolgárság"), QStringLiteral("bejáró"), QStringLiteral("kollégista"),
          QStringLiteral("egyéni munkarend")}},
        {QStringLiteral("megjegyzes"),
         QStringLiteral("megjegyzések"),
         {QStringLiteral("megjegyzés"), QStringLiteral("a kilépés megjegyzése")}}};
    return k;
}

QList<std::optional<int>> idok(db::Connection& connection) {
    QList<std::optional<int>> out(kategoriak().size());
    db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(connection, tr);
    s.prepare(QStringLiteral("select kategoria, evek from table_adatmegorzes where evek is not null"));
    s.execute();
    while (s.fetch())
        for (qsizetype i = 0; i < kategoriak().size(); ++i)
            if (kategoriak()[i].kod == s.value(0).toString().trimmed()) out[i] = s.value(1).toInt();
    s.closeCursor();
    tr.commit();
    return out;
}

void idokMentese(db::Connection& connection, const QList<std::optional<int>>& evek) {
    db::Transaction tr(connection);
    tr.start();
    try {
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral("update or insert into table_adatmegorzes (kategoria, evek) values (:k, :e) "
                                 "matching (kategoria)"));
        for (qsizetype i = 0; i < kategoriak().size(); ++i) {
            s.bind({kategoriak()[i].kod, evek.value(i) ? QVariant(*evek.value(i)) : QVariant()});
            s.execute();
        }
        tr.commit();
    } catch (...) {
        try {
            tr.rollback();
        } catch (const db::Error&) {
        }
        throw;
    }
}

QString idoHiba(const QString& text, const QString& kategoria) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return {};
    bool ok = false;
    const int n = t.toInt(&ok);
    if (ok && n >= 1 && n <= 100) return {};
    return QStringLiteral("%1: a megőrzési idő 1 és 100 közötti egész szám (év), vagy üres: %2")
        .arg(kategoria, t);
}

QDate hatarnap(int evek, const QDate& ma) {
    return ma.addYears(-evek);
}

int elonezet(db::Connection& connection, const QString& kategoria, const QDate& hatarnap) {
    db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(connection, tr);
    s.prepare(QStringLiteral("select tanulok from PRC_ADATMEGORZES(:k, :h, 0)"));
    s.bind({kategoria, hatarnap});
    s.execute();
    const int n = s.fetch() ? s.value(0).toInt() : 0;
    s.closeCursor();
    tr.commit();
    return n;
}

QList<int> torol(db::Connection& connection, const QList<Torles>& mit) {
    tanev::naploOsszevon(connection); // the log's pending rows are cleared as kept ones
    QList<int> out;
    db::Transaction tr(connection);
    tr.start();
    try {
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral("select tanulok from PRC_ADATMEGORZES(:k, :h, 1)"));
        for (const Torles& t : mit) {
            s.bind({t.kategoria, t.hatarnap});
            s.execute();
            out << (s.fetch() ? s.value(0).toInt() : 0);
            s.closeCursor();
        }
        tr.commit();
    } catch (...) {
        try {
            tr.rollback();
        } catch (const db::Error&) {
        }
        throw;
    }
    return out;
}

} // namespace adatmegorzes
