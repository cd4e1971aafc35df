// The help and about commands: the help window shows the guide carried by the main window's
// hidden text box, copied afresh each time; both windows are shown and hidden, never modal,
// and open wholly on the main window's screen.
#pragma once

#include <QPointer>

class FrameWatch;
class QTextEdit;
class QWidget;
class ScreenList;
class TForm2;
class TForm3;

class HelpWindows {
  public:
    // guide: the main window's hidden text box; main: the main window, whose screen the two
    // windows open on.
    HelpWindows(QTextEdit* guide, QWidget* main, const ScreenList* screens)
        : guide_(guide), main_(main), screens_(screens) {}
    void setWindows(TForm2* help, TForm3* about);
    void ToggleHelp();
    void ToggleAbout();

  private:
    // The window wholly on the main window's screen.
    void KeepOnScreen(QWidget* window, FrameWatch* frame);

    QTextEdit* guide_;
    QWidget* main_;
    const ScreenList* screens_;
    QPointer<TForm2> help_;
    QPointer<TForm3> about_;
    FrameWatch* helpFrame_ = nullptr;
    FrameWatch* aboutFrame_ = nullptr;
};
