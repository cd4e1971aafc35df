// The site link against a real mosquitto broker configured as a site's is: messages and
// retained state between rooms and the office, the ACL's refusals, the last will, the
// connection test's answers, a broker killed and started again, and a user-interface thread
// that never waits for any of it.
//
// Where a test shows that something did NOT arrive, it does not wait for a while: the sender
// follows the refused message with a marker on its same connection, the broker handles a
// connection's packets in order and delivers to a subscriber in order, so once the marker is
// in, the refused message would have been in before it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QtTest>
#include <memory>
#include <optional>

#include "TestBroker.h"
#include "platform/SiteLink.h"

namespace {

constexpr int kWaitMs = 10000;  // a deadline that only guards against a hang
constexpr int kCmdExpiry = 30;  // what the room's orders carry

struct Message {
    QString topic;
    QByteArray payload;
    bool retained;
};

// A link and everything it heard.
class Peer {
  public:
    Peer() {
        QObject::connect(link.get(), &SiteLink::received, link.get(),
                         [this](const QString& t, const QByteArray& p, bool r) {
                             got.append({t, p, r});
                         });
        QObject::connect(link.get(), &SiteLink::stateChanged, link.get(),
                         [this](LinkState s, const QString&) { states.append(s); });
    }
    // The payloads heard on a topic, in order.
    QList<QByteArray> on(const QString& topic) const {
        QList<QByteArray> out;
        for (const Message& m : got)
            if (m.topic == topic) out << m.payload;
        return out;
    }
    // The same, of the messages published while the peer listened (not retained ones).
    QList<QByteArray> live(const QString& topic) const {
        QList<QByteArray> out;
        for (const Message& m : got)
            if (m.topic == topic && !m.retained) out << m.payload;
        return out;
    }
    QList<Message> withPayload(const QByteArray& payload) const {
        QList<Message> out;
        for (const Message& m : got)
            if (m.payload == payload) out << m;
        return out;
    }
    std::optional<Message> first(const QString& topic) const {
        for (const Message& m : got)
            if (m.topic == topic) return m;
        return std::nullopt;
    }
    std::unique_ptr<SiteLink> link = CreateSiteLink();
    QList<Message> got;
    QList<LinkState> states;
};

// Counts the turns of the event loop: it keeps counting only while nothing holds the thread.
class Turns {
  public:
    Turns() {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { ++count; });
        timer_.start();
    }
    int count = 0;

  private:
    QTimer timer_;
};

// A TCP listener that takes connections into its backlog and never says a word.
class SilentServer {
  public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        port_ = FreeLocalPort();
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(quint16(port_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 8) != 0)
            port_ = 0;
    }
    ~SilentServer() { ::close(fd_); }
    int port() const { return port_; }
    // From now on each connection is taken and reset at once (RST, not a goodbye).
    void resetEach() {
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) return;
            const linger now{1, 0};
            ::setsockopt(c, SOL_SOCKET, SO_LINGER, &now, sizeof now);
            ::close(c);
        });
    }

  private:
    int fd_ = -1;
    int port_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

class SiteLinkTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void delivery_data();
    void delivery();
    void refusedByTheAcl_data();
    void refusedByTheAcl();
    void lastWill_data();
    void lastWill();
    void connectionTest_data();
    void connectionTest();
    void reconnectsAfterTheBrokerRestarts();
    void openNeverWaits_data();
    void openNeverWaits();
    void payloadLimit_data();
    void payloadLimit();
    void expiry_data();
    void expiry();
    void brokerListensOnlyWhereConfigured();
    void oneRoomOneIdentity();

  private:
    // Opens a peer as the user and waits until it is connected.
    bool connectPeer(Peer& peer, const QString& user);
    // Subscribes and waits until the broker has the subscriptions in place: the peer also
    // subscribes to the plan, whose retained marker arrives only after the broker has taken
    // the subscriptions asked for before it.
    bool subscribeAndWait(Peer& peer, const QStringList& filters);
    // Sends a marker through the broker to the office and waits for it to come back.
    bool roundTrip(Peer& office, const QByteArray& marker);

    // Publishes the retained plan whose arrival tells a peer its subscriptions are in place.
    bool publishPlanMarker();
    // Waits until the broker has handled everything sent before: two round trips of an
    // office link (which must be the only office1 link then).
    bool settle();

    std::unique_ptr<TestBroker> broker_;
    int round_ = 0;
};

void SiteLinkTest::initTestCase() {
    if (!TestBroker::Installed()) QSKIP("mosquitto is not installed");
    TestBroker::Options options;
    options.tls = TestBroker::CanMakeCertificates();
    broker_ = std::make_unique<TestBroker>(options);
    QString error;
    QVERIFY2(broker_->start(&error), qPrintable(error));
    QVERIFY(publishPlanMarker());
}

void SiteLinkTest::cleanupTestCase() {
    if (broker_) broker_->stop();
}

bool SiteLinkTest::publishPlanMarker() {
    const QString plan = broker_->topic(QStringLiteral("plan"));
    Peer office;
    if (!connectPeer(office, QStringLiteral("office1"))) return false;
    office.link->subscribe(plan);
    office.link->publish(plan, "{\"v\":1}", true);
    QDeadlineTimer deadline(kWaitMs);
    while (office.on(plan).isEmpty() && !deadline.hasExpired())
        QTest::qWait(10);
    return !office.on(plan).isEmpty();
}

bool SiteLinkTest::settle() {
    Peer office;
    return connectPeer(office, QStringLiteral("office1")) && roundTrip(office, "first") &&
           roundTrip(office, "second");
}

bool SiteLinkTest::connectPeer(Peer& peer, const QString& user) {
    peer.link->open(broker_->settings(user));
    QDeadlineTimer deadline(kWaitMs);
    while (peer.link->state() != LinkState::Connected && !deadline.hasExpired())
        QTest::qWait(10);
    if (peer.link->state() != LinkState::Connected)
        qWarning("%s did not connect: %s", qPrintable(user), qPrintable(peer.link->why()));
    return peer.link->state() == LinkState::Connected;
}

bool SiteLinkTest::subscribeAndWait(Peer& peer, const QStringList& filters) {
    for (const QString& f : filters)
        peer.link->subscribe(f);
    const QString plan = broker_->topic(QStringLiteral("plan"));
    peer.link->subscribe(plan);
    QDeadlineTimer deadline(kWaitMs);
    while (!peer.first(plan) && !deadline.hasExpired())
        QTest::qWait(10);
    return peer.first(plan).has_value();
}

bool SiteLinkTest::roundTrip(Peer& office, const QByteArray& marker) {
    const QString topic = broker_->topic(QStringLiteral("test/marker"));
    office.link->subscribe(topic);
    office.link->publish(topic, marker, false);
    QDeadlineTimer deadline(kWaitMs);
    while (!office.on(topic).contains(marker) && !deadline.hasExpired())
        QTest::qWait(10);
    return office.on(topic).contains(marker);
}

// ---- messages and retained state --------------------------------------------------------------

void SiteLinkTest::delivery_data() {
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<QString>("filter");  // under the site
    QTest::addColumn<QString>("topic");
    QTest::addColumn<bool>("retain");
    QTest::addColumn<int>("expiry");
    QTest::addColumn<bool>("lateJoiner");  // the receiver subscribes after the publish
    QTest::newRow("a room's report to the office") << "A101"
                                                   << "office1"
                                                   << "room/+/reported"
                                                   << "room/A101/reported" << true << 0 << false;
    QTest::newRow("an order to its room, with an expiry")
        << "office1"
        << "A101"
        << "room/A101/cmd"
        << "room/A101/cmd" << false << 30 << false;
    QTest::newRow("the clock probe's answer") << "office1"
                                              << "A102"
                                              << "room/A102/tpong"
                                              << "room/A102/tpong" << false << 0 << false;
    QTest::newRow("everything to the observer") << "A103"
                                                << "watch1"
                                                << "#"
                                                << "room/A103/event" << false << 0 << false;
    QTest::newRow("the retained plan to a late joiner") << "office1"
                                                        << "A102"
                                                        << "plan"
                                                        << "plan" << true << 0 << true;
    QTest::newRow("a retained desired anchor to its late room")
        << "office1"
        << "A103"
        << "room/A103/desired"
        << "room/A103/desired" << true << 0 << true;
    QTest::newRow("a retained report to a late office")
        << "A102"
        << "office1"
        << "room/+/reported"
        << "room/A102/reported" << true << 0 << true;
}

void SiteLinkTest::delivery() {
    QFETCH(QString, sender);
    QFETCH(QString, receiver);
    QFETCH(QString, filter);
    QFETCH(QString, topic);
    QFETCH(bool, retain);
    QFETCH(int, expiry);
    QFETCH(bool, lateJoiner);
    const QString fullTopic = broker_->topic(topic);
    const QByteArray payload =
        QStringLiteral("{\"v\":1,\"text\":\"语文 %1\"}").arg(++round_).toUtf8();
    Peer from, to;
    QVERIFY(connectPeer(from, sender));
    if (!lateJoiner) {
        QVERIFY(connectPeer(to, receiver));
        QVERIFY(subscribeAndWait(to, {broker_->topic(filter)}));
    }
    from.link->publish(fullTopic, payload, retain, expiry);
    if (lateJoiner) {
        // The retained message is stored once the sender has gone (a link that goes sends
        // what was published first) and the broker has handled what came before.
        from.link.reset();
        QVERIFY(settle());
        QVERIFY(connectPeer(to, receiver));
        QVERIFY(subscribeAndWait(to, {broker_->topic(filter)}));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!to.withPayload(payload).isEmpty(), kWaitMs);
    const QList<Message> heard = to.withPayload(payload);
    QCOMPARE(heard.size(), 1);
    QCOMPARE(heard[0].topic, fullTopic);
    QCOMPARE(heard[0].retained, lateJoiner);
}

// ---- the ACL ----------------------------------------------------------------------------------

void SiteLinkTest::refusedByTheAcl_data() {
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<QStringList>("filters");  // the receiver's
    QTest::addColumn<QString>("refused");      // sent, never delivered
    QTest::addColumn<QString>("marker");       // sent after it, delivered
    QTest::newRow("a room writes another room's report")
        << "A102"
        << "office1" << QStringList{"room/+/reported"} << "room/A101/reported"
        << "room/A102/reported";
    QTest::newRow("a room writes its own order")
        << "A101"
        << "office1" << QStringList{"room/+/cmd", "room/+/event"} << "room/A101/cmd"
        << "room/A101/event";
    QTest::newRow("a room writes the plan") << "A101"
                                            << "office1" << QStringList{"room/+/event"} << "plan"
                                            << "room/A101/event";
    QTest::newRow("a room writes the office's answer to its probe")
        << "A101"
        << "office1" << QStringList{"room/+/tpong", "room/+/tping"} << "room/A101/tpong"
        << "room/A101/tping";
    QTest::newRow("a room reads another room's orders")
        << "office1"
        << "A101" << QStringList{"room/A102/cmd", "room/A101/cmd"} << "room/A102/cmd"
        << "room/A101/cmd";
}

void SiteLinkTest::refusedByTheAcl() {
    QFETCH(QString, sender);
    QFETCH(QString, receiver);
    QFETCH(QStringList, filters);
    QFETCH(QString, refused);
    QFETCH(QString, marker);
    const auto full = [this](const QString& rest) { return broker_->topic(rest); };
    Peer from, to, all;
    QVERIFY(connectPeer(from, sender));
    QVERIFY(connectPeer(to, receiver));
    QStringList fullFilters;
    for (const QString& f : filters)
        fullFilters << full(f);
    QVERIFY(subscribeAndWait(to, fullFilters));
    const QByteArray payload = "{\"v\":1,\"refused\":" + QByteArray::number(++round_) + "}";
    from.link->publish(full(refused), payload, false);
    from.link->publish(full(marker), "marker", false);
    QTRY_VERIFY_WITH_TIMEOUT(to.on(full(marker)).contains("marker"), kWaitMs);
    for (const Message& m : to.got)
        QVERIFY2(m.payload != payload, qPrintable(m.topic));
}

// ---- the last will ----------------------------------------------------------------------------

void SiteLinkTest::lastWill_data() {
    QTest::addColumn<bool>("killed");
    QTest::addColumn<QByteArrayList>("heard");  // on the room's presence, in order
    QTest::newRow("killed: the broker says it went offline")
        << true << QByteArrayList{"online", "offline"};
    QTest::newRow("closed cleanly: no will") << false << QByteArrayList{"online"};
}

void SiteLinkTest::lastWill() {
    QFETCH(bool, killed);
    QFETCH(QByteArrayList, heard);
    const QString presence = broker_->topic(QStringLiteral("room/A101/presence"));
    Peer office;
    QVERIFY(connectPeer(office, QStringLiteral("office1")));
    QVERIFY(subscribeAndWait(office, {presence}));

    QProcess holder;
    holder.start(QStringLiteral(KVTMR_LINK_HOLDER),
                 {QStringLiteral("127.0.0.1"), QString::number(broker_->port()),
                  QStringLiteral("A101"), TestBroker::Password(QStringLiteral("A101")), presence});
    QVERIFY(holder.waitForStarted(kWaitMs));
    QByteArray said;
    const QRegularExpression connected(QStringLiteral("connected (\\d+)\n"));
    QTRY_VERIFY_WITH_TIMEOUT(
        connected.match(QString::fromUtf8(said += holder.readAllStandardOutput())).hasMatch(),
        kWaitMs);
    // A child of the holder's that outlives it (it sleeps on) holds no copy of the connection.
    const pid_t child = pid_t(connected.match(QString::fromUtf8(said)).captured(1).toLongLong());
    QVERIFY(child > 0);
    const auto killChild = qScopeGuard([child] { ::kill(child, SIGKILL); });
    QTRY_VERIFY_WITH_TIMEOUT(office.live(presence).contains("online"), kWaitMs);

    if (killed) {
        // The broker hears of the end at once, not after the minute of the keepalive.
        ::kill(pid_t(holder.processId()), SIGKILL);
        QTRY_COMPARE_WITH_TIMEOUT(office.live(presence).size(), 2, kWaitMs);
    } else {
        holder.write("close\n");
        QTRY_VERIFY_WITH_TIMEOUT(holder.state() == QProcess::NotRunning, kWaitMs);
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY((said + holder.readAllStandardOutput()).contains("closed\n"));
        // Two round trips after the end: the broker has handled the goodbye by then.
        QVERIFY(roundTrip(office, "first"));
        QVERIFY(roundTrip(office, "second"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(holder.state() == QProcess::NotRunning, kWaitMs);
    QCOMPARE(office.live(presence), heard);
    // A late joiner sees how the room was left.
    Peer late;
    QVERIFY(connectPeer(late, QStringLiteral("watch1")));
    QVERIFY(subscribeAndWait(late, {presence}));
    QTRY_VERIFY_WITH_TIMEOUT(late.first(presence).has_value(), kWaitMs);
    QCOMPARE(late.first(presence)->payload, heard.constLast());
    QVERIFY(late.first(presence)->retained);
}

// ---- the connection test ----------------------------------------------------------------------

void SiteLinkTest::connectionTest_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("starts");  // the message's first words
    QTest::addColumn<QString>("mentions");
    QTest::newRow("right password") << "right" << true << "连接成功"
                                    << "A101";
    QTest::newRow("wrong password") << "wrong password" << false << "用户名或密码错误"
                                    << "A101";
    QTest::newRow("unknown user") << "unknown user" << false << "用户名或密码错误"
                                  << "A999";
    QTest::newRow("anonymous") << "anonymous" << false << "无权限"
                               << "匿名";
    QTest::newRow("nothing listens") << "nothing listens" << false << "连接被拒绝"
                                     << "127.0.0.1";
    QTest::newRow("host not found") << "host not found" << false << "找不到服务器"
                                    << "no-such-host.invalid";
    QTest::newRow("server never answers") << "silent" << false << "超时"
                                          << "127.0.0.1";
    QTest::newRow("server never answers, longer than the keepalive")
        << "silent past keepalive" << false << "超时"
        << "6 秒";
    QTest::newRow("server resets the connection") << "resets" << false << "连接中断"
                                                  << "端口是否为消息服务器";
    QTest::newRow("no host") << "no host" << false << "设置有误"
                             << "服务器地址";
    QTest::newRow("missing CA file") << "missing ca" << false << "设置有误"
                                     << "/nonexistent";
    QTest::newRow("TLS, trusted certificate") << "tls" << true << "连接成功"
                                              << "localhost";
    QTest::newRow("TLS, certificate of another CA") << "tls other ca" << false << "证书不受信任"
                                                    << "certificate";
    QTest::newRow("TLS to the plain port") << "tls to plain" << false << "加密连接失败"
                                           << "";
    QTest::newRow("plain to the TLS port") << "plain to tls" << false << "连接中断"
                                           << "";
}

void SiteLinkTest::connectionTest() {
    QFETCH(QString, kind);
    QFETCH(bool, ok);
    QFETCH(QString, starts);
    QFETCH(QString, mentions);
    const QString room = QStringLiteral("A101");
    LinkSettings s = broker_->settings(room);
    int timeoutMs = kLinkTestTimeoutMs;
    SilentServer silent;
    if (kind.startsWith(QLatin1String("tls")) || kind == QLatin1String("plain to tls")) {
        if (broker_->tlsPort() == 0) QSKIP("openssl is not installed");
        s = broker_->tlsSettings(room, broker_->caFile());
    }
    if (kind == QLatin1String("wrong password")) s.password = QStringLiteral("A102-pw");
    if (kind == QLatin1String("unknown user")) s.user = s.clientId = QStringLiteral("A999");
    if (kind == QLatin1String("anonymous")) s.user.clear();
    if (kind == QLatin1String("nothing listens")) s.port = FreeLocalPort();
    if (kind == QLatin1String("host not found")) s.host = QStringLiteral("no-such-host.invalid");
    if (kind == QLatin1String("silent")) {
        s.port = silent.port();
        timeoutMs = 1000;
    }
    if (kind == QLatin1String("resets")) {
        s.port = silent.port();
        silent.resetEach();
    }
    if (kind == QLatin1String("silent past keepalive")) {
        // The keepalive is for a link that is up: before the broker's answer only the
        // connection's deadline counts.
        s.port = silent.port();
        s.keepaliveSeconds = 5;
        timeoutMs = 6000;
    }
    if (kind == QLatin1String("no host")) s.host = QStringLiteral("  ");
    if (kind == QLatin1String("missing ca")) {
        s.tls = true;
        s.caFile = QStringLiteral("/nonexistent/ca.crt");
    }
    if (kind == QLatin1String("tls other ca")) s.caFile = broker_->otherCaFile();
    if (kind == QLatin1String("tls to plain")) s.port = broker_->port();
    if (kind == QLatin1String("plain to tls")) s.tls = false;

    Turns turns;
    int answers = 0;
    bool gotOk = !ok;
    QString message;
    TestLink(
        s, this,
        [&](bool r, const QString& m) {
            ++answers;
            gotOk = r;
            message = m;
        },
        timeoutMs);
    QCOMPARE(answers, 0);  // the answer comes later, from the event loop
    QTRY_COMPARE_WITH_TIMEOUT(answers, 1, kWaitMs + timeoutMs);
    qInfo("%s", qPrintable(message));
    QVERIFY2(message.startsWith(starts), qPrintable(message));
    QVERIFY2(message.contains(mentions), qPrintable(message));
    QCOMPARE(gotOk, ok);
    // Answered once only, even when the connection's own deadline comes too.
    const int before = turns.count;
    QTRY_VERIFY_WITH_TIMEOUT(turns.count > before + 100, kWaitMs);
    QCOMPARE(answers, 1);
}

// ---- the broker goes and comes back -----------------------------------------------------------

void SiteLinkTest::reconnectsAfterTheBrokerRestarts() {
    const QString cmd = broker_->topic(QStringLiteral("room/A101/desired"));
    Peer office, room;
    QVERIFY(connectPeer(office, QStringLiteral("office1")));
    QVERIFY(connectPeer(room, QStringLiteral("A101")));
    QVERIFY(subscribeAndWait(room, {cmd}));
    office.link->publish(cmd, "before", false);
    QTRY_VERIFY_WITH_TIMEOUT(room.on(cmd).contains("before"), kWaitMs);

    Turns turns;
    broker_->kill();
    QTRY_COMPARE_WITH_TIMEOUT(room.link->state(), LinkState::Disconnected, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(office.link->state(), LinkState::Disconnected, kWaitMs);
    QVERIFY2(room.link->why().startsWith(QStringLiteral("连接中断")), qPrintable(room.link->why()));
    // While the broker is away, publishing and subscribing return at once (the publish is
    // dropped) and the event loop goes on turning through the retries.
    room.link->publish(broker_->topic(QStringLiteral("room/A101/reported")), "lost", true);
    room.link->subscribe(broker_->topic(QStringLiteral("room/A101/cmd")));
    const int before = turns.count;
    QTRY_VERIFY_WITH_TIMEOUT(turns.count > before + 100, kWaitMs);
    // It keeps trying by itself: the first retry comes within a second and is refused.
    QTRY_VERIFY_WITH_TIMEOUT(room.link->why().startsWith(QStringLiteral("连接被拒绝")), kWaitMs);
    QCOMPARE(room.link->state(), LinkState::Disconnected);

    QString error;
    QVERIFY2(broker_->restart(&error), qPrintable(error));
    // Back by itself: the retries come at most 5 s apart.
    QTRY_COMPARE_WITH_TIMEOUT(room.link->state(), LinkState::Connected, 8000);
    QTRY_COMPARE_WITH_TIMEOUT(office.link->state(), LinkState::Connected, 8000);
    const QList<LinkState> expected = {LinkState::Connecting, LinkState::Connected,
                                       LinkState::Disconnected, LinkState::Connected};
    QCOMPARE(room.states.first(2), expected.first(2));
    QCOMPARE(room.states.constLast(), LinkState::Connected);
    QVERIFY(room.states.contains(LinkState::Disconnected));
    // The subscriptions were made again: retained, so that it arrives whether the office's
    // publish or the room's subscription reaches the broker first.
    office.link->publish(cmd, "after", true);
    QTRY_VERIFY_WITH_TIMEOUT(room.on(cmd).contains("after"), kWaitMs);
    office.link->publish(cmd, QByteArray(), true);  // clears the retained message
    // The killed broker forgot the retained plan: the later tests need it.
    office.link.reset();
    QVERIFY(publishPlanMarker());
    // The report published while away was dropped, not sent late.
    Peer late;
    QVERIFY(connectPeer(late, QStringLiteral("watch1")));
    QVERIFY(subscribeAndWait(late, {broker_->topic(QStringLiteral("room/A101/reported"))}));
    QVERIFY(!late.on(broker_->topic(QStringLiteral("room/A101/reported"))).contains("lost"));
}

// ---- nothing waits ----------------------------------------------------------------------------

void SiteLinkTest::openNeverWaits_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("a server that never answers") << "silent";
    QTest::newRow("a server that never answers the TLS handshake") << "silent tls";
    QTest::newRow("nothing listens") << "nothing listens";
    QTest::newRow("a host that is not found") << "host not found";
}

void SiteLinkTest::openNeverWaits() {
    QFETCH(QString, kind);
    SilentServer silent;
    LinkSettings s = broker_->settings(QStringLiteral("A101"));
    if (kind.startsWith(QLatin1String("silent"))) s.port = silent.port();
    if (kind == QLatin1String("silent tls")) {
        s.tls = true;
        s.caFile = broker_->tlsPort() ? broker_->caFile() : QString();
    }
    if (kind == QLatin1String("nothing listens")) s.port = FreeLocalPort();
    if (kind == QLatin1String("host not found")) s.host = QStringLiteral("no-such-host.invalid");
    s.willTopic = broker_->topic(QStringLiteral("room/A101/presence"));
    s.willPayload = "offline";

    Turns turns;
    auto link = CreateSiteLink();
    QList<LinkState> states;
    connect(link.get(), &SiteLink::stateChanged, this,
            [&states](LinkState st, const QString&) { states << st; });
    link->subscribe(broker_->topic(QStringLiteral("room/A101/cmd")));
    link->open(s);
    QCOMPARE(link->state(), LinkState::Connecting);
    link->publish(broker_->topic(QStringLiteral("room/A101/reported")), "{}", true);
    QTRY_VERIFY_WITH_TIMEOUT(turns.count > 100, kWaitMs);
    if (kind.startsWith(QLatin1String("silent"))) {
        // Still waiting for the broker's answer (or the TLS handshake), on its own thread.
        QCOMPARE(link->state(), LinkState::Connecting);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), LinkState::Disconnected, kWaitMs);
        QVERIFY(!link->why().isEmpty());
    }
    link->close();
    QCOMPARE(link->state(), LinkState::Off);
    QCOMPARE(states.constLast(), LinkState::Off);
    const int told = states.size();
    link.reset();  // does not wait for the broker
    QTRY_VERIFY_WITH_TIMEOUT(turns.count > 200, kWaitMs);
    QCOMPARE(states.size(), told);  // nothing more is told after the close
}

// ---- the payload limit ------------------------------------------------------------------------

void SiteLinkTest::payloadLimit_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("bySiteLink");  // or by mosquitto_pub, which has no limit of its own
    QTest::addColumn<bool>("delivered");
    QTest::newRow("64 KiB arrive") << 65536 << false << true;
    QTest::newRow("one byte more is dropped on arrival") << 65537 << false << false;
    QTest::newRow("64 KiB are sent") << 65536 << true << true;
    QTest::newRow("one byte more is not sent") << 65537 << true << false;
}

void SiteLinkTest::payloadLimit() {
    QFETCH(int, size);
    QFETCH(bool, bySiteLink);
    QFETCH(bool, delivered);
    const QString topic = broker_->topic(QStringLiteral("room/A101/cmd"));
    const QString marker = broker_->topic(QStringLiteral("room/A101/desired"));
    Peer room;
    QVERIFY(connectPeer(room, QStringLiteral("A101")));
    QVERIFY(subscribeAndWait(room, {topic, marker}));
    const QByteArray big(size, 'x');
    if (bySiteLink) {
        Peer office;
        QVERIFY(connectPeer(office, QStringLiteral("office1")));
        office.link->publish(topic, big, false);
        office.link->publish(marker, "marker", false);
    } else {
        if (QStandardPaths::findExecutable(QStringLiteral("mosquitto_pub")).isEmpty())
            QSKIP("mosquitto_pub is not installed");
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(big);
        file.flush();
        for (const auto& [t, args] :
             {std::pair{topic, QStringList{QStringLiteral("-f"), file.fileName()}},
              std::pair{marker, QStringList{QStringLiteral("-m"), QStringLiteral("marker")}}}) {
            QProcess pub;
            pub.start(
                QStringLiteral("mosquitto_pub"),
                QStringList{QStringLiteral("-V"), QStringLiteral("5"), QStringLiteral("-h"),
                            QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                            QString::number(broker_->port()), QStringLiteral("-u"),
                            QStringLiteral("office1"), QStringLiteral("-P"),
                            TestBroker::Password(QStringLiteral("office1")), QStringLiteral("-q"),
                            QStringLiteral("1"), QStringLiteral("-t"), t}
                    << args);
            QVERIFY(pub.waitForFinished(kWaitMs));
            QCOMPARE(pub.exitCode(), 0);
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(room.on(marker).contains("marker"), kWaitMs);
    QCOMPARE(room.on(topic).size(), delivered ? 1 : 0);
    if (delivered) QCOMPARE(room.on(topic).constFirst(), big);
}

// ---- the expiry of orders --------------------------------------------------------------------

void SiteLinkTest::expiry_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QList<QByteArray>>("heard");  // the expiry property a subscriber sees
    QTest::newRow("an order expires on the broker")
        << kCmdExpiry << QList<QByteArray>{"30", "29"};  // less by the time it spent there
    QTest::newRow("a report does not") << 0 << QList<QByteArray>{""};
}

void SiteLinkTest::expiry() {
    QFETCH(int, seconds);
    QFETCH(QList<QByteArray>, heard);
    if (QStandardPaths::findExecutable(QStringLiteral("mosquitto_sub")).isEmpty())
        QSKIP("mosquitto_sub is not installed");
    // Retained here, so that a subscriber that comes after it sees it as the broker keeps it.
    const QString topic = broker_->topic(QStringLiteral("room/A101/cmd"));
    {
        Peer office;
        QVERIFY(connectPeer(office, QStringLiteral("office1")));
        office.link->publish(topic, "{\"v\":1}", true, seconds);
    }
    QVERIFY(settle());
    // mosquitto_sub shows the message's properties as the broker delivers them.
    QProcess sub;
    sub.start(
        QStringLiteral("mosquitto_sub"),
        {QStringLiteral("-V"), QStringLiteral("5"), QStringLiteral("-h"),
         QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(broker_->port()),
         QStringLiteral("-u"), QStringLiteral("watch1"), QStringLiteral("-P"),
         TestBroker::Password(QStringLiteral("watch1")), QStringLiteral("-C"), QStringLiteral("1"),
         QStringLiteral("-F"), QStringLiteral("expiry=[%E]"), QStringLiteral("-t"), topic});
    QVERIFY(sub.waitForStarted(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(sub.state() == QProcess::NotRunning, kWaitMs);
    const QByteArray said = sub.readAllStandardOutput();
    const qsizetype at = said.indexOf("expiry=[");
    QVERIFY2(at >= 0, said.constData());
    const QByteArray value = said.mid(at + 8, said.indexOf(']', at) - at - 8);
    QVERIFY2(heard.contains(value), value.constData());
    Peer office;  // the retained order goes
    QVERIFY(connectPeer(office, QStringLiteral("office1")));
    office.link->publish(topic, QByteArray(), true);
}

// ---- the site's broker configuration ----------------------------------------------------------

// The packaged drop-in opens the TLS port and the local test port and nothing else: no
// unencrypted port on the site's network, none that collides with the local one.
void SiteLinkTest::brokerListensOnlyWhereConfigured() {
    QSet<int> opened;
    const QRegularExpression line(QStringLiteral("Opening ipv[46] listen socket on port (\\d+)"));
    for (auto it = line.globalMatch(broker_->log()); it.hasNext();)
        opened << it.next().captured(1).toInt();
    QSet<int> configured{broker_->port()};
    if (broker_->tlsPort()) configured << broker_->tlsPort();
    QCOMPARE(opened, configured);
}

// The broker takes the user name as the client id on every port: a second login of a room
// pushes the first one off, whatever client id each gave, and the first one says why it may
// have been.
void SiteLinkTest::oneRoomOneIdentity() {
    for (const bool tls : {false, true}) {
        if (tls && !broker_->tlsPort()) break;
        LinkSettings first = tls ? broker_->tlsSettings(QStringLiteral("A102"), broker_->caFile())
                                 : broker_->settings(QStringLiteral("A102"));
        LinkSettings second = first;
        first.clientId = QStringLiteral("exam-a102");
        second.clientId = QStringLiteral("exam-a102-spare");
        Peer a, b;
        a.link->open(first);
        QTRY_COMPARE_WITH_TIMEOUT(a.link->state(), LinkState::Connected, kWaitMs);
        b.link->open(second);
        // Mosquitto closes the older login without a reason: the two push each other off, each
        // soon after it is up.
        QTRY_VERIFY2_WITH_TIMEOUT(a.link->why().contains(QStringLiteral("同一用户名 A102")),
                                  qPrintable(a.link->why()), kWaitMs);
        QVERIFY(a.states.contains(LinkState::Disconnected));
    }
}

QTEST_GUILESS_MAIN(SiteLinkTest)
#include "system_site_link.moc"
