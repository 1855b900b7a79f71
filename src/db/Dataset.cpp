#include "Dataset.h"

#include "Connection.h"
#include "Error.h"
#include "Transaction.h"
#include "Values.h"

#include <limits>

namespace db {

Dataset::Dataset(Connection& connection, Transaction& transaction, QObject* parent)
    : QAbstractTableModel(parent), transaction_(transaction), statement_(connection, transaction) {
    // Commit, rollback and detach close every open list.
    connect(&transaction_, &Transaction::ending, this, &Dataset::close);
    connect(&connection, &Connection::aboutToClose, this, [this] {
        close();
        preparedSql_.clear();
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

void Dataset::open() {
    if (open_) return;
    try {
        transaction_.ensureActive();
        if (!statement_.isPrepared() || preparedSql_ != sql_) {
            preparedSql_.clear();
            statement_.prepare(sql_);
            preparedSql_ = sql_;
        }
        statement_.bind(positional_);
        for (const auto& p : named_)
            statement_.setParamByName(p.first, p.second);
        statement_.execute();
    } catch (...) {
        failed_ = true;
        throw;
    }
    failed_ = false;

    beginResetModel();
    columns_.clear();
    for (int c = 0; c < statement_.columnCount(); ++c)
        columns_ << statement_.columnName(c);
    rows_.clear();
    open_ = true;
    atEnd_ = !statement_.isSelect();
    current_ = -1;
    try {
        fetchBatch(kBatch, rows_);
    } catch (...) {
        endResetModel();
        close();
        failed_ = true;
        throw;
    }
    current_ = rows_.empty() ? -1 : 0;
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
        rememberedFetched_ = static_cast<qint64>(rows_.size());
    } else {
        rememberedKey_ = QVariant();
    }
    statement_.closeCursor();
    beginResetModel();
    open_ = false;
    atEnd_ = true;
    rows_.clear();
    rows_.shrink_to_fit();
    current_ = -1;
    endResetModel();
    emit closed();
    emit currentRowChanged(-1);
}

bool Dataset::isEmpty() {
    return !open_ || rows_.empty();
}

int Dataset::fetchBatch(int count, std::vector<std::vector<QVariant>>& into) {
    int got = 0;
    const int cols = statement_.columnCount();
    while (got < count && !atEnd_) {
        if (!statement_.fetch()) {
            atEnd_ = true;
            break;
        }
        std::vector<QVariant> row;
        row.reserve(static_cast<size_t>(cols));
        for (int c = 0; c < cols; ++c)
            row.push_back(statement_.value(c));
        into.push_back(std::move(row));
        ++got;
    }
    return got;
}

void Dataset::fetchAll() {
    while (canFetchMore())
        appendBatch();
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
    std::vector<std::vector<QVariant>> batch;
    batch.reserve(kBatch);
    // Rows that arrived before a failure stay in the list.
    auto append = [&] {
        if (batch.empty()) return;
        const int first = static_cast<int>(rows_.size());
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(batch.size()) - 1);
        std::move(batch.begin(), batch.end(), std::back_inserter(rows_));
        endInsertRows();
    };
    try {
        fetchBatch(kBatch, batch);
    } catch (...) {
        append();
        throw;
    }
    append();
}

int Dataset::fieldIndex(const QString& name) const {
    for (int c = 0; c < columns_.size(); ++c)
        if (columns_.at(c).compare(name, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

int Dataset::requireField(const QString& name) const {
    const int c = fieldIndex(name);
    if (c < 0) throw Error(QStringLiteral("%1: a(z) '%2' mező nem található").arg(objectName(), name));
    return c;
}

QVariant Dataset::value(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= columns_.size())
        return QVariant();
    return rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

QVariant Dataset::value(int row, const QString& field) const {
    const int c = requireField(field);
    return value(row, c);
}

void Dataset::setCurrentRow(int row) {
    if (row < -1 || row >= static_cast<int>(rows_.size()) || row == current_) return;
    const int old = current_;
    current_ = row;
    if (old >= 0) emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
    emit currentRowChanged(row);
}

QVariant Dataset::fieldByName(const QString& field) const {
    const int c = requireField(field);
    if (current_ < 0) throw Error(QStringLiteral("%1: nincs kijelölt sor").arg(objectName()));
    return value(current_, c);
}

bool Dataset::locate(const QString& field, const QVariant& wanted) {
    return locate(field, wanted, std::numeric_limits<qint64>::max());
}

bool Dataset::locate(const QString& field, const QVariant& wanted, qint64 maxRows) {
    const int c = fieldIndex(field);
    if (c < 0) return false;
    const QString key = displayText(wanted);
    for (size_t r = 0; static_cast<qint64>(r) < maxRows; ++r) {
        if (r == rows_.size()) {
            if (!canFetchMore()) return false; // the search ends with the list
            appendBatch();
            if (r == rows_.size()) return false;
        }
        if (displayText(rows_[r][static_cast<size_t>(c)]) == key) {
            setCurrentRow(static_cast<int>(r));
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
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int Dataset::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant Dataset::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return QVariant();
    if (role == Qt::DisplayRole) return displayText(value(index.row(), index.column()));
    if (role == Qt::UserRole) return value(index.row(), index.column());
    return QVariant();
}

QVariant Dataset::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Horizontal) return columns_.value(section);
    return section == current_ ? QStringLiteral("\u25B6") : QString();
}

} // namespace db
