// The screens of the desktop: which there are, each by its identity (name, model, serial, not
// its place in the list), and the moves of a window onto one of them. The desktop may plug
// screens in and out and change their sizes at any time; changed() says so.
#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

struct ScreenInfo {
    QString name;
    QString manufacturer;
    QString model;
    QString serial;
    QRect geometry;
    QRect available;  // without the desktop's own panels
    bool primary = false;

    // The same screen, whatever its place or size.
    bool sameScreen(const ScreenInfo& other) const {
        return name == other.name && model == other.model && serial == other.serial;
    }
    // How the operator knows it: the name, the model and the size.
    QString caption() const;
};

class ScreenList : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    virtual QList<ScreenInfo> screens() const = 0;
    // The screen that holds most of the window now.
    virtual ScreenInfo screenOf(const QWidget* window) const = 0;
    // Puts a window on a screen, filling it (maximised) or at a place of that screen.
    virtual void fill(QWidget* window, const ScreenInfo& screen) = 0;

  Q_SIGNALS:
    // A screen came or went, or one changed its size, its place or its turn.
    void changed();
};

// The screen of a list that is the given one, or the primary one when it is not there. Of two
// screens that tell the same identity (virtual screens without a model or serial), the one of
// the wanted size counts.
ScreenInfo ScreenOrPrimary(const QList<ScreenInfo>& screens, const ScreenInfo& wanted);

// A secondary window about to be shown comes onto the screen of the main window, at the same
// place of that screen as on the screen it was on.
void BringToScreenOf(const ScreenList& screens, QWidget* window, const QWidget* main);

// A window's frame moved onto an area, and made smaller where it is larger than the area, so
// that it lies wholly inside it.
QRect FitInside(const QRect& frame, const QRect& area);

// A window manager frames a window only after it has been shown, so a place worked out from
// the window's frame before that is worked out again once the frame is known: place runs
// whenever the size of the window's frame changes while the window is on screen. While the
// window manager is reparenting the window, Qt may see a frame that makes no sense (smaller
// than the window, or with the window in its top left corner); that is not taken for the
// frame. A frame that the window manager puts elsewhere than it was asked to is given its
// place again.
class FrameWatch : public QObject {
    Q_OBJECT
  public:
    FrameWatch(QWidget* window, std::function<void()> place);
    // The frame's margins around the window: as Qt sees them now where that makes sense, else
    // the last ones that did (none before the window was ever framed).
    QMargins margins();
    // The window's frame as it is, from the margins above.
    QRect frame();
    // Puts the window's frame at a place and size (the size as far as the margins are known).
    void placeFrame(const QRect& frame);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QMargins seenMargins() const;
    void give(const QRect& frame);

    QWidget* window_;
    std::function<void()> place_;
    QMargins margins_;
    bool placing_ = false;
    // The frame's place and size last wanted, until the window is seen there.
    std::optional<QRect> wanted_;
    int tries_ = 0;
    static constexpr int kTries = 3;
};
