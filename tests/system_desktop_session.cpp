// The desktop session over D-Bus, against stand-ins for logind and the screen saver on a bus of
// the test's own: a request returns at once and goes on without the caller, whether the
// service answers at once, late or never.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QtTest>

#include "platform/DesktopSession.h"

namespace {

constexpr int kTimeoutMs = 300;  // how long the client waits for an answer in these tests
const QString kOwnPath = QStringLiteral("/org/freedesktop/login1/session/_7");

// A service that records every call and answers it at once or when told to.
class StandIn : public QDBusVirtualObject {
  public:
    enum class Answer { AtOnce, Hold, Never };
    Answer answer = Answer::AtOnce;
    QList<QDBusMessage> calls;
    QList<QDBusMessage> held;
    QDBusConnection* bus = nullptr;
    int pipeRead = -1;  // the service's end of the descriptor it hands out for Inhibit

    QString introspect(const QString&) const override { return QString(); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        calls << message;
        if (answer == Answer::AtOnce)
            reply(message);
        else
            held << message;
        return true;
    }

    void releaseHeld() {
        const auto waiting = held;
        held.clear();
        for (const QDBusMessage& m : waiting)
            reply(m);
    }

    QStringList members() const {
        QStringList out;
        for (const QDBusMessage& m : calls)
            out << m.path() + QLatin1Char(' ') + m.member();
        return out;
    }

  private:
    void reply(const QDBusMessage& m) {
        QDBusMessage r = m.createReply();
        if (m.member() == QLatin1String("GetSessionByPID")) {
            r << QVariant::fromValue(QDBusObjectPath(kOwnPath));
        } else if (m.member() == QLatin1String("Inhibit") &&
                   m.interface() == QLatin1String("org.freedesktop.login1.Manager")) {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) return;
            pipeRead = fds[0];
            r << QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]));
            ::close(fds[1]);  // the descriptor object holds its own copy
        } else if (m.member() == QLatin1String("Inhibit")) {
            r << quint32(4711);
        }
        bus->send(r);
    }
};

// True once every copy of the descriptor handed out has been closed.
bool LockReleased(int readEnd) {
    pollfd p{readEnd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    char c;
    return ::read(readEnd, &c, 1) == 0;
}

}  // namespace

class DesktopSessionTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void logOffEndsTheOwnSession_data();
    void logOffEndsTheOwnSession();
    void restartAndPowerOff_data();
    void restartAndPowerOff();
    void inhibition_data();
    void inhibition();

  private:
    QProcess daemon_;
    QString address_;
    std::unique_ptr<QDBusConnection> client_, service_;
    std::unique_ptr<StandIn> logind_, saver_;
    int round_ = 0;
};

void DesktopSessionTest::initTestCase() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(10000)) QSKIP("dbus-daemon is not installed");
    QVERIFY(daemon_.waitForReadyRead(10000));
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    QVERIFY(!address_.isEmpty());
}

void DesktopSessionTest::cleanupTestCase() {
    daemon_.terminate();
    daemon_.waitForFinished(10000);
}

void DesktopSessionTest::init() {
    ++round_;
    client_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address_, QStringLiteral("client%1").arg(round_)));
    service_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address_, QStringLiteral("service%1").arg(round_)));
    QVERIFY(client_->isConnected() && service_->isConnected());
    logind_ = std::make_unique<StandIn>();
    saver_ = std::make_unique<StandIn>();
    logind_->bus = saver_->bus = service_.get();
    QVERIFY(service_->registerService(QStringLiteral("org.freedesktop.login1")));
    QVERIFY(service_->registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    QVERIFY(service_->registerVirtualObject(QStringLiteral("/org/freedesktop/login1"),
                                            logind_.get(), QDBusConnection::SubPath));
    QVERIFY(service_->registerVirtualObject(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                            saver_.get()));
}

void DesktopSessionTest::cleanup() {
    service_->unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    service_->unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
    service_->unregisterService(QStringLiteral("org.freedesktop.login1"));
    service_->unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
    if (logind_->pipeRead >= 0) ::close(logind_->pipeRead);
    QDBusConnection::disconnectFromBus(client_->name());
    QDBusConnection::disconnectFromBus(service_->name());
}

void DesktopSessionTest::logOffEndsTheOwnSession_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("ended");  // the session that is told to end
    QTest::newRow("logind answers at once") << int(StandIn::Answer::AtOnce) << kOwnPath;
    QTest::newRow("logind answers late") << int(StandIn::Answer::Hold) << kOwnPath;
    QTest::newRow("logind never answers")
        << int(StandIn::Answer::Never) << QStringLiteral("/org/freedesktop/login1/session/auto");
}

void DesktopSessionTest::logOffEndsTheOwnSession() {
    QFETCH(int, answer);
    QFETCH(QString, ended);
    logind_->answer = StandIn::Answer(answer);
    LogindSession session(*client_, kTimeoutMs);
    bool settled = false;

    session.logOff();  // returns before logind has even seen the question
    QVERIFY(logind_->calls.isEmpty());
    session.whenSettled([&settled] { settled = true; }, 20000);
    QVERIFY(!settled);
    QTRY_VERIFY_WITH_TIMEOUT(!logind_->calls.isEmpty(), 10000);
    QCOMPARE(logind_->calls[0].member(), QStringLiteral("GetSessionByPID"));
    QCOMPARE(logind_->calls[0].arguments().value(0).toUInt(),
             quint32(QCoreApplication::applicationPid()));
    if (logind_->answer == StandIn::Answer::Hold) {
        logind_->answer = StandIn::Answer::AtOnce;
        logind_->releaseHeld();
    }
    QTRY_COMPARE_WITH_TIMEOUT(logind_->calls.size(), 2, 10000);
    QCOMPARE(logind_->calls[1].path(), ended);
    QCOMPARE(logind_->calls[1].member(), QStringLiteral("Terminate"));
    QCOMPARE(logind_->calls[1].interface(), QStringLiteral("org.freedesktop.login1.Session"));
    // Settled once the end of the session has been answered, or its wait is over.
    QTRY_VERIFY_WITH_TIMEOUT(settled, 10000);
}

void DesktopSessionTest::restartAndPowerOff_data() {
    QTest::addColumn<bool>("powerOff");
    QTest::newRow("定时重启") << false;
    QTest::newRow("定时关机") << true;
}

void DesktopSessionTest::restartAndPowerOff() {
    QFETCH(bool, powerOff);
    logind_->answer = StandIn::Answer::Never;
    LogindSession session(*client_, kTimeoutMs);
    if (powerOff)
        session.powerOff();
    else
        session.reboot();
    QVERIFY(logind_->calls.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(logind_->calls.size(), 1, 10000);
    const QDBusMessage call = logind_->calls[0];
    QCOMPARE(call.path(), QStringLiteral("/org/freedesktop/login1"));
    QCOMPARE(call.interface(), QStringLiteral("org.freedesktop.login1.Manager"));
    QCOMPARE(call.member(), powerOff ? QStringLiteral("PowerOff") : QStringLiteral("Reboot"));
    QCOMPARE(call.arguments(), QVariantList{false});  // no interactive authentication
    bool settled = false;
    session.whenSettled([&settled] { settled = true; }, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(settled, 10000);  // the unanswered request has timed out
}

void DesktopSessionTest::inhibition_data() {
    QTest::addColumn<bool>("answerLate");
    QTest::newRow("answers while the count runs") << false;
    QTest::newRow("answers after the count has stopped") << true;
}

void DesktopSessionTest::inhibition() {
    QFETCH(bool, answerLate);
    if (answerLate) {
        logind_->answer = StandIn::Answer::Hold;
        saver_->answer = StandIn::Answer::Hold;
    }
    DesktopInhibitor inhibitor(*client_, *client_, 10000);
    inhibitor.setInhibited(true);
    QVERIFY(inhibitor.inhibited());
    QVERIFY(logind_->calls.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(logind_->calls.size(), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(saver_->calls.size(), 1, 10000);
    QCOMPARE(logind_->calls[0].member(), QStringLiteral("Inhibit"));
    QCOMPARE(logind_->calls[0].arguments().value(0).toString(), QStringLiteral("idle:sleep"));
    QCOMPARE(logind_->calls[0].arguments().value(3).toString(), QStringLiteral("block"));
    QCOMPARE(saver_->calls[0].member(), QStringLiteral("Inhibit"));

    if (answerLate) {
        inhibitor.setInhibited(false);
        logind_->releaseHeld();
        saver_->releaseHeld();
        saver_->answer = StandIn::Answer::AtOnce;
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(inhibitor.holdsLock(), 10000);
        QVERIFY(!LockReleased(logind_->pipeRead));
        inhibitor.setInhibited(false);
    }
    // The lock and the screen saver's inhibition are given back.
    QTRY_VERIFY_WITH_TIMEOUT(logind_->pipeRead >= 0 && LockReleased(logind_->pipeRead), 10000);
    QVERIFY(!inhibitor.holdsLock());
    QTRY_COMPARE_WITH_TIMEOUT(saver_->calls.size(), 2, 10000);
    QCOMPARE(saver_->calls[1].member(), QStringLiteral("UnInhibit"));
    QCOMPARE(saver_->calls[1].arguments(), QVariantList{quint32(4711)});
}

QTEST_GUILESS_MAIN(DesktopSessionTest)
#include "system_desktop_session.moc"
