#include "platform/DesktopSession.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace {
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
// logind's name for the session of the caller, used when the lookup by process fails.
const QString kOwnSession = QStringLiteral("/org/freedesktop/login1/session/auto");
const QString kSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kWho = QStringLiteral("kvtmr");
const QString kWhy = QStringLiteral("计时进行中");
}  // namespace

// ---- DbusCalls --------------------------------------------------------------------------------

DbusCalls::DbusCalls(QDBusConnection bus, int timeoutMs, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), timeoutMs_(timeoutMs) {}

void DbusCalls::call(const QDBusMessage& message,
                     std::function<void(const QDBusMessage& reply)> onReply) {
    if (!bus_.isConnected()) {
        if (onReply) onReply(QDBusMessage::createError(QDBusError::Disconnected, QString()));
        return;
    }
    ++inFlight_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, timeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, onReply = std::move(onReply)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusMessage reply = w->reply();
                --inFlight_;
                if (onReply) onReply(reply);
                settleIfIdle();
            });
}

void DbusCalls::whenSettled(std::function<void()> done, int timeoutMs) {
    if (inFlight_ == 0) {
        done();
        return;
    }
    // Whichever comes first, the last answer or the deadline; done runs once.
    auto once = std::make_shared<std::function<void()>>(std::move(done));
    auto run = [once] {
        if (!*once) return;
        auto f = std::move(*once);
        *once = nullptr;
        f();
    };
    settled_.push_back(run);
    QTimer::singleShot(timeoutMs, this, run);
}

void DbusCalls::settleIfIdle() {
    if (inFlight_ > 0) return;
    auto settled = std::move(settled_);
    settled_.clear();
    for (auto& f : settled)
        f();
}

// ---- LogindSession ----------------------------------------------------------------------------

LogindSession::LogindSession(QDBusConnection bus, int timeoutMs)
    : calls_(std::move(bus), timeoutMs) {}

void LogindSession::logOff() {
    QDBusMessage lookup = QDBusMessage::createMethodCall(kLogind, kLogindPath, kManager,
                                                         QStringLiteral("GetSessionByPID"));
    lookup << quint32(QCoreApplication::applicationPid());
    calls_.call(lookup, [this](const QDBusMessage& reply) {
        QString path = kOwnSession;
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            const auto found = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst());
            if (!found.path().isEmpty()) path = found.path();
        }
        calls_.call(
            QDBusMessage::createMethodCall(kLogind, path, kSession, QStringLiteral("Terminate")));
    });
}

void LogindSession::reboot() {
    callManager(QStringLiteral("Reboot"));
}

void LogindSession::powerOff() {
    callManager(QStringLiteral("PowerOff"));
}

void LogindSession::callManager(const QString& method) {
    QDBusMessage message = QDBusMessage::createMethodCall(kLogind, kLogindPath, kManager, method);
    message << false;  // no interactive authentication
    calls_.call(message);
}

void LogindSession::whenSettled(std::function<void()> done, int timeoutMs) {
    calls_.whenSettled(std::move(done), timeoutMs);
}

// ---- DesktopInhibitor -------------------------------------------------------------------------

DesktopInhibitor::DesktopInhibitor(QDBusConnection systemBus, QDBusConnection sessionBus,
                                   int timeoutMs)
    : system_(std::move(systemBus), timeoutMs), session_(std::move(sessionBus), timeoutMs) {}

void DesktopInhibitor::setInhibited(bool on) {
    if (on == on_) return;
    on_ = on;
    const quint64 generation = ++generation_;
    if (!on) {
        fd_ = QDBusUnixFileDescriptor();  // closing the descriptor ends logind's lock
        releaseScreenSaver();
        return;
    }
    QDBusMessage lock =
        QDBusMessage::createMethodCall(kLogind, kLogindPath, kManager, QStringLiteral("Inhibit"));
    lock << QStringLiteral("idle:sleep") << kWho << kWhy << QStringLiteral("block");
    system_.call(lock, [this, generation](const QDBusMessage& reply) {
        // An answer that comes after the count has stopped is let go at once.
        if (generation != generation_ || reply.type() != QDBusMessage::ReplyMessage ||
            reply.arguments().isEmpty())
            return;
        fd_ = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
    });
    QDBusMessage saver =
        QDBusMessage::createMethodCall(kSaver, kSaverPath, kSaver, QStringLiteral("Inhibit"));
    saver << kWho << kWhy;
    session_.call(saver, [this, generation](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
        const quint32 cookie = reply.arguments().constFirst().toUInt();
        if (generation == generation_) {
            cookie_ = cookie;
        } else if (cookie) {
            QDBusMessage un = QDBusMessage::createMethodCall(kSaver, kSaverPath, kSaver,
                                                             QStringLiteral("UnInhibit"));
            un << cookie;
            session_.bus().send(un);
        }
    });
}

void DesktopInhibitor::releaseScreenSaver() {
    if (!cookie_) return;
    QDBusMessage un =
        QDBusMessage::createMethodCall(kSaver, kSaverPath, kSaver, QStringLiteral("UnInhibit"));
    un << cookie_;
    session_.bus().send(un);
    cookie_ = 0;
}
