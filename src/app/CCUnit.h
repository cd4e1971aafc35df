// The main window TForm1: the whole working surface of the timer.
//
// Its controls keep the form's names (Edit9, CheckBox6, Label44, Panel3, Timer1 ...) and are
// public members, as in a form designer's generated class; its handlers keep their names
// (BitBtn2Click, Timer3Timer, FormCreate) and are public methods. The window does not hold the
// logic itself: each subsystem is an object of its own (the two time displays, the main and
// preparation timers, the sound prompts, the schedule clock, the settings binding and the
// settings panel's commands, the colours, the font buttons, the display panels) that owns its
// state and holds the controls it uses; the window builds them on its controls, wires them
// together, and each handler is one call into its subsystem. The state several of them share
// stays reachable under its own name (mainSeconds, alertState, ...).
#pragma once

#ifndef KVTMR_APP
#error "app/CCUnit.h is the main window's own header; a subsystem below app/ never includes it"
#endif

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "app/AudienceScreen.h"
#include "app/AudienceWindow.h"
#include "app/DisplayPanels.h"
#include "app/SettingsScroll.h"
#include "app/SiteDialog.h"
#include "clock/ScheduleClock.h"
#include "core/Options.h"
#include "core/SettingsRecord.h"
#include "plan/PlanRunner.h"
#include "platform/Platform.h"
#include "platform/Reports.h"
#include "platform/TTimer.h"
#include "presentation/ColourSwatches.h"
#include "presentation/FontButtons.h"
#include "presentation/HelpWindows.h"
#include "presentation/OpenDialog.h"
#include "presentation/PromptTexts.h"
#include "presentation/SoundPrompts.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsPanel.h"
#include "site/RoomLink.h"
#include "timing/CountKeeper.h"
#include "timing/MainTimer.h"
#include "timing/PrepTimer.h"
#include "timing/TimeDisplay.h"
#include "ui_CCUnit.h"
#include "widgets/Controls.h"
#include "widgets/DesignSurface.h"

class TForm2;
class TForm3;
class TForm4;
class Twnl;
class PlanWindow;
class QLabel;

// The form's controls, made from the Designer form before any subsystem is built on them.
class TForm1Controls : public QMainWindow, public Ui::Form1 {
  protected:
    explicit TForm1Controls(QWidget* parent);
};

class TForm1 : public TForm1Controls {
    Q_OBJECT
  public:
    explicit TForm1(Platform& platform, QWidget* parent = nullptr);
    ~TForm1() override;

    // The secondary windows, created after this one.
    void attachWindows(TForm2* help, TForm3* about, Twnl* calendar, TForm4* fontSample);

    // ---- non-visual components of the form -----------------------------------------------
    Platform& platform;
    TTimer* Timer1;             // main timer step
    TTimer* Timer2;             // preparation timer step
    TTimer* Timer3;             // clock tick
    AudioPlayer* MediaPlayer1;  // prompt sounds
    AudioPlayer* MediaPlayer2;  // background music
    QPointer<TForm2> Form2;
    QPointer<TForm3> Form3;
    QPointer<Twnl> wnl;
    QPointer<TForm4> Form4;

    // The settings record, the stored copy of the settings panel.
    SettingsRecord Settings;
    // The directory that holds the settings file, asked once at start-up.
    QString windowsDir;
    QString SettingsFilePath() const;
    // The desktop session is ending: closing asks nothing and shows no message.
    bool sessionEnding = false;
    // Shows the window maximised on the screen chosen for the display (the primary one until
    // one is chosen, or while the chosen one is unplugged).
    void showOnAudienceScreen();
    AudienceScreen* audienceScreen() const { return audience_; }
    // The display's own window on the audience's screen (shown only while the display is
    // apart from this window).
    AudienceWindow* audienceWindow() const { return audienceWindow_.get(); }
    // The part of the display the audience sees: the design's canvas as the display has it
    // now, and whatever of the display's controls lies beyond it.
    QRect DisplayPart() const;
    Options* options() const { return options_.get(); }

  private:
    // ---- the subsystems, in the order they are built ----------------------------------------
    Reports reports_;
    OpenDialog openDialog_;
    SoundPrompts sound_;
    PromptTexts prompts_;
    FontButtons fonts_;
    ColourSwatches colours_;
    HelpWindows help_;
    TimeDisplay mainDisplay_;
    TimeDisplay prepDisplay_;
    MainTimer mainTimer_;
    PrepTimer prepTimer_;
    CountKeeper keeper_;
    PlanRunner planRunner_;
    ScheduleClock clock_;
    SettingsBinding binding_;
    SettingsPanel settingsPanel_;
    DisplayPanels panels_;

  public:
    // ---- shared state, under its own name (read here, written only by its owner) -------------
    const int& mainSeconds;
    const int& prepSeconds;
    const int& alertState;  // 1 normal, 2 warning, 0 time-up
    const int& intervalLimit;
    const int& warningSeconds;
    const int& intervalSeconds;
    const int& scheduledTextSeconds;
    const int& mainCountUpTarget;
    const int& prepCountUpTarget;

    // The subsystems.
    SoundPrompts& sound() { return sound_; }
    MainTimer& mainTimer() { return mainTimer_; }
    PrepTimer& prepTimer() { return prepTimer_; }
    CountKeeper& countKeeper() { return keeper_; }
    PlanRunner& planRunner() { return planRunner_; }
    ScheduleClock& scheduleClock() { return clock_; }
    SettingsBinding& settingsBinding() { return binding_; }
    SettingsPanel& settingsPanel() { return settingsPanel_; }
    ColourSwatches& colours() { return colours_; }
    DisplayPanels& displayPanels() { return panels_; }
    Reports& reports() { return reports_; }

    // Runs a handler through the error wrapper: an error shows its message and stops it.
    bool Run(void (TForm1::*handler)());

    // ---- start-up and shut-down -------------------------------------------------------------
    void FormCreate();
    // Once the window is up: a session of the day's plan that a crash interrupted goes on
    // where it would be; another count that a crash interrupted is offered to go on.
    void ResumeInterruptedCount();
    void SpeedButton1Click();  // exit
    void N28Click();           // the folder of the session log
    void N29Click();           // the day's plan (系统 → 考试安排)
    void N30Click();  // F11: the display out of this window or back (系统 → 全屏显示切换)
    void N31Click();  // the exam-site link's settings (系统 → 考点联网)

    // ---- the exam-site link ------------------------------------------------------------------
    // Opens the link as the [site] group of the options file says (closes it when it is off or
    // its settings will not do); run at start-up and whenever the settings change.
    void startSiteLink();
    RoomLink* roomLink() const { return roomLink_.get(); }
    SiteDialog* siteDialog() const { return siteDialog_; }
    // The link's state on the operator's status line ("" while the link is off).
    QString siteStatusText() const;
    // The room's id large on the display, for a while (the office's 识别).
    QLabel* identityLabel() const { return identityLabel_; }
    void FormClose();

    // ---- panels, tool-bar toggles and display modes -------------------------------------------
    void Image2Click() { panels_.toggleConcise(); }
    void SpeedButton2Click() { panels_.toggleSettings(); }
    void Image3Click() { panels_.toggleClock(); }
    void SpeedButton21Click() { panels_.toggleTimer(); }
    void Image4Click() { panels_.togglePrep(); }
    void Image5Click() { panels_.toggleTimerButtons(); }
    void SpeedButton20Click() { panels_.toggleCalendar(); }
    void ApplyUsageMode() { panels_.ApplyUsageMode(); }
    bool ConciseDisplay() const { return panels_.ConciseDisplay(); }

    // ---- settings panel --------------------------------------------------------------------
    void ClearSettingsPanel() { binding_.ClearSettingsPanel(); }
    void CollectSettings() { binding_.CollectSettings(); }
    void ApplySettings() { settingsPanel_.ApplySettings(); }
    void BitBtn6Click() { settingsPanel_.OK(); }
    void BitBtn26Click() { settingsPanel_.Default(); }
    void BitBtn27Click() { settingsPanel_.Cancel(); }
    bool settingsLoadFailed() const { return settingsPanel_.loadFailed(); }

    // ---- time fields -----------------------------------------------------------------------
    using Digits = TimeDisplay::Digits;
    const Digits& MainDigits() const { return mainDisplay_.digits(); }
    const Digits& PrepDigits() const { return prepDisplay_.digits(); }
    void Edit1Change() { mainDisplay_.digitChange(Edit1); }
    void Edit2Change() { mainDisplay_.digitChange(Edit2); }
    void Edit4Change() { mainDisplay_.digitChange(Edit4); }
    void Edit5Change() { mainDisplay_.digitChange(Edit5); }
    void Edit7Change() { mainDisplay_.digitChange(Edit7); }
    void Edit8Change() { mainDisplay_.digitChange(Edit8); }
    void Edit1Click() { mainDisplay_.digitClick(Edit1); }
    void Edit2Click() { mainDisplay_.digitClick(Edit2); }
    void Edit4Click() { mainDisplay_.digitClick(Edit4); }
    void Edit5Click() { mainDisplay_.digitClick(Edit5); }
    void Edit7Click() { mainDisplay_.digitClick(Edit7); }
    void Edit8Click() { mainDisplay_.digitClick(Edit8); }
    void Edit1KeyDown() { mainDisplay_.digitKeyDown(Edit1); }
    void Edit2KeyDown() { mainDisplay_.digitKeyDown(Edit2); }
    void Edit4KeyDown() { mainDisplay_.digitKeyDown(Edit4); }
    void Edit5KeyDown() { mainDisplay_.digitKeyDown(Edit5); }
    void Edit7KeyDown() { mainDisplay_.digitKeyDown(Edit7); }
    void Edit8KeyDown() { mainDisplay_.digitKeyDown(Edit8); }
    void Edit3Click() { mainDisplay_.separatorClick(Edit3); }
    void Edit6Click() { mainDisplay_.separatorClick(Edit6); }
    // The duration boxes: a non-digit gives the box its fallback text, with the message.
    void Edit9Change() { CheckNumberBox(Edit9, QStringLiteral("60")); }
    void Edit10Change() { CheckNumberBox(Edit10, QStringLiteral("60")); }
    void Edit12Change() { CheckNumberBox(Edit12, QStringLiteral("10")); }
    void Edit11Change() { CheckNumberBox(Edit11, QStringLiteral("5")); }
    void Edit59Change() { CheckNumberBox(Edit59, QStringLiteral("5")); }

    // ---- main timer --------------------------------------------------------------------------
    void SpeedButton16Click() { mainTimer_.set(); }
    void BitBtn15Click() { mainTimer_.clear(); }
    void BitBtn3Click() { mainTimer_.reset(); }
    void BitBtn5Click() { mainTimer_.pause(); }
    void BitBtn2Click() { mainTimer_.start(); }
    void Timer1Timer() { mainTimer_.step(); }

    // ---- preparation timer -------------------------------------------------------------------
    void BitBtn14Click() { prepTimer_.start(); }
    void BitBtn13Click() { prepTimer_.pause(); }
    void BitBtn12Click() { prepTimer_.reset(); }
    void BitBtn16Click() { prepTimer_.clear(); }
    void SpeedButton11Click() { prepTimer_.set(); }
    void Timer2Timer() { prepTimer_.step(); }
    void Edit17Change() { prepDisplay_.digitChange(Edit17); }
    void Edit18Change() { prepDisplay_.digitChange(Edit18); }
    void Edit20Change() { prepDisplay_.digitChange(Edit20); }
    void Edit21Change() { prepDisplay_.digitChange(Edit21); }
    void Edit23Change() { prepDisplay_.digitChange(Edit23); }
    void Edit24Change() { prepDisplay_.digitChange(Edit24); }
    void Edit17Click() { prepDisplay_.digitClick(Edit17); }
    void Edit18Click() { prepDisplay_.digitClick(Edit18); }
    void Edit20Click() { prepDisplay_.digitClick(Edit20); }
    void Edit21Click() { prepDisplay_.digitClick(Edit21); }
    void Edit23Click() { prepDisplay_.digitClick(Edit23); }
    void Edit24Click() { prepDisplay_.digitClick(Edit24); }
    void Edit17KeyDown() { prepDisplay_.digitKeyDown(Edit17); }
    void Edit18KeyDown() { prepDisplay_.digitKeyDown(Edit18); }
    void Edit20KeyDown() { prepDisplay_.digitKeyDown(Edit20); }
    void Edit21KeyDown() { prepDisplay_.digitKeyDown(Edit21); }
    void Edit23KeyDown() { prepDisplay_.digitKeyDown(Edit23); }
    void Edit24KeyDown() { prepDisplay_.digitKeyDown(Edit24); }
    void Edit19Click() { prepDisplay_.separatorClick(Edit19); }
    void Edit22Click() { prepDisplay_.separatorClick(Edit22); }

    // ---- clock panel and scheduled actions ---------------------------------------------------
    void Timer3Timer() {
        planRunner_.tick();
        clock_.tick();
    }
    void PadClockFields() { clock_.PadClockFields(); }
    void PadScheduleFields() { clock_.PadScheduleFields(); }
    void ExitSession(int kind) { clock_.ExitSession(kind); }
    void Edit47Change() { CheckNumberBox(Edit47, QStringLiteral("2006")); }
    void Edit48Change() { CheckNumberBox(Edit48, QStringLiteral("12")); }
    void Edit49Change() { CheckNumberBox(Edit49, QStringLiteral("01")); }
    void Edit50Change() { CheckNumberBox(Edit50, QStringLiteral("08")); }
    void Edit51Change() { CheckNumberBox(Edit51, QStringLiteral("00")); }
    void Edit52Change() { CheckNumberBox(Edit52, QStringLiteral("00")); }
    void BitBtn37Click() { clock_.browseProgram(); }
    void BitBtn39Click() { clock_.browseParameter(); }
    void BitBtn36Click() { clock_.browseSystemFile(); }

    // ---- sound prompts -----------------------------------------------------------------------
    void PlayPromptSound(AudioPlayer* player, const QString& path, SoundFlags flags = {}) {
        sound_.PlayPromptSound(player, path, flags);
    }
    void StopIfPlaying(AudioPlayer* player) { sound_.StopIfPlaying(player); }
    void StartBackgroundMusic() { sound_.StartBackgroundMusic(); }
    void SpeedButton18Click() { sound_.ToggleBackgroundMusic(); }
    void BitBtn9Click() { sound_.Browse(Edit32, &SettingsRecord::prepSoundFile); }
    void BitBtn8Click() { sound_.Browse(Edit33, &SettingsRecord::startSoundFile); }
    void BitBtn7Click() { sound_.Browse(Edit34, &SettingsRecord::intervalSoundFile); }
    void BitBtn10Click() { sound_.Browse(Edit35, &SettingsRecord::warningSoundFile); }
    void BitBtn4Click() { sound_.Browse(Edit36, &SettingsRecord::timeUpSoundFile); }
    void BitBtn18Click() { sound_.Browse(Edit37, &SettingsRecord::backgroundSoundFile); }
    void BitBtn19Click() { sound_.Test(Edit32, MediaPlayer1); }
    void BitBtn21Click() { sound_.Test(Edit33, MediaPlayer1); }
    void BitBtn22Click() { sound_.Test(Edit34, MediaPlayer1); }
    void BitBtn23Click() { sound_.Test(Edit35, MediaPlayer1); }
    void BitBtn24Click() { sound_.Test(Edit36, MediaPlayer1); }
    void BitBtn20Click() { sound_.Test(Edit37, MediaPlayer2); }

    // ---- prompt texts and fonts --------------------------------------------------------------
    void BitBtn28Click() { fonts_.ChooseFont(Label44, {Label44}); }
    void BitBtn25Click() { fonts_.ChooseFont(Label45, {Label45}); }
    void BitBtn38Click() { fonts_.ChooseFont(Label52, {Label52}); }
    void BitBtn29Click();
    void BitBtn35Click();
    void BitBtn40Click();
    void BitBtn29MouseMove() { fonts_.ShowSampleOf(BitBtn29); }
    void BitBtn35MouseMove() { fonts_.ShowSampleOf(BitBtn35); }
    void BitBtn40MouseMove() { fonts_.ShowSampleOf(BitBtn40); }
    void BitBtn28MouseMove() { fonts_.ShowSampleOf(BitBtn28); }
    void BitBtn25MouseMove() { fonts_.ShowSampleOf(BitBtn25); }
    void BitBtn38MouseMove() { fonts_.ShowSampleOf(BitBtn38); }
    void GroupBox3MouseMove() { fonts_.HideSample(); }
    void GroupBox6MouseMove() { fonts_.HideSample(); }
    void GroupBox7MouseMove() { fonts_.HideSample(); }

    // ---- colours, frames, transparency and positions -----------------------------------------
    void ApplyClockBoxColour() { colours_.ApplyClockBoxColour(); }
    void ApplyTimerBoxColour() { colours_.ApplyTimerBoxColour(); }
    void ApplyPrepBoxColour() { colours_.ApplyPrepBoxColour(); }
    QList<TEdit*> ClockBoxes() const { return colours_.ClockBoxes(); }
    QList<TEdit*> TimerBoxes() const { return colours_.TimerBoxes(); }
    QList<TEdit*> PrepBoxes() const { return colours_.PrepBoxes(); }
    void Label41Click() { colours_.SwatchClick(0); }
    void Label42Click() { colours_.SwatchClick(1); }
    void Label43Click() { colours_.SwatchClick(2); }
    void Label47Click() { colours_.SwatchClick(3); }
    void Label48Click() { colours_.SwatchClick(4); }
    void Label49Click() { colours_.SwatchClick(5); }
    void Label27Click() { colours_.SwatchClick(6); }
    void Label28Click() { colours_.SwatchClick(7); }
    void Label29Click() { colours_.SwatchClick(8); }
    void Label56Click() { colours_.SwatchClick(9); }
    void Label57Click() { colours_.SwatchClick(10); }
    void Label55Click() { colours_.SwatchClick(11); }
    void TrackBar1Change() { colours_.TrackBar1Change(); }
    int Opacity() const { return colours_.Opacity(); }
    void SetOpacity(int alpha) { colours_.SetOpacity(alpha); }
    // The four positions of the text labels check their boxes with these reset texts; the
    // other eight position boxes each check themselves, with their factory value.
    void Edit42Change() { CheckNumberBox(Edit42, QStringLiteral("256")); }
    void Edit43Change() { CheckNumberBox(Edit43, QStringLiteral("518")); }
    void Edit57Change() { CheckNumberBox(Edit57, QStringLiteral("1")); }
    void Edit58Change() { CheckNumberBox(Edit58, QStringLiteral("1")); }
    void Edit61Change() { CheckNumberBox(Edit61, QStringLiteral("128")); }
    void Edit62Change() { CheckNumberBox(Edit62, QStringLiteral("8")); }
    void Edit63Change() { CheckNumberBox(Edit63, QStringLiteral("128")); }
    void Edit64Change() { CheckNumberBox(Edit64, QStringLiteral("328")); }
    void Edit65Change() { CheckNumberBox(Edit65, QStringLiteral("128")); }
    void Edit66Change() { CheckNumberBox(Edit66, QStringLiteral("328")); }
    void Edit45Change() { CheckNumberBox(Edit45, QStringLiteral("38")); }
    void Edit53Change() { CheckNumberBox(Edit53, QStringLiteral("12")); }

    // ---- help and about ----------------------------------------------------------------------
    void SpeedButton6Click() { help_.ToggleHelp(); }
    void SpeedButton7Click() { help_.ToggleAbout(); }

    // The main window's size in the form, the screen it is designed for, and the part of the
    // display that holds the design's controls.
    static constexpr QSize kDesignWindowSize{1024, 738};
    static constexpr QSize kDesignScreen{1024, 768};
    static constexpr QSize kDesignContent{1016, 625};
    // The display's design drawn at the display's size.
    DesignSurface* displaySurface() const { return surface_; }
    SettingsScroll* settingsScroll() const { return settingsScroll_; }
    QSize DisplayCanvas() const;

  Q_SIGNALS:
    // The window has closed for good (its close handler ran through).
    void Closed();

  public:
    // ---- bindings ----------------------------------------------------------------------------
    enum class Event { Click, Change, KeyDown, MouseMove };
    struct Binding {
        const char* control;
        Event event;
        void (TForm1::*handler)();
    };
    static const QList<Binding>& Bindings();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The end of the session, a signal or the schedule's close: nobody answers a box.
    bool unattendedEnd() const { return sessionEnding || scheduledClose_; }
    bool saveSettingsAtClose();
    void finishClose();
    bool scheduledClose_ = false;
    bool closedForGood_ = false;  // the close handler ran through
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The subsystems told about one another (Wiring.cpp).
    void wireSubsystems();
    // The day's plan from its file beside the settings (a bad file is told and not run).
    void loadPlan();
    void CheckNumberBox(TEdit* box, const QString& resetText);
    void bindHandlers();
    void layoutClientArea();
    void settingsPanelShown(bool shown);
    bool coveredDisplayClick(QEvent* event);
    void placeRestoredWindow();
    void setupGlyphs();
    void RunTick(void (TForm1::*handler)());

    DesignSurface* surface_ = nullptr;
    AudienceScreen* audience_ = nullptr;
    std::unique_ptr<AudienceWindow> audienceWindow_;
    SettingsScroll* settingsScroll_ = nullptr;
    std::unique_ptr<Options> options_;
    QPointer<PlanWindow> planWindow_;
    // The exam-site link (Wiring.cpp gives it its hooks), its settings window, its line on the
    // status bar and the room's id on the display.
    RoomLink::Hooks roomLinkHooks();
    Options& siteOptions();
    void showSiteStatus(const QString& text, bool problem);
    void showIdentity(const QString& text, int ms);
    bool resumeOfficeCount();
    std::unique_ptr<RoomLink> roomLink_;
    QPointer<SiteDialog> siteDialog_;
    QLabel* siteStatus_ = nullptr;
    QLabel* identityLabel_ = nullptr;
    quint64 identityCall_ = 0;
    std::optional<Reported::Prompt> lastPrompt_;
    bool movingScreens_ = false;
    ClickTracker coveredClick_;  // a click on the display beside the open settings panel
    QElapsedTimer restoring_;    // runs for a moment after the window was restored
    QTimer restoreTimer_;
    static constexpr int kRestoreSettleMs = 1000;
};
