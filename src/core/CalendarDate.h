// The selected date of the perpetual calendar's month grid.
#pragma once

#include <QDate>

// The selected date of the grid and the ways it changes.
class CalendarDate {
  public:
    CalendarDate() = default;
    explicit CalendarDate(const QDate& date) : date_(date) {}

    QDate date() const { return date_; }
    int Year() const { return date_.year(); }
    int Month() const { return date_.month(); }
    int Day() const { return date_.day(); }

    // One part at a time: a value below 1, a month above 12 or a day beyond the selected
    // month is ignored; a part that would make an impossible date throws ConvertError
    // "Invalid argument to date encode". True when the date changed.
    bool setYear(int year);
    bool setMonth(int month);
    bool setDay(int day);
    // All three parts in one step, so that no impossible date lies in between.
    bool setDate(int year, int month, int day);

    // The day stays when the new month has it, else it becomes the new month's last day.
    void nextMonth();
    void prevMonth();
    // 29 February first becomes 28 February, then the year changes.
    void nextYear();
    void prevYear();

  private:
    bool rebuild(int year, int month, int day);
    void page(int year, int month, int day);
    QDate date_ = QDate(2000, 1, 1);
};
