#include "platform/RealScreens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

ScreenInfo InfoOf(const QScreen* s) {
    ScreenInfo info;
    if (!s) return info;
    info.name = s->name();
    info.manufacturer = s->manufacturer();
    info.model = s->model();
    info.serial = s->serialNumber();
    info.geometry = s->geometry();
    info.available = s->availableGeometry();
    info.primary = s == QGuiApplication::primaryScreen();
    return info;
}

// The screen that is the wanted one (of two that tell the same identity, the one of its size,
// and of two of the same size too, the one that is primary or not as the wanted one).
QScreen* Find(const ScreenInfo& wanted) {
    QScreen* found = nullptr;
    QScreen* sized = nullptr;
    for (QScreen* s : QGuiApplication::screens()) {
        const ScreenInfo info = InfoOf(s);
        if (!info.sameScreen(wanted)) continue;
        if (info.geometry == wanted.geometry) {
            if (info.primary == wanted.primary) return s;
            if (!sized) sized = s;
        }
        if (!found) found = s;
    }
    return sized ? sized : found;
}

}  // namespace

RealScreens::RealScreens(QObject* parent) : ScreenList(parent) {
    for (QScreen* s : QGuiApplication::screens())
        watch(s);
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        watch(s);
        Q_EMIT changed();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &ScreenList::changed);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &ScreenList::changed);
}

void RealScreens::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &ScreenList::changed);
    connect(screen, &QScreen::availableGeometryChanged, this, &ScreenList::changed);
    connect(screen, &QScreen::orientationChanged, this, &ScreenList::changed);
}

QList<ScreenInfo> RealScreens::screens() const {
    QList<ScreenInfo> out;
    for (const QScreen* s : QGuiApplication::screens())
        out << InfoOf(s);
    return out;
}

ScreenInfo RealScreens::screenOf(const QWidget* window) const {
    return InfoOf(window ? window->screen() : QGuiApplication::primaryScreen());
}

void RealScreens::fill(QWidget* window, const ScreenInfo& screen) {
    QScreen* s = Find(screen);
    if (!s || !window) return;
    const Qt::WindowStates states = window->windowState();
    const bool full = states & (Qt::WindowMaximized | Qt::WindowFullScreen);
    const bool visible = window->isVisible();
    // A window on screen goes to another one hidden and comes back there: a screen of a desktop
    // of its own needs a window made anew, and a window manager keeps a maximised window where
    // it is. Without a window manager the window takes the screen's size by itself.
    if (visible && window->screen() != s) window->hide();
    window->setScreen(s);
    window->setGeometry(s->availableGeometry());
    if (!visible) return;
    if (states & Qt::WindowFullScreen) {
        // The concise display covers the new screen whole, as it did the old one.
        window->setWindowState(states & ~Qt::WindowMinimized);
        window->show();
    } else if (full) {
        window->showMaximized();
    } else {
        window->show();
    }
}
