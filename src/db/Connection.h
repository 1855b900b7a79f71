#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <ibase.h>

namespace db {

// One attachment to a database. Parameters are given as "name=value" lines
// (user_name, password, lc_ctype); the database name is passed on unchanged.
class Connection : public QObject {
    Q_OBJECT
  public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    void setDatabaseName(const QString& name) { databaseName_ = name; }
    const QString& databaseName() const { return databaseName_; }
    void setParams(const QStringList& params) { params_ = params; }
    const QStringList& params() const { return params_; }
    int dialect() const { return 3; }

    void open();
    void close();
    bool isConnected() const { return handle_ != 0; }
    isc_db_handle* handle() { return &handle_; }

    // Seconds an attachment may take before it gives up on a server that does not answer.
    static constexpr int kConnectTimeout = 10;

    // Set when a call found the server gone; the handles are then dead and every
    // server call on them is skipped until reconnect() attaches anew.
    bool isLost() const { return lost_; }
    void markLost() { lost_ = true; }
    // Asks the server for a trifle: a dead attachment is found and marked lost, quietly.
    void ping();
    // Lets go of everything on the dead attachment and attaches again; stays lost
    // (and throws) while the server cannot be reached.
    void reconnect();
    // Throws the error of the status, first marking the connection lost when it says so.
    [[noreturn]] void fail(const ISC_STATUS* status);

  signals:
    void opened();
    // Everything that holds statements, transactions or event requests lets go here.
    void aboutToClose();

  private:
    QString databaseName_;
    QStringList params_;
    isc_db_handle handle_ = 0;
    bool lost_ = false;
};

} // namespace db
