// The sound prompts: the two players (MediaPlayer1 for the prompt sounds, MediaPlayer2 for
// the background music), the one way every sound starts, the background music and its loop,
// the interval chime that never cuts off another prompt, and the browse and test buttons of
// the sound group.
#pragma once

#include <QFlags>
#include <QHash>
#include <QString>

#include "settings/SettingsRecord.h"

class AudioPlayer;
class Dialogs;
class OpenDialog;
class QCheckBox;
class Reports;
class TEdit;

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
    };
    struct Services {
        AudioPlayer& prompts;  // MediaPlayer1
        AudioPlayer& music;    // MediaPlayer2
        Dialogs& dialogs;
        Reports& reports;
        OpenDialog& openDialog;
        QString soundDir;  // where bare default names are found after the working directory
    };
    SoundPrompts(const Services& services, SettingsRecord& settings, const Controls& controls);

    AudioPlayer* promptPlayer() const { return &prompts_; }
    AudioPlayer* musicPlayer() const { return &music_; }
    bool promptPlaying() const;

    // Plays a sound for a prompt. A file that the player cannot play is reported (once per
    // file until the file changes) and whatever asked for the sound goes on.
    void PlayPromptSound(AudioPlayer* player, const QString& path, SoundFlags flags = {});
    // The same sequence, with the player's error thrown to the caller.
    void StartSound(AudioPlayer* player, const QString& path, SoundFlags flags = {});
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

  private:
    void ReportSoundProblem(const QString& path, const QString& text);

    AudioPlayer& prompts_;
    AudioPlayer& music_;
    Dialogs& dialogs_;
    Reports& reports_;
    OpenDialog& openDialog_;
    QString soundDir_;
    SettingsRecord& settings_;
    Controls c_;
    bool promptsHoldChime_ = false;          // MediaPlayer1 was last given the interval sound
    QHash<QString, QString> soundProblems_;  // a sound file reported, and the file as it was then
};
