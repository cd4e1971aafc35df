// How the display's design (the form's places and sizes, in its own pixels) is drawn on a
// display area of any size: at one uniform scale, centred.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

struct DisplayScale {
    double s = 1.0;
    QPointF offset;  // of the design's origin in the area, in the area's pixels

    // A place or a rectangle of the design in the area (a child of a scaled control takes
    // offset zero: its parent is scaled already).
    QPoint map(const QPoint& design) const;
    QRect map(const QRect& design) const;
    // The same without the offset, for the controls inside a scaled control.
    QRect mapInside(const QRect& design) const;
    // A pixel length of the design (a font size) in the area.
    int length(int design) const;
    bool operator==(const DisplayScale&) const = default;
};

// The scale of a display area:
//   canvas   the display area as the form has it on the design screen (1024 × 768);
//   content  the part of it that holds the design's controls.
// s = min(area width / canvas width, area height / canvas height), the canvas centred in the
// area; an area smaller than the canvas that still holds the content keeps s = 1 (no needless
// shrinking, as under a window's title bar), anchored at the top left. At the canvas's own
// size s is 1 and the offset 0: every place and size is the form's.
DisplayScale ScaleFor(const QSize& area, const QSize& canvas, const QSize& content);
