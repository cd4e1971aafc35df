// The desktop session over D-Bus: ending it through systemd-logind, and holding off idle,
// sleep and the screen saver while a count runs. Every call is asynchronous with a timeout:
// a desktop service that does not answer never holds up the window.
#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "platform/Services.h"

class QDBusMessage;
class QDBusPendingCallWatcher;

// Calls in flight on a bus, each with a timeout; tells when all of them have ended.
class DbusCalls : public QObject {
    Q_OBJECT
  public:
    DbusCalls(QDBusConnection bus, int timeoutMs, QObject* parent = nullptr);
    QDBusConnection& bus() { return bus_; }
    int timeoutMs() const { return timeoutMs_; }
    // Sends the call; onReply (may be empty) gets the answer, an error or the timeout.
    void call(const QDBusMessage& message,
              std::function<void(const QDBusMessage& reply)> onReply = nullptr);
    int inFlight() const { return inFlight_; }
    void whenSettled(std::function<void()> done, int timeoutMs);

  private:
    void settleIfIdle();
    QDBusConnection bus_;
    int timeoutMs_;
    int inFlight_ = 0;
    std::vector<std::function<void()>> settled_;
};

// systemd-logind: log-off ends this process's own session, restart and power-off ask the
// manager without interactive authentication.
class LogindSession : public SessionControl {
  public:
    // bus: the system bus (another one in tests); timeoutMs: how long an answer is waited for.
    LogindSession(QDBusConnection bus, int timeoutMs);
    void logOff() override;
    void reboot() override;
    void powerOff() override;
    void whenSettled(std::function<void()> done, int timeoutMs) override;

  private:
    void callManager(const QString& method);
    DbusCalls calls_;
};

// logind's "idle:sleep" inhibitor lock on the system bus and org.freedesktop.ScreenSaver's
// inhibition on the session bus, both best effort.
class DesktopInhibitor : public PowerInhibitor {
  public:
    DesktopInhibitor(QDBusConnection systemBus, QDBusConnection sessionBus, int timeoutMs);
    void setInhibited(bool on) override;
    bool inhibited() const override { return on_; }
    // The logind lock is held (its descriptor arrived and is kept open).
    bool holdsLock() const { return fd_.isValid(); }

  private:
    void releaseScreenSaver();
    DbusCalls system_;
    DbusCalls session_;
    bool on_ = false;
    quint64 generation_ = 0;
    QDBusUnixFileDescriptor fd_;
    quint32 cookie_ = 0;
};
