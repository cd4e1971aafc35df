#include "core/Options.h"

#include "core/Files.h"

Options::Options(const QString& path) : path_(path) {
    if (path_.isEmpty()) return;
    const FileRead read = ReadRegularFile(path_, 64 * 1024);
    if (read.ok()) values_ = ParseKeyValues(read.bytes);
}

bool Options::setValue(const QString& key, const QString& value) {
    values_.insert(key, value);
    if (path_.isEmpty()) return false;
    return WriteFileAtomically(path_, EncodeKeyValues(values_));
}
