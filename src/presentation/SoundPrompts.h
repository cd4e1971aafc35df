// The sound prompts: the two players (MediaPlayer1 for the prompt sounds, MediaPlayer2 for
// the background music), the one way every sound starts, the background music and its loop,
// the interval chime that never cuts off another prompt, the browse and test buttons of the
// sound group, and what the operator must know before a count: the ticked sound files that
// will not play, and a default output that is missing or muted.
#pragma once

#include <QFlags>
#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "core/SettingsRecord.h"

class AudioPlayer;
class Dialogs;
class OpenDialog;
class QCheckBox;
class Reports;
class SoundOutput;
class TEdit;
class TStatusBar;

enum class SoundFlag {
    SuspendLoop = 1,          // the background music does not restart by itself afterwards
    StopBackgroundFirst = 2,  // the background music stops before the sound starts
};
Q_DECLARE_FLAGS(SoundFlags, SoundFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(SoundFlags)

class SoundPrompts {
  public:
    struct Controls {
        QCheckBox* backgroundOn;  // CheckBox6 "背景"
        TEdit* backgroundBox;     // Edit37
        // The prompt slots' check boxes: preparation, start, interval, warning, time-up
        // (CheckBox4, CheckBox3, CheckBox2, CheckBox5, CheckBox1).
        std::array<QCheckBox*, 5> promptOn;
        TStatusBar* status;  // StatusBar1: the default output's state when it is not heard
    };
    struct Services {
        AudioPlayer& prompts;  // MediaPlayer1
        AudioPlayer& music;    // MediaPlayer2
        Dialogs& dialogs;
        Reports& reports;
        OpenDialog& openDialog;
        QString soundDir;  // where bare default names are found after the working directory
        SoundOutput* output = nullptr;  // the files' check and the default output's state
    };
    SoundPrompts(const Services& services, SettingsRecord& settings, const Controls& controls);
    ~SoundPrompts();
    SoundPrompts(const SoundPrompts&) = delete;
    SoundPrompts& operator=(const SoundPrompts&) = delete;

    // Each prompt's sound as it starts (ok) or fails, with the file and why: the site link
    // reports the last one and tells the office of a failure.
    std::function<void(const QString& file, bool ok, const QString& why)> onPrompt;

    AudioPlayer* promptPlayer() const { return &prompts_; }
    AudioPlayer* musicPlayer() const { return &music_; }
    bool promptPlaying() const;

    // Plays a sound for a prompt. A file that the player cannot play is reported (once per
    // file until the file changes) and whatever asked for the sound goes on. A file known not
    // to play (it failed in the player or in the check, and has not changed since) is not
    // given to the player again: the sound fails at once, as its open would.
    void PlayPromptSound(AudioPlayer* player, const QString& path, SoundFlags flags = {});
    // The same sequence, with the player's error thrown to the caller. `retry`: a file known
    // not to play is tried all the same (a test button, which the operator asks for).
    void StartSound(AudioPlayer* player, const QString& path, SoundFlags flags = {},
                    bool retry = false);
    void StopIfPlaying(AudioPlayer* player);
    void StartBackgroundMusic();
    void BackgroundLoopCheck();
    // The interval sound, which never cuts off another prompt that is still playing.
    void PlayIntervalChime();
    // True when the trimmed path names an existing file (the working directory first, then
    // the program's sound directory for a bare name).
    bool SoundExists(const QString& path) const;
    QString SoundPath(const QString& path) const;

    // The background music on or off (SpeedButton18).
    void ToggleBackgroundMusic();
    // A browse button: the chosen file into its box and, at once, into the record.
    void Browse(TEdit* box, QString SettingsRecord::*field);
    // A test button: the box's file on the given player, whether its check box is ticked.
    void Test(TEdit* box, AudioPlayer* player);

    // Opens the file of every ticked slot once, without playing it, and lists those that
    // cannot be played in one message (at start-up and at OK). Only the latest check is
    // reported when several are under way.
    void CheckSoundFiles();
    // The default output's state on the status line: nothing while it plays, otherwise what
    // keeps the prompts from being heard.
    void ShowOutputState();

    // The window is closing: both players stop, and from now on nothing starts a sound (not the
    // rest of the clock tick that closed the window, not a command, not the loop).
    void CloseSounds();
    bool closing() const { return closing_; }

  private:
    void ReportSoundProblem(const QString& path, const QString& text);
    // True when the file, as it is now, has not been reported yet; it counts as reported.
    bool NoteReported(const QString& path);
    // The file, as it is now, does not play: the text says why.
    void NoteFailed(const QString& path, const QString& text);
    // The text of a file that failed and has not changed since; empty otherwise.
    QString KnownFailure(const QString& path);
    // A file the player accepted turned out not to play.
    void PlayerFailed(AudioPlayer* player, const QString& text);

    AudioPlayer& prompts_;
    AudioPlayer& music_;
    Dialogs& dialogs_;
    Reports& reports_;
    OpenDialog& openDialog_;
    QString soundDir_;
    SoundOutput* output_;
    SettingsRecord& settings_;
    Controls c_;
    bool promptsHoldChime_ = false;          // MediaPlayer1 was last given the interval sound
    QHash<QString, QString> soundProblems_;  // a sound file reported, and the file as it was then
    // A sound file that does not play: the file as it was then (size and time), and why.
    struct Failure {
        QString state;
        QString text;
    };
    QHash<QString, Failure> failed_;
    bool closing_ = false;
    const AudioPlayer* lastTest_ = nullptr;  // the player whose last sound was a test button's
    // The number of the latest file check; its answers hold it weakly, so that an answer that
    // comes after the window has gone does nothing.
    std::shared_ptr<int> checks_ = std::make_shared<int>(0);
};
