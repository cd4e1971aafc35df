// The settings panel on a screen too small for it: a scroll bar at the right edge of the
// window moves the panel up and down under the tool bar, and one at the bottom edge moves it
// left and right, so that every control of it can be reached; the wheel and moving the focus
// to a control out of sight scroll it too. Where the panel fits, nothing of this shows.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QScrollBar;
class QWidget;

class SettingsScroll : public QObject {
    Q_OBJECT
  public:
    // panel: the settings panel at its form place (left, top) in the client area; top: the
    // tool bar's bottom, which the panel scrolls under.
    SettingsScroll(QWidget* client, QWidget* panel, QPoint place, int top);
    // The client area changed size, or the panel came or went.
    void update();
    QScrollBar* bar() const { return bar_; }
    QScrollBar* horizontalBar() const { return hbar_; }
    // The part of the client area the panel is seen in: below the tool bar, beside the bars.
    QRect view() const;
    // The panel's top left corner in sight (it opens so).
    void toTop();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void scroll();
    void showFocus(QWidget* focus);

    QWidget* client_;
    QWidget* panel_;
    QPoint place_;
    int top_;
    QScrollBar* bar_;   // up and down
    QScrollBar* hbar_;  // left and right
    bool moving_ = false;
};
