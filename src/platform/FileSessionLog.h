// The session log in files, one a day ("kvtmr-YYYY-MM-DD.log", UTF-8, one line per event) in
// a folder of the user's data directory. The lines are written by a thread of its own, so a
// slow or full disk never holds up the clock; a day's file older than the days kept goes
// when the log starts.
#pragma once

#include "platform/SessionLog.h"
#include "core/WorkThread.h"

class FileSessionLog : public SessionLog {
  public:
    static constexpr int kKeepDays = 90;
    // today: the day the days kept count back from.
    FileSessionLog(const QString& folder, const QDate& today, int keepDays = kKeepDays);
    void append(const QDateTime& when, const QString& event) override;
    QString folder() const override { return folder_; }
    // Waits until every line appended so far is written (or the timeout passed); true when
    // they are. Used at the end of the program and by tests.
    bool flush(int timeoutMs) { return thread_.flush(timeoutMs); }

  private:
    QString folder_;
    WorkThread thread_;
};

// Removes the day files of the folder that are more than keepDays before today; returns how
// many went.
int PruneSessionLogs(const QString& folder, const QDate& today, int keepDays);
