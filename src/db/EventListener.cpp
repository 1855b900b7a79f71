#include "EventListener.h"

#include <QThread>
#include <QTimer>

#include "Connection.h"
#include "Error.h"
#include "EventAlerter.h"

namespace db {

int EventListener::retrySeconds = 10;

// Lives on the events' thread; everything here may wait on the network.
// It reaches the listener only through queued signals, which end with the listener.
class EventListener::Worker : public QObject {
    Q_OBJECT
  public:
    Worker(std::shared_ptr<State> state, QString database, QStringList params, QStringList names,
           std::function<void()> afterAttach)
        : state_(std::move(state)), afterAttach_(std::move(afterAttach)), connection_(this),
          alerter_(connection_, this), retry_(this) {
        connection_.setDatabaseName(database);
        connection_.setParams(params);
        alerter_.setEvents(names);
        retry_.setSingleShot(true);
        connect(&retry_, &QTimer::timeout, this, [this] { attempt(); });
        // Events that worked and died went with the server: the next attempt brings them back.
        connect(&alerter_, &EventAlerter::died, this, [this] { lose(QString()); });
    }

  signals:
    void failed(const QString& message);
    void restored();

  public:
    void attempt() {
        try {
            connection_.open();
            if (afterAttach_) afterAttach_();
            alerter_.registerEvents();
        } catch (const Error& e) {
            lose(e.message());
            return;
        }
        state_->queued = alerter_.isQueued();
        if (outage_) emit restored();
        outage_ = false;
    }

    void retryNow() {
        if (outage_ && retry_.isActive()) {
            retry_.stop();
            attempt();
        }
    }

    void stop() {
        retry_.stop();
        try {
            alerter_.unregisterEvents();
            connection_.close();
        } catch (const Error&) {
        }
        state_->queued = false;
    }

    EventAlerter& alerter() { return alerter_; }

  private:
    void lose(const QString& message) {
        state_->queued = false;
        alerter_.unregisterEvents();
        try {
            connection_.markLost();
            connection_.close();
        } catch (const Error&) {
        }
        if (!outage_ && !message.isEmpty()) emit failed(message);
        outage_ = true;
        retry_.start(EventListener::retrySeconds * 1000);
    }

    std::shared_ptr<State> state_;
    std::function<void()> afterAttach_;
    Connection connection_;
    EventAlerter alerter_;
    QTimer retry_;
    bool outage_ = false;
};

EventListener::EventListener(QObject* parent) : QObject(parent), state_(std::make_shared<State>()) {}

EventListener::~EventListener() {
    unregisterEvents();
}

void EventListener::setDatabase(const QString& name, const QStringList& params) {
    database_ = name;
    params_ = params;
}

void EventListener::setEvents(const QStringList& names) {
    if (names.size() > 15) throw Error(QStringLiteral("Legfeljebb 15 esemény figyelhető egyszerre."));
    names_ = names;
}

void EventListener::registerEvents() {
    if (registered_) return;
    registered_ = true;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("esemenyek"));
    worker_ = new Worker(state_, database_, params_, names_, afterAttach_);
    connect(&worker_->alerter(), &EventAlerter::eventAlert, this, &EventListener::eventAlert);
    connect(worker_, &Worker::failed, this, &EventListener::failed);
    connect(worker_, &Worker::restored, this, &EventListener::restored);
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_->start();
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->attempt(); }, Qt::QueuedConnection);
}

void EventListener::retryNow() {
    if (registered_)
        QMetaObject::invokeMethod(
            worker_, [w = worker_] { w->retryNow(); }, Qt::QueuedConnection);
}

void EventListener::unregisterEvents() {
    if (!registered_) return;
    registered_ = false;
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->stop(); }, Qt::QueuedConnection);
    thread_->quit();
    // An attempt stuck on a silent network may outlast us: then the thread is left to the
    // end of the process rather than the window waiting for it.
    if (thread_->wait(3000)) delete thread_;
    thread_ = nullptr;
    worker_ = nullptr;
    state_->queued = false;
}

} // namespace db

#include "EventListener.moc"
