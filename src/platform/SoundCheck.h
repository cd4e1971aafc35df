// The parts of the real sound output service that need no sound server, apart so that unit
// tests can drive them: one batch of the file check, and reading what pactl prints.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "platform/SoundFile.h"
#include "platform/SoundOutput.h"

// One checkFiles call: each file is first probed (off the GUI thread), and the files the probe
// leaves to the platform's decoder are then loaded by it; a file is decided when one of the two
// says whether it plays.
class FileCheck {
  public:
    explicit FileCheck(QStringList paths);
    const QStringList& paths() const { return paths_; }

    // The probes of the files, in the order of paths(). Returns the indices of the files the
    // decoder must still load.
    QList<int> probed(const QList<SoundProbe>& probes);
    // The decoder's answer for file `index`: an empty error when it loaded the file.
    void decoded(int index, const QString& error);
    bool complete() const;
    // The files that cannot be played; with `timedOut`, the undecided ones too.
    QList<SoundProblem> problems(bool timedOut) const;

    static QString undecidedReason();

  private:
    QStringList paths_;
    std::vector<std::optional<QString>> verdicts_;  // decided: empty = it plays
};

// pactl get-sink-mute: "Mute: yes" -> true; nullopt when the text says neither.
std::optional<bool> ParsePactlMute(const QString& text);
// pactl get-sink-volume: "Volume: front-left: 0 /   0% / -inf dB,   front-right: ..." -> true
// when every channel is at 0 %; nullopt when no channel is found.
std::optional<bool> ParsePactlVolumeZero(const QString& text);
// pactl subscribe: true for the events that may change the default output's state (a sink or
// the server changed: another default, a device, the mute or volume), false for the rest (the
// streams of this and other programs coming and going).
bool PactlEventConcernsOutput(const QString& line);
