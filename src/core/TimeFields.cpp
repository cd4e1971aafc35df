#include "core/TimeFields.h"

#include <limits>

#include "core/Errors.h"

namespace {
constexpr qint64 kMin = std::numeric_limits<int>::min();
constexpr qint64 kMax = std::numeric_limits<int>::max();
}  // namespace

std::array<int, 6> SecondsToDigits(int v) {
    std::array<int, 6> d{};
    d[0] = v / 36000;
    d[1] = (v - 36000 * d[0]) / 3600;
    d[2] = (v - 36000 * d[0] - 3600 * d[1]) / 600;
    d[3] = (v - 36000 * d[0] - 3600 * d[1] - 600 * d[2]) / 60;
    d[4] = (v - 36000 * d[0] - 3600 * d[1] - 600 * d[2] - 60 * d[3]) / 10;
    d[5] = v - 36000 * d[0] - 3600 * d[1] - 600 * d[2] - 60 * d[3] - 10 * d[4];
    return d;
}

int DigitsToSeconds(const std::array<int, 6>& d) {
    const qint64 sum =
        36000LL * d[0] + 3600LL * d[1] + 600LL * d[2] + 60LL * d[3] + 10LL * d[4] + d[5];
    return int(qBound<qint64>(kMin, sum, kMax));
}

std::optional<int> UnitFactor(const QString& unit) {
    if (unit == QStringLiteral("秒钟")) return 1;
    if (unit == QStringLiteral("分钟")) return 60;
    if (unit == QStringLiteral("小时")) return 3600;
    return std::nullopt;
}

int ScaleDuration(int number, int factor) {
    const qint64 v = qint64(number) * factor;
    return int(qBound<qint64>(kMin, v, kMax));
}

bool DigitCheck(const QString& text) {
    const QString t = TrimControl(text);
    for (QChar c : t)
        if (c < u'0' || c > u'9') return false;
    return true;
}
