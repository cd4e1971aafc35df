// The console's record and its remembered login: the record's CSV lines (quoted where a
// spreadsheet needs it, texts from rooms never read as formulas), the log file that grows with
// its heading once, the export that spreadsheets read as UTF-8 (its byte-order mark); the
// login's [site] group written for its owner only and read back, and a login's problems.
#include <sys/stat.h>
#include <QtTest>

#include "console/ConsoleLogin.h"
#include "console/ConsoleRecord.h"

class ConsoleRecordTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void csvLine_data();
    void csvLine();
    void logAndExport();
    void exportFails();
    void loginRemembered();
    void loginProblems_data();
    void loginProblems();
    void linkSettings_data();
    void linkSettings();
};

namespace {
const qint64 kAt = QDateTime(QDate(2026, 12, 10), QTime(10, 12, 0)).toMSecsSinceEpoch();
}

void ConsoleRecordTest::csvLine_data() {
    QTest::addColumn<QString>("who");
    QTest::addColumn<QStringList>("rooms");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << "office1" << QStringList{"A101", "A102"} << "停电"
                           << QByteArray("2026-12-10 10:12:00,office1,暂停,A101 A102,停电\r\n");
    QTest::newRow("a comma and a quote are quoted")
        << "office1" << QStringList{"A101"} << "原因:\"停电\",10分钟"
        << QByteArray("2026-12-10 10:12:00,office1,暂停,A101,\"原因:\"\"停电\"\",10分钟\"\r\n");
    QTest::newRow("a line break is quoted")
        << "A101" << QStringList{"A101"} << "a\nb"
        << QByteArray("2026-12-10 10:12:00,A101,暂停,A101,\"a\nb\"\r\n");
    QTest::newRow("a formula from a room stays text")
        << "A101" << QStringList{"A101"} << "=HYPERLINK(\"x\")"
        << QByteArray("2026-12-10 10:12:00,A101,暂停,A101,\"'=HYPERLINK(\"\"x\"\")\"\r\n");
    QTest::newRow("nothing in the rooms")
        << "office1" << QStringList{} << "" << QByteArray("2026-12-10 10:12:00,office1,暂停,,\r\n");
}

void ConsoleRecordTest::csvLine() {
    QFETCH(QString, who);
    QFETCH(QStringList, rooms);
    QFETCH(QString, detail);
    QFETCH(QByteArray, expected);
    QCOMPARE(ConsoleRecord::CsvLine(RecordEntry{kAt, who, QStringLiteral("暂停"), rooms, detail}),
             expected);
}

void ConsoleRecordTest::logAndExport() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("data/kvtmr/kvtmr-console-log.csv"));
    const RecordEntry one{kAt, QStringLiteral("office1"), QStringLiteral("暂停"), {"A101"}, {}};
    const RecordEntry two{kAt + 1000,
                          QStringLiteral("A101"),
                          QStringLiteral("回执"),
                          {"A101"},
                          QStringLiteral("第3版调整 已执行")};
    {
        ConsoleRecord record(log);
        record.append(one);
        QVERIFY(record.flush(5000));
    }
    // A second run appends to the same file; the heading stays one.
    ConsoleRecord record(log);
    record.append(two);
    QVERIFY(record.flush(5000));
    QCOMPARE(record.entries(), QList<RecordEntry>{two});
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes, ConsoleRecord::CsvHeading() + ConsoleRecord::CsvLine(one) +
                        ConsoleRecord::CsvLine(two));

    const QString target = dir.filePath(QStringLiteral("导出.csv"));
    std::optional<std::pair<bool, QString>> result;
    record.exportCsv(target, [&](bool ok, const QString& m) { result = {ok, m}; });
    QVERIFY(record.flush(5000));
    QVERIFY(result);
    QVERIFY2(result->first, qPrintable(result->second));
    QFile exported(target);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(exported.readAll(), QByteArray("\xEF\xBB\xBF") + bytes);
}

void ConsoleRecordTest::exportFails() {
    QTemporaryDir dir;
    ConsoleRecord record(dir.filePath(QStringLiteral("log.csv")));
    std::optional<std::pair<bool, QString>> result;
    // No log yet: the export still has its heading. Into a folder that is not there: refused.
    record.exportCsv(dir.filePath(QStringLiteral("no/such/dir/x.csv")),
                     [&](bool ok, const QString& m) {
                         result = {ok, m};
                     });
    QVERIFY(record.flush(5000));
    QVERIFY(result);
    QVERIFY(!result->first);
    QVERIFY2(result->second.contains(QStringLiteral("无法写入")), qPrintable(result->second));
    record.exportCsv(dir.filePath(QStringLiteral("x.csv")), [&](bool ok, const QString& m) {
        result = {ok, m};
    });
    QVERIFY(record.flush(5000));
    QVERIFY(result->first);
    QFile f(dir.filePath(QStringLiteral("x.csv")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF") + ConsoleRecord::CsvHeading());
}

void ConsoleRecordTest::loginRemembered() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kvtmr/kvtmr-console.ini"));
    ConsoleLogin l;
    l.enabled = true;
    l.host = QStringLiteral("10.1.0.2");
    l.port = 8883;
    l.site = QStringLiteral("hz2026");
    l.user = QStringLiteral("office1");
    l.password = QStringLiteral("p=w;d 密码");
    l.tls = true;
    l.ca = QStringLiteral("/etc/kvtmr/kvtmr-ca.crt");
    l.observer = false;
    {
        Options o(path);
        QCOMPARE(WriteConsoleLogin(o, l), 0);
    }
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(text.startsWith("[site]"), text.constData());
    QVERIFY(text.contains("user=office1"));
    QVERIFY(text.contains("enabled=true"));
    QCOMPARE(ReadConsoleLogin(Options(path)), l);
    // A file without the group: nothing is enabled; the port follows TLS.
    QCOMPARE(ReadConsoleLogin(Options(dir.filePath(QStringLiteral("none.ini")))).enabled, false);
}

void ConsoleRecordTest::loginProblems_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("fine");
    QTest::newRow("complete") << "127.0.0.1"
                              << "s1"
                              << "office1" << true;
    QTest::newRow("no host") << ""
                             << "s1"
                             << "office1" << false;
    QTest::newRow("a site id with a slash") << "h"
                                            << "s1/#"
                                            << "office1" << false;
    QTest::newRow("no user") << "h"
                             << "s1"
                             << "" << false;
}

void ConsoleRecordTest::loginProblems() {
    QFETCH(QString, host);
    QFETCH(QString, site);
    QFETCH(QString, user);
    QFETCH(bool, fine);
    ConsoleLogin l;
    l.host = host;
    l.site = site;
    l.user = user;
    QCOMPARE(LoginProblem(l).isEmpty(), fine);
}

void ConsoleRecordTest::linkSettings_data() {
    QTest::addColumn<bool>("observer");
    QTest::newRow("office: a last will") << false;
    QTest::newRow("observer: none (it may not write)") << true;
}

void ConsoleRecordTest::linkSettings() {
    QFETCH(bool, observer);
    ConsoleLogin l;
    l.host = QStringLiteral("h");
    l.port = 1884;
    l.site = QStringLiteral("s1");
    l.user = QStringLiteral("u1");
    l.password = QStringLiteral("pw");
    l.observer = observer;
    const LinkSettings s = ConsoleLinkSettings(l);
    QCOMPARE(s.user, QStringLiteral("u1"));
    QCOMPARE(s.clientId, QStringLiteral("u1"));
    QCOMPARE(s.port, 1884);
    QCOMPARE(s.willTopic.isEmpty(), observer);
    if (!observer) QCOMPARE(s.willTopic, QStringLiteral("kvtmr/v1/s1/office/presence"));
}

QTEST_GUILESS_MAIN(ConsoleRecordTest)
#include "unit_console_record.moc"
