// The session log in its files: one UTF-8 file a day, lines in the order appended, each with
// its local date and time to the second; the day files older than the days kept removed when
// the log starts, and nothing else of the folder touched; lines that cannot be written are
// reported once, and their return once.
#include <QtTest>

#include "platform/FileSessionLog.h"

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Touch(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write("x\n");
}

}  // namespace

class SessionLogTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void linesGoToTheirDay();
    void oldDaysArePruned_data();
    void oldDaysArePruned();
    void unwritableFolderDoesNotHoldUp();
    void failuresAreReportedOnce();
};

void SessionLogTest::linesGoToTheirDay() {
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("kvtmr"));
    const QDate today(2026, 12, 8);
    {
        FileSessionLog log(folder, today);
        QCOMPARE(log.folder(), folder);
        log.append(QDateTime(today, QTime(23, 59, 59, 900)),
                   QStringLiteral("正式计时开始 倒计时 01∶30∶00"));
        log.append(QDateTime(today.addDays(1), QTime(0, 0, 1)),
                   QStringLiteral("正式计时暂停\n00∶28∶58"));
        log.append(QDateTime(today, QTime(23, 59, 59)), QStringLiteral("late line of the day"));
        QVERIFY(log.flush(5000));
    }
    QCOMPARE(QString::fromUtf8(Read(QDir(folder).filePath(QStringLiteral("kvtmr-2026-12-08.log")))),
             QStringLiteral("2026-12-08 23:59:59  正式计时开始 倒计时 01∶30∶00\n"
                            "2026-12-08 23:59:59  late line of the day\n"));
    // A line break inside an event stays one line.
    QCOMPARE(QString::fromUtf8(Read(QDir(folder).filePath(QStringLiteral("kvtmr-2026-12-09.log")))),
             QStringLiteral("2026-12-09 00:00:01  正式计时暂停 00∶28∶58\n"));
    // A second log on the same folder appends.
    {
        FileSessionLog log(folder, today);
        log.append(QDateTime(today, QTime(8, 0, 0)), QStringLiteral("程序启动"));
    }
    QVERIFY(Read(QDir(folder).filePath(QStringLiteral("kvtmr-2026-12-08.log")))
                .endsWith("2026-12-08 08:00:00  程序启动\n"));
}

void SessionLogTest::oldDaysArePruned_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("days around the limit")
        << QStringList{"kvtmr-2026-09-08.log", "kvtmr-2026-09-09.log", "kvtmr-2026-12-07.log",
                       "kvtmr-2026-12-08.log"}
        << QStringList{"kvtmr-2026-09-09.log", "kvtmr-2026-12-07.log", "kvtmr-2026-12-08.log"};
    QTest::newRow("other files of the folder")
        << QStringList{"kvtmr-2020-01-01.txt", "notes-2020-01-01.log", "kvtmr-2020-13-45.log",
                       "kvtmr-old.log"}
        << QStringList{"kvtmr-2020-01-01.txt", "kvtmr-2020-13-45.log", "kvtmr-old.log",
                       "notes-2020-01-01.log"};
    QTest::newRow("a year back") << QStringList{"kvtmr-2025-12-08.log"} << QStringList{};
}

void SessionLogTest::oldDaysArePruned() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    for (const QString& f : files)
        Touch(QDir(dir.path()).filePath(f));
    {
        FileSessionLog log(dir.path(), QDate(2026, 12, 8));
        QVERIFY(log.flush(5000));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), left);
}

void SessionLogTest::unwritableFolderDoesNotHoldUp() {
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(QStringLiteral("not-a-folder"));
    Touch(file);
    FileSessionLog log(file, QDate(2026, 12, 8));
    log.append(QDateTime(QDate(2026, 12, 8), QTime(9, 0)), QStringLiteral("程序启动"));
    QVERIFY(log.flush(5000));
    QCOMPARE(Read(file), QByteArray("x\n"));
}

void SessionLogTest::failuresAreReportedOnce() {
    QTemporaryDir dir;
    // The log's folder is a plain file at first: no line can be written.
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("log"));
    Touch(folder);
    FileSessionLog log(folder, QDate(2026, 12, 8));
    QStringList told;
    log.setProblemHandler([&](const QString& text) { told << text; });
    const QDateTime at(QDate(2026, 12, 8), QTime(9, 0));
    for (int i = 0; i < 3; ++i)
        log.append(at.addSecs(i), QStringLiteral("正式计时开始"));
    QVERIFY(log.flush(5000));
    QCOMPARE(told, QStringList{QStringLiteral("计时记录不能写入（文件夹不存在）")});
    // The folder is put right: the lines are written again, and that is told once.
    QVERIFY(QFile::remove(folder));
    QVERIFY(QDir().mkpath(folder));
    for (int i = 0; i < 2; ++i)
        log.append(at.addSecs(10 + i), QStringLiteral("正式计时暂停"));
    QVERIFY(log.flush(5000));
    QCOMPARE(told, (QStringList{QStringLiteral("计时记录不能写入（文件夹不存在）"), QString()}));
    QCOMPARE(Read(QDir(folder).filePath(QStringLiteral("kvtmr-2026-12-08.log"))).count('\n'), 2);
}

QTEST_GUILESS_MAIN(SessionLogTest)
#include "unit_session_log.moc"
