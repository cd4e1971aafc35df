// The link to the exam site's message broker: an MQTT 5 client at QoS 1 behind a small
// interface, so that the room's behaviour and the office console are tested with a fake.
//
// Everything here is used from the user-interface thread and returns at once: the connection,
// the name lookup, the TLS handshake and every socket write happen on the link's own thread,
// and what comes back (state changes, messages, a test's answer) arrives on the user-interface
// thread as queued calls. The network is never on the critical path: a link that cannot reach
// its broker keeps trying by itself and tells why in Chinese; nothing waits for it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// Where and how to connect. A room logs in as its room id (user name = room id = client id);
// its last will marks it offline when it goes without saying goodbye.
struct LinkSettings {
    QString host;
    int port = 1883;
    QString clientId;  // empty: the broker chooses (a broker that takes the user name does)
    QString user;      // empty: anonymous (a site's broker refuses it)
    QString password;
    bool tls = false;
    QString caFile;  // the site's CA certificate; empty: the system's trusted certificates
    int keepaliveSeconds = 5;
    // Published by the broker when this link goes without a clean close; no will when the
    // topic is empty.
    QString willTopic;
    QByteArray willPayload;
    bool willRetain = false;
};

//   Off           never opened, or closed
//   Connecting    opened, the first connection is being made
//   Connected     logged in; publishes go out, subscriptions are in place
//   Disconnected  the connection failed or was lost; the link is trying again by itself
enum class LinkState { Off, Connecting, Connected, Disconnected };

// The payload limit of the site's messages: bigger ones that arrive are dropped (with a log
// line) and bigger ones are never sent.
constexpr qsizetype kMaxLinkPayloadBytes = 64 * 1024;

class SiteLink : public QObject {
    Q_OBJECT
  public:
    explicit SiteLink(QObject* parent = nullptr) : QObject(parent) {}
    // Opens the link (closing one that is open first) and returns at once. The link connects
    // and, whenever the connection fails or is lost, connects again by itself: the first retry
    // after a random 0–1 s (so that a site's rooms do not all come back at the same instant),
    // then after 1, 2, 4, 5, 5 … s.
    virtual void open(const LinkSettings& settings) = 0;
    // A clean disconnect (the broker does not publish the will), after what was published
    // before it has been sent. Returns at once.
    virtual void close() = 0;
    // Filters are kept by the link, across reconnects and across close and open, until
    // unsubscribed: subscribe once, before or after open, and the broker hears of it on every
    // connection. QoS 1.
    virtual void subscribe(const QString& filter) = 0;
    virtual void unsubscribe(const QString& filter) = 0;
    // QoS 1. A publish made while the link is not connected is dropped: callers publish their
    // state again when the link becomes Connected. expirySeconds > 0 gives the message an
    // expiry on the broker (orders that make no sense later).
    virtual void publish(const QString& topic, const QByteArray& payload, bool retain,
                         int expirySeconds = 0) = 0;
    virtual LinkState state() const = 0;
    // The reason of the present state, in Chinese (what failed, for Disconnected).
    virtual QString why() const = 0;

  Q_SIGNALS:
    // why: the reason in Chinese ("连接被拒绝：…", "用户名或密码错误", ...). Disconnected is told
    // again when a retry fails for another reason.
    void stateChanged(LinkState state, QString why);
    // A message on a subscribed topic; retained: it was stored on the broker before (the
    // state a late joiner catches up with), not published just now.
    void received(QString topic, QByteArray payload, bool retained);
};

// The link over libmosquitto.
std::unique_ptr<SiteLink> CreateSiteLink(QObject* parent = nullptr);

// How long the connection test waits for the broker's answer.
constexpr int kLinkTestTimeoutMs = 8000;

// One connection attempt with the given settings, for the 测试连接 button: connects, logs in and
// disconnects cleanly (no will). done runs once on the calling thread, at the latest after
// timeoutMs, with ok and a Chinese message saying what failed and the detail: 找不到服务器,
// 连接被拒绝, 无法到达服务器, 用户名或密码错误, 无权限, 证书不受信任, 加密连接失败, 超时, 设置有误.
// With a context, done is dropped when the context is destroyed first (a window closed while
// its test ran).
void TestLink(const LinkSettings& settings, QObject* context,
              std::function<void(bool ok, QString message)> done,
              int timeoutMs = kLinkTestTimeoutMs);
void TestLink(const LinkSettings& settings, std::function<void(bool ok, QString message)> done);

// The connection test as a service, so that a settings window can be tested with a fake.
class LinkTester {
  public:
    virtual ~LinkTester() = default;
    virtual void test(const LinkSettings& settings, QObject* context,
                      std::function<void(bool ok, QString message)> done) = 0;
};
class MosquittoLinkTester : public LinkTester {
  public:
    void test(const LinkSettings& settings, QObject* context,
              std::function<void(bool ok, QString message)> done) override {
        TestLink(settings, context, std::move(done));
    }
};

// The wait before reconnect attempt number `attempt` (0 for the first after a failure or a
// loss) in milliseconds: random01 (0 … 1) spreads the first one over a second, then 1, 2, 4 s
// and 5 s from then on.
int ReconnectDelayMs(int attempt, double random01);
