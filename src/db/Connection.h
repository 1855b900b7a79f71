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

  signals:
    void opened();
    // Everything that holds statements, transactions or event requests lets go here.
    void aboutToClose();

  private:
    QString databaseName_;
    QStringList params_;
    isc_db_handle handle_ = 0;
};

} // namespace db
