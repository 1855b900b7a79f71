#pragma once

#include <QHash>
#include <QIdentityProxyModel>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/EventListener.h"
#include "db/Transaction.h"

// The data module: the one connection and transaction, the shared lists and the
// event alerter. Creating it (DataModuleCreate) is the program's start-up.
class QLineEdit;

// A write whose commit was sent but whose answer was lost with the connection. Once the
// server no longer holds the old transaction, wasStored looks in the database for what
// the write did.
struct UnsettledWrite {
    qint64 transactionId = 0;
    std::function<bool(db::Transaction&)> wasStored;
    // Tells the user that it was stored and does what follows a success.
    std::function<void()> stored;
    // A select with named parameters that returns a row exactly when the write was done.
    static std::function<bool(db::Transaction&)> rowExists(const QString& sql,
                                                           std::vector<std::pair<QString, QVariant>> params);
};

class TDM : public QObject {
    Q_OBJECT
  public:
    // A write on trTanulo, for as long as it lives: begun for writing, and rolled back if it
    // did not end, so no read-write transaction waits for the user.
    class WriteScope {
      public:
        WriteScope();
        ~WriteScope();
        WriteScope(const WriteScope&) = delete;
        WriteScope& operator=(const WriteScope&) = delete;
    };

    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // The whole start-up; false when the program must end (the user has been told).
    bool DataModuleCreate();
    void uj_diak_esemenyEventAlert(const QString& EventName, int EventCount, bool& CancelAlerts);
    // The program goes on without events: the user is told that the list will not follow.
    void eventsFailed();
    // The student list is to show the database's present state: at once when the main
    // window is enabled, else as soon as it is enabled again.
    void requestStudentRefresh();
    // Reopens the list if a refresh is due and nothing stands in its way; true if it did.
    bool refreshStudentsIfPending();

    // Settling a write whose commit answer was lost. settle() looks it up (attaching anew
    // when needed) and, when it was stored, runs its stored(); it throws while that cannot
    // be known yet (the server away, or still holding the old transaction), and the write
    // stays unsettled for the next action.
    enum class Settled { Nothing, Stored, NotStored };
    void setUnsettled(UnsettledWrite write) { unsettled_ = std::move(write); }
    bool hasUnsettled() const { return unsettled_.has_value(); }
    Settled settle(bool runStored = true);
    // A commit's answer was lost: settle at once if the server is back, else tell the user
    // that the connection was lost. True when the write was stored: the caller goes on as
    // after a success (stored() is left to a later settling).
    bool settleLostCommit(UnsettledWrite write);
    // How long settle() waits for the server to let go of the old transaction.
    static constexpr int kSettleWaitMs = 5000;

    // The number of characters a text column holds, as the database declares it (read
    // once per table); 0 for a column without a length.
    int columnLength(const QString& table, const QString& column);
    // Boxes hold no more than their column: the lengths are the database's, not ours.
    void limitToColumns(const QString& table, const std::vector<std::pair<QLineEdit*, QString>>& boxes);

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
    db::EventListener uj_diak_esemeny;

    // Where the program folder is taken from; empty means the executable's folder.
    static QString programFolderOverride;

  private:
    bool started_ = false;
    bool eventsWarned_ = false;
    bool refreshPending_ = false;
    bool refreshQueued_ = false;
    QHash<QString, QHash<QString, int>> columnLengths_;
    std::optional<UnsettledWrite> unsettled_;
    bool settling_ = false;
};

extern TDM* DM;
