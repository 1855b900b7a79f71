#pragma once

#include <QObject>
#include <QStringList>
#include <ibase.h>
#include <memory>

namespace db {

class Connection;

// Database events: notifications arrive on the client library's thread and are
// handed to this object's (the GUI) thread, where eventAlert is emitted. The request
// is queued again after every notification, cancelled before the connection closes,
// and renewed when the connection opens again while registered.
class EventAlerter : public QObject {
    Q_OBJECT
  public:
    explicit EventAlerter(Connection& connection, QObject* parent = nullptr);
    ~EventAlerter() override;

    void setEvents(const QStringList& names); // at most 15
    const QStringList& events() const { return names_; }
    void registerEvents();
    void unregisterEvents();
    bool isRegistered() const { return registered_; }
    // True while a request is queued at the server.
    bool isQueued() const;

  signals:
    void eventAlert(const QString& eventName, int count);
    // Renewing the registration after a reconnection failed.
    void failed(const QString& message);
    // The queued request ended without a notification: the server or the network went away.
    void died();

  private:
    struct Shared;
    static void callback(void* arg, ISC_USHORT length, const ISC_UCHAR* updated);
    void queue();
    void cancel();
    void deliver();
    void noteDeath();

    Connection& connection_;
    QStringList names_;
    bool registered_ = false;
    std::shared_ptr<Shared> shared_;
};

} // namespace db
