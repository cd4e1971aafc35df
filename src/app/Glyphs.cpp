#include "app/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void Draw(QPainter& p, Glyph g, bool enabled) {
    const QColor ink = enabled ? QColor(30, 30, 30) : QColor(150, 150, 150);
    const QColor accent = enabled ? QColor(200, 30, 30) : QColor(170, 170, 170);
    const QColor green = enabled ? QColor(20, 140, 40) : QColor(170, 170, 170);
    const QColor blue = enabled ? QColor(30, 80, 190) : QColor(170, 170, 170);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(ink, 1.4);
    p.setPen(pen);
    switch (g) {
        case Glyph::App:
        case Glyph::Timer: {  // a stopwatch
            p.setBrush(enabled ? QColor(250, 240, 200) : Qt::transparent);
            p.drawEllipse(QRectF(2.5, 3.5, 11, 11));
            p.drawLine(QPointF(8, 1.5), QPointF(8, 3.5));
            p.drawLine(QPointF(6, 1.5), QPointF(10, 1.5));
            p.setPen(QPen(accent, 1.6));
            p.drawLine(QPointF(8, 9), QPointF(10.5, 6.5));
            break;
        }
        case Glyph::Exit: {  // a door with an arrow leaving it
            p.drawRect(QRectF(2.5, 2.5, 7, 11));
            p.setPen(QPen(accent, 1.8));
            p.drawLine(QPointF(7, 8), QPointF(14, 8));
            p.drawLine(QPointF(11.5, 5.5), QPointF(14, 8));
            p.drawLine(QPointF(11.5, 10.5), QPointF(14, 8));
            break;
        }
        case Glyph::Settings: {  // sliders
            for (int i = 0; i < 3; ++i) {
                const double y = 3.5 + i * 4.5;
                p.setPen(QPen(ink, 1.2));
                p.drawLine(QPointF(2, y), QPointF(14, y));
                p.setPen(QPen(blue, 1));
                p.setBrush(blue);
                const double x = (i == 1) ? 10 : (i == 0 ? 5 : 7.5);
                p.drawRect(QRectF(x - 1.5, y - 2, 3, 4));
            }
            break;
        }
        case Glyph::Clock: {
            p.setBrush(enabled ? QColor(210, 240, 230) : Qt::transparent);
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.drawLine(QPointF(8, 8), QPointF(8, 4));
            p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
            break;
        }
        case Glyph::Prep: {  // an hourglass
            QPainterPath path;
            path.moveTo(4, 2);
            path.lineTo(12, 2);
            path.lineTo(8.5, 8);
            path.lineTo(12, 14);
            path.lineTo(4, 14);
            path.lineTo(7.5, 8);
            path.closeSubpath();
            p.setBrush(enabled ? QColor(240, 220, 150) : Qt::transparent);
            p.drawPath(path);
            break;
        }
        case Glyph::Music: {  // a note
            p.setBrush(blue);
            p.setPen(QPen(blue, 1.4));
            p.drawEllipse(QRectF(3, 10, 4, 3.5));
            p.drawEllipse(QRectF(9.5, 8.5, 4, 3.5));
            p.drawLine(QPointF(7, 11.5), QPointF(7, 3));
            p.drawLine(QPointF(13.5, 10), QPointF(13.5, 2));
            p.drawLine(QPointF(7, 3), QPointF(13.5, 2));
            break;
        }
        case Glyph::Concise: {  // a screen with arrows to its corners
            p.drawRect(QRectF(2.5, 3.5, 11, 9));
            p.setPen(QPen(accent, 1.2));
            p.drawLine(QPointF(5, 6), QPointF(7, 8));
            p.drawLine(QPointF(11, 6), QPointF(9, 8));
            p.drawLine(QPointF(5, 10), QPointF(7, 8));
            p.drawLine(QPointF(11, 10), QPointF(9, 8));
            break;
        }
        case Glyph::Calendar: {
            p.setBrush(enabled ? Qt::white : Qt::transparent);
            p.drawRect(QRectF(2.5, 3.5, 11, 10));
            p.fillRect(QRectF(3, 4, 10, 2.5), accent);
            p.setPen(QPen(ink, 1));
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 3; ++c)
                    p.drawPoint(QPointF(5 + c * 3, 9 + r * 2.5));
            break;
        }
        case Glyph::Set: {  // a check mark
            p.setPen(QPen(green, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
            break;
        }
        case Glyph::Clear: {  // a zero
            p.setPen(QPen(accent, 2));
            p.drawEllipse(QRectF(4.5, 2.5, 7, 11));
            break;
        }
        case Glyph::Reset: {  // a circular arrow
            p.setPen(QPen(blue, 1.8));
            p.drawArc(QRectF(3, 3, 10, 10), 100 * 16, 280 * 16);
            p.setBrush(blue);
            p.drawPolygon(QPolygonF({QPointF(6, 1.5), QPointF(9.5, 3.5), QPointF(6, 6)}));
            break;
        }
        case Glyph::Pause: {
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawRect(QRectF(4, 3, 3, 10));
            p.drawRect(QRectF(9, 3, 3, 10));
            break;
        }
        case Glyph::Start: {
            p.setPen(Qt::NoPen);
            p.setBrush(green);
            p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13, 8), QPointF(4, 13.5)}));
            break;
        }
        case Glyph::Help: {
            p.setBrush(blue);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setPen(QPen(Qt::white, 1.6));
            p.drawArc(QRectF(5.5, 4, 5, 4.5), 180 * 16, -230 * 16);
            p.drawLine(QPointF(8, 8.5), QPointF(8, 9.8));
            p.drawPoint(QPointF(8, 12));
            break;
        }
        case Glyph::About: {
            p.setBrush(green);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setPen(QPen(Qt::white, 1.8));
            p.drawPoint(QPointF(8, 4.8));
            p.drawLine(QPointF(8, 7), QPointF(8, 12));
            break;
        }
    }
}

QPixmap Render(Glyph g, bool enabled, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.scale(size / 16.0, size / 16.0);
    Draw(p, g, enabled);
    return pm;
}

}  // namespace

QIcon MakeGlyph(Glyph glyph) {
    QIcon icon;
    for (int size : {16, 32}) {
        icon.addPixmap(Render(glyph, true, size), QIcon::Normal);
        icon.addPixmap(Render(glyph, false, size), QIcon::Disabled);
    }
    return icon;
}
