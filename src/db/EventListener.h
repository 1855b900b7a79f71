#pragma once

#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace db {

// Database events on an attachment of their own, kept on a thread of its own: a refused
// or silent events port never blocks the window nor breaks the main connection. When
// they cannot be set up, failed() is emitted once per outage, and they are tried again
// now and then; restored() says they are back after an outage, also after events that
// died with the server (changes may have been missed meanwhile).
class EventListener : public QObject {
    Q_OBJECT
  public:
    explicit EventListener(QObject* parent = nullptr);
    ~EventListener() override;

    void setDatabase(const QString& name, const QStringList& params);
    void setEvents(const QStringList& names);
    const QStringList& events() const { return names_; }
    // Starts listening in the background; returns at once.
    void registerEvents();
    void unregisterEvents();
    // During an outage: try again now rather than at the next turn (the server is back).
    void retryNow();
    bool isRegistered() const { return registered_; }
    // True while a request is queued at the server.
    bool isQueued() const { return state_->queued.load(); }

    // Runs on the events' thread right after each attachment (the client library takes
    // the termination signals at every attachment).
    void setAfterAttach(std::function<void()> hook) { afterAttach_ = std::move(hook); }

    // Seconds between attempts while the events cannot be had.
    static int retrySeconds;

  signals:
    void eventAlert(const QString& eventName, int count);
    void failed(const QString& message);
    void restored();

  private:
    class Worker;
    struct State {
        std::atomic<bool> queued{false};
    };
    QString database_;
    QStringList params_;
    QStringList names_;
    std::function<void()> afterAttach_;
    bool registered_ = false;
    std::shared_ptr<State> state_;
    QThread* thread_ = nullptr;
    Worker* worker_ = nullptr;
};

} // namespace db
