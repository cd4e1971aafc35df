// The screen the display fills (the audience's, the projector's): chosen in the menu
// "系统 → 显示屏幕", remembered by the screen's identity in the options file.
//
// With two screens or more the display has a window of its own on that screen, and the
// operator's window (the main window with its bars, settings panel and boxes) fills another
// one: the primary screen, or when the display took that, the first other. Until the operator
// has chosen, the display goes to a screen that is not the primary one. With one screen the
// main window fills it alone, as it always did.
//
// When the chosen screen is unplugged the display comes back into the operator's window at
// once (or, with screens still to spare, goes to another one); when it comes back, the
// display goes out to it again. The operator can swap at any time (F11): with one screen
// between the operator's window and the display over the whole screen, with more between the
// display on its own screen and the display in the operator's window. A screen plugged in or
// out ends that swap.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "platform/Screens.h"

class Options;
class QMenu;
class QWidget;

class AudienceScreen : public QObject {
    Q_OBJECT
  public:
    // window: the main window (the operator's); menu: the submenu that lists the screens.
    AudienceScreen(QWidget* window, ScreenList& screens, QMenu* menu);

    // The display's window of its own (none: the display always stays in the main window).
    void setDisplayWindow(QWidget* display);
    // Where the choice is remembered (known once the settings' folder is).
    void setOptions(Options* options);
    // The screen remembered, if any (it may be unplugged).
    ScreenInfo wanted() const { return wanted_; }
    // The screen the display fills: the one remembered when it is plugged in, else one that is
    // not the primary screen, else the primary one.
    ScreenInfo target() const;
    // The screen the operator's window fills: the display's own screen when the display is in
    // that window, else the primary screen, or the first other when the display has that one.
    ScreenInfo operatorScreen() const;
    // The display has its window of its own now (shown or about to be).
    bool displayApart() const;
    // Fills the screens: the main window its screen; the display's window its screen, once
    // the main window is on screen (before that, showDisplay does it).
    void place();
    // Shows the display's window, when it has its screen, over its whole screen.
    void showDisplay();
    // The operator's choice: filled at once and remembered; when it cannot be remembered,
    // notRemembered is told why.
    void choose(const ScreenInfo& screen);
    std::function<void(const QString& message)> notRemembered;
    // F11: the display out of the operator's window, or back into it.
    void swapDisplay();

    // Runs the window's move onto another screen (the window keeps its own placing away
    // meanwhile).
    std::function<void(const std::function<void()>&)> whileMoving;

  private:
    void follow();
    void rebuildMenu();
    void placeDisplay();

    QWidget* window_;
    ScreenList& screens_;
    QMenu* menu_;
    QPointer<QWidget> display_;
    Options* options_ = nullptr;
    ScreenInfo wanted_;
    ScreenInfo placedOn_;
    ScreenInfo displayOn_;
    bool apartPlaced_ = false;
    bool swapped_ = false;
    int screenCount_ = 0;
};
