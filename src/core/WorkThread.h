// A thread of its own for file work that may wait (a slow, busy or full disk): jobs run one
// after the other in the order posted, and posting returns at once, so the clock and the
// window never wait for a disk.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
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

// A small file kept up to date in the background: the newest content wins (a write that has
// not started yet is replaced by a later one), each written atomically; remove() deletes it.
class BackgroundFile {
  public:
    explicit BackgroundFile(const QString& path);
    QString path() const { return path_; }
    void write(const QByteArray& bytes);
    void remove();
    bool flush(int timeoutMs) { return thread_.flush(timeoutMs); }

  private:
    void set(std::optional<QByteArray> content);
    struct Latest;
    QString path_;
    std::shared_ptr<Latest> latest_;
    WorkThread thread_;
};
