// The settings file "kvtmr201.ini": 139 lines in the record's field order, GBK bytes, every
// line ending in CR LF, no headers, no key names. Texts are written without the bytes of value
// 0x20 or below at their ends; every other field is a signed decimal without leading zeros.
#pragma once

#include <QByteArray>
#include <QString>

#include "core/SettingsRecord.h"

inline const QString kSettingsFileName = QStringLiteral("kvtmr201.ini");
// A settings file is a few kilobytes; anything larger is not one and is not read.
constexpr qint64 kMaxSettingsFileBytes = 4 * 1024 * 1024;

// The file's bytes for a record.
QByteArray EncodeSettings(const SettingsRecord& record);

// Fills the record from file bytes, field by field; each field is stored as soon as its line
// is read. A line that does not convert to an integer for a non-text field throws
// ConvertError ("'%s' is not a valid integer value"); the fields before it are kept.
// A missing line reads as empty; Ctrl-Z (0x1A) ends the file; lines after 139 are ignored;
// a CR before the LF is dropped, so LF-only files read the same.
void DecodeSettings(const QByteArray& bytes, SettingsRecord& record);

// Replaces the file with the record. The new content goes to a temporary file that then
// takes the old file's place in one step, the folder synced after, so a crash, a full disk,
// a file-size limit or a power cut never leaves a truncated file, and a failed write leaves
// the old file as it was. A settings file that is a symbolic link stays one: the file it
// leads to is replaced.
// Throws FileWriteError "Cannot create file <path>" (with the errno) when the file cannot be
// written.
void WriteSettingsFile(const QString& path, const SettingsRecord& record);

// Reads the file into the record. Throws FileError with "File not found", "File access
// denied", "Too many open files", "Invalid filename" or "I/O error <n>" when it cannot be
// opened or read, with a message of its own when it is not a regular file (a FIFO, a device)
// or larger than kMaxSettingsFileBytes (neither is waited on or read), and ConvertError as
// DecodeSettings.
void ReadSettingsFile(const QString& path, SettingsRecord& record);
