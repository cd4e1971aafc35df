// The selected date of the perpetual calendar's month grid: paging by month and year, the
// one-part setters and the whole-date setter.
#include <QtTest>

#include "core/CalendarDate.h"
#include "core/Errors.h"

namespace {
enum class Step { NextMonth, PrevMonth, NextYear, PrevYear };
enum class Part { Year, Month, Day };
}  // namespace
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Part)

class CalendarDateTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void paging_data();
    void paging();
    void pagingAMonthAtATimeKeepsTheDayWhereItCan();
    void pagingStopsAtTheFirstYear();
    void onePartSetters_data();
    void onePartSetters();
    void impossibleDateIsAnEncodeError_data();
    void impossibleDateIsAnEncodeError();
    void setDateInOneStep_data();
    void setDateInOneStep();
};

void CalendarDateTest::paging_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<Step>("step");
    QTest::addColumn<QDate>("to");

    QTest::newRow("31 Jan -> 28 Feb")
        << QDate(2007, 1, 31) << Step::NextMonth << QDate(2007, 2, 28);
    QTest::newRow("31 Jan -> 29 Feb leap")
        << QDate(2008, 1, 31) << Step::NextMonth << QDate(2008, 2, 29);
    QTest::newRow("30 Jan -> 28 Feb")
        << QDate(2007, 1, 30) << Step::NextMonth << QDate(2007, 2, 28);
    QTest::newRow("28 Jan -> 28 Feb")
        << QDate(2007, 1, 28) << Step::NextMonth << QDate(2007, 2, 28);
    QTest::newRow("31 Mar -> 30 Apr")
        << QDate(2007, 3, 31) << Step::NextMonth << QDate(2007, 4, 30);
    QTest::newRow("30 Apr -> 30 May")
        << QDate(2007, 4, 30) << Step::NextMonth << QDate(2007, 5, 30);
    QTest::newRow("5 Jan -> 5 Feb") << QDate(2007, 1, 5) << Step::NextMonth << QDate(2007, 2, 5);
    QTest::newRow("31 Dec -> 31 Jan next year")
        << QDate(2007, 12, 31) << Step::NextMonth << QDate(2008, 1, 31);
    QTest::newRow("15 Dec -> 15 Jan next year")
        << QDate(1999, 12, 15) << Step::NextMonth << QDate(2000, 1, 15);

    QTest::newRow("31 Mar -> 29 Feb leap")
        << QDate(2008, 3, 31) << Step::PrevMonth << QDate(2008, 2, 29);
    QTest::newRow("31 Mar -> 28 Feb")
        << QDate(2007, 3, 31) << Step::PrevMonth << QDate(2007, 2, 28);
    QTest::newRow("31 Mar 1900 -> 28 Feb (no leap year)")
        << QDate(1900, 3, 31) << Step::PrevMonth << QDate(1900, 2, 28);
    QTest::newRow("31 Mar 2000 -> 29 Feb (leap year)")
        << QDate(2000, 3, 31) << Step::PrevMonth << QDate(2000, 2, 29);
    QTest::newRow("31 May -> 30 Apr")
        << QDate(2007, 5, 31) << Step::PrevMonth << QDate(2007, 4, 30);
    QTest::newRow("31 Jan -> 31 Dec previous year")
        << QDate(2007, 1, 31) << Step::PrevMonth << QDate(2006, 12, 31);
    QTest::newRow("1 Jan -> 1 Dec previous year")
        << QDate(2007, 1, 1) << Step::PrevMonth << QDate(2006, 12, 1);

    QTest::newRow("29 Feb 2008 -> 28 Feb 2009")
        << QDate(2008, 2, 29) << Step::NextYear << QDate(2009, 2, 28);
    QTest::newRow("29 Feb 2008 -> 28 Feb 2007")
        << QDate(2008, 2, 29) << Step::PrevYear << QDate(2007, 2, 28);
    QTest::newRow("29 Feb 2004 -> 28 Feb 2003")
        << QDate(2004, 2, 29) << Step::PrevYear << QDate(2003, 2, 28);
    QTest::newRow("28 Feb 2007 -> 28 Feb 2008")
        << QDate(2007, 2, 28) << Step::NextYear << QDate(2008, 2, 28);
    QTest::newRow("31 Dec 2007 -> 31 Dec 2008")
        << QDate(2007, 12, 31) << Step::NextYear << QDate(2008, 12, 31);
    QTest::newRow("5 Jan 2007 -> 5 Jan 2006")
        << QDate(2007, 1, 5) << Step::PrevYear << QDate(2006, 1, 5);
}

void CalendarDateTest::paging() {
    QFETCH(QDate, from);
    QFETCH(Step, step);
    QFETCH(QDate, to);
    CalendarDate c(from);
    switch (step) {
        case Step::NextMonth:
            c.nextMonth();
            break;
        case Step::PrevMonth:
            c.prevMonth();
            break;
        case Step::NextYear:
            c.nextYear();
            break;
        case Step::PrevYear:
            c.prevYear();
            break;
    }
    QCOMPARE(c.date(), to);
    QCOMPARE(c.Year(), to.year());
    QCOMPARE(c.Month(), to.month());
    QCOMPARE(c.Day(), to.day());
}

// The day is cut to the month's length on the way and is not given back later: from
// 31 January through February the day stays 28.
void CalendarDateTest::pagingAMonthAtATimeKeepsTheDayWhereItCan() {
    CalendarDate c(QDate(2007, 1, 31));
    const QList<QDate> expected = {QDate(2007, 2, 28), QDate(2007, 3, 28), QDate(2007, 4, 28)};
    for (const QDate& d : expected) {
        c.nextMonth();
        QCOMPARE(c.date(), d);
    }
    // Twelve months forward and back lands on the same date.
    CalendarDate round(QDate(2007, 8, 15));
    for (int i = 0; i < 12; ++i)
        round.nextMonth();
    QCOMPARE(round.date(), QDate(2008, 8, 15));
    for (int i = 0; i < 12; ++i)
        round.prevMonth();
    QCOMPARE(round.date(), QDate(2007, 8, 15));
}

// A year below 1 does not exist: paging back from year 1 leaves the date as it is, and the
// grid keeps a real date to page forward from.
void CalendarDateTest::pagingStopsAtTheFirstYear() {
    CalendarDate c(QDate(1, 6, 15));
    c.prevYear();
    QVERIFY(c.date().isValid());
    QCOMPARE(c.date(), QDate(1, 6, 15));
    c.nextYear();
    QCOMPARE(c.date(), QDate(2, 6, 15));

    CalendarDate jan(QDate(1, 1, 20));
    jan.prevMonth();
    QVERIFY(jan.date().isValid());
    QCOMPARE(jan.date(), QDate(1, 1, 20));
    jan.nextMonth();
    QCOMPARE(jan.date(), QDate(1, 2, 20));
}

void CalendarDateTest::onePartSetters_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<Part>("part");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QDate>("to");

    const QDate d(2007, 4, 15);
    QTest::newRow("year set") << d << Part::Year << 2010 << true << QDate(2010, 4, 15);
    QTest::newRow("year 1") << d << Part::Year << 1 << true << QDate(1, 4, 15);
    QTest::newRow("year 0 ignored") << d << Part::Year << 0 << false << d;
    QTest::newRow("year -5 ignored") << d << Part::Year << -5 << false << d;
    QTest::newRow("same year") << d << Part::Year << 2007 << false << d;

    QTest::newRow("month set") << d << Part::Month << 12 << true << QDate(2007, 12, 15);
    QTest::newRow("month 1") << d << Part::Month << 1 << true << QDate(2007, 1, 15);
    QTest::newRow("month 0 ignored") << d << Part::Month << 0 << false << d;
    QTest::newRow("month 13 ignored") << d << Part::Month << 13 << false << d;
    QTest::newRow("month -1 ignored") << d << Part::Month << -1 << false << d;
    QTest::newRow("same month") << d << Part::Month << 4 << false << d;
    QTest::newRow("month with a day it has")
        << QDate(2007, 1, 30) << Part::Month << 4 << true << QDate(2007, 4, 30);

    QTest::newRow("day set") << d << Part::Day << 30 << true << QDate(2007, 4, 30);
    QTest::newRow("day 1") << d << Part::Day << 1 << true << QDate(2007, 4, 1);
    QTest::newRow("day 0 ignored") << d << Part::Day << 0 << false << d;
    QTest::newRow("day 31 in April ignored") << d << Part::Day << 31 << false << d;
    QTest::newRow("day 29 in February 2007 ignored")
        << QDate(2007, 2, 10) << Part::Day << 29 << false << QDate(2007, 2, 10);
    QTest::newRow("day 29 in February 2008")
        << QDate(2008, 2, 10) << Part::Day << 29 << true << QDate(2008, 2, 29);
    QTest::newRow("day 30 in February 2008 ignored")
        << QDate(2008, 2, 10) << Part::Day << 30 << false << QDate(2008, 2, 10);
    QTest::newRow("same day") << d << Part::Day << 15 << false << d;
}

void CalendarDateTest::onePartSetters() {
    QFETCH(QDate, from);
    QFETCH(Part, part);
    QFETCH(int, value);
    QFETCH(bool, changed);
    QFETCH(QDate, to);
    CalendarDate c(from);
    bool result = false;
    switch (part) {
        case Part::Year:
            result = c.setYear(value);
            break;
        case Part::Month:
            result = c.setMonth(value);
            break;
        case Part::Day:
            result = c.setDay(value);
            break;
    }
    QCOMPARE(result, changed);
    QCOMPARE(c.date(), to);
}

// Setting one part so that the day does not exist in the month fails and keeps the date.
void CalendarDateTest::impossibleDateIsAnEncodeError_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<Part>("part");
    QTest::addColumn<int>("value");

    QTest::newRow("31 Jan, month 2") << QDate(2007, 1, 31) << Part::Month << 2;
    QTest::newRow("30 Jan 2008, month 2") << QDate(2008, 1, 30) << Part::Month << 2;
    QTest::newRow("29 Jan 2007, month 2") << QDate(2007, 1, 29) << Part::Month << 2;
    QTest::newRow("31 Mar, month 4") << QDate(2007, 3, 31) << Part::Month << 4;
    QTest::newRow("31 Mar, month 11") << QDate(2007, 3, 31) << Part::Month << 11;
    QTest::newRow("29 Feb 2008, year 2007") << QDate(2008, 2, 29) << Part::Year << 2007;
    QTest::newRow("29 Feb 2008, year 2100") << QDate(2008, 2, 29) << Part::Year << 2100;
}

void CalendarDateTest::impossibleDateIsAnEncodeError() {
    QFETCH(QDate, from);
    QFETCH(Part, part);
    QFETCH(int, value);
    CalendarDate c(from);
    try {
        if (part == Part::Month)
            c.setMonth(value);
        else
            c.setYear(value);
        QFAIL("no error for an impossible date");
    } catch (const ConvertError& e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid argument to date encode"));
    }
    QCOMPARE(c.date(), from);
}

void CalendarDateTest::setDateInOneStep_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QDate>("to");

    // Dates whose part-by-part way passes an impossible date.
    QTest::newRow("29 Feb 2008 -> 5 Jan 2007")
        << QDate(2008, 2, 29) << 2007 << 1 << 5 << true << QDate(2007, 1, 5);
    QTest::newRow("29 Feb 2008 -> 28 Feb 2007")
        << QDate(2008, 2, 29) << 2007 << 2 << 28 << true << QDate(2007, 2, 28);
    QTest::newRow("31 Mar 2008 -> 14 Feb 2007")
        << QDate(2008, 3, 31) << 2007 << 2 << 14 << true << QDate(2007, 2, 14);
    QTest::newRow("31 Mar 2007 -> 10 Apr 2007")
        << QDate(2007, 3, 31) << 2007 << 4 << 10 << true << QDate(2007, 4, 10);
    QTest::newRow("31 Jan 2007 -> 29 Feb 2008")
        << QDate(2007, 1, 31) << 2008 << 2 << 29 << true << QDate(2008, 2, 29);
    QTest::newRow("same date") << QDate(2007, 1, 5) << 2007 << 1 << 5 << false << QDate(2007, 1, 5);
    // Parts out of range leave the date as it is.
    QTest::newRow("29 Feb in 2007 ignored")
        << QDate(2007, 1, 5) << 2007 << 2 << 29 << false << QDate(2007, 1, 5);
    QTest::newRow("31 Apr ignored")
        << QDate(2007, 1, 5) << 2007 << 4 << 31 << false << QDate(2007, 1, 5);
    QTest::newRow("month 13 ignored")
        << QDate(2007, 1, 5) << 2007 << 13 << 1 << false << QDate(2007, 1, 5);
    QTest::newRow("month 0 ignored")
        << QDate(2007, 1, 5) << 2007 << 0 << 1 << false << QDate(2007, 1, 5);
    QTest::newRow("day 0 ignored")
        << QDate(2007, 1, 5) << 2007 << 1 << 0 << false << QDate(2007, 1, 5);
    QTest::newRow("year 0 ignored")
        << QDate(2007, 1, 5) << 0 << 1 << 5 << false << QDate(2007, 1, 5);
}

void CalendarDateTest::setDateInOneStep() {
    QFETCH(QDate, from);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(bool, changed);
    QFETCH(QDate, to);
    CalendarDate c(from);
    bool result = false;
    try {
        result = c.setDate(year, month, day);
    } catch (const KvtmrError& e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(result, changed);
    QCOMPARE(c.date(), to);
}

QTEST_APPLESS_MAIN(CalendarDateTest)
#include "unit_calendar_date.moc"
