#include "console/SiteModel.h"

#include <QDateTime>
#include <QScopeGuard>
#include <algorithm>
#include <cstdlib>

namespace {

QString ClockText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

// Online, and its last report (or, without one, its coming online) older than kStaleReportMs.
bool StaleAt(const RoomStatus& r, qint64 nowMs) {
    if (r.presence != RoomStatus::Presence::Online) return false;
    if (r.report) return nowMs - r.report->atMs > kStaleReportMs;
    return r.presenceSinceMs > 0 && nowMs - r.presenceSinceMs > kStaleReportMs;
}

bool Counting(const Anchor& a) {
    return a.phase == CountPhase::Prep || a.phase == CountPhase::Main;
}

}  // namespace

QString SteerName(Steer s) {
    switch (s) {
        case Steer::Start:
            return QStringLiteral("开始");
        case Steer::Pause:
            return QStringLiteral("暂停");
        case Steer::Resume:
            return QStringLiteral("继续");
        case Steer::AddMinutes:
            return QStringLiteral("加减时间");
        case Steer::End:
            return QStringLiteral("结束");
        case Steer::Reset:
            return QStringLiteral("复位");
    }
    return {};
}

qint64 EffectiveAt(qint64 nowMs) {
    const qint64 earliest = nowMs + kSteerLeadMs;
    return (earliest + 999) / 1000 * 1000;
}

std::optional<Anchor> SteeredAnchor(const Anchor& from, Steer order, qint64 atMs, int minutes,
                                    QString* refusal) {
    auto refuse = [refusal](const QString& why) -> std::optional<Anchor> {
        if (refusal) *refusal = why;
        return std::nullopt;
    };
    // The value the count shows at the order's second, and whether it has run out by then.
    const int valueThen = from.valueAt(atMs);
    const bool endedThen = from.endedAt(atMs);
    Anchor a = from;
    a.atMs = atMs;
    switch (order) {
        case Steer::Start:
            if (Counting(from) && from.phase == CountPhase::Main && !endedThen)
                return refuse(from.paused ? QStringLiteral("计时已暂停，请用“继续”")
                                          : QStringLiteral("已在计时"));
            if (from.phase == CountPhase::Prep && !endedThen)
                return refuse(QStringLiteral("预备中，考试将按安排开始"));
            if (from.duration <= 0) return refuse(QStringLiteral("没有计时时长"));
            a.phase = CountPhase::Main;
            a.paused = false;
            a.value = from.countUp ? 0 : from.duration;
            return a;
        case Steer::Pause:
            if (!Counting(from) || endedThen) return refuse(QStringLiteral("未在计时"));
            if (from.paused) return refuse(QStringLiteral("已经暂停"));
            a.value = valueThen;
            a.paused = true;
            return a;
        case Steer::Resume:
            if (!Counting(from)) return refuse(QStringLiteral("未在计时"));
            if (!from.paused) return refuse(QStringLiteral("没有暂停"));
            a.paused = false;
            return a;
        case Steer::AddMinutes: {
            if (!Counting(from) || endedThen) return refuse(QStringLiteral("未在计时"));
            if (minutes == 0) return refuse(QStringLiteral("没有要加减的时间"));
            const qint64 delta = qint64(minutes) * 60;
            const qint64 duration = qint64(from.duration) + delta;
            if (from.countUp) {
                // Counting up, the end moves: the value shown stays, the duration changes.
                if (duration <= valueThen) return refuse(QStringLiteral("剩余时间不足"));
                if (duration > kMaxCountSeconds) return refuse(QStringLiteral("超过最长计时"));
                a.value = valueThen;
            } else {
                const qint64 value = qint64(valueThen) + delta;
                if (value <= 0) return refuse(QStringLiteral("剩余时间不足"));
                if (value > kMaxCountSeconds) return refuse(QStringLiteral("超过最长计时"));
                a.value = int(value);
            }
            a.duration = int(std::clamp<qint64>(duration, a.value, kMaxCountSeconds));
            return a;
        }
        case Steer::End:
            if (from.phase == CountPhase::Idle || from.phase == CountPhase::TimeUp)
                return refuse(QStringLiteral("未在计时"));
            a.phase = CountPhase::TimeUp;
            a.paused = false;
            a.value = from.countUp ? from.duration : 0;
            return a;
        case Steer::Reset:
            a.phase = CountPhase::Idle;
            a.paused = false;
            a.value = from.countUp ? 0 : from.duration;
            return a;
    }
    return refuse(QStringLiteral("未知的指令"));
}

QString PhaseWords(const Anchor& a) {
    switch (a.phase) {
        case CountPhase::Idle:
            return QStringLiteral("空闲");
        case CountPhase::Prep:
            return a.paused ? QStringLiteral("预备暂停") : QStringLiteral("预备");
        case CountPhase::Main:
            return a.paused ? QStringLiteral("已暂停") : QStringLiteral("计时中");
        case CountPhase::TimeUp:
            return QStringLiteral("时间到");
    }
    return {};
}

QString EventWords(RoomEvent::Kind kind) {
    switch (kind) {
        case RoomEvent::Kind::Warning:
            return QStringLiteral("预警");
        case RoomEvent::Kind::TimeUp:
            return QStringLiteral("时间到");
        case RoomEvent::Kind::PromptFailed:
            return QStringLiteral("提示音失败");
        case RoomEvent::Kind::LocalOverride:
            return QStringLiteral("本地调整");
        case RoomEvent::Kind::ScreenLost:
            return QStringLiteral("屏幕断开");
        case RoomEvent::Kind::ClockStepped:
            return QStringLiteral("时钟跳变");
        case RoomEvent::Kind::LateApply:
            return QStringLiteral("指令迟到，已补做");
    }
    return {};
}

QString ProblemWords(unsigned p) {
    static const std::pair<unsigned, const char*> words[] = {
        {ProblemOffline, "离线"},     {ProblemStale, "画面停止更新"}, {ProblemSilent, "无声"},
        {ProblemOffTime, "时间不符"}, {ProblemClock, "时钟异常"},     {ProblemOverride, "本地调整"},
        {ProblemScreen, "未全屏"},    {ProblemAck, "指令未执行"}};
    QStringList out;
    for (const auto& [flag, text] : words)
        if (p & flag) out << QString::fromUtf8(text);
    return out.join(QStringLiteral("、"));
}

// ---- the model ------------------------------------------------------------------------------

SiteModel::SiteModel(SiteLink& link, TimeSource& time, QObject* parent)
    : QObject(parent), link_(link), time_(time) {
    connect(&link_, &SiteLink::received, this, &SiteModel::received);
    connect(&link_, &SiteLink::stateChanged, this,
            [this](LinkState state, const QString&) { stateChanged(state); });
}

SiteModel::~SiteModel() {
    if (checkCall_) time_.cancel(checkCall_);
}

void SiteModel::SetOfficeWill(LinkSettings& settings, const QString& site) {
    settings.willTopic = SiteTopic(site, QStringLiteral("office/presence"));
    settings.willPayload = EncodePresence(Presence::Offline);
    settings.willRetain = true;
}

void SiteModel::watch(const QString& site, const QString& user, bool observer) {
    if (watching_) link_.unsubscribe(SiteTopic(site_, QStringLiteral("#")));
    site_ = site;
    user_ = user;
    observer_ = observer;
    rooms_.clear();
    problems_.clear();
    sentRev_.clear();
    plan_.reset();
    watching_ = true;
    link_.subscribe(SiteTopic(site_, QStringLiteral("#")));
    if (link_.state() == LinkState::Connected) stateChanged(LinkState::Connected);
    scheduleCheck();
}

void SiteModel::sayGoodbye() {
    if (canSteer() && link_.state() == LinkState::Connected)
        link_.publish(SiteTopic(site_, QStringLiteral("office/presence")),
                      EncodePresence(Presence::Offline), true);
}

qint64 SiteModel::nowMs() const {
    return time_.now().toMSecsSinceEpoch();
}

const RoomStatus* SiteModel::room(const QString& id) const {
    const auto it = rooms_.constFind(id);
    return it == rooms_.constEnd() ? nullptr : &*it;
}

int SiteModel::onlineCount() const {
    return int(std::count_if(rooms_.cbegin(), rooms_.cend(), [](const RoomStatus& r) {
        return r.presence == RoomStatus::Presence::Online;
    }));
}

int SiteModel::alarmCount() const {
    int n = 0;
    for (const QString& id : rooms_.keys())
        if (problems(id) & kAlarmProblems) ++n;
    return n;
}

std::optional<int> SiteModel::remainingNow(const QString& id) const {
    const RoomStatus* r = room(id);
    if (!r || !r->report) return std::nullopt;
    return r->report->anchor.valueAt(nowMs());
}

bool SiteModel::mismatch(const QString& id) const {
    const RoomStatus* r = room(id);
    if (!r || !r->report || !Counting(r->report->anchor)) return false;
    const Reported& rep = *r->report;
    return DisplayText(rep.anchor.valueAt(rep.atMs)) != rep.shown;
}

unsigned SiteModel::problems(const QString& id) const {
    const RoomStatus* r = room(id);
    if (!r) return ProblemNone;
    unsigned p = ProblemNone;
    if (r->presence == RoomStatus::Presence::Offline) p |= ProblemOffline;
    if (r->stale) p |= ProblemStale;
    if (!r->lastAckOk) p |= ProblemAck;
    if (!r->report || (p & ProblemOffline)) return p;
    const Reported& rep = *r->report;
    if (rep.output != OutputHealth::Ok || (rep.lastPrompt && !rep.lastPrompt->ok))
        p |= ProblemSilent;
    if (mismatch(id)) p |= ProblemOffTime;
    const int offset = rep.clockOffsetMs ? std::abs(*rep.clockOffsetMs) : 0;
    if (offset > kClockRedMs) p |= ProblemOffTime | ProblemClock;
    if (offset > kClockAmberMs || !rep.clockSynced) p |= ProblemClock;
    const bool ordered = r->desired.has_value() || (plan_ && !plan_->sessions.isEmpty());
    if (rep.source == CountSource::Local && rep.anchor.phase != CountPhase::Idle && ordered)
        p |= ProblemOverride;
    if (!rep.screen.full) p |= ProblemScreen;
    return p;
}

std::optional<Anchor> SiteModel::baseAnchor(const QString& id) const {
    const RoomStatus* r = room(id);
    if (!r) return std::nullopt;
    // An order sent and not yet applied is where the room is going.
    if (r->desired && (!r->report || r->desired->rev > r->report->appliedRev))
        return r->desired->anchor;
    if (r->report) return r->report->anchor;
    return std::nullopt;
}

int SiteModel::nextRev(const QString& id) const {
    int rev = sentRev_.value(id);
    if (const RoomStatus* r = room(id)) {
        if (r->desired) rev = std::max(rev, r->desired->rev);
        if (r->report) rev = std::max(rev, r->report->appliedRev);
    }
    return rev + 1;
}

// ---- what arrives ---------------------------------------------------------------------------

void SiteModel::stateChanged(LinkState state) {
    if (state == LinkState::Connected && canSteer())
        link_.publish(SiteTopic(site_, QStringLiteral("office/presence")),
                      EncodePresence(Presence::Online), true);
    if (watching_ && (state == LinkState::Connected || state == LinkState::Disconnected))
        record(user_,
               state == LinkState::Connected ? QStringLiteral("连接消息服务器")
                                             : QStringLiteral("与消息服务器断开"),
               {}, link_.why());
    Q_EMIT linkChanged();
}

void SiteModel::drop(const QString& topic, const QString& why) {
    qWarning("kvtmr-console: dropped a message on %s: %s", qPrintable(topic.left(200)),
             qPrintable(why));
}

RoomStatus* SiteModel::roomFor(const QString& id) {
    auto it = rooms_.find(id);
    if (it != rooms_.end()) return &*it;
    if (rooms_.size() >= kMaxRooms) return nullptr;
    RoomStatus r;
    r.id = id;
    it = rooms_.insert(id, r);
    Q_EMIT roomAdded(id);
    return &*it;
}

void SiteModel::received(const QString& topic, const QByteArray& payload, bool retained) {
    if (!watching_) return;
    const auto parts = ParseTopic(site_, topic);
    if (!parts) return drop(topic, QStringLiteral("不是本考点的主题"));
    if (parts->room.isEmpty()) {
        if (parts->leaf == QLatin1String("plan")) onPlan(payload, topic);
        return;  // office/presence: the consoles' own
    }
    // What the office itself sends to the rooms comes back on the site's filter.
    if (parts->leaf == QLatin1String("cmd") || parts->leaf == QLatin1String("tpong")) return;
    RoomStatus* r = roomFor(parts->room);
    if (!r) return drop(topic, QStringLiteral("考场太多"));
    // What the broker kept is the state the console finds, not news: no alarm for it.
    quiet_ = retained;
    const auto loud = qScopeGuard([this] { quiet_ = false; });
    const QString& leaf = parts->leaf;
    if (leaf == QLatin1String("presence"))
        onPresence(*r, payload, retained, topic);
    else if (leaf == QLatin1String("reported"))
        onReported(*r, payload, topic);
    else if (leaf == QLatin1String("desired"))
        onDesired(*r, payload, topic);
    else if (leaf == QLatin1String("ack"))
        onAck(*r, payload, topic);
    else if (leaf == QLatin1String("event"))
        onEvent(*r, payload, topic);
    else if (leaf == QLatin1String("tping"))
        onPing(*r, payload, topic);
}

void SiteModel::onPresence(RoomStatus& r, const QByteArray& payload, bool retained,
                           const QString& t) {
    const auto p = DecodePresence(payload);
    if (!p) return drop(t, QStringLiteral("在线状态不是 online 或 offline"));
    const auto now =
        *p == Presence::Online ? RoomStatus::Presence::Online : RoomStatus::Presence::Offline;
    if (now == r.presence) return;
    r.presence = now;
    r.presenceSinceMs = retained ? 0 : nowMs();
    if (!retained)
        record(
            r.id,
            now == RoomStatus::Presence::Online ? QStringLiteral("上线") : QStringLiteral("离线"),
            {r.id});
    refresh(r.id);
}

void SiteModel::onReported(RoomStatus& r, const QByteArray& payload, const QString& t) {
    QString error;
    const auto rep = DecodeReported(payload, &error);
    if (!rep) return drop(t, error);
    if (rep->room != r.id) return drop(t, QStringLiteral("报告里的考场号与主题不符"));
    if (rep->atMs > nowMs() + kFutureSlackMs) return drop(t, QStringLiteral("报告的时间在将来"));
    r.report = *rep;
    refresh(r.id);
}

void SiteModel::onDesired(RoomStatus& r, const QByteArray& payload, const QString& t) {
    QString error;
    const auto d = DecodeDesired(payload, &error);
    if (!d) return drop(t, error);
    if (r.desired && d->rev < r.desired->rev) return;  // an older order than the one held
    const bool news = !r.desired || d->rev > r.desired->rev;
    // Another office user's order (another console of the site) is recorded with its name.
    if (news && d->by != user_ && d->rev > sentRev_.value(r.id))
        record(
            d->by.isEmpty() ? QStringLiteral("（未署名）") : d->by,
            QStringLiteral("调整（第%1版）").arg(d->rev), {r.id},
            QStringLiteral("%1 %2，%3 生效%4")
                .arg(PhaseWords(d->anchor), DisplayText(d->anchor.value), ClockText(d->anchor.atMs),
                     d->why.isEmpty() ? QString() : QStringLiteral("：") + d->why));
    r.desired = *d;
    refresh(r.id);
}

void SiteModel::onAck(RoomStatus& r, const QByteArray& payload, const QString& t) {
    QString error;
    const auto a = DecodeAck(payload, &error);
    if (!a) return drop(t, error);
    QString what = commandWhat_.value(a->id);
    if (what.isEmpty())
        what = a->id.startsWith(QLatin1String("desired:"))
                   ? QStringLiteral("第%1版调整").arg(a->id.mid(8))
                   : a->id;
    r.lastAck = QStringLiteral("%1%2%3").arg(
        what, a->ok ? QStringLiteral(" 已执行") : QStringLiteral(" 未执行"),
        a->detail.isEmpty() ? QString() : QStringLiteral("：") + a->detail);
    r.lastAckOk = a->ok;
    record(r.id, QStringLiteral("回执"), {r.id}, r.lastAck);
    refresh(r.id);
}

void SiteModel::onEvent(RoomStatus& r, const QByteArray& payload, const QString& t) {
    QString error;
    const auto e = DecodeEvent(payload, &error);
    if (!e) return drop(t, error);
    if (e->room != r.id) return drop(t, QStringLiteral("事件里的考场号与主题不符"));
    r.lastEvent = e->detail.isEmpty()
                      ? EventWords(e->kind)
                      : QStringLiteral("%1：%2").arg(EventWords(e->kind), e->detail);
    r.lastEventMs = e->atMs;
    record(r.id, EventWords(e->kind), {r.id}, e->detail);
    Q_EMIT roomChanged(r.id);
}

void SiteModel::onPing(RoomStatus& r, const QByteArray& payload, const QString& t) {
    // Only an office user answers; the broker would refuse an observer's answer.
    if (!canSteer()) return;
    QString error;
    auto p = DecodePing(payload, &error);
    if (!p) return drop(t, error);
    p->t1 = nowMs();
    p->t2 = nowMs();
    link_.publish(RoomTopic(site_, r.id, QStringLiteral("tpong")), EncodePong(*p), false);
}

void SiteModel::onPlan(const QByteArray& payload, const QString& t) {
    const PlanRead read = DecodePlan(payload);
    if (!read.plan) return drop(t, read.error);
    if (plan_ && read.plan->rev < plan_->rev) return;
    const bool news = !plan_ || read.plan->rev > plan_->rev;
    if (news && plan_ && read.plan->by != user_)
        record(read.plan->by, QStringLiteral("发布安排（第%1版）").arg(read.plan->rev), {});
    plan_ = read.plan;
    Q_EMIT planChanged();
    for (const QString& id : rooms_.keys())
        refresh(id);
}

// ---- the state of each room -------------------------------------------------------------------

void SiteModel::refresh(const QString& id) {
    auto it = rooms_.find(id);
    if (it == rooms_.end()) return;
    RoomStatus& r = *it;
    r.stale = StaleAt(r, nowMs());
    const unsigned current = problems(id);
    const auto known = problems_.constFind(id);
    const bool first = known == problems_.constEnd();
    const unsigned before = first ? ProblemNone : *known;
    problems_.insert(id, current);
    // A room's state when the console first hears of it is no news; a change after is.
    const unsigned fresh = first || quiet_ ? ProblemNone : (current & ~before & kAlarmProblems);
    if (fresh) {
        const QString text = QStringLiteral("%1：%2").arg(id, ProblemWords(fresh));
        record(id, QStringLiteral("警报"), {id}, ProblemWords(fresh));
        Q_EMIT alarm(id, text);
    }
    Q_EMIT roomChanged(id);
}

void SiteModel::scheduleCheck() {
    if (checkCall_) time_.cancel(checkCall_);
    checkCall_ = time_.callAt(time_.monotonicMs() + 1000, [this] {
        checkCall_ = 0;
        check();
        scheduleCheck();
    });
}

void SiteModel::check() {
    for (const QString& id : rooms_.keys()) {
        // Only staleness moves with the clock; the rest changes with messages.
        if (StaleAt(rooms_[id], nowMs()) != rooms_[id].stale) refresh(id);
    }
}

// ---- what the office sends --------------------------------------------------------------------

void SiteModel::record(const QString& who, const QString& what, const QStringList& rooms,
                       const QString& detail) {
    Q_EMIT recorded(RecordEntry{nowMs(), who, what, rooms, detail});
}

void SiteModel::publishDesired(const QString& id, const Anchor& anchor, const QString& why) {
    Desired d;
    d.rev = nextRev(id);
    d.by = user_;
    d.why = why.left(200);
    d.anchor = anchor;
    link_.publish(RoomTopic(site_, id, QStringLiteral("desired")), EncodeDesired(d), true);
    sentRev_.insert(id, d.rev);
    rooms_[id].desired = d;
    refresh(id);
}

namespace {
// Why nothing can be sent now, or empty.
QString CannotSend(bool canSteer, LinkState state) {
    if (!canSteer) return QStringLiteral("观察者只能查看，不能下达指令");
    if (state != LinkState::Connected) return QStringLiteral("未连接消息服务器，指令没有发出");
    return {};
}
QString RefusalText(const QMap<QString, QString>& refused) {
    QStringList out;
    for (auto it = refused.cbegin(); it != refused.cend(); ++it)
        out << QStringLiteral("%1 %2").arg(it.key(), it.value());
    return out.isEmpty() ? QString() : QStringLiteral("未发：") + out.join(QStringLiteral("；"));
}
}  // namespace

SiteModel::Sent SiteModel::steer(const QStringList& rooms, Steer order, qint64 atMs, int minutes,
                                 const QString& why) {
    Sent sent;
    const QString cannot = CannotSend(canSteer(), link_.state());
    for (const QString& id : rooms) {
        if (!cannot.isEmpty()) {
            sent.refused.insert(id, cannot);
            continue;
        }
        const auto base = baseAnchor(id);
        if (!base) {
            sent.refused.insert(id, QStringLiteral("还没有收到该考场的报告"));
            continue;
        }
        QString refusal;
        const auto a = SteeredAnchor(*base, order, atMs, minutes, &refusal);
        if (!a) {
            sent.refused.insert(id, refusal);
            continue;
        }
        publishDesired(id, *a, why);
        sent.rooms << id;
    }
    QString what = SteerName(order);
    if (order == Steer::AddMinutes)
        what = minutes >= 0 ? QStringLiteral("加%1分钟").arg(minutes)
                            : QStringLiteral("减%1分钟").arg(-minutes);
    QStringList detail{QStringLiteral("%1 生效").arg(ClockText(atMs))};
    if (!why.isEmpty()) detail << why;
    if (!sent.refused.isEmpty()) detail << RefusalText(sent.refused);
    if (canSteer()) record(user_, what, sent.rooms, detail.join(QStringLiteral("；")));
    return sent;
}

SiteModel::Sent SiteModel::resend(
    const QStringList& rooms, const QString& action, const QString& why,
    const std::function<const Anchor*(const RoomStatus* r, QString& refusal)>& pick) {
    Sent sent;
    const QString cannot = CannotSend(canSteer(), link_.state());
    for (const QString& id : rooms) {
        const RoomStatus* r = room(id);
        QString refusal = cannot;
        const Anchor* anchor = nullptr;
        if (refusal.isEmpty()) anchor = pick(r, refusal);
        if (!anchor) {
            sent.refused.insert(id, refusal);
            continue;
        }
        publishDesired(id, *anchor, why);
        sent.rooms << id;
    }
    if (canSteer()) record(user_, action, sent.rooms, RefusalText(sent.refused));
    return sent;
}

SiteModel::Sent SiteModel::adopt(const QStringList& rooms) {
    return resend(rooms, QStringLiteral("采纳本地调整"), QStringLiteral("采纳考场的本地调整"),
                  [](const RoomStatus* r, QString& refusal) -> const Anchor* {
                      if (!r || !r->report) {
                          refusal = QStringLiteral("还没有收到该考场的报告");
                          return nullptr;
                      }
                      if (r->report->source != CountSource::Local) {
                          refusal = QStringLiteral("该考场没有本地调整");
                          return nullptr;
                      }
                      return &r->report->anchor;
                  });
}

SiteModel::Sent SiteModel::reassert(const QStringList& rooms) {
    return resend(rooms, QStringLiteral("重申调整"), QStringLiteral("重申考务办公室的调整"),
                  [](const RoomStatus* r, QString& refusal) -> const Anchor* {
                      if (!r || !r->desired) {
                          refusal = QStringLiteral("考务办公室没有给该考场下达过调整");
                          return nullptr;
                      }
                      return &r->desired->anchor;
                  });
}

SiteModel::Sent SiteModel::command(const QStringList& rooms, Command::Kind kind,
                                   const QString& text) {
    Sent sent;
    const QString cannot = CannotSend(canSteer(), link_.state());
    static const QMap<Command::Kind, QString> names = {
        {Command::Kind::SoundTest, QStringLiteral("声音测试")},
        {Command::Kind::Identify, QStringLiteral("识别考场")},
        {Command::Kind::ShowText, QStringLiteral("显示文字")}};
    for (const QString& id : rooms) {
        if (!cannot.isEmpty()) {
            sent.refused.insert(id, cannot);
            continue;
        }
        Command c;
        c.id = QStringLiteral("c%1-%2").arg(nowMs()).arg(++commandCounter_);
        c.kind = kind;
        c.text = text.left(200);
        c.by = user_;
        commandWhat_.insert(c.id, names.value(kind));
        link_.publish(RoomTopic(site_, id, QStringLiteral("cmd")), EncodeCommand(c), false,
                      kCmdExpirySeconds);
        sent.rooms << id;
    }
    if (canSteer())
        record(user_, names.value(kind), sent.rooms,
               QStringList{kind == Command::Kind::ShowText ? text.left(200) : QString(),
                           RefusalText(sent.refused)}
                   .join(QString())
                   .trimmed());
    return sent;
}

bool SiteModel::pushPlan(const Plan& plan, QString* why) {
    const QString cannot = CannotSend(canSteer(), link_.state());
    if (!cannot.isEmpty()) {
        if (why) *why = cannot;
        return false;
    }
    Plan p = plan;
    p.rev = std::max(plan.rev, (plan_ ? plan_->rev : 0) + 1);
    p.by = user_;
    const QString problem = PlanProblem(p);
    if (!problem.isEmpty()) {
        if (why) *why = problem;
        return false;
    }
    link_.publish(SiteTopic(site_, QStringLiteral("plan")), EncodePlan(p), true);
    plan_ = p;
    record(user_, QStringLiteral("发布安排（第%1版）").arg(p.rev), {},
           QStringLiteral("%1个考试").arg(p.sessions.size()));
    Q_EMIT planChanged();
    for (const QString& id : rooms_.keys())
        refresh(id);
    return true;
}
