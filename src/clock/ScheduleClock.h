// The clock tick and what it drives: the clock panel (date, weekday, week numbers, time), the
// scheduled actions (the automatic start, the scheduled text, the end actions), the warning
// before the scheduled time or else the interval sound by time of day, the background
// flashing, the clock's separators and the background-music loop. It also owns the schedule
// boxes' two-digit form, the three browse buttons of the schedule group and the end of the
// desktop session.
#pragma once

#include <QDateTime>
#include <functional>

class Dialogs;
class MainTimer;
class OpenDialog;
class ProgramLauncher;
class PromptTexts;
class QCheckBox;
class QRadioButton;
class Reports;
class SessionControl;
class SoundPrompts;
class TComboBox;
class TEdit;
class TLabel;
class TPanel;
class TimeSource;
struct SettingsRecord;

class ScheduleClock {
  public:
    struct Controls {
        // the clock panel
        TEdit* year;            // Edit13
        TEdit* month;           // Edit14
        TEdit* day;             // Edit15
        TEdit* weekday;         // Edit16
        TEdit* weekOfYear;      // Edit29
        TEdit* weekOfMonth;     // Edit30
        TEdit* hour;            // Edit25
        TEdit* minute;          // Edit26
        TEdit* second;          // Edit27
        TEdit* firstSep;        // Edit28
        TEdit* secondSep;       // Edit31
        QCheckBox* clockBlink;  // CheckBox41
        // the schedule
        TEdit* autoYear;              // Edit47
        TEdit* autoMonth;             // Edit48
        TEdit* autoDay;               // Edit49
        TEdit* autoHour;              // Edit50
        TEdit* autoMinute;            // Edit51
        TEdit* autoSecond;            // Edit52
        QCheckBox* timeOn;            // CheckBox18 "自动计时时间"
        QCheckBox* dateOn;            // CheckBox19 "自动计时日期"
        QCheckBox* textStepOn;        // CheckBox28 "定时提示"
        QCheckBox* textOn;            // CheckBox27 "定时提示文字"
        QCheckBox* timeUpSoundOn;     // CheckBox1
        QCheckBox* programOn;         // CheckBox26
        QCheckBox* parameterOn;       // CheckBox34
        QCheckBox* exitOn;            // CheckBox33
        QCheckBox* closeOn;           // CheckBox32
        QCheckBox* flashOn;           // CheckBox16
        QCheckBox* warningTextOn;     // CheckBox9
        QCheckBox* warningSoundOn;    // CheckBox5
        QCheckBox* boardWarningOn;    // CheckBox14
        QCheckBox* intervalSoundOn;   // CheckBox2
        TEdit* warningText;           // Edit40
        TEdit* textDurationBox;       // Edit59
        TComboBox* textDurationUnit;  // ComboBox2
        TEdit* programBox;            // Edit55
        TEdit* parameterBox;          // Edit60
        TEdit* systemFileBox;         // Edit54
        QRadioButton* modeTiming;     // RadioButton3 "计时"
        QRadioButton* modeClock;      // RadioButton4 "时钟"
        QRadioButton* modeBoth;       // RadioButton8 "同显"
        TLabel* scheduledText;        // Label52
        TLabel* prompt;               // Label45
        TLabel* normalSwatch;         // Label41
        TLabel* warningSwatch;        // Label42
        TLabel* timeUpSwatch;         // Label43
        TPanel* board;                // Panel1
        TPanel* timerPanel;           // Panel4
        TPanel* prepPanel;            // Panel5
    };
    struct Services {
        TimeSource& time;
        Dialogs& dialogs;
        Reports& reports;
        OpenDialog& openDialog;
        ProgramLauncher& launcher;
        SessionControl& session;
    };
    ScheduleClock(const Services& services, MainTimer& main, SoundPrompts& sound,
                  PromptTexts& prompts, SettingsRecord& settings, const Controls& controls);

    // How long the scheduled text stays, in seconds.
    const int& scheduledTextSeconds() const { return scheduledTextSeconds_; }
    void loadScheduledTextSeconds();

    // The concise display is on (the tool bar hidden): the scheduled text sits 80 pixels lower.
    std::function<bool()> conciseDisplay;
    // Closes the main window (the last end action).
    std::function<void()> closeWindow;
    // Told of each scheduled action as it runs, in words for the session log.
    std::function<void(const QString&)> onEvent;

    // The tick of Timer3.
    void tick();
    // The clock panel at start-up: today's date and the time of day, without leading zeros,
    // and today's date as the scheduled date.
    void showStartTime(const QDateTime& now);
    void PadClockFields();
    void PadScheduleFields();
    void ExitSession(int kind);

    void browseProgram();     // BitBtn37
    void browseParameter();   // BitBtn39
    void browseSystemFile();  // BitBtn36

    // A second skipped by a late tick is evaluated late, once; a clock jump of more than this
    // is not caught up.
    static constexpr int kScheduleCatchUpSeconds = 5;

  private:
    void scheduleStep(const QDateTime& now);
    void scheduleAt(const QDateTime& second, int scheduledSeconds, bool current);
    void showScheduledText();
    void endActions(const QString& separator);
    void flashStep();
    void tell(const QString& event) {
        if (onEvent) onEvent(event);
    }

    TimeSource& time_;
    Dialogs& dialogs_;
    Reports& reports_;
    OpenDialog& openDialog_;
    ProgramLauncher& launcher_;
    SessionControl& session_;
    MainTimer& main_;
    SoundPrompts& sound_;
    PromptTexts& prompts_;
    SettingsRecord& settings_;
    Controls c_;
    int scheduledTextSeconds_ = 0;
    QDateTime lastScheduleSecond_;
    bool scheduleErrorReported_ = false;
};
