#include "platform/Screens.h"

#include <QWidget>

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
