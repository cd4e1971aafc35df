#include "app/AudienceScreen.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

#include "core/Files.h"
#include "core/Options.h"

namespace {
const QString kName = QStringLiteral("screen.name");
const QString kModel = QStringLiteral("screen.model");
const QString kSerial = QStringLiteral("screen.serial");
const QString kSize = QStringLiteral("screen.size");

// One screen of the list: of two that tell the same identity at the same place (two X
// screens of one server each start at 0, 0), the primary one is not the other.
bool SameOne(const ScreenInfo& a, const ScreenInfo& b) {
    return a.sameScreen(b) && a.geometry == b.geometry && a.primary == b.primary;
}

// The same screen at the same place and size: nothing to move.
bool Unchanged(const ScreenInfo& a, const ScreenInfo& b) {
    return SameOne(a, b) && a.available == b.available;
}
}  // namespace

AudienceScreen::AudienceScreen(QWidget* window, ScreenList& screens, QMenu* menu)
    : QObject(window), window_(window), screens_(screens), menu_(menu) {
    connect(&screens_, &ScreenList::changed, this, &AudienceScreen::follow);
    screenCount_ = int(screens_.screens().size());
    rebuildMenu();
}

void AudienceScreen::setDisplayWindow(QWidget* display) {
    display_ = display;
}

void AudienceScreen::setOptions(Options* options) {
    options_ = options;
    if (!options_) return;
    wanted_.name = options_->value(kName);
    wanted_.model = options_->value(kModel);
    wanted_.serial = options_->value(kSerial);
    const QStringList size = options_->value(kSize).split(u'x');
    if (size.size() == 2) wanted_.geometry.setSize(QSize(size[0].toInt(), size[1].toInt()));
    rebuildMenu();
}

ScreenInfo AudienceScreen::target() const {
    const QList<ScreenInfo> all = screens_.screens();
    const ScreenInfo found = ScreenOrPrimary(all, wanted_);
    if (!wanted_.name.isEmpty() && found.sameScreen(wanted_)) return found;
    // Not chosen yet (or unplugged): a screen that is not the primary one, if there is one.
    for (const ScreenInfo& s : all)
        if (!s.primary) return s;
    return found;
}

ScreenInfo AudienceScreen::operatorScreen() const {
    const QList<ScreenInfo> all = screens_.screens();
    const ScreenInfo display = target();
    if (!display_ || all.size() < 2) return display;
    const auto other = [&](const ScreenInfo& s) { return !SameOne(s, display); };
    for (const ScreenInfo& s : all)
        if (s.primary && other(s)) return s;
    for (const ScreenInfo& s : all)
        if (other(s)) return s;
    return display;
}

bool AudienceScreen::displayApart() const {
    if (!display_) return false;
    const bool several = screens_.screens().size() >= 2;
    return several != swapped_;
}

void AudienceScreen::place() {
    const ScreenInfo screen = operatorScreen();
    placedOn_ = screen;
    screenCount_ = int(screens_.screens().size());
    auto move = [this, screen] { screens_.fill(window_, screen); };
    if (whileMoving)
        whileMoving(move);
    else
        move();
    if (window_->isVisible()) placeDisplay();
    rebuildMenu();
}

void AudienceScreen::showDisplay() {
    placeDisplay();
}

void AudienceScreen::placeDisplay() {
    if (!display_) return;
    if (!displayApart()) {
        displayOn_ = ScreenInfo();
        apartPlaced_ = false;
        if (display_->isVisible()) {
            display_->hide();
            // The operator's window, under the display until now, is the one in front.
            window_->raise();
            window_->activateWindow();
        }
        return;
    }
    const ScreenInfo screen = target();
    displayOn_ = screen;
    apartPlaced_ = true;
    screens_.fill(display_, screen);
    // Over the whole screen, without taking the keys from the operator's window.
    display_->setWindowState((display_->windowState() & ~Qt::WindowMinimized) |
                             Qt::WindowFullScreen);
    display_->show();
    display_->raise();
}

void AudienceScreen::choose(const ScreenInfo& screen) {
    wanted_ = screen;
    // The display goes to the screen chosen, out of the operator's window if it was back in.
    swapped_ = false;
    int error = 0;
    if (options_) {
        error = options_->setValues(
            {{kName, screen.name},
             {kModel, screen.model},
             {kSerial, screen.serial},
             {kSize,
              QStringLiteral("%1x%2").arg(screen.geometry.width()).arg(screen.geometry.height())}});
    }
    place();
    // Told once the window is on the screen chosen.
    if (error && notRemembered)
        notRemembered(
            QStringLiteral("显示屏幕的选择不能保存到%1（%2），下次启动时不会记住这个屏幕。")
                .arg(options_->path(), WriteErrorText(error)));
}

void AudienceScreen::swapDisplay() {
    if (!display_) return;
    swapped_ = !swapped_;
    if (window_->isVisible()) placeDisplay();
}

// A screen came or went or changed: each window goes where it belongs now (the display back
// to the chosen screen when it has come back, into the operator's window when no screen is
// left for it), or takes its screen's new size. A screen plugged in or out ends the swap.
void AudienceScreen::follow() {
    const int count = int(screens_.screens().size());
    if (count != screenCount_) swapped_ = false;
    screenCount_ = count;
    if (!window_->isVisible()) {
        rebuildMenu();
        return;
    }
    if (!Unchanged(operatorScreen(), placedOn_)) {
        place();
        return;
    }
    const bool apart = displayApart();
    if (apart != apartPlaced_ || (apart && !Unchanged(target(), displayOn_))) placeDisplay();
    rebuildMenu();
}

void AudienceScreen::rebuildMenu() {
    if (!menu_) return;
    menu_->clear();
    auto* group = new QActionGroup(menu_);
    const ScreenInfo current = target();
    for (const ScreenInfo& s : screens_.screens()) {
        QAction* a = menu_->addAction(s.caption());
        a->setCheckable(true);
        a->setChecked(SameOne(s, current));
        a->setToolTip(QStringLiteral("在此屏幕上全屏显示"));
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, s] { choose(s); });
    }
}
