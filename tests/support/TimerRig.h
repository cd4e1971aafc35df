// The two timers, their displays and the count's keeper on bare controls, without the main
// window: the narrowest place to test what a timer does and what it tells. The controls hold the
// form's factory values that matter to the timers (counting down, the lead time 5 秒钟, the
// interval 10 分钟, every prompt ticked); a test changes them as the operator would.
#pragma once

#include <QCheckBox>
#include <QRadioButton>
#include <QWidget>
#include <memory>

#include "Fakes.h"
#include "core/SettingsRecord.h"
#include "platform/Reports.h"
#include "platform/TTimer.h"
#include "presentation/OpenDialog.h"
#include "presentation/PromptTexts.h"
#include "presentation/SoundPrompts.h"
#include "timing/CountKeeper.h"
#include "timing/MainTimer.h"
#include "timing/PrepTimer.h"
#include "timing/TimeDisplay.h"
#include "widgets/Controls.h"

class TimerRig {
  public:
    explicit TimerRig(const QDateTime& start = QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0)));
    ~TimerRig();

    // The main display at a value, as the operator types it (hours tens ... seconds units).
    void showMain(int seconds);
    void showPrep(int seconds);
    // The main display's digits as one text: "01∶30∶00" (whether the separators blink or not).
    QString mainText() const;
    void seconds(int n) { fake.time.advance(qint64(n) * 1000); }

    FakePlatform fake;
    SettingsRecord settings;
    QWidget root;  // owns every control below
    // The main timer's controls.
    QRadioButton* countUp;
    QRadioButton* countDown;
    TEdit *durationBox, *leadBox, *intervalBox, *startText, *warningText, *pauseText, *timeUpText;
    TComboBox *durationUnit, *leadUnit, *intervalUnit;
    TLabel *heading, *prepHeading, *normalSwatch, *warningSwatch, *timeUpSwatch, *promptLabel;
    QCheckBox *startSoundOn, *intervalSoundOn, *warningSoundOn, *timeUpSoundOn, *prepSoundOn;
    QCheckBox *startTextOn, *warningTextOn, *pauseTextOn, *timeUpTextOn, *prepTextOn;
    QCheckBox *boardWarningOn, *boardTimeUpOn, *blinkOn, *prepBlinkOn, *musicLoop, *backgroundOn;
    TEdit *prepDurationBox, *prepText, *backgroundBox;
    TComboBox* prepDurationUnit;
    TPanel *board, *prepPanel;
    TStatusBar* status;
    std::array<TEdit*, 8> mainBoxes;  // Edit1 ... Edit8 of the form
    std::array<TEdit*, 8> prepBoxes;
    TProgressBar *mainBar, *prepBar;

    TTimer timer1;
    TTimer timer2;
    Reports reports;
    OpenDialog openDialog;
    std::unique_ptr<SoundPrompts> sound;
    std::unique_ptr<PromptTexts> prompts;
    std::unique_ptr<TimeDisplay> mainDisplay;
    std::unique_ptr<TimeDisplay> prepDisplay;
    std::unique_ptr<MainTimer> main;
    std::unique_ptr<PrepTimer> prep;
};
