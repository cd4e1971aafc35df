#include "core/WorkThread.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
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

namespace {

// The file is older than what it should hold: moved aside, or else noted in the marker.
void MarkStale(const QString& path, const QString& marker) {
    const QString resolved = ResolveLinks(path);
    const QByteArray from = QFile::encodeName(resolved);
    const QByteArray to = QFile::encodeName(BackgroundFile::StalePathOf(path));
    if (::rename(from.constData(), to.constData()) == 0) {
        SyncDirectoryOf(resolved);
        return;
    }
    // No file: there is nothing that could be taken for the newer one (an earlier mark stays).
    if (errno == ENOENT) return;
    if (marker.isEmpty()) return;
    const int fd = ::open(QFile::encodeName(marker).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) ::close(fd);
}

void ClearStale(const QString& path, const QString& marker) {
    ::unlink(QFile::encodeName(BackgroundFile::StalePathOf(path)).constData());
    if (!marker.isEmpty()) ::unlink(QFile::encodeName(marker).constData());
}

}  // namespace

BackgroundFile::BackgroundFile(const QString& path, const QString& markerPath)
    : path_(path), marker_(markerPath), latest_(std::make_shared<Latest>()) {}

BackgroundFile::~BackgroundFile() {
    results_.setHandler(nullptr);
}

QString BackgroundFile::StalePathOf(const QString& path) {
    return ResolveLinks(path) + QStringLiteral(".stale");
}

void BackgroundFile::onDone(std::function<void(int error)> done) {
    if (!done) {
        results_.setHandler(nullptr);
        return;
    }
    results_.setHandler([done = std::move(done)](const int& error) { done(error); });
}

bool BackgroundFile::flush(int timeoutMs) {
    const bool done = thread_.flush(timeoutMs);
    results_.deliver();
    return done;
}

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
    thread_.post([latest = latest_, path = path_, marker = marker_, report = results_.sender()] {
        std::optional<std::optional<QByteArray>> op;
        {
            std::lock_guard lock(latest->mutex);
            op.swap(latest->next);
        }
        if (!op) return;  // a later job did it already
        int error = 0;
        const bool done =
            *op ? WriteFileAtomically(path, **op, &error) : RemoveResolvedFile(path, &error);
        if (done) {
            ClearStale(path, marker);
        } else {
            if (!error) error = EIO;
            MarkStale(path, marker);
        }
        report(done ? 0 : error);
    });
}
