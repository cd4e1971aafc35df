// The session log in files, one a day ("kvtmr-YYYY-MM-DD.log", UTF-8, one line per event) in
// a folder of the user's data directory. The lines are written by a thread of its own, so a
// slow or full disk never holds up the clock; a day's file older than the days kept goes
// when the log starts. A line that cannot be written is reported once (the problem handler),
// and the return to normal once more.
#pragma once

#include "core/WorkThread.h"
#include "platform/SessionLog.h"

class FileSessionLog : public SessionLog {
  public:
    static constexpr int kKeepDays = 90;
    // today: the day the days kept count back from.
    FileSessionLog(const QString& folder, const QDate& today, int keepDays = kKeepDays);
    ~FileSessionLog() override;
    void append(const QDateTime& when, const QString& event) override;
    QString folder() const override { return folder_; }
    void setProblemHandler(std::function<void(const QString&)> handler) override;
    // Waits until every line appended so far is written (or the timeout passed; true when
    // they are), and hands a problem found to the handler now. Used at the end of the program
    // and by tests.
    bool flush(int timeoutMs);

  private:
    struct Writer;
    QString folder_;
    std::shared_ptr<Writer> writer_;  // the state of the writing, on the log's thread
    Inbox<QString> problems_;
    WorkThread thread_;
};

// Removes the day files of the folder that are more than keepDays before today; returns how
// many went.
int PruneSessionLogs(const QString& folder, const QDate& today, int keepDays);
