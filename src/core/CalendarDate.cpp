#include "core/CalendarDate.h"

#include "core/Errors.h"

bool CalendarDate::rebuild(int year, int month, int day) {
    const QDate d(year, month, day);
    if (!d.isValid()) throw ConvertError(QStringLiteral("Invalid argument to date encode"));
    if (d == date_) return false;
    date_ = d;
    return true;
}

bool CalendarDate::setYear(int year) {
    if (year < 1 || year == Year()) return false;
    return rebuild(year, Month(), Day());
}

bool CalendarDate::setMonth(int month) {
    if (month < 1 || month > 12 || month == Month()) return false;
    return rebuild(Year(), month, Day());
}

bool CalendarDate::setDay(int day) {
    if (day < 1 || day > date_.daysInMonth() || day == Day()) return false;
    return rebuild(Year(), Month(), day);
}

bool CalendarDate::setDate(int year, int month, int day) {
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    const QDate first(year, month, 1);
    if (!first.isValid() || day > first.daysInMonth()) return false;
    return rebuild(year, month, day);
}

void CalendarDate::page(int year, int month, int day) {
    // There is no year before year 1: paging back from it leaves the date as it is.
    if (year < 1) return;
    date_ = QDate(year, month, day);
}

void CalendarDate::nextMonth() {
    const QDate first = QDate(Year(), Month(), 1).addMonths(1);
    page(first.year(), first.month(), qMin(Day(), first.daysInMonth()));
}

void CalendarDate::prevMonth() {
    const QDate first = QDate(Year(), Month(), 1).addMonths(-1);
    page(first.year(), first.month(), qMin(Day(), first.daysInMonth()));
}

void CalendarDate::nextYear() {
    const int day = (Month() == 2 && Day() == 29) ? 28 : Day();
    page(Year() + 1, Month(), day);
}

void CalendarDate::prevYear() {
    const int day = (Month() == 2 && Day() == 29) ? 28 : Day();
    page(Year() - 1, Month(), day);
}
