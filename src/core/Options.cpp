#include "core/Options.h"

#include <cerrno>
#include "core/Files.h"

Options::Options(const QString& path) : path_(path) {
    if (path_.isEmpty()) return;
    const FileRead read = ReadRegularFile(path_, 64 * 1024);
    if (read.ok()) values_ = ParseKeyValues(read.bytes);
}

int Options::setValues(const QMap<QString, QString>& values) {
    values_.insert(values);
    if (path_.isEmpty()) return ENOENT;
    int error = 0;
    if (WriteFileAtomically(path_, EncodeKeyValues(values_), &error, FileAccess::Private)) return 0;
    return error ? error : EIO;
}
