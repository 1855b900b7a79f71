#include "Beolvasas.h"

#include <QBrush>
#include <QColor>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>

#include "Ismetlodes.h"
#include "Tarolas.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/StoredProcedure.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "output/Report.h"
#include "output/Xlsx.h"

namespace intake {

namespace {
constexpr int kFirstChunk = 60;        // more than a screen
constexpr int kChunk = Lookup::kBatch; // one lookup per kind and place

QString classKey(const ClassName& c) {
    return QStringLiteral("%1.%2").arg(c.grade).arg(c.letter.toUpper());
}
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
    chosen_.assign(mapping_.size(), 0);
    defaults_ = defaults;
    // Views ask about the new rows as soon as the reset ends.
    status_.assign(static_cast<size_t>(sheet_.rowCount()), Status::Unchecked);
    included_.assign(status_.size(), 0);
    nameTwin_.assign(status_.size(), 0);
    reasons_.clear();
    endResetModel();
    recheck();
}

void Preview::setMapping(const Mapping& mapping) {
    const Mapping before = mapping_;
    mapping_ = mapping;
    mapping_.resize(static_cast<size_t>(sheet_.columnCount()), Field::None);
    for (size_t c = 0; c < mapping_.size(); ++c)
        if (c >= before.size() || before[c] != mapping_[c]) chosen_[c] = 1;
    recheck();
}

void Preview::setDefaults(const Defaults& defaults) {
    defaults_ = defaults;
    recheck();
}

void Preview::loadReference() {
    endLookups();
    lookupTr_ = std::make_unique<db::Transaction>(connection_, nullptr, db::Transaction::Access::ReadOnly);
    reference_.load(connection_, *lookupTr_);
    lookup_ = std::make_unique<Lookup>(connection_, *lookupTr_);
}

void Preview::recheck() {
    timer_->stop();
    const size_t n = static_cast<size_t>(sheet_.rowCount());
    status_.assign(n, Status::Unchecked);
    included_.assign(n, 0);
    nameTwin_.assign(n, 0);
    reasons_.clear();
    missingClasses_.clear();
    seenOm_.clear();
    seenTaj_.clear();
    seenNameBirth_.clear();
    checked_ = 0;
    // The file's dates decide their order; the office's choice only where they do not.
    slash_ = intake::slashDates(sheet_, mapping_);
    rowDefaults_ = defaults_;
    if (slash_.order != DateOrder::Unsettled) rowDefaults_.dateOrder = slash_.order;
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
        rows.push_back(readRow(sheet_, i, mapping_, rowDefaults_, reference_));
        const Row& r = rows.back();
        // Only what the column could hold is looked for: nothing else can be there.
        auto lookable = [&](const QString& v, Field f) {
            const int length = reference_.lengths[int(f)];
            return !v.isEmpty() && (length == 0 || v.size() <= length) && db::firstUnstorable(v) < 0;
        };
        if (lookable(r.om, Field::Om)) oms << r.om;
        if (lookable(r.taj, Field::Taj)) tajs << r.taj;
        if (r.birth.isValid() && lookable(r.text[static_cast<size_t>(Field::Nev)], Field::Nev))
            names << r.text[static_cast<size_t>(Field::Nev)].toUpper();
    }
    std::vector<QSet<QString>> omFound, tajFound, nameFound;
    lookup_->find(Lookup::Om, oms, omFound);
    lookup_->find(Lookup::Taj, tajs, tajFound);
    lookup_->find(Lookup::Name, names, nameFound);

    for (int i = first; i < last; ++i) {
        Row& r = rows[static_cast<size_t>(i - first)];
        const int source = sheet_.sourceRow(i);
        auto duplicate = [&](const QString& value, const std::vector<QSet<QString>>& found,
                             QHash<QString, int>& seen, const QString& what, QStringList& into) {
            if (value.isEmpty()) return false;
            bool hit = false;
            for (size_t place = 0; place < found.size(); ++place)
                if (found[place].contains(value)) {
                    into << QStringLiteral("%1 már szerepel %2.").arg(what, Lookup::where(int(place)));
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
        duplicate(r.om, omFound, seenOm_, QStringLiteral("Ez az OM azonosító"), r.errors);
        duplicate(r.taj, tajFound, seenTaj_, QStringLiteral("Ez a TAJ-szám"), r.errors);
        const bool sameNameBirth =
            r.birth.isValid() &&
            duplicate(nameBirthKey(r.text[static_cast<size_t>(Field::Nev)], r.birth), nameFound,
                      seenNameBirth_, QStringLiteral("Ugyanilyen nevű és születési idejű tanuló"),
                      r.warnings);
        // Said only where there is a tick to set.
        const bool waits = sameNameBirth || r.onlyIfTicked;
        if (waits && r.errors.isEmpty()) r.warnings << QStringLiteral("Csak bejelölve kerül be.");
        if (r.missingClass.grade &&
            std::none_of(missingClasses_.cbegin(), missingClasses_.cend(),
                         [&](const ClassName& c) { return classKey(c) == classKey(r.missingClass); }))
            missingClasses_ << r.missingClass;

        const size_t at = static_cast<size_t>(i);
        status_[at] = !r.errors.isEmpty()     ? Status::Error
                      : !r.warnings.isEmpty() ? Status::Warning
                                              : Status::Ready;
        included_[at] = status_[at] != Status::Error && !waits;
        nameTwin_[at] = sameNameBirth;
        const QString reason = (r.errors + r.warnings).join(u' ');
        if (!reason.isEmpty()) reasons_.insert(i, reason);
    }
    checked_ = last;
    if (isChecked()) endLookups();
    emit dataChanged(index(first, 0), index(last - 1, columnCount() - 1));
    emit progressed();
    return !isChecked();
}

void Preview::checkAll(output::Progress* progress) {
    timer_->stop();
    while (checkSome(kChunk))
        if (progress && !progress->step(QStringLiteral("Sorok ellenőrzése…"), checked_, sheet_.rowCount()))
            throw output::Cancelled{};
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
            if (reasons_.contains(static_cast<int>(i))) ++c.importedWithWarning;
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
            add.bind({QVariant(), QVariant(), reference_.letterFor(c.letter), -1, QString::number(c.grade)});
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

int Preview::importRows(output::Progress* progress) {
    checkAll(progress);
    std::vector<int> chosen;
    std::vector<Row> rows;
    for (int i = 0; i < sheet_.rowCount(); ++i)
        if (included_[static_cast<size_t>(i)] && (status_[static_cast<size_t>(i)] == Status::Ready ||
                                                  status_[static_cast<size_t>(i)] == Status::Warning)) {
            chosen.push_back(i);
            rows.push_back(readRow(sheet_, i, mapping_, rowDefaults_, reference_));
            rows.back().nameTwinChosen = nameTwin_[static_cast<size_t>(i)] != 0;
        }
    if (rows.empty()) return 0;
    try {
        storeRows(connection_, rows, reference_, progress);
    } catch (const NowDuplicates& now) {
        QStringList where;
        QHash<int, QStringList> why;
        for (const auto& [at, reason] : now.rows) {
            const int i = chosen[at];
            if (!why.contains(i)) where << QStringLiteral("%1.").arg(sheet_.sourceRow(i));
            why[i] << reason;
        }
        for (auto it = why.begin(); it != why.end(); ++it) {
            const size_t i = static_cast<size_t>(it.key());
            status_[i] = Status::Error;
            included_[i] = 0;
            reasons_.insert(it.key(), (it.value() << reasons_.value(it.key())).join(u' ').trimmed());
        }
        emit dataChanged(index(0, 0), index(sheet_.rowCount() - 1, columnCount() - 1));
        emit progressed();
        // A few rows named, the rest counted: the box must fit the screen whatever the count.
        constexpr int kNamed = 10;
        const QString named = where.size() <= kNamed
                                  ? where.join(QStringLiteral(", "))
                                  : QStringLiteral("%1 és még %2")
                                        .arg(where.mid(0, kNamed).join(QStringLiteral(", ")))
                                        .arg(where.size() - kNamed);
        throw db::Error(
            QStringLiteral("Ellenőrzés óta %1 sor tanulója bekerült a nyilvántartásba vagy az "
                           "archívumba (a fájl %2 sora), ezért egyetlen tanuló sem került be.\r \r"
                           "Ezek a sorok most hibásként látszanak; a többi a „Beolvasás” "
                           "gombbal újra beolvasható.%3")
                .arg(where.size())
                .arg(named)
                .arg(where.size() > kNamed
                         ? QStringLiteral(" A sorok listája okukkal együtt a „Kimaradt sorok "
                                          "mentése…” gombbal menthető.")
                         : QString()));
    }
    // The fields the office chose are kept for the next file only once they made a good
    // import; a guess is guessed again (an address in one cell, say, by the cells).
    QStringList headings;
    Mapping kept;
    for (size_t c = 0; c < mapping_.size(); ++c)
        if (chosen_[c]) {
            headings << sheet_.headings.value(static_cast<int>(c));
            kept.push_back(mapping_[c]);
        }
    try {
        if (!kept.empty()) rememberMapping(connection_, headings, kept);
    } catch (const db::Error&) {
        // the students are in; a mapping not kept is chosen again next time
    }
    for (int i : chosen) {
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

bool Preview::isSaved(int row, Rows which) const {
    const bool imported = status_[static_cast<size_t>(row)] == Status::Imported;
    return which == Rows::LeftOut ? !imported : imported && reasons_.contains(row);
}

QString Preview::saveRows(const QString& path, Rows which) const {
    QStringList titles = sheet_.headings;
    for (int c = 0; c < sheet_.columnCount(); ++c)
        titles[c] = columnHeading(c);
    titles << (which == Rows::LeftOut ? QStringLiteral("Kimaradás oka") : QStringLiteral("Figyelmeztetés"));
    std::vector<int> rows;
    for (int i = 0; i < sheet_.rowCount(); ++i)
        if (isSaved(i, which)) rows.push_back(i);
    auto cell = [&](int row, int column) -> QString {
        const int i = rows[static_cast<size_t>(row)];
        if (column < sheet_.columnCount()) return sheet_.cell(i, column).toString();
        const QString why = reasons_.value(i);
        return why.isEmpty() ? QStringLiteral("Kihagyva.") : why;
    };
    if (isXlsx(path))
        return output::writeXlsx(path,
                                 which == Rows::LeftOut ? QStringLiteral("Kimaradt sorok")
                                                        : QStringLiteral("Figyelmeztetések"),
                                 titles, static_cast<int>(rows.size()),
                                 [&](int row, int column) { return QVariant(cell(row, column)); });
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    file.write("\xEF\xBB\xBF");
    auto line = [&](const QStringList& fields) {
        QStringList out;
        for (const QString& f : fields)
            out << output::csvField(f);
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
