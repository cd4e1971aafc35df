#include "core/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <climits>

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

QString ResolveLinks(const QString& path) {
    QString current = QFileInfo(path).absoluteFilePath();
    // As many links as the system itself follows; a longer chain fails at the write (ELOOP).
    for (int hops = 0; hops < 40; ++hops) {
        char buffer[PATH_MAX];
        const ssize_t n =
            ::readlink(QFile::encodeName(current).constData(), buffer, sizeof buffer - 1);
        if (n < 0) break;  // not a link, or not there: this is the file
        const QString target = QFile::decodeName(QByteArray(buffer, n));
        // A relative link is read from the link's own folder. ".." is left to the system,
        // which resolves it after the links of the folders before it.
        current = target.startsWith(u'/')
                      ? target
                      : QFileInfo(current).absolutePath() + QLatin1Char('/') + target;
    }
    return current;
}

namespace {

// A new temporary file beside the resolved file: "<dir>/.kvtmr-tmp-<name>.XXXXXX".
int MakeTemporary(const QString& resolved, QByteArray& temp) {
    const QFileInfo info(resolved);
    temp = QFile::encodeName(info.absolutePath() + QLatin1Char('/') +
                             QLatin1String(kTemporaryPrefix) + info.fileName()) +
           ".XXXXXX";
    int fd;
    do {
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int* error,
                         FileAccess access) {
    // A link stays a link: the file it leads to is replaced, in its own folder.
    const QString resolved = ResolveLinks(path);
    const QByteArray target = QFile::encodeName(resolved);
    QByteArray temp;
    int fd = MakeTemporary(resolved, temp);
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
    if (access == FileAccess::Private) mode = 0600;
    if (::fchmod(fd, mode) != 0) return fail(true);
    if (!WriteAll(fd, bytes.constData(), bytes.size())) return fail(true);
    if (::fsync(fd) != 0) return fail(true);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail(true);
    if (::rename(temp.constData(), target.constData()) != 0) return fail(true);
    SyncDirectoryOf(resolved);
    return true;
}

bool RemoveResolvedFile(const QString& path, int* error) {
    const QString resolved = ResolveLinks(path);
    if (::unlink(QFile::encodeName(resolved).constData()) != 0) {
        if (errno == ENOENT) return true;
        if (error) *error = errno;
        return false;
    }
    SyncDirectoryOf(resolved);
    return true;
}

int ProbeWritable(const QString& path, qint64 bytes) {
    QByteArray temp;
    const int fd = MakeTemporary(ResolveLinks(path), temp);
    if (fd < 0) return errno;
    const QByteArray zeros(bytes, '\0');
    int err = WriteAll(fd, zeros.constData(), zeros.size()) ? 0 : errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    ::unlink(temp.constData());
    return err;
}

QString WriteErrorText(int error) {
    switch (error) {
        case ENOSPC:
            return QStringLiteral("磁盘已满");
        case EDQUOT:
            return QStringLiteral("磁盘配额已用完");
        case EFBIG:
            return QStringLiteral("超过了文件大小的限制");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有写入权限");
        case EROFS:
            return QStringLiteral("所在的磁盘是只读的");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("文件夹不存在");
        case EISDIR:
            return QStringLiteral("文件的位置上是一个文件夹");
        case ELOOP:
            return QStringLiteral("符号链接过多");
        case EIO:
            return QStringLiteral("磁盘读写错误");
        default:
            return QStringLiteral("写入错误，代码%1").arg(error);
    }
}

QString FolderKey(const QString& directory) {
    struct stat st = {};
    if (::stat(QFile::encodeName(directory).constData(), &st) != 0) return QString();
    return QStringLiteral("%1-%2").arg(quint64(st.st_dev), 0, 16).arg(quint64(st.st_ino), 0, 16);
}

int RemoveStaleTemporaries(const QString& path, int minAgeSeconds) {
    const QFileInfo info(ResolveLinks(path));
    QDir dir = info.absoluteDir();
    const QString stem = QLatin1String(kTemporaryPrefix) + info.fileName();
    const QRegularExpression own(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(stem)));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-minAgeSeconds);
    int removed = 0;
    const QFileInfoList entries =
        dir.entryInfoList({stem + QStringLiteral(".??????")},
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
    QString group;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            group = name.isEmpty() ? QString() : name + u'/';
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0) values.insert(group + line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return values;
}

QByteArray EncodeKeyValues(const QMap<QString, QString>& values) {
    // Keys of no group first, then each group under its heading: "site/host" is "host" in
    // "[site]".
    QMap<QString, QList<QPair<QString, QString>>> groups;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        QString v = it.value();
        v.replace(u'\n', u' ').replace(u'\r', u' ');
        const qsizetype slash = it.key().indexOf(u'/');
        if (slash > 0)
            groups[it.key().left(slash)].append({it.key().mid(slash + 1), v});
        else
            groups[QString()].append({it.key(), v});
    }
    QByteArray bytes;
    for (auto g = groups.cbegin(); g != groups.cend(); ++g) {
        if (!g.key().isEmpty()) bytes += (u'[' + g.key() + u']').toUtf8() + '\n';
        for (const auto& [key, value] : g.value())
            bytes += (key + QLatin1Char('=') + value).toUtf8() + '\n';
    }
    return bytes;
}
