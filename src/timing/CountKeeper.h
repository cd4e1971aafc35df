// Keeps what the two timers do: a line in the session log for each start, pause, resume,
// reset, clear, warning, time-up and hand-over, and the state of a running count in a small
// file beside the settings file, written when it changes (not every second) and removed when
// the count ends. At the next start after a crash it offers to take the count up where it
// would be.
//
// A state that cannot be written (a full disk, a read-only folder) is told to the operator
// once, on the status line and in the session log, and written again every few seconds until
// it is. The file left behind is then older than the last command: it is marked stale (see
// BackgroundFile), and a recovery from a stale file says so in its question.
#pragma once

#include <QString>
#include <functional>
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
    ~CountKeeper();
    // The state file, beside the settings file; until it is set nothing is written.
    // markerPath: where a stale state is noted when the folder cannot be written at all (in
    // another folder); empty for none.
    void setStatePath(const QString& path, const QString& markerPath = QString());
    QString statePath() const;
    // The operator's notice of a state that cannot be written ("计时状态未能保存（磁盘已满）");
    // an empty text when it is written again.
    std::function<void(const QString&)> onNotice;

    // At start-up, the settings loaded: a count that a crash interrupted, and that has not run
    // out more than its own full count ago, is offered; on OK it goes on where it would be
    // now. A damaged or stale file is removed without a question.
    void offerRecovery();
    // The count the state file holds, as it was saved (nothing when there is none or it is
    // damaged).
    std::optional<CountState> saved() const;
    // The program ends. keepState false (the operator's or the schedule's end): the count is
    // not taken up again; true (the end of the session, a signal) keeps it. A saved count
    // whose question is still open is kept either way: nobody has answered it. Nothing is
    // written after this.
    void close(bool keepState);
    // A line of the session log, with the time now.
    void note(const QString& event);
    // What the main and the preparation timer tell (their changed() signals lead here).
    void mainChanged(CountEvent event) { on(CountState::Timer::Main, event); }
    void prepChanged(CountEvent event) { on(CountState::Timer::Prep, event); }
    // Waits until the state file is written (tests; the end of the program).
    bool flush(int timeoutMs) { return file_ ? file_->flush(timeoutMs) : true; }

    static QString RecoveryQuestion() { return QStringLiteral("上次计时意外中断，是否恢复计时？"); }
    // The question for a state file older than the last command.
    static QString StaleRecoveryQuestion() {
        return RecoveryQuestion() + QStringLiteral(
                                        "\n\n注意：中断前最后的计时操作（如暂停、复位）未能保存，"
                                        "能恢复的是在此之前保存的计时状态，请核对。");
    }
    // How long a state that could not be written waits before it is tried again.
    static constexpr int kRetryMs = 10000;

  private:
    void on(CountState::Timer which, CountEvent event);
    CountState mainState(bool paused) const;
    CountState prepState(bool paused) const;
    void keep(const std::optional<CountState>& state);
    void write();
    void written(int error);
    void resume(const CountState& state, ResumePoint point);
    qint64 nowMs() const;

    TimeSource& time_;
    Dialogs& dialogs_;
    SessionLog* log_;
    MainTimer& main_;
    PrepTimer& prep_;
    std::unique_ptr<BackgroundFile> file_;
    std::optional<CountState> current_;
    bool failing_ = false;  // the last write failed
    quint64 retry_ = 0;     // the timed call of the next try
    bool asking_ = false;   // the recovery question is open
    bool closed_ = false;
};
