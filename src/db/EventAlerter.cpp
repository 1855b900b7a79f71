#include "EventAlerter.h"

#include <QMetaObject>
#include <QPointer>
#include <cstring>
#include <mutex>
#include <vector>

#include "Connection.h"
#include "Error.h"
#include "Text.h"

namespace db {

// What the library thread and the GUI thread share. The mutex is held only to copy
// bytes and read the owner, never across a library call.
struct EventAlerter::Shared {
    std::mutex mutex;
    EventAlerter* owner = nullptr;
    std::vector<ISC_UCHAR> result;
    bool fired = false;
    bool dead = false;

    ISC_UCHAR* eventBuffer = nullptr;
    ISC_UCHAR* resultBuffer = nullptr;
    ISC_LONG length = 0;
    ISC_LONG id = 0;
    bool queued = false;
    bool initial = true; // the first callback carries the counts so far, not an event

    ~Shared() { freeBuffers(); }
    void freeBuffers() {
        if (eventBuffer) isc_free(reinterpret_cast<ISC_SCHAR*>(eventBuffer));
        if (resultBuffer) isc_free(reinterpret_cast<ISC_SCHAR*>(resultBuffer));
        eventBuffer = resultBuffer = nullptr;
        length = 0;
    }
};

EventAlerter::EventAlerter(Connection& connection, QObject* parent)
    : QObject(parent), connection_(connection), shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
    connect(&connection_, &Connection::aboutToClose, this, [this] { cancel(); });
    // A connection that opened stays open even when the events cannot follow it.
    connect(&connection_, &Connection::opened, this, [this] {
        if (!registered_) return;
        try {
            queue();
        } catch (const Error& e) {
            emit failed(e.message());
        }
    });
}

EventAlerter::~EventAlerter() {
    cancel();
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->owner = nullptr;
    }
    // While attached, the library may still hold the pointer: keep the block alive.
    if (connection_.isConnected()) new std::shared_ptr<Shared>(shared_);
}

void EventAlerter::setEvents(const QStringList& names) {
    if (names.size() > 15) throw Error(QStringLiteral("Legfeljebb 15 esemény figyelhető egyszerre."));
    const bool was = registered_;
    if (was) unregisterEvents();
    names_ = names;
    if (was) registerEvents();
}

void EventAlerter::registerEvents() {
    registered_ = true;
    if (connection_.isConnected()) queue();
}

void EventAlerter::unregisterEvents() {
    registered_ = false;
    cancel();
}

bool EventAlerter::isQueued() const {
    return shared_->queued;
}

void EventAlerter::queue() {
    Shared& s = *shared_;
    if (s.queued || names_.isEmpty() || !connection_.isConnected()) return;
    if (!s.eventBuffer) {
        std::vector<QByteArray> wire;
        for (const QString& n : names_)
            wire.push_back(toWire(n));
        std::vector<const char*> p(15, nullptr);
        for (size_t i = 0; i < wire.size(); ++i)
            p[i] = wire[i].constData();
        s.length = isc_event_block(&s.eventBuffer, &s.resultBuffer, static_cast<ISC_USHORT>(wire.size()),
                                   p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11],
                                   p[12], p[13], p[14]);
        s.initial = true;
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.fired = false;
        s.dead = false;
    }
    ISC_STATUS_ARRAY status;
    if (isc_que_events(status, connection_.handle(), &s.id, static_cast<short>(s.length), s.eventBuffer,
                       &EventAlerter::callback, &s))
        connection_.fail(status);
    s.queued = true;
}

void EventAlerter::cancel() {
    Shared& s = *shared_;
    if (s.queued && connection_.isConnected() && !connection_.isLost()) {
        ISC_STATUS_ARRAY status;
        isc_cancel_events(status, connection_.handle(), &s.id); // waits for a running callback
    }
    s.queued = false;
    // A new registration starts from fresh counts.
    s.freeBuffers();
}

void EventAlerter::callback(void* arg, ISC_USHORT length, const ISC_UCHAR* updated) {
    auto* s = static_cast<Shared*>(arg);
    std::lock_guard<std::mutex> lock(s->mutex);
    if (!s->owner) return;
    if (length == 0 || !updated) {
        s->dead = true; // cancelled or the server went away: no notification
        QMetaObject::invokeMethod(s->owner, &EventAlerter::noteDeath, Qt::QueuedConnection);
        return;
    }
    s->result.assign(updated, updated + length);
    s->fired = true;
    QMetaObject::invokeMethod(s->owner, &EventAlerter::deliver, Qt::QueuedConnection);
}

void EventAlerter::noteDeath() {
    Shared& s = *shared_;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.dead) return;
    }
    // A request we cancelled ourselves is no longer queued by now.
    if (!s.queued) return;
    s.queued = false;
    emit died();
}

void EventAlerter::deliver() {
    Shared& s = *shared_;
    std::vector<ISC_UCHAR> result;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.fired) return;
        result.swap(s.result);
        s.fired = false;
    }
    if (!s.queued || !s.eventBuffer) return; // cancelled meanwhile
    s.queued = false;
    if (result.size() < static_cast<size_t>(s.length)) result.resize(static_cast<size_t>(s.length), 0);
    std::memcpy(s.resultBuffer, result.data(), static_cast<size_t>(s.length));
    ISC_ULONG counts[15] = {};
    isc_event_counts(counts, static_cast<short>(s.length), s.eventBuffer, s.resultBuffer);
    const bool initial = s.initial;
    s.initial = false;
    // Queue again before anyone reacts: a handler may close the connection.
    if (registered_) queue();
    if (initial) return;
    const QStringList names = names_;
    for (int i = 0; i < names.size(); ++i)
        if (counts[i] > 0) emit eventAlert(names.at(i), static_cast<int>(counts[i]));
}

} // namespace db
