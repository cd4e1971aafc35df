// Where a running count stands, kept in a small file beside the settings file so that a
// count survives a crash or a power cut: which timer counts, its direction and full count,
// its value at the last start, resume or pause and the wall-clock moment of it, paused or
// running, and the alert state. From that and the time now follows the value the count would
// show had it never stopped.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "core/Anchor.h"

inline const QString kCountStateFileName = QStringLiteral("kvtmr-state.ini");

struct CountState {
    enum class Timer { Main, Prep };
    Timer timer = Timer::Main;
    bool countUp = false;
    int duration = 0;  // the full count: the bar's maximum
    int value = 0;     // the value at `since`
    qint64 since = 0;  // ms since the epoch (UTC) of the last start, resume or pause
    bool paused = false;
    int alertState = 1;  // 1 normal, 2 warning, 0 time-up
    // A preparation count: the main display's value and full count at the hand-over.
    int mainValue = 0;
    int mainDuration = 0;
    // Where the count came from (the operator, the plan, the office) and the plan's session.
    CountSource source = CountSource::Local;
    QString session;

    bool operator==(const CountState&) const = default;
};

// The file's bytes, "key=value" lines ending in a check line; and back. Nothing for a file
// that is damaged, cut short, of another version or out of range.
QByteArray EncodeCountState(const CountState& state);
std::optional<CountState> DecodeCountState(const QByteArray& bytes);

// The count at a later moment, as if it had gone on by itself.
struct ResumePoint {
    CountState::Timer timer = CountState::Timer::Main;  // Main once the preparation ran out
    bool countUp = false;
    int duration = 0;
    int value = 0;      // the value to show now
    int fromValue = 0;  // the timer's value at its last known moment (warnings between)
    int phaseMs = 0;    // ms since its last step: the next step comes 1000 - phaseMs later
    bool paused = false;
    bool handedOver = false;  // the preparation ran out in between: the main timer took over
    bool timeUp = false;      // the main count ran out in between: time-up runs once, now
    int alertState = 1;
    qint64 lastStepAt = 0;  // ms since the epoch of the step the value belongs to
};

// How long a paused count is kept: the rest of a working day.
constexpr qint64 kPausedKeptMs = 12 * 3600 * 1000;

// Where the count stands at nowMs; nothing when its time-up lies more than its own full count
// in the past, or when it was paused more than kPausedKeptMs ago. A clock that went back
// finds the count where it was.
std::optional<ResumePoint> ResumeAt(const CountState& state, qint64 nowMs);

// The steps from a value to the time-up: the step after the display shows its last value.
int StepsToEnd(bool countUp, int duration, int value);
