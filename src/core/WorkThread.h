// A thread of its own for file work that may wait (a slow, busy or full disk): jobs run one
// after the other in the order posted, and posting returns at once, so the clock and the
// window never wait for a disk.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class WorkThread {
  public:
    WorkThread();
    // Waits up to 2 s for the jobs posted; a disk that does not answer at all is left to the
    // thread, which then ends on its own.
    ~WorkThread();
    void post(std::function<void()> job);
    // Waits until every job posted so far has run, or the timeout passed; true when they have.
    bool flush(int timeoutMs);

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

// What jobs of a work thread report, handed to the main thread: send() from any thread; the
// handler runs on the main thread, from its event loop, or at once in deliver(). Reports that
// arrive after the inbox is gone are dropped.
template <class T>
class Inbox {
  public:
    using Handler = std::function<void(const T&)>;
    Inbox() : shared_(std::make_shared<Shared>()) {}
    ~Inbox() { shared_->handler = nullptr; }
    Inbox(const Inbox&) = delete;
    Inbox& operator=(const Inbox&) = delete;

    // Main thread.
    void setHandler(Handler handler) { shared_->handler = std::move(handler); }
    void deliver() { Deliver(shared_); }

    // A sender for a job to take along (it keeps the reports' place alive, not the handler).
    class Sender {
      public:
        void operator()(const T& value) const {
            {
                std::lock_guard lock(shared_->mutex);
                shared_->items.push_back(value);
            }
            QCoreApplication* app = QCoreApplication::instance();
            if (!app) return;
            QMetaObject::invokeMethod(
                app,
                [weak = std::weak_ptr<Shared>(shared_)] {
                    if (auto s = weak.lock()) Deliver(s);
                },
                Qt::QueuedConnection);
        }

      private:
        friend class Inbox;
        explicit Sender(std::shared_ptr<typename Inbox::Shared> shared)
            : shared_(std::move(shared)) {}
        std::shared_ptr<typename Inbox::Shared> shared_;
    };
    Sender sender() const { return Sender(shared_); }

  private:
    struct Shared {
        std::mutex mutex;
        std::deque<T> items;
        Handler handler;  // main thread only
    };
    static void Deliver(const std::shared_ptr<Shared>& s) {
        std::deque<T> items;
        {
            std::lock_guard lock(s->mutex);
            items.swap(s->items);
        }
        for (const T& item : items)
            if (s->handler) s->handler(item);
    }
    std::shared_ptr<Shared> shared_;
};

// A small file kept up to date in the background: the newest content wins (a write that has
// not started yet is replaced by a later one), each written atomically (a symbolic link is
// followed: the file it leads to is replaced); remove() deletes it.
//
// A job that fails leaves the file older than what was asked for, so the file is marked
// stale: moved aside to StalePathOf(path) (a move needs no free space, so a full disk allows
// it), or, where even that fails (a read-only folder), noted by an empty file at the marker
// path, in another folder. The next job that succeeds clears both marks. After each job the
// handler set by onDone gets its errno (0 for success) on the main thread.
class BackgroundFile {
  public:
    explicit BackgroundFile(const QString& path, const QString& markerPath = QString());
    ~BackgroundFile();
    QString path() const { return path_; }
    QString markerPath() const { return marker_; }
    void write(const QByteArray& bytes);
    void remove();
    void onDone(std::function<void(int error)> done);
    // Waits until every job posted has run (or the timeout passed; true when they have), and
    // hands their outcome to the handler now.
    bool flush(int timeoutMs);

    // Where a file that could not be brought up to date is moved aside: beside the file the
    // path resolves to, its name followed by ".stale".
    static QString StalePathOf(const QString& path);

  private:
    void set(std::optional<QByteArray> content);
    struct Latest;
    QString path_;
    QString marker_;
    std::shared_ptr<Latest> latest_;
    Inbox<int> results_;
    WorkThread thread_;
};
