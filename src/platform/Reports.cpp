#include "platform/Reports.h"

#include <QPointer>
#include <QTimer>

#include "platform/Dialogs.h"

Reports::Reports(Dialogs& dialogs, QObject* parent) : QObject(parent), dialogs_(dialogs) {}

void Reports::later(const QString& text) {
    if (pending_.contains(text)) return;
    pending_.append(text);
    if (pending_.size() == 1) QTimer::singleShot(0, this, &Reports::showNext);
}

void Reports::once(const QString& source, const QString& text) {
    const auto it = once_.constFind(source);
    if (it != once_.constEnd() && *it == text) return;
    once_.insert(source, text);
    later(text);
}

void Reports::showNext() {
    QPointer<Reports> self(this);
    dialogs_.whenIdle([self] {
        if (!self || self->pending_.isEmpty()) return;
        self->dialogs_.error(self->pending_.constFirst());
        if (!self) return;
        self->pending_.removeFirst();
        if (!self->pending_.isEmpty()) QTimer::singleShot(0, self, &Reports::showNext);
    });
}
