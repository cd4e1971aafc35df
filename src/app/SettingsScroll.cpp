#include "app/SettingsScroll.h"

#include <QApplication>
#include <QEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>

namespace {
constexpr int kBarWidth = 16;
constexpr int kMargin = 4;  // below the panel's bottom edge
}  // namespace

SettingsScroll::SettingsScroll(QWidget* client, QWidget* panel, QPoint place, int top)
    : QObject(client), client_(client), panel_(panel), place_(place), top_(top) {
    bar_ = new QScrollBar(Qt::Vertical, client);
    bar_->setObjectName(QStringLiteral("Panel2Scroll"));
    bar_->setAccessibleName(QStringLiteral("设置面板滚动条"));
    bar_->setToolTip(QStringLiteral("上下移动设置面板"));
    bar_->hide();
    connect(bar_, &QScrollBar::valueChanged, this, &SettingsScroll::scrollTo);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now != panel_ && panel_->isAncestorOf(now)) showFocus(now);
    });
    panel_->installEventFilter(this);
    client_->installEventFilter(this);
}

void SettingsScroll::update() {
    const int needed = place_.y() + panel_->height() + kMargin;
    const int overflow = needed - client_->height();
    if (panel_->isHidden() || overflow <= 0) {
        bar_->hide();
        if (bar_->value() != 0) bar_->setValue(0);
        return;
    }
    bar_->setRange(0, overflow);
    bar_->setPageStep(qMax(1, client_->height() - top_));
    bar_->setSingleStep(20);
    bar_->setGeometry(client_->width() - kBarWidth, top_, kBarWidth, client_->height() - top_);
    bar_->show();
    bar_->raise();
    scrollTo(bar_->value());
}

void SettingsScroll::toTop() {
    update();
    bar_->setValue(0);
}

void SettingsScroll::scrollTo(int value) {
    const QScopedValueRollback<bool> guard(moving_, true);
    panel_->move(place_.x(), place_.y() - value);
}

void SettingsScroll::showFocus(QWidget* focus) {
    if (!bar_->isVisible()) return;
    const QRect r(focus->mapTo(client_, QPoint(0, 0)), focus->size());
    if (r.top() < top_)
        bar_->setValue(bar_->value() - (top_ - r.top()) - kMargin);
    else if (r.bottom() > client_->height())
        bar_->setValue(bar_->value() + (r.bottom() - client_->height()) + kMargin);
}

bool SettingsScroll::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Resize:
            if (watched == client_) update();
            break;
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            if (watched == panel_) update();
            break;
        case QEvent::Move:
            // Put back at its form place by its toggle: the panel shows its top again.
            if (watched == panel_ && !moving_ && panel_->pos() == place_ && bar_->value() != 0)
                bar_->setValue(0);
            break;
        case QEvent::Wheel:
            if (watched == panel_ && bar_->isVisible()) {
                QCoreApplication::sendEvent(bar_, event);
                return true;
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
