#include "core/WorkThread.h"

#include <QFile>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "core/Files.h"

struct WorkThread::Shared {
    std::mutex mutex;
    std::condition_variable wake, idle;
    std::deque<std::function<void()>> jobs;
    bool busy = false;
    bool stop = false;

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stop || !jobs.empty(); });
            if (jobs.empty()) return;  // stopped, nothing left
            std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            busy = true;
            lock.unlock();
            job();
            lock.lock();
            busy = false;
            if (jobs.empty()) idle.notify_all();
        }
    }
};

WorkThread::WorkThread() : shared_(std::make_shared<Shared>()) {
    std::thread([shared = shared_] { shared->run(); }).detach();
}

WorkThread::~WorkThread() {
    flush(2000);
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->wake.notify_all();
}

void WorkThread::post(std::function<void()> job) {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->jobs.push_back(std::move(job));
    }
    shared_->wake.notify_one();
}

bool WorkThread::flush(int timeoutMs) {
    std::unique_lock lock(shared_->mutex);
    return shared_->idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [this] { return shared_->jobs.empty() && !shared_->busy; });
}

struct BackgroundFile::Latest {
    std::mutex mutex;
    std::optional<std::optional<QByteArray>> next;  // nothing to do / remove / write bytes
};

BackgroundFile::BackgroundFile(const QString& path)
    : path_(path), latest_(std::make_shared<Latest>()) {}

void BackgroundFile::write(const QByteArray& bytes) {
    set(std::optional<QByteArray>(bytes));
}

void BackgroundFile::remove() {
    set(std::nullopt);
}

void BackgroundFile::set(std::optional<QByteArray> content) {
    {
        std::lock_guard lock(latest_->mutex);
        latest_->next = std::move(content);
    }
    thread_.post([latest = latest_, path = path_] {
        std::optional<std::optional<QByteArray>> op;
        {
            std::lock_guard lock(latest->mutex);
            op.swap(latest->next);
        }
        if (!op) return;  // a later job did it already
        if (*op)
            WriteFileAtomically(path, **op);
        else if (QFile::remove(path))
            SyncDirectoryOf(path);
    });
}
