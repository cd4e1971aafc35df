/* Measures how closely many rooms on one site move together.

It starts a mosquitto broker as the site's is configured (the tests' TestBroker, with a
password for each room) and N headless rooms in this process, each the room's own link code
(RoomLink over the real MQTT link, on its own link thread) with a count of its own behind
the hooks and the real clock. Then, as the exam office would:
  1. a start order: a count of 10 minutes from a whole second 3 s ahead; each room applies it
     on its own timer. Reported: the spread of the instants the rooms applied it (max − min)
     and how late after the second they were (median, max), and whether every room showed
     the same first digit.
  2. a pause order at a whole second 3 s ahead: the value each room shows when it stops.
     Reported: the number of different values (1 is one digit for the whole site).
  3. a late joiner: one more room opened after the orders were retained. Reported: the time
     from its open to its count following the retained order, and to its plan.

  bench_site_spread [N]     N rooms, 1 … 500 (default 50)

Needs Debian's mosquitto. Prints its figures; the exit status is 0 when every room applied
both orders and the pause landed on one value.
*/
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "TestBroker.h"
#include "platform/TimeSource.h"
#include "site/RoomLink.h"

namespace {

// The real clock, with timed calls on precise timers.
class SteadyTime : public TimeSource {
  public:
    SteadyTime() { clock_.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 monotonicMs() const override { return clock_.elapsed(); }
    quint64 callAt(qint64 dueMs, Callback cb) override {
        const quint64 id = ++last_;
        auto* t = new QTimer;
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        QObject::connect(t, &QTimer::timeout, t, [this, id, cb = std::move(cb)] {
            if (auto it = timers_.find(id); it != timers_.end()) {
                it->second->deleteLater();
                timers_.erase(it);
            }
            cb();
        });
        timers_[id] = t;
        t->start(int(qMax<qint64>(0, dueMs - clock_.elapsed())));
        return id;
    }
    void cancel(quint64 id) override {
        if (auto it = timers_.find(id); it != timers_.end()) {
            it->second->deleteLater();
            timers_.erase(it);
        }
    }

  private:
    QElapsedTimer clock_;
    quint64 last_ = 0;
    std::map<quint64, QTimer*> timers_;
};

struct BenchRoom {
    QString id;
    std::unique_ptr<SiteLink> link = CreateSiteLink();
    std::unique_ptr<RoomLink> room;
    Anchor anchor;
    Plan plan;
    qint64 openedMs = 0;
    QList<qint64> appliedAt;  // the wall instants of each order followed
    QList<int> shownAt;       // the value shown when it followed
    qint64 planAt = 0;
};

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

qint64 Percentile(QList<qint64> v, double p) {
    if (v.isEmpty()) return 0;
    std::sort(v.begin(), v.end());
    return v[qMin(v.size() - 1, qsizetype(p * double(v.size() - 1) + 0.5))];
}

qint64 NextSecondAfter(qint64 ms, int seconds) {
    return (ms / 1000 + seconds) * 1000;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::clamp(QByteArray(argv[1]).toInt(), 1, 500) : 50;
    if (!TestBroker::Installed()) {
        std::printf("mosquitto is not installed\n");
        return 2;
    }
    TestBroker::Options options;
    for (int i = 0; i <= n; ++i)
        options.moreRooms << QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0'));
    TestBroker broker(options);
    QString error;
    if (!broker.start(&error)) {
        std::printf("the broker did not start: %s\n", qPrintable(error));
        return 2;
    }
    SteadyTime time;
    const auto makeRoom = [&](const QString& id) {
        auto r = std::make_unique<BenchRoom>();
        r->id = id;
        BenchRoom* self = r.get();
        RoomLink::Hooks h;
        h.count = [self](qint64 now) {
            return RoomLink::Count{self->anchor, CountSource::Office,
                                   DisplayText(self->anchor.valueAt(now)), 1, QString()};
        };
        h.follow = [self](const Anchor& a, qint64 now, bool) {
            self->anchor = a;
            self->appliedAt << QDateTime::currentMSecsSinceEpoch();
            self->shownAt << a.valueAt(now);
        };
        h.plan = [self] { return self->plan; };
        h.takePlan = [self](const Plan& p) {
            self->plan = p;
            self->planAt = QDateTime::currentMSecsSinceEpoch();
        };
        r->room = std::make_unique<RoomLink>(*r->link, time, nullptr, h,
                                             RoomLink::Identity{QStringLiteral("bench"), id});
        RoomLinkConfig c;
        c.enabled = true;
        c.host = QStringLiteral("127.0.0.1");
        c.port = broker.port();
        c.site = broker.site();
        c.room = id;
        c.password = TestBroker::Password(id);
        r->openedMs = QDateTime::currentMSecsSinceEpoch();
        r->room->open(c, QString());
        return r;
    };

    QList<std::shared_ptr<BenchRoom>> rooms;
    for (int i = 0; i < n; ++i)
        rooms << std::shared_ptr<BenchRoom>(makeRoom(options.moreRooms[i]).release());
    const bool allIn = WaitFor(
        [&] {
            return std::all_of(rooms.begin(), rooms.end(), [](const auto& r) {
                return r->link->state() == LinkState::Connected;
            });
        },
        30'000);
    std::printf("rooms: %d, all connected: %s\n", n, allIn ? "yes" : "no");

    auto office = CreateSiteLink();
    office->open(broker.settings(QStringLiteral("office1")));
    WaitFor([&] { return office->state() == LinkState::Connected; }, 10'000);
    const auto orderAll = [&](int rev, const Anchor& a) {
        const QByteArray payload = EncodeDesired({rev, QStringLiteral("office1"), QString(), a});
        for (const auto& r : rooms)
            office->publish(broker.topic(QStringLiteral("room/%1/desired").arg(r->id)), payload,
                            true);
    };

    // 1. The start at a whole second.
    Anchor start;
    start.phase = CountPhase::Main;
    start.duration = 600;
    start.value = 600;
    start.atMs = NextSecondAfter(QDateTime::currentMSecsSinceEpoch(), 3);
    orderAll(1, start);
    const bool started = WaitFor(
        [&] {
            return std::all_of(rooms.begin(), rooms.end(),
                               [](const auto& r) { return r->appliedAt.size() >= 1; });
        },
        20'000);
    QList<qint64> late;
    QSet<int> firstDigits;
    for (const auto& r : rooms) {
        if (r->appliedAt.isEmpty()) continue;
        late << r->appliedAt.first() - start.atMs;
        firstDigits << r->shownAt.first();
    }
    std::printf(
        "start order: applied by %lld of %d rooms; lateness after the second: median "
        "%lld ms, max %lld ms; spread (max - min) %lld ms; first digits: %lld value(s)\n",
        qint64(late.size()), n, Percentile(late, 0.5), Percentile(late, 1.0),
        late.isEmpty() ? 0 : Percentile(late, 1.0) - Percentile(late, 0.0),
        qint64(firstDigits.size()));

    // 2. The pause at a whole second.
    Anchor pause = start;
    pause.atMs = NextSecondAfter(QDateTime::currentMSecsSinceEpoch(), 3);
    pause.value = start.valueAt(pause.atMs);
    pause.paused = true;
    orderAll(2, pause);
    const bool paused = WaitFor(
        [&] {
            return std::all_of(rooms.begin(), rooms.end(),
                               [](const auto& r) { return r->appliedAt.size() >= 2; });
        },
        20'000);
    QSet<int> pausedValues;
    QList<qint64> pauseLate;
    for (const auto& r : rooms) {
        if (r->appliedAt.size() < 2) continue;
        pausedValues << r->shownAt[1];
        pauseLate << r->appliedAt[1] - pause.atMs;
    }
    std::printf(
        "pause order: applied by %lld of %d rooms; lateness median %lld ms, max %lld "
        "ms; values shown when paused: %lld (%s)\n",
        qint64(pauseLate.size()), n, Percentile(pauseLate, 0.5), Percentile(pauseLate, 1.0),
        qint64(pausedValues.size()), qPrintable(DisplayText(pause.value)));

    // 3. The late joiner: the retained plan and order come to a room that opens now.
    Plan plan;
    plan.rev = 1;
    PlanSession s;
    s.id = QStringLiteral("bench");
    s.title = QStringLiteral("基准");
    s.startMs = QDateTime::currentMSecsSinceEpoch() + 3600'000;
    s.duration = 600;
    plan.sessions << s;
    office->publish(broker.topic(QStringLiteral("plan")), EncodePlan(plan), true);
    const QString lateId = options.moreRooms[n];
    office->publish(broker.topic(QStringLiteral("room/%1/desired").arg(lateId)),
                    EncodeDesired({2, QStringLiteral("office1"), QString(), pause}), true);
    WaitFor([&] { return false; }, 500);  // the retained messages are on the broker
    std::shared_ptr<BenchRoom> joiner(makeRoom(lateId).release());
    const bool joined =
        WaitFor([&] { return !joiner->appliedAt.isEmpty() && joiner->planAt; }, 20'000);
    std::printf("late joiner: order after %lld ms, plan after %lld ms (from its open)\n",
                joined ? joiner->appliedAt.first() - joiner->openedMs : -1,
                joined ? joiner->planAt - joiner->openedMs : -1);

    for (const auto& r : rooms)
        r->room->close();
    joiner->room->close();
    office->close();
    WaitFor([&] { return false; }, 300);
    broker.stop();
    return allIn && started && paused && pausedValues.size() == 1 && joined ? 0 : 1;
}
