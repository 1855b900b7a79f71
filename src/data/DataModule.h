#pragma once

#include <QIdentityProxyModel>
#include <QObject>
#include <QString>

#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/EventAlerter.h"
#include "db/Transaction.h"

// The data module: the one connection and transaction, the shared lists and the
// event alerter. Creating it (DataModuleCreate) is the program's start-up.
class TDM : public QObject {
    Q_OBJECT
  public:
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // The whole start-up; false when the program must end (the user has been told).
    bool DataModuleCreate();
    void uj_diak_esemenyEventAlert(const QString& EventName, int EventCount, bool& CancelAlerts);
    // The program goes on without events: the user is told that the list will not follow.
    void eventsFailed(const QString& message);

    // The text of a file of the sqls folder, read fresh; throws naming the file.
    QString sqlText(const QString& fileName) const;
    static QString readTextFile(const QString& path);

    QString programFolder; // with its trailing separator
    db::Connection dbTanulo;
    db::Transaction trTanulo;
    db::Dataset dataset_Tanulok;
    db::Dataset dataset_Tanarok;
    db::Dataset dataset_targyak;
    db::Dataset dataset_Osztalyok;
    QIdentityProxyModel datasource_Tanulok;
    QIdentityProxyModel datasource_Tanarok;
    QIdentityProxyModel datasource_targyak;
    QIdentityProxyModel datasuorce_Osztalyok;
    db::EventAlerter uj_diak_esemeny;

    // Where the program folder is taken from; empty means the executable's folder.
    static QString programFolderOverride;
};

extern TDM* DM;
