#include "app/AudienceWindow.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>

AudienceWindow::AudienceWindow(QWidget* display, QWidget* operatorWindow)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      display_(display),
      operator_(operatorWindow) {
    setObjectName(QStringLiteral("AudienceWindow"));
    setWindowTitle(QStringLiteral("澄屿计时器 显示"));
    setAccessibleName(QStringLiteral("投影屏幕上的显示"));
    // It takes no keys and no focus: the keys are the operator's window's.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // Every pixel is drawn at each paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // No mouse cursor in front of the audience.
    setCursor(Qt::BlankCursor);
    if (operator_) operator_->installEventFilter(this);
    // Made at once, so that a screen given to it before it shows is the one it shows on (a
    // window not made yet takes the screen its place lies on, and each screen of a desktop of
    // several X screens starts at 0, 0).
    create();
}

AudienceWindow::~AudienceWindow() {
    keepEnabledLook(false);
    if (operator_) operator_->removeEventFilter(this);
}

QRect AudienceWindow::shownRect() const {
    if (!display_) return {};
    const QRect all = display_->rect();
    if (!shownPart) return all;
    const QRect part = shownPart().intersected(all);
    return part.isEmpty() ? all : part;
}

void AudienceWindow::draw(QPainter& painter, const QSize& size) const {
    if (!display_) {
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::black);
        return;
    }
    // Beyond the part shown, the display's own colour (the colour it flashes in included).
    painter.fillRect(QRect(QPoint(0, 0), size), display_->palette().color(QPalette::Window));
    const QRect part = shownRect();
    if (part.isEmpty()) return;
    const double s =
        qMin(double(size.width()) / part.width(), double(size.height()) / part.height());
    painter.save();
    painter.translate((size.width() - part.width() * s) / 2.0,
                      (size.height() - part.height() * s) / 2.0);
    painter.scale(s, s);
    display_->render(&painter, QPoint(0, 0), QRegion(part),
                     QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter.restore();
}

QImage AudienceWindow::picture(const QSize& size) const {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    draw(painter, size);
    return image;
}

void AudienceWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, size());
    ++paints_;
}

void AudienceWindow::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void AudienceWindow::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) Q_EMIT clicked();
}

void AudienceWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    keepEnabledLook(true);
}

void AudienceWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    keepEnabledLook(false);
}

// Whatever changes in the display is repainted in the operator's window first: each such
// repaint is this window's cue to draw the display again (Qt gathers the changes of one pass
// of the event loop into one repaint).
bool AudienceWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == operator_ && event->type() == QEvent::UpdateRequest && isVisible()) update();
    return QWidget::eventFilter(watched, event);
}

void AudienceWindow::keepEnabledLook(bool keep) {
    if (!keep) {
        for (auto it = palettes_.begin(); it != palettes_.end(); ++it)
            if (it.key()) it.key()->setPalette(it.value());
        for (auto it = icons_.begin(); it != icons_.end(); ++it)
            if (auto* b = qobject_cast<QAbstractButton*>(it.key())) b->setIcon(it.value());
        palettes_.clear();
        icons_.clear();
        return;
    }
    if (!display_ || !palettes_.isEmpty()) return;
    for (QWidget* w : display_->findChildren<QWidget*>()) {
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (!button && !qobject_cast<QProgressBar*>(w)) continue;
        // A palette of its own is given back as it was; an inherited one is inherited again.
        palettes_.insert(w, w->testAttribute(Qt::WA_SetPalette) ? w->palette() : QPalette());
        QPalette pal = w->palette();
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto r = QPalette::ColorRole(role);
            pal.setBrush(QPalette::Disabled, r, pal.brush(QPalette::Active, r));
        }
        w->setPalette(pal);
        if (button && !button->icon().isNull()) {
            const QIcon icon = button->icon();
            icons_.insert(w, icon);
            QIcon same;
            QList<QSize> sizes = icon.availableSizes();
            if (sizes.isEmpty()) sizes << button->iconSize();
            for (const QSize& size : sizes) {
                const QPixmap normal = icon.pixmap(size);
                same.addPixmap(normal, QIcon::Normal);
                same.addPixmap(normal, QIcon::Disabled);
            }
            button->setIcon(same);
        }
    }
}
