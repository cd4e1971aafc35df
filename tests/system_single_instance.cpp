// The real program as processes: one copy per session, a lock that a killed copy does not
// leave behind, a clean close when asked to end.
#include <QtTest>
#include <csignal>

namespace {

// One environment for all copies: the same lock directory and settings directory.
class Session {
  public:
    Session() {
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent"));
    }
    QString settings() const { return config.filePath(QStringLiteral("kvtmr201.ini")); }
    QString lockFile() const { return runtime.filePath(QStringLiteral("kvtmr.lock")); }

    std::unique_ptr<QProcess> start() {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(work.path());
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QStringLiteral(KVTMR_BINARY), QStringList());
        return p;
    }

    // Started and through its start-up: it has written the settings file that was removed.
    bool startedUp(QProcess& p) {
        if (!p.waitForStarted(30000)) return false;
        QDeadlineTimer deadline(60000);
        while (!QFile::exists(settings()) && !deadline.hasExpired() &&
               p.state() == QProcess::Running)
            p.waitForFinished(50);
        return QFile::exists(settings()) && p.state() == QProcess::Running;
    }

    QProcessEnvironment env;
    QTemporaryDir runtime, config, work;
};

bool EndsWithZero(QProcess& p) {
    const bool ok =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
        qWarning() << "state" << p.state() << "status" << p.exitStatus() << "code" << p.exitCode()
                   << p.readAll();
    return ok;
}

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void secondCopyEndsQuietly();
    void killedCopyLeavesNoLock();
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
