// The console's model on a real link against a real mosquitto broker configured as a site's
// is: the console logs in as office1 and says the office is online; a room (a second link,
// logged in as A101) that publishes its presence and report appears in the model; the
// console's order reaches the room as a retained desired anchor and the room's ack comes back;
// a second console, logged in as the observer watch1, sees the same rooms and who gave the
// order, and the order it tries to send is refused by the broker: the room never receives it.
//
// The model's clock is a fake set to the real date (so that the room's report is fresh); it
// never moves by itself. Waits have deadlines that only guard against a hang. Where the test
// shows that something did NOT arrive, it does not wait for a while: see observerRefused.
#include <QtTest>
#include <memory>

#include "Fakes.h"
#include "TestBroker.h"
#include "console/ConsoleLogin.h"
#include "console/SiteModel.h"

namespace {

constexpr int kWaitMs = 10000;

struct Message {
    QString topic;
    QByteArray payload;
    bool retained;
};

// A link and everything it heard.
struct Listener {
    Listener() {
        QObject::connect(link.get(), &SiteLink::received, link.get(),
                         [this](const QString& t, const QByteArray& p, bool r) {
                             got.append({t, p, r});
                         });
    }
    QList<Message> on(const QString& topic) const {
        QList<Message> out;
        for (const Message& m : got)
            if (m.topic == topic) out << m;
        return out;
    }
    std::unique_ptr<SiteLink> link = CreateSiteLink();
    QList<Message> got;
};

// A console: the model on a real link, logged in as the user.
struct Console {
    Console(const TestBroker& broker, const QString& user, bool observer, FakeTimeSource& time)
        : model(*listener.link, time) {
        ConsoleLogin l;
        l.host = QStringLiteral("127.0.0.1");
        l.port = broker.port();
        l.site = broker.site();
        l.user = user;
        l.password = TestBroker::Password(user);
        l.observer = observer;
        model.watch(l.site, l.user, l.observer);
        listener.link->open(ConsoleLinkSettings(l));
    }
    Listener listener;
    SiteModel model;
};

}  // namespace

class ConsoleLinkTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void roomAppearsAndFollowsTheOffice();
    void observerRefused();

  private:
    bool connect(Listener& l, const QString& user);
    std::unique_ptr<TestBroker> broker_;
    FakeTimeSource time_{QDateTime::currentDateTime()};
    std::unique_ptr<Console> office_;
    Listener room_;
};

void ConsoleLinkTest::initTestCase() {
    if (!TestBroker::Installed()) QSKIP("mosquitto is not installed");
    broker_ = std::make_unique<TestBroker>();
    QString error;
    QVERIFY2(broker_->start(&error), qPrintable(error));
}

void ConsoleLinkTest::cleanupTestCase() {
    office_.reset();
    if (broker_) broker_->stop();
}

bool ConsoleLinkTest::connect(Listener& l, const QString& user) {
    l.link->open(broker_->settings(user));
    QDeadlineTimer deadline(kWaitMs);
    while (l.link->state() != LinkState::Connected && !deadline.hasExpired())
        QTest::qWait(10);
    return l.link->state() == LinkState::Connected;
}

void ConsoleLinkTest::roomAppearsAndFollowsTheOffice() {
    office_ = std::make_unique<Console>(*broker_, QStringLiteral("office1"), false, time_);
    SiteModel& model = office_->model;
    QTRY_COMPARE_WITH_TIMEOUT(model.linkState(), LinkState::Connected, kWaitMs);

    // The office says it is online, retained: a late joiner reads it.
    Listener watcher;
    QVERIFY(connect(watcher, QStringLiteral("watch1")));
    const QString officePresence = broker_->topic(QStringLiteral("office/presence"));
    watcher.link->subscribe(officePresence);
    QTRY_VERIFY_WITH_TIMEOUT(!watcher.on(officePresence).isEmpty(), kWaitMs);
    QCOMPARE(watcher.on(officePresence).last().payload, QByteArray("online"));

    // The room logs in as itself and says how it is.
    QVERIFY(connect(room_, QStringLiteral("A101")));
    const QString desired = broker_->topic(QStringLiteral("room/A101/desired"));
    room_.link->subscribe(desired);
    const qint64 now = time_.now().toMSecsSinceEpoch();
    Reported r;
    r.atMs = now;
    r.room = QStringLiteral("A101");
    r.source = CountSource::Plan;
    r.anchor.phase = CountPhase::Main;
    r.anchor.duration = 9000;
    r.anchor.value = 5400;
    r.anchor.atMs = now - 30'000;
    r.shown = DisplayText(r.anchor.valueAt(now));
    r.title = QStringLiteral("语文");
    r.clockSynced = true;
    r.screen.full = true;
    room_.link->publish(broker_->topic(QStringLiteral("room/A101/presence")), "online", true);
    room_.link->publish(broker_->topic(QStringLiteral("room/A101/reported")), EncodeReported(r),
                        true);
    QTRY_VERIFY_WITH_TIMEOUT(model.room(QStringLiteral("A101")) &&
                                 model.room(QStringLiteral("A101"))->report,
                             kWaitMs);
    QCOMPARE(model.room(QStringLiteral("A101"))->report->title, QStringLiteral("语文"));
    QTRY_COMPARE_WITH_TIMEOUT(model.onlineCount(), 1, kWaitMs);
    QCOMPARE(model.remainingNow(QStringLiteral("A101")), std::optional<int>(5370));

    // The office pauses it at a whole second ahead: the room receives the anchor, retained.
    const qint64 at = EffectiveAt(now);
    QCOMPARE(model.steer({"A101"}, Steer::Pause, at).rooms, QStringList{"A101"});
    QTRY_VERIFY_WITH_TIMEOUT(!room_.on(desired).isEmpty(), kWaitMs);
    const auto d = DecodeDesired(room_.on(desired).last().payload);
    QVERIFY(d);
    QCOMPARE(d->rev, 1);
    QCOMPARE(d->by, QStringLiteral("office1"));
    QCOMPARE(d->anchor.atMs, at);
    QVERIFY(d->anchor.paused);
    QCOMPARE(d->anchor.value, r.anchor.valueAt(at));

    // Its ack comes back to the console.
    room_.link->publish(broker_->topic(QStringLiteral("room/A101/ack")),
                        EncodeAck(Ack{DesiredAckId(1), true, {}}), false);
    QTRY_VERIFY_WITH_TIMEOUT(
        model.room(QStringLiteral("A101"))->lastAck.contains(QStringLiteral("第1版")), kWaitMs);
    QVERIFY(model.room(QStringLiteral("A101"))->lastAckOk);
}

void ConsoleLinkTest::observerRefused() {
    QVERIFY(office_);
    // A second console on the same site, as the observer. Its operator did not tick
    // 观察者, so the console tries to give orders: the broker is what stops them.
    Console observer(*broker_, QStringLiteral("watch1"), false, time_);
    SiteModel& model = observer.model;
    QTRY_VERIFY_WITH_TIMEOUT(model.room(QStringLiteral("A101")) &&
                                 model.room(QStringLiteral("A101"))->desired,
                             kWaitMs);
    // It sees the room and who gave its order.
    QCOMPARE(model.room(QStringLiteral("A101"))->desired->by, QStringLiteral("office1"));
    QVERIFY(model.room(QStringLiteral("A101"))->report);

    const QString desired = broker_->topic(QStringLiteral("room/A101/desired"));
    const qint64 at = EffectiveAt(time_.now().toMSecsSinceEpoch());
    QCOMPARE(model.steer({"A101"}, Steer::Resume, at).rooms, QStringList{"A101"});
    // The broker takes a connection's packets in order: a subscription made after the
    // publish gets the retained order as it stands after it. Still the office's rev 1.
    const int before = int(observer.listener.on(desired).size());
    observer.listener.link->subscribe(desired);
    QTRY_VERIFY_WITH_TIMEOUT(observer.listener.on(desired).size() > before, kWaitMs);
    const Message answer = observer.listener.on(desired).last();
    QVERIFY(answer.retained);
    QCOMPARE(DecodeDesired(answer.payload)->by, QStringLiteral("office1"));
    QCOMPARE(DecodeDesired(answer.payload)->rev, 1);

    // The office's next order comes after the refused one; once the room has it, the refused
    // one would have come before.
    QCOMPARE(office_->model.steer({"A101"}, Steer::Resume, at).rooms, QStringList{"A101"});
    QTRY_VERIFY_WITH_TIMEOUT(DecodeDesired(room_.on(desired).last().payload)->rev == 2, kWaitMs);
    for (const Message& m : room_.on(desired))
        QCOMPARE(DecodeDesired(m.payload)->by, QStringLiteral("office1"));
    // And the observer's console shows the office's order with its name. (Until the broker
    // brings it, the observer holds its own refused order, also numbered 2.)
    QTRY_COMPARE_WITH_TIMEOUT(model.room(QStringLiteral("A101"))->desired->by,
                              QStringLiteral("office1"), kWaitMs);
    QCOMPARE(model.room(QStringLiteral("A101"))->desired->rev, 2);
}

QTEST_GUILESS_MAIN(ConsoleLinkTest)
#include "system_console_link.moc"
