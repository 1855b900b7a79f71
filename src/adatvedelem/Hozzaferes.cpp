#include "Hozzaferes.h"

#include <QPrinter>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "documents/Documents.h"
#include "office/Tanev.h"
#include "output/Report.h"

namespace hozzaferes {

namespace {

QString who(const QString& column) {
    return QStringLiteral(
               "coalesce((select f.teljes_nev from table_fiok f where f.felhasznalo = %1) || ' (' || "
               "trim(%1) || ')', trim(%1))")
        .arg(column);
}

QList<QVariantList> rows(db::Transaction& tr, const QString& sql, const QVariantList& params,
                         QStringList* names = nullptr) {
    db::Statement s(tr.connection(), tr);
    s.prepare(sql);
    s.bind(params);
    s.execute();
    if (names)
        for (int c = 0; c < s.columnCount(); ++c)
            *names << s.columnName(c);
    QList<QVariantList> out;
    while (s.fetch()) {
        QVariantList row;
        for (int c = 0; c < s.columnCount(); ++c)
            row << (s.isNull(c) ? QVariant() : s.value(c));
        out << row;
    }
    s.free();
    return out;
}

// A record's every column, a line each: whatever the table holds now, a column added later too.
void record(db::Transaction& tr, const QString& sql, int id, output::Sheet& sheet) {
    QStringList names;
    const QList<QVariantList> r = rows(tr, sql, {id}, &names);
    if (r.isEmpty()) return;
    db::Statement name(tr.connection(), tr);
    name.prepare(
        QStringLiteral("select FN_NAPLO_MEZO_NEVE(lower(cast(:m as varchar(31)))) from rdb$database"));
    for (int c = 0; c < names.size(); ++c) {
        if (names[c].compare(QLatin1String("DIAK_ID"), Qt::CaseInsensitive) == 0) continue;
        name.bind({names[c]});
        name.execute();
        QString shown = name.fetch() ? db::displayText(name.value(0)) : QString();
        name.closeCursor();
        if (shown.isEmpty() || shown.compare(names[c], Qt::CaseInsensitive) == 0) shown = names[c].toLower();
        sheet.rows << QVariantList{shown, r.first().value(c)};
    }
}

} // namespace

const QStringList& tablak() {
    static const QStringList t{QStringLiteral("TABLE_DIAK"),
                               QStringLiteral("TABLE_DIAK_ARCHIV"),
                               QStringLiteral("TABLE_DIAK_ADAT"),
                               QStringLiteral("TABLE_DIAK_BIZALMAS"),
                               QStringLiteral("TABLE_OSZTALY_TORTENET"),
                               QStringLiteral("TABLE_KIADOTT_DOKUMENTUM"),
                               QStringLiteral("TABLE_NAPLO"),
                               QStringLiteral("TABLE_NAPLO_BIZALMAS"),
                               QStringLiteral("TABLE_NAPLO_ESEMENY"),
                               QStringLiteral("TABLE_JOGALLAS_OLVASAS"),
                               QStringLiteral("TABLE_TV_JELOLES"),
                               QStringLiteral("TABLE_ADATMEGORZES_TANULO")};
    return t;
}

const QList<std::pair<QString, QString>>& masolatok() {
    static const QList<std::pair<QString, QString>> m{
        {QStringLiteral("TABLE_NAPLO_FUGGO"),
         QStringLiteral("a napló még be nem sorolt sorai: gyűjtés előtt besorolódnak")},
        {QStringLiteral("TABLE_TV_DIAK"),
         QStringLiteral("a tanévváltás visszavonásához őrzött osztály: az osztálytörténet mutatja")},
        {QStringLiteral("TABLE_TV_JELOLES_MENTES"),
         QStringLiteral("a tanévváltás visszavonásához őrzött jelölés")},
        {QStringLiteral("TMP_OKTOBERI_OSZTALY"),
         QStringLiteral("a statisztika munkatáblája, tranzakción túl üres")},
        {QStringLiteral("TMP_ADATMEGORZES"),
         QStringLiteral("az adatmegőrzés munkatáblája, tranzakción túl üres")}};
    return m;
}

Kerelem osszegyujt(db::Connection& connection, int diakId) {
    tanev::naploOsszevon(connection); // the log's pending rows are hers too
    Kerelem k;
    k.diakId = diakId;
    db::Transaction tr(connection); // the statuses' read is recorded
    tr.start();
    try {
        const QVariantList id{diakId};
        QList<QVariantList> own =
            rows(tr,
                 QStringLiteral("select nev, current_user, current_timestamp from table_diak "
                                "where id = :d"),
                 id);
        const bool leaver = own.isEmpty();
        if (leaver)
            own =
                rows(tr,
                     QStringLiteral(
                         "select nev, current_user, current_timestamp from table_diak_archiv where id = :d"),
                     id);
        if (own.isEmpty())
            throw db::Error(
                QStringLiteral("A tanuló (ID: %1) már nem szerepel az adatbázisban.").arg(diakId));
        k.nev = own.first().value(0).toString();
        k.keszult = own.first().value(2).toDateTime();
        k.keszitette = rows(tr,
                            QStringLiteral("select ") + who(QStringLiteral("current_user")) +
                                QStringLiteral(" from rdb$database"),
                            {})
                           .first()
                           .value(0)
                           .toString();

        output::Sheet adatok{QStringLiteral("Adatok"), {QStringLiteral("Adat"), QStringLiteral("Érték")}, {}};
        record(tr,
               leaver ? QStringLiteral("select * from table_diak_archiv where id = :d")
                      : QStringLiteral("select * from table_diak where id = :d"),
               diakId, adatok);
        record(tr, QStringLiteral("select * from table_diak_adat where diak_id = :d"), diakId, adatok);
        const QList<QVariantList> torolve =
            rows(tr, QStringLiteral("select FN_ADATAI_TOROLVE(:d) from rdb$database"), id);
        if (!torolve.first().value(0).isNull())
            adatok.rows << QVariantList{QStringLiteral("Adatmegőrzés"), torolve.first().value(0)};
        k.reszek << adatok;

        output::Sheet jogallas{
            QStringLiteral("Jogállások"), {QStringLiteral("Adat"), QStringLiteral("Érték")}, {}};
        record(tr, QStringLiteral("select * from PRC_JOGALLAS(:d)"), diakId, jogallas);
        k.reszek << jogallas;

        output::Sheet tortenet{QStringLiteral("Osztálytörténet"), {}, {}};
        tortenet.rows =
            rows(tr,
                 QStringLiteral("select tanev || '/' || (tanev + 1) as \"Tanév\", osztaly_szam || '.' || "
                                "osztaly_betu as \"Osztály\", esemeny as \"Esemény\", mikor as "
                                "\"Időpont\" from table_osztaly_tortenet where diak_id = :d order by "
                                "mikor, id"),
                 id, &tortenet.titles);
        k.reszek << tortenet;

        output::Sheet dokumentumok{QStringLiteral("Dokumentumok"), {}, {}};
        dokumentumok.rows =
            rows(tr,
                 QStringLiteral(
                     "select d.sablon as \"Dokumentum\", d.sorszam || '/' || d.tanev || '/' || (d.tanev + 1) "
                     "as \"Iktatószám\", d.kiadva as \"Kiadva\", ") +
                     who(QStringLiteral("k.felhasznalo")) +
                     QStringLiteral(
                         " as \"Kiadta\", v.mikor as \"Érvénytelenítve\", v.ok as \"Érvénytelenítés oka\" "
                         "from table_kiadott_dokumentum d left join table_ki_tette k on k.tabla = "
                         "'TABLE_KIADOTT_DOKUMENTUM' and k.sor_id = d.id left join "
                         "table_dokumentum_ervenytelen v on v.dokumentum_id = d.id where "
                         "d.diak_id = :d order by d.kiadva, d.id"),
                 id, &dokumentumok.titles);
        k.reszek << dokumentumok;

        output::Sheet naplo{QStringLiteral("Változásnapló"), {}, {}};
        naplo.rows = rows(
            tr,
            QStringLiteral(
                "select n.mikor as \"Időpont\", n.muvelet as \"Művelet\", FN_NAPLO_MEZO_NEVE(m.mezo) as "
                "\"Adat\", coalesce(m.regi, cast(substring(m.regi_hosszu from 1 for 2000) as "
                "varchar(2000))) as \"Régi érték\", coalesce(m.uj, cast(substring(m.uj_hosszu from 1 for "
                "2000) as varchar(2000))) as \"Új érték\", ") +
                who(QStringLiteral("n.felhasznalo")) +
                QStringLiteral(
                    " as \"Felhasználó\" from table_naplo n left join table_naplo_mezo m on m.naplo_id = "
                    "n.id where n.diak_id = :d union all select b.mikor, 'jogállás', "
                    "FN_NAPLO_MEZO_NEVE(b.mezo), b.regi, b.uj, ") +
                who(QStringLiteral("b.felhasznalo")) +
                QStringLiteral(
                    " from table_naplo_bizalmas b where b.diak_id = :d union all select e.mikor, e.fajta, "
                    "null, null, cast(e.osszegzes as varchar(2000)), ") +
                who(QStringLiteral("e.felhasznalo")) +
                QStringLiteral(
                    " from table_naplo_esemeny e where e.diak_id = :d and e.tanulok = 1 and not exists "
                    "(select 1 from table_naplo x where x.esemeny_id = e.id) order by 1"),
            {diakId, diakId, diakId}, &naplo.titles);
        k.reszek << naplo;

        output::Sheet olvasasok{QStringLiteral("Jogállás megtekintései"), {}, {}};
        olvasasok.rows =
            rows(tr,
                 QStringLiteral("select mikor as \"Időpont\", felhasznalo as \"Felhasználó\", "
                                "munkaallomas as \"Munkaállomás\" from PRC_JOGALLAS_OLVASASAI(:d)"),
                 id, &olvasasok.titles);
        k.reszek << olvasasok;

        output::Sheet egyeb{QStringLiteral("Egyéb"), {QStringLiteral("Adat"), QStringLiteral("Érték")}, {}};
        for (const QVariantList& r :
             rows(tr,
                  QStringLiteral(
                      "select cast('Tanévváltási jelölés' as varchar(100)), cast(iif(jeloles = 'I', "
                      "'évismétlés', 'kilépés: ' || FN_KILEPES_OKA(kilepes_ok)) || coalesce(' – ' || "
                      "megjegyzes, '') as varchar(700)) from "
                      "table_tv_jeloles where diak_id = :d union all select 'Adatmegőrzés: ' || "
                      "FN_ADATMEGORZES_NEVE(kategoria), 'törölve ' || torolve from "
                      "table_adatmegorzes_tanulo where diak_id = :d"),
                  {diakId, diakId}))
            egyeb.rows << r;
        k.reszek << egyeb;
        tr.commit();
    } catch (...) {
        try {
            tr.rollback();
        } catch (const db::Error&) {
        }
        throw;
    }
    return k;
}

QString html(const Kerelem& k) {
    QString h = QStringLiteral("<html><body style=\"font-family: Liberation Sans, Arial; font-size: 9pt\">"
                               "<h2>Tájékoztatás a tárolt adatokról</h2><p>%1 (azonosító: %2) minden adata, "
                               "amelyet az iskola nyilvántartása tárol.</p>")
                    .arg(k.nev.toHtmlEscaped())
                    .arg(k.diakId);
    for (const output::Sheet& s : k.reszek) {
        h += QStringLiteral("<h3>%1</h3>").arg(s.name.toHtmlEscaped());
        if (s.rows.isEmpty()) {
            h += QStringLiteral("<p>nincs ilyen adat</p>");
            continue;
        }
        h += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\"><tr>");
        for (const QString& t : s.titles)
            h += QStringLiteral("<th align=\"left\">%1</th>").arg(t.toHtmlEscaped());
        h += QStringLiteral("</tr>");
        for (const QVariantList& r : s.rows) {
            h += QStringLiteral("<tr>");
            for (int c = 0; c < s.titles.size(); ++c)
                h += QStringLiteral("<td>%1</td>").arg(db::displayText(r.value(c)).toHtmlEscaped());
            h += QStringLiteral("</tr>");
        }
        h += QStringLiteral("</table>");
    }
    h += QStringLiteral("<p><br>Készült: %1. Készítette: %2.</p></body></html>")
             .arg(k.keszult.toString(QStringLiteral("yyyy.MM.dd. HH:mm")), k.keszitette.toHtmlEscaped());
    return h;
}

bool ment(db::Connection& connection, const Kerelem& k, const QString& pdf, const QString& xlsx,
          QString& error) {
    QList<output::Sheet> sheets = k.reszek;
    sheets << output::Sheet{
        QStringLiteral("Készült"),
        {QStringLiteral("Készült"), QStringLiteral("Készítette"), QStringLiteral("Tanuló")},
        {{k.keszult, k.keszitette, k.nev}}};
    if (!output::writeXlsx(xlsx, sheets, error)) return false;
    if (!output::writePdfAside(pdf, error,
                               [&](QPrinter& printer) { return documents::render(printer, {html(k)}); }))
        return false;
    db::Transaction tr(connection);
    tr.start();
    db::Statement s(connection, tr);
    s.prepare(QStringLiteral("execute procedure PRC_HOZZAFERESI_KERELEM(:d)"));
    s.bind({k.diakId});
    s.execute();
    s.free();
    tr.commit();
    return true;
}

} // namespace hozzaferes
