// Whether the clock follows a time server, asked of a stand-in for systemd-timedated on a bus of
// the test's own: the answer, a service that fails or never answers, and a change seen at the
// next question.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QtTest>

#include "platform/ClockStatus.h"

namespace {

const QString kTimedate = QStringLiteral("org.freedesktop.timedate1");
const QString kPath = QStringLiteral("/org/freedesktop/timedate1");

class Timedated : public QDBusVirtualObject {
  public:
    enum class Answer { True, False, Error, NotBool, Never };
    Answer answer = Answer::True;
    QList<QDBusMessage> calls;
    QDBusConnection* bus = nullptr;

    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection&) override {
        calls << m;
        switch (answer) {
            case Answer::True:
            case Answer::False:
                bus->send(m.createReply(QVariant::fromValue(QDBusVariant(answer == Answer::True))));
                break;
            case Answer::NotBool:
                bus->send(m.createReply(QVariant::fromValue(QDBusVariant(QStringLiteral("yes")))));
                break;
            case Answer::Error:
                bus->send(m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"),
                                             QStringLiteral("no")));
                break;
            case Answer::Never:
                break;
        }
        return true;
    }
};

}  // namespace

class ClockStatusTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void answer_data();
    void answer();
    void followsAChange();
    void asksAgainByItself();

  private:
    QProcess daemon_;
    QString address_;
    std::unique_ptr<QDBusConnection> client_, service_;
    std::unique_ptr<Timedated> timedated_;
    int round_ = 0;
};

void ClockStatusTest::initTestCase() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(10000)) QSKIP("dbus-daemon is not installed");
    QVERIFY(daemon_.waitForReadyRead(10000));
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    QVERIFY(!address_.isEmpty());
}

void ClockStatusTest::cleanupTestCase() {
    daemon_.terminate();
    daemon_.waitForFinished(10000);
}

void ClockStatusTest::init() {
    ++round_;
    client_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address_, QStringLiteral("client%1").arg(round_)));
    service_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address_, QStringLiteral("service%1").arg(round_)));
    QVERIFY(client_->isConnected() && service_->isConnected());
    timedated_ = std::make_unique<Timedated>();
    timedated_->bus = service_.get();
    QVERIFY(service_->registerService(kTimedate));
    QVERIFY(service_->registerVirtualObject(kPath, timedated_.get()));
}

void ClockStatusTest::cleanup() {
    service_->unregisterObject(kPath);
    service_->unregisterService(kTimedate);
    QDBusConnection::disconnectFromBus(client_->name());
    QDBusConnection::disconnectFromBus(service_->name());
}

void ClockStatusTest::answer_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("expected");
    QTest::newRow("synchronised") << int(Timedated::Answer::True) << int(ClockSync::Synced);
    QTest::newRow("running free") << int(Timedated::Answer::False) << int(ClockSync::Unsynced);
    QTest::newRow("the service fails") << int(Timedated::Answer::Error) << int(ClockSync::Unknown);
    QTest::newRow("not a boolean") << int(Timedated::Answer::NotBool) << int(ClockSync::Unknown);
    QTest::newRow("never answers") << int(Timedated::Answer::Never) << int(ClockSync::Unknown);
}

void ClockStatusTest::answer() {
    QFETCH(int, answer);
    QFETCH(int, expected);
    const bool known = ClockSync(expected) != ClockSync::Unknown;
    // Unknown is told only as a change: the service answered first, then it fails.
    timedated_->answer = known ? Timedated::Answer(answer) : Timedated::Answer::True;
    TimedateClockStatus clock(*client_, 3600'000, 300);
    QSignalSpy changed(&clock, &ClockStatus::changed);
    QCOMPARE(clock.sync(), ClockSync::Unknown);
    QVERIFY(timedated_->calls.isEmpty());  // asked from the event loop, not the constructor
    QTRY_COMPARE_WITH_TIMEOUT(timedated_->calls.size(), 1, 10000);
    const QDBusMessage call = timedated_->calls[0];
    QCOMPARE(call.interface(), QStringLiteral("org.freedesktop.DBus.Properties"));
    QCOMPARE(call.member(), QStringLiteral("Get"));
    QCOMPARE(call.arguments(), (QVariantList{kTimedate, QStringLiteral("NTPSynchronized")}));
    if (!known) {
        QTRY_COMPARE_WITH_TIMEOUT(clock.sync(), ClockSync::Synced, 10000);
        timedated_->answer = Timedated::Answer(answer);
        clock.refresh();
        QCOMPARE(timedated_->calls.size(), 1);  // the answer comes from the event loop
    }
    QTRY_COMPARE_WITH_TIMEOUT(clock.sync(), ClockSync(expected), 10000);
    QCOMPARE(changed.size(), known ? 1 : 2);
    QCOMPARE(changed.constLast()[0].value<ClockSync>(), ClockSync(expected));
}

void ClockStatusTest::followsAChange() {
    TimedateClockStatus clock(*client_, 3600'000, 5000);
    QSignalSpy changed(&clock, &ClockStatus::changed);
    QTRY_COMPARE_WITH_TIMEOUT(clock.sync(), ClockSync::Synced, 10000);
    timedated_->answer = Timedated::Answer::False;
    clock.refresh();
    QTRY_COMPARE_WITH_TIMEOUT(clock.sync(), ClockSync::Unsynced, 10000);
    // The service goes away: the state is no longer known.
    service_->unregisterObject(kPath);
    service_->unregisterService(kTimedate);
    clock.refresh();
    QTRY_COMPARE_WITH_TIMEOUT(clock.sync(), ClockSync::Unknown, 10000);
    QCOMPARE(changed.size(), 3);
}

void ClockStatusTest::asksAgainByItself() {
    TimedateClockStatus clock(*client_, 50, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(timedated_->calls.size() >= 3, 10000);
}

QTEST_GUILESS_MAIN(ClockStatusTest)
#include "system_clock_status.moc"
