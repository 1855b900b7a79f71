#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <functional>
#include <ibase.h>

namespace db {

class Connection;

// The transaction contract the windows rely on: opening a list starts it when
// not active; commit or rollback closes every list open on it (ended()); closing
// a list neither starts nor ends it.
class Transaction : public QObject {
    Q_OBJECT
  public:
    enum class Access { ReadWrite, ReadOnly };
    explicit Transaction(Connection& connection, QObject* parent = nullptr,
                         Access access = Access::ReadWrite);
    ~Transaction() override;

    Connection& connection() { return connection_; }
    bool isActive() const { return handle_ != 0; }
    isc_tr_handle* handle() { return &handle_; }
    // The server's number of the running transaction (0 when none runs).
    qint64 serverId() const { return serverId_; }

    // A read-only snapshot: every statement sees the database as it was at the start,
    // whatever commits meanwhile. Takes effect at the next start.
    void setSnapshot(bool on) { snapshot_ = on; }
    // Tables this transaction alone may write while it runs (protected write): it cannot start
    // while another holds changes to them, and others' writes fail until it ends. Takes effect
    // at the next start.
    void setReserving(QList<QByteArray> tables) { reserving_ = std::move(tables); }

    void start();
    // Starts it for writing this once: a reading one that runs is ended first (its lists
    // close, as at any end); once it ends, it reads again. So a copy
    // that waits for its user holds no read-write transaction, which would keep the
    // server from collecting old record versions.
    void beginWrite();
    bool isWriting() const { return isActive() && activeAccess_ == Access::ReadWrite; }
    void commit();
    void rollback();
    // Starts the transaction unless it is active; a lost connection is attached anew first.
    void ensureActive();

    // Tests only: the next commit's answer is lost with the connection, after the server
    // carried the commit out (Committed) or before it ever got it (NotCommitted).
    enum class LostCommit { None, Committed, NotCommitted };
    // meanwhile runs between the two (e.g. stops the server).
    static void loseNextCommit(LostCommit how, std::function<void()> meanwhile = {});
    // Called from meanwhile: the lost commit is told as that server transaction's, one that
    // another attachment still holds.
    static void reportLostCommitAs(qint64 serverId);

  signals:
    // Emitted before the transaction ends, so lists close their cursors first.
    void ending();

  private:
    void end(bool commit);

    Connection& connection_;
    Access access_;
    Access activeAccess_ = Access::ReadOnly;
    bool writeOnce_ = false;
    isc_tr_handle handle_ = 0;
    qint64 serverId_ = 0;
    bool snapshot_ = false;
    QList<QByteArray> reserving_;
};

} // namespace db
