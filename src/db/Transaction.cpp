#include "Transaction.h"

#include "Connection.h"
#include "Error.h"

#include <string>
#include <utility>

namespace db {

namespace {
Transaction::LostCommit nextLostCommit = Transaction::LostCommit::None;
std::function<void()> lostCommitMeanwhile;
qint64 lostCommitReportedAs = 0;
} // namespace

void Transaction::reportLostCommitAs(qint64 serverId) {
    lostCommitReportedAs = serverId;
}

void Transaction::loseNextCommit(LostCommit how, std::function<void()> meanwhile) {
    nextLostCommit = how;
    lostCommitMeanwhile = std::move(meanwhile);
}

Transaction::Transaction(Connection& connection, QObject* parent, Access access)
    : QObject(parent), connection_(connection), access_(access) {
    // A detach rolls back whatever is still open, after the lists let go.
    connect(&connection_, &Connection::aboutToClose, this, [this] {
        if (isActive()) {
            try {
                rollback();
            } catch (const Error&) {
                handle_ = 0;
            }
        }
    });
}

Transaction::~Transaction() {
    if (isActive() && connection_.isConnected()) {
        ISC_STATUS_ARRAY status;
        isc_rollback_transaction(status, &handle_);
    }
}

void Transaction::ensureActive() {
    if (connection_.isLost()) connection_.reconnect();
    if (!isActive()) start();
}

void Transaction::start() {
    if (connection_.isLost()) connection_.reconnect();
    if (isActive()) return;
    if (!connection_.isConnected()) throw Error(QStringLiteral("Nincs kapcsolat az adatbázissal."));
    const Access access = std::exchange(writeOnce_, false) ? Access::ReadWrite : access_;
    std::string tpb = {isc_tpb_version3,
                       static_cast<char>(access == Access::ReadOnly ? isc_tpb_read : isc_tpb_write),
                       isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_nowait};
    if (snapshot_) tpb = {isc_tpb_version3, isc_tpb_read, isc_tpb_concurrency, isc_tpb_nowait};
    for (const QByteArray& table : reserving_) {
        tpb += static_cast<char>(isc_tpb_lock_write);
        tpb += static_cast<char>(table.size());
        tpb += table.toStdString();
        tpb += static_cast<char>(isc_tpb_protected);
    }
    ISC_STATUS_ARRAY status;
    if (isc_start_transaction(status, &handle_, 1, connection_.handle(), static_cast<short>(tpb.size()),
                              tpb.data()))
        connection_.fail(status);
    activeAccess_ = snapshot_ ? Access::ReadOnly : access;
    // Known before any commit, so that a commit whose answer is lost can be looked for.
    const char items[] = {isc_info_tra_id};
    char info[32] = {};
    serverId_ = 0;
    if (!isc_transaction_info(status, &handle_, sizeof items, items, sizeof info, info) &&
        info[0] == isc_info_tra_id) {
        const short size = static_cast<short>(isc_vax_integer(info + 1, 2));
        serverId_ = isc_portable_integer(reinterpret_cast<const ISC_UCHAR*>(info + 3), size);
    }
}

void Transaction::beginWrite() {
    if (isWriting()) return;
    // A reading one has nothing to keep: ended, its lists close as at any end.
    if (isActive()) rollback();
    writeOnce_ = true;
    try {
        start();
    } catch (...) {
        writeOnce_ = false;
        throw;
    }
}

void Transaction::commit() {
    end(true);
}
void Transaction::rollback() {
    end(false);
}

void Transaction::end(bool commit) {
    if (!isActive()) return;
    emit ending();
    ISC_STATUS_ARRAY status;
    if (connection_.isLost()) {
        // The server took the transaction with it: a rollback has nothing left to do,
        // and a commit must not pass for done.
        isc_rollback_transaction(status, &handle_);
        handle_ = 0;
        if (commit) throw DbError(kConnectionLostText, 0, {isc_lost_db_connection});
        return;
    }
    if (commit && nextLostCommit != LostCommit::None) {
        const LostCommit how = std::exchange(nextLostCommit, LostCommit::None);
        if (how == LostCommit::Committed)
            isc_commit_transaction(status, &handle_);
        else
            isc_rollback_transaction(status, &handle_);
        handle_ = 0;
        connection_.markLost();
        if (const auto meanwhile = std::exchange(lostCommitMeanwhile, {})) meanwhile();
        const qint64 reported = std::exchange(lostCommitReportedAs, 0);
        throw CommitUnknown(DbError(kConnectionLostText, 0, {isc_net_read_err}),
                            reported ? reported : serverId_);
    }
    const ISC_STATUS rc =
        commit ? isc_commit_transaction(status, &handle_) : isc_rollback_transaction(status, &handle_);
    if (rc && commit) {
        DbError error = errorFrom(status);
        if (error.isConnectionLost()) {
            // Sent, but the answer is gone: the server may have carried it out.
            handle_ = 0;
            connection_.markLost();
            throw CommitUnknown(error, serverId_);
        }
    }
    if (rc) {
        // A failed commit leaves the transaction active; a failed rollback cannot be retried.
        if (!commit || connection_.isLost()) handle_ = 0;
        connection_.fail(status);
    }
    handle_ = 0;
}

} // namespace db
