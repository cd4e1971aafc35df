// Which panels show: the tool-bar, menu and hot-spot toggles of the clock, main timer,
// preparation and settings panels, the concise display, the usage mode and the perpetual
// calendar's toggle.
#pragma once

#include <QList>
#include <QPointer>
#include <Qt>
#include <functional>

class QMainWindow;
class QMenuBar;
class QRadioButton;
class ScreenList;
class QWidget;
class SoundPrompts;
class TLabel;
class TPanel;
class TStatusBar;
class TTimer;
class Twnl;
struct SettingsRecord;

class DisplayPanels {
  public:
    struct Controls {
        QMainWindow* window;           // Form1
        QMenuBar* menu;                // MainMenu1
        TPanel* toolBar;               // ToolBar1
        TStatusBar* status;            // StatusBar1
        TPanel* settingsPanel;         // Panel2
        TPanel* clockPanel;            // Panel3
        TPanel* timerPanel;            // Panel4
        TPanel* prepPanel;             // Panel5
        TLabel* title;                 // Label44
        TLabel* prompt;                // Label45
        TLabel* scheduledText;         // Label52
        QRadioButton* modeTiming;      // RadioButton3
        QRadioButton* modeClock;       // RadioButton4
        QRadioButton* modeBoth;        // RadioButton8
        QList<QWidget*> timerButtons;  // BitBtn1, BitBtn2, BitBtn3, BitBtn5, BitBtn15
    };
    DisplayPanels(TTimer& mainTimer, SoundPrompts& sound, SettingsRecord& settings,
                  const ScreenList* screens, const Controls& controls)
        : mainTimer_(mainTimer),
          sound_(sound),
          settings_(settings),
          screens_(screens),
          c_(controls) {}
    void setCalendar(Twnl* calendar);

    // The client area is laid out again (the tool bar came or went).
    std::function<void()> relayout;

    bool ConciseDisplay() const;
    // The window is on its way to the concise display's whole screen or back to the state it
    // had: the states a window manager passes it through (it takes the maximised state away
    // before it gives the full screen, and the other way round) are not a restore by the
    // operator. False once the window is there.
    bool ConciseMoving(Qt::WindowStates now);
    void ApplyUsageMode();
    void toggleConcise();       // Image2Click
    void toggleSettings();      // SpeedButton2Click
    void toggleClock();         // Image3Click
    void toggleTimer();         // SpeedButton21Click
    void togglePrep();          // Image4Click
    void toggleTimerButtons();  // Image5Click
    void toggleCalendar();      // SpeedButton20Click

  private:
    TTimer& mainTimer_;
    SoundPrompts& sound_;
    SettingsRecord& settings_;
    const ScreenList* screens_;
    Controls c_;
    QPointer<Twnl> calendar_;
    // The window's state before the concise display made it cover the whole screen.
    Qt::WindowStates statesBefore_ = Qt::WindowMaximized;
    bool moving_ = false;
};
