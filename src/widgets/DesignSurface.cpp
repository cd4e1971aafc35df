#include "widgets/DesignSurface.h"

#include <QAbstractButton>
#include <QEvent>
#include <QScopedValueRollback>
#include <QWidget>

#include "widgets/Controls.h"

namespace {

QHash<const QWidget*, DesignSurface*>& Surfaces() {
    static QHash<const QWidget*, DesignSurface*> surfaces;
    return surfaces;
}

// The pixel size of a designed font (the form's fonts are in pixels; a font given in points
// counts at 120 pixels per inch).
int DesignPixels(const QFont& f) {
    if (f.pixelSize() > 0) return f.pixelSize();
    return qMax(1, qRound(f.pointSizeF() * 120.0 / 72.0));
}

}  // namespace

DesignSurface::DesignSurface(QWidget* root, const QSize& content)
    : QObject(root), root_(root), content_(content) {
    Surfaces().insert(root, this);
}

DesignSurface::~DesignSurface() {
    Surfaces().remove(root_);
}

DesignSurface* DesignSurface::of(const QWidget* w) {
    for (const QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
        if (DesignSurface* s = Surfaces().value(p)) return s;
    return nullptr;
}

void DesignSurface::adopt() {
    designs_.clear();
    for (QWidget* w : root_->findChildren<QWidget*>()) {
        Design d;
        d.rect = w->geometry();
        if (w->testAttribute(Qt::WA_SetFont)) d.font = w->font();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) d.iconSize = b->iconSize();
        designs_.insert(w, d);
        w->installEventFilter(this);
    }
    scale_ = DisplayScale();
}

bool DesignSurface::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FontChange && !applying_) {
        auto* w = static_cast<QWidget*>(watched);
        auto it = designs_.find(w);
        if (it != designs_.end() && w->testAttribute(Qt::WA_SetFont)) {
            it->font = w->font();
            if (scale_.s != 1.0) apply(w, *it);
        }
    }
    return QObject::eventFilter(watched, event);
}

QRect DesignSurface::designRect(const QWidget* w) const {
    return designs_.value(w, Design{w->geometry(), std::nullopt, QSize()}).rect;
}

std::optional<QFont> DesignSurface::designFont(const QWidget* w) const {
    const auto it = designs_.constFind(w);
    return it == designs_.constEnd() ? std::nullopt : it->font;
}

void DesignSurface::setDesignPos(QWidget* w, const QPoint& pos) {
    const QScopedValueRollback<bool> guard(applying_, true);
    auto it = designs_.find(w);
    if (it == designs_.end()) it = designs_.insert(w, Design{w->geometry(), std::nullopt, QSize()});
    it->rect.moveTopLeft(pos);
    const QRect actual =
        w->parentWidget() == root_ ? scale_.map(it->rect) : scale_.mapInside(it->rect);
    w->move(actual.topLeft());
}

void DesignSurface::setDesignFont(QWidget* w, const QFont& font) {
    const QScopedValueRollback<bool> guard(applying_, true);
    auto it = designs_.find(w);
    if (it == designs_.end()) it = designs_.insert(w, Design{w->geometry(), std::nullopt, QSize()});
    it->font = font;
    QFont actual = font;
    actual.setPixelSize(scale_.length(DesignPixels(font)));
    if (scale_.s == 1.0) actual = font;
    w->setFont(actual);
}

void DesignSurface::relayout() {
    // Until its window is on screen the surface has no size of its own yet: the controls keep
    // the form's places and sizes.
    if (!root_->window()->isVisible()) return;
    const QSize canvasSize = canvas ? canvas() : root_->size();
    const DisplayScale next = ScaleFor(root_->size(), canvasSize, content_);
    if (next == scale_) return;
    scale_ = next;
    const QScopedValueRollback<bool> guard(applying_, true);
    // Parents before their children: a child's place counts in its scaled parent.
    for (QWidget* w : root_->findChildren<QWidget*>()) {
        const auto it = designs_.constFind(w);
        if (it != designs_.constEnd()) apply(w, *it);
    }
    Q_EMIT scaleChanged();
}

void DesignSurface::apply(QWidget* w, const Design& d) {
    const QScopedValueRollback<bool> guard(applying_, true);
    if (d.font) {
        QFont actual = *d.font;
        if (scale_.s != 1.0) actual.setPixelSize(scale_.length(DesignPixels(*d.font)));
        if (w->font() != actual) w->setFont(actual);
    }
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && d.iconSize.isValid())
        b->setIconSize(
            QSize(scale_.length(d.iconSize.width()), scale_.length(d.iconSize.height())));
    const QRect actual = w->parentWidget() == root_ ? scale_.map(d.rect) : scale_.mapInside(d.rect);
    auto* label = qobject_cast<TLabel*>(w);
    if (label && label->AutoSize()) {
        // A label that takes the size of its text: placed, then sized by its scaled font.
        w->move(actual.topLeft());
        label->adjustBounds();
    } else if (w->geometry() != actual) {
        w->setGeometry(actual);
    }
}

QFont DesignFont(const QWidget* w) {
    if (DesignSurface* s = DesignSurface::of(w))
        if (std::optional<QFont> f = s->designFont(w)) return *f;
    return w->font();
}

void SetDesignFont(QWidget* w, const QFont& font) {
    if (DesignSurface* s = DesignSurface::of(w))
        s->setDesignFont(w, font);
    else
        w->setFont(font);
}

QPoint DesignPos(const QWidget* w) {
    if (DesignSurface* s = DesignSurface::of(w)) return s->designRect(w).topLeft();
    return w->pos();
}

void MoveDesign(QWidget* w, const QPoint& pos) {
    if (DesignSurface* s = DesignSurface::of(w))
        s->setDesignPos(w, pos);
    else
        w->move(pos);
}
