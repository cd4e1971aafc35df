// The display drawn at any size: the controls below one surface widget (the display Panel1)
// keep their places, sizes and fonts as the form designs them, and are laid out at the
// display's scale (DisplayScale). Fonts are scaled as fonts, so the digits stay crisp.
//
// Code that places a control on the display or gives it a font speaks in design terms through
// the functions below; for a control that is not on a surface they are the plain ones.
#pragma once

#include <QFont>
#include <QHash>
#include <QObject>
#include <QRect>
#include <functional>
#include <optional>

#include "core/DisplayScale.h"

class QWidget;

// The font of a control as designed: what the settings store and the font dialog shows.
QFont DesignFont(const QWidget* w);
void SetDesignFont(QWidget* w, const QFont& font);
// The place of a control as designed, in its parent.
QPoint DesignPos(const QWidget* w);
void MoveDesign(QWidget* w, const QPoint& pos);
inline void MoveDesign(QWidget* w, int x, int y) {
    MoveDesign(w, QPoint(x, y));
}

class DesignSurface : public QObject {
    Q_OBJECT
  public:
    // root: the surface; content: the part of the canvas that holds the design's controls.
    DesignSurface(QWidget* root, const QSize& content);
    ~DesignSurface() override;

    // The canvas: the surface as the form has it on the design screen, now.
    std::function<QSize()> canvas;

    // Takes the places, sizes and fonts every control below the surface has now as its design.
    void adopt();
    // Lays everything out again at the surface's present size.
    void relayout();
    const DisplayScale& scale() const { return scale_; }
    QWidget* root() const { return root_; }

    // The design of one control below the surface.
    QRect designRect(const QWidget* w) const;
    std::optional<QFont> designFont(const QWidget* w) const;
    void setDesignPos(QWidget* w, const QPoint& pos);
    void setDesignFont(QWidget* w, const QFont& font);

    // The surface a control lies on, if any.
    static DesignSurface* of(const QWidget* w);

  Q_SIGNALS:
    // The scale or the offset changed.
    void scaleChanged();

  protected:
    // A font that code gives a control of the surface directly becomes its design.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Design {
        QRect rect;
        std::optional<QFont> font;
        QSize iconSize;
    };
    void apply(QWidget* w, const Design& d);

    QWidget* root_;
    QSize content_;
    DisplayScale scale_;
    QHash<const QWidget*, Design> designs_;
    bool applying_ = false;  // the surface itself is changing a control
};
