// The single-instance lock "kvtmr": held by the first copy from start to exit. It lives beside
// the settings file it guards, so there is one copy per settings file whatever else the
// environment says. Only a live copy holds it: a copy that was killed leaves a lock that the
// next start takes over.
#pragma once

#include <QString>
#include <memory>

class QLockFile;

class SingleInstanceLock {
  public:
    // name: the lock's identity ("kvtmr"); directory: where the lock file lives (the folder of
    // the settings file).
    SingleInstanceLock(const QString& name, const QString& directory);
    ~SingleInstanceLock();

    // False only when another running copy holds the lock. Any other outcome lets the start go
    // on: the lock taken, a lock file left by a dead copy (taken over), one that cannot be read
    // or removed, an unwritable directory.
    bool tryAcquire();
    void release();
    QString path() const { return path_; }

  private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};
