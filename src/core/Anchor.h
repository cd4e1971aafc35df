// An anchor is the whole state of a count: this value at this instant, running or paused,
// counting down or up, out of this duration, in this phase. The digits any room shows at a
// given second follow from its anchor and the clock alone, so two rooms with one anchor show
// one digit, and a program restarted after a crash shows what it would have shown.
//
// The steps follow the timers' own rule: counting down from v, the display shows v at the
// anchor's instant, one less each second after, 0 at v seconds, and the time-up comes one step
// later; counting up it shows v, one more each second, the duration, and the time-up one step
// after that.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

enum class CountPhase { Idle, Prep, Main, TimeUp };

// Where a count comes from: the operator's own commands (and the schedule's automatic start),
// the day's plan, or the exam office's order.
enum class CountSource { Local, Plan, Office };

// "idle", "prep", "main", "timeup" and back; nothing for any other text.
QString PhaseName(CountPhase phase);
std::optional<CountPhase> PhaseFromName(const QString& name);

// The largest value a time display holds: 99∶59∶59.
constexpr int kMaxCountSeconds = 359999;

struct Anchor {
    CountPhase phase = CountPhase::Idle;
    bool countUp = false;
    int duration = 0;  // seconds: the full count
    int value = 0;     // seconds shown at `atMs`
    qint64 atMs = 0;   // the instant, ms since the epoch (UTC)
    bool paused = false;
    QString session;  // the plan's session it belongs to, if any

    bool operator==(const Anchor&) const = default;

    // Counts by itself: a prep or main phase that is not paused.
    bool running() const {
        return !paused && (phase == CountPhase::Prep || phase == CountPhase::Main);
    }
    // Whole steps from `atMs` to `nowMs` (0 before the anchor's instant).
    qint64 stepsAt(qint64 nowMs) const;
    // The value shown at nowMs: running, value ∓ the steps, held to 0 … duration; otherwise
    // the value as it stands.
    int valueAt(qint64 nowMs) const;
    // The steps from the anchor to the end of its count (the step after the last value).
    int stepsToEnd() const;
    // The instant the running count ends (the preparation hands over, the main count's
    // time-up); 0 when it does not run.
    qint64 endMs() const;
    // Running and past its end at nowMs.
    bool endedAt(qint64 nowMs) const { return running() && nowMs >= endMs(); }
    // The same count taken at nowMs: its value then, its instant moved to the step that value
    // belongs to (so the steps stay on the same grid). A paused or idle anchor is unchanged.
    Anchor at(qint64 nowMs) const;
};

// A value as the time displays show it: "01∶30∶00" (negative values as 0).
QString DisplayText(int seconds);

// Instants on the wire: ISO 8601 with milliseconds and the zone offset,
// "2026-12-10T09:00:00.000+08:00", in the offset of the local zone at that instant.
QString InstantText(qint64 msSinceEpoch);
// Parses such a text; an instant must carry its offset ("Z" or "±hh:mm"). Nothing otherwise.
std::optional<qint64> ParseInstant(const QString& text);
