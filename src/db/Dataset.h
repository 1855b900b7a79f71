#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "Statement.h"

namespace db {

class Connection;
class Transaction;

// A read-only list over a select statement, as a table model for the grids.
// Rows are fetched lazily as the grid scrolls; memory grows with what was fetched,
// kept column by column: integers as integers, text as its wire bytes in one buffer.
class Dataset : public QAbstractTableModel {
    Q_OBJECT
  public:
    Dataset(Connection& connection, Transaction& transaction, QObject* parent = nullptr);
    ~Dataset() override;

    void setSelectSQL(const QString& sql) {
        sql_ = sql;
        failed_ = false;
    }
    const QString& selectSQL() const { return sql_; }
    // Values by parameter name (every occurrence) or, when no name is given, by position.
    void setParam(const QString& name, const QVariant& value);
    void setParams(const QVariantList& positional);
    // Binds the statement's first parameter, and every other of its name.
    void setFirstParam(const QVariant& value);
    void clearParams();

    // The field whose value a view shows as the tooltip of another: details kept out of sight.
    void setToolTipField(const QString& shown, const QString& details) { toolTips_.insert(shown, details); }

    void open();
    void close();
    bool isOpen() const { return open_; }
    // The last opening failed: refreshes that nobody asked for leave the list closed
    // until a user action (a new statement, or clearFailed()) tries again.
    bool failed() const { return failed_; }
    void clearFailed() { failed_ = false; }
    // Open and holding no row at all.
    bool isEmpty();
    void fetchAll();
    // The same, batch by batch, asking going(rows so far) between batches; false when it
    // said stop before the end.
    bool fetchAll(const std::function<bool(qint64)>& going);
    qint64 fetchedRows() const { return rows_; }
    // What the fetched rows take in memory, buffers' spare room included.
    qint64 memoryBytes() const;

    int fieldIndex(const QString& name) const; // -1 when there is no such column
    QString fieldName(int column) const { return columns_.value(column); }
    QVariant value(int row, const QString& field) const;
    QVariant value(int row, int column) const;

    // The row the grid and the code share.
    int currentRow() const { return current_; }
    void setCurrentRow(int row);
    QVariant fieldByName(const QString& field) const; // of the current row; throws without one
    // Makes current the first row whose field equals value, fetching as needed;
    // false (current row unchanged) when the list ends without it.
    bool locate(const QString& field, const QVariant& value);
    bool locate(const QString& field, const QVariant& value, qint64 maxRows);
    // With a key field, every reopening keeps the same record current wherever it
    // still stands among the rows the grid had already fetched.
    void setKeyField(const QString& field) { keyField_ = field; }
    // The next opening starts at the first row, whatever was current before.
    void forgetPosition() { rememberedKey_ = QVariant(); }
    // Closes and opens again.
    void refresh();
    // The Firebird 3 client has the server read two thousand rows at a cursor's first
    // fetch. Bounded, an opening reads the first screen alone, and the rest comes from
    // a second cursor once the grid scrolls past it (a change committed in between may
    // move a row across the seam, as one read-committed cursor may meet a moved row
    // twice). The statement must be one select that a derived table can hold.
    void setFirstScreenBounded(bool on) { bounded_ = on; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

    static constexpr int kBatch = 200;

  signals:
    void currentRowChanged(int row);
    void opened();
    void closed();
    // Fetching for a view failed; the list ends where it got to.
    void fetchFailed(const QString& message);

  private:
    QHash<QString, QString> toolTips_;
    struct Column {
        Statement::Kind kind = Statement::Kind::Other;
        std::vector<qint64> integers;
        std::vector<char> text;        // every value's bytes, one after the other
        std::vector<quint32> textEnds; // where each value's bytes end
        std::vector<QVariant> others;
        std::vector<bool> nulls;
        void clear();
        void reserve(size_t rows);
        qint64 bytes() const;
    };
    int requireField(const QString& name) const; // throws naming the list and the field
    // Fetches into the columns beyond the rows shown; the caller makes them shown.
    int fetchBatch(int count);
    void appendBatch(); // throws
    void clearRows();

    // Prepares (when its text changed) and runs one of the two statements.
    void execute(Statement& statement, QString& prepared, const QString& sql);

    Transaction& transaction_;
    Statement statement_;
    Statement rest_; // past a bounded first screen
    Statement* source_ = &statement_;
    QString sql_;
    QString preparedSql_;
    QString restPreparedSql_;
    bool bounded_ = false;
    std::vector<std::pair<QString, QVariant>> named_;
    QVariantList positional_;
    QStringList columns_;
    std::vector<Column> data_;
    int rows_ = 0;   // rows shown
    int stored_ = 0; // rows in the columns: shown, or being appended
    bool open_ = false;
    bool failed_ = false;
    bool atEnd_ = true;
    int current_ = -1;
    QString keyField_;
    QVariant rememberedKey_;
    qint64 rememberedFetched_ = 0;
};

} // namespace db
