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

// Following `pactl subscribe` without trusting it, apart from the process and the timers (the
// caller gives the time): what is kept of its output is bounded (a partial line of at most
// kMaxLineBytes), a burst or a flood of events asks for one query of the output's state at
// most every kQueryGapMs, and output that is no event stream (a line longer than
// kMaxLineBytes) or that floods (more than kFloodEvents events or kFloodBytes bytes a second,
// kFloodSeconds seconds running) makes the watcher give up rather than spend a core on it.
class PactlWatch {
  public:
    static constexpr qsizetype kMaxLineBytes = 4096;
    static constexpr int kSettleMs = 150;
    static constexpr int kQueryGapMs = 250;
    static constexpr int kFloodEvents = 200;
    static constexpr qint64 kFloodBytes = 64 * 1024;
    static constexpr int kFloodSeconds = 3;

    struct Step {
        bool giveUp = false;
        int queryInMs = -1;  // a query is to run after this many milliseconds (-1: none)
    };
    // What the process wrote, read at `nowMs` (a monotonic clock).
    Step read(const QByteArray& bytes, qint64 nowMs);
    // The query asked for ran (started) at `nowMs`.
    void queried(qint64 nowMs);
    // The bytes kept of a line not yet complete.
    qsizetype pending() const { return partial_.size(); }
    bool gaveUp() const { return gaveUp_; }

  private:
    bool flooding(qint64 nowMs, qint64 bytes, int events);

    QByteArray partial_;
    bool queryDue_ = false;  // a query is asked for and has not run yet
    qint64 lastQueryMs_ = -1'000'000;
    qint64 secondStartMs_ = 0;  // the second being counted
    qint64 secondBytes_ = 0;
    int secondEvents_ = 0;
    int floodSeconds_ = 0;  // seconds running above the limits
    bool gaveUp_ = false;
};

// The most that is kept of what a query process (pactl get-sink-mute, get-sink-volume) writes:
// one that writes more is killed and its answer taken as unknown.
constexpr qint64 kMaxQueryOutputBytes = 64 * 1024;
