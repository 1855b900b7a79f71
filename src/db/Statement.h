#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ibase.h>
#include <memory>
#include <vector>

namespace db {

class Connection;
class Transaction;

// SQL with :name parameters turned into positional ones, in order of appearance.
// A colon inside a quoted literal, a quoted identifier or a comment is left alone.
struct ParsedSql {
    QString sql;       // with ? in place of each parameter
    QStringList names; // one per ?, in order; a name used twice appears twice
};
ParsedSql parseParameters(const QString& sql);

// Descriptor area with its own buffers; freed with it.
class Sqlda {
  public:
    Sqlda() = default;
    ~Sqlda();
    Sqlda(const Sqlda&) = delete;
    Sqlda& operator=(const Sqlda&) = delete;

    void resize(int count);
    XSQLDA* get() const { return da_; }
    int count() const { return da_ ? da_->sqld : 0; }
    XSQLVAR& var(int i) const { return da_->sqlvar[i]; }
    void allocateBuffers(); // one buffer a column, sized by its description
    void reset();

  private:
    XSQLDA* da_ = nullptr;
    std::vector<std::unique_ptr<char[]>> buffers_;
    std::vector<short> indicators_;
};

// A prepared DSQL statement on one connection, run in one transaction.
class Statement {
  public:
    Statement(Connection& connection, Transaction& transaction);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Named: ":name" marks a parameter. Positional: the text goes to the server as it is,
    // "?" marking the parameters, so that a block's own ":variables" stay its own.
    enum class Markers { Named, Positional };
    void prepare(const QString& sql, Markers markers = Markers::Named);
    bool isPrepared() const { return handle_ != 0; }
    void free();

    int paramCount() const { return in_.count(); }
    const QStringList& paramNames() const { return paramNames_; }
    void setParam(int index, const QVariant& value);
    // Binds every parameter of that name (a name may stand more than once).
    void setParamByName(const QString& name, const QVariant& value);
    // Element i goes to parameter i; more values than parameters is an error.
    void bind(const QVariantList& values);

    bool isSelect() const;
    // How the server runs the prepared statement ("PLAN ..."), as it reports it.
    QString plan();
    void execute();     // a select opens its cursor
    bool fetch();       // next row; false after the last
    void closeCursor(); // safe after the transaction has ended
    bool cursorOpen() const { return cursorOpen_; }
    qint64 rowsAffected();

    int columnCount() const { return out_.count(); }
    QString columnName(int column) const; // the alias as the database reports it
    QVariant value(int column) const;     // of the row last fetched

    // For lists that keep many rows: a column's values without a QVariant each.
    enum class Kind { Integer, WideInteger, Text, Other };
    Kind kind(int column) const;
    bool isNull(int column) const;
    qint64 integer(int column) const;          // Integer and WideInteger columns
    QByteArrayView wireText(int column) const; // Text columns, as WIN1250 on the wire

    Transaction& transaction() { return transaction_; }

  private:
    void describeInput();
    void describeOutput();
    void bindValue(XSQLVAR& var, const QVariant& value);
    QVariant readValue(const XSQLVAR& var) const;
    QString readBlob(const ISC_QUAD& id, short subType) const;
    ISC_QUAD writeBlob(const QByteArray& data);

    Connection& connection_;
    Transaction& transaction_;
    QMetaObject::Connection closing_;
    isc_stmt_handle handle_ = 0;
    int type_ = 0;
    bool cursorOpen_ = false;
    QStringList paramNames_;
    Sqlda in_;
    Sqlda out_;
    std::vector<QByteArray> inData_; // storage for bound texts and numbers
    std::vector<ISC_QUAD> blobIds_;
};

} // namespace db
