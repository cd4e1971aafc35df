// The day's plan: the sessions of an exam day or a shift roster, each a title, a start to the
// second (once, every day or on weekdays), a duration, a preparation before it, a warning lead,
// an interval, the rooms it is for and their extra time. Kept beside the settings file as
// "kvtmr-plan.json", in the JSON the exam office sends to every room:
//
//   {"v":1, "rev":3, "by":"office1",
//    "sessions":[{"id":"d1-yuwen", "title":"语文", "start":"2026-12-10T09:00:00.000+08:00",
//                 "duration":9000, "prep":900, "warning":900, "interval":0,
//                 "rooms":["*"], "extra":{"A103":1800}, "repeat":"once"}]}
//
// Durations in seconds. "repeat" ("once", "daily", "weekdays") and "countUp" may be left out.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/Anchor.h"

inline const QString kPlanFileName = QStringLiteral("kvtmr-plan.json");
// A plan's JSON is at most this long (the site link's payload limit).
constexpr qsizetype kMaxPlanBytes = 64 * 1024;
constexpr int kMaxPlanSessions = 200;

struct PlanSession {
    enum class Repeat { Once, Daily, Weekdays };

    QString id;
    QString title;
    qint64 startMs = 0;  // the (first) start, ms since the epoch
    Repeat repeat = Repeat::Once;
    int duration = 0;  // seconds, 1 … 99∶59∶59
    int prep = 0;      // the preparation before the start; 0 for none
    int warning = 0;   // the warning lead; 0 for none
    int interval = 0;  // the interval of the interval sound; 0 for none
    bool countUp = false;
    QStringList rooms{QStringLiteral("*")};
    QMap<QString, int> extra;  // per room, seconds added to the duration

    bool operator==(const PlanSession&) const = default;
    bool forRoom(const QString& room) const;
    // The duration in a room, its extra time included.
    int durationIn(const QString& room) const;
    // The longest duration of any room (for the overlap check).
    int longestDuration() const;
};

struct Plan {
    int rev = 0;
    QString by;
    QList<PlanSession> sessions;
    bool operator==(const Plan&) const = default;
};

// One start of a session in a room.
struct Occurrence {
    PlanSession session;
    QString key;         // the session's id and the local date of the start: "d1-yuwen@2026-12-10"
    qint64 prepMs = 0;   // the preparation starts
    qint64 startMs = 0;  // the main count starts
    int duration = 0;    // with the room's extra time
    // The main count's end: the instant its last value (0 counting down) is shown.
    qint64 endMs() const { return startMs + qint64(duration) * 1000; }
    // The anchor of the count at its start (the preparation's at prepMs, the main count's at
    // startMs).
    Anchor prepAnchor() const;
    Anchor mainAnchor() const;
    // Where the session's count stands at nowMs: the preparation, the main count, or nothing
    // before the preparation; the main count after its end (a time-up follows from it).
    std::optional<Anchor> anchorAt(qint64 nowMs) const;
};

// The plan's starts in a room whose preparation or main count overlaps [fromMs, toMs), in
// order of their starts.
QList<Occurrence> OccurrencesIn(const Plan& plan, const QString& room, qint64 fromMs, qint64 toMs);
// The occurrence running at nowMs in the room (its preparation started, its end not passed),
// and the next one to start after nowMs (looking a week ahead).
std::optional<Occurrence> CurrentOccurrence(const Plan& plan, const QString& room, qint64 nowMs);
std::optional<Occurrence> NextOccurrence(const Plan& plan, const QString& room, qint64 nowMs);
// The next main count to start after nowMs (its preparation may have begun), looking a week
// ahead; an empty room: in any room (the operator's view of the whole plan).
std::optional<Occurrence> NextStart(const Plan& plan, const QString& room, qint64 nowMs);

// JSON and back. A plan that does not read gives its reason in Chinese ("第2个考试：时长必须在
// 1秒到99∶59∶59之间"); nothing of it is taken.
struct PlanRead {
    std::optional<Plan> plan;
    QString error;
};
PlanRead DecodePlan(const QByteArray& json);
QByteArray EncodePlan(const Plan& plan);

// Checks a session on its own (the editor checks each field as it is typed): an empty id, a
// duration of 0 or over 99∶59∶59, a lead or extra time out of range. Empty when it is fine.
QString SessionProblem(const PlanSession& session);
// Checks the plan as a whole: each session, ids used twice, two sessions for one room whose
// times overlap (the preparation included), more sessions or more bytes than a plan may have
// (a plan that DecodePlan would refuse is never written). Empty when it is fine.
QString PlanProblem(const Plan& plan);
// A session that starts before nowMs and does not repeat: "开始时间已过".
QString PastProblem(const PlanSession& session, qint64 nowMs);

// "语文  09:00–11:30": the title with the start and end times as the display shows them.
QString BoardTitle(const Occurrence& occurrence);
// A duration as "2小时30分" / "45分钟" / "90秒" for lists and messages.
QString DurationWords(int seconds);
