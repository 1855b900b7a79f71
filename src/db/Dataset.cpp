#include "Dataset.h"

#include "Connection.h"
#include "Error.h"
#include "Text.h"
#include "Transaction.h"
#include "Values.h"
#include "ui/Nevelo.h"

#include <algorithm>

#include <limits>

namespace db {

Dataset::Dataset(Connection& connection, Transaction& transaction, QObject* parent)
    : QAbstractTableModel(parent), transaction_(transaction), statement_(connection, transaction),
      rest_(connection, transaction) {
    // Commit, rollback and detach close every open list.
    connect(&transaction_, &Transaction::ending, this, &Dataset::close);
    connect(&connection, &Connection::aboutToClose, this, [this] {
        close();
        preparedSql_.clear();
        restPreparedSql_.clear();
    });
}

Dataset::~Dataset() = default;

void Dataset::setParam(const QString& name, const QVariant& value) {
    for (auto& p : named_)
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    named_.emplace_back(name, value);
}

void Dataset::setParams(const QVariantList& positional) {
    positional_ = positional;
}

void Dataset::setFirstParam(const QVariant& value) {
    clearParams();
    const QString name = parseParameters(sql_).names.value(0);
    if (name.isEmpty())
        setParams({value});
    else
        setParam(name, value);
}

void Dataset::clearParams() {
    named_.clear();
    positional_.clear();
}

namespace {
// The select as a derived table; a comment may end its last line.
QString derived(const QString& sql) {
    return QStringLiteral("(\n%1\n)").arg(sql);
}
} // namespace

void Dataset::execute(Statement& statement, QString& prepared, const QString& sql) {
    if (!statement.isPrepared() || prepared != sql) {
        prepared.clear();
        statement.prepare(sql);
        prepared = sql;
    }
    statement.bind(positional_);
    for (const auto& p : named_)
        statement.setParamByName(p.first, p.second);
    statement.execute();
}

void Dataset::open() {
    if (open_) return;
    source_ = &statement_;
    try {
        transaction_.ensureActive();
        execute(statement_, preparedSql_,
                bounded_ ? QStringLiteral("select * from %1 rows %2").arg(derived(sql_)).arg(kBatch) : sql_);
    } catch (...) {
        failed_ = true;
        throw;
    }
    failed_ = false;

    beginResetModel();
    columns_.clear();
    clearRows();
    data_.assign(static_cast<size_t>(statement_.columnCount()), Column());
    for (int c = 0; c < statement_.columnCount(); ++c) {
        columns_ << statement_.columnName(c);
        data_[static_cast<size_t>(c)].kind = statement_.kind(c);
    }
    open_ = true;
    atEnd_ = !statement_.isSelect();
    current_ = -1;
    try {
        fetchBatch(kBatch);
    } catch (...) {
        rows_ = stored_;
        endResetModel();
        close();
        failed_ = true;
        throw;
    }
    rows_ = stored_;
    current_ = rows_ == 0 ? -1 : 0;
    endResetModel();
    emit opened();
    emit currentRowChanged(current_);
    if (!keyField_.isEmpty() && rememberedKey_.isValid()) {
        // Only as far as the grid had reached: a vanished record costs no full fetch.
        locate(keyField_, rememberedKey_, rememberedFetched_ + kBatch);
        rememberedKey_ = QVariant();
    }
}

void Dataset::close() {
    if (!open_) return;
    if (!keyField_.isEmpty() && current_ >= 0 && fieldIndex(keyField_) >= 0) {
        rememberedKey_ = value(current_, keyField_);
        // The record is looked for where it stood, give or take a batch of changes
        // above it: never further than the rows the grid had fetched.
        rememberedFetched_ = qMin<qint64>(rows_, current_ + 1);
    } else {
        rememberedKey_ = QVariant();
    }
    statement_.closeCursor();
    rest_.closeCursor();
    beginResetModel();
    open_ = false;
    atEnd_ = true;
    clearRows();
    current_ = -1;
    endResetModel();
    emit closed();
    emit currentRowChanged(-1);
}

bool Dataset::isEmpty() {
    return !open_ || rows_ == 0;
}

void Dataset::Column::clear() {
    const Statement::Kind k = kind;
    *this = Column();
    kind = k;
}

void Dataset::Column::reserve(size_t rows) {
    // A quarter more at a time, not double: spare room stays small on long lists.
    auto grow = [rows](auto& v, size_t perRow) {
        const size_t need = rows * perRow;
        if (v.capacity() < need) v.reserve(std::max(need, v.capacity() + v.capacity() / 4));
    };
    grow(nulls, 1);
    switch (kind) {
    case Statement::Kind::Integer:
    case Statement::Kind::WideInteger:
        grow(integers, 1);
        break;
    case Statement::Kind::Text:
        grow(textEnds, 1);
        break;
    case Statement::Kind::Other:
        grow(others, 1);
        break;
    }
}

qint64 Dataset::Column::bytes() const {
    return static_cast<qint64>(integers.capacity() * sizeof(qint64) + text.capacity() +
                               textEnds.capacity() * sizeof(quint32) + others.capacity() * sizeof(QVariant) +
                               nulls.capacity() / 8);
}

qint64 Dataset::memoryBytes() const {
    qint64 total = 0;
    for (const Column& c : data_)
        total += c.bytes();
    return total;
}

void Dataset::clearRows() {
    for (Column& c : data_)
        c.clear();
    rows_ = stored_ = 0;
}

int Dataset::fetchBatch(int count) {
    int got = 0;
    const int cols = statement_.columnCount();
    for (Column& c : data_)
        c.reserve(static_cast<size_t>(stored_ + count));
    while (got < count && !atEnd_) {
        if (!source_->fetch()) {
            if (bounded_ && source_ == &statement_ && stored_ == kBatch) {
                // A full first screen: the rest, read by a cursor of its own.
                statement_.closeCursor();
                source_ = &rest_;
                execute(rest_, restPreparedSql_,
                        QStringLiteral("select skip %1 * from %2").arg(kBatch).arg(derived(sql_)));
                continue;
            }
            atEnd_ = true;
            break;
        }
        const Statement& statement = *source_;
        for (int i = 0; i < cols; ++i) {
            Column& c = data_[static_cast<size_t>(i)];
            const bool null = statement.isNull(i);
            c.nulls.push_back(null);
            switch (c.kind) {
            case Statement::Kind::Integer:
            case Statement::Kind::WideInteger:
                c.integers.push_back(null ? 0 : statement.integer(i));
                break;
            case Statement::Kind::Text: {
                if (!null) {
                    const QByteArrayView bytes = statement.wireText(i);
                    if (c.text.size() + static_cast<size_t>(bytes.size()) >
                        std::numeric_limits<quint32>::max())
                        throw Error(QStringLiteral("A lista túl nagy ahhoz, hogy a memóriában tartsuk."));
                    if (c.text.capacity() < c.text.size() + static_cast<size_t>(bytes.size()))
                        c.text.reserve(std::max(c.text.size() + static_cast<size_t>(bytes.size()),
                                                c.text.capacity() + c.text.capacity() / 4 + 4096));
                    c.text.insert(c.text.end(), bytes.begin(), bytes.end());
                }
                c.textEnds.push_back(static_cast<quint32>(c.text.size()));
                break;
            }
            case Statement::Kind::Other:
                c.others.push_back(null ? QVariant() : statement.value(i));
                break;
            }
        }
        ++stored_;
        ++got;
    }
    return got;
}

void Dataset::fetchAll() {
    while (canFetchMore())
        appendBatch();
}

bool Dataset::fetchAll(const std::function<bool(qint64)>& going) {
    while (canFetchMore()) {
        if (!going(rows_)) return false;
        appendBatch();
    }
    return true;
}

bool Dataset::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && open_ && !atEnd_;
}

void Dataset::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    // Views call this from deep inside Qt: no exception may pass through there.
    try {
        appendBatch();
    } catch (const std::exception& e) {
        atEnd_ = true;
        emit fetchFailed(userText(e));
    }
}

void Dataset::appendBatch() {
    // Rows that arrived before a failure stay in the list.
    auto show = [&] {
        if (stored_ == rows_) return;
        beginInsertRows(QModelIndex(), rows_, stored_ - 1);
        rows_ = stored_;
        endInsertRows();
    };
    try {
        fetchBatch(kBatch);
    } catch (...) {
        show();
        throw;
    }
    show();
}

int Dataset::fieldIndex(const QString& name) const {
    for (int c = 0; c < columns_.size(); ++c)
        if (columns_.at(c).compare(name, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

int Dataset::requireField(const QString& name) const {
    const int c = fieldIndex(name);
    if (c < 0)
        throw Error(
            QStringLiteral("%1: %2 mező nem található").arg(objectName(), ui::aAz(u'\'' + name + u'\'')));
    return c;
}

QVariant Dataset::value(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_.size()) return QVariant();
    const Column& c = data_[static_cast<size_t>(column)];
    const auto r = static_cast<size_t>(row);
    if (c.nulls[r]) return QVariant();
    switch (c.kind) {
    case Statement::Kind::Integer:
        return QVariant(static_cast<int>(c.integers[r]));
    case Statement::Kind::WideInteger:
        return QVariant(static_cast<qlonglong>(c.integers[r]));
    case Statement::Kind::Text: {
        const quint32 begin = r == 0 ? 0 : c.textEnds[r - 1];
        return QVariant(fromWire(c.text.data() + begin, c.textEnds[r] - begin));
    }
    case Statement::Kind::Other:
        return c.others[r];
    }
    return QVariant();
}

QVariant Dataset::value(int row, const QString& field) const {
    const int c = requireField(field);
    return value(row, c);
}

void Dataset::setCurrentRow(int row) {
    if (row < -1 || row >= rows_ || row == current_) return;
    const int old = current_;
    current_ = row;
    if (old >= 0) emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
    emit currentRowChanged(row);
}

QVariant Dataset::fieldByName(const QString& field) const {
    const int c = requireField(field);
    // Said to the user: the list's own name means nothing to an office.
    if (current_ < 0) throw Error(QStringLiteral("Nincs kijelölt sor a listában: válasszon egyet."));
    return value(current_, c);
}

bool Dataset::locate(const QString& field, const QVariant& wanted) {
    return locate(field, wanted, std::numeric_limits<qint64>::max());
}

bool Dataset::locate(const QString& field, const QVariant& wanted, qint64 maxRows) {
    const int c = fieldIndex(field);
    if (c < 0) return false;
    const QString key = displayText(wanted);
    for (int r = 0; r < maxRows; ++r) {
        if (r == rows_) {
            if (!canFetchMore()) return false; // the search ends with the list
            appendBatch();
            if (r == rows_) return false;
        }
        if (displayText(value(r, c)) == key) {
            setCurrentRow(r);
            return true;
        }
    }
    return false;
}

void Dataset::refresh() {
    close();
    open();
}

int Dataset::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int Dataset::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant Dataset::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return QVariant();
    if (role == Qt::DisplayRole) return displayText(value(index.row(), index.column()));
    if (role == Qt::UserRole) return value(index.row(), index.column());
    if (role == Qt::ToolTipRole) {
        const QString details = toolTips_.value(columns_.value(index.column()));
        const int c = details.isEmpty() ? -1 : fieldIndex(details);
        if (c >= 0) return displayText(value(index.row(), c));
    }
    return QVariant();
}

QVariant Dataset::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Horizontal) return columns_.value(section);
    return section == current_ ? QStringLiteral("\u25B6") : QString();
}

} // namespace db
