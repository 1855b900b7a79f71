#include "Beolvasas.h"

#include <QBrush>
#include <QColor>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <array>

#include "data/Azonosito.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/StoredProcedure.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "queries/Report.h"
#include "queries/Xlsx.h"

namespace intake {

namespace {

struct FieldInfo {
    const char* key;
    const char* caption;
    std::initializer_list<const char*> headings; // as headingKey() leaves them
};

const FieldInfo kFields[kFieldCount] = {
    {"nev", "Név", {"nev", "tanuloneve", "tanulonev", "diakneve", "diaknev", "teljesnev"}},
    {"diak_cim", "Teljes cím", {"cim", "teljescim", "lakcim", "lakcime", "tanulocime", "allandolakcim"}},
    {"diak_cim_varos", "Város", {"varos", "telepules", "helyseg", "lakhely", "varosa"}},
    {"szul_hely", "Születési hely", {"szuletesihely", "szuletesihelye", "szulhely"}},
    {"szul_ido",
     "Születési idő",
     {"szuletesiido", "szuletesiideje", "szuletesidatum", "szuletesidatuma", "szulido", "szuldatum"}},
    {"sz_szam",
     "Személyigazolvány száma",
     {"szemelyiigazolvanyszama", "szemelyiigazolvanyszam", "szemelyiigazolvany", "szigszam"}},
    {"diak_tel",
     "Tanuló telefonszáma",
     {"tanulotelefonszama", "tanulotelefon", "telefon", "telefonszam", "telefonszama", "tel"}},
    {"anyja_nev", "Anyja neve", {"anyjaneve", "anyjanev", "anyjaszuletesineve"}},
    {"gondviselo_nev", "Gondviselő neve", {"gondviseloneve", "gondviselonev", "gondviselo", "szuloneve"}},
    {"gondviselo_cim", "Gondviselő címe", {"gondviselocime", "gondviselocim", "gondviselolakcime"}},
    {"gondviselo_tel",
     "Gondviselő telefonszáma",
     {"gondviselotelefonszama", "gondviselotelefon", "gondviselotel", "szulotelefonszama"}},
    {"diak_taj", "TAJ száma", {"taj", "tajszam", "tajszama", "tajazonosito"}},
    {"diak_OM",
     "OM azonosítója",
     {"om", "omazonosito", "omazonositoja", "oktatasiazonosito", "oktatasiazonositoja", "diakazonosito"}},
    {"diak_diak", "Diákigazolvány száma", {"diakigazolvanyszama", "diakigazolvanyszam", "diakigazolvany"}},
    {"mj", "Megjegyzés", {"megjegyzes", "megjegyzesek"}},
    {"osztaly", "Osztály", {"osztaly", "osztalya"}},
    // In a spreadsheet the "évfolyam" is the grade; the record's school year is the "tanév".
    {"osztaly_szam", "Évfolyam (az osztály száma)", {"evfolyam", "osztalyszam", "osztalyszama"}},
    {"osztaly_betu", "Osztály betűjele", {"betujel", "osztalybetujele", "osztalybetujel", "osztalybetu"}},
    {"tanult_nyelv", "Tanult nyelv", {"tanultnyelv", "nyelv", "idegennyelv", "elsoidegennyelv"}},
    {"evfolyam", "Tanév", {"tanev", "aktualistanev", "tanevkezdete"}},
};

const FieldInfo& info(Field f) {
    return kFields[static_cast<int>(f)];
}

const QString kInsert = QStringLiteral(
    "insert into table_diak(nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, "
    "anyja_nev, "
    "gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, "
    "tanult_nyelv_ID, evfolyam) values(:nev, :diak_cim, :diak_cim_varos, :szul_hely, :szul_ido, :sz_szam, "
    ":diak_tel, :anyja_nev, :gondviselo_nev, :gondviselo_cim, :gondviselo_tel, :diak_taj, :diak_OM, "
    ":diak_diak, :oszt_ID, :mj, :nye_id, :evfolyam)");

QString classKey(int grade, const QString& letter) {
    return QStringLiteral("%1.%2").arg(grade).arg(letter.toUpper());
}

QString nameBirthKey(const QString& name, const QDate& birth) {
    return name + QChar(0x1F) + birth.toString(Qt::ISODate);
}

int intOf(QStringView text, int from, int to) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= from && n <= to ? n : 0;
}

} // namespace

QString fieldCaption(Field field) {
    return field == Field::None ? QStringLiteral("(nem kell)") : QString::fromUtf8(info(field).caption);
}

QString fieldKey(Field field) {
    return field == Field::None ? QString() : QString::fromLatin1(info(field).key);
}

Field fieldByKey(const QString& key) {
    for (int i = 0; i < kFieldCount; ++i)
        if (key == QLatin1String(kFields[i].key)) return static_cast<Field>(i);
    return Field::None;
}

QString headingKey(const QString& heading) {
    QString key;
    for (const QChar c : heading.normalized(QString::NormalizationForm_D))
        if (c.isLetterOrNumber()) key += c.toLower();
    return key;
}

Field guessField(const QString& heading) {
    const QString key = headingKey(heading);
    for (int i = 0; i < kFieldCount; ++i)
        for (const char* h : kFields[i].headings)
            if (key == QLatin1String(h)) return static_cast<Field>(i);
    return Field::None;
}

Mapping guessMapping(const QStringList& headings, const QHash<QString, Field>& remembered) {
    Mapping mapping;
    std::array<bool, kFieldCount> taken{};
    for (const QString& h : headings) {
        const QString key = headingKey(h);
        Field f = remembered.contains(key) ? remembered.value(key) : guessField(h);
        if (f != Field::None && taken[static_cast<size_t>(f)]) f = Field::None;
        if (f != Field::None) taken[static_cast<size_t>(f)] = true;
        mapping.push_back(f);
    }
    return mapping;
}

QHash<QString, Field> rememberedMappings(db::Connection& connection) {
    db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(connection, tr);
    s.prepare(QStringLiteral("select fejlec, mezo from table_beolvasas_oszlop"));
    s.execute();
    QHash<QString, Field> remembered;
    while (s.fetch())
        remembered.insert(s.value(0).toString(), fieldByKey(s.value(1).toString()));
    s.closeCursor();
    tr.commit();
    return remembered;
}

void rememberMapping(db::Connection& connection, const QStringList& headings, const Mapping& mapping) {
    db::Transaction tr(connection);
    try {
        db::Statement s(connection, tr);
        s.prepare(QStringLiteral("update or insert into table_beolvasas_oszlop (fejlec, mezo) "
                                 "values (:fejlec, :mezo) matching (fejlec)"));
        for (qsizetype i = 0; i < headings.size() && i < qsizetype(mapping.size()); ++i) {
            const QString key = headingKey(headings.at(i)).left(100);
            // A heading the database cannot hold is not remembered.
            if (key.isEmpty() || db::firstUnstorable(key) >= 0) continue;
            s.bind({key, fieldKey(mapping[static_cast<size_t>(i)])});
            s.execute();
        }
        tr.commit();
    } catch (...) {
        if (tr.isActive()) tr.rollback();
        throw;
    }
}

QDate parseDate(QStringView text) {
    static const QRegularExpression forms[] = {
        QRegularExpression(QStringLiteral("^(\\d{4})\\.\\s*(\\d{1,2})\\.\\s*(\\d{1,2})\\.?$")),
        QRegularExpression(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$")),
        QRegularExpression(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$")),
    };
    const QString t = text.trimmed().toString();
    for (int i = 0; i < 3; ++i) {
        const QRegularExpressionMatch m = forms[i].match(t);
        if (!m.hasMatch()) continue;
        const int y = m.captured(i == 2 ? 3 : 1).toInt();
        const int d = m.captured(i == 2 ? 1 : 3).toInt();
        const QDate date(y, m.captured(2).toInt(), d);
        return y >= 1900 ? date : QDate();
    }
    return {};
}

bool parseClass(QStringView text, ClassName& out) {
    static const QRegularExpression form(QStringLiteral("^(?:(\\d{1,2})\\s*[./]?\\s*)?(\\p{L}{1,10})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed().toString());
    if (!m.hasMatch()) return false;
    out.grade = m.captured(1).isEmpty() ? 0 : m.captured(1).toInt();
    out.letter = m.captured(2);
    return true;
}

// ---- one row, as it would be stored ----

struct Preview::Row {
    std::array<QString, kTextFields> text;
    QDate birth;
    int classId = 0, languageId = 0, year = 0;
    ClassName missingClass;
    QStringList errors, warnings;
    QString taj; // digits alone
};

Preview::Row Preview::readRow(int row) const {
    Row r;
    std::array<QStringView, kFieldCount> cell{};
    for (size_t c = 0; c < mapping_.size(); ++c)
        if (mapping_[c] != Field::None)
            cell[static_cast<size_t>(mapping_[c])] = sheet_.cell(row, static_cast<int>(c)).trimmed();
    auto at = [&](Field f) { return cell[static_cast<size_t>(f)]; };

    for (int f = 0; f < kTextFields; ++f) {
        QString v = cell[static_cast<size_t>(f)].toString();
        if (static_cast<Field>(f) == Field::Mj)
            v.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\n', QStringLiteral("\r\n"));
        else
            v = v.simplified(); // a box of one line
        r.text[static_cast<size_t>(f)] = v;
    }
    auto text = [&](Field f) -> QString& { return r.text[static_cast<size_t>(f)]; };
    // As in the record window: the guardian's address is the student's unless told otherwise.
    if (text(Field::GondCim).isEmpty()) text(Field::GondCim) = text(Field::Cim);

    QStringList missing;
    for (Field f : {Field::Nev, Field::Cim, Field::Varos, Field::SzulHely, Field::SzulIdo, Field::GondNev,
                    Field::GondCim})
        if (text(f).isEmpty()) missing << fieldCaption(f);

    if (!text(Field::SzulIdo).isEmpty()) {
        r.birth = parseDate(text(Field::SzulIdo));
        if (!r.birth.isValid())
            r.errors << QStringLiteral("A születési idő nem dátum: %1 (jó például: 2011.06.18.)")
                            .arg(text(Field::SzulIdo));
    }

    // The class: a whole name, or grade and letter in columns of their own, or the file's.
    ClassName cls;
    bool classGiven = false, classUnreadable = false;
    if (!at(Field::Osztaly).isEmpty()) {
        classGiven = true;
        classUnreadable = !parseClass(at(Field::Osztaly), cls);
        if (classUnreadable)
            r.errors << QStringLiteral("Az osztály nem értelmezhető: %1").arg(at(Field::Osztaly));
    }
    if (!at(Field::OsztalySzam).isEmpty()) {
        classGiven = true;
        static const QRegularExpression grade(QStringLiteral("^(\\d{1,2})\\.?$"));
        const QRegularExpressionMatch m = grade.match(at(Field::OsztalySzam).toString());
        cls.grade = m.hasMatch() ? intOf(m.capturedView(1), 1, 13) : 0;
        classUnreadable = classUnreadable || !cls.grade;
        if (!cls.grade)
            r.errors << QStringLiteral("Az évfolyam nem értelmezhető: %1").arg(at(Field::OsztalySzam));
    }
    if (!at(Field::OsztalyBetu).isEmpty()) {
        classGiven = true;
        cls.letter = at(Field::OsztalyBetu).toString();
    }
    if (!classGiven) {
        r.classId = defaults_.classId;
        if (!r.classId) missing << fieldCaption(Field::Osztaly);
    } else if (classUnreadable) {
        // told above
    } else if (cls.grade == 0 || cls.letter.isEmpty()) {
        r.errors << QStringLiteral("Az osztály hiányos: %1")
                        .arg(cls.grade ? QString::number(cls.grade) : cls.letter);
    } else {
        r.classId = classes_.value(classKey(cls.grade, cls.letter));
        if (!r.classId) {
            r.errors << QStringLiteral("Nincs ilyen osztály: %1").arg(cls.text());
            r.missingClass = cls;
        }
    }

    if (!at(Field::Nyelv).isEmpty()) {
        r.languageId = languages_.value(at(Field::Nyelv).toString().toLower());
        if (!r.languageId) r.errors << QStringLiteral("Nincs ilyen tanult nyelv: %1").arg(at(Field::Nyelv));
    } else {
        r.languageId = defaults_.languageId;
        if (!r.languageId) missing << fieldCaption(Field::Nyelv);
    }

    if (!at(Field::Tanev).isEmpty()) {
        static const QRegularExpression year(QStringLiteral("^(\\d{4})(?:\\s*[/-]\\s*\\d{2,4})?\\.?$"));
        const QRegularExpressionMatch m = year.match(at(Field::Tanev).toString());
        r.year = m.hasMatch() ? intOf(m.capturedView(1), 1900, 2998) : 0;
        if (!r.year) r.errors << QStringLiteral("A tanév nem értelmezhető: %1").arg(at(Field::Tanev));
    } else {
        r.year = defaults_.year;
        if (!r.year) missing << fieldCaption(Field::Tanev);
    }
    if (!missing.isEmpty())
        r.errors.prepend(QStringLiteral("Hiányzó kötelező adat: %1").arg(missing.join(QStringLiteral(", "))));

    for (int f = 0; f < kTextFields; ++f) {
        const QString& v = r.text[static_cast<size_t>(f)];
        const QString caption = fieldCaption(static_cast<Field>(f));
        const qsizetype bad = db::firstUnstorable(v);
        if (bad >= 0)
            r.errors << QStringLiteral("A(z) \"%1\" mezőben: %2").arg(caption, db::unstorableMessage(v, bad));
        else if (lengths_[f] > 0 && v.size() > lengths_[f])
            r.errors << QStringLiteral("A(z) \"%1\" túl hosszú: %2 karakter, legfeljebb %3 fér el.")
                            .arg(caption)
                            .arg(v.size())
                            .arg(lengths_[f]);
    }
    const QString tajHiba = azonosito::tajHiba(text(Field::Taj));
    if (!tajHiba.isEmpty()) r.warnings << tajHiba;
    const QString omHiba = azonosito::omHiba(text(Field::Om));
    if (!omHiba.isEmpty()) r.warnings << omHiba;
    r.taj = azonosito::tajSzamjegyei(text(Field::Taj));
    return r;
}

// ---- the duplicates' lookups ----

// Identifiers looked up in the registry and the archive, a batch at a time, each by its
// index: the cost of a row does not grow with the registry.
class Preview::Lookup {
  public:
    static constexpr int kBatch = 50;
    enum Kind { Om, Taj, Name, Kinds };

    Lookup(db::Connection& connection, db::Transaction& tr) {
        QStringList marks;
        for (int i = 0; i < kBatch; ++i)
            marks << QStringLiteral(":p%1").arg(i);
        const QString in = marks.join(QStringLiteral(", "));
        const QString taj = QStringLiteral("replace(replace(diak_taj, ' ', ''), '-', '')");
        for (const QString& table : {QStringLiteral("table_diak"), QStringLiteral("table_diak_archiv")}) {
            const QString sql[Kinds] = {
                QStringLiteral("select diak_OM from %1 where diak_OM in (%2)").arg(table, in),
                QStringLiteral("select %3 from %1 where %3 in (%2)").arg(table, in, taj),
                QStringLiteral("select nev, szul_ido from %1 where nev in (%2)").arg(table, in),
            };
            for (int k = 0; k < Kinds; ++k) {
                auto s = std::make_unique<db::Statement>(connection, tr);
                s->prepare(sql[k]);
                statements_[k].push_back(std::move(s));
            }
        }
    }

    // found[place] gets the values (for names: name and birth keys) that are there.
    void find(Kind kind, const QStringList& values, std::vector<QSet<QString>>& found) {
        found.assign(statements_[kind].size(), {});
        for (size_t place = 0; place < statements_[kind].size(); ++place) {
            db::Statement& s = *statements_[kind][place];
            for (qsizetype from = 0; from < values.size(); from += kBatch) {
                QVariantList params;
                for (qsizetype i = from; i < from + kBatch; ++i)
                    params << (i < values.size() ? QVariant(values.at(i)) : QVariant());
                s.bind(params);
                s.execute();
                while (s.fetch())
                    found[place].insert(kind == Name
                                            ? nameBirthKey(s.value(0).toString(), s.value(1).toDate())
                                            : s.value(0).toString());
                s.closeCursor();
            }
        }
    }

  private:
    std::vector<std::unique_ptr<db::Statement>> statements_[Kinds];
};

// ---- the preview ----

namespace {
constexpr int kFirstChunk = 60; // more than a screen
constexpr int kChunk = 250;
} // namespace

Preview::Preview(db::Connection& connection, QObject* parent)
    : QAbstractTableModel(parent), connection_(connection), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, [this] {
        try {
            if (checkSome(kChunk)) timer_->start();
        } catch (...) {
            // Shown by whoever checks next (the import checks the rest first).
            endLookups();
        }
    });
}

Preview::~Preview() {
    endLookups();
}

void Preview::endLookups() {
    lookup_.reset();
    if (lookupTr_ && lookupTr_->isActive()) {
        try {
            lookupTr_->commit();
        } catch (const db::Error&) {
        }
    }
    lookupTr_.reset();
}

void Preview::setSheet(Sheet sheet, const Mapping& mapping, const Defaults& defaults) {
    beginResetModel();
    sheet_ = std::move(sheet);
    mapping_ = mapping;
    mapping_.resize(static_cast<size_t>(sheet_.columnCount()), Field::None);
    defaults_ = defaults;
    endResetModel();
    recheck();
}

void Preview::setMapping(const Mapping& mapping) {
    mapping_ = mapping;
    mapping_.resize(static_cast<size_t>(sheet_.columnCount()), Field::None);
    recheck();
}

void Preview::setDefaults(const Defaults& defaults) {
    defaults_ = defaults;
    recheck();
}

void Preview::loadReference() {
    endLookups();
    lookupTr_ = std::make_unique<db::Transaction>(connection_, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(connection_, *lookupTr_);
    classes_.clear();
    s.prepare(QStringLiteral("select id, osztaly_szam, osztaly_betu from table_osztaly"));
    s.execute();
    while (s.fetch())
        classes_.insert(classKey(s.value(1).toInt(), s.value(2).toString().trimmed()), s.value(0).toInt());
    s.closeCursor();
    languages_.clear();
    s.prepare(QStringLiteral("select id, nyelv_nev from table_nyelv"));
    s.execute();
    while (s.fetch())
        languages_.insert(s.value(1).toString().trimmed().toLower(), s.value(0).toInt());
    s.closeCursor();
    std::fill(std::begin(lengths_), std::end(lengths_), 0);
    s.prepare(
        QStringLiteral("select trim(rf.rdb$field_name), f.rdb$character_length from rdb$relation_fields rf "
                       "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
                       "where rf.rdb$relation_name = 'TABLE_DIAK'"));
    s.execute();
    while (s.fetch())
        for (int f = 0; f < kTextFields; ++f)
            if (s.value(0).toString().compare(QLatin1String(kFields[f].key), Qt::CaseInsensitive) == 0)
                lengths_[f] = s.value(1).toInt();
    s.closeCursor();
    lookup_ = std::make_unique<Lookup>(connection_, *lookupTr_);
}

void Preview::recheck() {
    timer_->stop();
    const size_t n = static_cast<size_t>(sheet_.rowCount());
    status_.assign(n, Status::Unchecked);
    included_.assign(n, 0);
    reasons_.clear();
    missingClasses_.clear();
    seenOm_.clear();
    seenTaj_.clear();
    seenNameBirth_.clear();
    checked_ = 0;
    if (n) emit dataChanged(index(0, 0), index(static_cast<int>(n) - 1, columnCount() - 1));
    emit progressed();
    if (!n) return;
    loadReference();
    checkSome(kFirstChunk);
    if (!isChecked()) timer_->start();
}

bool Preview::checkSome(int count) {
    if (isChecked()) return false;
    if (!lookup_) loadReference();
    const int first = checked_;
    const int last = std::min(sheet_.rowCount(), first + count);
    std::vector<Row> rows;
    rows.reserve(static_cast<size_t>(last - first));
    QStringList oms, tajs, names;
    for (int i = first; i < last; ++i) {
        rows.push_back(readRow(i));
        const Row& r = rows.back();
        // Only what the column could hold is looked for: nothing else can be there.
        auto lookable = [&](const QString& v, Field f) {
            return !v.isEmpty() && (lengths_[int(f)] == 0 || v.size() <= lengths_[int(f)]) &&
                   db::firstUnstorable(v) < 0;
        };
        if (lookable(r.text[static_cast<size_t>(Field::Om)], Field::Om))
            oms << r.text[static_cast<size_t>(Field::Om)];
        if (lookable(r.taj, Field::Taj)) tajs << r.taj;
        if (r.birth.isValid() && lookable(r.text[static_cast<size_t>(Field::Nev)], Field::Nev))
            names << r.text[static_cast<size_t>(Field::Nev)];
    }
    std::vector<QSet<QString>> omFound, tajFound, nameFound;
    lookup_->find(Lookup::Om, oms, omFound);
    lookup_->find(Lookup::Taj, tajs, tajFound);
    lookup_->find(Lookup::Name, names, nameFound);
    const QString where[] = {QStringLiteral("a nyilvántartásban"), QStringLiteral("az archívumban")};

    for (int i = first; i < last; ++i) {
        Row& r = rows[static_cast<size_t>(i - first)];
        const int source = sheet_.sourceRow(i);
        auto duplicate = [&](const QString& value, const std::vector<QSet<QString>>& found,
                             QHash<QString, int>& seen, const QString& what, QStringList& into) {
            if (value.isEmpty()) return false;
            bool hit = false;
            for (size_t place = 0; place < found.size(); ++place)
                if (found[place].contains(value)) {
                    into << QStringLiteral("%1 már szerepel %2.").arg(what, where[place]);
                    hit = true;
                }
            if (const auto earlier = seen.constFind(value); earlier != seen.cend()) {
                into << QStringLiteral("%1 a fájl %2. sorában is szerepel.").arg(what).arg(*earlier);
                hit = true;
            } else {
                seen.insert(value, source);
            }
            return hit;
        };
        duplicate(r.text[static_cast<size_t>(Field::Om)], omFound, seenOm_,
                  QStringLiteral("Ez az OM azonosító"), r.errors);
        duplicate(r.taj, tajFound, seenTaj_, QStringLiteral("Ez a TAJ-szám"), r.errors);
        const bool sameNameBirth =
            r.birth.isValid() &&
            duplicate(nameBirthKey(r.text[static_cast<size_t>(Field::Nev)], r.birth), nameFound,
                      seenNameBirth_, QStringLiteral("Ugyanilyen nevű és születési idejű tanuló"),
                      r.warnings);
        if (sameNameBirth) r.warnings << QStringLiteral("Csak bejelölve kerül be.");
        if (r.missingClass.grade &&
            std::none_of(missingClasses_.cbegin(), missingClasses_.cend(), [&](const ClassName& c) {
                return classKey(c.grade, c.letter) == classKey(r.missingClass.grade, r.missingClass.letter);
            }))
            missingClasses_ << r.missingClass;

        const size_t at = static_cast<size_t>(i);
        status_[at] = !r.errors.isEmpty()     ? Status::Error
                      : !r.warnings.isEmpty() ? Status::Warning
                                              : Status::Ready;
        included_[at] = status_[at] != Status::Error && !sameNameBirth;
        const QString reason = (r.errors + r.warnings).join(u' ');
        if (!reason.isEmpty()) reasons_.insert(i, reason);
    }
    checked_ = last;
    if (isChecked()) endLookups();
    emit dataChanged(index(first, 0), index(last - 1, columnCount() - 1));
    emit progressed();
    return !isChecked();
}

void Preview::checkAll(queries::Progress* progress) {
    timer_->stop();
    while (checkSome(kChunk))
        if (progress && !progress->step(QStringLiteral("Sorok ellenőrzése…"), checked_, sheet_.rowCount()))
            throw queries::Cancelled{};
}

void Preview::setIncluded(int row, bool on) {
    const size_t at = static_cast<size_t>(row);
    if (status_[at] != Status::Ready && status_[at] != Status::Warning) return;
    included_[at] = on;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit progressed();
}

Preview::Counts Preview::counts() const {
    Counts c;
    for (size_t i = 0; i < status_.size(); ++i) {
        switch (status_[i]) {
        case Status::Ready:
            ++c.ready;
            break;
        case Status::Warning:
            ++c.warnings;
            break;
        case Status::Error:
            ++c.errors;
            break;
        case Status::Imported:
            ++c.imported;
            break;
        case Status::Unchecked:
            break;
        }
        if (included_[i]) ++c.included;
    }
    return c;
}

void Preview::createMissingClasses() {
    db::Transaction tr(connection_);
    try {
        db::StoredProcedure add(connection_, tr);
        add.setName(QStringLiteral("PRC_OSZTALY_FELVETELE"));
        add.prepare();
        for (const ClassName& c : missingClasses_) {
            // osztalyfonok_id, osztaly_szak, osztaly_betu, osztaly_id (-1: new), osztaly_szam
            add.bind({QVariant(), QVariant(), c.letter, -1, QString::number(c.grade)});
            add.execute();
        }
        add.close();
        tr.commit();
    } catch (...) {
        if (tr.isActive()) tr.rollback();
        throw;
    }
    recheck();
}

int Preview::importRows(queries::Progress* progress) {
    checkAll(progress);
    std::vector<int> rows;
    for (int i = 0; i < sheet_.rowCount(); ++i)
        if (included_[static_cast<size_t>(i)] && (status_[static_cast<size_t>(i)] == Status::Ready ||
                                                  status_[static_cast<size_t>(i)] == Status::Warning))
            rows.push_back(i);
    if (rows.empty()) return 0;
    db::Transaction tr(connection_);
    try {
        db::Statement insert(connection_, tr);
        insert.prepare(kInsert);
        QVariantList values;
        const qint64 total = static_cast<qint64>(rows.size());
        for (qint64 n = 0; n < total; ++n) {
            if (n % 100 == 0 && progress && !progress->step(QStringLiteral("Tanulók felvétele…"), n, total))
                throw queries::Cancelled{};
            const Row r = readRow(rows[static_cast<size_t>(n)]);
            values.clear();
            for (int f = 0; f < kTextFields - 1; ++f)
                values << (static_cast<Field>(f) == Field::SzulIdo
                               ? QVariant(r.birth)
                               : QVariant(r.text[static_cast<size_t>(f)]));
            values << r.classId << r.text[static_cast<size_t>(Field::Mj)] << r.languageId << r.year;
            insert.bind(values);
            insert.execute();
        }
        insert.free();
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
    for (int i : rows) {
        status_[static_cast<size_t>(i)] = Status::Imported;
        included_[static_cast<size_t>(i)] = 0;
    }
    emit dataChanged(index(0, 0), index(sheet_.rowCount() - 1, columnCount() - 1));
    emit progressed();
    return static_cast<int>(rows.size());
}

int Preview::leftOutCount() const {
    int n = 0;
    for (Status s : status_)
        if (s != Status::Imported) ++n;
    return n;
}

QString Preview::saveLeftOut(const QString& path) const {
    QStringList titles = sheet_.headings;
    for (int c = 0; c < sheet_.columnCount(); ++c)
        titles[c] = columnHeading(c);
    titles << QStringLiteral("Kimaradás oka");
    std::vector<int> rows;
    for (int i = 0; i < sheet_.rowCount(); ++i)
        if (status_[static_cast<size_t>(i)] != Status::Imported) rows.push_back(i);
    auto cell = [&](int row, int column) -> QString {
        const int i = rows[static_cast<size_t>(row)];
        if (column < sheet_.columnCount()) return sheet_.cell(i, column).toString();
        const QString why = reasons_.value(i);
        return why.isEmpty() ? QStringLiteral("Kihagyva.") : why;
    };
    if (isXlsx(path))
        return queries::writeXlsx(path, QStringLiteral("Kimaradt sorok"), titles,
                                  static_cast<int>(rows.size()),
                                  [&](int row, int column) { return QVariant(cell(row, column)); });
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    file.write("\xEF\xBB\xBF");
    auto line = [&](const QStringList& fields) {
        QStringList out;
        for (const QString& f : fields)
            out << queries::csvField(f);
        file.write((out.join(u';') + QStringLiteral("\r\n")).toUtf8());
    };
    line(titles);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        QStringList fields;
        for (int c = 0; c < titles.size(); ++c)
            fields << cell(r, c);
        line(fields);
    }
    if (!file.commit()) return file.errorString();
    return {};
}

// ---- the model ----

QString Preview::columnHeading(int column) const {
    const QString h = sheet_.headings.value(column);
    return h.isEmpty() ? QStringLiteral("(%1. oszlop)").arg(column + 1) : h;
}

int Preview::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : sheet_.rowCount();
}

int Preview::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFixedColumns + sheet_.columnCount();
}

QVariant Preview::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const int column = index.column();
    const Status s = status_[static_cast<size_t>(row)];
    if (role == Qt::CheckStateRole && column == 0)
        return s == Status::Unchecked ? QVariant() : QVariant(isIncluded(row) ? Qt::Checked : Qt::Unchecked);
    if (role == Qt::BackgroundRole && column <= 3) {
        switch (s) {
        case Status::Ready:
            return QBrush(QColor(0xdf, 0xf3, 0xdf));
        case Status::Warning:
            return QBrush(QColor(0xff, 0xf1, 0xc4));
        case Status::Error:
            return QBrush(QColor(0xf9, 0xd6, 0xd5));
        default:
            return {};
        }
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (column) {
    case 0:
        return {};
    case 1:
        return sheet_.sourceRow(row);
    case 2: {
        static const QString names[] = {QStringLiteral("…"), QStringLiteral("rendben"),
                                        QStringLiteral("figyelmeztetés"), QStringLiteral("hiba"),
                                        QStringLiteral("felvéve")};
        return names[static_cast<int>(s)];
    }
    case 3:
        return reasons_.value(row);
    default:
        return sheet_.cell(row, column - kFixedColumns).toString();
    }
}

QVariant Preview::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case 0:
        return QStringLiteral("Be");
    case 1:
        return QStringLiteral("Sor");
    case 2:
        return QStringLiteral("Állapot");
    case 3:
        return QStringLiteral("Megjegyzés");
    default:
        return columnHeading(section - kFixedColumns);
    }
}

Qt::ItemFlags Preview::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == 0) {
        const Status s = status_[static_cast<size_t>(index.row())];
        if (s == Status::Ready || s == Status::Warning)
            f |= Qt::ItemIsUserCheckable;
        else
            f &= ~Qt::ItemIsEnabled;
    }
    return f;
}

bool Preview::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != 0) return false;
    const Status s = status_[static_cast<size_t>(index.row())];
    if (s != Status::Ready && s != Status::Warning) return false;
    setIncluded(index.row(), value.toInt() == Qt::Checked);
    return true;
}

} // namespace intake
