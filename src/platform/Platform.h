// The bundle of services a window receives: the real one from main.cpp, fakes in tests.
#pragma once

#include <QString>
#include <memory>

#include "platform/AudioPlayer.h"
#include "platform/ClockStatus.h"
#include "platform/Dialogs.h"
#include "platform/Screens.h"
#include "platform/Services.h"
#include "platform/SessionLog.h"
#include "platform/SiteLink.h"
#include "platform/SoundOutput.h"
#include "platform/TimeSource.h"

struct Platform {
    TimeSource* time = nullptr;
    Dialogs* dialogs = nullptr;
    AudioPlayer* player1 = nullptr;  // prompt sounds
    AudioPlayer* player2 = nullptr;  // background music
    SoundOutput* output = nullptr;   // the sound files' check and the default output's state
    ProgramLauncher* launcher = nullptr;
    SessionControl* session = nullptr;
    SettingsLocation* location = nullptr;
    PowerInhibitor* inhibitor = nullptr;
    ScreenList* screens = nullptr;
    SessionLog* log = nullptr;           // the record of each session
    SiteLink* siteLink = nullptr;        // the exam site's broker (opened by whoever uses it)
    LinkTester* linkTester = nullptr;    // the 测试连接 of the site link's settings
    ClockStatus* clockStatus = nullptr;  // whether the system clock follows a time server
    // Where the default sounds are found when they are not in the working directory.
    QString soundDir;
};

// The user's configuration directory, which holds the settings file (made when missing).
QString SettingsDirectory();
// The folder of the session log, in the user's data directory.
QString SessionLogFolder();
// The user's runtime folder (XDG_RUNTIME_DIR, or the toolkit's stand-in for it).
QString RuntimeDirectory();

// Owns the real services.
class RealPlatform {
  public:
    RealPlatform();
    ~RealPlatform();
    Platform& platform() { return platform_; }
    // The services' start-up work that can wait for the main window's first frame: the watch
    // on the sound server (the default output's mute).
    void startAfterFirstFrame();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    Platform platform_;
};
