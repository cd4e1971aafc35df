// Whether the system clock is kept in step with a time server (chrony on a site's PCs): the
// rooms start a session at the same second only when their clocks agree, so a room reports it
// and the office shows a room whose clock is not synchronised.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <memory>

enum class ClockSync {
    Unknown,   // not asked yet, or the time service did not answer
    Synced,    // the kernel's clock is disciplined by a time server
    Unsynced,  // it runs free
};

class ClockStatus : public QObject {
    Q_OBJECT
  public:
    explicit ClockStatus(QObject* parent = nullptr) : QObject(parent) {}
    virtual ClockSync sync() const = 0;

  Q_SIGNALS:
    void changed(ClockSync sync);
};

class DbusCalls;

// systemd-timedated's NTPSynchronized (org.freedesktop.timedate1 on the system bus), asked at
// once and then every pollMs, each question asynchronous with a timeout: a service that does
// not answer makes the state Unknown and never holds up the window.
class TimedateClockStatus : public ClockStatus {
    Q_OBJECT
  public:
    TimedateClockStatus(QDBusConnection bus, int pollMs = 30000, int timeoutMs = 5000,
                        QObject* parent = nullptr);
    ~TimedateClockStatus() override;
    ClockSync sync() const override { return sync_; }
    // Asks now (the poll goes on as before). A question still unanswered is not asked twice.
    void refresh();

  private:
    void set(ClockSync s);
    std::unique_ptr<DbusCalls> calls_;
    ClockSync sync_ = ClockSync::Unknown;
    bool asking_ = false;
};
