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

// Replaces the file with the bytes: a temporary file beside it, synced, renamed over it, the
// directory synced. False when any step failed; then the old file is as it was and no
// temporary file is left. error: errno of the failure, when there is one.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int* error = nullptr);

// Syncs the directory entry of a file just renamed into place, so a power cut right after
// keeps the new file.
void SyncDirectoryOf(const QString& path);

// Removes the temporary files that a replacement of this file left behind when the program
// was killed in the middle of it ("<name>.XXXXXX" beside it, of this user, at least
// minAgeSeconds old); returns how many went. Run it only while holding the single-copy lock.
int RemoveStaleTemporaries(const QString& path, int minAgeSeconds = 0);

// "key=value" lines, UTF-8 (blank lines and lines without "=" are skipped; keys and values
// trimmed) and back, in key order, line breaks in values turned into blanks.
QMap<QString, QString> ParseKeyValues(const QByteArray& bytes);
QByteArray EncodeKeyValues(const QMap<QString, QString>& values);
