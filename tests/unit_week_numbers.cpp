// Week numbers and weekday numerals of the clock panel.
#include <QtTest>

#include "core/WeekNumbers.h"

namespace {

// The Thursday of the Monday-to-Sunday week that holds the date.
QDate ThursdayOfWeek(const QDate& date) {
    return date.addDays(4 - date.dayOfWeek());
}

// Week of the month by its definition: the week counts in the month that holds its Thursday,
// and is numbered by the Thursdays of that month up to it.
int ReferenceWeekOfMonth(const QDate& date) {
    const QDate thursday = ThursdayOfWeek(date);
    return 1 + (thursday.day() - 1) / 7;
}

}  // namespace

class WeekNumbersTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void workedValues_data();
    void workedValues();
    void weekOfYearMatchesIsoReferenceOverACentury();
    void weekOfMonthMatchesThursdayRuleOverACentury();
    void monthEndsInEveryWeekdayPosition_data();
    void monthEndsInEveryWeekdayPosition();
    void weekdayNumerals_data();
    void weekdayNumerals();
    void weekText_data();
    void weekText();
};

void WeekNumbersTest::workedValues_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("weekday");
    QTest::addColumn<int>("weekOfYear");
    QTest::addColumn<int>("weekOfMonth");

    // A Friday that opens September counts in the last week of August.
    QTest::newRow("2006-09-01 Fri") << QDate(2006, 9, 1) << "五" << 35 << 5;
    QTest::newRow("2006-09-04 Mon") << QDate(2006, 9, 4) << "一" << 36 << 1;
    QTest::newRow("2006-12-31 Sun") << QDate(2006, 12, 31) << "日" << 52 << 4;
    QTest::newRow("2007-01-01 Mon") << QDate(2007, 1, 1) << "一" << 1 << 1;
    // The last, partial week of January holds a February Thursday.
    QTest::newRow("2007-01-28 Sun") << QDate(2007, 1, 28) << "日" << 4 << 4;
    QTest::newRow("2007-01-29 Mon") << QDate(2007, 1, 29) << "一" << 5 << 1;
    QTest::newRow("2007-01-30 Tue") << QDate(2007, 1, 30) << "二" << 5 << 1;
    QTest::newRow("2007-01-31 Wed") << QDate(2007, 1, 31) << "三" << 5 << 1;
    // A Monday 31 December lies in week 1 of the next year.
    QTest::newRow("2007-12-31 Mon") << QDate(2007, 12, 31) << "一" << 1 << 1;
    QTest::newRow("2007-12-30 Sun") << QDate(2007, 12, 30) << "日" << 52 << 4;
    // The first days of a year that begins on a Friday lie in week 53 of the year before.
    QTest::newRow("2010-01-03 Sun") << QDate(2010, 1, 3) << "日" << 53 << 5;
    QTest::newRow("2010-01-04 Mon") << QDate(2010, 1, 4) << "一" << 1 << 1;
    QTest::newRow("2009-12-31 Thu") << QDate(2009, 12, 31) << "四" << 53 << 5;
    // A leap year that begins on a Thursday has 53 weeks; 2005 begins on a Saturday and its
    // first days belong to week 53 of 2004.
    QTest::newRow("2004-12-31 Fri") << QDate(2004, 12, 31) << "五" << 53 << 5;
    QTest::newRow("2005-01-01 Sat") << QDate(2005, 1, 1) << "六" << 53 << 5;
    QTest::newRow("2005-01-02 Sun") << QDate(2005, 1, 2) << "日" << 53 << 5;
    // 2008 is a leap year beginning on a Tuesday: 31 December is a Wednesday, week 1.
    QTest::newRow("2008-12-28 Sun") << QDate(2008, 12, 28) << "日" << 52 << 4;
    QTest::newRow("2008-12-29 Mon") << QDate(2008, 12, 29) << "一" << 1 << 1;
    QTest::newRow("2008-12-31 Wed") << QDate(2008, 12, 31) << "三" << 1 << 1;
    // 29 February of a leap year; February 2008 begins on a Friday.
    QTest::newRow("2008-02-29 Fri") << QDate(2008, 2, 29) << "五" << 9 << 4;
    QTest::newRow("2008-02-03 Sun") << QDate(2008, 2, 3) << "日" << 5 << 5;
    QTest::newRow("2008-02-04 Mon") << QDate(2008, 2, 4) << "一" << 6 << 1;
    // A February of exactly four weeks (2010 begins it on a Monday).
    QTest::newRow("2010-02-01 Mon") << QDate(2010, 2, 1) << "一" << 5 << 1;
    QTest::newRow("2010-02-28 Sun") << QDate(2010, 2, 28) << "日" << 8 << 4;
    // A month beginning on a Thursday: its first day opens week 1.
    QTest::newRow("2007-11-01 Thu") << QDate(2007, 11, 1) << "四" << 44 << 1;
    QTest::newRow("2007-10-29 Mon") << QDate(2007, 10, 29) << "一" << 44 << 1;
    QTest::newRow("2007-10-28 Sun") << QDate(2007, 10, 28) << "日" << 43 << 4;
}

void WeekNumbersTest::workedValues() {
    QFETCH(QDate, date);
    QFETCH(QString, weekday);
    QFETCH(int, weekOfYear);
    QFETCH(int, weekOfMonth);
    QCOMPARE(WeekdayNumeral(date), weekday);
    QCOMPARE(WeekOfYear(date), weekOfYear);
    QCOMPARE(WeekOfMonth(date), weekOfMonth);
}

void WeekNumbersTest::weekOfYearMatchesIsoReferenceOverACentury() {
    int checked = 0;
    for (QDate d(1990, 1, 1); d <= QDate(2100, 12, 31); d = d.addDays(1)) {
        const int expected = d.weekNumber();
        const int actual = WeekOfYear(d);
        if (actual != expected)
            QFAIL(qPrintable(QStringLiteral("%1: week %2, expected %3")
                                 .arg(d.toString(Qt::ISODate))
                                 .arg(actual)
                                 .arg(expected)));
        ++checked;
    }
    QCOMPARE(checked, int(QDate(1990, 1, 1).daysTo(QDate(2100, 12, 31))) + 1);
}

void WeekNumbersTest::weekOfMonthMatchesThursdayRuleOverACentury() {
    for (QDate d(1990, 1, 1); d <= QDate(2100, 12, 31); d = d.addDays(1)) {
        const int expected = ReferenceWeekOfMonth(d);
        const int actual = WeekOfMonth(d);
        if (actual != expected)
            QFAIL(qPrintable(QStringLiteral("%1: week of the month %2, expected %3")
                                 .arg(d.toString(Qt::ISODate))
                                 .arg(actual)
                                 .arg(expected)));
        QVERIFY(actual >= 1 && actual <= 5);
    }
}

// Every month length (28, 29, 30, 31) with its last day on every weekday: the last seven days
// of the month and the first seven of the next one.
void WeekNumbersTest::monthEndsInEveryWeekdayPosition_data() {
    QTest::addColumn<QDate>("lastDay");
    QSet<QPair<int, int>> seen;  // (days in month, weekday of the last day)
    for (QDate first(2000, 1, 1); first < QDate(2040, 1, 1); first = first.addMonths(1)) {
        const QDate last(first.year(), first.month(), first.daysInMonth());
        const QPair<int, int> key(first.daysInMonth(), last.dayOfWeek());
        if (seen.contains(key)) continue;
        seen.insert(key);
        QTest::addRow("%d days, ends on weekday %d (%s)", key.first, key.second,
                      qPrintable(last.toString(Qt::ISODate)))
            << last;
    }
    QCOMPARE(seen.size(), 4 * 7);
}

void WeekNumbersTest::monthEndsInEveryWeekdayPosition() {
    QFETCH(QDate, lastDay);
    for (QDate d = lastDay.addDays(-6); d <= lastDay.addDays(7); d = d.addDays(1)) {
        const QDate thursday = ThursdayOfWeek(d);
        const int expected = 1 + (thursday.day() - 1) / 7;
        QVERIFY2(WeekOfMonth(d) == expected, qPrintable(QStringLiteral("%1: %2, expected %3")
                                                            .arg(d.toString(Qt::ISODate))
                                                            .arg(WeekOfMonth(d))
                                                            .arg(expected)));
    }
    // The month's last day lies in the next month's first week exactly when it is a Monday,
    // Tuesday or Wednesday; the next month's first day continues the last day's week when it
    // is a Friday, Saturday or Sunday, and opens week 1 otherwise.
    QCOMPARE(WeekOfMonth(lastDay) == 1, lastDay.dayOfWeek() <= 3);
    const QDate next = lastDay.addDays(1);
    QCOMPARE(WeekOfMonth(next), next.dayOfWeek() >= 5 ? WeekOfMonth(lastDay) : 1);
}

void WeekNumbersTest::weekdayNumerals_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("numeral");
    // 2007-01-01 is a Monday.
    const QStringList numerals = {"一", "二", "三", "四", "五", "六", "日"};
    for (int i = 0; i < 7; ++i)
        QTest::addRow("ISO weekday %d", i + 1) << QDate(2007, 1, 1).addDays(i) << numerals[i];
    QTest::newRow("next Monday") << QDate(2007, 1, 8) << "一";
}

void WeekNumbersTest::weekdayNumerals() {
    QFETCH(QDate, date);
    QFETCH(QString, numeral);
    QCOMPARE(WeekdayNumeral(date), numeral);
}

void WeekNumbersTest::weekText_data() {
    QTest::addColumn<int>("week");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << " 1";
    QTest::newRow("5") << 5 << " 5";
    QTest::newRow("9") << 9 << " 9";
    QTest::newRow("10") << 10 << "10";
    QTest::newRow("41") << 41 << "41";
    QTest::newRow("53") << 53 << "53";
}

void WeekNumbersTest::weekText() {
    QFETCH(int, week);
    QFETCH(QString, text);
    QCOMPARE(WeekText(week), text);
}

QTEST_APPLESS_MAIN(WeekNumbersTest)
#include "unit_week_numbers.moc"
