#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <cerrno>

#include "core/Files.h"

namespace {

enum class Outcome { Held, Busy, Unusable };

// Takes the flock() lock of one file, made when it is missing.
Outcome LockFile(const QString& path, int& fd) {
    fd = -1;
    if (path.isEmpty()) return Outcome::Unusable;
    const QByteArray name = QFile::encodeName(path);
    // Never waits on what lies there (a FIFO), never follows a link.
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    fd = ::open(name.constData(), O_RDWR | O_CREAT | flags, 0644);
    if (fd < 0 && errno == EACCES) {
        // A lock file of this user that lost its permissions: they are given back, so that
        // the lock of a live copy in it still counts.
        struct stat st = {};
        if (::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid() && ::chmod(name.constData(), 0644) == 0)
            fd = ::open(name.constData(), O_RDWR | flags);
    }
    // A folder that cannot be written: the lock file found there locks all the same.
    const bool writable = fd >= 0;
    if (fd < 0) fd = ::open(name.constData(), O_RDONLY | flags);
    if (fd < 0) return Outcome::Unusable;
    // Only a regular file of this user counts: nobody else can keep the program from starting.
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        fd = -1;
        return Outcome::Unusable;
    }
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int err = errno;
        ::close(fd);
        fd = -1;
        return err == EWOULDBLOCK ? Outcome::Busy : Outcome::Unusable;
    }
    // For the curious: which process holds it (the lock itself is the flock()).
    if (writable && ::ftruncate(fd, 0) == 0) {
        const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
        [[maybe_unused]] const ssize_t n = ::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
    }
    return Outcome::Held;
}

void Unlock(int& fd) {
    if (fd < 0) return;
    ::flock(fd, LOCK_UN);
    ::close(fd);
    fd = -1;
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const QString& name, const QString& directory,
                                       const QString& runtimeDirectory) {
    const QString dir = directory.isEmpty() ? QDir::tempPath() : directory;
    QDir().mkpath(dir);
    path_ = QDir(dir).filePath(name + QStringLiteral(".lock"));
    const QString key = FolderKey(dir);
    if (!runtimeDirectory.isEmpty() && !key.isEmpty())
        runtimePath_ = QDir(runtimeDirectory).filePath(name + u'-' + key + QStringLiteral(".lock"));
}

SingleInstanceLock::~SingleInstanceLock() {
    release();
}

bool SingleInstanceLock::tryAcquire() {
    release();
    if (LockFile(path_, fd_) == Outcome::Busy) return false;
    if (LockFile(runtimePath_, runtimeFd_) == Outcome::Busy) {
        release();
        return false;
    }
    return true;
}

void SingleInstanceLock::release() {
    // The files stay: removing a lock file while another copy may be opening it would let
    // two copies lock two different files.
    Unlock(runtimeFd_);
    Unlock(fd_);
}
