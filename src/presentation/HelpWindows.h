// The help and about commands: the help window shows the guide carried by the main window's
// hidden text box, copied afresh each time; both windows are shown and hidden, never modal.
#pragma once

#include <QPointer>

class QTextEdit;
class TForm2;
class TForm3;

class HelpWindows {
  public:
    explicit HelpWindows(QTextEdit* guide) : guide_(guide) {}
    void setWindows(TForm2* help, TForm3* about);
    void ToggleHelp();
    void ToggleAbout();

  private:
    QTextEdit* guide_;
    QPointer<TForm2> help_;
    QPointer<TForm3> about_;
};
