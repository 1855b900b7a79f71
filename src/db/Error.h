#pragma once

#include <QString>
#include <ibase.h>
#include <stdexcept>
#include <vector>

namespace db {

// A failure the user should read: its what() is the whole text, in UTF-8.
class Error : public std::runtime_error {
  public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};

// A whole number was expected but the text is not one.
class ConversionError : public Error {
  public:
    explicit ConversionError(const QString& text)
        : Error(QStringLiteral("'%1' is not a valid integer value").arg(text)) {}
};

// An error reported by the database server or the client library.
class DbError : public Error {
  public:
    DbError(const QString& message, long sqlCode, std::vector<ISC_STATUS> codes)
        : Error(message), sqlCode_(sqlCode), codes_(std::move(codes)) {}
    long sqlCode() const { return sqlCode_; }
    const std::vector<ISC_STATUS>& codes() const { return codes_; }
    bool hasCode(ISC_STATUS code) const;
    // Lock and update conflicts between transactions (they fail at once with nowait).
    bool isConflict() const;
    // The server cannot be reached any more: network failure, lost connection, shutdown.
    bool isConnectionLost() const;
    bool isForeignKey() const;
    bool isTooLong() const;
    // What an office user reads: a Hungarian sentence naming what went wrong, the
    // server's own text after it for whoever supports the office.
    QString userMessage() const;

  private:
    long sqlCode_;
    std::vector<ISC_STATUS> codes_;
};

// A commit was sent but its answer was lost with the connection: the server may or may
// not have carried it out. Whoever committed looks up what it wrote once it can.
class CommitUnknown : public DbError {
  public:
    CommitUnknown(const DbError& cause, qint64 transactionId)
        : DbError(cause), transactionId_(transactionId) {}
    // The server's number of the transaction, to see whether the server still holds it.
    qint64 transactionId() const { return transactionId_; }

  private:
    qint64 transactionId_;
};

// Throws DbError when the status vector holds an error.
void check(const ISC_STATUS* status);
// The same, for a status that the caller already knows to be an error.
[[noreturn]] void raise(const ISC_STATUS* status);
DbError errorFrom(const ISC_STATUS* status);

// The user-facing text of any error: a database error's userMessage(), else its own text.
QString userText(const std::exception& e);

inline const QString kConnectionLostText =
    QStringLiteral("Megszakadt a kapcsolat az adatbázis-kiszolgálóval.\rA program a következő műveletnél "
                   "újra kapcsolódik, amint a kiszolgáló ismét elérhető.");

} // namespace db
