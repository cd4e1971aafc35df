#include "platform/Screens.h"

#include <QDebug>
#include <QEvent>
#include <QScopedValueRollback>
#include <QWidget>
#include <QWindow>

QString ScreenInfo::caption() const {
    QString text = name;
    const QString what = (manufacturer + QLatin1Char(' ') + model).trimmed();
    if (!what.isEmpty() && what != name) text += QStringLiteral("（%1）").arg(what);
    return text + QStringLiteral(" %1×%2").arg(geometry.width()).arg(geometry.height());
}

void BringToScreenOf(const ScreenList& screens, QWidget* window, const QWidget* main) {
    if (!window || !main) return;
    const ScreenInfo mine = screens.screenOf(window);
    const ScreenInfo theirs = screens.screenOf(main);
    if (mine.sameScreen(theirs) || theirs.geometry.isEmpty()) return;
    window->move(window->pos() - mine.geometry.topLeft() + theirs.geometry.topLeft());
}

ScreenInfo ScreenOrPrimary(const QList<ScreenInfo>& screens, const ScreenInfo& wanted) {
    const ScreenInfo* found = nullptr;
    for (const ScreenInfo& s : screens)
        if (!wanted.name.isEmpty() && s.sameScreen(wanted)) {
            if (!found || s.geometry.size() == wanted.geometry.size()) found = &s;
            if (s.geometry.size() == wanted.geometry.size()) break;
        }
    if (found) return *found;
    for (const ScreenInfo& s : screens)
        if (s.primary) return s;
    return screens.isEmpty() ? ScreenInfo() : screens.first();
}

QRect FitInside(const QRect& frame, const QRect& area) {
    if (area.isEmpty()) return frame;
    QRect r(frame.topLeft(), frame.size().boundedTo(area.size()));
    if (r.right() > area.right()) r.moveRight(area.right());
    if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
    if (r.left() < area.left()) r.moveLeft(area.left());
    if (r.top() < area.top()) r.moveTop(area.top());
    return r;
}

FrameWatch::FrameWatch(QWidget* window, std::function<void()> place)
    : QObject(window), window_(window), place_(std::move(place)) {
    window_->installEventFilter(this);
}

QMargins FrameWatch::seenMargins() const {
    const QRect frame = window_->frameGeometry();
    const QRect client = window_->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

QMargins FrameWatch::margins() {
    const QMargins seen = seenMargins();
    const bool sensible =
        seen.left() >= 0 && seen.top() >= 0 && seen.right() >= 0 && seen.bottom() >= 0;
    // No frame at all, once there was one: shown again, the window is not framed yet.
    const bool unframed = seen.isNull() && !margins_.isNull();
    // A frame with all of its border right of and below the window: the window manager has
    // made the frame but not yet put the window in its place inside it.
    const bool shifted = seen.left() == 0 && seen.top() == 0 && !seen.isNull();
    if (sensible && !unframed && !shifted) margins_ = seen;
    return margins_;
}

QRect FrameWatch::frame() {
    return window_->geometry().marginsAdded(margins());
}

void FrameWatch::placeFrame(const QRect& frame) {
    wanted_ = frame;
    tries_ = 0;
    // Where a hidden window stands is not known for sure (a window manager that gave it up
    // left it where it wanted), so its place is always given.
    if (!window_->isVisible() || this->frame() != frame) give(frame);
}

void FrameWatch::give(const QRect& frame) {
    const QMargins known = margins();
    const QSize size = frame.size().shrunkBy(known);
    if (window_->size() != size) window_->resize(size);
    QWindow* handle = window_->windowHandle();
    if (!handle || (window_->isVisible() && seenMargins() == known)) {
        // On screen in a frame Qt sees as it is: the window goes to its place in the frame.
        window_->move(frame.topLeft());
    } else {
        // The frame's place goes to the window manager as it is (not turned into the window's
        // place by margins that may be out of date): it puts the frame there, and the window
        // inside.
        handle->setFramePosition(frame.topLeft());
    }
}

bool FrameWatch::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == window_ && !placing_ && !window_->isHidden() &&
        (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)) {
        const QScopedValueRollback<bool> guard(placing_, true);
        const QMargins before = margins_;
        if (margins() != before) {
            place_();
        } else if (wanted_ && window_->isVisible()) {
            // The window manager done with the window: the frame is where it was wanted, or
            // it is given its place once more (a few times at most, never against the
            // operator who moves it later).
            if (frame() == *wanted_)
                wanted_.reset();
            else if (++tries_ <= kTries)
                give(*wanted_);
            else
                wanted_.reset();
        }
    }
    return QObject::eventFilter(watched, event);
}
