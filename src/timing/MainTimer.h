// The main timer: it counts its display down from the set duration or up to it, a step a
// second, with the start, warning, interval, pause and time-up prompts, and its five
// commands: set, clear, reset, pause, start.
#pragma once

#include <functional>

#include "timing/CountEvent.h"

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

class MainTimer {
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
    int seconds = 0;
    int alertState = 1;  // 1 normal, 2 warning, 0 time-up
    // The duration in seconds as last applied; interval sounds only for shorter intervals.
    int intervalLimit = 0;
    // Working values, recomputed at each step (and by the clock tick).
    int warningSeconds = 0;
    int intervalSeconds = 0;
    // The duration counting up, kept from one load to the next.
    int countUpTarget = 0;

    // The settings panel's OK, which the reset command runs as one of its steps.
    std::function<void()> runSettingsOk;
    // Told of every start, pause, resume, reset, clear, warning and time-up once it is done.
    std::function<void(CountEvent)> onEvent;

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

  private:
    void tell(CountEvent event) {
        if (onEvent) onEvent(event);
    }
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
};
