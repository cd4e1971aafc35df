// The console's record: every office action (who, which rooms, the second) and every room's
// event, appended as CSV lines to the console's own log file as they happen, and exported as a
// CSV file that spreadsheets read (UTF-8 with its byte-order mark). The disk is used only on a
// thread of its own; a full or slow disk never holds up the window.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

#include "console/SiteModel.h"
#include "core/WorkThread.h"

class ConsoleRecord {
  public:
    // path: the log file, made (with its heading line) when missing.
    explicit ConsoleRecord(const QString& path);
    ~ConsoleRecord();
    QString path() const { return path_; }

    void append(const RecordEntry& entry);
    // What this run recorded, oldest first (at most kKeptEntries).
    const QList<RecordEntry>& entries() const { return entries_; }
    static constexpr int kKeptEntries = 5000;

    // Writes the whole log file to target with the byte-order mark; done gets, on the
    // user-interface thread, whether it worked and a message in Chinese.
    void exportCsv(const QString& target, std::function<void(bool ok, QString message)> done);
    // Waits until the file work posted so far is done (tests; the end of the program).
    bool flush(int timeoutMs);

    // One entry as a CSV line (CR LF), and the heading line.
    static QByteArray CsvLine(const RecordEntry& entry);
    static QByteArray CsvHeading();

  private:
    struct Shared;
    QString path_;
    QList<RecordEntry> entries_;
    std::shared_ptr<Shared> shared_;
    std::deque<std::function<void(bool, QString)>> exportsWaiting_;
    Inbox<std::pair<bool, QString>> exported_;
    // Last, so that it ends (waiting for its jobs) before what they report to goes.
    std::unique_ptr<WorkThread> work_;
};

// Where the console keeps its log: kvtmr-console-log.csv in the user's data folder.
QString ConsoleRecordPath();
