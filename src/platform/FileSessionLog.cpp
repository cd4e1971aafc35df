#include "platform/FileSessionLog.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>

#include "core/Files.h"

// Touched by the log's thread only.
struct FileSessionLog::Writer {
    bool failing = false;
};

QString SessionLogLine(const QDateTime& when, const QString& event) {
    QString text = event;
    text.replace(u'\n', u' ').replace(u'\r', u' ');
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("  ") + text;
}

QString SessionLogFileName(const QDate& day) {
    return QStringLiteral("kvtmr-%1.log").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

int PruneSessionLogs(const QString& folder, const QDate& today, int keepDays) {
    static const QRegularExpression name(QStringLiteral("^kvtmr-(\\d{4}-\\d{2}-\\d{2})\\.log$"));
    QDir dir(folder);
    int removed = 0;
    for (const QString& file : dir.entryList({QStringLiteral("kvtmr-*.log")}, QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file);
        if (!m.hasMatch()) continue;
        const QDate day = QDate::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd"));
        if (day.isValid() && day.daysTo(today) > keepDays && dir.remove(file)) ++removed;
    }
    return removed;
}

FileSessionLog::FileSessionLog(const QString& folder, const QDate& today, int keepDays)
    : folder_(folder), writer_(std::make_shared<Writer>()) {
    thread_.post([folder, today, keepDays] {
        QDir().mkpath(folder);
        PruneSessionLogs(folder, today, keepDays);
    });
}

FileSessionLog::~FileSessionLog() {
    problems_.setHandler(nullptr);
}

void FileSessionLog::setProblemHandler(std::function<void(const QString&)> handler) {
    problems_.setHandler(std::move(handler));
}

bool FileSessionLog::flush(int timeoutMs) {
    const bool done = thread_.flush(timeoutMs);
    problems_.deliver();
    return done;
}

void FileSessionLog::append(const QDateTime& when, const QString& event) {
    const QByteArray line = (SessionLogLine(when, event) + u'\n').toUtf8();
    thread_.post([path = QDir(folder_).filePath(SessionLogFileName(when.date())), line,
                  writer = writer_, report = problems_.sender()] {
        const QByteArray name = QFile::encodeName(path);
        int error = 0;
        const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            error = errno;
        } else {
            qsizetype done = 0;
            while (done < line.size()) {
                const ssize_t n = ::write(fd, line.constData() + done, size_t(line.size() - done));
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    error = n < 0 ? errno : EIO;
                    break;
                }
                done += n;
            }
            if (::close(fd) != 0 && !error) error = errno;
        }
        if (error && !writer->failing)
            report(QStringLiteral("计时记录不能写入（%1）").arg(WriteErrorText(error)));
        else if (!error && writer->failing)
            report(QString());
        writer->failing = error != 0;
    });
}
