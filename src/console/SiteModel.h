// The exam office's view of its site, without a window: every room as the broker's retained
// reports and presence tell it, the plan in force, and the orders the office sends. It is fed
// by the site link's messages and reads the time only through a time source, so a test drives
// it with a fake link and a fake clock.
//
// Nothing here is sent per second: a room's remaining time is computed from the anchor it
// reported, at the console's own clock (both follow the site's time server). A room is stale
// when its last report is older than kStaleReportMs while its presence says online (its window
// has stopped though its link still runs); offline when its presence says so (its last will).
//
// Orders take effect at a whole second in the future: the office picks the second (see
// EffectiveAt), the model computes each room's new anchor from that room's own anchor at that
// second and publishes it, retained, as the room's `desired` with a rev above any it knows.
#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "plan/Plan.h"
#include "platform/SiteLink.h"
#include "platform/TimeSource.h"
#include "site/Protocol.h"

// How far ahead of now an order takes effect, at least: time for the operator to read the
// second it names and for the message to reach every room.
constexpr qint64 kSteerLeadMs = 5000;
// A report whose instant lies further ahead of the console's clock than this is not believed
// (a room's clock gone wrong, or a forged message); the clocks of a site differ by far less.
constexpr qint64 kFutureSlackMs = 60'000;
// The most rooms a site may have in the console; messages of further room ids are dropped
// (a flood of invented ids must not eat the console's memory).
constexpr int kMaxRooms = 1000;
// Clock offsets: amber above this, red (the room is off time) above the second.
constexpr int kClockAmberMs = 300;
constexpr int kClockRedMs = 500;

// The orders the office gives a count.
enum class Steer { Start, Pause, Resume, AddMinutes, End, Reset };
QString SteerName(Steer s);  // "开始", "暂停", ...

// The second an order given at nowMs takes effect: the first whole second at least
// kSteerLeadMs ahead.
qint64 EffectiveAt(qint64 nowMs);

// The anchor a count follows after the order, given the anchor it follows now, the second the
// order takes effect and, for AddMinutes, the minutes to add (negative: to take away).
// Nothing, with the reason in Chinese, when the order does not apply to the count ("未在计时").
std::optional<Anchor> SteeredAnchor(const Anchor& from, Steer order, qint64 atMs, int minutes,
                                    QString* refusal = nullptr);

// What the console shows of one room.
struct RoomStatus {
    enum class Presence { Unknown, Online, Offline };
    QString id;
    Presence presence = Presence::Unknown;
    qint64 presenceSinceMs = 0;  // when the console saw it change; 0: before the console came
    std::optional<Reported> report;
    std::optional<Desired> desired;  // the office's retained order for the room
    bool stale = false;
    QString lastEvent;  // the room's last event, in Chinese
    qint64 lastEventMs = 0;
    QString lastAck;  // the room's answer to the last order or command, in Chinese
    bool lastAckOk = true;
};

// A room's problems, as flags.
enum RoomProblem : unsigned {
    ProblemNone = 0,
    ProblemOffline = 1u << 0,
    ProblemStale = 1u << 1,
    ProblemSilent = 1u << 2,    // its sound output is missing or muted, or a prompt failed
    ProblemOffTime = 1u << 3,   // its digits differ from its anchor, or its clock is off by
                                // more than kClockRedMs
    ProblemClock = 1u << 4,     // its clock is off by more than kClockAmberMs or not synced
    ProblemOverride = 1u << 5,  // it counts by a local command against the office or the plan
    ProblemScreen = 1u << 6,    // its display is not full screen
    ProblemAck = 1u << 7,       // it refused the last order
};
// The problems that sound the alarm when a room comes into them.
constexpr unsigned kAlarmProblems = ProblemOffline | ProblemStale | ProblemSilent | ProblemOffTime;

// One line of the console's record: an office action or a room's event.
struct RecordEntry {
    qint64 atMs = 0;
    QString who;  // the office user; a room's id for its own events
    QString what;
    QStringList rooms;
    QString detail;
    bool operator==(const RecordEntry&) const = default;
};

class SiteModel : public QObject {
    Q_OBJECT
  public:
    SiteModel(SiteLink& link, TimeSource& time, QObject* parent = nullptr);
    ~SiteModel() override;

    // Watches the site as this user (an observer may only watch): subscribes to the site's
    // topics and, for an office user, says online on office/presence at every connection.
    void watch(const QString& site, const QString& user, bool observer);
    // The link settings' last will for an office user: office/presence "offline", retained.
    static void SetOfficeWill(LinkSettings& settings, const QString& site);
    // Says offline on office/presence (an office user), before the link is closed cleanly.
    void sayGoodbye();

    QString site() const { return site_; }
    QString user() const { return user_; }
    bool canSteer() const { return !observer_ && !user_.isEmpty(); }
    LinkState linkState() const { return link_.state(); }
    QString linkWhy() const { return link_.why(); }
    qint64 nowMs() const;

    // The rooms in order of their ids.
    QStringList roomIds() const { return rooms_.keys(); }
    const RoomStatus* room(const QString& id) const;
    int onlineCount() const;
    unsigned problems(const QString& id) const;
    // The rooms with an alarm problem now.
    int alarmCount() const;
    // The value a room shows now, computed from its reported anchor; nothing without a report.
    std::optional<int> remainingNow(const QString& id) const;
    // Its digits reported differ from what its anchor gives at the report's instant.
    bool mismatch(const QString& id) const;
    // The anchor an order to the room starts from: the office's order not yet applied, or
    // else the anchor the room reported.
    std::optional<Anchor> baseAnchor(const QString& id) const;
    std::optional<Plan> plan() const { return plan_; }

    // The orders: each room's new anchor from its own, published retained as its desired.
    struct Sent {
        QStringList rooms;               // sent to
        QMap<QString, QString> refused;  // room → why not
    };
    Sent steer(const QStringList& rooms, Steer order, qint64 atMs, int minutes = 0,
               const QString& why = QString());
    // The office takes the room's own count (a local override) as its order.
    Sent adopt(const QStringList& rooms);
    // The office sends its order again, with a new rev, over the room's local override.
    Sent reassert(const QStringList& rooms);
    // One-shot orders (sound test, identify, show a text), expiring on the broker after
    // kCmdExpirySeconds; the rooms' acks come back to lastAck.
    Sent command(const QStringList& rooms, Command::Kind kind, const QString& text = QString());
    // Publishes the plan, retained, with a rev above the one in force; false (with why) when
    // the plan does not read or the user may not steer.
    bool pushPlan(const Plan& plan, QString* why = nullptr);

    // The rev the next order to the room carries.
    int nextRev(const QString& id) const;

    // Checks every room for staleness (also run by itself every second).
    void check();

  Q_SIGNALS:
    void roomChanged(const QString& id);  // a room's report, presence or problems changed
    void roomAdded(const QString& id);
    void linkChanged();
    void planChanged();
    // A room came into one of the alarm problems.
    void alarm(const QString& id, const QString& text);
    void recorded(const RecordEntry& entry);

  private:
    void received(const QString& topic, const QByteArray& payload, bool retained);
    void stateChanged(LinkState state);
    RoomStatus* roomFor(const QString& id);
    void refresh(const QString& id);
    void drop(const QString& topic, const QString& why);
    void record(const QString& who, const QString& what, const QStringList& rooms,
                const QString& detail = QString());
    void publishDesired(const QString& id, const Anchor& anchor, const QString& why);
    // Sends each room the anchor `pick` finds in what is known of it (r: nullptr for a room not
    // heard of; pick gives nullptr, with the reason in `refusal`, when there is none), as the
    // office's `why`, and records it as `action`.
    Sent resend(const QStringList& rooms, const QString& action, const QString& why,
                const std::function<const Anchor*(const RoomStatus* r, QString& refusal)>& pick);
    void scheduleCheck();

    void onPresence(RoomStatus& r, const QByteArray& payload, bool retained, const QString& t);
    void onReported(RoomStatus& r, const QByteArray& payload, const QString& t);
    void onDesired(RoomStatus& r, const QByteArray& payload, const QString& t);
    void onAck(RoomStatus& r, const QByteArray& payload, const QString& t);
    void onEvent(RoomStatus& r, const QByteArray& payload, const QString& t);
    void onPing(RoomStatus& r, const QByteArray& payload, const QString& t);
    void onPlan(const QByteArray& payload, const QString& t);

    SiteLink& link_;
    TimeSource& time_;
    QString site_;
    QString user_;
    bool observer_ = true;
    QMap<QString, RoomStatus> rooms_;
    QMap<QString, unsigned> problems_;    // as last checked, for the alarms' transitions
    QMap<QString, int> sentRev_;          // the last rev sent to each room
    QMap<QString, QString> commandWhat_;  // a command id → what it asked, for its ack
    std::optional<Plan> plan_;
    int commandCounter_ = 0;
    quint64 checkCall_ = 0;
    bool watching_ = false;
    bool quiet_ = false;  // handling a retained message
};

// Chinese words for what the console shows.
QString PhaseWords(const Anchor& a);       // "考试中", "已暂停", "预备", ...
QString EventWords(RoomEvent::Kind kind);  // "预警", "时间到", ...
QString ProblemWords(unsigned problems);   // "离线、无声"
