#include "platform/FirstFrame.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Watches the window's native window for the event that exposes it.
class FirstFrameWatch : public QObject {
  public:
    FirstFrameWatch(QWidget* window, std::function<void()> job)
        : QObject(window), job_(std::move(job)) {}

    void watch(QWindow* handle) {
        handle_ = handle;
        handle->installEventFilter(this);
    }

    // Posted: the expose event's handling, which draws the window, is over when it runs.
    void runSoon() {
        if (handle_) handle_->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            const std::function<void()> job = std::move(job_);
            deleteLater();
            if (job) job();
        });
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == handle_ && event->type() == QEvent::Expose && handle_->isExposed())
            runSoon();
        return false;
    }

  private:
    std::function<void()> job_;
    QPointer<QWindow> handle_;
};

}  // namespace

void AfterFirstFrame(QWidget* window, std::function<void()> job) {
    if (!window) return;
    auto* watch = new FirstFrameWatch(window, std::move(job));
    QWindow* handle = window->windowHandle();
    if (!handle || handle->isExposed())
        watch->runSoon();
    else
        watch->watch(handle);
}
