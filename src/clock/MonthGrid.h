// The month grid of the perpetual calendar: a selected date and one month drawn as seven
// columns, Sunday first.
#pragma once

#include <QWidget>

#include "core/CalendarDate.h"

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
