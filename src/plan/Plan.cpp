#include "plan/Plan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

namespace {

constexpr int kMaxTitleChars = 40;
constexpr int kMaxIdChars = 64;
constexpr qint64 kDayMs = 24 * 3600 * 1000;

const QString kRepeatNames[] = {QStringLiteral("once"), QStringLiteral("daily"),
                                QStringLiteral("weekdays")};

bool HasControl(const QString& s) {
    return std::any_of(s.begin(), s.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

// A whole number of the JSON within [lo, hi].
std::optional<int> WholeNumber(const QJsonValue& v, int lo, int hi) {
    if (!v.isDouble()) return std::nullopt;
    const double d = v.toDouble();
    if (d != double(qint64(d)) || d < lo || d > hi) return std::nullopt;
    return int(d);
}

QString Named(int index, const QString& title) {
    return title.isEmpty() ? QStringLiteral("第%1个考试").arg(index + 1)
                           : QStringLiteral("第%1个考试（%2）").arg(index + 1).arg(title);
}

QString TimeOfDay(qint64 ms) {
    const QTime t = QDateTime::fromMSecsSinceEpoch(ms).time();
    return t.second() == 0 ? t.toString(QStringLiteral("HH:mm"))
                           : t.toString(QStringLiteral("HH:mm:ss"));
}

// The starts of a session on the local dates [first, last], whatever the rooms.
QList<qint64> StartsOn(const PlanSession& s, const QDate& first, const QDate& last) {
    QList<qint64> starts;
    if (s.repeat == PlanSession::Repeat::Once) {
        const QDate d = QDateTime::fromMSecsSinceEpoch(s.startMs).date();
        if (d >= first && d <= last) starts << s.startMs;
        return starts;
    }
    const QDateTime origin = QDateTime::fromMSecsSinceEpoch(s.startMs);
    const QTime timeOfDay = origin.time();
    for (QDate d = std::max(first, origin.date()); d <= last; d = d.addDays(1)) {
        if (s.repeat == PlanSession::Repeat::Weekdays && d.dayOfWeek() > 5) continue;
        starts << QDateTime(d, timeOfDay).toMSecsSinceEpoch();
    }
    return starts;
}

bool RoomsMeet(const QStringList& a, const QStringList& b) {
    if (a.contains(QStringLiteral("*")) || b.contains(QStringLiteral("*"))) return true;
    return std::any_of(a.begin(), a.end(), [&b](const QString& r) { return b.contains(r); });
}

}  // namespace

bool PlanSession::forRoom(const QString& room) const {
    return rooms.contains(QStringLiteral("*")) || rooms.contains(room);
}

int PlanSession::durationIn(const QString& room) const {
    return std::min(kMaxCountSeconds, duration + extra.value(room, 0));
}

int PlanSession::longestDuration() const {
    int longest = duration;
    for (int e : extra)
        longest = std::max(longest, std::min(kMaxCountSeconds, duration + e));
    return longest;
}

Anchor Occurrence::prepAnchor() const {
    Anchor a;
    a.phase = CountPhase::Prep;
    a.countUp = session.countUp;
    a.duration = session.prep;
    a.value = session.countUp ? 0 : session.prep;
    a.atMs = prepMs;
    a.session = session.id;
    return a;
}

Anchor Occurrence::mainAnchor() const {
    Anchor a;
    a.phase = CountPhase::Main;
    a.countUp = session.countUp;
    a.duration = duration;
    a.value = session.countUp ? 0 : duration;
    a.atMs = startMs;
    a.session = session.id;
    return a;
}

std::optional<Anchor> Occurrence::anchorAt(qint64 nowMs) const {
    if (nowMs < prepMs) return std::nullopt;
    if (nowMs < startMs) return prepAnchor();
    return mainAnchor();
}

QList<Occurrence> OccurrencesIn(const Plan& plan, const QString& room, qint64 fromMs, qint64 toMs) {
    QList<Occurrence> out;
    if (toMs <= fromMs) return out;
    // A start as far back as its preparation and longest count reach.
    const QDate first =
        QDateTime::fromMSecsSinceEpoch(fromMs - 2 * (kMaxCountSeconds + 1) * 1000LL - kDayMs)
            .date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(toMs).date().addDays(1);
    for (const PlanSession& s : plan.sessions) {
        if (!s.forRoom(room)) continue;
        for (qint64 start : StartsOn(s, first, last)) {
            Occurrence o;
            o.session = s;
            o.startMs = start;
            o.prepMs = start - qint64(s.prep) * 1000;
            o.duration = s.durationIn(room);
            o.key = s.id + QLatin1Char('@') +
                    QDateTime::fromMSecsSinceEpoch(start).date().toString(Qt::ISODate);
            // The count runs until the step after its end.
            if (o.prepMs < toMs && o.endMs() + 1000 > fromMs) out << o;
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.startMs < b.startMs;
    });
    return out;
}

std::optional<Occurrence> CurrentOccurrence(const Plan& plan, const QString& room, qint64 nowMs) {
    const QList<Occurrence> list = OccurrencesIn(plan, room, nowMs, nowMs + 1);
    // Of two that meet (a plan from elsewhere may overlap), the one that began last.
    std::optional<Occurrence> current;
    for (const Occurrence& o : list)
        if (o.prepMs <= nowMs && (!current || o.prepMs >= current->prepMs)) current = o;
    return current;
}

std::optional<Occurrence> NextOccurrence(const Plan& plan, const QString& room, qint64 nowMs) {
    const QList<Occurrence> list = OccurrencesIn(plan, room, nowMs, nowMs + 8 * kDayMs);
    for (const Occurrence& o : list)
        if (o.prepMs > nowMs) return o;
    return std::nullopt;
}

std::optional<Occurrence> NextStart(const Plan& plan, const QString& room, qint64 nowMs) {
    Plan seen = plan;
    if (room.isEmpty())
        for (PlanSession& s : seen.sessions)
            s.rooms = QStringList{QStringLiteral("*")};
    const QList<Occurrence> list = OccurrencesIn(seen, room, nowMs, nowMs + 8 * kDayMs);
    for (const Occurrence& o : list)
        if (o.startMs > nowMs) return o;
    return std::nullopt;
}

// ---- JSON -----------------------------------------------------------------------------------

namespace {

QString ReadSession(const QJsonValue& value, int index, PlanSession& s) {
    const QString who = Named(index, value.toObject().value(QStringLiteral("title")).toString());
    if (!value.isObject()) return QStringLiteral("%1：格式不对").arg(who);
    const QJsonObject o = value.toObject();
    auto text = [&](const char* key, QString& out, bool required) -> QString {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() && !required) return {};
        if (!v.isString())
            return QStringLiteral("%1：缺少或不正确的“%2”").arg(who, QLatin1String(key));
        out = v.toString();
        return {};
    };
    auto number = [&](const char* key, int& out, int lo, int hi, bool required) -> QString {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() && !required) return {};
        const auto n = WholeNumber(v, lo, hi);
        if (!n)
            return QStringLiteral("%1：“%2”必须是%3到%4之间的整数")
                .arg(who, QLatin1String(key))
                .arg(lo)
                .arg(hi);
        out = *n;
        return {};
    };
    QString start;
    for (const QString& e :
         {text("id", s.id, true), text("title", s.title, false), text("start", start, true),
          number("duration", s.duration, 1, kMaxCountSeconds, true),
          number("prep", s.prep, 0, kMaxCountSeconds, false),
          number("warning", s.warning, 0, kMaxCountSeconds, false),
          number("interval", s.interval, 0, kMaxCountSeconds, false)})
        if (!e.isEmpty()) return e;
    const auto at = ParseInstant(start);
    if (!at)
        return QStringLiteral("%1：开始时间“%2”不是带时区的ISO 8601时间").arg(who, start.left(40));
    s.startMs = *at;
    const QJsonValue repeat = o.value(QStringLiteral("repeat"));
    if (!repeat.isUndefined()) {
        const int i =
            int(std::find(std::begin(kRepeatNames), std::end(kRepeatNames), repeat.toString()) -
                std::begin(kRepeatNames));
        if (!repeat.isString() || i >= 3)
            return QStringLiteral("%1：“repeat”只能是once、daily或weekdays").arg(who);
        s.repeat = PlanSession::Repeat(i);
    }
    const QJsonValue up = o.value(QStringLiteral("countUp"));
    if (!up.isUndefined()) {
        if (!up.isBool()) return QStringLiteral("%1：“countUp”必须是true或false").arg(who);
        s.countUp = up.toBool();
    }
    const QJsonValue rooms = o.value(QStringLiteral("rooms"));
    if (!rooms.isUndefined()) {
        if (!rooms.isArray() || rooms.toArray().isEmpty() || rooms.toArray().size() > 1000)
            return QStringLiteral("%1：“rooms”必须是考场号的列表").arg(who);
        s.rooms.clear();
        for (const QJsonValue& r : rooms.toArray()) {
            if (!r.isString()) return QStringLiteral("%1：“rooms”必须是考场号的列表").arg(who);
            s.rooms << r.toString();
        }
    }
    const QJsonValue extra = o.value(QStringLiteral("extra"));
    if (!extra.isUndefined()) {
        if (!extra.isObject() || extra.toObject().size() > 1000)
            return QStringLiteral("%1：“extra”必须是考场号到加时秒数的对照").arg(who);
        const QJsonObject e = extra.toObject();
        for (auto it = e.begin(); it != e.end(); ++it) {
            const auto n = WholeNumber(it.value(), 0, kMaxCountSeconds);
            if (!n)
                return QStringLiteral("%1：考场%2的加时必须是0到%3之间的整数")
                    .arg(who, it.key().left(32))
                    .arg(kMaxCountSeconds);
            s.extra.insert(it.key(), *n);
        }
    }
    const QString problem = SessionProblem(s);
    if (!problem.isEmpty()) return QStringLiteral("%1：%2").arg(who, problem);
    return {};
}

}  // namespace

PlanRead DecodePlan(const QByteArray& json) {
    PlanRead r;
    if (json.size() > kMaxPlanBytes) {
        r.error = QStringLiteral("考试安排超过%1 KB，不予读取").arg(kMaxPlanBytes / 1024);
        return r;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        r.error = QStringLiteral("考试安排不是有效的JSON（%1）").arg(parseError.errorString());
        return r;
    }
    const QJsonObject o = doc.object();
    if (WholeNumber(o.value(QStringLiteral("v")), 1, 1) != 1) {
        r.error = QStringLiteral("考试安排的版本不是1");
        return r;
    }
    Plan plan;
    const auto rev = WholeNumber(o.value(QStringLiteral("rev")), 0, 2147483647);
    if (!rev) {
        r.error = QStringLiteral("考试安排缺少正确的版本号“rev”");
        return r;
    }
    plan.rev = *rev;
    const QJsonValue by = o.value(QStringLiteral("by"));
    if (!by.isUndefined() && (!by.isString() || by.toString().size() > 64)) {
        r.error = QStringLiteral("考试安排的“by”不正确");
        return r;
    }
    plan.by = by.toString();
    const QJsonValue sessions = o.value(QStringLiteral("sessions"));
    if (!sessions.isArray()) {
        r.error = QStringLiteral("考试安排缺少考试列表“sessions”");
        return r;
    }
    const QJsonArray list = sessions.toArray();
    if (list.size() > kMaxPlanSessions) {
        r.error = QStringLiteral("考试安排最多%1场考试").arg(kMaxPlanSessions);
        return r;
    }
    for (int i = 0; i < list.size(); ++i) {
        PlanSession s;
        const QString e = ReadSession(list[i], i, s);
        if (!e.isEmpty()) {
            r.error = e;
            return r;
        }
        plan.sessions << s;
    }
    const QString problem = PlanProblem(plan);
    if (!problem.isEmpty()) {
        r.error = problem;
        return r;
    }
    r.plan = plan;
    return r;
}

QByteArray EncodePlan(const Plan& plan) {
    QJsonArray sessions;
    for (const PlanSession& s : plan.sessions) {
        QJsonObject o;
        o.insert(QStringLiteral("id"), s.id);
        o.insert(QStringLiteral("title"), s.title);
        o.insert(QStringLiteral("start"), InstantText(s.startMs));
        o.insert(QStringLiteral("repeat"), kRepeatNames[int(s.repeat)]);
        o.insert(QStringLiteral("duration"), s.duration);
        o.insert(QStringLiteral("prep"), s.prep);
        o.insert(QStringLiteral("warning"), s.warning);
        o.insert(QStringLiteral("interval"), s.interval);
        if (s.countUp) o.insert(QStringLiteral("countUp"), true);
        o.insert(QStringLiteral("rooms"), QJsonArray::fromStringList(s.rooms));
        QJsonObject extra;
        for (auto it = s.extra.begin(); it != s.extra.end(); ++it)
            extra.insert(it.key(), it.value());
        o.insert(QStringLiteral("extra"), extra);
        sessions.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("v"), 1);
    root.insert(QStringLiteral("rev"), plan.rev);
    root.insert(QStringLiteral("by"), plan.by);
    root.insert(QStringLiteral("sessions"), sessions);
    // Compact: the most sessions a plan may have fit in the bytes it may take.
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

// ---- checks ---------------------------------------------------------------------------------

QString SessionProblem(const PlanSession& s) {
    static const QRegularExpression roomId(QStringLiteral("^[A-Za-z0-9_-]{1,32}$"));
    if (s.id.trimmed().isEmpty() || s.id.size() > kMaxIdChars || HasControl(s.id))
        return QStringLiteral("编号不能为空，且不超过%1个字符").arg(kMaxIdChars);
    if (s.title.size() > kMaxTitleChars || HasControl(s.title))
        return QStringLiteral("科目名称不能超过%1个字").arg(kMaxTitleChars);
    if (s.duration <= 0 || s.duration > kMaxCountSeconds)
        return QStringLiteral("时长必须在1秒到99∶59∶59之间");
    if (s.prep < 0 || s.prep > kMaxCountSeconds)
        return QStringLiteral("预备时间必须在0到99∶59∶59之间");
    if (s.warning < 0 || s.warning > s.duration) return QStringLiteral("预警提前量不能超过时长");
    if (s.interval < 0 || s.interval > kMaxCountSeconds)
        return QStringLiteral("间隔必须在0到99∶59∶59之间");
    if (s.startMs <= 0) return QStringLiteral("开始时间不正确");
    if (s.rooms.isEmpty()) return QStringLiteral("至少要有一个考场（全部考场用*）");
    for (const QString& r : s.rooms)
        if (r != QLatin1String("*") && !roomId.match(r).hasMatch())
            return QStringLiteral("考场号“%1”只能由字母、数字、-和_组成，不超过32个字符")
                .arg(r.left(32));
    for (auto it = s.extra.begin(); it != s.extra.end(); ++it) {
        if (!roomId.match(it.key()).hasMatch())
            return QStringLiteral("加时的考场号“%1”不正确").arg(it.key().left(32));
        if (it.value() < 0 || qint64(s.duration) + it.value() > kMaxCountSeconds)
            return QStringLiteral("考场%1加时后的时长不能超过99∶59∶59").arg(it.key());
    }
    return {};
}

QString PastProblem(const PlanSession& s, qint64 nowMs) {
    if (s.repeat == PlanSession::Repeat::Once && s.startMs < nowMs)
        return QStringLiteral("开始时间已过");
    return {};
}

QString PlanProblem(const Plan& plan) {
    if (plan.sessions.size() > kMaxPlanSessions)
        return QStringLiteral("考试安排最多%1场考试").arg(kMaxPlanSessions);
    for (int i = 0; i < plan.sessions.size(); ++i) {
        const PlanSession& s = plan.sessions[i];
        const QString e = SessionProblem(s);
        if (!e.isEmpty()) return QStringLiteral("%1：%2").arg(Named(i, s.title), e);
        for (int j = 0; j < i; ++j)
            if (plan.sessions[j].id == s.id)
                return QStringLiteral("%1与%2的编号相同")
                    .arg(Named(j, plan.sessions[j].title), Named(i, s.title));
    }
    if (plan.sessions.isEmpty()) return {};
    // Every start over the plan's span and a week beyond it, as windows of the preparation and
    // the longest count; two sessions for a common room must not meet.
    qint64 from = plan.sessions.first().startMs, to = from;
    for (const PlanSession& s : plan.sessions) {
        from = std::min(from, s.startMs);
        to = std::max(to, s.startMs);
    }
    const QDate first = QDateTime::fromMSecsSinceEpoch(from).date().addDays(-1);
    const QDate last = QDateTime::fromMSecsSinceEpoch(to).date().addDays(8);
    struct Window {
        int index;
        qint64 begin, end;
    };
    QList<Window> windows;
    for (int i = 0; i < plan.sessions.size(); ++i) {
        const PlanSession& s = plan.sessions[i];
        for (qint64 start : StartsOn(s, first, last))
            windows.push_back(
                {i, start - qint64(s.prep) * 1000, start + qint64(s.longestDuration()) * 1000});
    }
    std::sort(windows.begin(), windows.end(),
              [](const Window& a, const Window& b) { return a.begin < b.begin; });
    for (int a = 0; a < windows.size(); ++a) {
        for (int b = a + 1; b < windows.size() && windows[b].begin < windows[a].end; ++b) {
            const PlanSession& x = plan.sessions[windows[a].index];
            const PlanSession& y = plan.sessions[windows[b].index];
            if (windows[a].index == windows[b].index || !RoomsMeet(x.rooms, y.rooms)) continue;
            return QStringLiteral("“%1”（%2–%3）与“%4”（%5–%6）时间重叠")
                .arg(x.title.isEmpty() ? x.id : x.title, TimeOfDay(windows[a].begin),
                     TimeOfDay(windows[a].end), y.title.isEmpty() ? y.id : y.title,
                     TimeOfDay(windows[b].begin), TimeOfDay(windows[b].end));
        }
    }
    if (EncodePlan(plan).size() > kMaxPlanBytes)
        return QStringLiteral("考试安排超过%1 KB，请减少考试或缩短科目名称")
            .arg(kMaxPlanBytes / 1024);
    return {};
}

QString BoardTitle(const Occurrence& o) {
    return QStringLiteral("%1  %2–%3")
        .arg(o.session.title, TimeOfDay(o.startMs), TimeOfDay(o.endMs()));
}

QString DurationWords(int seconds) {
    const int h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    QString out;
    if (h) out += QStringLiteral("%1小时").arg(h);
    if (m) out += h || s ? QStringLiteral("%1分").arg(m) : QStringLiteral("%1分钟").arg(m);
    if (s || out.isEmpty()) out += QStringLiteral("%1秒").arg(s);
    return out;
}
