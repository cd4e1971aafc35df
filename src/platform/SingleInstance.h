// The single-instance lock "kvtmr": held by the first copy from start to exit, so that there is
// one copy per settings file. It is an flock() lock, which the system lets go of together with
// its process: a copy that crashed or was killed never keeps the next one from starting,
// whatever it left behind and whether or not its file can be removed (a full or read-only
// folder).
//
// Two locks are taken. The lock file beside the settings file ("kvtmr.lock") is found by every
// copy on that folder, whatever its environment says. The second, in the user's runtime folder
// and named by the settings folder's identity, still works where the settings folder cannot be
// written and holds no lock file yet. A copy that finds either one held by another ends; a
// lock that cannot be had at all only counts for nothing.
#pragma once

#include <QString>

class SingleInstanceLock {
  public:
    // name: the lock's identity ("kvtmr"); directory: the folder of the settings file;
    // runtimeDirectory: the user's runtime folder (empty: none).
    SingleInstanceLock(const QString& name, const QString& directory,
                       const QString& runtimeDirectory = QString());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // False only when another running copy holds one of the locks. Any other outcome lets the
    // start go on: the locks taken, or as many of them as could be had.
    bool tryAcquire();
    void release();
    // The lock file beside the settings file, and the one in the runtime folder (empty when
    // there is none).
    QString path() const { return path_; }
    QString runtimePath() const { return runtimePath_; }
    // How many of the two locks are held (none: the folders allowed neither).
    int held() const { return (fd_ >= 0 ? 1 : 0) + (runtimeFd_ >= 0 ? 1 : 0); }

  private:
    QString path_;
    QString runtimePath_;
    int fd_ = -1;
    int runtimeFd_ = -1;
};
