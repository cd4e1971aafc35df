#include "app/SettingsScroll.h"

#include <QApplication>
#include <QEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>

namespace {
constexpr int kBarWidth = 16;
constexpr int kMargin = 4;  // beyond the panel's right and bottom edges
}  // namespace

SettingsScroll::SettingsScroll(QWidget* client, QWidget* panel, QPoint place, int top)
    : QObject(client), client_(client), panel_(panel), place_(place), top_(top) {
    bar_ = new QScrollBar(Qt::Vertical, client);
    bar_->setObjectName(QStringLiteral("Panel2Scroll"));
    bar_->setAccessibleName(QStringLiteral("设置面板滚动条"));
    bar_->setToolTip(QStringLiteral("上下移动设置面板"));
    bar_->hide();
    hbar_ = new QScrollBar(Qt::Horizontal, client);
    hbar_->setObjectName(QStringLiteral("Panel2HScroll"));
    hbar_->setAccessibleName(QStringLiteral("设置面板水平滚动条"));
    hbar_->setToolTip(QStringLiteral("左右移动设置面板"));
    hbar_->hide();
    for (QScrollBar* b : {bar_, hbar_}) {
        b->setSingleStep(20);
        connect(b, &QScrollBar::valueChanged, this, &SettingsScroll::scroll);
    }
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now != panel_ && panel_->isAncestorOf(now)) showFocus(now);
    });
    panel_->installEventFilter(this);
    client_->installEventFilter(this);
}

QRect SettingsScroll::view() const {
    const int right = client_->width() - (bar_->isVisibleTo(client_) ? kBarWidth : 0);
    const int bottom = client_->height() - (hbar_->isVisibleTo(client_) ? kBarWidth : 0);
    return QRect(QPoint(0, top_), QPoint(right - 1, bottom - 1));
}

void SettingsScroll::update() {
    const QSize needed(place_.x() + panel_->width() + kMargin,
                       place_.y() + panel_->height() + kMargin);
    bool down = false;
    bool across = false;
    if (!panel_->isHidden()) {
        // Each bar takes room from the other direction.
        down = needed.height() > client_->height();
        across = needed.width() > client_->width() - (down ? kBarWidth : 0);
        if (!down && across) down = needed.height() > client_->height() - kBarWidth;
    }
    const int width = client_->width() - (down ? kBarWidth : 0);
    const int height = client_->height() - (across ? kBarWidth : 0);
    const auto set = [&](QScrollBar* b, bool shown, int overflow, int page, const QRect& place) {
        if (!shown) {
            b->hide();
            if (b->value() != 0) b->setValue(0);
            return;
        }
        b->setRange(0, overflow);
        b->setPageStep(qMax(1, page));
        b->setGeometry(place);
        b->show();
        b->raise();
    };
    set(bar_, down, needed.height() - height, height - top_,
        QRect(width, top_, kBarWidth, height - top_));
    set(hbar_, across, needed.width() - width, width, QRect(0, height, width, kBarWidth));
    if (down || across) scroll();
}

void SettingsScroll::toTop() {
    update();
    bar_->setValue(0);
    hbar_->setValue(0);
}

void SettingsScroll::scroll() {
    const QScopedValueRollback<bool> guard(moving_, true);
    panel_->move(place_ - QPoint(hbar_->value(), bar_->value()));
}

void SettingsScroll::showFocus(QWidget* focus) {
    const QRect r(focus->mapTo(client_, QPoint(0, 0)), focus->size());
    const QRect v = view();
    if (bar_->isVisible()) {
        if (r.top() < v.top())
            bar_->setValue(bar_->value() - (v.top() - r.top()) - kMargin);
        else if (r.bottom() > v.bottom())
            bar_->setValue(bar_->value() + (r.bottom() - v.bottom()) + kMargin);
    }
    if (hbar_->isVisible()) {
        if (r.left() < v.left())
            hbar_->setValue(hbar_->value() - (v.left() - r.left()) - kMargin);
        else if (r.right() > v.right())
            hbar_->setValue(hbar_->value() + (r.right() - v.right()) + kMargin);
    }
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
            // Put back at its form place by its toggle: the panel shows its top left corner
            // again.
            if (watched == panel_ && !moving_ && panel_->pos() == place_ &&
                (bar_->value() != 0 || hbar_->value() != 0)) {
                bar_->setValue(0);
                hbar_->setValue(0);
            }
            break;
        case QEvent::Wheel:
            if (watched == panel_) {
                // The wheel turned sideways (or a tilt wheel) moves the panel across.
                const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
                QScrollBar* b = qAbs(delta.x()) > qAbs(delta.y()) ? hbar_ : bar_;
                if (b->isVisible()) {
                    QCoreApplication::sendEvent(b, event);
                    return true;
                }
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
