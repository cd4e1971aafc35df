// The real program as processes: one copy per settings file whatever the rest of the
// environment says, a lock that only a live copy holds (a killed copy's lock never keeps the
// next start out, also where the settings folder cannot be written) and that still keeps a
// second copy out when its file cannot be read, a clean close when asked to end.
#include <QtTest>
#include <csignal>

#include "ProgramProcess.h"

class SingleInstanceTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void secondCopyEndsQuietly();
    void oneCopyPerSettingsFile_data();
    void oneCopyPerSettingsFile();
    void lockWithoutLiveOwnerDoesNotBlock_data();
    void lockWithoutLiveOwnerDoesNotBlock();
    void killedCopyLeavesNoLock();
    void startsWhereTheFolderCannotBeWritten_data();
    void startsWhereTheFolderCannotBeWritten();
    void unreadableLockOfALiveCopy_data();
    void unreadableLockOfALiveCopy();
    void askedToEndClosesAndSaves();
};

void SingleInstanceTest::secondCopyEndsQuietly() {
    Session s;
    auto first = s.start();
    QVERIFY(s.startedUp(*first));
    const QDateTime written = QFileInfo(s.settings()).lastModified();
    QFile::remove(s.settings());

    auto second = s.start();
    QVERIFY(EndsWithZero(*second));
    // The second copy did no start-up of its own and left the first running.
    QVERIFY(!QFile::exists(s.settings()));
    QCOMPARE(first->state(), QProcess::Running);
    Q_UNUSED(written);

    first->terminate();
    QVERIFY(EndsWithZero(*first));

    // After the first copy has ended, a new start opens normally.
    QFile::remove(s.settings());
    auto third = s.start();
    QVERIFY(s.startedUp(*third));
    third->terminate();
    QVERIFY(EndsWithZero(*third));
}

// The second copy is started with another environment than the first: only the settings
// folder decides whether it is a second copy.
void SingleInstanceTest::oneCopyPerSettingsFile_data() {
    QTest::addColumn<QString>("runtime");  // "same", "other", "none"
    QTest::addColumn<bool>("sameSettings");
    QTest::newRow("same runtime folder") << "same" << true;
    QTest::newRow("another runtime folder") << "other" << true;
    QTest::newRow("no runtime folder") << "none" << true;
    QTest::newRow("another settings folder") << "same" << false;
}

void SingleInstanceTest::oneCopyPerSettingsFile() {
    QFETCH(QString, runtime);
    QFETCH(bool, sameSettings);
    Session s;
    auto first = s.start();
    QVERIFY(s.startedUp(*first));

    QTemporaryDir otherRuntime, otherConfig;
    QProcessEnvironment env = s.env;
    if (runtime == QLatin1String("other"))
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), otherRuntime.path());
    if (runtime == QLatin1String("none")) env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!sameSettings) env.insert(QStringLiteral("XDG_CONFIG_HOME"), otherConfig.path());
    auto second = s.start(env);
    if (sameSettings) {
        QVERIFY(EndsWithZero(*second));
    } else {
        // A copy of its own: it starts up on its own settings file.
        QVERIFY(second->waitForStarted(30000));
        QDeadlineTimer deadline(60000);
        const QString own = QDir(otherConfig.path()).filePath(QStringLiteral("kvtmr201.ini"));
        while (!QFile::exists(own) && !deadline.hasExpired() &&
               second->state() == QProcess::Running)
            second->waitForFinished(50);
        QVERIFY(QFile::exists(own));
        QCOMPARE(second->state(), QProcess::Running);
        second->terminate();
        QVERIFY(EndsWithZero(*second));
    }
    QCOMPARE(first->state(), QProcess::Running);
    first->terminate();
    QVERIFY(EndsWithZero(*first));
}

// A lock file that names no live copy (left damaged or unreadable by a copy that died) lets
// the start go on.
void SingleInstanceTest::lockWithoutLiveOwnerDoesNotBlock_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("unreadable");
    QTest::newRow("damaged") << QByteArray("\x01\x02 not a lock\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("unreadable") << QByteArray("<dead>\nkvtmr\n<host>\n") << true;
}

void SingleInstanceTest::lockWithoutLiveOwnerDoesNotBlock() {
    QFETCH(QByteArray, content);
    QFETCH(bool, unreadable);
    Session s;
    // The owner it names has ended.
    QProcess gone;
    gone.start(QStringLiteral("true"), QStringList());
    QVERIFY(gone.waitForStarted(30000));
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished(30000));
    content.replace("<dead>", QByteArray::number(pid));
    content.replace("<host>", QSysInfo::machineHostName().toUtf8());
    QFile lock(s.lockFile());
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(content);
    lock.close();
    // Left long ago, by a copy that is gone.
    QVERIFY(lock.open(QIODevice::ReadWrite));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                             QFileDevice::FileModificationTime));
    lock.close();
    if (unreadable) QVERIFY(lock.setPermissions(QFileDevice::Permissions()));

    auto p = s.start(ObeyFilePermissions);
    QVERIFY(s.startedUp(*p));
    p->terminate();
    QVERIFY(EndsWithZero(*p));
}

void SingleInstanceTest::killedCopyLeavesNoLock() {
    Session s;
    auto first = s.start();
    QVERIFY(s.startedUp(*first));
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(30000));
    QVERIFY(QFile::exists(s.lockFile()));  // left behind by the killed copy

    QFile::remove(s.settings());
    auto next = s.start();
    QVERIFY(s.startedUp(*next));
    next->terminate();
    QVERIFY(EndsWithZero(*next));
}

// After a crash the settings folder cannot be written (made read-only): the program starts all
// the same, says so, and still keeps a second copy out.
void SingleInstanceTest::startsWhereTheFolderCannotBeWritten_data() {
    QTest::addColumn<bool>("deadCopysLock");
    QTest::newRow("the dead copy's lock file is there") << true;
    QTest::newRow("no lock file") << false;
}

void SingleInstanceTest::startsWhereTheFolderCannotBeWritten() {
    QFETCH(bool, deadCopysLock);
    Session s;
    auto crashed = s.start(ObeyFilePermissions);
    QVERIFY(s.startedUp(*crashed));
    ::kill(pid_t(crashed->processId()), SIGKILL);
    QVERIFY(crashed->waitForFinished(30000));
    QVERIFY(QFile::exists(s.lockFile()));
    if (!deadCopysLock) QVERIFY(QFile::remove(s.lockFile()));
    QVERIFY(SetReadOnly(s.config.path(), true));
    const int starts = s.logCount(QStringLiteral("程序启动"));

    auto p = s.start(ObeyFilePermissions);
    QVERIFY(s.logged(*p, QStringLiteral("程序启动"), starts + 1));
    QVERIFY(s.logged(*p, QStringLiteral("设置文件夹不能写入（没有写入权限）")));
    QCOMPARE(p->state(), QProcess::Running);
    auto second = s.start(ObeyFilePermissions);
    QVERIFY(EndsWithZero(*second));
    QCOMPARE(p->state(), QProcess::Running);
    p->terminate();
    QVERIFY(EndsWithZero(*p));
    QVERIFY(SetReadOnly(s.config.path(), false));
}

// The lock file of a running copy made unreadable (its permissions taken away, long after it
// was made): a second copy still stays out, also one with another runtime folder.
void SingleInstanceTest::unreadableLockOfALiveCopy_data() {
    QTest::addColumn<bool>("otherRuntime");
    QTest::newRow("same runtime folder") << false;
    QTest::newRow("another runtime folder") << true;
}

void SingleInstanceTest::unreadableLockOfALiveCopy() {
    QFETCH(bool, otherRuntime);
    Session s;
    auto first = s.start(ObeyFilePermissions);
    QVERIFY(s.startedUp(*first));
    QFile lock(s.lockFile());
    QVERIFY(lock.open(QIODevice::ReadWrite));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                             QFileDevice::FileModificationTime));
    lock.close();
    QVERIFY(lock.setPermissions(QFileDevice::Permissions()));
    QTemporaryDir runtime;
    QProcessEnvironment env = s.env;
    if (otherRuntime) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    auto second = s.start(env, ObeyFilePermissions);
    QVERIFY(EndsWithZero(*second));
    QCOMPARE(first->state(), QProcess::Running);
    first->terminate();
    QVERIFY(EndsWithZero(*first));
}

void SingleInstanceTest::askedToEndClosesAndSaves() {
    Session s;
    auto p = s.start();
    QVERIFY(s.startedUp(*p));
    // The close handler rewrites the settings file on the way out.
    QFile::remove(s.settings());
    QFile marker(s.settings());
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.write("old\r\n");
    marker.close();
    p->terminate();
    QVERIFY(EndsWithZero(*p));
    QFile saved(s.settings());
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().count("\r\n"), 139);
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "system_single_instance.moc"
