// The main timer: it counts its display down from the set duration or up to it, a step a
// second, with the start, warning, interval, pause and time-up prompts, and its five
// commands: set, clear, reset, pause, start.
//
// It alone writes its state (the value, the alert state, the lead and interval in seconds);
// everything else calls its methods, and every change of value, phase or alert leaves through
// the one signal changed(): the count's keeper, the session log and the site link listen there.
#pragma once

#include <QObject>
#include <functional>
#include <optional>

#include "core/Anchor.h"
#include "core/CountEvent.h"

class Dialogs;
class PromptTexts;
class QCheckBox;
class QRadioButton;
class Reports;
class SoundPrompts;
class TComboBox;
class TEdit;
class TLabel;
class TPanel;
class TTimer;
class TimeDisplay;
struct ResumePoint;
struct SettingsRecord;

class MainTimer : public QObject {
    Q_OBJECT
  public:
    struct Controls {
        QRadioButton* countUp;       // RadioButton1 "正计时"
        QRadioButton* countDown;     // RadioButton2 "倒计时"
        TEdit* durationBox;          // Edit10
        TComboBox* durationUnit;     // ComboBox5
        TEdit* leadBox;              // Edit11
        TComboBox* leadUnit;         // ComboBox7
        TEdit* intervalBox;          // Edit12
        TComboBox* intervalUnit;     // ComboBox1
        TLabel* heading;             // Label13
        QCheckBox* startSoundOn;     // CheckBox3
        QCheckBox* intervalSoundOn;  // CheckBox2
        QCheckBox* warningSoundOn;   // CheckBox5
        QCheckBox* timeUpSoundOn;    // CheckBox1
        QCheckBox* startTextOn;      // CheckBox8
        QCheckBox* warningTextOn;    // CheckBox9
        QCheckBox* pauseTextOn;      // CheckBox10
        QCheckBox* timeUpTextOn;     // CheckBox11
        TEdit* startText;            // Edit39
        TEdit* warningText;          // Edit40
        TEdit* pauseText;            // Edit41
        TEdit* timeUpText;           // Edit44
        QCheckBox* boardWarningOn;   // CheckBox14
        QCheckBox* boardTimeUpOn;    // CheckBox15
        QCheckBox* blinkOn;          // CheckBox17
        QCheckBox* musicLoop;        // CheckBox43
        TLabel* normalSwatch;        // Label41
        TLabel* warningSwatch;       // Label42
        TLabel* timeUpSwatch;        // Label43
        TPanel* board;               // Panel1
        TPanel* prepPanel;           // Panel5
    };
    MainTimer(TimeDisplay& display, TTimer& timer, SoundPrompts& sound, PromptTexts& prompts,
              SettingsRecord& settings, Dialogs& dialogs, Reports& reports,
              const Controls& controls);

    // The value counted, in seconds: the time that remains counting down, the time that has
    // passed counting up.
    const int& seconds() const { return seconds_; }
    // 1 normal, 2 warning, 0 time-up.
    const int& alertState() const { return alertState_; }
    // The duration in seconds as last applied; interval sounds only for shorter intervals.
    const int& intervalLimit() const { return intervalLimit_; }
    // The lead time and the interval in seconds, as last read from their boxes.
    const int& warningSeconds() const { return warningSeconds_; }
    const int& intervalSeconds() const { return intervalSeconds_; }
    // The duration counting up, kept from one load to the next.
    const int& countUpTarget() const { return countUpTarget_; }

    // The settings panel's OK, which the reset command runs as one of its steps.
    std::function<void()> runSettingsOk;

    // The alert state set from outside: the start-up's normal state, the schedule's warning and
    // its scheduled time. A change is told like any other.
    void setAlertState(int state);
    // The duration as applied by the start-up and by OK: the bar's maximum now.
    void takeIntervalLimit();
    // The lead time (Edit11) and the interval (Edit12) in seconds, read inside a tick: nothing
    // for a blank box, or for one that does not convert (its error reported once for each text
    // it holds, so the rest of the tick goes on). The schedule reads them here too.
    std::optional<int> tickLeadSeconds();
    std::optional<int> tickIntervalSeconds();

    // ---- anchors: the count as a value at an instant ------------------------------------------
    // The count now as an anchor: its value and the instant of the step that value belongs to,
    // running or paused, its direction and full count; Idle before a count, TimeUp after one.
    Anchor anchorAt(qint64 nowMs) const;
    // Where the count comes from, and the plan's session it belongs to. Any command of the
    // operator (or the schedule's automatic start) makes it the room's own again.
    CountSource source() const { return source_; }
    QString session() const { return session_; }
    // The lead time and interval of a session, in place of the boxes', until the next count
    // the operator sets up (0: none).
    struct SessionTimes {
        int lead = 0;
        int interval = 0;
    };
    // Takes the count from an anchor at nowMs (the plan's session, the office's order): the
    // direction and full count from it, the value it gives now, running on its own grid of
    // seconds or paused. prompts: as if the operator pressed 计时 at that moment (the start text
    // and sound); otherwise quietly (a late join); a warning already passed leaves its colour.
    // An anchor whose count has ended runs the time-up at once; an Idle one stops the count as
    // a reset would, without asking. Told as CountEvent::Anchored.
    void follow(const Anchor& anchor, qint64 nowMs, CountSource source,
                std::optional<SessionTimes> times, bool prompts);
    // The preparation handed over to this count: it comes from where the preparation came from.
    void continueFrom(CountSource source, const QString& session,
                      std::optional<SessionTimes> times);

    bool running() const;
    // Stopped by the pause command (until a start, reset, clear or time-up).
    bool paused() const { return paused_; }
    bool countingUp() const;
    // The full count: the bar's maximum.
    int fullCount() const;
    // The value the display shows, as the start command would read it.
    int displayedValue() const;
    void set();
    void clear();
    void reset();
    void pause();
    void start();
    void step();
    // The duration from the settings panel onto the display, by the counting direction.
    // separators: both separators show "∶" afterwards (the settings panel's OK).
    void loadDuration(bool separators);
    // Takes up a count interrupted by a crash at the point it has reached since: the display
    // shows the value and the count goes on (or stands paused); the prompts that fell in
    // between are not given, a time-up that fell in between runs now.
    void resumeAt(const ResumePoint& point);
    // The counting direction, on the radio buttons (shared with the preparation timer) and
    // in this timer's heading.
    void setDirection(bool countUp);
    // The display of a timer that is not counting shows a value of a full count (what the
    // start command will count on from).
    void showValue(int fullCount, int value);

  Q_SIGNALS:
    // Every start, pause, resume, reset, clear, step, warning, time-up and change of the alert
    // state, once it is done.
    void changed(CountEvent event);

  private:
    void tell(CountEvent event) { Q_EMIT changed(event); }
    // An operator's command: the count is the room's own from here.
    void ownCount(bool keepSession);
    qint64 nowMs() const;
    // The count as it stands from now on, while it does not change by itself.
    void setBase(CountPhase phase, bool paused, qint64 atMs);
    void showStep();
    void warning();
    void timeUp();

    TimeDisplay& display_;
    TTimer& timer_;
    SoundPrompts& sound_;
    PromptTexts& prompts_;
    SettingsRecord& settings_;
    Dialogs& dialogs_;
    Reports& reports_;
    Controls c_;
    bool paused_ = false;
    int seconds_ = 0;
    int alertState_ = 1;
    int intervalLimit_ = 0;
    int warningSeconds_ = 0;
    int intervalSeconds_ = 0;
    int countUpTarget_ = 0;
    Anchor base_;  // the count at its last start, pause, time-up or reset
    CountSource source_ = CountSource::Local;
    QString session_;
    std::optional<SessionTimes> sessionTimes_;
};
