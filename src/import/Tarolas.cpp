#include "Tarolas.h"

#include <QStringList>
#include <algorithm>
#include <memory>

#include "Ismetlodes.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "output/Report.h"
#include "students/TanuloAdatok.h"

namespace intake {

namespace {

const char* const kColumns[] = {"nev",
                                "diak_cim",
                                "diak_cim_varos",
                                "szul_hely",
                                "szul_ido",
                                "sz_szam",
                                "diak_tel",
                                "anyja_nev",
                                "gondviselo_nev",
                                "gondviselo_cim",
                                "gondviselo_tel",
                                "diak_taj",
                                "diak_OM",
                                "diak_diak",
                                "osztaly_ID",
                                "mj",
                                "tanult_nyelv_ID",
                                "evfolyam"};
constexpr int kColumnCount = int(std::size(kColumns));
constexpr int kMjColumn = 15;
// A note longer than this goes in a statement of its own: a block's parameters must fit
// the server's message.
constexpr int kLongNote = 4000;
constexpr int kMessageBytes = 60000;
constexpr int kMaxBatch = 100;
// a statement may open 256 table contexts at most: a row with further data takes seven
constexpr int kMaxFurtherBatch = 25;

QVariantList valuesOf(const Row& r) {
    QVariantList values;
    for (int f = 0; f < kTextFields - 1; ++f)
        values << (static_cast<Field>(f) == Field::SzulIdo ? QVariant(r.birth)
                                                           : QVariant(r.text[static_cast<size_t>(f)]));
    values << r.classId << r.text[static_cast<size_t>(Field::Mj)] << r.languageId << r.year;
    return values;
}

QString columnList() {
    QStringList names;
    for (const char* c : kColumns)
        names << QLatin1String(c);
    return names.join(u',');
}

// The parameters' types: the columns' own widths, the notes as wide as the longest.
QStringList parameterTypes(const Reference& reference, int noteLength) {
    QStringList types;
    for (int f = 0; f < kTextFields - 1; ++f)
        types << (static_cast<Field>(f) == Field::SzulIdo
                      ? QStringLiteral("date")
                      : QStringLiteral("varchar(%1)").arg(std::max(1, reference.lengths[f])));
    types << QStringLiteral("integer") << QStringLiteral("varchar(%1)").arg(noteLength)
          << QStringLiteral("integer") << QStringLiteral("integer");
    return types;
}

// The further data's parameters after a row's own: the data, whether the statuses come
// with it, the statuses.
QStringList furtherTypes() {
    return tanulo_adatok::adatOszlopok().tipusok + QStringList{QStringLiteral("smallint")} +
           tanulo_adatok::bizalmasOszlopok().tipusok;
}
QVariantList furtherValues(const Row& r) {
    return tanulo_adatok::adatErtekek(r.adatok) + QVariantList{int(r.vanBizalmas)} +
           tanulo_adatok::bizalmasErtekek(r.adatok);
}

// One statement for `rows` rows: the server runs the inserts, one round trip in all. With
// further data each student's new id goes on into its further data's rows.
QString insertBlock(int rows, const QStringList& types, bool further) {
    QString head, body;
    const QString insert = QStringLiteral("insert into table_diak(%1)values(").arg(columnList());
    const auto& adat = tanulo_adatok::adatOszlopok();
    const auto& bizalmas = tanulo_adatok::bizalmasOszlopok();
    const QStringList extra = further ? furtherTypes() : QStringList();
    auto param = [&](int r, int c, const QString& type) {
        const QString name = QStringLiteral("p%1_%2").arg(r).arg(c);
        if (!head.isEmpty()) head += u',';
        head += name + u' ' + type + QStringLiteral("=?");
        return u':' + name;
    };
    for (int r = 0; r < rows; ++r) {
        body += insert;
        for (int c = 0; c < kColumnCount; ++c)
            body += (c ? QStringLiteral(",") : QString()) + param(r, c, types.at(c));
        if (!further) {
            body += QStringLiteral(");\n");
            continue;
        }
        body += QStringLiteral(")returning id into :i;\n");
        int c = kColumnCount;
        QStringList values;
        for (qsizetype k = 0; k < adat.nevek.size(); ++k, ++c)
            values << param(r, c, extra.at(c - kColumnCount));
        body += QStringLiteral(
                    "update or insert into table_diak_adat(diak_id,%1)values(:i,%2)matching(diak_id);\n")
                    .arg(adat.nevek.join(u','), values.join(u','));
        const QString withStatuses = param(r, c, extra.at(c - kColumnCount));
        ++c;
        values.clear();
        for (qsizetype k = 0; k < bizalmas.nevek.size(); ++k, ++c)
            values << param(r, c, extra.at(c - kColumnCount));
        body += QStringLiteral("if(%1=1)then %2;\n")
                    .arg(withStatuses, tanulo_adatok::jogallasIrasa(QStringLiteral(":i"), values));
    }
    return QStringLiteral("execute block(%1)as declare i integer;begin\n%2end").arg(head, body);
}

int batchFor(const Reference& reference, int noteLength, bool further) {
    int bytes = 4 + 3 * 4 + noteLength + 2;
    for (int f = 0; f < kTextFields - 1; ++f)
        bytes += static_cast<Field>(f) == Field::SzulIdo ? 4 : reference.lengths[f] + 2;
    bytes += kColumnCount * 2; // null indicators
    if (further)
        for (const QString& type : furtherTypes()) {
            const qsizetype open = type.indexOf(u'(');
            bytes += 2 + (open < 0 ? 4 : type.mid(open + 1, type.size() - open - 2).toInt() + 2);
        }
    return std::clamp(kMessageBytes / bytes, 1, further ? kMaxFurtherBatch : kMaxBatch);
}

void lockImports(db::Connection& connection, db::Transaction& tr) {
    db::Statement lock(connection, tr);
    lock.prepare(QStringLiteral("update table_beolvasas_zar set ido = current_timestamp where id = 1"));
    try {
        lock.execute();
    } catch (const db::DbError& e) {
        if (!e.isConflict()) throw;
        throw db::Error(QStringLiteral("Egy másik munkaállomás éppen tanulókat olvas be. Ha végzett, "
                                       "nyomja meg újra a „Beolvasás” gombot: a közben felvett tanulók "
                                       "nem kerülnek be még egyszer."));
    }
}

// The identifiers, and the names with their birth dates, again, now that no other import
// can store them meanwhile: the lock must be held before anything is looked up.
void recheck(db::Connection& connection, db::Transaction& tr, const std::vector<Row>& rows,
             output::Progress* progress) {
    Lookup lookup(connection, tr);
    NowDuplicates now;
    const std::pair<Lookup::Kind, QString> kinds[] = {
        {Lookup::Om, QStringLiteral("Ez az OM azonosító")},
        {Lookup::Taj, QStringLiteral("Ez a TAJ-szám")},
        {Lookup::Name, QStringLiteral("Ugyanilyen nevű és születési idejű tanuló")}};
    // a namesake the office ticked knowingly is no news
    auto keyOf = [](Lookup::Kind kind, const Row& r) {
        switch (kind) {
        case Lookup::Om:
            return r.om;
        case Lookup::Taj:
            return r.taj;
        default:
            return r.birth.isValid() && !r.nameTwinChosen
                       ? nameBirthKey(r.text[static_cast<size_t>(Field::Nev)], r.birth)
                       : QString();
        }
    };
    for (const auto& [kind, what] : kinds) {
        QStringList keys;
        for (const Row& r : rows) {
            const QString key = keyOf(kind, r);
            if (key.isEmpty()) continue;
            keys << (kind == Lookup::Name ? r.text[static_cast<size_t>(Field::Nev)].toUpper() : key);
        }
        keys.removeDuplicates();
        std::vector<QSet<QString>> found;
        lookup.find(kind, keys, found);
        for (size_t i = 0; i < rows.size(); ++i) {
            const QString key = keyOf(kind, rows[i]);
            for (int place = 0; place < Lookup::Places; ++place)
                if (!key.isEmpty() && found[static_cast<size_t>(place)].contains(key))
                    now.rows.emplace_back(
                        i, QStringLiteral("%1 időközben bekerült %2.").arg(what, Lookup::into(place)));
        }
        if (progress && !progress->step(kRecheckStep, kind + 1, Lookup::Kinds)) throw output::Cancelled{};
    }
    if (!now.rows.empty()) throw now;
}

} // namespace

int storeRows(db::Connection& connection, const std::vector<Row>& rows, const Reference& reference,
              output::Progress* progress) {
    if (rows.empty()) return 0;
    db::Transaction tr(connection);
    try {
        lockImports(connection, tr);
        recheck(connection, tr, rows, progress);
        // what this transaction writes reads in the log as one import
        db::Statement event(connection, tr);
        event.prepare(QStringLiteral("execute procedure PRC_BEOLVASAS_ESEMENY"));
        event.execute();
        event.free();

        // one by one: a long note; in blocks of their own: rows with further data
        std::vector<const Row*> plain, further, longNotes;
        int noteLength = 1;
        for (const Row& r : rows) {
            const int note = static_cast<int>(r.text[static_cast<size_t>(Field::Mj)].size());
            const bool alone = note > kLongNote;
            (alone ? longNotes : r.vanAdat ? further : plain).push_back(&r);
            if (!alone) noteLength = std::max(noteLength, note);
        }
        const qint64 total = static_cast<qint64>(rows.size());
        qint64 done = 0;
        auto step = [&] {
            if (progress && !progress->step(QStringLiteral("Tanulók felvétele…"), done, total))
                throw output::Cancelled{};
        };
        step();
        const QStringList types = parameterTypes(reference, noteLength);
        for (const bool withFurther : {false, true}) {
            const std::vector<const Row*>& some = withFurther ? further : plain;
            const int batch = batchFor(reference, noteLength, withFurther);
            db::Statement full(connection, tr), last(connection, tr);
            QVariantList values;
            for (size_t from = 0; from < some.size(); from += static_cast<size_t>(batch)) {
                const int n = static_cast<int>(std::min(some.size() - from, static_cast<size_t>(batch)));
                db::Statement& block = n == batch ? full : last;
                if (!block.isPrepared())
                    block.prepare(insertBlock(n, types, withFurther), db::Statement::Markers::Positional);
                values.clear();
                for (int i = 0; i < n; ++i) {
                    const Row& r = *some[from + static_cast<size_t>(i)];
                    values << valuesOf(r);
                    if (withFurther) values << furtherValues(r);
                }
                block.bind(values);
                block.execute();
                done += n;
                step();
            }
        }
        if (!longNotes.empty()) {
            db::Statement one(connection, tr);
            QStringList marks;
            for (int c = 0; c < kColumnCount; ++c)
                marks << QStringLiteral("?");
            one.prepare(QStringLiteral("insert into table_diak(%1) values(%2) returning id")
                            .arg(columnList(), marks.join(u',')),
                        db::Statement::Markers::Positional);
            for (const Row* r : longNotes) {
                one.bind(valuesOf(*r));
                one.execute();
                if (r->vanAdat) tanulo_adatok::ir(tr, one.value(0).toInt(), r->adatok, r->vanBizalmas);
                ++done;
                step();
            }
        }
        tr.commit();
    } catch (...) {
        if (tr.isActive()) {
            try {
                tr.rollback();
            } catch (const db::Error&) {
            }
        }
        throw;
    }
    return static_cast<int>(rows.size());
}

} // namespace intake
