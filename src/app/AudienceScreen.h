// The screen the display fills (the audience's, the projector's): chosen in the menu
// "系统 → 显示屏幕", remembered by the screen's identity in the options file. When that
// screen is unplugged the window goes to the primary screen; when it comes back, the window
// returns to it.
#pragma once

#include <QObject>
#include <functional>

#include "platform/Screens.h"

class Options;
class QMenu;
class QWidget;

class AudienceScreen : public QObject {
    Q_OBJECT
  public:
    // window: the main window; menu: the submenu that lists the screens.
    AudienceScreen(QWidget* window, ScreenList& screens, QMenu* menu);

    // Where the choice is remembered (known once the settings' folder is).
    void setOptions(Options* options);
    // The screen remembered, if any (it may be unplugged).
    ScreenInfo wanted() const { return wanted_; }
    // The screen the window fills: the one remembered when it is plugged in, else the primary.
    ScreenInfo target() const;
    // Fills the target screen with the window.
    void place();
    // The operator's choice: filled at once and remembered; when it cannot be remembered,
    // notRemembered is told why.
    void choose(const ScreenInfo& screen);
    std::function<void(const QString& message)> notRemembered;

    // Runs the window's move onto another screen (the window keeps its own placing away
    // meanwhile).
    std::function<void(const std::function<void()>&)> whileMoving;

  private:
    void follow();
    void rebuildMenu();

    QWidget* window_;
    ScreenList& screens_;
    QMenu* menu_;
    Options* options_ = nullptr;
    ScreenInfo wanted_;
    ScreenInfo placedOn_;
};
