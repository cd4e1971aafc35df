// A running program on the fake platform: the five windows created in order, the settings
// directory and the working directory in temporary folders, time standing still until a test
// moves it.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <memory>

#include "Fakes.h"
#include "app/AppWindows.h"
#include "app/CCUnit.h"

class AppFixture {
  public:
    enum class Sounds { None, InWorkingDir, InSoundDir };

    // start: the date and time at creation. runStartUp: false leaves the main window at its
    // form values. sounds: where the six default sound files are (none by default, so
    // that nothing is found unless a test asks for it).
    explicit AppFixture(const QDateTime& start = QDateTime(QDate(2007, 1, 31), QTime(16, 55, 0)),
                        bool runStartUp = true, Sounds sounds = Sounds::InWorkingDir);
    ~AppFixture();

    // Creates the windows (done by the constructor unless deferred with create = false).
    void create(bool runStartUp = true);
    void destroy();

    TForm1* f() const { return app ? app->Form1.get() : nullptr; }
    TForm1* operator->() const { return f(); }

    // Moves the clocks on by whole seconds, running every timer that comes due.
    void seconds(int n) { fake.time.advance(qint64(n) * 1000); }
    void ms(qint64 n) { fake.time.advance(n); }

    QString workDir() const { return work.path(); }
    // Writes a file into the working directory (for sounds, programs).
    QString makeFile(const QString& name, const QByteArray& content = "x");

    FakePlatform fake;
    QTemporaryDir work;
    QTemporaryDir soundDir;
    std::unique_ptr<AppWindows> app;

  private:
    QString oldCwd_;
};

// The six default sound file names.
QStringList DefaultSoundNames();
