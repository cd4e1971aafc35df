#include "core/CountState.h"

#include <QMap>
#include <algorithm>

#include "core/Files.h"

namespace {

const QString kVersion = QStringLiteral("1");
// The largest value a time display holds (99∶59∶59 is 359999; one more for a count up that
// has passed its end).
constexpr int kMaxValue = 360000;

std::optional<int> Number(const QMap<QString, QString>& v, const QString& key, int lo, int hi) {
    bool ok = false;
    const int n = v.value(key).toInt(&ok);
    if (!ok || n < lo || n > hi) return std::nullopt;
    return n;
}

QByteArray Body(const CountState& s) {
    QMap<QString, QString> v;
    v[QStringLiteral("version")] = kVersion;
    v[QStringLiteral("timer")] =
        s.timer == CountState::Timer::Main ? QStringLiteral("main") : QStringLiteral("prep");
    v[QStringLiteral("direction")] = s.countUp ? QStringLiteral("up") : QStringLiteral("down");
    v[QStringLiteral("duration")] = QString::number(s.duration);
    v[QStringLiteral("value")] = QString::number(s.value);
    v[QStringLiteral("since")] = QString::number(s.since);
    v[QStringLiteral("paused")] = s.paused ? QStringLiteral("1") : QStringLiteral("0");
    v[QStringLiteral("alert")] = QString::number(s.alertState);
    v[QStringLiteral("main.value")] = QString::number(s.mainValue);
    v[QStringLiteral("main.duration")] = QString::number(s.mainDuration);
    if (s.source != CountSource::Local)
        v[QStringLiteral("source")] =
            s.source == CountSource::Plan ? QStringLiteral("plan") : QStringLiteral("office");
    if (!s.session.isEmpty()) v[QStringLiteral("session")] = s.session;
    return EncodeKeyValues(v);
}

QString Check(const QByteArray& body) {
    return QString::number(qChecksum(QByteArrayView(body)));
}

}  // namespace

QByteArray EncodeCountState(const CountState& state) {
    const QByteArray body = Body(state);
    return body + "check=" + Check(body).toLatin1() + '\n';
}

std::optional<CountState> DecodeCountState(const QByteArray& bytes) {
    // The check line is the last one and covers every byte before it.
    const qsizetype at = bytes.lastIndexOf("check=");
    if (at < 0 || (at > 0 && bytes[at - 1] != '\n') || !bytes.endsWith('\n')) return std::nullopt;
    const QByteArray body = bytes.left(at);
    if (bytes.mid(at + 6).trimmed() != Check(body).toLatin1()) return std::nullopt;
    const QMap<QString, QString> v = ParseKeyValues(body);
    if (v.value(QStringLiteral("version")) != kVersion) return std::nullopt;
    CountState s;
    const QString timer = v.value(QStringLiteral("timer"));
    const QString direction = v.value(QStringLiteral("direction"));
    if (timer != QLatin1String("main") && timer != QLatin1String("prep")) return std::nullopt;
    if (direction != QLatin1String("up") && direction != QLatin1String("down")) return std::nullopt;
    s.timer = timer == QLatin1String("main") ? CountState::Timer::Main : CountState::Timer::Prep;
    s.countUp = direction == QLatin1String("up");
    const auto duration = Number(v, QStringLiteral("duration"), 0, kMaxValue);
    const auto value = Number(v, QStringLiteral("value"), 0, kMaxValue);
    const auto paused = Number(v, QStringLiteral("paused"), 0, 1);
    const auto alert = Number(v, QStringLiteral("alert"), 0, 2);
    const auto mainValue = Number(v, QStringLiteral("main.value"), 0, kMaxValue);
    const auto mainDuration = Number(v, QStringLiteral("main.duration"), 0, kMaxValue);
    bool sinceOk = false;
    s.since = v.value(QStringLiteral("since")).toLongLong(&sinceOk);
    if (!duration || !value || !paused || !alert || !mainValue || !mainDuration || !sinceOk ||
        s.since <= 0)
        return std::nullopt;
    s.duration = *duration;
    s.value = *value;
    s.paused = *paused == 1;
    s.alertState = *alert;
    s.mainValue = *mainValue;
    s.mainDuration = *mainDuration;
    // Files written before these keys came are the operator's own counts.
    const QString source = v.value(QStringLiteral("source"));
    if (source == QLatin1String("plan"))
        s.source = CountSource::Plan;
    else if (source == QLatin1String("office"))
        s.source = CountSource::Office;
    else if (!source.isEmpty())
        return std::nullopt;
    s.session = v.value(QStringLiteral("session")).left(200);
    return s;
}

int StepsToEnd(bool countUp, int duration, int value) {
    return countUp ? std::max(1, duration + 1 - value) : value + 1;
}

std::optional<ResumePoint> ResumeAt(const CountState& state, qint64 nowMs) {
    const qint64 elapsedMs = std::max<qint64>(0, nowMs - state.since);
    const int toEnd = StepsToEnd(state.countUp, state.duration, state.value);
    // A running count is offered until its time-up is a full count past (a preparation's:
    // the main count's that follows it); a paused one for half a day.
    const bool prep = state.timer == CountState::Timer::Prep;
    if (state.paused ? elapsedMs > kPausedKeptMs
                     : !prep && elapsedMs > (qint64(toEnd) + state.duration) * 1000)
        return std::nullopt;

    ResumePoint p;
    p.timer = state.timer;
    p.countUp = state.countUp;
    p.duration = state.duration;
    p.fromValue = state.value;
    p.alertState = state.alertState;
    p.paused = state.paused;
    if (state.paused) {
        p.value = state.value;
        p.lastStepAt = state.since;
        return p;
    }
    const qint64 steps = elapsedMs / 1000;
    if (steps < toEnd) {
        p.value = state.countUp ? state.value + int(steps) : state.value - int(steps);
        p.phaseMs = int(elapsedMs % 1000);
        p.lastStepAt = state.since + steps * 1000;
        return p;
    }
    const qint64 endAt = state.since + qint64(toEnd) * 1000;
    if (prep) {
        // The preparation ran out: the main timer started then, from the main display.
        CountState main;
        main.timer = CountState::Timer::Main;
        main.countUp = state.countUp;
        main.duration = state.mainDuration;
        main.value = state.mainValue;
        main.since = endAt;
        main.alertState = 1;
        std::optional<ResumePoint> m = ResumeAt(main, nowMs);
        if (!m) return std::nullopt;
        m->handedOver = true;
        return m;
    }
    // The time-up fell in between; the display shows the last value of the count.
    p.timeUp = true;
    p.value = state.countUp ? state.duration : 0;
    p.alertState = 0;
    p.lastStepAt = endAt;
    return p;
}
