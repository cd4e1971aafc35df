// The month grid of the perpetual calendar: a selected date and one month drawn as seven
// columns, Sunday first.
#pragma once

#include <QDate>
#include <QWidget>

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

class TCalendar : public QWidget {
    Q_OBJECT
  public:
    explicit TCalendar(QWidget* parent = nullptr);

    CalendarDate& value() { return date_; }
    const CalendarDate& value() const { return date_; }
    // Redraws after the date changed through value().
    void changed();
    // The cell (row 0 is the weekday heading) of a day of the shown month.
    QRect cellRect(int row, int column) const;
    QPoint cellOfDay(int day) const;

  Q_SIGNALS:
    void Change();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    CalendarDate date_;
};
