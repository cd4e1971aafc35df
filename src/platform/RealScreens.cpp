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

QScreen* Find(const ScreenInfo& wanted) {
    for (QScreen* s : QGuiApplication::screens())
        if (InfoOf(s).sameScreen(wanted)) return s;
    return nullptr;
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
    // A maximised window is let go of its screen, placed on the other one and maximised there
    // (a window manager keeps a maximised window where it is); without a window manager the
    // window takes the screen's size by itself.
    const Qt::WindowStates states = window->windowState();
    const bool full = states & (Qt::WindowMaximized | Qt::WindowFullScreen);
    if (full && window->isVisible()) window->setWindowState(states & ~(Qt::WindowMaximized));
    if (window->windowHandle()) window->windowHandle()->setScreen(s);
    window->setGeometry(s->availableGeometry());
    if (full) window->setWindowState(states);
}
