#include "platform/SingleInstance.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace {
// A lock file that says nothing readable and is younger than this may be one that its live
// owner is still writing.
constexpr qint64 kBeingWrittenMs = 2000;
}  // namespace

SingleInstanceLock::SingleInstanceLock(const QString& name, const QString& directory) {
    QString dir = directory.isEmpty() ? QDir::tempPath() : directory;
    QDir().mkpath(dir);
    path_ = QDir(dir).filePath(name + QStringLiteral(".lock"));
    lock_ = std::make_unique<QLockFile>(path_);
    // Only a dead owner makes the lock stale, never its age.
    lock_->setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock() {
    release();
}

bool SingleInstanceLock::tryAcquire() {
    if (lock_->tryLock(0)) {
        held_ = true;
        return true;
    }
    // Permission and other errors: start as the first copy.
    if (lock_->error() != QLockFile::LockFailedError) return true;
    // The file names a live owner (tryLock itself removes the lock of a dead one).
    qint64 pid = 0;
    QString host, app;
    if (lock_->getLockInfo(&pid, &host, &app)) return false;
    // A lock that says nothing readable proves no live copy, unless it has only just been
    // made; it is taken over if it can be, and the start goes on either way.
    const QDateTime modified = QFileInfo(path_).lastModified();
    if (modified.isValid() && modified.msecsTo(QDateTime::currentDateTime()) < kBeingWrittenMs)
        return false;
    if (lock_->removeStaleLockFile() && lock_->tryLock(0)) held_ = true;
    return true;
}

void SingleInstanceLock::release() {
    if (held_) {
        lock_->unlock();
        held_ = false;
    }
}
