// The five windows of the program, created once in a fixed order and living until exit.
#pragma once

#include <QStringList>
#include <memory>

#include "platform/Platform.h"

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class Twnl;

class AppWindows {
  public:
    // Which windows the constructor creates: all of them, or the main window alone, the others
    // (which stay hidden until asked for) following with createHiddenWindows().
    enum class Create { All, MainFirst };

    // Creates the windows in order: the main window first (its start-up handler runs to the
    // end before the next window is created), then help, about, calendar, font sample.
    // runStartUp: false leaves the main window at its form values (for tests of the form).
    explicit AppWindows(Platform& platform, bool runStartUp = true, Create create = Create::All);
    ~AppWindows();

    // Creates the hidden windows, once (the program does it after the main window's first
    // frame, so that they do not hold it up), and hands them to the main window.
    void createHiddenWindows();

    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TForm2> Form2;
    std::unique_ptr<TForm3> Form3;
    std::unique_ptr<Twnl> wnl;
    std::unique_ptr<TForm4> Form4;

    // The object names of the windows in the order they were created.
    QStringList creationOrder;

  private:
    Platform& platform_;
};
