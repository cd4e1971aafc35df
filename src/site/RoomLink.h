// A room on the exam-site network: seen by the exam office, kept in step with it and steerable
// from it, while the room's own clock and plan stay in charge of every second.
//
// The room says it is online (retained, with a retained "offline" as its last will), publishes
// a retained report of what it shows at every change of its count and every 10 s, and tells
// the office of its warnings, time-ups, failed prompts, local overrides, lost screens, clock
// steps and late orders. It takes the office's retained plan (a newer rev replaces its own
// plan, which then runs with no network), follows the office's desired anchors at their second
// on its own clock (an order heard late is applied as of its second), answers one-shot orders
// (a sound test, showing the room id, a text on the display) and measures its clock against
// the office's with a probe.
//
// The room's timers, plan and display are reached only through the Hooks the window sets; this
// class holds no widget. Everything received is checked before anything of it is taken: a
// message that does not read, is too big, or is not for this room is dropped and logged, with
// the log held to a few lines a minute however many such messages come.
#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "core/Anchor.h"
#include "core/CountEvent.h"
#include "plan/Plan.h"
#include "platform/ClockStatus.h"
#include "platform/SiteLink.h"
#include "site/Protocol.h"

class BackgroundFile;
class TimeSource;

// The link's own state beside the settings: the last desired anchor applied, so that a restart
// does not apply it again and a crash during the office's count is taken up without a question.
inline const QString kSiteStateFileName = QStringLiteral("kvtmr-site-state.ini");

struct SiteState {
    int appliedRev = 0;
    std::optional<Desired> applied;  // the desired anchor that rev carried
    bool operator==(const SiteState&) const = default;
};
QByteArray EncodeSiteState(const SiteState& s);
// Nothing of a file that does not read (its rev stays 0: an old order is then applied again,
// which is safe; the anchor taken from it would not be).
SiteState DecodeSiteState(const QByteArray& bytes);
SiteState ReadSiteState(const QString& path);

// The link's settings as kept in the [site] group of the options file.
struct RoomLinkConfig {
    bool enabled = false;
    QString host;
    int port = 1883;
    QString site;
    QString room;
    QString password;
    bool tls = false;
    QString ca;
    bool operator==(const RoomLinkConfig&) const = default;

    // The keys of the options file ("site/host" ...) and back.
    static RoomLinkConfig FromValues(const std::function<QString(const QString&)>& value);
    QMap<QString, QString> values() const;
    // What is wrong with the settings, in Chinese for the operator; empty when they will do.
    QString problem() const;
    // The link's connection settings: the room logs in as itself, its will says offline.
    LinkSettings linkSettings() const;
};

class RoomLink : public QObject {
    Q_OBJECT
  public:
    // What the room shows now.
    struct Count {
        Anchor anchor;
        CountSource source = CountSource::Local;
        QString shown;  // the digits on the display
        int alert = 1;  // 1 normal, 2 warning, 0 time-up
        QString title;
    };
    struct Hooks {
        std::function<Count(qint64 nowMs)> count;
        // Takes the count from the office's anchor at nowMs (prompts: as if started then).
        std::function<void(const Anchor& anchor, qint64 nowMs, bool prompts)> follow;
        // The room's plan now, and a newer one from the office in its place (saved by the
        // plan, so the room runs the day without the network).
        std::function<Plan()> plan;
        std::function<void(const Plan& plan)> takePlan;
        // The time-up sound played; done(ok, detail) once it is known whether it played.
        std::function<void(std::function<void(bool ok, QString detail)> done)> soundTest;
        // The room's id large on the display for ms; the text on the display (empty: gone).
        std::function<void(const QString& text, int ms)> identify;
        std::function<void(const QString& text)> showText;
        std::function<OutputHealth()> output;
        std::function<std::optional<Reported::Prompt>()> lastPrompt;
        std::function<Reported::Screen()> screen;
        // A line of the session log.
        std::function<void(const QString& line)> log;
        // The link's state and the clock's trouble for the operator's status line (the
        // operator's window only); problem: shown in red.
        std::function<void(const QString& text, bool problem)> status;
    };
    struct Identity {
        QString version;
        QString host;
    };

    RoomLink(SiteLink& link, TimeSource& time, ClockStatus* clock, Hooks hooks, Identity identity,
             QObject* parent = nullptr);
    ~RoomLink() override;

    // Opens the link with the settings (closing an open one first); the state file beside the
    // settings keeps the rev applied (empty path: kept for this run only).
    void open(const RoomLinkConfig& config, const QString& statePath);
    // Says goodbye (presence offline, retained) and closes the link cleanly.
    void close();
    bool isOpen() const { return open_; }
    QString room() const { return config_.room; }

    // What the timers tell (their changed() signals lead here).
    void countChanged(CountEvent event);
    // Something the report carries changed (the sound output, the screen).
    void healthChanged();
    void promptFailed(const QString& file, const QString& why);
    void screenLost(const QString& name);

    int appliedRev() const { return state_.appliedRev; }
    // The office's clock minus the room's, once a probe has come back.
    std::optional<qint64> offsetMs() const { return offset_; }
    // The messages dropped since the link opened.
    qint64 droppedCount() const { return dropped_; }
    // The report as it would be published now.
    Reported report() const;
    // The status line's text now.
    QString statusText() const;
    bool statusProblem() const;

    static constexpr int kIdentifyMs = 10'000;
    static constexpr int kProbeEveryMs = 30'000;
    // An answer slower than this says nothing useful of the offset.
    static constexpr int kProbeMaxRttMs = 5'000;
    static constexpr int kOffsetLimitMs = 500;
    // An order applied more than this after its second is a late one.
    static constexpr int kLateMs = 1'000;
    // The longest single wait for an order's second; it is looked at again after it.
    static constexpr qint64 kRecheckMs = 3600'000;
    // A clock that moved by more than this against the monotonic clock was stepped.
    static constexpr int kClockStepMs = 2'000;
    // Dropped messages logged one by one in a minute; the rest are counted and summed up.
    static constexpr int kDropLinesPerMinute = 5;

  private:
    qint64 nowMs() const;
    QString topic(const QString& leaf) const;
    void linkState(LinkState state, const QString& why);
    void received(const QString& topic, const QByteArray& payload, bool retained);
    void drop(const QString& why);
    void takePlan(const QByteArray& payload);
    void takeDesired(const QByteArray& payload, bool retained);
    void applyDue();
    void apply(const Desired& d);
    void takeCommand(const QByteArray& payload);
    void takePong(const QByteArray& payload);
    void ack(const QString& id, bool ok, const QString& detail);
    void event(RoomEvent::Kind kind, const QString& detail);
    void publishReport();
    void publishOnConnect();
    void probe();
    void everyReport();
    void checkClockStep();
    void showStatus();
    void saveState();
    void log(const QString& line) const;

    SiteLink& link_;
    TimeSource& time_;
    ClockStatus* clock_;
    Hooks hooks_;
    Identity identity_;
    RoomLinkConfig config_;
    bool open_ = false;
    SiteState state_;
    std::unique_ptr<BackgroundFile> stateFile_;
    std::optional<Desired> pending_;  // heard, waiting for its second
    quint64 pendingCall_ = 0;
    quint64 reportCall_ = 0;
    quint64 probeCall_ = 0;
    std::optional<Probe> probeOut_;
    int probeId_ = 0;
    std::optional<qint64> offset_;
    std::optional<CountSource> lastSource_;
    qint64 clockBase_ = 0;         // wall minus monotonic when last looked at
    bool applying_ = false;        // the office's anchor is being followed: one report after it
    QList<RoomEvent> heldEvents_;  // told while the link was down
    QStringList recentCmds_;
    qint64 dropped_ = 0;
    qint64 dropWindow_ = 0;
    int dropLines_ = 0;
    qint64 dropSilenced_ = 0;
    QList<QMetaObject::Connection> connections_;
};
