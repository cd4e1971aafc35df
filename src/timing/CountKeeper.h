// Keeps what the two timers do: a line in the session log for each start, pause, resume,
// reset, clear, warning, time-up and hand-over, and the state of a running count in a small
// file beside the settings file, written when it changes (not every second) and removed when
// the count ends. At the next start after a crash it offers to take the count up where it
// would be.
#pragma once

#include <QString>
#include <optional>

#include "core/Anchor.h"
#include "core/CountEvent.h"
#include "core/CountState.h"
#include "core/WorkThread.h"

class Dialogs;
class MainTimer;
class PrepTimer;
class SessionLog;
class TimeSource;

class CountKeeper {
  public:
    CountKeeper(TimeSource& time, Dialogs& dialogs, SessionLog* log, MainTimer& main,
                PrepTimer& prep);
    // The state file, beside the settings file; until it is set nothing is written.
    void setStatePath(const QString& path);
    QString statePath() const;

    // At start-up, the settings loaded: a count that a crash interrupted, and that has not run
    // out more than its own full count ago, is offered; on OK it goes on where it would be
    // now. A damaged or stale file is removed without a question.
    void offerRecovery();
    // The count the state file holds, as it was saved (nothing when there is none or it is
    // damaged).
    std::optional<CountState> saved() const;
    // The program ends by the operator's or the schedule's choice: the count is not taken up
    // again. (An end with the session or by a signal keeps it.)
    void forget();
    // A line of the session log, with the time now.
    void note(const QString& event);
    // What the main and the preparation timer tell (their changed() signals lead here).
    void mainChanged(CountEvent event) { on(CountState::Timer::Main, event); }
    void prepChanged(CountEvent event) { on(CountState::Timer::Prep, event); }
    // Waits until the state file is written (tests; the end of the program).
    bool flush(int timeoutMs) { return file_ ? file_->flush(timeoutMs) : true; }

    static QString RecoveryQuestion() { return QStringLiteral("上次计时意外中断，是否恢复计时？"); }

  private:
    void on(CountState::Timer which, CountEvent event);
    CountState mainState(bool paused) const;
    CountState prepState(bool paused) const;
    void keep(const std::optional<CountState>& state);
    qint64 nowMs() const;

    TimeSource& time_;
    Dialogs& dialogs_;
    SessionLog* log_;
    MainTimer& main_;
    PrepTimer& prep_;
    std::unique_ptr<BackgroundFile> file_;
    std::optional<CountState> current_;
};
