#include "platform/TTimer.h"

#include <algorithm>

#include "platform/TimeSource.h"

TTimer::TTimer(TimeSource& time, Mode mode, const QString& name, QObject* parent)
    : QObject(parent), time_(time), mode_(mode) {
    setObjectName(name);
}

TTimer::~TTimer() {
    if (pending_) time_.cancel(pending_);
}

void TTimer::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    ++generation_;
    if (pending_) {
        time_.cancel(pending_);
        pending_ = 0;
    }
    if (on) {
        startMs_ = time_.monotonicMs();
        stepsDone_ = 0;
        arm();
    }
    if (OnEnabledChanged) OnEnabledChanged();
}

void TTimer::enableWithPhase(int phaseMs) {
    setEnabled(false);
    setEnabled(true);
    if (mode_ != Mode::Steady || phaseMs <= 0) return;
    if (pending_) time_.cancel(pending_);
    pending_ = 0;
    startMs_ = time_.monotonicMs() - qBound(0, phaseMs, 999);
    arm();
}

int TTimer::msSinceLastStep() const {
    if (!enabled_ || mode_ != Mode::Steady) return 0;
    const qint64 sinceStart = time_.monotonicMs() - startMs_;
    return int(std::clamp<qint64>(sinceStart - stepsDone_ * 1000, 0, 999));
}

void TTimer::arm() {
    qint64 due = 0;
    if (mode_ == Mode::Steady) {
        due = startMs_ + (stepsDone_ + 1) * 1000;
    } else {
        const int ms = time_.now().time().msec();
        due = time_.monotonicMs() + (1000 - ms) + kWallOffsetMs;
    }
    const quint64 gen = generation_;
    pending_ = time_.callAt(due, [this, gen] { fire(gen); });
}

void TTimer::fire(quint64 generation) {
    pending_ = 0;
    if (!enabled_ || generation != generation_) return;
    if (mode_ == Mode::Steady) {
        const qint64 due = (time_.monotonicMs() - startMs_) / 1000;
        // Every step that has come due runs, the late ones at once.
        while (enabled_ && generation == generation_ && stepsDone_ < due) {
            ++stepsDone_;
            if (OnTimer) OnTimer();
        }
    } else {
        // A wake-up that came before the boundary (clock adjustment) only re-arms.
        if (time_.now().time().msec() < 900 && OnTimer) OnTimer();
    }
    if (enabled_ && generation == generation_ && pending_ == 0) arm();
}
