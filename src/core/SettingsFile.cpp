#include "core/SettingsFile.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>

#include "core/Errors.h"
#include "core/Files.h"

namespace {

// GB18030 gives the same bytes as GBK for every GBK character and loses no character.
const char* const kCodec = "GB18030";

QByteArray TrimBytes(const QByteArray& bytes) {
    int b = 0;
    int e = bytes.size();
    while (b < e && quint8(bytes[b]) <= 0x20)
        ++b;
    while (e > b && quint8(bytes[e - 1]) <= 0x20)
        --e;
    return bytes.mid(b, e - b);
}

QString FileErrorText(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("File not found");
        case EACCES:
        case EPERM:
        case EISDIR:
            return QStringLiteral("File access denied");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("Too many open files");
        case ENAMETOOLONG:
        case EINVAL:
            return QStringLiteral("Invalid filename");
        default:
            return QStringLiteral("I/O error %1").arg(err);
    }
}

}  // namespace

QByteArray EncodeSettings(const SettingsRecord& record) {
    QStringEncoder encode(kCodec);
    QByteArray out;
    for (const FieldDescriptor& f : SettingsFields()) {
        if (IsTextKind(f.kind)) {
            const QByteArray bytes = encode(FieldText(record, f));
            out += TrimBytes(bytes);
        } else {
            out += FieldText(record, f).toLatin1();
        }
        out += "\r\n";
    }
    return out;
}

void DecodeSettings(const QByteArray& bytes, SettingsRecord& record) {
    int end = bytes.indexOf('\x1a');
    if (end < 0) end = bytes.size();
    int pos = 0;
    for (const FieldDescriptor& f : SettingsFields()) {
        QByteArray line;
        if (pos < end) {
            int lf = bytes.indexOf('\n', pos);
            if (lf < 0 || lf > end) lf = end;
            line = bytes.mid(pos, lf - pos);
            pos = lf + 1;
            if (line.endsWith('\r')) line.chop(1);
        }
        QStringDecoder decode(kCodec);
        const QString text = decode(line);
        if (IsTextKind(f.kind)) {
            record.*(std::get<QString SettingsRecord::*>(f.member)) = text;
        } else {
            record.*(std::get<int SettingsRecord::*>(f.member)) = StrToInt(text);
        }
    }
}

void WriteSettingsFile(const QString& path, const SettingsRecord& record) {
    int error = 0;
    if (!WriteFileAtomically(path, EncodeSettings(record), &error))
        throw FileWriteError(QStringLiteral("Cannot create file %1").arg(path),
                             error ? error : EIO);
}

void ReadSettingsFile(const QString& path, SettingsRecord& record) {
    if (path.isEmpty()) throw FileError(FileErrorText(EINVAL));
    const FileRead read = ReadRegularFile(path, kMaxSettingsFileBytes);
    switch (read.status) {
        case FileRead::Status::Ok:
            break;
        case FileRead::Status::Missing:
            throw FileError(FileErrorText(ENOENT));
        case FileRead::Status::NotRegular:
            throw FileError(
                QStringLiteral("参数设置文件%1不是普通文件，不能读取，请检查！").arg(path));
        case FileRead::Status::TooLarge:
            throw FileError(
                QStringLiteral("参数设置文件%1大于%2 MiB，不是本程序的设置文件，请检查！")
                    .arg(path)
                    .arg(kMaxSettingsFileBytes / (1024 * 1024)));
        case FileRead::Status::Failed:
            throw FileError(FileErrorText(read.error ? read.error : EIO));
    }
    DecodeSettings(read.bytes, record);
}
