// The real program under faults an administrator meets: a termination signal while a
// start-up message box or the recovery question is open, a file-size limit hit by the save at
// the end, kills around saves, and a sound server that takes the connection and never answers. It
// always ends when asked, never dies of the fault, keeps a count nobody was asked about, and leaves
// the settings file whole and no temporary file behind.
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <QtTest>
#include <csignal>

#include "ProgramProcess.h"
#include "core/CountState.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The temporary files of the program's saves.
QStringList Temporaries(const Session& s) {
    return QDir(s.config.path())
        .entryList({QStringLiteral(".kvtmr-tmp-kvtmr201.ini.??????"),
                    QStringLiteral(".kvtmr-tmp-kvtmr-*.ini.??????")},
                   QDir::Files | QDir::Hidden);
}

// A first start that writes the factory settings, ended normally.
bool FactorySettings(Session& s) {
    auto p = s.start();
    if (!s.startedUp(*p)) return false;
    p->terminate();
    return EndsWithZero(*p);
}

}  // namespace

class FaultsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void signalDuringAStartUpBox_data();
    void signalDuringAStartUpBox();
    void signalDuringTheRecoveryQuestion_data();
    void signalDuringTheRecoveryQuestion();
    void fileSizeLimitAtTheEnd();
    void killsAroundSavesLoseNothing();
    void soundServerThatNeverAnswers();
};

// A FIFO at the settings path: the start-up says so in a box; a signal while the box is open
// ends the program at once, the FIFO untouched.
void FaultsTest::signalDuringAStartUpBox_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void FaultsTest::signalDuringAStartUpBox() {
    QFETCH(int, signal);
    Session s;
    QCOMPARE(::mkfifo(QFile::encodeName(s.settings()).constData(), 0600), 0);
    auto p = s.start();
    QVERIFY(p->waitForStarted(30000));
    QVERIFY(s.logged(*p, QStringLiteral("程序启动")));
    ::kill(pid_t(p->processId()), signal);
    QVERIFY(EndsWithZero(*p));
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(s.settings()).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

// A count that a crash interrupted, and the machine is shut down (or the program sent a
// signal) while the question to take it up waits for an answer: the count is kept for the
// next start.
void FaultsTest::signalDuringTheRecoveryQuestion_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void FaultsTest::signalDuringTheRecoveryQuestion() {
    QFETCH(int, signal);
    Session s;
    QVERIFY(FactorySettings(s));
    CountState state;
    state.duration = 3600;
    state.value = 3600;
    state.since = QDateTime::currentMSecsSinceEpoch() - 10000;
    const QByteArray bytes = EncodeCountState(state);
    const QString path = s.config.filePath(QStringLiteral("kvtmr-state.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    auto p = s.start();
    QVERIFY(s.logged(*p, QStringLiteral("询问是否恢复上次中断的计时")));
    ::kill(pid_t(p->processId()), signal);
    QVERIFY(EndsWithZero(*p));
    QCOMPARE(ReadAll(path), bytes);
    QCOMPARE(s.logCount(QStringLiteral("恢复计时的询问未得到答复，上次计时的状态留待下次启动")), 1);
}

// A file-size limit (512 bytes) smaller than the settings file: the save at the end fails like a
// full disk, the program ends normally all the same, the old file and no temporary file are left.
void FaultsTest::fileSizeLimitAtTheEnd() {
    Session s;
    QVERIFY(FactorySettings(s));
    const QByteArray before = ReadAll(s.settings());
    QVERIFY(before.size() > 512);
    auto limited = [] {
        struct rlimit small = {512, 512};
        ::setrlimit(RLIMIT_FSIZE, &small);
    };
    // A signal that comes before the window is up ends the program without a save; the start
    // is tried again until one reached the window.
    bool saved = false;
    for (int attempt = 0; attempt < 5 && !saved; ++attempt) {
        const int exits = s.logCount(QStringLiteral("程序退出"));
        auto p = s.start(limited);
        QVERIFY(p->waitForStarted(30000));
        QVERIFY(s.logged(*p, QStringLiteral("程序启动"), attempt + 2));
        p->terminate();
        QVERIFY(EndsWithZero(*p));
        const QString output = QString::fromLocal8Bit(p->readAll());
        saved = s.logCount(QStringLiteral("程序退出")) > exits;
        if (!saved) continue;
        QVERIFY2(s.logCount(QStringLiteral("设置未能保存：Cannot create file")) == 1,
                 qPrintable(s.logLines().join(u'\n')));
        QVERIFY2(output.contains(QStringLiteral("the settings were not saved")),
                 qPrintable(output));
    }
    QVERIFY(saved);
    QCOMPARE(ReadAll(s.settings()), before);
    QCOMPARE(Temporaries(s), QStringList());
}

// Kills around the saves at the end: with SIGKILL right after the signal to end, or as soon
// as the save's temporary file shows. The settings file is whole after each, and a start
// removes what a killed save left.
void FaultsTest::killsAroundSavesLoseNothing() {
    const int kills = qEnvironmentVariableIsSet("KVTMR_KILLS")
                          ? qEnvironmentVariableIntValue("KVTMR_KILLS")
                          : 400;
    Session s;
    QVERIFY(FactorySettings(s));
    const QByteArray expected = ReadAll(s.settings());
    QCOMPARE(expected.count("\r\n"), 139);
    int damaged = 0, leftBehind = 0, killedMidSave = 0;
    for (int i = 0; i < kills; ++i) {
        auto p = s.start();
        QVERIFY(p->waitForStarted(30000));
        QVERIFY(s.logged(*p, QStringLiteral("程序启动"), i + 2));
        // The start removed what the kill before left.
        QCOMPARE(Temporaries(s), QStringList());
        const pid_t pid = pid_t(p->processId());
        ::kill(pid, SIGTERM);
        if (i % 2 == 0) {
            ::kill(pid, SIGKILL);
        } else {
            QDeadlineTimer deadline(30000);
            while (p->state() == QProcess::Running && !deadline.hasExpired()) {
                if (!Temporaries(s).isEmpty()) {
                    ::kill(pid, SIGKILL);
                    ++killedMidSave;
                    break;
                }
                p->waitForFinished(0);
            }
        }
        // The poll above may have seen the end already; waitForFinished is false after it.
        QVERIFY(p->state() == QProcess::NotRunning || p->waitForFinished(30000));
        if (ReadAll(s.settings()) != expected) ++damaged;
        if (!Temporaries(s).isEmpty()) ++leftBehind;
    }
    // The last start cleans up and ends normally.
    auto last = s.start();
    QVERIFY2(s.logged(*last, QStringLiteral("程序启动"), kills + 2),
             qPrintable(QString::number(s.logCount(QStringLiteral("程序启动")))));
    last->terminate();
    QVERIFY(EndsWithZero(*last));
    qInfo(
        "%d kills: %d while a save's temporary file was there, %d left one behind until the "
        "next start, %d damaged settings files",
        kills, killedMidSave, leftBehind, damaged);
    QCOMPARE(damaged, 0);
    QCOMPARE(ReadAll(s.settings()), expected);
    QCOMPARE(Temporaries(s), QStringList());
}

QTEST_GUILESS_MAIN(FaultsTest)
#include "system_faults.moc"

// The sound server takes the program's connection and never answers (Qt's lookup of the sound
// devices waits 30 s for such a server). The window is built while the server still keeps that
// connection waiting, and a request to end ends the program normally, its settings saved.
void FaultsTest::soundServerThatNeverAnswers() {
    Session s;
    // The kernel takes the connections; nothing here ever answers them.
    const QByteArray path = s.runtime.filePath(QStringLiteral("silent-sound-server")).toUtf8();
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(server >= 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    QVERIFY(size_t(path.size()) < sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    QCOMPARE(::listen(server, 8), 0);
    QProcessEnvironment env = s.env;
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + QString::fromUtf8(path));
    auto p = s.start(env);
    QVERIFY(s.startedUp(*p));

    // The program's first connection is still open: what it sent is there, and no end.
    const int first = ::accept4(server, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    QVERIFY(first >= 0);
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(first, buffer, sizeof buffer, 0)) > 0) {
    }
    QCOMPARE(n, ssize_t(-1));
    QCOMPARE(errno, EAGAIN);

    // The close rewrites the settings file on the way out.
    QFile marker(s.settings());
    QVERIFY(marker.open(QIODevice::WriteOnly | QIODevice::Truncate));
    marker.write("old\r\n");
    marker.close();
    p->terminate();
    QVERIFY(EndsWithZero(*p));
    QCOMPARE(ReadAll(s.settings()).count("\r\n"), 139);
    ::close(first);
    ::close(server);
}
