#pragma once

#include <QObject>
#include <ibase.h>

namespace db {

class Connection;

// The transaction contract the windows rely on: opening a list starts it when
// not active; commit or rollback closes every list open on it (ended()); closing
// a list neither starts nor ends it.
class Transaction : public QObject {
    Q_OBJECT
  public:
    explicit Transaction(Connection& connection, QObject* parent = nullptr);
    ~Transaction() override;

    Connection& connection() { return connection_; }
    bool isActive() const { return handle_ != 0; }
    isc_tr_handle* handle() { return &handle_; }

    // A read-only snapshot: every statement sees the database as it was at the start,
    // whatever commits meanwhile. Takes effect at the next start.
    void setSnapshot(bool on) { snapshot_ = on; }

    void start();
    void commit();
    void rollback();
    // Starts the transaction unless it is active; a lost connection is attached anew first.
    void ensureActive();

  signals:
    // Emitted before the transaction ends, so lists close their cursors first.
    void ending();

  private:
    void end(bool commit);

    Connection& connection_;
    isc_tr_handle handle_ = 0;
    bool snapshot_ = false;
};

} // namespace db
