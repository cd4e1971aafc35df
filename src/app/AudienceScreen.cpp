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
}  // namespace

AudienceScreen::AudienceScreen(QWidget* window, ScreenList& screens, QMenu* menu)
    : QObject(window), window_(window), screens_(screens), menu_(menu) {
    connect(&screens_, &ScreenList::changed, this, &AudienceScreen::follow);
    rebuildMenu();
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
    return ScreenOrPrimary(screens_.screens(), wanted_);
}

void AudienceScreen::place() {
    const ScreenInfo screen = target();
    placedOn_ = screen;
    auto move = [this, screen] { screens_.fill(window_, screen); };
    if (whileMoving)
        whileMoving(move);
    else
        move();
    rebuildMenu();
}

void AudienceScreen::choose(const ScreenInfo& screen) {
    wanted_ = screen;
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

// A screen came or went or changed: the window goes where it belongs now (back to the chosen
// screen when it has come back, to the primary one when it has gone), or takes its screen's
// new size.
void AudienceScreen::follow() {
    const ScreenInfo screen = target();
    if (!window_->isVisible()) {
        rebuildMenu();
        return;
    }
    if (!screen.sameScreen(placedOn_) || screen.geometry != placedOn_.geometry ||
        screen.available != placedOn_.available)
        place();
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
        a->setChecked(s.sameScreen(current) && s.geometry == current.geometry);
        a->setToolTip(QStringLiteral("在此屏幕上全屏显示"));
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, s] { choose(s); });
    }
}
