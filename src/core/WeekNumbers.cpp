#include "core/WeekNumbers.h"

namespace {

// Days from the Monday of the week that holds day 1 of a period, when that week counts in the
// period (it holds the period's first Thursday); otherwise from the period's first Monday.
int OffsetFromFirstWeek(int dayNumber, int firstWeekday) {
    if (firstWeekday <= 4) return dayNumber + firstWeekday - 1;
    return dayNumber - (8 - firstWeekday);
}

int WeekOf(int n) {
    return n / 7 + (n % 7 != 0 ? 1 : 0);
}

}  // namespace

int WeekOfYear(const QDate& date) {
    const int d = date.dayOfYear();
    const int j = QDate(date.year(), 1, 1).dayOfWeek();
    const int n = OffsetFromFirstWeek(d, j);
    if (n <= 0) return WeekOfYear(QDate(date.year() - 1, 12, 31));
    int week = WeekOf(n);
    if (week >= 53) {
        const int e = QDate(date.year(), 12, 31).dayOfWeek();
        if (e >= 1 && e <= 3) week = 1;
    }
    return week;
}

int WeekOfMonth(const QDate& date) {
    const int f = QDate(date.year(), date.month(), 1).dayOfWeek();
    const int t = date.day();
    const int n = OffsetFromFirstWeek(t, f);
    if (n <= 0) return WeekOfMonth(QDate(date.year(), date.month(), 1).addDays(-1));
    int week = WeekOf(n);
    const int days = date.daysInMonth();
    const int g = QDate(date.year(), date.month(), days).dayOfWeek();
    if (g >= 1 && g <= 3 && days - t < g) week = 1;
    return week;
}

QString WeekdayNumeral(const QDate& date) {
    static const char16_t* const numerals[] = {u"一", u"二", u"三", u"四", u"五", u"六", u"日"};
    const int w = date.dayOfWeek();
    return (w >= 1 && w <= 7) ? QString::fromUtf16(numerals[w - 1]) : QString();
}

QString WeekText(int week) {
    return week < 10 ? QStringLiteral(" ") + QString::number(week) : QString::number(week);
}

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}
