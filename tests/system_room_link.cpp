// A room on a real mosquitto broker configured as a site's is (TestBroker), with the office
// played by a bare link: the room's presence, report, orders and acks through the ACL; another
// room's topics refused; the broker killed in the middle of a count and started again; a late
// room catching up with the retained plan and order; and a flood of malformed orders that
// leaves the room responsive and correct. The room's own clock is the fake time source: the
// count never waits for real seconds; only the network is real, and every wait has a deadline
// that only guards against a hang.
#include <QtTest>
#include <memory>

#include "Fakes.h"
#include "TestBroker.h"
#include "site/RoomLink.h"

namespace {

constexpr int kWaitMs = 15000;

// The office: a bare link as office1, and everything it heard.
struct Office {
    explicit Office(const TestBroker& broker) : broker(broker) {
        QObject::connect(link.get(), &SiteLink::received, link.get(),
                         [this](const QString& t, const QByteArray& p, bool r) {
                             got.append({t, p, r});
                         });
    }
    bool open() {
        link->open(broker.settings(QStringLiteral("office1")));
        return QTest::qWaitFor([this] { return link->state() == LinkState::Connected; }, kWaitMs);
    }
    // Subscribes and waits until the subscription is in place: a marker published after it
    // comes back.
    bool listen(const QString& filter) {
        link->subscribe(broker.topic(filter));
        return roundTrip();
    }
    bool roundTrip() {
        const QString marker = broker.topic(QStringLiteral("test/marker"));
        const QByteArray text = QByteArray::number(++markers);
        link->subscribe(marker);
        link->publish(marker, text, false);
        return QTest::qWaitFor([&] { return on(QStringLiteral("test/marker")).contains(text); },
                               kWaitMs);
    }
    QList<QByteArray> on(const QString& rest) const {
        QList<QByteArray> out;
        for (const auto& m : got)
            if (m.topic == broker.topic(rest)) out << m.payload;
        return out;
    }
    QList<Ack> acks(const QString& room) const {
        QList<Ack> out;
        for (const QByteArray& p : on(QStringLiteral("room/%1/ack").arg(room)))
            if (auto a = DecodeAck(p)) out << *a;
        return out;
    }
    std::optional<Reported> lastReport(const QString& room) const {
        const auto all = on(QStringLiteral("room/%1/reported").arg(room));
        return all.isEmpty() ? std::nullopt : DecodeReported(all.last());
    }
    void clearRetained(const QString& room) {
        link->publish(broker.topic(QStringLiteral("room/%1/desired").arg(room)), {}, true);
        link->publish(broker.topic(QStringLiteral("room/%1/reported").arg(room)), {}, true);
        link->publish(broker.topic(QStringLiteral("room/%1/presence").arg(room)), {}, true);
        link->publish(broker.topic(QStringLiteral("plan")), {}, true);
    }
    struct Message {
        QString topic;
        QByteArray payload;
        bool retained;
    };
    const TestBroker& broker;
    std::unique_ptr<SiteLink> link = CreateSiteLink();
    QList<Message> got;
    int markers = 0;
};

// A room: the real link, the fake clock for its count, a count of its own as the hooks see it.
struct Room {
    Room(const TestBroker& broker, const QString& id) : id(id) {
        fake.clockStatus.set(ClockSync::Synced);
        anchor.duration = 3600;
        anchor.value = 3600;
        RoomLink::Hooks h;
        h.count = [this](qint64 now) {
            return RoomLink::Count{anchor, source, DisplayText(anchor.valueAt(now)), 1, QString()};
        };
        h.follow = [this](const Anchor& a, qint64, bool) {
            anchor = a;
            source = CountSource::Office;
            ++follows;
        };
        h.plan = [this] { return plan; };
        h.takePlan = [this](const Plan& p) { plan = p; };
        h.identify = [this](const QString& text, int) { identified << text; };
        h.log = [this](const QString& line) { logs << line; };
        room = std::make_unique<RoomLink>(*link, fake.time, &fake.clockStatus, h,
                                          RoomLink::Identity{QStringLiteral("2.01"), id});
        config.enabled = true;
        config.host = QStringLiteral("127.0.0.1");
        config.port = broker.port();
        config.site = broker.site();
        config.room = id;
        config.password = TestBroker::Password(id);
    }
    bool open() {
        room->open(config, QString());
        return connected();
    }
    bool connected() {
        return QTest::qWaitFor([this] { return link->state() == LinkState::Connected; }, kWaitMs);
    }
    qint64 now() const { return fake.time.now().toMSecsSinceEpoch(); }

    QString id;
    FakePlatform fake;
    std::unique_ptr<SiteLink> link = CreateSiteLink();
    std::unique_ptr<RoomLink> room;
    RoomLinkConfig config;
    Anchor anchor;
    CountSource source = CountSource::Local;
    int follows = 0;
    Plan plan;
    QStringList identified;
    QStringList logs;
};

Anchor Running(qint64 atMs, int value) {
    Anchor a;
    a.phase = CountPhase::Main;
    a.duration = 3600;
    a.value = value;
    a.atMs = atMs;
    return a;
}

QByteArray Order(int rev, const Anchor& a) {
    return EncodeDesired({rev, QStringLiteral("office1"), QString(), a});
}

}  // namespace

class RoomOnBrokerTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void roundTripsThroughTheAcl();
    void anotherRoomsTopicRefused();
    void brokerKilledMidCount();
    void lateJoinerCatchesUp();
    void floodOfMalformedOrders();

  private:
    std::unique_ptr<TestBroker> broker_;
};

void RoomOnBrokerTest::initTestCase() {
    if (!TestBroker::Installed()) QSKIP("mosquitto is not installed");
    broker_ = std::make_unique<TestBroker>();
    QString error;
    QVERIFY2(broker_->start(&error), qPrintable(error));
}

void RoomOnBrokerTest::cleanupTestCase() {
    if (broker_) broker_->stop();
}

// Each test starts with no retained state of the rooms or the plan.
void RoomOnBrokerTest::init() {
    if (!broker_->running()) QVERIFY(broker_->restart());
    Office office(*broker_);
    QVERIFY(office.open());
    for (const QString& room :
         {QStringLiteral("A101"), QStringLiteral("A102"), QStringLiteral("A103")})
        office.clearRetained(room);
    QVERIFY(office.roundTrip());
}

void RoomOnBrokerTest::roundTripsThroughTheAcl() {
    Office office(*broker_);
    QVERIFY(office.open());
    QVERIFY(office.listen(QStringLiteral("room/A101/#")));
    Room room(*broker_, QStringLiteral("A101"));
    QVERIFY(room.open());
    QVERIFY(QTest::qWaitFor(
        [&] { return office.on(QStringLiteral("room/A101/presence")).contains("online"); },
        kWaitMs));
    QVERIFY(QTest::qWaitFor([&] { return office.lastReport(QStringLiteral("A101")).has_value(); },
                            kWaitMs));
    QCOMPARE(office.lastReport(QStringLiteral("A101"))->room, QStringLiteral("A101"));

    // An order at its second, on the room's clock; its ack comes back through the broker.
    const Anchor a = Running(room.now() + 2000, 1800);
    office.link->publish(broker_->topic(QStringLiteral("room/A101/desired")), Order(1, a), true);
    room.fake.time.advance(2000);
    QVERIFY(QTest::qWaitFor([&] { return room.follows == 1; }, kWaitMs));
    QVERIFY(
        QTest::qWaitFor([&] { return !office.acks(QStringLiteral("A101")).isEmpty(); }, kWaitMs));
    QCOMPARE(office.acks(QStringLiteral("A101")).first().id, QStringLiteral("desired:1"));
    QCOMPARE(room.anchor, a);

    // A one-shot order, with the expiry the office gives them.
    Command c{QStringLiteral("id-1"), Command::Kind::Identify, QString(),
              QStringLiteral("office1")};
    office.link->publish(broker_->topic(QStringLiteral("room/A101/cmd")), EncodeCommand(c), false,
                         kCmdExpirySeconds);
    QVERIFY(
        QTest::qWaitFor([&] { return office.acks(QStringLiteral("A101")).size() == 2; }, kWaitMs));
    QCOMPARE(room.identified, QStringList{QStringLiteral("A101")});

    // The clock probe: the office answers the room's last ping at once, its clock 0.7 s ahead;
    // by the room's clock the answer took as long to come as the ping to go.
    const auto pings = office.on(QStringLiteral("room/A101/tping"));
    QVERIFY(!pings.isEmpty());
    const auto ping = DecodePing(pings.last());
    QVERIFY(ping);
    Probe pong = *ping;
    pong.t1 = ping->t0 + (room.now() - ping->t0) / 2 + 700;
    pong.t2 = pong.t1;
    office.link->publish(broker_->topic(QStringLiteral("room/A101/tpong")), EncodePong(pong),
                         false);
    QVERIFY(QTest::qWaitFor([&] { return room.room->offsetMs().has_value(); }, kWaitMs));
    QCOMPARE(*room.room->offsetMs(), qint64(700));
    QCOMPARE(room.room->statusText(), QStringLiteral("已连接考务中心  时钟偏差 0.7 秒"));
    QCOMPARE(room.room->droppedCount(), 0);
}

void RoomOnBrokerTest::anotherRoomsTopicRefused() {
    Office office(*broker_);
    QVERIFY(office.open());
    QVERIFY(office.listen(QStringLiteral("room/#")));
    Room a102(*broker_, QStringLiteral("A102"));
    QVERIFY(a102.open());
    // A101 (a bare link under its own name) tries to steer A102 and to speak for it, then says
    // something it may say: once that is in, the refused ones would have been before it.
    auto rogue = CreateSiteLink();
    rogue->open(broker_->settings(QStringLiteral("A101")));
    QVERIFY(QTest::qWaitFor([&] { return rogue->state() == LinkState::Connected; }, kWaitMs));
    rogue->publish(broker_->topic(QStringLiteral("room/A102/desired")),
                   Order(9, Running(a102.now(), 60)), true);
    rogue->publish(broker_->topic(QStringLiteral("room/A102/reported")), "forged", true);
    rogue->publish(broker_->topic(QStringLiteral("room/A101/event")), "marker", false);
    QVERIFY(QTest::qWaitFor(
        [&] { return office.on(QStringLiteral("room/A101/event")).contains("marker"); }, kWaitMs));
    QVERIFY(office.on(QStringLiteral("room/A102/desired")).isEmpty());
    QVERIFY(!office.on(QStringLiteral("room/A102/reported")).contains("forged"));
    QCOMPARE(a102.follows, 0);
    QCOMPARE(a102.room->appliedRev(), 0);
}

void RoomOnBrokerTest::brokerKilledMidCount() {
    Room room(*broker_, QStringLiteral("A103"));
    QVERIFY(room.open());
    {
        Office office(*broker_);
        QVERIFY(office.open());
        office.link->publish(broker_->topic(QStringLiteral("room/A103/desired")),
                             Order(4, Running(room.now(), 3000)), true);
        QVERIFY(QTest::qWaitFor([&] { return room.follows == 1; }, kWaitMs));
    }
    const Anchor counting = room.anchor;
    room.fake.time.advance(60'000);  // a minute of the count

    broker_->kill();
    QVERIFY(
        QTest::qWaitFor([&] { return room.link->state() == LinkState::Disconnected; }, kWaitMs));
    QVERIFY(room.room->statusText().startsWith(QStringLiteral("与考务中心断开")));
    QVERIFY(room.room->statusProblem());
    room.fake.time.advance(30'000);  // the count goes on meanwhile, on its own clock
    QString error;
    QVERIFY2(broker_->restart(&error), qPrintable(error));
    QVERIFY(room.connected());

    // Back: online, its report retained, the count and the order as they were.
    Office office(*broker_);
    QVERIFY(office.open());
    QVERIFY(office.listen(QStringLiteral("room/A103/#")));
    QVERIFY(office.on(QStringLiteral("room/A103/presence")).contains("online"));
    const auto report = office.lastReport(QStringLiteral("A103"));
    QVERIFY(report);
    QCOMPARE(report->appliedRev, 4);
    QCOMPARE(report->anchor, counting);
    QCOMPARE(report->source, CountSource::Office);
    QCOMPARE(report->shown, DisplayText(3000 - 90));
    QCOMPARE(room.follows, 1);  // the retained order again is nothing new
    QCOMPARE(room.room->statusText(), QStringLiteral("已连接考务中心"));
}

void RoomOnBrokerTest::lateJoinerCatchesUp() {
    Office office(*broker_);
    QVERIFY(office.open());
    QVERIFY(office.listen(QStringLiteral("room/A101/#")));
    Room room(*broker_, QStringLiteral("A101"));
    Plan plan;
    plan.rev = 2;
    PlanSession s;
    s.id = QStringLiteral("d1-shuxue");
    s.title = QStringLiteral("数学");
    s.startMs = room.now() + 3600'000;
    s.duration = 7200;
    plan.sessions << s;
    office.link->publish(broker_->topic(QStringLiteral("plan")), EncodePlan(plan), true);
    // An order that began 20 s ago, before the room was there.
    const Anchor a = Running(room.now() - 20'000, 2400);
    office.link->publish(broker_->topic(QStringLiteral("room/A101/desired")), Order(6, a), true);
    QVERIFY(office.roundTrip());

    QVERIFY(room.open());
    QVERIFY(QTest::qWaitFor([&] { return room.plan.rev == 2 && room.follows == 1; }, kWaitMs));
    QCOMPARE(room.plan, plan);
    QCOMPARE(room.anchor, a);
    QVERIFY(
        QTest::qWaitFor([&] { return !office.acks(QStringLiteral("A101")).isEmpty(); }, kWaitMs));
    QVERIFY(office.acks(QStringLiteral("A101")).first().detail.contains(QStringLiteral("迟到")));
    QVERIFY(QTest::qWaitFor(
        [&] {
            for (const QByteArray& p : office.on(QStringLiteral("room/A101/event")))
                if (auto e = DecodeEvent(p); e && e->kind == RoomEvent::Kind::LateApply)
                    return true;
            return false;
        },
        kWaitMs));
}

void RoomOnBrokerTest::floodOfMalformedOrders() {
    Room room(*broker_, QStringLiteral("A102"));
    QVERIFY(room.open());
    Office office(*broker_);
    QVERIFY(office.open());
    QVERIFY(office.listen(QStringLiteral("room/A102/ack")));
    // The window's loop keeps turning while they come in.
    int turns = 0;
    QTimer turn;
    turn.setInterval(0);
    connect(&turn, &QTimer::timeout, [&turns] { ++turns; });
    turn.start();
    const QString desired = broker_->topic(QStringLiteral("room/A102/desired"));
    const QString cmd = broker_->topic(QStringLiteral("room/A102/cmd"));
    for (int i = 0; i < 10'000; ++i)
        office.link->publish(i % 2 ? desired : cmd,
                             i % 3 ? QByteArray("{\"v\":1,\"rev\":") + QByteArray::number(i)
                                   : QByteArray("\xff\xfe not json"),
                             false);
    // Then a good order: it is applied, and acked, after the flood.
    office.link->publish(desired, Order(3, Running(room.now(), 900)), false);
    QVERIFY(QTest::qWaitFor([&] { return room.follows == 1; }, 60'000));
    QVERIFY(
        QTest::qWaitFor([&] { return !office.acks(QStringLiteral("A102")).isEmpty(); }, kWaitMs));
    QCOMPARE(office.acks(QStringLiteral("A102")).size(), 1);
    QCOMPARE(office.acks(QStringLiteral("A102")).first().id, QStringLiteral("desired:3"));
    QCOMPARE(room.room->appliedRev(), 3);
    QCOMPARE(room.anchor.value, 900);
    // Whatever the broker let through was dropped, and the log holds a few lines of it.
    QVERIFY2(room.room->droppedCount() > 1000,
             qPrintable(QString::number(room.room->droppedCount())));
    QVERIFY(room.room->droppedCount() <= 10'000);
    int dropLines = 0;
    for (const QString& line : room.logs)
        if (line.contains(QStringLiteral("丢弃"))) ++dropLines;
    QCOMPARE(dropLines, RoomLink::kDropLinesPerMinute);
    QVERIFY(turns > 10);
}

QTEST_MAIN(RoomOnBrokerTest)
#include "system_room_link.moc"
