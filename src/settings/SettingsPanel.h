// The settings panel's commands: OK (确定), Default (默认) and Cancel (取消), and the apply of
// the settings record onto the panel and the display, whose ordered side effects (captions,
// places, colours, the digit fonts, the usage mode, the opacity) follow the plain copy of
// every field onto its control.
#pragma once

#include <QList>
#include <QString>
#include <functional>

class ColourSwatches;
class MainTimer;
class PrepTimer;
class QCheckBox;
class QSlider;
class QWidget;
class ScheduleClock;
class SettingsBinding;
class SoundPrompts;
class TEdit;
class TLabel;
class TPanel;
struct SettingsRecord;

class SettingsPanel {
  public:
    struct Controls {
        TPanel* panel;                  // Panel2
        TPanel* board;                  // Panel1
        TPanel* clockPanel;             // Panel3
        TPanel* timerPanel;             // Panel4
        TPanel* prepPanel;              // Panel5
        TLabel* title;                  // Label44
        TLabel* prompt;                 // Label45
        TLabel* scheduledText;          // Label52
        TLabel* scheduledSwatch;        // Label55
        TLabel* normalSwatch;           // Label41
        TLabel* clockSwatch;            // Label47
        TLabel* timerSwatch;            // Label48
        TLabel* prepSwatch;             // Label49
        TEdit* titleText;               // Edit46
        TEdit* titleLeft;               // Edit45
        TEdit* titleTop;                // Edit53
        TEdit* promptLeft;              // Edit42
        TEdit* promptTop;               // Edit43
        TEdit* scheduledTextBox;        // Edit56
        TEdit* scheduledTextLeft;       // Edit57
        TEdit* scheduledTextTop;        // Edit58
        QCheckBox* titleOn;             // CheckBox12
        QCheckBox* titlePosOn;          // CheckBox21
        QCheckBox* promptPosOn;         // CheckBox20
        QCheckBox* scheduledTextOn;     // CheckBox27
        QCheckBox* scheduledTextPosOn;  // CheckBox28
        QCheckBox* transparencyOn;      // CheckBox42
        QSlider* level;                 // TrackBar1
        QCheckBox* backgroundOn;        // CheckBox6
        QCheckBox* intervalSoundOn;     // CheckBox2
        // Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8
        QList<QWidget*> mainDigitsAndSeparators;
        // Edit17, Edit18, Edit19, Edit20, Edit21, Edit22, Edit23, Edit24
        QList<QWidget*> prepDigitsAndSeparators;
        QList<QWidget*> clockTime;  // Edit25, Edit26, Edit27, Edit28, Edit31
    };
    struct Parts {
        SettingsBinding& binding;
        MainTimer& main;
        PrepTimer& prep;
        SoundPrompts& sound;
        ScheduleClock& clock;
        ColourSwatches& colours;
    };
    SettingsPanel(const Parts& parts, SettingsRecord& settings, const Controls& controls);

    // Where the settings file is.
    std::function<QString()> settingsFilePath;
    // The usage mode sets the clock, main timer and preparation panels.
    std::function<void()> applyUsageMode;

    // The record onto the panel and the display.
    void ApplySettings();
    void OK();
    void Default();
    void Cancel();

    // True after the settings file failed to load at start-up, until the settings are next
    // written by OK: the operator's file is then never replaced by the half-empty panel.
    bool loadFailed() const { return loadFailed_; }
    void setLoadFailed(bool failed) { loadFailed_ = failed; }

  private:
    SettingsBinding& binding_;
    MainTimer& main_;
    PrepTimer& prep_;
    SoundPrompts& sound_;
    ScheduleClock& clock_;
    ColourSwatches& colours_;
    SettingsRecord& settings_;
    Controls c_;
    bool loadFailed_ = false;
};
