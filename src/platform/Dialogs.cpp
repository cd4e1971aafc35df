#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QTimer>

void Dialogs::whenIdle(std::function<void()> f) {
    if (open_ == 0) {
        f();
        return;
    }
    waiting_.push_back(std::move(f));
}

Dialogs::OpenBox::OpenBox(Dialogs& dialogs) : dialogs_(dialogs) {
    ++dialogs_.open_;
}

Dialogs::OpenBox::~OpenBox() {
    if (--dialogs_.open_ > 0 || dialogs_.waiting_.empty()) return;
    // Not from inside the answered box's caller: from the event loop, and only if no other
    // box has opened by then.
    Dialogs* dialogs = &dialogs_;
    QTimer::singleShot(0, QCoreApplication::instance(), [dialogs] {
        auto waiting = std::move(dialogs->waiting_);
        dialogs->waiting_.clear();
        for (auto& f : waiting)
            dialogs->whenIdle(std::move(f));
    });
}
