// The preparation timer: a short count on its own display before the main timing, which hands
// over to the main timer by itself when it runs out; its five commands: set, clear, reset,
// pause, start.
//
// It alone writes its state; every change leaves through its changed() signal.
#pragma once

#include <QObject>
#include <functional>

#include "core/Anchor.h"
#include "core/CountEvent.h"
#include "timing/MainTimer.h"

class Dialogs;
class MainTimer;
class PromptTexts;
class QCheckBox;
class QRadioButton;
class SoundPrompts;
class TComboBox;
class TEdit;
class TLabel;
class TPanel;
class TTimer;
class TimeDisplay;
struct ResumePoint;
struct SettingsRecord;

class PrepTimer : public QObject {
    Q_OBJECT
  public:
    struct Controls {
        QRadioButton* countUp;    // RadioButton1
        QRadioButton* countDown;  // RadioButton2
        TEdit* durationBox;       // Edit9
        TComboBox* durationUnit;  // ComboBox3
        TLabel* heading;          // Label14
        QCheckBox* prepSoundOn;   // CheckBox4
        QCheckBox* prepTextOn;    // CheckBox7
        TEdit* prepText;          // Edit38
        QCheckBox* blinkOn;       // CheckBox25
        QCheckBox* musicLoop;     // CheckBox43
        TPanel* panel;            // Panel5
    };
    PrepTimer(TimeDisplay& display, TTimer& timer, MainTimer& main, SoundPrompts& sound,
              PromptTexts& prompts, SettingsRecord& settings, Dialogs& dialogs,
              const Controls& controls);

    // Remaining counting down, elapsed counting up.
    const int& seconds() const { return seconds_; }
    const int& countUpTarget() const { return countUpTarget_; }

    // The settings panel's OK, which the reset command runs as one of its steps.
    std::function<void()> runSettingsOk;

    bool running() const;
    bool paused() const { return paused_; }
    int fullCount() const;

    void set();
    void clear();
    void reset();
    void pause();
    void start();
    void step();
    void loadDuration(bool separators);

    // The preparation as an anchor now (phase Prep while it counts or stands paused, Idle
    // otherwise), where it comes from and the plan's session.
    Anchor anchorAt(qint64 nowMs) const;
    CountSource source() const { return source_; }
    QString session() const { return session_; }
    // Takes the preparation from an anchor at nowMs (see MainTimer::follow): prompts gives the
    // preparation text and sound as its start would. times: the lead and interval the main count
    // takes at the hand-over. An Idle anchor stops it quietly.
    void follow(const Anchor& anchor, qint64 nowMs, CountSource source,
                std::optional<MainTimer::SessionTimes> times, bool prompts);
    // Stops the preparation without its hand-over (the main count is taken from elsewhere).
    void stopQuietly();
    // Takes up a preparation count interrupted by a crash (see MainTimer::resumeAt).
    void resumeAt(const ResumePoint& point);
    // The counting direction, on the radio buttons (shared with the main timer) and in this
    // timer's heading.
    void setDirection(bool countUp);

  Q_SIGNALS:
    // Every start, pause, resume, reset, clear, step and hand-over, once it is done.
    void changed(CountEvent event);

  private:
    void handOver();
    void tell(CountEvent event) { Q_EMIT changed(event); }

    TimeDisplay& display_;
    TTimer& timer_;
    MainTimer& main_;
    SoundPrompts& sound_;
    PromptTexts& prompts_;
    SettingsRecord& settings_;
    Dialogs& dialogs_;
    Controls c_;
    bool paused_ = false;
    qint64 nowMs() const;
    void setBase(bool paused, qint64 atMs);
    Anchor base_;
    CountSource source_ = CountSource::Local;
    QString session_;
    std::optional<MainTimer::SessionTimes> sessionTimes_;
    int seconds_ = 0;
    int countUpTarget_ = 0;
};
