// Errors that stop a command: a failed number conversion, a file error, a sound that the
// player cannot open. Helpers throw them; the one handler wrapper (Guard.h) shows the
// message in the standard error box and the command stops there, its earlier steps done.
#pragma once

#include <QString>
#include <exception>

class KvtmrError : public std::exception {
  public:
    explicit KvtmrError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

  private:
    QString message_;
    QByteArray utf8_;
};

// "'%s' is not a valid integer value"
class ConvertError : public KvtmrError {
  public:
    using KvtmrError::KvtmrError;
};

// "Cannot create file %s", "File not found", "I/O error %d", ...
class FileError : public KvtmrError {
  public:
    using KvtmrError::KvtmrError;
};

// A file that could not be written ("Cannot create file %s"), with the system's error number,
// so that its reason can be told in words.
class FileWriteError : public FileError {
  public:
    FileWriteError(QString message, int error) : FileError(std::move(message)), error_(error) {}
    int error() const noexcept { return error_; }

  private:
    int error_;
};

// The audio player could not open a file; the text is the platform's.
class PlayerError : public KvtmrError {
  public:
    using KvtmrError::KvtmrError;
};

// Converts a decimal text to a 32-bit integer: an optional sign and the digits 0-9, with
// blanks allowed around them. Throws ConvertError with "'<text>' is not a valid integer value".
int StrToInt(const QString& text);

// The same test without throwing.
bool TryStrToInt(const QString& text, int& value);

// Removes the characters of code 0x20 or below from both ends (blanks and control characters).
QString TrimControl(const QString& text);
