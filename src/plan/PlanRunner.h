// The day's plan at work in a room: at each clock tick it starts a session's preparation at
// its second, hands over to the main count at the session's start, and keeps a running
// session on its anchor when the clock is set or the machine wakes up, exactly as if the
// operator had set the session up and pressed 计时 on that second. The board shows the
// session's title with its times ("语文  09:00–11:30") from its preparation until the operator
// resets or the next session begins.
//
// A session starts once: the sessions whose main count began are kept in a small file beside
// the settings ("kvtmr-plan-state.ini"), so a restart never starts one again; a crash during a
// session is taken up where it would be without a question. A start missed by more than its
// whole duration is skipped and noted. The operator's commands work as always: a pause, a
// reset or a new count of the operator's own makes the count the room's own, and the plan no
// longer moves it (the next session still starts on its second).
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "core/CountEvent.h"
#include "core/CountState.h"
#include "plan/Plan.h"

class BackgroundFile;
class MainTimer;
class PrepTimer;
class QCheckBox;
class TEdit;
class TLabel;
class TimeSource;

inline const QString kPlanStateFileName = QStringLiteral("kvtmr-plan-state.ini");

class PlanRunner : public QObject {
    Q_OBJECT
  public:
    struct Parts {
        TimeSource& time;
        MainTimer& main;
        PrepTimer& prep;
    };
    struct Controls {
        TLabel* title;       // Label44
        TEdit* titleText;    // Edit46: the settings' own title, shown again after a session
        QCheckBox* titleOn;  // CheckBox12
    };
    PlanRunner(const Parts& parts, const Controls& controls);
    ~PlanRunner() override;

    // The plan and whether it runs (a plan switched off stays as it is, doing nothing); saved
    // beside the settings unless save is false (the plan just read from there).
    void setPlan(const Plan& plan, bool enabled, bool save = true);
    const Plan& plan() const { return plan_; }
    bool enabled() const { return enabled_; }
    // The room's id, for the sessions of some rooms and their extra time ("": only the sessions
    // for every room).
    void setRoom(const QString& room);
    QString room() const { return room_; }
    // The file of the sessions started and of the switch, beside the settings; read now.
    void setStatePath(const QString& path);
    // Where the plan is saved ("kvtmr-plan.json" beside the settings).
    void setPlanPath(const QString& path);
    bool flush(int timeoutMs);

    // At start-up, once the window is up: a session that the plan says runs now, whose count
    // the saved state shows as the plan's, is taken up where it would be; true when it was (no
    // question is asked then). From here on the ticks start sessions.
    bool resumeOnStart(const std::optional<CountState>& saved);
    // The clock tick.
    void tick();
    // What the timers tell (their changed() signals lead here).
    void mainChanged(CountEvent event);
    void prepChanged(CountEvent event);

    // The session running now and the next one to start, in this room.
    std::optional<Occurrence> current() const;
    std::optional<Occurrence> next() const;

    // A line for the session log.
    std::function<void(const QString&)> onEvent;
    // A second within which a start counts as on time (its prompts are given); a later one is
    // a late join, taken up quietly.
    static constexpr qint64 kOnTimeMs = 2000;

  Q_SIGNALS:
    // A session's preparation or main count began, or the plan changed.
    void sessionsChanged();

  private:
    qint64 nowMs() const;
    bool done(const QString& key) const { return done_.contains(key); }
    void markDone(const QString& key);
    void startPrep(const Occurrence& o, qint64 now);
    void startMain(const Occurrence& o, qint64 now);
    void keepOnAnchor(const Occurrence& o, qint64 now);
    void skipMissed(qint64 now);
    void showTitle(const Occurrence& o);
    void restoreTitle();
    void note(const QString& line) {
        if (onEvent) onEvent(line);
    }
    void ownCommand(CountEvent event, bool main);

    TimeSource& time_;
    MainTimer& main_;
    PrepTimer& prep_;
    Controls c_;
    Plan plan_;
    bool enabled_ = true;
    QString room_;
    bool armed_ = false;     // set at start-up, once a crashed session has been taken up
    bool applying_ = false;  // the runner's own calls into the timers
    QStringList done_;       // keys of the sessions whose main count began
    QString prepKey_;        // the session whose preparation this run started
    QString titleKey_;       // the session whose title shows
    QString titleShown_;
    void saveState();
    std::unique_ptr<BackgroundFile> file_;
    std::unique_ptr<BackgroundFile> planFile_;
};
