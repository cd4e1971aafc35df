#include "platform/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

SingleInstanceLock::SingleInstanceLock(const QString& name, const QString& directory) {
    QString dir = directory;
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
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
    // Held by a live process. A lock left by a dead process is removed by tryLock itself.
    if (lock_->error() == QLockFile::LockFailedError) return false;
    // Permission or other errors: start as the first copy.
    return true;
}

void SingleInstanceLock::release() {
    if (held_) {
        lock_->unlock();
        held_ = false;
    }
}
