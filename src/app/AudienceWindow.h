// The audience's window: the display drawn whole on a screen of its own (the projector), with
// nothing of the operator's on it — no tool bar, menu, status line, settings panel, box or
// mouse cursor.
//
// The display itself (Panel1 and every control on it) stays in the operator's window, where
// the operator works it exactly as before: its buttons, hot spots, digit boxes, Alt keys and
// focus are untouched, and a screen that comes or goes moves no control. This window holds no
// control at all: each time the operator's window has something to repaint, it draws the
// display anew at its own screen's size, through the display's own painting, so it shows what
// the display shows at that moment (colours, flashing, texts, positions, fonts, the concise
// display), scaled as fonts and shapes, not as a blown-up picture. What the operator sees in
// the display area is therefore an exact preview of the projector.
#pragma once

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QPointer>
#include <QWidget>
#include <functional>

class AudienceWindow : public QWidget {
    Q_OBJECT
  public:
    // display: the display (Panel1); operatorWindow: the window it lies in, whose repaints
    // tell this one to draw again.
    AudienceWindow(QWidget* display, QWidget* operatorWindow);
    ~AudienceWindow() override;

    // The part of the display the audience sees, in the display's own pixels (all of it by
    // default). The operator's window gives the design's canvas and whatever lies beyond it.
    std::function<QRect()> shownPart;
    QRect shownRect() const;

    // The picture this window shows, drawn at a size of one's choice.
    QImage picture(const QSize& size) const;
    // How many times the window has drawn the display.
    int paints() const { return paints_; }

  Q_SIGNALS:
    // The audience window was clicked: the operator's window is wanted in front.
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void draw(QPainter& painter, const QSize& size) const;
    // While the audience sees it, the display's own buttons and bars look the same whether or
    // not the settings panel over the display in the operator's window has disabled them.
    void keepEnabledLook(bool keep);

    QPointer<QWidget> display_;
    QPointer<QWidget> operator_;
    int paints_ = 0;
    bool pressed_ = false;
    QHash<QWidget*, QPalette> palettes_;
    QHash<QWidget*, QIcon> icons_;
};
