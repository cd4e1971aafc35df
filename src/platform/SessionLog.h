// The record of a session: every start, pause, resume, reset, clear, warning, time-up,
// hand-over and scheduled action as one line with the local date and time to the second,
// so that an invigilator can state afterwards when an exam really started and ended.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class SessionLog {
  public:
    virtual ~SessionLog() = default;
    // Appends one line; it returns at once (the writing goes on without the caller).
    virtual void append(const QDateTime& when, const QString& event) = 0;
    // The folder that holds the log files.
    virtual QString folder() const = 0;
    // Told, on the main thread, when lines cannot be written (the reason for the operator, once
    // until they can again) and when they can again (an empty text).
    virtual void setProblemHandler(std::function<void(const QString&)> handler) {
        Q_UNUSED(handler);
    }
};

// "2026-12-08 14:30:03  正式计时开始 …": one line of the log, without its line break.
QString SessionLogLine(const QDateTime& when, const QString& event);

// The file of a day's lines: "kvtmr-2026-12-08.log".
QString SessionLogFileName(const QDate& day);
