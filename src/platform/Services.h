// Small services over the operating system.
#pragma once

#include <QString>
#include <QStringList>

// Starts a program without a shell and without waiting for it.
class ProgramLauncher {
  public:
    virtual ~ProgramLauncher() = default;
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};

// Ends the desktop session; every kind closes the applications without asking.
class SessionControl {
  public:
    virtual ~SessionControl() = default;
    virtual void logOff() = 0;
    virtual void reboot() = 0;
    virtual void powerOff() = 0;
};

// The directory that holds the settings file "kvtmr201.ini".
class SettingsLocation {
  public:
    virtual ~SettingsLocation() = default;
    virtual QString directory() const = 0;
};

// Keeps the display awake and the machine from sleeping while a count runs.
class PowerInhibitor {
  public:
    virtual ~PowerInhibitor() = default;
    virtual void setInhibited(bool on) = 0;
    virtual bool inhibited() const = 0;
};
