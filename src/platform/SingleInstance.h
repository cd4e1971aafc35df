// The single-instance lock "kvtmr": held by the first copy from start to exit. The operating
// system frees it with the process, so a copy that was killed does not block the next start.
#pragma once

#include <QString>
#include <memory>

class QLockFile;

class SingleInstanceLock {
  public:
    // name: the lock's identity ("kvtmr"); directory: where the lock file lives (the user's
    // runtime directory when empty).
    explicit SingleInstanceLock(const QString& name, const QString& directory = QString());
    ~SingleInstanceLock();

    // True when this process now holds the lock; false when another running copy holds it.
    // Any other failure (for example an unwritable directory) lets the start go on.
    bool tryAcquire();
    void release();
    QString path() const { return path_; }

  private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};
