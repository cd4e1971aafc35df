#include "platform/FileSessionLog.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

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
    : folder_(folder) {
    thread_.post([folder, today, keepDays] {
        QDir().mkpath(folder);
        PruneSessionLogs(folder, today, keepDays);
    });
}

void FileSessionLog::append(const QDateTime& when, const QString& event) {
    const QByteArray line = (SessionLogLine(when, event) + u'\n').toUtf8();
    thread_.post([path = QDir(folder_).filePath(SessionLogFileName(when.date())), line] {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.write(line);
    });
}
