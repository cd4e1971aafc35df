#include "site/RoomLink.h"

#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <cstdlib>

#include "core/Files.h"
#include "core/WorkThread.h"
#include "platform/TimeSource.h"

namespace {

const QString kEnabledKey = QStringLiteral("site/enabled");
const QString kHostKey = QStringLiteral("site/host");
const QString kPortKey = QStringLiteral("site/port");
const QString kSiteKey = QStringLiteral("site/site");
const QString kRoomKey = QStringLiteral("site/room");
const QString kPasswordKey = QStringLiteral("site/password");
const QString kTlsKey = QStringLiteral("site/tls");
const QString kCaKey = QStringLiteral("site/ca");

QString Bool(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

// The events held while the link is down, sent when it is back.
constexpr int kHeldEvents = 100;
constexpr int kRecentCommands = 64;
constexpr qint64 kDropWindowMs = 60'000;

QString CountEventWords(CountEvent e) {
    switch (e) {
        case CountEvent::Start:
            return QStringLiteral("计时");
        case CountEvent::Resume:
            return QStringLiteral("继续");
        case CountEvent::Pause:
            return QStringLiteral("暂停");
        case CountEvent::Reset:
            return QStringLiteral("复位");
        case CountEvent::Clear:
            return QStringLiteral("清零");
        default:
            return QStringLiteral("改动计时");
    }
}

QString Seconds(qint64 ms) {
    return QString::number(double(std::llabs(ms)) / 1000.0, 'f', 1);
}

}  // namespace

// ---- the state file ---------------------------------------------------------------------------

QByteArray EncodeSiteState(const SiteState& s) {
    QMap<QString, QString> values{{QStringLiteral("appliedRev"), QString::number(s.appliedRev)}};
    if (s.applied)
        values.insert(QStringLiteral("desired"), QString::fromUtf8(EncodeDesired(*s.applied)));
    return EncodeKeyValues(values);
}

SiteState DecodeSiteState(const QByteArray& bytes) {
    const QMap<QString, QString> values = ParseKeyValues(bytes);
    SiteState s;
    bool ok = false;
    const int rev = values.value(QStringLiteral("appliedRev")).toInt(&ok);
    if (!ok || rev < 0) return {};
    s.appliedRev = rev;
    const QString desired = values.value(QStringLiteral("desired"));
    if (!desired.isEmpty()) {
        s.applied = DecodeDesired(desired.toUtf8());
        if (s.applied && s.applied->rev != rev) s.applied.reset();
    }
    return s;
}

SiteState ReadSiteState(const QString& path) {
    if (path.isEmpty()) return {};
    const FileRead read = ReadRegularFile(path, kMaxPayloadBytes * 2);
    return read.ok() ? DecodeSiteState(read.bytes) : SiteState{};
}

// ---- the settings -----------------------------------------------------------------------------

RoomLinkConfig RoomLinkConfig::FromValues(const std::function<QString(const QString&)>& value) {
    RoomLinkConfig c;
    c.enabled = value(kEnabledKey) == QLatin1String("true");
    c.host = value(kHostKey).trimmed();
    c.tls = value(kTlsKey) == QLatin1String("true");
    const QString port = value(kPortKey).trimmed();
    bool ok = false;
    const int p = port.toInt(&ok);
    c.port = port.isEmpty() ? (c.tls ? 8883 : 1883) : (ok ? p : 0);
    c.site = value(kSiteKey).trimmed();
    c.room = value(kRoomKey).trimmed();
    c.password = value(kPasswordKey);
    c.ca = value(kCaKey).trimmed();
    return c;
}

QMap<QString, QString> RoomLinkConfig::values() const {
    return {{kEnabledKey, Bool(enabled)},
            {kHostKey, host},
            {kPortKey, QString::number(port)},
            {kSiteKey, site},
            {kRoomKey, room},
            {kPasswordKey, password},
            {kTlsKey, Bool(tls)},
            {kCaKey, ca}};
}

QString RoomLinkConfig::problem() const {
    if (host.isEmpty()) return QStringLiteral("请填写考务中心服务器的地址。");
    if (host.contains(u' ') || host.contains(u'/'))
        return QStringLiteral("服务器地址“%1”不对：只填主机名或IP地址。").arg(host);
    if (port < 1 || port > 65535) return QStringLiteral("端口必须是1到65535之间的整数。");
    if (!ValidSiteId(site))
        return QStringLiteral("考点编号“%1”不对：只能由字母、数字、-和_组成，不能为空。").arg(site);
    if (!ValidRoomId(room))
        return QStringLiteral("考场编号“%1”不对：只能由字母、数字、-和_组成，不能为空。").arg(room);
    if (password.isEmpty()) return QStringLiteral("请填写本考场的密码。");
    if (tls && !ca.isEmpty() && !QFileInfo(ca).isFile())
        return QStringLiteral("找不到CA证书文件“%1”。").arg(ca);
    return {};
}

LinkSettings RoomLinkConfig::linkSettings() const {
    LinkSettings s;
    s.host = host;
    s.port = port;
    s.clientId = room;
    s.user = room;
    s.password = password;
    s.tls = tls;
    s.caFile = ca;
    s.willTopic = RoomTopic(site, room, QStringLiteral("presence"));
    s.willPayload = EncodePresence(Presence::Offline);
    s.willRetain = true;
    return s;
}

// ---- the room ---------------------------------------------------------------------------------

RoomLink::RoomLink(SiteLink& link, TimeSource& time, ClockStatus* clock, Hooks hooks,
                   Identity identity, QObject* parent)
    : QObject(parent),
      link_(link),
      time_(time),
      clock_(clock),
      hooks_(std::move(hooks)),
      identity_(std::move(identity)) {}

RoomLink::~RoomLink() {
    close();
}

qint64 RoomLink::nowMs() const {
    return time_.now().toMSecsSinceEpoch();
}

QString RoomLink::topic(const QString& leaf) const {
    return RoomTopic(config_.site, config_.room, leaf);
}

void RoomLink::log(const QString& line) const {
    if (hooks_.log) hooks_.log(line);
}

void RoomLink::open(const RoomLinkConfig& config, const QString& statePath) {
    close();
    config_ = config;
    open_ = true;
    state_ = ReadSiteState(statePath);
    stateFile_ = statePath.isEmpty() ? nullptr : std::make_unique<BackgroundFile>(statePath);
    dropped_ = 0;
    dropWindow_ = time_.monotonicMs();
    dropLines_ = 0;
    dropSilenced_ = 0;
    clockBase_ = nowMs() - time_.monotonicMs();
    if (hooks_.count) lastSource_ = hooks_.count(nowMs()).source;

    connections_ << connect(&link_, &SiteLink::stateChanged, this, &RoomLink::linkState);
    connections_ << connect(&link_, &SiteLink::received, this, &RoomLink::received);
    if (clock_)
        connections_ << connect(clock_, &ClockStatus::changed, this, [this] {
            showStatus();
            publishReport();
        });
    link_.subscribe(SiteTopic(config_.site, QStringLiteral("plan")));
    for (const char* leaf : {"desired", "cmd", "tpong"})
        link_.subscribe(topic(QString::fromLatin1(leaf)));
    reportCall_ = time_.callAt(time_.monotonicMs() + kReportEveryMs, [this] { everyReport(); });
    probeCall_ = time_.callAt(time_.monotonicMs() + kProbeEveryMs, [this] {
        probeCall_ = 0;
        probe();
    });
    link_.open(config_.linkSettings());
    log(QStringLiteral("考点联网：考场%1连接考务中心%2:%3")
            .arg(config_.room, config_.host)
            .arg(config_.port));
    showStatus();
}

void RoomLink::close() {
    if (!open_) return;
    if (link_.state() == LinkState::Connected)
        link_.publish(topic(QStringLiteral("presence")), EncodePresence(Presence::Offline), true);
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    link_.unsubscribe(SiteTopic(config_.site, QStringLiteral("plan")));
    for (const char* leaf : {"desired", "cmd", "tpong"})
        link_.unsubscribe(topic(QString::fromLatin1(leaf)));
    link_.close();
    for (quint64* call : {&pendingCall_, &reportCall_, &probeCall_}) {
        if (*call) time_.cancel(*call);
        *call = 0;
    }
    pending_.reset();
    probeOut_.reset();
    offset_.reset();
    heldEvents_.clear();
    open_ = false;
    if (stateFile_) stateFile_->flush(2000);
    stateFile_.reset();
    if (hooks_.status) hooks_.status(QString(), false);
}

void RoomLink::linkState(LinkState state, const QString& why) {
    if (!open_) return;
    if (state == LinkState::Connected) {
        log(QStringLiteral("考点联网：已连接考务中心"));
        publishOnConnect();
    } else if (state == LinkState::Disconnected) {
        log(QStringLiteral("考点联网：与考务中心断开（%1）").arg(why));
    }
    showStatus();
}

void RoomLink::publishOnConnect() {
    link_.publish(topic(QStringLiteral("presence")), EncodePresence(Presence::Online), true);
    publishReport();
    const QList<RoomEvent> held = std::exchange(heldEvents_, {});
    for (const RoomEvent& e : held)
        link_.publish(topic(QStringLiteral("event")), EncodeEvent(e), false);
    probe();
}

// ---- what comes in ----------------------------------------------------------------------------

void RoomLink::received(const QString& topicName, const QByteArray& payload, bool retained) {
    if (!open_) return;
    if (payload.size() > kMaxPayloadBytes) {
        drop(QStringLiteral("%1：消息过大（%2字节）").arg(topicName).arg(payload.size()));
        return;
    }
    const auto parts = ParseTopic(config_.site, topicName);
    if (!parts) {
        drop(QStringLiteral("%1：不是本考点的主题").arg(topicName.left(200)));
        return;
    }
    if (!parts->room.isEmpty() && parts->room != config_.room) {
        drop(QStringLiteral("%1：不是本考场的消息").arg(topicName));
        return;
    }
    if (parts->room.isEmpty() && parts->leaf == QLatin1String("plan")) {
        takePlan(payload);
    } else if (parts->room.isEmpty() && parts->leaf == QLatin1String("office/presence")) {
        const auto office = payload.isEmpty() ? std::nullopt : DecodePresence(payload);
        if (!payload.isEmpty() && !office)
            drop(QStringLiteral("%1：不是online或offline").arg(topicName));
        // The office just came: the clock is measured against it now, not half a minute on.
        else if (office == Presence::Online && !offset_)
            probe();
    } else if (parts->leaf == QLatin1String("desired")) {
        takeDesired(payload, retained);
    } else if (parts->leaf == QLatin1String("cmd")) {
        takeCommand(payload);
    } else if (parts->leaf == QLatin1String("tpong")) {
        takePong(payload);
    } else {
        drop(QStringLiteral("%1：考场不接收这个主题").arg(topicName));
    }
}

// A bad message is logged, a few a minute at most: a flood of them neither fills the session
// log nor holds up the window.
void RoomLink::drop(const QString& why) {
    ++dropped_;
    const qint64 mono = time_.monotonicMs();
    if (mono - dropWindow_ >= kDropWindowMs) {
        if (dropSilenced_ > 0)
            log(QStringLiteral("考点联网：另有%1条有误的消息已丢弃").arg(dropSilenced_));
        dropWindow_ = mono;
        dropLines_ = 0;
        dropSilenced_ = 0;
    }
    if (dropLines_ < kDropLinesPerMinute) {
        ++dropLines_;
        log(QStringLiteral("考点联网：丢弃有误的消息 %1").arg(why));
    } else {
        ++dropSilenced_;
    }
}

void RoomLink::takePlan(const QByteArray& payload) {
    if (payload.isEmpty()) return;  // the office took its plan back: the room keeps its own
    const PlanRead read = DecodePlan(payload);
    if (!read.plan) {
        drop(QStringLiteral("考试安排：%1").arg(read.error));
        return;
    }
    const Plan own = hooks_.plan ? hooks_.plan() : Plan{};
    if (read.plan->rev <= own.rev) return;
    if (hooks_.takePlan) hooks_.takePlan(*read.plan);
    log(QStringLiteral("考点联网：采用考务中心的考试安排第%1版（%2场考试）")
            .arg(read.plan->rev)
            .arg(read.plan->sessions.size()));
    publishReport();
}

void RoomLink::takeDesired(const QByteArray& payload, bool retained) {
    if (payload.isEmpty()) return;  // the office cleared its order
    QString error;
    const auto d = DecodeDesired(payload, &error);
    if (!d) {
        drop(QStringLiteral("考务中心的计时指令：%1").arg(error));
        return;
    }
    if (d->rev <= state_.appliedRev) {
        // The retained order again (a reconnect, a restart): done already.
        if (retained) return;
        if (d->rev == state_.appliedRev)
            ack(DesiredAckId(d->rev), true, QStringLiteral("已执行"));
        else
            ack(DesiredAckId(d->rev), false,
                QStringLiteral("已执行更新的第%1版指令，不再执行第%2版")
                    .arg(state_.appliedRev)
                    .arg(d->rev));
        return;
    }
    if (pending_ && d->rev <= pending_->rev) return;
    if (pendingCall_) time_.cancel(pendingCall_);
    pendingCall_ = 0;
    pending_ = *d;
    applyDue();
}

// The order waits for its second on the room's own clock; heard after it, it is applied now
// as of that second.
void RoomLink::applyDue() {
    if (!pending_) return;
    const qint64 now = nowMs();
    const qint64 at = pending_->anchor.atMs;
    if (at > now) {
        // An order days ahead is looked at again every hour: the wait stays in a timer's range,
        // and follows the clock if it is set meanwhile.
        pendingCall_ =
            time_.callAt(time_.monotonicMs() + qMin<qint64>(at - now, kRecheckMs), [this] {
                pendingCall_ = 0;
                applyDue();
            });
        return;
    }
    const Desired d = *pending_;
    pending_.reset();
    apply(d);
}

void RoomLink::apply(const Desired& d) {
    const qint64 now = nowMs();
    const qint64 lateMs = now - d.anchor.atMs;
    const bool late = lateMs >= kLateMs;
    state_.appliedRev = d.rev;
    state_.applied = d;
    saveState();
    {
        const bool wasApplying = std::exchange(applying_, true);
        if (hooks_.follow) hooks_.follow(d.anchor, now, !late);
        applying_ = wasApplying;
    }
    if (hooks_.count) lastSource_ = hooks_.count(now).source;
    const QString why = d.why.isEmpty() ? QString() : QStringLiteral("（%1）").arg(d.why);
    if (late) {
        const QString detail = QStringLiteral("第%1版指令迟到%2秒，按%3执行")
                                   .arg(d.rev)
                                   .arg(Seconds(lateMs), InstantText(d.anchor.atMs));
        log(QStringLiteral("考点联网：考务中心%1").arg(detail) + why);
        ack(DesiredAckId(d.rev), true, detail);
        event(RoomEvent::Kind::LateApply, detail);
    } else {
        log(QStringLiteral("考点联网：执行考务中心第%1版计时指令").arg(d.rev) + why);
        ack(DesiredAckId(d.rev), true, QStringLiteral("已执行"));
    }
    publishReport();
}

void RoomLink::takeCommand(const QByteArray& payload) {
    QString error;
    const auto c = DecodeCommand(payload, &error);
    if (!c) {
        drop(QStringLiteral("考务中心的命令：%1").arg(error));
        return;
    }
    // The broker may bring one order twice: it is carried out once.
    if (recentCmds_.contains(c->id)) return;
    recentCmds_.append(c->id);
    while (recentCmds_.size() > kRecentCommands)
        recentCmds_.removeFirst();
    const QString id = c->id;
    switch (c->kind) {
        case Command::Kind::SoundTest: {
            log(QStringLiteral("考点联网：考务中心测试声音"));
            if (!hooks_.soundTest) {
                ack(id, false, QStringLiteral("本机不能放音"));
                break;
            }
            QPointer<RoomLink> self(this);
            hooks_.soundTest([self, id](bool ok, const QString& detail) {
                if (self && self->open_) self->ack(id, ok, detail);
            });
            break;
        }
        case Command::Kind::Identify:
            if (hooks_.identify) hooks_.identify(config_.room, kIdentifyMs);
            ack(id, bool(hooks_.identify),
                QStringLiteral("考场号显示%1秒").arg(kIdentifyMs / 1000));
            break;
        case Command::Kind::ShowText:
            log(c->text.isEmpty() ? QStringLiteral("考点联网：考务中心撤下显示的文字")
                                  : QStringLiteral("考点联网：考务中心显示文字“%1”").arg(c->text));
            if (hooks_.showText) hooks_.showText(c->text);
            ack(id, bool(hooks_.showText),
                c->text.isEmpty() ? QStringLiteral("文字已撤下") : QStringLiteral("文字已显示"));
            break;
    }
}

void RoomLink::takePong(const QByteArray& payload) {
    QString error;
    const auto p = DecodePong(payload, &error);
    if (!p) {
        drop(QStringLiteral("时钟探测的应答：%1").arg(error));
        return;
    }
    // An answer to an earlier probe, or to none: the answer to the last one is what counts.
    if (!probeOut_ || p->id != probeOut_->id || p->t0 != probeOut_->t0) return;
    probeOut_.reset();
    const ProbeResult r = ProbeOffset(*p, nowMs());
    if (r.rttMs < 0 || r.rttMs > kProbeMaxRttMs) return;
    const bool wasOff = offset_ && std::llabs(*offset_) > kOffsetLimitMs;
    offset_ = r.offsetMs;
    const bool off = std::llabs(*offset_) > kOffsetLimitMs;
    if (off != wasOff)
        log(off ? QStringLiteral("考点联网：本机时钟与考务中心相差%1秒").arg(Seconds(*offset_))
                : QStringLiteral("考点联网：本机时钟与考务中心一致"));
    showStatus();
    publishReport();
}

// ---- what goes out ----------------------------------------------------------------------------

void RoomLink::ack(const QString& id, bool ok, const QString& detail) {
    if (!open_ || link_.state() != LinkState::Connected) return;
    link_.publish(topic(QStringLiteral("ack")), EncodeAck({id, ok, detail}), false);
}

void RoomLink::event(RoomEvent::Kind kind, const QString& detail) {
    if (!open_) return;
    RoomEvent e;
    e.atMs = nowMs();
    e.room = config_.room;
    e.kind = kind;
    e.detail = detail;
    if (hooks_.count) e.anchor = hooks_.count(e.atMs).anchor;
    if (link_.state() == LinkState::Connected) {
        link_.publish(topic(QStringLiteral("event")), EncodeEvent(e), false);
    } else {
        heldEvents_.append(e);
        while (heldEvents_.size() > kHeldEvents)
            heldEvents_.removeFirst();
    }
}

Reported RoomLink::report() const {
    Reported r;
    r.atMs = nowMs();
    r.room = config_.room;
    r.appliedRev = state_.appliedRev;
    if (hooks_.count) {
        const Count c = hooks_.count(r.atMs);
        r.source = c.source;
        r.anchor = c.anchor;
        r.shown = c.shown;
        r.alert = c.alert;
        r.title = c.title;
    }
    r.clockSynced = clock_ && clock_->sync() == ClockSync::Synced;
    if (offset_) r.clockOffsetMs = int(std::clamp<qint64>(*offset_, -3600000, 3600000));
    if (hooks_.output) r.output = hooks_.output();
    if (hooks_.lastPrompt) r.lastPrompt = hooks_.lastPrompt();
    if (hooks_.screen) r.screen = hooks_.screen();
    r.version = identity_.version;
    r.host = identity_.host;
    return r;
}

void RoomLink::publishReport() {
    if (!open_ || applying_ || link_.state() != LinkState::Connected) return;
    link_.publish(topic(QStringLiteral("reported")), EncodeReported(report()), true);
}

void RoomLink::everyReport() {
    reportCall_ = time_.callAt(time_.monotonicMs() + kReportEveryMs, [this] { everyReport(); });
    checkClockStep();
    publishReport();
}

void RoomLink::probe() {
    if (probeCall_) time_.cancel(probeCall_);
    probeCall_ = time_.callAt(time_.monotonicMs() + kProbeEveryMs, [this] {
        probeCall_ = 0;
        probe();
    });
    if (!open_ || link_.state() != LinkState::Connected) return;
    probeOut_ = Probe{++probeId_, nowMs(), 0, 0};
    link_.publish(topic(QStringLiteral("tping")), EncodePing(*probeOut_), false);
}

// The wall clock moved against the monotonic one: it was set, or a time server stepped it.
// An order waiting for its second waits on the clock as it is now, and the offset is measured
// again.
void RoomLink::checkClockStep() {
    const qint64 base = nowMs() - time_.monotonicMs();
    const qint64 step = base - clockBase_;
    clockBase_ = base;
    if (std::llabs(step) <= kClockStepMs) return;
    const QString detail =
        QStringLiteral("本机时钟跳变%1%2秒")
            .arg(step > 0 ? QStringLiteral("+") : QStringLiteral("-"), Seconds(step));
    log(QStringLiteral("考点联网：%1").arg(detail));
    event(RoomEvent::Kind::ClockStepped, detail);
    if (pending_) {
        if (pendingCall_) time_.cancel(pendingCall_);
        pendingCall_ = 0;
        applyDue();
    }
    offset_.reset();
    probe();
    showStatus();
}

void RoomLink::countChanged(CountEvent e) {
    if (!open_) return;
    checkClockStep();
    if (applying_) return;
    const qint64 now = nowMs();
    const CountSource source = hooks_.count ? hooks_.count(now).source : CountSource::Local;
    if (e != CountEvent::Step && lastSource_ && *lastSource_ != CountSource::Local &&
        source == CountSource::Local) {
        const QString from = *lastSource_ == CountSource::Office ? QStringLiteral("考务中心的指令")
                                                                 : QStringLiteral("考试安排");
        const QString detail =
            QStringLiteral("监考员%1，计时不再按%2").arg(CountEventWords(e), from);
        log(QStringLiteral("考点联网：%1").arg(detail));
        event(RoomEvent::Kind::LocalOverride, detail);
    }
    lastSource_ = source;
    if (e == CountEvent::Warning) event(RoomEvent::Kind::Warning, QStringLiteral("进入警示时间"));
    if (e == CountEvent::TimeUp) event(RoomEvent::Kind::TimeUp, QStringLiteral("时间到"));
    if (e != CountEvent::Step) publishReport();
}

void RoomLink::healthChanged() {
    publishReport();
}

void RoomLink::promptFailed(const QString& file, const QString& why) {
    event(RoomEvent::Kind::PromptFailed, QStringLiteral("%1：%2").arg(file, why));
    publishReport();
}

void RoomLink::screenLost(const QString& name) {
    event(RoomEvent::Kind::ScreenLost, QStringLiteral("显示屏%1已断开").arg(name));
    publishReport();
}

void RoomLink::saveState() {
    if (stateFile_) stateFile_->write(EncodeSiteState(state_));
}

// ---- the operator's status line ---------------------------------------------------------------

QString RoomLink::statusText() const {
    if (!open_) return {};
    QString text;
    switch (link_.state()) {
        case LinkState::Off:
            break;
        case LinkState::Connecting:
            text = QStringLiteral("正在连接考务中心");
            break;
        case LinkState::Connected:
            text = QStringLiteral("已连接考务中心");
            break;
        case LinkState::Disconnected:
            text = QStringLiteral("与考务中心断开");
            if (!link_.why().isEmpty()) text += QStringLiteral("（%1）").arg(link_.why());
            break;
    }
    QString clock;
    if (clock_ && clock_->sync() == ClockSync::Unsynced)
        clock = QStringLiteral("时钟未同步");
    else if (offset_ && std::llabs(*offset_) > kOffsetLimitMs)
        clock = QStringLiteral("时钟偏差 %1 秒").arg(Seconds(*offset_));
    if (!clock.isEmpty()) text = text.isEmpty() ? clock : text + QStringLiteral("  ") + clock;
    return text;
}

bool RoomLink::statusProblem() const {
    if (!open_) return false;
    return link_.state() == LinkState::Disconnected ||
           (clock_ && clock_->sync() == ClockSync::Unsynced) ||
           (offset_ && std::llabs(*offset_) > kOffsetLimitMs);
}

void RoomLink::showStatus() {
    if (hooks_.status) hooks_.status(statusText(), statusProblem());
}
