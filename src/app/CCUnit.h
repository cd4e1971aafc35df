// The main window TForm1: the whole working surface of the timer.
//
// Its controls keep the form's names (Edit9, CheckBox6, Label44, Panel3, Timer1 ...) and are
// public members, as in a form designer's generated class; its handlers keep their names
// (BitBtn2Click, Timer3Timer, FormCreate) and are public methods. The implementation is split
// by subsystem: the folder of a handler's source file tells which subsystem owns it.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>

#include "widgets/Controls.h"
#include "platform/Platform.h"
#include "platform/TTimer.h"
#include "settings/SettingsRecord.h"
#include "ui_CCUnit.h"

class TForm2;
class TForm3;
class TForm4;
class Twnl;

// The shared file-open dialog: it remembers the file chosen last and opens on it.
struct TOpenDialog {
    QString FileName;
};

class TForm1 : public QMainWindow, public Ui::Form1 {
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
    TOpenDialog OpenDialog1;
    QPointer<TForm2> Form2;
    QPointer<TForm3> Form3;
    QPointer<Twnl> wnl;
    QPointer<TForm4> Form4;

    // ---- shared state ----------------------------------------------------------------------
    SettingsRecord Settings;
    int mainSeconds = 0;
    int prepSeconds = 0;
    int alertState = 1;  // 1 normal, 2 warning, 0 time-up
    int intervalLimit = 0;
    int warningSeconds = 0;
    int intervalSeconds = 0;
    int scheduledTextSeconds = 0;
    int mainCountUpTarget = 0;
    int prepCountUpTarget = 0;
    QString windowsDir;

    QString SettingsFilePath() const;
    // The desktop session is ending: closing asks nothing and shows no message.
    bool sessionEnding = false;
    // Runs a handler through the error wrapper: an error shows its message and stops it.
    bool Run(void (TForm1::*handler)());

    // ---- start-up and shut-down -------------------------------------------------------------
    void FormCreate();
    void SpeedButton1Click();  // exit
    void FormClose();

    // ---- panels, tool-bar toggles and display modes -------------------------------------------
    void Image2Click();         // concise display
    void SpeedButton2Click();   // settings panel
    void Image3Click();         // clock panel
    void SpeedButton21Click();  // main timer panel
    void Image4Click();         // preparation panel
    void Image5Click();         // the main timer panel's buttons
    void SpeedButton20Click();  // perpetual calendar
    void ApplyUsageMode();
    bool ConciseDisplay() const;

    // ---- settings panel --------------------------------------------------------------------
    void ClearSettingsPanel();
    void CollectSettings();
    void ApplySettings();
    void BitBtn6Click();   // OK
    void BitBtn26Click();  // Default
    void BitBtn27Click();  // Cancel

    // ---- time fields -----------------------------------------------------------------------
    using Digits = std::array<TEdit*, 6>;
    void secondsToFields(int value, const Digits& digits);
    int fieldsToSeconds(const Digits& digits) const;
    void unitSeconds(TEdit* number, TComboBox* unit, int& target) const;
    const Digits& MainDigits() const { return mainDigits_; }
    const Digits& PrepDigits() const { return prepDigits_; }

    void DigitChange(TEdit* box);
    void DigitClick(TEdit* box, TTimer* gate, const Digits& digits);
    void DigitKeyDown(TEdit* box, TTimer* gate, const Digits& digits);
    // A number box holds digits or nothing: any other text is replaced by the box's reset
    // text, with the message. Used by the duration, schedule and position boxes.
    void CheckNumberBox(TEdit* box, const QString& resetText);
    // Both separators of a display blink (each flips between "∶" and empty) or both show "∶".
    static void StepSeparators(TEdit* first, TEdit* second, bool blink);

    void Edit1Change() { DigitChange(Edit1); }
    void Edit2Change() { DigitChange(Edit2); }
    void Edit4Change() { DigitChange(Edit4); }
    void Edit5Change() { DigitChange(Edit5); }
    void Edit7Change() { DigitChange(Edit7); }
    void Edit8Change() { DigitChange(Edit8); }
    void Edit1Click() { DigitClick(Edit1, Timer1, mainDigits_); }
    void Edit2Click() { DigitClick(Edit2, Timer1, mainDigits_); }
    void Edit4Click() { DigitClick(Edit4, Timer1, mainDigits_); }
    void Edit5Click() { DigitClick(Edit5, Timer1, mainDigits_); }
    void Edit7Click() { DigitClick(Edit7, Timer1, mainDigits_); }
    void Edit8Click() { DigitClick(Edit8, Timer1, mainDigits_); }
    void Edit1KeyDown() { DigitKeyDown(Edit1, Timer1, mainDigits_); }
    void Edit2KeyDown() { DigitKeyDown(Edit2, Timer1, mainDigits_); }
    void Edit4KeyDown() { DigitKeyDown(Edit4, Timer1, mainDigits_); }
    void Edit5KeyDown() { DigitKeyDown(Edit5, Timer1, mainDigits_); }
    void Edit7KeyDown() { DigitKeyDown(Edit7, Timer1, mainDigits_); }
    void Edit8KeyDown() { DigitKeyDown(Edit8, Timer1, mainDigits_); }
    void Edit3Click();
    void Edit6Click();
    void Edit9Change() { CheckNumberBox(Edit9, QStringLiteral("60")); }
    void Edit10Change() { CheckNumberBox(Edit10, QStringLiteral("60")); }
    void Edit12Change() { CheckNumberBox(Edit12, QStringLiteral("10")); }
    void Edit11Change() { CheckNumberBox(Edit11, QStringLiteral("5")); }
    void Edit59Change() { CheckNumberBox(Edit59, QStringLiteral("5")); }

    // ---- main timer --------------------------------------------------------------------------
    void SpeedButton16Click();  // set
    void BitBtn15Click();       // clear
    void BitBtn3Click();        // reset
    void BitBtn5Click();        // pause
    void BitBtn2Click();        // start
    void Timer1Timer();         // step
    void MainWarning();
    void MainTimeUp();

    // ---- preparation timer -------------------------------------------------------------------
    void BitBtn14Click();       // start
    void BitBtn13Click();       // pause
    void BitBtn12Click();       // reset
    void BitBtn16Click();       // clear
    void SpeedButton11Click();  // set
    void Timer2Timer();         // step
    void PrepHandOver();
    void Edit17Change() { DigitChange(Edit17); }
    void Edit18Change() { DigitChange(Edit18); }
    void Edit20Change() { DigitChange(Edit20); }
    void Edit21Change() { DigitChange(Edit21); }
    void Edit23Change() { DigitChange(Edit23); }
    void Edit24Change() { DigitChange(Edit24); }
    void Edit17Click() { DigitClick(Edit17, Timer2, prepDigits_); }
    void Edit18Click() { DigitClick(Edit18, Timer2, prepDigits_); }
    void Edit20Click() { DigitClick(Edit20, Timer2, prepDigits_); }
    void Edit21Click() { DigitClick(Edit21, Timer2, prepDigits_); }
    void Edit23Click() { DigitClick(Edit23, Timer2, prepDigits_); }
    void Edit24Click() { DigitClick(Edit24, Timer2, prepDigits_); }
    void Edit17KeyDown() { DigitKeyDown(Edit17, Timer2, prepDigits_); }
    void Edit18KeyDown() { DigitKeyDown(Edit18, Timer2, prepDigits_); }
    void Edit20KeyDown() { DigitKeyDown(Edit20, Timer2, prepDigits_); }
    void Edit21KeyDown() { DigitKeyDown(Edit21, Timer2, prepDigits_); }
    void Edit23KeyDown() { DigitKeyDown(Edit23, Timer2, prepDigits_); }
    void Edit24KeyDown() { DigitKeyDown(Edit24, Timer2, prepDigits_); }
    void Edit19Click();
    void Edit22Click();

    // ---- clock panel and scheduled actions ---------------------------------------------------
    void Timer3Timer();
    void PadClockFields();
    void PadScheduleFields();
    // Steps 3 and 4 of the tick for the second just shown: the schedule, then the warning
    // before it or else the interval sound. A second that was skipped by a late tick is
    // evaluated late, once; a clock jump of more than kScheduleCatchUpSeconds is not caught up.
    void ScheduleStep(const QDateTime& now);
    void ScheduleAt(const QDateTime& second, int scheduledSeconds, bool current);
    void ShowScheduledText();
    static constexpr int kScheduleCatchUpSeconds = 5;
    // Shows an error message once the running handler has returned.
    void ReportLater(const QString& text);
    void FlashStep();
    void EndActions(const QString& separator);
    void ExitSession(int kind);
    void Edit47Change() { CheckNumberBox(Edit47, QStringLiteral("2006")); }
    void Edit48Change() { CheckNumberBox(Edit48, QStringLiteral("12")); }
    void Edit49Change() { CheckNumberBox(Edit49, QStringLiteral("01")); }
    void Edit50Change() { CheckNumberBox(Edit50, QStringLiteral("08")); }
    void Edit51Change() { CheckNumberBox(Edit51, QStringLiteral("00")); }
    void Edit52Change() { CheckNumberBox(Edit52, QStringLiteral("00")); }
    void BitBtn37Click();  // program browse
    void BitBtn39Click();  // parameter browse
    void BitBtn36Click();  // system file browse

    // ---- sound prompts -----------------------------------------------------------------------
    // Plays a sound for a prompt. A file that the player cannot play is reported (once per file
    // until the file changes) and whatever asked for the sound goes on.
    void PlayPromptSound(AudioPlayer* player, const QString& path, bool suspendLoop,
                         bool stopBackgroundFirst);
    // The same sequence, with the player's error thrown to the caller.
    void StartSound(AudioPlayer* player, const QString& path, bool suspendLoop,
                    bool stopBackgroundFirst);
    void ReportSoundProblem(const QString& path, const QString& text);
    void StopIfPlaying(AudioPlayer* player);
    void StartBackgroundMusic();
    void BackgroundLoopCheck();
    // The interval sound, which never cuts off another prompt that is still playing.
    void PlayIntervalChime();
    // True when the trimmed path names an existing file (the working directory first, then
    // the program's sound directory for a bare name).
    bool SoundExists(const QString& path) const;
    QString SoundPath(const QString& path) const;
    void SpeedButton18Click();  // background music on/off
    // The shared file dialog into a box: true when a file was chosen (a cancelled dialog
    // changes nothing).
    bool BrowseInto(TEdit* box);
    void BrowseSound(TEdit* box, QString SettingsRecord::*field);
    void TestSound(TEdit* box, AudioPlayer* player);
    void BitBtn9Click() { BrowseSound(Edit32, &SettingsRecord::prepSoundFile); }
    void BitBtn8Click() { BrowseSound(Edit33, &SettingsRecord::startSoundFile); }
    void BitBtn7Click() { BrowseSound(Edit34, &SettingsRecord::intervalSoundFile); }
    void BitBtn10Click() { BrowseSound(Edit35, &SettingsRecord::warningSoundFile); }
    void BitBtn4Click() { BrowseSound(Edit36, &SettingsRecord::timeUpSoundFile); }
    void BitBtn18Click() { BrowseSound(Edit37, &SettingsRecord::backgroundSoundFile); }
    void BitBtn19Click() { TestSound(Edit32, MediaPlayer1); }
    void BitBtn21Click() { TestSound(Edit33, MediaPlayer1); }
    void BitBtn22Click() { TestSound(Edit34, MediaPlayer1); }
    void BitBtn23Click() { TestSound(Edit35, MediaPlayer1); }
    void BitBtn24Click() { TestSound(Edit36, MediaPlayer1); }
    void BitBtn20Click() { TestSound(Edit37, MediaPlayer2); }

    // ---- prompt texts and fonts --------------------------------------------------------------
    void ShowPrompt(const QString& text, QCheckBox* labelOn);
    void ChooseFont(QWidget* source, const QList<QWidget*>& targets);
    void BitBtn28Click();
    void BitBtn25Click();
    void BitBtn38Click();
    void BitBtn29Click();
    void BitBtn35Click();
    void BitBtn40Click();
    void ShowFontSample(const QString& kind, const QString& sample, QWidget* groupBox,
                        QWidget* button, QWidget* source);
    void BitBtn29MouseMove();
    void BitBtn35MouseMove();
    void BitBtn40MouseMove();
    void BitBtn28MouseMove();
    void BitBtn25MouseMove();
    void BitBtn38MouseMove();
    void GroupBox3MouseMove();
    void GroupBox6MouseMove();
    void GroupBox7MouseMove();

    // ---- colours, frames, transparency and positions -----------------------------------------
    void ApplyClockBoxColour();
    void ApplyTimerBoxColour();
    void ApplyPrepBoxColour();
    QList<TEdit*> ClockBoxes() const;
    QList<TEdit*> TimerBoxes() const;
    QList<TEdit*> PrepBoxes() const;
    void SwatchClick(int row);
    void Label41Click() { SwatchClick(0); }
    void Label42Click() { SwatchClick(1); }
    void Label43Click() { SwatchClick(2); }
    void Label47Click() { SwatchClick(3); }
    void Label48Click() { SwatchClick(4); }
    void Label49Click() { SwatchClick(5); }
    void Label27Click() { SwatchClick(6); }
    void Label28Click() { SwatchClick(7); }
    void Label29Click() { SwatchClick(8); }
    void Label56Click() { SwatchClick(9); }
    void Label57Click() { SwatchClick(10); }
    void Label55Click() { SwatchClick(11); }
    void TrackBar1Change();
    void Edit42Change();
    void Edit43Change();
    void Edit57Change();
    void Edit58Change();
    // The other eight position boxes each check themselves, with their factory value as the
    // reset text.
    void Edit61Change() { CheckNumberBox(Edit61, QStringLiteral("128")); }
    void Edit62Change() { CheckNumberBox(Edit62, QStringLiteral("8")); }
    void Edit63Change() { CheckNumberBox(Edit63, QStringLiteral("128")); }
    void Edit64Change() { CheckNumberBox(Edit64, QStringLiteral("328")); }
    void Edit65Change() { CheckNumberBox(Edit65, QStringLiteral("128")); }
    void Edit66Change() { CheckNumberBox(Edit66, QStringLiteral("328")); }
    void Edit45Change() { CheckNumberBox(Edit45, QStringLiteral("38")); }
    void Edit53Change() { CheckNumberBox(Edit53, QStringLiteral("12")); }
    // The opacity set through the slider (0 to 255); the window starts opaque.
    int Opacity() const { return opacity_; }
    void SetOpacity(int alpha);

    // ---- help and about ----------------------------------------------------------------------
    void SpeedButton6Click();
    void SpeedButton7Click();

    // True after the settings file failed to load at start-up, until the settings are next
    // written by OK: the operator's file is then never replaced by the half-empty panel.
    bool settingsLoadFailed() const { return settingsLoadFailed_; }

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

    // The main window's size in the form.
    static constexpr QSize kDesignWindowSize{1024, 738};

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void bindHandlers();
    void layoutClientArea();
    void settingsPanelShown(bool shown);
    void placeRestoredWindow();
    void setupGlyphs();
    void RunTick(void (TForm1::*handler)());
    void showNextReport();

    Digits mainDigits_{};
    Digits prepDigits_{};
    int opacity_ = 255;
    bool settingsLoadFailed_ = false;
    bool player1HoldsChime_ = false;  // MediaPlayer1 was last given the interval sound
    QDateTime lastScheduleSecond_;
    QElapsedTimer restoring_;  // runs for a moment after the window was restored
    QTimer restoreTimer_;
    static constexpr int kRestoreSettleMs = 1000;
    bool scheduleErrorReported_ = false;
    QStringList pendingReports_;             // messages waiting for their box, the first on screen
    QHash<QString, QString> soundProblems_;  // a sound file reported, and the file as it was then
};
