// Small services over the operating system.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Starts a program without a shell and without waiting for it, in the given working
// directory.
class ProgramLauncher {
  public:
    virtual ~ProgramLauncher() = default;
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingDirectory) = 0;
    // Shows a folder in the desktop's file manager; false when that cannot be started.
    virtual bool openFolder(const QString& path) = 0;
};

// Ends the desktop session; every kind closes the applications without asking. A request
// returns at once: it goes on without the caller.
class SessionControl {
  public:
    virtual ~SessionControl() = default;
    virtual void logOff() = 0;
    virtual void reboot() = 0;
    virtual void powerOff() = 0;
    // Runs done once every request made so far has been delivered and answered, or at the
    // latest after timeoutMs (at once when nothing is under way).
    virtual void whenSettled(std::function<void()> done, int timeoutMs) {
        Q_UNUSED(timeoutMs);
        done();
    }
};

// The directory that holds the settings file "kvtmr201.ini".
class SettingsLocation {
  public:
    virtual ~SettingsLocation() = default;
    virtual QString directory() const = 0;
    // The user's runtime folder, for what is kept about the settings folder where that folder
    // cannot be written; empty when there is none.
    virtual QString runtimeDirectory() const { return QString(); }
};

// Keeps the display awake and the machine from sleeping while a count runs. Switching returns
// at once; the desktop is asked in the background.
class PowerInhibitor {
  public:
    virtual ~PowerInhibitor() = default;
    virtual void setInhibited(bool on) = 0;
    virtual bool inhibited() const = 0;
};
