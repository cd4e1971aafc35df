// Small files read and written safely: a file is only read when it is a regular file of a
// sane size (a FIFO or a device at its place never holds up the program or fills the memory),
// and a file is replaced in one step, its directory synced after, so a crash, a full disk or
// a power cut leaves either the old or the new file, never a mixture.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

struct FileRead {
    enum class Status { Ok, Missing, NotRegular, TooLarge, Failed };
    Status status = Status::Failed;
    QByteArray bytes;
    int error = 0;  // errno of a failure
    bool ok() const { return status == Status::Ok; }
};

// Reads a whole file of at most maxBytes bytes, without ever waiting on it (it is opened
// non-blocking and read only when it is a regular file). A directory fails with EISDIR.
FileRead ReadRegularFile(const QString& path, qint64 maxBytes);

// The name every temporary file of the program starts with (".kvtmr-tmp-kvtmr201.ini.Ab3dE9"):
// hidden, and a name no person gives a file, so that the clean-up at start-up removes only
// what the program itself left.
inline constexpr char kTemporaryPrefix[] = ".kvtmr-tmp-";

// The file a write of this path replaces: the path itself, or, when it is a symbolic link,
// the file the link leads to (through a chain of links, relative ones read from the link's
// folder), also when that file does not exist yet. Always an absolute path.
QString ResolveLinks(const QString& path);

// Replaces the file with the bytes: a temporary file beside it, synced, renamed over it, the
// directory synced. A symbolic link stays a link: the file it leads to is replaced, in its own
// folder. False when any step failed; then the old file is as it was and no temporary file
// is left. error: errno of the failure, when there is one. A private file (one that holds a
// password) is readable by its owner only (mode 0600), whatever the old file's mode was.
enum class FileAccess { AsBefore, Private };
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int* error = nullptr,
                         FileAccess access = FileAccess::AsBefore);

// Removes the file a path stands for (the target of a symbolic link, not the link). True when
// it is gone, also when there was none; error: errno of a failure.
bool RemoveResolvedFile(const QString& path, int* error = nullptr);

// Whether a save of this file could be made now: a temporary file of `bytes` bytes is written
// beside the file the path resolves to and removed again. 0 when it could, otherwise the errno
// (EACCES, EROFS, ENOSPC, EDQUOT, EFBIG, ...).
int ProbeWritable(const QString& path, qint64 bytes = 4096);

// The reason a write failed, for the operator: "磁盘已满", "没有写入权限", ...
QString WriteErrorText(int error);

// A name for a folder that stays the same whatever path leads to it (its device and inode),
// for the files kept elsewhere about it; empty when the folder cannot be looked at.
QString FolderKey(const QString& directory);

// Syncs the directory entry of a file just renamed into place, so a power cut right after
// keeps the new file.
void SyncDirectoryOf(const QString& path);

// Removes the temporary files that a replacement of this file (or a probe of its folder) left
// behind when the program was killed in the middle of it: exactly the names
// kTemporaryPrefix + "<name>.XXXXXX" beside the file the path resolves to, of this user, at
// least minAgeSeconds old. Nothing else goes, whatever it is called. Returns how many went.
// Run it only while holding the single-copy lock.
int RemoveStaleTemporaries(const QString& path, int minAgeSeconds = 0);

// "key=value" lines, UTF-8 (blank lines and lines without "=" are skipped; keys and values
// trimmed) and back, in key order, line breaks in values turned into blanks.
QMap<QString, QString> ParseKeyValues(const QByteArray& bytes);
QByteArray EncodeKeyValues(const QMap<QString, QString>& values);
