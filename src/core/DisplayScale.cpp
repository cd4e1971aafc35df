#include "core/DisplayScale.h"

#include <QtMath>
#include <algorithm>

QPoint DisplayScale::map(const QPoint& design) const {
    return QPoint(qRound(offset.x() + design.x() * s), qRound(offset.y() + design.y() * s));
}

QRect DisplayScale::map(const QRect& design) const {
    const QPoint topLeft = map(design.topLeft());
    const QPoint bottomRight = map(design.topLeft() + QPoint(design.width(), design.height()));
    return QRect(topLeft, bottomRight - QPoint(1, 1));
}

QRect DisplayScale::mapInside(const QRect& design) const {
    DisplayScale inside = *this;
    inside.offset = QPointF();
    return inside.map(design);
}

int DisplayScale::length(int design) const {
    return std::max(1, qRound(design * s));
}

DisplayScale ScaleFor(const QSize& area, const QSize& canvas, const QSize& content) {
    DisplayScale d;
    if (area.isEmpty() || canvas.isEmpty()) return d;
    d.s = std::min(double(area.width()) / canvas.width(), double(area.height()) / canvas.height());
    if (d.s < 1.0 && area.width() >= content.width() && area.height() >= content.height())
        d.s = 1.0;
    d.offset = QPointF(std::max(0.0, (area.width() - canvas.width() * d.s) / 2.0),
                       std::max(0.0, (area.height() - canvas.height() * d.s) / 2.0));
    return d;
}
