// What travels between the rooms and the exam office over the site's broker: the topics and
// the payloads, each encoded and checked here, without a network. A payload is UTF-8 JSON of at
// most 64 KiB with "v": 1 (presence is the bare word "online" or "offline"). A message that does
// not read (not JSON, another version, a field missing or of the wrong type or out of range, an
// id that is not ours) is refused with its reason and nothing of it is taken.
//
// Topics, under "kvtmr/v1/<site>/":
//   plan                   office → all     retained   the day's sessions (plan/Plan.h)
//   office/presence        office           retained   online / offline (last will)
//   room/<r>/presence      room             retained   online / offline (last will)
//   room/<r>/reported      room → all       retained   what the room shows, at every change
//                                                      and every 10 s
//   room/<r>/desired       office → room    retained   an anchor the office wants followed
//   room/<r>/cmd           office → room    expires    sound-test, identify, show-text
//   room/<r>/ack           room → office               the answer to a cmd or a desired rev
//   room/<r>/event         room → office               warning, time-up, prompt failed, ...
//   room/<r>/tping, tpong  room ↔ office               the clock probe
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "core/Anchor.h"

constexpr qsizetype kMaxPayloadBytes = 64 * 1024;
// Reports come at every change and at least this often; one older than kStaleReportMs while
// the room is online means its window has stopped.
constexpr int kReportEveryMs = 10'000;
constexpr int kStaleReportMs = 15'000;
// Orders expire on the broker after this long.
constexpr int kCmdExpirySeconds = 30;

// Site and room ids are topic levels, user names and client ids: letters, digits, - and _.
bool ValidSiteId(const QString& id);
bool ValidRoomId(const QString& id);

// ---- topics ---------------------------------------------------------------------------------

QString SiteTopic(const QString& site, const QString& rest);
QString RoomTopic(const QString& site, const QString& room, const QString& rest);

// A topic of the site taken apart: the room (empty for the office's topics) and what follows.
struct TopicParts {
    QString room;  // "A101" for room/A101/reported
    QString leaf;  // "reported", "plan", "office/presence", ...
};
std::optional<TopicParts> ParseTopic(const QString& site, const QString& topic);

// ---- payloads -------------------------------------------------------------------------------

enum class Presence { Online, Offline };
QByteArray EncodePresence(Presence p);
std::optional<Presence> DecodePresence(const QByteArray& payload);

// The anchor as JSON text and back (a member of desired and reported).
QByteArray EncodeAnchorJson(const Anchor& a);

// Where a room's count came from, as the report names it.
QString SourceName(CountSource s);
std::optional<CountSource> SourceFromName(const QString& name);

enum class OutputHealth { Ok, Missing, Muted };
QString OutputHealthName(OutputHealth o);

struct Reported {
    qint64 atMs = 0;
    QString room;
    CountSource source = CountSource::Local;
    int appliedRev = 0;
    Anchor anchor;
    QString shown;  // the digits the display shows: "01∶30∶00"
    int alert = 1;  // 1 normal, 2 warning, 0 time-up
    QString title;
    bool clockSynced = false;
    std::optional<int> clockOffsetMs;  // measured by the probe, when it has been
    OutputHealth output = OutputHealth::Ok;
    struct Prompt {
        QString file;
        bool ok = true;
        qint64 atMs = 0;
    };
    std::optional<Prompt> lastPrompt;
    struct Screen {
        QString name;
        int width = 0;
        int height = 0;
        bool full = false;
    } screen;
    QString version;
    QString host;
    bool operator==(const Reported& o) const;
};
QByteArray EncodeReported(const Reported& r);
std::optional<Reported> DecodeReported(const QByteArray& payload, QString* error = nullptr);

struct Desired {
    int rev = 0;
    QString by;
    QString why;
    Anchor anchor;
    bool operator==(const Desired&) const = default;
};
QByteArray EncodeDesired(const Desired& d);
std::optional<Desired> DecodeDesired(const QByteArray& payload, QString* error = nullptr);

struct Command {
    enum class Kind { SoundTest, Identify, ShowText };
    QString id;
    Kind kind = Kind::Identify;
    QString text;  // show-text: the text for the display (empty: the text goes away)
    QString by;
    bool operator==(const Command&) const = default;
};
QString CommandName(Command::Kind k);
QByteArray EncodeCommand(const Command& c);
std::optional<Command> DecodeCommand(const QByteArray& payload, QString* error = nullptr);

struct Ack {
    QString id;  // the command's id, or "desired:<rev>"
    bool ok = true;
    QString detail;
    bool operator==(const Ack&) const = default;
};
QString DesiredAckId(int rev);
QByteArray EncodeAck(const Ack& a);
std::optional<Ack> DecodeAck(const QByteArray& payload, QString* error = nullptr);

struct RoomEvent {
    enum class Kind {
        Warning,
        TimeUp,
        PromptFailed,
        LocalOverride,
        ScreenLost,
        ClockStepped,
        LateApply
    };
    qint64 atMs = 0;
    QString room;
    Kind kind = Kind::Warning;
    QString detail;
    std::optional<Anchor> anchor;
    bool operator==(const RoomEvent&) const = default;
};
QString EventName(RoomEvent::Kind k);
QByteArray EncodeEvent(const RoomEvent& e);
std::optional<RoomEvent> DecodeEvent(const QByteArray& payload, QString* error = nullptr);

// The clock probe: the room sends t0 (its clock), the office answers with t1 (its clock when the
// ping came) and t2 (when it answered); the room notes t3 when the answer comes.
// offset = ((t1 − t0) + (t2 − t3)) / 2, the office's clock minus the room's; error ≤ RTT / 2.
struct Probe {
    int id = 0;
    qint64 t0 = 0;
    qint64 t1 = 0;
    qint64 t2 = 0;
    bool operator==(const Probe&) const = default;
};
QByteArray EncodePing(const Probe& p);
QByteArray EncodePong(const Probe& p);
std::optional<Probe> DecodePing(const QByteArray& payload, QString* error = nullptr);
std::optional<Probe> DecodePong(const QByteArray& payload, QString* error = nullptr);
struct ProbeResult {
    qint64 offsetMs;  // the office's clock minus the room's
    qint64 rttMs;
};
ProbeResult ProbeOffset(const Probe& answer, qint64 t3);
