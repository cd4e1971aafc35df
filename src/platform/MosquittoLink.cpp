// The site link over libmosquitto.
//
// Each open() starts a Connection: one thread of its own that owns the libmosquitto client and
// does everything with it that can wait: the name lookup, the TCP connect, the TLS handshake,
// every read and write, the keepalive and the waits between reconnects. The user-interface
// thread only puts commands into the connection's queue (and wakes its poll through an
// eventfd); the thread tells back by queued calls to a receiver on the user-interface thread.
// A connection that is closed, or whose link is gone, is retired: it is told to disconnect
// cleanly, tells nothing any more, and ends by itself however long its broker takes.
//
// libmosquitto, with the TLS libraries it brings (libssl and libcrypto: nearly 2 MiB of pages of
// their own in every process that loads them, and their relocations at every start), is loaded
// by the first connection, on its thread: a room without the site link never loads it.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <netdb.h>
#include <poll.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QMetaObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/SiteLink.h"

namespace {

using Clock = std::chrono::steady_clock;

// The functions of libmosquitto used here, loaded from the library at the first connection.
#define KVTMR_MOSQUITTO_FUNCTIONS(X)        \
    X(mosquitto_connect_async)              \
    X(mosquitto_connect_v5_callback_set)    \
    X(mosquitto_destroy)                    \
    X(mosquitto_disconnect_v5)              \
    X(mosquitto_disconnect_v5_callback_set) \
    X(mosquitto_int_option)                 \
    X(mosquitto_lib_init)                   \
    X(mosquitto_log_callback_set)           \
    X(mosquitto_loop_misc)                  \
    X(mosquitto_loop_read)                  \
    X(mosquitto_loop_write)                 \
    X(mosquitto_message_v5_callback_set)    \
    X(mosquitto_new)                        \
    X(mosquitto_property_add_int32)         \
    X(mosquitto_property_free_all)          \
    X(mosquitto_publish_v5)                 \
    X(mosquitto_reason_string)              \
    X(mosquitto_socket)                     \
    X(mosquitto_strerror)                   \
    X(mosquitto_subscribe_v5)               \
    X(mosquitto_subscribe_v5_callback_set)  \
    X(mosquitto_tls_set)                    \
    X(mosquitto_unsubscribe_v5)             \
    X(mosquitto_username_pw_set)            \
    X(mosquitto_want_write)                 \
    X(mosquitto_will_set_v5)

struct MosquittoLibrary {
#define KVTMR_MOSQUITTO_POINTER(name) decltype(&::name) name = nullptr;
    KVTMR_MOSQUITTO_FUNCTIONS(KVTMR_MOSQUITTO_POINTER)
#undef KVTMR_MOSQUITTO_POINTER
    QString error;  // why the library could not be loaded; empty once it is
};

// Its functions only once InitLibrary has returned true.
MosquittoLibrary& Lib() {
    static MosquittoLibrary library;
    return library;
}

// Loads the library once, on the first connection's thread. False (with the reason in
// Lib().error) when it is not installed or lacks a function.
bool InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        MosquittoLibrary& l = Lib();
        void* handle = ::dlopen("libmosquitto.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            l.error = QStringLiteral("找不到消息库 libmosquitto（%1）")
                          .arg(QString::fromLocal8Bit(::dlerror()));
            return;
        }
#define KVTMR_MOSQUITTO_LOAD(name)                                                         \
    l.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                  \
    if (!l.name) {                                                                         \
        l.error = QStringLiteral("消息库 libmosquitto 缺少 %1").arg(QLatin1String(#name)); \
        return;                                                                            \
    }
        KVTMR_MOSQUITTO_FUNCTIONS(KVTMR_MOSQUITTO_LOAD)
#undef KVTMR_MOSQUITTO_LOAD
        l.mosquitto_lib_init();
    });
    return Lib().error.isEmpty();
}

// How long a connection may take from the first packet to the broker's answer.
constexpr int kConnectTimeoutMs = 10'000;
// How long a closing connection is given to send what was published and its goodbye.
constexpr int kCloseFlushMs = 1'000;
// How long a link that is destroyed waits for its connections to end (the program's exit
// never waits longer, even for a broker that does not answer or a name lookup that hangs).
constexpr int kDestroyWaitMs = 1'500;
// A connection up for this long has worked: when it is lost, the retries start afresh.
constexpr int kSteadyMs = 10'000;
// The longest sleep of a connection's poll while connected (the keepalive is checked then).
constexpr int kPollMs = 500;

// What ended a connection attempt or a connection.
enum class Failure {
    None,
    Library,  // libmosquitto is not there
    Settings,
    HostNotFound,
    Refused,
    Unreachable,
    BadLogin,
    NotAuthorised,
    Untrusted,
    Tls,
    Timeout,
    Lost,
    Closed,  // by the broker, after the login
    TakenOver,
};

struct Outcome {
    Failure failure = Failure::None;
    QString detail;
};

QString Where(const LinkSettings& s) {
    return QStringLiteral("%1:%2").arg(s.host).arg(s.port);
}

QString Describe(const Outcome& o, const LinkSettings& s, int timeoutMs) {
    const QString d = o.detail;
    switch (o.failure) {
        case Failure::None:
            return QStringLiteral("已连接 %1").arg(Where(s));
        case Failure::Library:
            return QStringLiteral("本机缺少联网组件（请安装 libmosquitto1）：%1").arg(d);
        case Failure::Settings:
            return QStringLiteral("设置有误：%1").arg(d);
        case Failure::HostNotFound:
            return QStringLiteral("找不到服务器：%1（%2）").arg(s.host, d);
        case Failure::Refused:
            return QStringLiteral("连接被拒绝：%1 没有接受连接，消息服务器没有运行或端口不对（%2）")
                .arg(Where(s), d);
        case Failure::Unreachable:
            return QStringLiteral("无法到达服务器：%1（%2）").arg(Where(s), d);
        case Failure::BadLogin:
            return QStringLiteral("用户名或密码错误：服务器不接受用户 %1 的登录（%2）")
                .arg(s.user, d);
        case Failure::NotAuthorised:
            return QStringLiteral("无权限：%1").arg(d);
        case Failure::Untrusted:
            return QStringLiteral("证书不受信任：%1").arg(d);
        case Failure::Tls:
            return QStringLiteral("加密连接失败：%1").arg(d);
        case Failure::Timeout:
            return QStringLiteral("超时：%1 在 %2 秒内没有应答")
                .arg(Where(s))
                .arg(timeoutMs / 1000);
        case Failure::Lost:
            return QStringLiteral("连接中断：%1").arg(d);
        case Failure::Closed:
            return d.isEmpty() ? QStringLiteral("连接中断：服务器关闭了连接")
                               : QStringLiteral("连接中断：服务器关闭了连接（%1）").arg(d);
        case Failure::TakenOver:
            return QStringLiteral("连接被顶替：另一处以同一用户名 %1 登录了服务器").arg(s.user);
    }
    return d;
}

Outcome FromErrno(int err) {
    const QString text = qt_error_string(err);
    switch (err) {
        case ECONNREFUSED:
            return {Failure::Refused, text};
        case ETIMEDOUT:
            return {Failure::Timeout, text};
        default:
            return {Failure::Unreachable, text};
    }
}

// A TLS failure: an untrusted certificate (or one for another name) or anything else.
Outcome FromTls(const QString& log) {
    if (log.contains(QLatin1String("certificate verify failed")))
        return {
            Failure::Untrusted,
            QStringLiteral("服务器的证书不是所设的 CA 证书签发的，或不是为这个服务器名签发的（%1）")
                .arg(log)};
    if (log.contains(QLatin1String("unexpected eof")) ||
        log.contains(QLatin1String("wrong version number")))
        return {Failure::Tls,
                QStringLiteral("服务器没有按 TLS 应答，这个端口是否为加密端口？（%1）").arg(log)};
    return {Failure::Tls, log.isEmpty() ? QStringLiteral("TLS 握手失败") : log};
}

// libmosquitto's answer to a call, with errno as it left it, and its last error log line.
Outcome FromMosquitto(int rc, int err, const QString& log) {
    switch (rc) {
        case MOSQ_ERR_EAI:
            // errno holds getaddrinfo's code.
            return {Failure::HostNotFound, QString::fromLocal8Bit(gai_strerror(err))};
        case MOSQ_ERR_ERRNO:
            return FromErrno(err);
        case MOSQ_ERR_TLS:
        case MOSQ_ERR_TLS_HANDSHAKE:
            return FromTls(log);
        case MOSQ_ERR_KEEPALIVE:
            return {Failure::Lost, QStringLiteral("服务器没有应答心跳")};
        case MOSQ_ERR_CONN_LOST:
            return {Failure::Lost, QStringLiteral("服务器关闭了连接")};
        case MOSQ_ERR_INVAL:
            return {Failure::Settings, QString::fromUtf8(Lib().mosquitto_strerror(rc))};
        default:
            return {Failure::Lost,
                    log.isEmpty() ? QString::fromUtf8(Lib().mosquitto_strerror(rc)) : log};
    }
}

// The broker's refusal in its CONNACK (MQTT 5 reason codes).
Outcome FromConnack(int reason, const LinkSettings& s) {
    const QString text = QStringLiteral("%1 %2").arg(reason).arg(
        QString::fromUtf8(Lib().mosquitto_reason_string(reason)));
    switch (reason) {
        case MQTT_RC_BAD_USERNAME_OR_PASSWORD:
            return {Failure::BadLogin, text};
        case MQTT_RC_NOT_AUTHORIZED:
            // Mosquitto answers "not authorised" to a wrong password as well: with a user name
            // that is the likely cause; without one the broker does not take anonymous logins.
            if (!s.user.isEmpty()) return {Failure::BadLogin, text};
            return {Failure::NotAuthorised,
                    QStringLiteral("服务器不接受匿名登录，请填写用户名和密码（%1）").arg(text)};
        case MQTT_RC_CLIENTID_NOT_VALID:
            return {Failure::Settings,
                    QStringLiteral("服务器不接受客户端号 %1（%2）").arg(s.clientId, text)};
        default:
            return {Failure::NotAuthorised, QStringLiteral("服务器拒绝了登录（%1）").arg(text)};
    }
}

// ---- Connection -------------------------------------------------------------------------------

struct Command {
    enum Kind { Subscribe, Unsubscribe, Publish, Close } kind;
    QByteArray topic;  // the filter for Subscribe and Unsubscribe
    QByteArray payload = {};
    bool retain = false;
    int expirySeconds = 0;
};

class Connection {
  public:
    enum class Mode {
        Keep,  // reconnects until closed
        Once,  // one attempt: tells Connected or why not, then disconnects cleanly
    };
    // Both run on the receiver's thread.
    using StateFn = std::function<void(LinkState state, QString why)>;
    using MessageFn = std::function<void(QString topic, QByteArray payload, bool retained)>;

    Connection(const LinkSettings& s, const QStringList& filters, Mode mode, int connectTimeoutMs,
               QObject* receiver, StateFn onState, MessageFn onMessage)
        : settings_(s),
          mode_(mode),
          connectTimeoutMs_(connectTimeoutMs),
          receiver_(receiver),
          onState_(std::move(onState)),
          onMessage_(std::move(onMessage)) {
        for (const QString& f : filters)
            filters_.push_back(f.toUtf8());
        wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    }
    ~Connection() {
        if (wake_ >= 0) ::close(wake_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The thread holds the connection until it ends, whoever else lets go of it.
    static void Start(const std::shared_ptr<Connection>& c) {
        try {
            std::thread([c] { c->run(); }).detach();
        } catch (const std::system_error& e) {
            // No thread to be had (the system is out of them): the link stays down, says so.
            qWarning("kvtmr: site link: no thread: %s", e.what());
            c->tellState(LinkState::Disconnected,
                         QStringLiteral("连接中断：系统无法为联网启动线程"));
            std::lock_guard lock(c->mutex_);
            c->ended_ = true;
        }
    }

    // ---- from the receiver's thread ----
    void post(Command c) {
        {
            std::lock_guard lock(mutex_);
            commands_.push_back(std::move(c));
        }
        const quint64 one = 1;
        if (wake_ >= 0 && ::write(wake_, &one, sizeof one) < 0) {
            // The counter is full only when the thread has not read it for 2^64 wakes.
        }
    }
    // Tells nothing any more (call it before the receiver is destroyed).
    void retire() {
        std::lock_guard lock(mutex_);
        receiver_ = nullptr;
    }
    // True once the thread has ended, waiting at most until the deadline.
    bool waitEnded(Clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        return endedCv_.wait_until(lock, deadline, [this] { return ended_; });
    }

  private:
    // ---- on the connection's thread ----
    void run();
    bool setUp(Outcome* failure);
    Outcome attempt();
    Outcome closedBeforeLogin() const;
    void drainCommands();
    void send(const Command& c);
    void sendSubscription(const QByteArray& filter);
    bool waitBeforeRetry(int ms);
    void flushAndDisconnect();
    void tellState(LinkState state, const QString& why);
    void tellMessage(QString topic, QByteArray payload, bool retained);
    void clearWake();

    static void OnConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*);
    static void OnDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* m,
                          const mosquitto_property*);
    static void OnSubscribe(mosquitto*, void* self, int mid, int count, const int* granted,
                            const mosquitto_property*);
    static void OnLog(mosquitto*, void* self, int level, const char* text);

    const LinkSettings settings_;
    const Mode mode_;
    const int connectTimeoutMs_;

    // Shared with the receiver's thread, under mutex_.
    std::mutex mutex_;
    std::deque<Command> commands_;
    QObject* receiver_;
    bool ended_ = false;
    std::condition_variable endedCv_;
    int wake_ = -1;

    // The thread's own.
    const StateFn onState_;
    const MessageFn onMessage_;
    mosquitto* mosq_ = nullptr;
    std::vector<QByteArray> filters_;
    std::map<int, QByteArray> pendingSubscriptions_;  // by message id
    bool closing_ = false;
    bool connected_ = false;         // logged in, until the connection ends
    bool wasUp_ = false;             // the last attempt got as far as logging in
    Clock::time_point upSince_;      // when it did
    int lostErrno_ = 0;              // errno when a read or write failed
    bool ended_connection_ = false;  // the socket was closed under this attempt
    int connack_ = -1;               // the broker's refusal, when it refused
    int disconnectRc_ = 0;           // why libmosquitto ended the connection
    QString lastLog_;                // libmosquitto's last error line
};

void Connection::run() {
    Outcome setupFailure;
    bool ready = false;
    if (InitLibrary())
        ready = setUp(&setupFailure);
    else
        setupFailure = {Failure::Library, Lib().error};
    int retries = 0;
    QString lastWhy;      // logged once, not at every retry
    int shortCloses = 0;  // connections closed by the broker as soon as they were up, in a row
    while (!closing_) {
        wasUp_ = false;
        const Outcome outcome = ready ? attempt() : setupFailure;
        if (closing_) break;
        if (mode_ == Mode::Once) {
            // Connected was told on the broker's answer; a failure is told here.
            tellState(LinkState::Disconnected, Describe(outcome, settings_, connectTimeoutMs_));
            break;
        }
        // A link that was up a while tries again soon, spread over a second; one that keeps
        // failing backs off. So does one the broker closes as soon as it is up, again and
        // again: that is what mosquitto does to the older of two logins with one user name,
        // and two rooms with one room id must not push each other off in a tight loop.
        Outcome told = outcome;
        const bool steady =
            wasUp_ && Clock::now() - upSince_ >= std::chrono::milliseconds(kSteadyMs);
        if (steady) retries = 0;
        shortCloses = wasUp_ && !steady && outcome.failure == Failure::Closed ? shortCloses + 1 : 0;
        if (shortCloses >= 2)
            told.detail = QStringLiteral("一连上就被断开：是否另有电脑在用同一用户名 %1 登录？")
                              .arg(settings_.user);
        const QString why = Describe(told, settings_, connectTimeoutMs_);
        if (why != lastWhy) qWarning("kvtmr: site link: %s", qPrintable(why));
        lastWhy = why;
        tellState(LinkState::Disconnected, why);
        const int delay = ReconnectDelayMs(retries++, QRandomGenerator::global()->generateDouble());
        if (!waitBeforeRetry(delay)) break;
    }
    flushAndDisconnect();
    if (mosq_) Lib().mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    std::lock_guard lock(mutex_);
    ended_ = true;
    endedCv_.notify_all();
}

bool Connection::setUp(Outcome* failure) {
    const LinkSettings& s = settings_;
    if (s.host.trimmed().isEmpty()) {
        *failure = {Failure::Settings, QStringLiteral("没有填写服务器地址")};
        return false;
    }
    if (s.port < 1 || s.port > 65535) {
        *failure = {Failure::Settings, QStringLiteral("端口 %1 无效").arg(s.port)};
        return false;
    }
    const QByteArray id = s.clientId.toUtf8();
    mosq_ = Lib().mosquitto_new(id.isEmpty() ? nullptr : id.constData(), true, this);
    if (!mosq_) {
        *failure = {Failure::Settings,
                    QStringLiteral("无法建立客户端（%1）").arg(qt_error_string(errno))};
        return false;
    }
    Lib().mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    Lib().mosquitto_connect_v5_callback_set(mosq_, &Connection::OnConnect);
    Lib().mosquitto_disconnect_v5_callback_set(mosq_, &Connection::OnDisconnect);
    Lib().mosquitto_message_v5_callback_set(mosq_, &Connection::OnMessage);
    Lib().mosquitto_subscribe_v5_callback_set(mosq_, &Connection::OnSubscribe);
    Lib().mosquitto_log_callback_set(mosq_, &Connection::OnLog);
    if (!s.user.isEmpty()) {
        const QByteArray user = s.user.toUtf8();
        const QByteArray password = s.password.toUtf8();
        if (Lib().mosquitto_username_pw_set(
                mosq_, user.constData(), s.password.isEmpty() ? nullptr : password.constData()) !=
            MOSQ_ERR_SUCCESS) {
            *failure = {Failure::Settings, QStringLiteral("用户名或密码不可用")};
            return false;
        }
    }
    if (s.tls) {
        int rc;
        if (s.caFile.isEmpty()) {
            rc = Lib().mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else {
            const QByteArray ca = s.caFile.toLocal8Bit();
            rc = Lib().mosquitto_tls_set(mosq_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            *failure = {Failure::Settings, QStringLiteral("无法读取 CA 证书文件 %1").arg(s.caFile)};
            return false;
        }
    }
    if (!s.willTopic.isEmpty()) {
        const QByteArray topic = s.willTopic.toUtf8();
        if (Lib().mosquitto_will_set_v5(mosq_, topic.constData(), int(s.willPayload.size()),
                                        s.willPayload.constData(), 1, s.willRetain,
                                        nullptr) != MOSQ_ERR_SUCCESS) {
            *failure = {Failure::Settings, QStringLiteral("遗嘱主题 %1 无效").arg(s.willTopic)};
            return false;
        }
    }
    return true;
}

// One connection from the first packet to its end (or to a close).
Outcome Connection::attempt() {
    connected_ = false;
    ended_connection_ = false;
    lostErrno_ = 0;
    connack_ = -1;
    disconnectRc_ = 0;
    lastLog_.clear();
    pendingSubscriptions_.clear();

    const QByteArray host = settings_.host.trimmed().toUtf8();
    const int keepalive = qMax(5, settings_.keepaliveSeconds);
    // The name lookup happens in here and may wait; the TCP connect and the TLS handshake go
    // on in the poll below.
    errno = 0;
    const int rc =
        Lib().mosquitto_connect_async(mosq_, host.constData(), settings_.port, keepalive);
    if (rc != MOSQ_ERR_SUCCESS) {
        const int err = errno;
        // A server on this machine may connect and close within the call, before any answer.
        if (rc == MOSQ_ERR_CONN_LOST ||
            (rc == MOSQ_ERR_ERRNO && (err == ECONNRESET || err == EPIPE)))
            return closedBeforeLogin();
        return FromMosquitto(rc, err, lastLog_);
    }
    // The programs the process starts (pactl, the program run at the end) must not inherit
    // the connection: held open in them after the process was killed, it would keep the
    // broker from telling its end (the last will) until the keepalive runs out.
    if (const int sock = Lib().mosquitto_socket(mosq_); sock >= 0)
        ::fcntl(sock, F_SETFD, FD_CLOEXEC);

    const auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs_);
    bool tcpUp = false;
    while (true) {
        drainCommands();
        if (closing_) return {};
        if (ended_connection_) break;
        const int sock = Lib().mosquitto_socket(mosq_);
        if (sock < 0) break;

        int timeout = kPollMs;
        if (!connected_) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) return {Failure::Timeout, QString()};
            timeout = int(qMin<qint64>(left, kPollMs));
        }
        // Until the TCP connect has completed, writable means it did (or failed). While the
        // TLS handshake runs only an answer from the broker moves it on; once the link is up,
        // writable matters only when something waits to be sent.
        short events = POLLIN;
        if (!tcpUp || (connected_ && Lib().mosquitto_want_write(mosq_))) events |= POLLOUT;
        pollfd fds[2] = {{sock, events, 0}, {wake_, POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR)
            return {Failure::Lost, qt_error_string(errno)};
        if (fds[1].revents) clearWake();
        const short got = fds[0].revents;
        if (!tcpUp && (got & (POLLOUT | POLLERR | POLLHUP))) {
            int err = 0;
            socklen_t len = sizeof err;
            if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err != 0)
                return err == ECONNRESET || err == EPIPE ? closedBeforeLogin() : FromErrno(err);
            tcpUp = true;
        }
        if (tcpUp) {
            // Reading also moves a TLS handshake on; a read with nothing there does nothing.
            errno = 0;
            int r = Lib().mosquitto_loop_read(mosq_, 1);
            if (r == MOSQ_ERR_SUCCESS && Lib().mosquitto_want_write(mosq_))
                r = Lib().mosquitto_loop_write(mosq_, 1);
            if (r != MOSQ_ERR_SUCCESS) {
                lostErrno_ = errno;
                if (disconnectRc_ == 0) disconnectRc_ = r;
                ended_connection_ = true;
            }
        }
        // The keepalive runs once logged in; until then the connect deadline stands.
        if (connected_ && !ended_connection_) Lib().mosquitto_loop_misc(mosq_);
    }

    // The connection has ended: say why, most specific first.
    connected_ = false;
    if (connack_ > 0) return FromConnack(connack_, settings_);
    if (disconnectRc_ == MQTT_RC_SESSION_TAKEN_OVER) return {Failure::TakenOver, QString()};
    if (disconnectRc_ >= 128)
        return {Failure::Lost,
                QStringLiteral("服务器断开了连接（%1 %2）")
                    .arg(disconnectRc_)
                    .arg(QString::fromUtf8(Lib().mosquitto_reason_string(disconnectRc_)))};
    // The broker closed or reset the connection.
    const bool closed =
        disconnectRc_ == MOSQ_ERR_CONN_LOST ||
        (disconnectRc_ == MOSQ_ERR_ERRNO && (lostErrno_ == ECONNRESET || lostErrno_ == EPIPE));
    if (closed && !wasUp_) return closedBeforeLogin();
    if (closed) return {Failure::Closed, QString()};
    if (disconnectRc_ != 0) return FromMosquitto(disconnectRc_, lostErrno_, lastLog_);
    return {Failure::Lost, QStringLiteral("服务器关闭了连接")};
}

// The broker ended the connection before its answer: not a broker's port, or one that wants
// TLS.
Outcome Connection::closedBeforeLogin() const {
    if (settings_.tls)
        return {Failure::Tls,
                QStringLiteral("服务器没有按 TLS 应答就关闭了连接，这个端口是否为加密端口？")};
    return {
        Failure::Lost,
        QStringLiteral("服务器没有应答就关闭了连接（端口是否为消息服务器？是否需要 TLS 加密？）")};
}

void Connection::drainCommands() {
    while (true) {
        std::optional<Command> c;
        {
            std::lock_guard lock(mutex_);
            if (commands_.empty()) return;
            c.emplace(std::move(commands_.front()));
            commands_.pop_front();
        }
        send(*c);
    }
}

void Connection::send(const Command& c) {
    switch (c.kind) {
        case Command::Subscribe:
            if (std::find(filters_.begin(), filters_.end(), c.topic) != filters_.end()) return;
            filters_.push_back(c.topic);
            if (connected_) sendSubscription(c.topic);
            return;
        case Command::Unsubscribe: {
            auto it = std::find(filters_.begin(), filters_.end(), c.topic);
            if (it == filters_.end()) return;
            filters_.erase(it);
            if (connected_)
                Lib().mosquitto_unsubscribe_v5(mosq_, nullptr, c.topic.constData(), nullptr);
            return;
        }
        case Command::Publish: {
            if (!connected_) return;  // dropped: the caller publishes its state on connect
            mosquitto_property* props = nullptr;
            if (c.expirySeconds > 0)
                Lib().mosquitto_property_add_int32(&props, MQTT_PROP_MESSAGE_EXPIRY_INTERVAL,
                                                   uint32_t(c.expirySeconds));
            const int rc = Lib().mosquitto_publish_v5(mosq_, nullptr, c.topic.constData(),
                                                      int(c.payload.size()), c.payload.constData(),
                                                      1, c.retain, props);
            Lib().mosquitto_property_free_all(&props);
            if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN)
                qWarning("kvtmr: site link: not sent to %s: %s", c.topic.constData(),
                         Lib().mosquitto_strerror(rc));
            return;
        }
        case Command::Close:
            closing_ = true;
            return;
    }
}

void Connection::sendSubscription(const QByteArray& filter) {
    int mid = 0;
    const int rc = Lib().mosquitto_subscribe_v5(mosq_, &mid, filter.constData(), 1, 0, nullptr);
    if (rc == MOSQ_ERR_SUCCESS)
        pendingSubscriptions_[mid] = filter;
    else
        qWarning("kvtmr: site link: cannot subscribe to %s: %s", filter.constData(),
                 Lib().mosquitto_strerror(rc));
}

// Waits ms before the next attempt, taking commands meanwhile; false when closed.
bool Connection::waitBeforeRetry(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (true) {
        drainCommands();
        if (closing_) return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0) return true;
        pollfd fd = {wake_, POLLIN, 0};
        if (::poll(&fd, 1, int(left)) > 0) clearWake();
    }
}

// A clean goodbye: what was published before the close goes out, then DISCONNECT (after which
// libmosquitto closes the socket), within kCloseFlushMs.
void Connection::flushAndDisconnect() {
    if (!mosq_ || !connected_ || Lib().mosquitto_socket(mosq_) < 0) return;
    connected_ = false;
    Lib().mosquitto_disconnect_v5(mosq_, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
    const auto until = Clock::now() + std::chrono::milliseconds(kCloseFlushMs);
    while (Lib().mosquitto_socket(mosq_) >= 0 && Lib().mosquitto_want_write(mosq_)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0) break;
        pollfd fd = {Lib().mosquitto_socket(mosq_), POLLOUT, 0};
        if (::poll(&fd, 1, int(left)) < 0 && errno != EINTR) break;
        if (Lib().mosquitto_loop_write(mosq_, 1) != MOSQ_ERR_SUCCESS) break;
    }
}

void Connection::tellState(LinkState state, const QString& why) {
    std::lock_guard lock(mutex_);
    if (!receiver_) return;
    QMetaObject::invokeMethod(
        receiver_, [f = onState_, state, why] { f(state, why); }, Qt::QueuedConnection);
}

void Connection::tellMessage(QString topic, QByteArray payload, bool retained) {
    std::lock_guard lock(mutex_);
    if (!receiver_) return;
    QMetaObject::invokeMethod(
        receiver_,
        [f = onMessage_, topic = std::move(topic), payload = std::move(payload), retained] {
            f(topic, payload, retained);
        },
        Qt::QueuedConnection);
}

void Connection::clearWake() {
    quint64 count;
    while (::read(wake_, &count, sizeof count) > 0) {
    }
}

void Connection::OnConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*) {
    auto* c = static_cast<Connection*>(self);
    if (rc != 0) {
        c->connack_ = rc;
        return;
    }
    c->connected_ = true;
    c->wasUp_ = true;
    c->upSince_ = Clock::now();
    for (const QByteArray& f : c->filters_)
        c->sendSubscription(f);
    c->tellState(LinkState::Connected, Describe({}, c->settings_, c->connectTimeoutMs_));
    if (c->mode_ == Mode::Once) c->closing_ = true;
}

void Connection::OnDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*) {
    auto* c = static_cast<Connection*>(self);
    c->connected_ = false;
    c->ended_connection_ = true;
    if (c->disconnectRc_ == 0) c->disconnectRc_ = rc;
}

void Connection::OnMessage(mosquitto*, void* self, const mosquitto_message* m,
                           const mosquitto_property*) {
    auto* c = static_cast<Connection*>(self);
    if (!m || !m->topic) return;
    if (m->payloadlen < 0 || m->payloadlen > kMaxLinkPayloadBytes) {
        qWarning("kvtmr: site link: a message of %d bytes on %s dropped (more than %d)",
                 m->payloadlen, m->topic, int(kMaxLinkPayloadBytes));
        return;
    }
    c->tellMessage(QString::fromUtf8(m->topic),
                   QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain);
}

void Connection::OnSubscribe(mosquitto*, void* self, int mid, int count, const int* granted,
                             const mosquitto_property*) {
    auto* c = static_cast<Connection*>(self);
    auto it = c->pendingSubscriptions_.find(mid);
    if (it == c->pendingSubscriptions_.end()) return;
    for (int i = 0; i < count; ++i)
        if (granted[i] >= 0x80)
            qWarning("kvtmr: site link: the broker refused the subscription to %s (%s)",
                     it->second.constData(), Lib().mosquitto_reason_string(granted[i]));
    c->pendingSubscriptions_.erase(it);
}

void Connection::OnLog(mosquitto*, void* self, int level, const char* text) {
    if (!(level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING)) || !text) return;
    static_cast<Connection*>(self)->lastLog_ = QString::fromUtf8(text);
}

// ---- MosquittoLink ----------------------------------------------------------------------------

class MosquittoLink final : public SiteLink {
  public:
    explicit MosquittoLink(QObject* parent) : SiteLink(parent) {}

    ~MosquittoLink() override {
        // No stateChanged from here: whoever listens may be half gone.
        retireCurrent();
        const auto deadline = Clock::now() + std::chrono::milliseconds(kDestroyWaitMs);
        for (auto& c : retired_)
            if (!c->waitEnded(deadline)) break;
    }

    void open(const LinkSettings& settings) override {
        retireCurrent();
        const quint64 generation = ++generation_;
        current_ = std::make_shared<Connection>(
            settings, filters_, Connection::Mode::Keep, kConnectTimeoutMs, this,
            [this, generation](LinkState state, QString why) {
                if (generation == generation_) setState(state, why);
            },
            [this, generation](QString topic, QByteArray payload, bool retained) {
                if (generation == generation_) Q_EMIT received(topic, payload, retained);
            });
        Connection::Start(current_);
        setState(LinkState::Connecting, QStringLiteral("正在连接 %1").arg(Where(settings)));
    }

    void close() override {
        if (!current_) return;
        retireCurrent();
        ++generation_;
        setState(LinkState::Off, QStringLiteral("未连接"));
    }

    void subscribe(const QString& filter) override {
        if (filter.isEmpty() || filters_.contains(filter)) return;
        filters_ << filter;
        if (current_) current_->post({Command::Subscribe, filter.toUtf8()});
    }

    void unsubscribe(const QString& filter) override {
        if (!filters_.removeOne(filter)) return;
        if (current_) current_->post({Command::Unsubscribe, filter.toUtf8()});
    }

    void publish(const QString& topic, const QByteArray& payload, bool retain,
                 int expirySeconds) override {
        if (!current_) return;
        if (topic.isEmpty() || topic.contains(u'+') || topic.contains(u'#')) {
            qWarning("kvtmr: site link: not a topic to publish to: %s", qPrintable(topic));
            return;
        }
        if (payload.size() > kMaxLinkPayloadBytes) {
            qWarning("kvtmr: site link: %lld bytes for %s not sent (more than %d)",
                     qlonglong(payload.size()), qPrintable(topic), int(kMaxLinkPayloadBytes));
            return;
        }
        current_->post({Command::Publish, topic.toUtf8(), payload, retain, expirySeconds});
    }

    LinkState state() const override { return state_; }
    QString why() const override { return why_; }

  private:
    void retireCurrent() {
        // Connections that have ended are let go; the others are waited for on destruction.
        std::erase_if(retired_, [](const std::shared_ptr<Connection>& c) {
            return c->waitEnded(Clock::now());
        });
        if (!current_) return;
        current_->post({Command::Close, {}});
        current_->retire();
        retired_.push_back(std::move(current_));
        current_.reset();
    }

    void setState(LinkState state, const QString& why) {
        if (state == state_ && why == why_) return;
        state_ = state;
        why_ = why;
        Q_EMIT stateChanged(state, why);
    }

    std::shared_ptr<Connection> current_;
    std::vector<std::shared_ptr<Connection>> retired_;
    quint64 generation_ = 0;
    QStringList filters_;
    LinkState state_ = LinkState::Off;
    QString why_ = QStringLiteral("未连接");
};

// ---- the connection test ----------------------------------------------------------------------

// Waits for one connection's answer or the timeout, answers once, then goes.
class LinkProbe : public QObject {
  public:
    LinkProbe(const LinkSettings& settings, QObject* context,
              std::function<void(bool, QString)> done, int timeoutMs)
        : context_(context), hasContext_(context != nullptr), done_(std::move(done)) {
        connection_ = std::make_shared<Connection>(
            settings, QStringList(), Connection::Mode::Once, timeoutMs, this,
            [this](LinkState state, QString why) { answer(state == LinkState::Connected, why); },
            [](QString, QByteArray, bool) {});
        timeoutText_ = Describe({Failure::Timeout, QString()}, settings, timeoutMs);
        successText_ =
            settings.user.isEmpty()
                ? QStringLiteral("连接成功：%1").arg(Where(settings))
                : QStringLiteral("连接成功：%1，用户 %2").arg(Where(settings), settings.user);
        QTimer::singleShot(timeoutMs, this, [this] { answer(false, timeoutText_); });
        Connection::Start(connection_);
    }
    ~LinkProbe() override { connection_->retire(); }

  private:
    void answer(bool ok, const QString& message) {
        if (answered_) return;
        answered_ = true;
        connection_->post({Command::Close, {}});
        connection_->retire();
        deleteLater();
        if (hasContext_ && !context_) return;  // the asker has gone
        const auto done = std::move(done_);
        if (done) done(ok, ok ? successText_ : message);
    }

    QPointer<QObject> context_;
    bool hasContext_;
    std::function<void(bool, QString)> done_;
    std::shared_ptr<Connection> connection_;
    QString timeoutText_;
    QString successText_;
    bool answered_ = false;
};

}  // namespace

std::unique_ptr<SiteLink> CreateSiteLink(QObject* parent) {
    return std::make_unique<MosquittoLink>(parent);
}

void TestLink(const LinkSettings& settings, QObject* context,
              std::function<void(bool ok, QString message)> done, int timeoutMs) {
    new LinkProbe(settings, context, std::move(done), timeoutMs);
}

void TestLink(const LinkSettings& settings, std::function<void(bool ok, QString message)> done) {
    TestLink(settings, nullptr, std::move(done));
}

int ReconnectDelayMs(int attempt, double random01) {
    if (attempt <= 0) return int(qBound(0.0, random01, 1.0) * 1000.0);
    if (attempt == 1) return 1000;
    if (attempt == 2) return 2000;
    if (attempt == 3) return 4000;
    return 5000;
}
