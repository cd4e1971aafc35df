#include "core/Anchor.h"

#include <QTimeZone>
#include <algorithm>

#include "core/TimeFields.h"

namespace {
struct PhaseText {
    CountPhase phase;
    const char* name;
};
constexpr PhaseText kPhases[] = {{CountPhase::Idle, "idle"},
                                 {CountPhase::Prep, "prep"},
                                 {CountPhase::Main, "main"},
                                 {CountPhase::TimeUp, "timeup"}};
}  // namespace

QString PhaseName(CountPhase phase) {
    for (const PhaseText& p : kPhases)
        if (p.phase == phase) return QString::fromLatin1(p.name);
    return QStringLiteral("idle");
}

std::optional<CountPhase> PhaseFromName(const QString& name) {
    for (const PhaseText& p : kPhases)
        if (name == QLatin1String(p.name)) return p.phase;
    return std::nullopt;
}

qint64 Anchor::stepsAt(qint64 nowMs) const {
    if (nowMs <= atMs) return 0;
    return (nowMs - atMs) / 1000;
}

int Anchor::valueAt(qint64 nowMs) const {
    if (!running()) return value;
    // Beyond the end the display holds its last value.
    const qint64 steps = std::min<qint64>(stepsAt(nowMs), kMaxCountSeconds + 1);
    const qint64 v = countUp ? qint64(value) + steps : qint64(value) - steps;
    return int(std::clamp<qint64>(v, 0, std::max(duration, 0)));
}

int Anchor::stepsToEnd() const {
    return countUp ? std::max(1, duration + 1 - value) : std::max(0, value) + 1;
}

qint64 Anchor::endMs() const {
    if (!running()) return 0;
    return atMs + qint64(stepsToEnd()) * 1000;
}

Anchor Anchor::at(qint64 nowMs) const {
    if (!running()) return *this;
    Anchor a = *this;
    const qint64 steps = std::min<qint64>(stepsAt(nowMs), std::max(0, stepsToEnd() - 1));
    a.value = valueAt(atMs + steps * 1000);
    a.atMs = atMs + steps * 1000;
    return a;
}

QString DisplayText(int seconds) {
    const auto d = SecondsToDigits(std::max(0, seconds));
    return QStringLiteral("%1%2%3%4%5%6%7%8")
        .arg(d[0])
        .arg(d[1])
        .arg(kSeparator)
        .arg(d[2])
        .arg(d[3])
        .arg(kSeparator)
        .arg(d[4])
        .arg(d[5]);
}

QString InstantText(qint64 msSinceEpoch) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msSinceEpoch);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

std::optional<qint64> ParseInstant(const QString& text) {
    // The date, the time to the second at least, and an offset: "Z", "+hh:mm" or "-hh:mm".
    if (text.size() < 20 || text.size() > 40) return std::nullopt;
    const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!t.isValid()) return std::nullopt;
    if (t.timeSpec() != Qt::UTC && t.timeSpec() != Qt::OffsetFromUTC) return std::nullopt;
    return t.toMSecsSinceEpoch();
}
