// Week numbers of the clock panel.
#pragma once

#include <QDate>
#include <QString>

// ISO 8601 week of the year (1 to 53): weeks run Monday to Sunday and week 1 holds the year's
// first Thursday. Only the number is given, not the year it belongs to.
int WeekOfYear(const QDate& date);

// Week of the month (1 to 5): weeks run Monday to Sunday and a week counts in the month that
// holds its Thursday.
int WeekOfMonth(const QDate& date);

// The weekday as a Chinese numeral: "一" (Monday) to "六", "日" (Sunday).
QString WeekdayNumeral(const QDate& date);

// A week number as the clock shows it: 1 to 9 with one blank in front.
QString WeekText(int week);

// A month, day, hour, minute or second as the clock shows it: two digits.
QString TwoDigits(int value);
