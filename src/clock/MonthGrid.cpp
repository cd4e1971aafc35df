#include "clock/MonthGrid.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

// ---- the grid widget ------------------------------------------------------------------------

TCalendar::TCalendar(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 128, 128));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
}

void TCalendar::changed() {
    update();
    Q_EMIT Change();
}

QRect TCalendar::cellRect(int row, int column) const {
    const int rows = 7;  // the heading and up to six weeks
    const int w = width() / 7;
    const int h = height() / rows;
    return QRect(column * w, row * h, w, h);
}

QPoint TCalendar::cellOfDay(int day) const {
    const QDate first(date_.Year(), date_.Month(), 1);
    const int offset = first.dayOfWeek() % 7;  // Sunday is column 0
    const int index = offset + day - 1;
    return QPoint(index % 7, 1 + index / 7);
}

void TCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QColor(0, 90, 90));
    for (int r = 0; r <= 7; ++r)
        p.drawLine(0, cellRect(r, 0).top(), width(), cellRect(r, 0).top());
    for (int c = 0; c <= 7; ++c)
        p.drawLine(cellRect(0, c).left(), 0, cellRect(0, c).left(), height());
    p.setPen(palette().color(QPalette::WindowText));
    const QLocale locale(QLocale::Chinese, QLocale::China);
    for (int c = 0; c < 7; ++c) {
        const int weekday = c == 0 ? 7 : c;  // Sunday first
        p.drawText(cellRect(0, c), Qt::AlignCenter, locale.dayName(weekday, QLocale::ShortFormat));
    }
    const int days = date_.date().daysInMonth();
    for (int d = 1; d <= days; ++d) {
        const QPoint cell = cellOfDay(d);
        const QRect rect = cellRect(cell.y(), cell.x());
        if (d == date_.Day()) {
            p.fillRect(rect.adjusted(1, 1, 0, 0), palette().color(QPalette::Highlight));
            p.setPen(palette().color(QPalette::HighlightedText));
        } else {
            p.setPen(palette().color(QPalette::WindowText));
        }
        p.drawText(rect, Qt::AlignCenter, QString::number(d));
    }
}

void TCalendar::mousePressEvent(QMouseEvent* event) {
    const int days = date_.date().daysInMonth();
    for (int d = 1; d <= days; ++d) {
        const QPoint cell = cellOfDay(d);
        if (cellRect(cell.y(), cell.x()).contains(event->position().toPoint())) {
            if (date_.setDay(d)) changed();
            return;
        }
    }
}
