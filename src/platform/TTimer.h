// The one-second timers of the main window.
//
// Steady timers (Timer1, Timer2) count steps from the moment they are enabled: step k is due
// at enable + k seconds. A step that came late because the event loop was held up is caught up
// at once, so after N steps exactly N seconds have passed and no step is lost or doubled.
//
// The wall-second timer (Timer3) fires just after each second boundary of the time of day,
// so a clock that shows the time it reads never lags and never shows a second twice.
#pragma once

#include <QObject>
#include <functional>

class TimeSource;

class TTimer : public QObject {
    Q_OBJECT
  public:
    enum class Mode { Steady, WallSecond };

    TTimer(TimeSource& time, Mode mode, const QString& name, QObject* parent = nullptr);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    // A steady timer switched on as if it had been on for a while: its next step comes
    // 1000 - phaseMs from now (0 <= phaseMs < 1000), and a step every second after.
    void enableWithPhase(int phaseMs);
    int Interval() const { return 1000; }
    TimeSource& time() const { return time_; }
    // A steady timer that is on: the milliseconds since its last step was due (0 … 999), so
    // that the step's own instant is now minus this. 0 when off.
    int msSinceLastStep() const;

    // The handler; runs once per step.
    std::function<void()> OnTimer;
    // Runs whenever the timer is switched on or off.
    std::function<void()> OnEnabledChanged;

    // Milliseconds after a second boundary at which the wall-second timer fires.
    static constexpr int kWallOffsetMs = 10;

  private:
    void arm();
    void fire(quint64 generation);

    TimeSource& time_;
    Mode mode_;
    bool enabled_ = false;
    quint64 generation_ = 0;
    quint64 pending_ = 0;
    qint64 startMs_ = 0;
    qint64 stepsDone_ = 0;
};
