// The preparation timer: a short count on its own display before the main timing, which hands
// over to the main timer by itself when it runs out; its five commands: set, clear, reset,
// pause, start.
#pragma once

#include <functional>

#include "timing/CountEvent.h"

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

class PrepTimer {
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

    int seconds = 0;  // remaining counting down, elapsed counting up
    int countUpTarget = 0;

    // The settings panel's OK, which the reset command runs as one of its steps.
    std::function<void()> runSettingsOk;
    // Told of every start, pause, resume, reset, clear and hand-over once it is done.
    std::function<void(CountEvent)> onEvent;

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
    // Takes up a preparation count interrupted by a crash (see MainTimer::resumeAt).
    void resumeAt(const ResumePoint& point);
    // The counting direction, on the radio buttons (shared with the main timer) and in this
    // timer's heading.
    void setDirection(bool countUp);

  private:
    void handOver();
    void tell(CountEvent event) {
        if (onEvent) onEvent(event);
    }

    TimeDisplay& display_;
    TTimer& timer_;
    MainTimer& main_;
    SoundPrompts& sound_;
    PromptTexts& prompts_;
    SettingsRecord& settings_;
    Dialogs& dialogs_;
    Controls c_;
    bool paused_ = false;
};
