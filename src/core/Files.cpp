#include "core/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>

namespace {

int OpenNoWait(const QByteArray& path, int flags) {
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

FileRead ReadRegularFile(const QString& path, qint64 maxBytes) {
    FileRead r;
    const QByteArray name = QFile::encodeName(path);
    const int fd = OpenNoWait(name, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        r.error = errno;
        r.status = (errno == ENOENT || errno == ENOTDIR) ? FileRead::Status::Missing
                                                         : FileRead::Status::Failed;
        return r;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        r.error = errno;
        ::close(fd);
        return r;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        r.error = EISDIR;
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        r.status = FileRead::Status::NotRegular;
        return r;
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        r.status = FileRead::Status::TooLarge;
        return r;
    }
    // A regular file's reads do not wait; O_NONBLOCK is off again for the reading itself.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            r.error = errno;
            ::close(fd);
            return r;
        }
        if (n == 0) break;
        bytes.append(buffer, n);
        // A file that grows while it is read is cut at the limit, as a larger one is refused.
        if (bytes.size() > maxBytes) {
            ::close(fd);
            r.status = FileRead::Status::TooLarge;
            return r;
        }
    }
    ::close(fd);
    r.status = FileRead::Status::Ok;
    r.bytes = bytes;
    return r;
}

void SyncDirectoryOf(const QString& path) {
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = OpenNoWait(dir, O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int* error) {
    const QByteArray target = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    QByteArray temp = target + ".XXXXXX";
    int fd;
    do {
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    auto fail = [&](bool unlinkTemp) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        if (unlinkTemp) ::unlink(temp.constData());
        if (error) *error = err;
        return false;
    };
    if (fd < 0) return fail(false);
    // The new file keeps the old one's permissions; a first file gets the usual ones.
    struct stat old = {};
    mode_t mode = 0666;
    if (::stat(target.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (::fchmod(fd, mode) != 0) return fail(true);
    if (!WriteAll(fd, bytes.constData(), bytes.size())) return fail(true);
    if (::fsync(fd) != 0) return fail(true);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail(true);
    if (::rename(temp.constData(), target.constData()) != 0) return fail(true);
    SyncDirectoryOf(path);
    return true;
}

int RemoveStaleTemporaries(const QString& path, int minAgeSeconds) {
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QRegularExpression own(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(info.fileName())));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-minAgeSeconds);
    int removed = 0;
    const QFileInfoList entries =
        dir.entryInfoList({info.fileName() + QStringLiteral(".??????")},
                          QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QFileInfo& e : entries) {
        if (!own.match(e.fileName()).hasMatch()) continue;
        if (e.ownerId() != ::geteuid()) continue;
        if (e.lastModified() > before) continue;
        if (QFile::remove(e.absoluteFilePath())) ++removed;
    }
    return removed;
}

QMap<QString, QString> ParseKeyValues(const QByteArray& bytes) {
    QMap<QString, QString> values;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0) values.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return values;
}

QByteArray EncodeKeyValues(const QMap<QString, QString>& values) {
    QByteArray bytes;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        QString v = it.value();
        v.replace(u'\n', u' ').replace(u'\r', u' ');
        bytes += (it.key() + QLatin1Char('=') + v).toUtf8() + '\n';
    }
    return bytes;
}
