// The office console's model of its site without a window or a broker: rooms from the
// broker's retained reports and presence, stale and offline rooms as the fake clock moves,
// the anchors the office's orders compute from each room's own anchor, the desired messages
// they become, a room's digits that do not match its anchor, a room's other problems, hostile
// and odd messages dropped, another office user's order shown with its name, the clock probe
// answered, and the plan published.
#include <QSignalSpy>
#include <QtTest>

#include "Fakes.h"
#include "console/SiteModel.h"

Q_DECLARE_METATYPE(Anchor)
Q_DECLARE_METATYPE(Steer)

namespace {

const QString kSite = QStringLiteral("s1");

QString Topic(const QString& room, const QString& leaf) {
    return RoomTopic(kSite, room, leaf);
}

Anchor Running(qint64 atMs, int value, int duration = 9000, bool countUp = false) {
    Anchor a;
    a.phase = CountPhase::Main;
    a.countUp = countUp;
    a.duration = duration;
    a.value = value;
    a.atMs = atMs;
    return a;
}

// A healthy room's report: what it shows follows from its anchor at the report's instant.
Reported Report(const QString& room, qint64 atMs, const Anchor& anchor) {
    Reported r;
    r.atMs = atMs;
    r.room = room;
    r.source = CountSource::Plan;
    r.anchor = anchor;
    r.shown = DisplayText(anchor.valueAt(atMs));
    r.title = QStringLiteral("语文");
    r.clockSynced = true;
    r.clockOffsetMs = 12;
    r.screen = {QStringLiteral("HDMI-1"), 1920, 1080, true};
    r.version = QStringLiteral("2.1.0");
    r.host = QStringLiteral("exam-") + room.toLower();
    return r;
}

// A model watching the site through a connected fake link.
struct Rig {
    explicit Rig(const QString& user = QStringLiteral("office1"), bool observer = false) {
        link.connectOnOpen = true;
        link.open(LinkSettings{});
        model.watch(kSite, user, observer);
        QObject::connect(&model, &SiteModel::recorded,
                         [this](const RecordEntry& e) { records << e; });
        QObject::connect(&model, &SiteModel::alarm,
                         [this](const QString& id, const QString&) { alarms << id; });
    }
    qint64 now() const { return time.now().toMSecsSinceEpoch(); }
    void online(const QString& room, bool retained = true) {
        link.deliver(Topic(room, QStringLiteral("presence")), "online", retained);
    }
    void report(const Reported& r, bool retained = false) {
        link.deliver(Topic(r.room, QStringLiteral("reported")), EncodeReported(r), retained);
    }
    // The desired messages published to a room.
    QList<Desired> desired(const QString& room) const {
        QList<Desired> out;
        for (const auto& p : link.published)
            if (p.topic == Topic(room, QStringLiteral("desired"))) {
                out << *DecodeDesired(p.payload);
                if (!p.retain) qWarning("a desired message was not retained");
            }
        return out;
    }

    FakeTimeSource time;
    FakeSiteLink link;
    SiteModel model{link, time};
    QList<RecordEntry> records;
    QStringList alarms;
};

}  // namespace

class SiteModelTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void roomsFromRetainedState();
    void officePresence_data();
    void officePresence();
    void staleAndOffline();
    void steeredAnchor_data();
    void steeredAnchor();
    void effectiveSecond_data();
    void effectiveSecond();
    void ordersPublishDesired();
    void ordersRefused_data();
    void ordersRefused();
    void adoptAndReassert();
    void mismatch_data();
    void mismatch();
    void problems_data();
    void problems();
    void hostileMessages_data();
    void hostileMessages();
    void tooManyRooms();
    void anotherOfficeUser();
    void clockProbeAnswered_data();
    void clockProbeAnswered();
    void commandsAndAcks();
    void planPublished();
};

void SiteModelTest::roomsFromRetainedState() {
    Rig rig;
    QVERIFY(rig.link.subscribedTo(RoomTopic(kSite, QStringLiteral("A101"), "reported")));
    QVERIFY(!rig.link.subscribedTo(RoomTopic(QStringLiteral("other"), "A101", "reported")));
    const qint64 now = rig.now();
    // A late joiner: the broker hands over what it kept, in any order.
    rig.report(Report(QStringLiteral("A102"), now - 3000, Running(now - 60'000, 5400)), true);
    rig.online(QStringLiteral("A101"));
    rig.report(Report(QStringLiteral("A101"), now - 2000, Running(now - 10'000, 600)), true);
    rig.link.deliver(Topic(QStringLiteral("A103"), "presence"), "offline", true);
    // A room whose presence comes before its report, which tells of a muted output.
    rig.online(QStringLiteral("A104"));
    Reported muted = Report(QStringLiteral("A104"), now - 2000, Running(now - 10'000, 600));
    muted.output = OutputHealth::Muted;
    rig.report(muted, true);

    QCOMPARE(rig.model.roomIds(), (QStringList{"A101", "A102", "A103", "A104"}));
    QCOMPARE(rig.model.onlineCount(), 2);
    // The remaining time is computed here from the reported anchor, and moves with the clock.
    QCOMPARE(rig.model.remainingNow(QStringLiteral("A101")), std::optional<int>(590));
    QCOMPARE(rig.model.remainingNow(QStringLiteral("A102")), std::optional<int>(5340));
    QCOMPARE(rig.model.remainingNow(QStringLiteral("A103")), std::nullopt);
    rig.time.advance(5000);
    QCOMPARE(rig.model.remainingNow(QStringLiteral("A101")), std::optional<int>(585));
    QCOMPARE(rig.model.room(QStringLiteral("A101"))->report->title, QStringLiteral("语文"));
    // The state found at the start is no news: the offline and the muted rooms are shown,
    // not alarmed.
    QCOMPARE(rig.model.problems(QStringLiteral("A103")), unsigned(ProblemOffline));
    QCOMPARE(rig.model.problems(QStringLiteral("A104")), unsigned(ProblemSilent));
    QVERIFY(rig.alarms.isEmpty());
    QCOMPARE(rig.model.alarmCount(), 2);
    // What comes live after is.
    muted.atMs = rig.now();
    muted.lastPrompt = Reported::Prompt{QStringLiteral("Ksksly.wav"), false, rig.now()};
    rig.online(QStringLiteral("A102"), false);
    rig.link.deliver(Topic(QStringLiteral("A101"), "presence"), "offline", false);
    QCOMPARE(rig.alarms, QStringList{"A101"});
}

void SiteModelTest::officePresence_data() {
    QTest::addColumn<bool>("observer");
    QTest::newRow("an office user says it is online") << false;
    QTest::newRow("an observer says nothing") << true;
}

void SiteModelTest::officePresence() {
    QFETCH(bool, observer);
    Rig rig(observer ? QStringLiteral("watch1") : QStringLiteral("office1"), observer);
    const QString topic = SiteTopic(kSite, QStringLiteral("office/presence"));
    const auto published = [&] { return rig.link.payloadsOn(topic); };
    QCOMPARE(published(), observer ? QList<QByteArray>{} : QList<QByteArray>{"online"});
    // Again at every connection.
    rig.link.setState(LinkState::Disconnected, QStringLiteral("连接中断"));
    rig.link.setState(LinkState::Connected);
    QCOMPARE(published().size(), observer ? 0 : 2);
    if (!observer) QVERIFY(rig.link.published.last().retain);
    rig.model.sayGoodbye();
    QCOMPARE(published().size(), observer ? 0 : 3);
    if (!observer) QCOMPARE(published().last(), QByteArray("offline"));
    QCOMPARE(rig.model.canSteer(), !observer);

    LinkSettings s;
    SiteModel::SetOfficeWill(s, kSite);
    QCOMPARE(s.willTopic, topic);
    QCOMPARE(s.willPayload, QByteArray("offline"));
    QVERIFY(s.willRetain);
}

void SiteModelTest::staleAndOffline() {
    Rig rig;
    const QString a = QStringLiteral("A101"), b = QStringLiteral("A102");
    rig.online(a, false);
    rig.online(b, false);
    qint64 now = rig.now();
    rig.report(Report(a, now, Running(now, 3000)));
    rig.report(Report(b, now, Running(now, 3000)));
    QCOMPARE(rig.model.problems(a), unsigned(ProblemNone));

    // B reports every 10 s; A's window stops. 15 s after its last report A is not yet stale,
    // just after it is.
    rig.time.advance(10'000);
    rig.report(Report(b, rig.now(), Running(now, 3000)));
    rig.time.advance(5000);
    QVERIFY(!rig.model.room(a)->stale);
    QVERIFY(rig.alarms.isEmpty());
    rig.time.advance(1000);
    QVERIFY(rig.model.room(a)->stale);
    QVERIFY(rig.model.problems(a) & ProblemStale);
    QVERIFY(!rig.model.room(b)->stale);
    QCOMPARE(rig.alarms, QStringList{a});
    // Its next report clears it.
    rig.report(Report(a, rig.now(), Running(now, 3000)));
    QVERIFY(!rig.model.room(a)->stale);
    QCOMPARE(rig.model.problems(a), unsigned(ProblemNone));

    // B's last will: offline, since now, an alarm; an offline room is not also stale.
    now = rig.now();
    rig.link.deliver(Topic(b, "presence"), "offline");
    QCOMPARE(rig.model.room(b)->presence, RoomStatus::Presence::Offline);
    QCOMPARE(rig.model.room(b)->presenceSinceMs, now);
    QCOMPARE(rig.alarms, (QStringList{a, b}));
    rig.time.advance(60'000);
    QCOMPARE(rig.model.problems(b), unsigned(ProblemOffline));
    QCOMPARE(rig.model.onlineCount(), 1);
    // A room online without ever reporting is stale 15 s after it came.
    const QString c = QStringLiteral("A103");
    rig.online(c, false);
    rig.time.advance(15'000);
    QVERIFY(!rig.model.room(c)->stale);
    rig.time.advance(1000);
    QVERIFY(rig.model.room(c)->stale);
    // Each alarm is in the record.
    int alarmsRecorded = 0;
    for (const RecordEntry& e : rig.records)
        if (e.what == QStringLiteral("警报")) ++alarmsRecorded;
    QCOMPARE(alarmsRecorded, rig.alarms.size());
}

void SiteModelTest::steeredAnchor_data() {
    QTest::addColumn<Anchor>("from");
    QTest::addColumn<Steer>("order");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<bool>("applies");
    QTest::addColumn<Anchor>("expected");  // at the order's second T

    const qint64 T = 1'000'000'000'000;  // a whole second
    // A countdown anchored 100.4 s before T at 3000: at T it shows 2900.
    const Anchor down = Running(T - 100'400, 3000);
    Anchor paused = Running(T - 50'000, 1234);
    paused.paused = true;
    const Anchor up = Running(T - 60'000, 0, 3600, true);  // 60 at T
    Anchor idle;
    idle.duration = 5400;
    idle.value = 5400;
    idle.atMs = T - 999'000;
    Anchor prep = Running(T - 1000, 900, 900);
    prep.phase = CountPhase::Prep;
    Anchor timeUp = Running(T - 10'000, 0, 600);
    timeUp.phase = CountPhase::TimeUp;
    const Anchor ranOut = Running(T - 20'000, 10);  // ran out before T

    auto with = [T](Anchor a, auto change) {
        change(a);
        a.atMs = T;
        return a;
    };
    QTest::newRow("pause: the value at T, held")
        << down << Steer::Pause << 0 << true << with(down, [](Anchor& a) {
               a.value = 2900;
               a.paused = true;
           });
    QTest::newRow("pause a count up") << up << Steer::Pause << 0 << true << with(up, [](Anchor& a) {
        a.value = 60;
        a.paused = true;
    });
    QTest::newRow("pause again: refused") << paused << Steer::Pause << 0 << false << Anchor{};
    QTest::newRow("pause a count that ran out: refused")
        << ranOut << Steer::Pause << 0 << false << Anchor{};
    QTest::newRow("resume: the held value runs from T")
        << paused << Steer::Resume << 0 << true
        << with(paused, [](Anchor& a) { a.paused = false; });
    QTest::newRow("resume a running count: refused")
        << down << Steer::Resume << 0 << false << Anchor{};
    QTest::newRow("+5 minutes counting down: value and duration")
        << down << Steer::AddMinutes << 5 << true << with(down, [](Anchor& a) {
               a.value = 3200;
               a.duration = 9300;
           });
    QTest::newRow("-10 minutes counting down")
        << down << Steer::AddMinutes << -10 << true << with(down, [](Anchor& a) {
               a.value = 2300;
               a.duration = 8400;
           });
    QTest::newRow("more minutes taken than are left: refused")
        << down << Steer::AddMinutes << -49 << false << Anchor{};
    QTest::newRow("+5 minutes counting up: the end moves, the value stays")
        << up << Steer::AddMinutes << 5 << true << with(up, [](Anchor& a) {
               a.value = 60;
               a.duration = 3900;
           });
    QTest::newRow("-60 minutes counting up, 1 minute gone: refused")
        << up << Steer::AddMinutes << -60 << false << Anchor{};
    QTest::newRow("+3 minutes to a paused count: stays paused")
        << paused << Steer::AddMinutes << 3 << true << with(paused, [](Anchor& a) {
               a.value = 1234 + 180;
               a.duration = 9180;
           });
    QTest::newRow("minutes to an idle count: refused")
        << idle << Steer::AddMinutes << 5 << false << Anchor{};
    QTest::newRow("start an idle count: its full duration from T")
        << idle << Steer::Start << 0 << true << with(idle, [](Anchor& a) {
               a.phase = CountPhase::Main;
               a.value = 5400;
           });
    QTest::newRow("start again after the time-up")
        << timeUp << Steer::Start << 0 << true << with(timeUp, [](Anchor& a) {
               a.phase = CountPhase::Main;
               a.value = 600;
           });
    QTest::newRow("start a running count: refused")
        << down << Steer::Start << 0 << false << Anchor{};
    QTest::newRow("start in the preparation: refused")
        << prep << Steer::Start << 0 << false << Anchor{};
    QTest::newRow("end a countdown: time-up at 0")
        << down << Steer::End << 0 << true << with(down, [](Anchor& a) {
               a.phase = CountPhase::TimeUp;
               a.value = 0;
           });
    QTest::newRow("end a count up: time-up at its duration")
        << up << Steer::End << 0 << true << with(up, [](Anchor& a) {
               a.phase = CountPhase::TimeUp;
               a.value = 3600;
           });
    QTest::newRow("end an idle count: refused") << idle << Steer::End << 0 << false << Anchor{};
    QTest::newRow("reset a paused count: idle at its duration")
        << paused << Steer::Reset << 0 << true << with(paused, [](Anchor& a) {
               a.phase = CountPhase::Idle;
               a.paused = false;
               a.value = 9000;
           });
}

void SiteModelTest::steeredAnchor() {
    QFETCH(Anchor, from);
    QFETCH(Steer, order);
    QFETCH(int, minutes);
    QFETCH(bool, applies);
    QFETCH(Anchor, expected);
    const qint64 T = 1'000'000'000'000;
    QString refusal;
    const auto got = SteeredAnchor(from, order, T, minutes, &refusal);
    QCOMPARE(got.has_value(), applies);
    if (!applies) {
        QVERIFY(!refusal.isEmpty());
        return;
    }
    QCOMPARE(PhaseName(got->phase), PhaseName(expected.phase));
    QCOMPARE(got->value, expected.value);
    QCOMPARE(got->duration, expected.duration);
    QCOMPARE(got->paused, expected.paused);
    QCOMPARE(got->countUp, expected.countUp);
    QCOMPARE(got->atMs, T);
    QVERIFY(*got == expected);
    // A room that follows the new anchor shows, a second after T, one step on (or held).
    if (got->running())
        QCOMPARE(got->valueAt(T + 1000), got->countUp ? got->value + 1 : got->value - 1);
}

void SiteModelTest::effectiveSecond_data() {
    QTest::addColumn<qint64>("now");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("on a second: the lead exactly") << qint64(10'000) << qint64(15'000);
    QTest::newRow("just after a second: rounded up") << qint64(10'001) << qint64(16'000);
    QTest::newRow("just before one") << qint64(10'999) << qint64(16'000);
}

void SiteModelTest::effectiveSecond() {
    QFETCH(qint64, now);
    QFETCH(qint64, expected);
    QCOMPARE(EffectiveAt(now), expected);
    QCOMPARE(EffectiveAt(now) % 1000, 0);
    QVERIFY(EffectiveAt(now) - now >= kSteerLeadMs);
}

void SiteModelTest::ordersPublishDesired() {
    Rig rig;
    const qint64 now = rig.now();
    // Two rooms of one session, each on its own anchor: A102 has 30 extra minutes.
    Reported a = Report(QStringLiteral("A101"), now, Running(now - 600'000, 9000));
    a.appliedRev = 7;
    Reported b = Report(QStringLiteral("A102"), now, Running(now - 600'300, 10'800, 10'800));
    rig.report(a);
    rig.report(b);
    const qint64 T = EffectiveAt(now);
    const auto sent = rig.model.steer({"A101", "A102"}, Steer::Pause, T, 0, QStringLiteral("停电"));
    QCOMPARE(sent.rooms, (QStringList{"A101", "A102"}));
    QVERIFY(sent.refused.isEmpty());
    const QList<Desired> da = rig.desired(QStringLiteral("A101"));
    const QList<Desired> db = rig.desired(QStringLiteral("A102"));
    QCOMPARE(da.size(), 1);
    QCOMPARE(db.size(), 1);
    // Each from its own anchor, at the same second; the rev above the one the room applied.
    QCOMPARE(da[0].anchor.value, a.anchor.valueAt(T));
    QCOMPARE(db[0].anchor.value, b.anchor.valueAt(T));
    QVERIFY(da[0].anchor.value != db[0].anchor.value);
    QCOMPARE(da[0].anchor.atMs, T);
    QVERIFY(da[0].anchor.paused);
    QCOMPARE(da[0].rev, 8);
    QCOMPARE(db[0].rev, 1);
    QCOMPARE(da[0].by, QStringLiteral("office1"));
    QCOMPARE(da[0].why, QStringLiteral("停电"));

    // Before the rooms apply it, +5 minutes starts from the pause on its way, with a new rev.
    const qint64 T2 = T + 3000;
    rig.model.steer({"A101"}, Steer::AddMinutes, T2, 5);
    const QList<Desired> again = rig.desired(QStringLiteral("A101"));
    QCOMPARE(again.size(), 2);
    QCOMPARE(again[1].rev, 9);
    QVERIFY(again[1].anchor.paused);
    QCOMPARE(again[1].anchor.value, da[0].anchor.value + 300);
    // The record has the action, the user, the rooms and the second.
    const RecordEntry& first = rig.records[rig.records.size() - 2];
    QCOMPARE(first.who, QStringLiteral("office1"));
    QCOMPARE(first.what, QStringLiteral("暂停"));
    QCOMPARE(first.rooms, (QStringList{"A101", "A102"}));
    QVERIFY2(first.detail.contains(QDateTime::fromMSecsSinceEpoch(T).toString("HH:mm:ss")),
             qPrintable(first.detail));
    QCOMPARE(rig.records.last().what, QStringLiteral("加5分钟"));
}

void SiteModelTest::ordersRefused_data() {
    QTest::addColumn<bool>("observer");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("room");
    QTest::addColumn<QString>("why");
    QTest::newRow("an observer") << true << true << "A101"
                                 << "观察者只能查看，不能下达指令";
    QTest::newRow("no broker") << false << false << "A101"
                               << "未连接消息服务器，指令没有发出";
    QTest::newRow("a room never heard of") << false << true << "A109"
                                           << "还没有收到该考场的报告";
    QTest::newRow("a room that does not count") << false << true << "A102"
                                                << "未在计时";
}

void SiteModelTest::ordersRefused() {
    QFETCH(bool, observer);
    QFETCH(bool, connected);
    QFETCH(QString, room);
    QFETCH(QString, why);
    Rig rig(QStringLiteral("someone"), observer);
    const qint64 now = rig.now();
    rig.report(Report(QStringLiteral("A101"), now, Running(now, 3000)));
    Anchor idle;
    idle.duration = 600;
    rig.report(Report(QStringLiteral("A102"), now, idle));
    if (!connected) rig.link.setState(LinkState::Disconnected, QStringLiteral("断了"));
    const int before = int(rig.link.published.size());
    const auto sent = rig.model.steer({room}, Steer::Pause, EffectiveAt(now));
    QVERIFY(sent.rooms.isEmpty());
    QCOMPARE(sent.refused.value(room), why);
    QCOMPARE(rig.link.published.size(), before);
    QVERIFY(rig.link.dropped.isEmpty() || !connected);
    QVERIFY(rig.desired(room).isEmpty());
    if (observer || !connected) {
        // Nor a command or a plan.
        QCOMPARE(rig.model.command({room}, Command::Kind::Identify).refused.value(room), why);
        QString planWhy;
        QVERIFY(!rig.model.pushPlan(Plan{}, &planWhy));
        QCOMPARE(planWhy, why);
        QCOMPARE(rig.link.published.size(), before);
    }
}

void SiteModelTest::adoptAndReassert() {
    Rig rig;
    const qint64 now = rig.now();
    const QString id = QStringLiteral("A101");
    rig.report(Report(id, now, Running(now, 3000)));
    QVERIFY(!rig.model.reassert({id}).refused.isEmpty());  // nothing to reassert yet
    QVERIFY(!rig.model.adopt({id}).refused.isEmpty());     // it counts by the plan
    rig.model.steer({id}, Steer::AddMinutes, EffectiveAt(now), 10);
    const Desired office = rig.desired(id).last();
    // The room applies it, then its invigilator pauses locally: a local override.
    Reported local = Report(id, now + 9000, office.anchor);
    local.appliedRev = office.rev;
    rig.report(local);
    QCOMPARE(rig.model.problems(id) & ProblemOverride, 0u);
    local.source = CountSource::Local;
    local.anchor = SteeredAnchor(office.anchor, Steer::Pause, now + 10'000, 0).value();
    local.atMs = now + 10'500;
    local.shown = DisplayText(local.anchor.value);
    rig.report(local);
    QVERIFY(rig.model.problems(id) & ProblemOverride);

    // Reassert: the office's own anchor again, with a new rev.
    QCOMPARE(rig.model.reassert({id}).rooms, QStringList{id});
    QCOMPARE(rig.desired(id).last().anchor, office.anchor);
    QCOMPARE(rig.desired(id).last().rev, office.rev + 1);
    // Adopt: the room's own anchor becomes the office's.
    QCOMPARE(rig.model.adopt({id}).rooms, QStringList{id});
    QCOMPARE(rig.desired(id).last().anchor, local.anchor);
    QCOMPARE(rig.desired(id).last().rev, office.rev + 2);
}

void SiteModelTest::mismatch_data() {
    QTest::addColumn<int>("shownValue");  // -1: what the anchor gives
    QTest::addColumn<bool>("paused");
    QTest::addColumn<bool>("expected");
    QTest::newRow("digits as the anchor gives") << -1 << false << false;
    QTest::newRow("a second off") << 2894 << false << true;
    QTest::newRow("paused, as held") << -1 << true << false;
    QTest::newRow("paused, other digits") << 100 << true << true;
}

void SiteModelTest::mismatch() {
    QFETCH(int, shownValue);
    QFETCH(bool, paused);
    QFETCH(bool, expected);
    Rig rig;
    const QString id = QStringLiteral("A101");
    rig.online(id, false);
    const qint64 now = rig.now();
    // Healthy first, then the report in question: a mismatch is an alarm.
    rig.report(Report(id, now, Running(now, 3000)));
    Anchor a = Running(now - 5'300, 3000);
    a.paused = paused;
    Reported r = Report(id, now + 100, a);
    if (shownValue >= 0) r.shown = DisplayText(shownValue);
    rig.report(r);
    // Judged at the report's instant, however late it is looked at.
    rig.time.advance(3000);
    QCOMPARE(rig.model.mismatch(id), expected);
    QCOMPARE(bool(rig.model.problems(id) & ProblemOffTime), expected);
    QCOMPARE(rig.alarms, expected ? QStringList{id} : QStringList{});
}

void SiteModelTest::problems_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<unsigned>("expected");
    QTest::addColumn<bool>("alarm");
    QTest::newRow("healthy") << "" << unsigned(ProblemNone) << false;
    QTest::newRow("clock 0.31 s off: amber") << "offset 310" << unsigned(ProblemClock) << false;
    QTest::newRow("clock 0.3 s off: fine") << "offset -300" << unsigned(ProblemNone) << false;
    QTest::newRow("clock 0.51 s behind: off time")
        << "offset -510" << unsigned(ProblemClock | ProblemOffTime) << true;
    QTest::newRow("clock not synced") << "unsynced" << unsigned(ProblemClock) << false;
    QTest::newRow("sound muted") << "muted" << unsigned(ProblemSilent) << true;
    QTest::newRow("no sound output") << "missing" << unsigned(ProblemSilent) << true;
    QTest::newRow("the last prompt failed") << "prompt" << unsigned(ProblemSilent) << true;
    QTest::newRow("not full screen") << "window" << unsigned(ProblemScreen) << false;
    QTest::newRow("local count under a plan") << "local" << unsigned(ProblemOverride) << false;
}

void SiteModelTest::problems() {
    QFETCH(QString, change);
    QFETCH(unsigned, expected);
    QFETCH(bool, alarm);
    Rig rig;
    const QString id = QStringLiteral("A101");
    rig.online(id);
    Plan plan;
    plan.rev = 1;
    PlanSession s;
    s.id = QStringLiteral("d1");
    s.title = QStringLiteral("语文");
    s.startMs = rig.now() + 3'600'000;
    s.duration = 9000;
    plan.sessions << s;
    rig.link.deliver(SiteTopic(kSite, QStringLiteral("plan")), EncodePlan(plan), true);
    const qint64 now = rig.now();
    Reported r = Report(id, now, Running(now, 3000));
    rig.report(r);
    QCOMPARE(rig.model.problems(id), unsigned(ProblemNone));
    if (change.startsWith(QLatin1String("offset")))
        r.clockOffsetMs = change.mid(7).toInt();
    else if (change == QLatin1String("unsynced"))
        r.clockSynced = false;
    else if (change == QLatin1String("muted"))
        r.output = OutputHealth::Muted;
    else if (change == QLatin1String("missing"))
        r.output = OutputHealth::Missing;
    else if (change == QLatin1String("prompt"))
        r.lastPrompt = Reported::Prompt{QStringLiteral("Ksksly.wav"), false, now};
    else if (change == QLatin1String("window"))
        r.screen.full = false;
    else if (change == QLatin1String("local"))
        r.source = CountSource::Local;
    rig.report(r);
    QCOMPARE(rig.model.problems(id), expected);
    QCOMPARE(rig.alarms.size(), alarm ? 1 : 0);
    QCOMPARE(rig.model.alarmCount(), alarm ? 1 : 0);
}

void SiteModelTest::hostileMessages_data() {
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QByteArray>("payload");
    const qint64 base = FakeTimeSource().now().toMSecsSinceEpoch();
    const Reported good = Report(QStringLiteral("A101"), base, Running(base, 100));
    const QString reported = Topic(QStringLiteral("A101"), "reported");
    QTest::newRow("not JSON") << reported << QByteArray("{\"v\":1,");
    QTest::newRow("another version")
        << reported << EncodeReported(good).replace("\"v\":1", "\"v\":2");
    QTest::newRow("a field of the wrong type")
        << reported << EncodeReported(good).replace("\"alert\":1", "\"alert\":\"x\"");
    Reported other = good;
    other.room = QStringLiteral("A102");
    QTest::newRow("another room's report on A101's topic") << reported << EncodeReported(other);
    Reported future = good;
    future.atMs = base + kFutureSlackMs + 5000;
    QTest::newRow("from the future") << reported << EncodeReported(future);
    Reported huge = good;
    QByteArray big = EncodeReported(huge);
    big.insert(big.size() - 1, ",\"pad\":\"" + QByteArray(70 * 1024, 'x') + "\"");
    QTest::newRow("over 64 KiB") << reported << big;
    QTest::newRow("a value beyond its duration")
        << reported << EncodeReported(good).replace("\"value\":100", "\"value\":9999999");
    QTest::newRow("presence of another word")
        << Topic(QStringLiteral("A101"), "presence") << QByteArray("gone");
    QTest::newRow("a desired that does not read")
        << Topic(QStringLiteral("A101"), "desired") << QByteArray("[]");
    QTest::newRow("an event of another room")
        << Topic(QStringLiteral("A101"), "event")
        << EncodeEvent(RoomEvent{base, QStringLiteral("A102"), RoomEvent::Kind::TimeUp, {}, {}});
    QTest::newRow("a foreign site") << RoomTopic("s2", "A101", "reported") << EncodeReported(other);
    QTest::newRow("a room id that is no id")
        << QStringLiteral("kvtmr/v1/s1/room/A 1/reported") << EncodeReported(good);
    QTest::newRow("a plan that does not read")
        << SiteTopic(kSite, QStringLiteral("plan")) << QByteArray("{\"v\":1}");
}

void SiteModelTest::hostileMessages() {
    QFETCH(QString, topic);
    QFETCH(QByteArray, payload);
    Rig rig;
    const qint64 now = rig.now();
    const Reported kept = Report(QStringLiteral("A101"), now, Running(now, 100));
    rig.online(QStringLiteral("A101"));
    rig.report(kept);
    QSignalSpy changed(&rig.model, &SiteModel::roomChanged);
    rig.link.deliver(topic, payload, false);
    // Nothing of it is taken; the room stays as it was.
    QCOMPARE(rig.model.roomIds(), QStringList{"A101"});
    QVERIFY(rig.model.room(QStringLiteral("A101"))->report.value() == kept);
    QCOMPARE(rig.model.room(QStringLiteral("A101"))->presence, RoomStatus::Presence::Online);
    QVERIFY(!rig.model.room(QStringLiteral("A101"))->desired);
    QVERIFY(rig.model.room(QStringLiteral("A101"))->lastEvent.isEmpty());
    QVERIFY(!rig.model.plan());
    QVERIFY(changed.isEmpty());
    QVERIFY(rig.alarms.isEmpty());
}

void SiteModelTest::tooManyRooms() {
    Rig rig;
    for (int i = 0; i < kMaxRooms + 50; ++i)
        rig.link.deliver(Topic(QStringLiteral("R%1").arg(i), "presence"), "online", true);
    QCOMPARE(rig.model.roomIds().size(), kMaxRooms);
}

void SiteModelTest::anotherOfficeUser() {
    Rig rig;
    const qint64 now = rig.now();
    const QString id = QStringLiteral("A101");
    rig.report(Report(id, now, Running(now, 3000)));
    // This console's own order comes back from the broker: not news.
    rig.model.steer({id}, Steer::Pause, EffectiveAt(now));
    const Desired mine = rig.desired(id).last();
    const int records = int(rig.records.size());
    rig.link.deliver(Topic(id, "desired"), EncodeDesired(mine), true);
    QCOMPARE(rig.records.size(), records);
    // Another console's order: shown with its user, and recorded under that name.
    Desired theirs = mine;
    theirs.rev = mine.rev + 1;
    theirs.by = QStringLiteral("office2");
    theirs.anchor.paused = false;
    rig.link.deliver(Topic(id, "desired"), EncodeDesired(theirs), false);
    QCOMPARE(rig.model.room(id)->desired->by, QStringLiteral("office2"));
    QCOMPARE(rig.records.last().who, QStringLiteral("office2"));
    QCOMPARE(rig.records.last().rooms, QStringList{id});
    // An order of an older rev that comes late does not replace it.
    rig.link.deliver(Topic(id, "desired"), EncodeDesired(mine), false);
    QCOMPARE(rig.model.room(id)->desired->rev, theirs.rev);
    // This console's next order goes above the other's rev.
    QCOMPARE(rig.model.nextRev(id), theirs.rev + 1);
}

void SiteModelTest::clockProbeAnswered_data() {
    QTest::addColumn<bool>("observer");
    QTest::newRow("the office answers") << false;
    QTest::newRow("an observer does not") << true;
}

void SiteModelTest::clockProbeAnswered() {
    QFETCH(bool, observer);
    Rig rig(QStringLiteral("u"), observer);
    const qint64 roomClock = rig.now() - 250;  // the room's clock is 250 ms behind
    rig.link.deliver(Topic(QStringLiteral("A101"), "tping"), EncodePing(Probe{7, roomClock, 0, 0}));
    const QList<QByteArray> pongs = rig.link.payloadsOn(Topic(QStringLiteral("A101"), "tpong"));
    QCOMPARE(pongs.size(), observer ? 0 : 1);
    if (observer) return;
    const auto p = DecodePong(pongs[0]);
    QVERIFY(p);
    QCOMPARE(p->id, 7);
    QCOMPARE(p->t0, roomClock);
    QCOMPARE(p->t1, rig.now());
    QCOMPARE(ProbeOffset(*p, roomClock).offsetMs, 250);
}

void SiteModelTest::commandsAndAcks() {
    Rig rig;
    const qint64 now = rig.now();
    rig.report(Report(QStringLiteral("A101"), now, Running(now, 3000)));
    rig.model.command({"A101"}, Command::Kind::ShowText, QStringLiteral("请停笔"));
    QCOMPARE(rig.link.published.last().topic, Topic(QStringLiteral("A101"), "cmd"));
    QVERIFY(!rig.link.published.last().retain);
    QCOMPARE(rig.link.published.last().expirySeconds, kCmdExpirySeconds);
    const auto c = DecodeCommand(rig.link.published.last().payload);
    QCOMPARE(c->kind, Command::Kind::ShowText);
    QCOMPARE(c->text, QStringLiteral("请停笔"));
    QCOMPARE(c->by, QStringLiteral("office1"));
    rig.link.deliver(Topic(QStringLiteral("A101"), "ack"),
                     EncodeAck(Ack{c->id, false, QStringLiteral("屏幕已断开")}));
    const RoomStatus* r = rig.model.room(QStringLiteral("A101"));
    QVERIFY2(r->lastAck.contains(QStringLiteral("显示文字")), qPrintable(r->lastAck));
    QVERIFY(r->lastAck.contains(QStringLiteral("屏幕已断开")));
    QVERIFY(rig.model.problems(QStringLiteral("A101")) & ProblemAck);
    rig.link.deliver(Topic(QStringLiteral("A101"), "ack"),
                     EncodeAck(Ack{DesiredAckId(3), true, {}}));
    QVERIFY(rig.model.room(QStringLiteral("A101"))->lastAck.contains(QStringLiteral("第3版")));
    QCOMPARE(rig.model.problems(QStringLiteral("A101")) & ProblemAck, 0u);
}

void SiteModelTest::planPublished() {
    Rig rig;
    Plan held;
    held.rev = 4;
    held.by = QStringLiteral("office2");
    rig.link.deliver(SiteTopic(kSite, QStringLiteral("plan")), EncodePlan(held), true);
    QCOMPARE(rig.model.plan()->rev, 4);
    Plan mine;
    PlanSession s;
    s.id = QStringLiteral("d1-yuwen");
    s.title = QStringLiteral("语文");
    s.startMs = rig.now() + 3'600'000;
    s.duration = 9000;
    mine.sessions << s;
    QString why;
    QVERIFY2(rig.model.pushPlan(mine, &why), qPrintable(why));
    const auto& p = rig.link.published.last();
    QCOMPARE(p.topic, SiteTopic(kSite, QStringLiteral("plan")));
    QVERIFY(p.retain);
    const PlanRead read = DecodePlan(p.payload);
    QCOMPARE(read.plan->rev, 5);
    QCOMPARE(read.plan->by, QStringLiteral("office1"));
    QCOMPARE(read.plan->sessions, mine.sessions);
    // A plan with a problem is not published.
    mine.sessions << s;  // the same id twice
    const int before = int(rig.link.published.size());
    QVERIFY(!rig.model.pushPlan(mine, &why));
    QVERIFY(!why.isEmpty());
    QCOMPARE(rig.link.published.size(), before);
}

QTEST_GUILESS_MAIN(SiteModelTest)
#include "unit_site_model.moc"
