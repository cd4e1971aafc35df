#include "platform/ClockStatus.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QTimer>

#include "platform/DesktopSession.h"

namespace {
const QString kTimedate = QStringLiteral("org.freedesktop.timedate1");
const QString kTimedatePath = QStringLiteral("/org/freedesktop/timedate1");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
}  // namespace

TimedateClockStatus::TimedateClockStatus(QDBusConnection bus, int pollMs, int timeoutMs,
                                         QObject* parent)
    : ClockStatus(parent), calls_(std::make_unique<DbusCalls>(std::move(bus), timeoutMs)) {
    auto* poll = new QTimer(this);
    poll->setInterval(pollMs);
    connect(poll, &QTimer::timeout, this, &TimedateClockStatus::refresh);
    poll->start();
    // The first answer comes from the event loop, never from inside the constructor.
    QTimer::singleShot(0, this, &TimedateClockStatus::refresh);
}

TimedateClockStatus::~TimedateClockStatus() = default;

void TimedateClockStatus::refresh() {
    if (asking_) return;
    asking_ = true;
    QDBusMessage get = QDBusMessage::createMethodCall(kTimedate, kTimedatePath, kProperties,
                                                      QStringLiteral("Get"));
    get << kTimedate << QStringLiteral("NTPSynchronized");
    calls_->call(get, [this](const QDBusMessage& reply) {
        asking_ = false;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            set(ClockSync::Unknown);
            return;
        }
        // Properties.Get answers a variant; anything but a boolean in it is not an answer.
        const QVariant v = qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
        if (v.metaType().id() != QMetaType::Bool) {
            set(ClockSync::Unknown);
            return;
        }
        set(v.toBool() ? ClockSync::Synced : ClockSync::Unsynced);
    });
}

void TimedateClockStatus::set(ClockSync s) {
    if (s == sync_) return;
    sync_ = s;
    Q_EMIT changed(s);
}
