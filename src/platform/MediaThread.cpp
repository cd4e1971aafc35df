#include "platform/MediaThread.h"

#include <QObject>
#include <QThread>

MediaThread::MediaThread(const QString& name) : thread_(new QThread), context_(new QObject) {
    thread_->setObjectName(name);
    context_->moveToThread(thread_);
    thread_->start();
}

MediaThread::~MediaThread() {
    if (!finished_) finish(kEndWaitMs);
}

bool MediaThread::finish(int ms) {
    if (finished_) return thread_ == nullptr;
    // Queued calls run in the order posted: this one comes after every job already posted.
    QThread* thread = thread_;
    post([thread] { thread->quit(); });
    finished_ = true;
    if (!thread_->wait(ms)) {
        // Stuck: the thread and its objects are left as they are (deleting a running thread
        // would end the process).
        return false;
    }
    delete context_;
    delete thread_;
    context_ = nullptr;
    thread_ = nullptr;
    return true;
}

void MediaThread::post(std::function<void()> job) {
    if (finished_) return;
    QMetaObject::invokeMethod(context_, std::move(job), Qt::QueuedConnection);
}
