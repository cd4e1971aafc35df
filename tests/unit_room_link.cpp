// The room's side of the exam-site link on the fake link, the fake clock and the fake time
// source: what it reports and when, how it follows the office's anchors at their second, takes
// the plan, answers orders, measures its clock, and what it does with messages that are bad or
// not its own.
#include <QTemporaryDir>
#include <QtTest>

#include "Fakes.h"
#include "site/RoomLink.h"

namespace {

const QString kSite = QStringLiteral("s1");
const QString kRoom = QStringLiteral("A101");

QString Topic(const QString& leaf) {
    return RoomTopic(kSite, kRoom, leaf);
}

// The room's count and display as the hooks see them: an anchor and where it came from.
struct FakeRoom {
    Anchor anchor;
    CountSource source = CountSource::Local;
    int alert = 1;
    struct Follow {
        Anchor anchor;
        qint64 nowMs;
        bool prompts;
    };
    QList<Follow> follows;
    Plan plan;
    QList<Plan> taken;
    QStringList logs;
    QString status;
    bool statusRed = false;
    QStringList identified;
    QStringList texts;
    int soundTests = 0;
    std::function<void(bool, QString)> soundDone;  // the sound test still playing
    OutputHealth output = OutputHealth::Ok;

    RoomLink::Hooks hooks() {
        RoomLink::Hooks h;
        h.count = [this](qint64 now) {
            return RoomLink::Count{anchor, source, DisplayText(anchor.valueAt(now)), alert,
                                   QStringLiteral("语文")};
        };
        h.follow = [this](const Anchor& a, qint64 now, bool prompts) {
            follows.append({a, now, prompts});
            anchor = a;
            source = CountSource::Office;
        };
        h.plan = [this] { return plan; };
        h.takePlan = [this](const Plan& p) {
            taken << p;
            plan = p;
        };
        h.soundTest = [this](std::function<void(bool, QString)> done) {
            ++soundTests;
            soundDone = std::move(done);
        };
        h.identify = [this](const QString& text, int ms) {
            identified << QStringLiteral("%1/%2").arg(text).arg(ms);
        };
        h.showText = [this](const QString& text) { texts << text; };
        h.output = [this] { return output; };
        h.screen = [] { return Reported::Screen{QStringLiteral("HDMI-1"), 1024, 768, true}; };
        h.log = [this](const QString& line) { logs << line; };
        h.status = [this](const QString& text, bool red) {
            status = text;
            statusRed = red;
        };
        return h;
    }
};

RoomLinkConfig Config() {
    RoomLinkConfig c;
    c.enabled = true;
    c.host = QStringLiteral("broker.exam");
    c.port = 1883;
    c.site = kSite;
    c.room = kRoom;
    c.password = QStringLiteral("A101-pw");
    return c;
}

Anchor Running(qint64 atMs, int value = 5400, int duration = 9000) {
    Anchor a;
    a.phase = CountPhase::Main;
    a.duration = duration;
    a.value = value;
    a.atMs = atMs;
    a.session = QStringLiteral("d1-yuwen");
    return a;
}

QByteArray DesiredPayload(int rev, const Anchor& a) {
    return EncodeDesired({rev, QStringLiteral("office1"), QStringLiteral("停电10分钟"), a});
}

// A room on the fake platform, its link open and connected.
struct Rig {
    explicit Rig(const QString& statePath = QString()) {
        fake.clockStatus.set(ClockSync::Synced);
        fake.siteLink.connectOnOpen = true;
        room.anchor.duration = 3600;
        room.anchor.value = 3600;
        link = std::make_unique<RoomLink>(
            fake.siteLink, fake.time, &fake.clockStatus, room.hooks(),
            RoomLink::Identity{QStringLiteral("2.1.0"), QStringLiteral("exam-a101")});
        link->open(Config(), statePath);
    }
    qint64 now() const { return fake.time.now().toMSecsSinceEpoch(); }
    QList<Reported> reports() const {
        QList<Reported> out;
        for (const QByteArray& p : fake.siteLink.payloadsOn(Topic(QStringLiteral("reported"))))
            if (auto r = DecodeReported(p)) out << *r;
        return out;
    }
    QList<Ack> acks() const {
        QList<Ack> out;
        for (const QByteArray& p : fake.siteLink.payloadsOn(Topic(QStringLiteral("ack"))))
            if (auto a = DecodeAck(p)) out << *a;
        return out;
    }
    QList<RoomEvent> events() const {
        QList<RoomEvent> out;
        for (const QByteArray& p : fake.siteLink.payloadsOn(Topic(QStringLiteral("event"))))
            if (auto e = DecodeEvent(p)) out << *e;
        return out;
    }
    QList<RoomEvent::Kind> eventKinds() const {
        QList<RoomEvent::Kind> out;
        for (const RoomEvent& e : events())
            out << e.kind;
        return out;
    }
    FakeTimeSource& time() { return fake.time; }
    FakeSiteLink& siteLink() { return fake.siteLink; }

    FakePlatform fake;
    FakeRoom room;
    std::unique_ptr<RoomLink> link;
};

}  // namespace

class RoomLinkTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void connectsAsItselfWithItsWill();
    void reportCarriesWhatTheRoomShows();
    void reportsAtChangesAndEveryTenSeconds_data();
    void reportsAtChangesAndEveryTenSeconds();
    void republishesOnReconnect();
    void desiredAtItsSecond_data();
    void desiredAtItsSecond();
    void desiredRevOrder();
    void appliedRevSurvivesRestart();
    void planTakeOver_data();
    void planTakeOver();
    void commandsAcked_data();
    void commandsAcked();
    void dropsBadAndForeignMessages_data();
    void dropsBadAndForeignMessages();
    void floodOfBadMessages();
    void probeMeasuresOffset_data();
    void probeMeasuresOffset();
    void eventsOfTheCount();
    void clockStepTold();
    void eventsHeldWhileDisconnected();
    void siteStateFile_data();
    void siteStateFile();
    void configProblems_data();
    void configProblems();
};

void RoomLinkTest::connectsAsItselfWithItsWill() {
    Rig rig;
    QCOMPARE(rig.siteLink().opened.size(), 1);
    const LinkSettings s = rig.siteLink().opened.first();
    QCOMPARE(s.user, kRoom);
    QCOMPARE(s.clientId, kRoom);
    QCOMPARE(s.password, QStringLiteral("A101-pw"));
    QCOMPARE(s.willTopic, Topic(QStringLiteral("presence")));
    QCOMPARE(s.willPayload, QByteArray("offline"));
    QVERIFY(s.willRetain);
    // It hears its own orders and the plan, and nothing of another room.
    QVERIFY(rig.siteLink().subscribedTo(SiteTopic(kSite, QStringLiteral("plan"))));
    for (const QString& leaf :
         {QStringLiteral("desired"), QStringLiteral("cmd"), QStringLiteral("tpong")})
        QVERIFY(rig.siteLink().subscribedTo(Topic(leaf)));
    QVERIFY(!rig.siteLink().subscribedTo(
        RoomTopic(kSite, QStringLiteral("A102"), QStringLiteral("desired"))));
    // Online, retained; and a clean close says offline before it goes.
    const auto presence = rig.siteLink().payloadsOn(Topic(QStringLiteral("presence")));
    QCOMPARE(presence, QList<QByteArray>{"online"});
    QVERIFY(rig.siteLink().published.first().retain);
    QCOMPARE(rig.room.status, QStringLiteral("已连接考务中心"));
    QVERIFY(!rig.room.statusRed);
    rig.link->close();
    QCOMPARE(rig.siteLink().payloadsOn(Topic(QStringLiteral("presence"))).last(),
             QByteArray("offline"));
    QCOMPARE(rig.siteLink().closes, 1);
    QCOMPARE(rig.room.status, QString());
}

void RoomLinkTest::reportCarriesWhatTheRoomShows() {
    Rig rig;
    rig.room.anchor = Running(rig.now(), 5400);
    rig.room.source = CountSource::Plan;
    rig.room.alert = 2;
    rig.room.output = OutputHealth::Muted;
    rig.time().advance(1500);
    rig.link->countChanged(CountEvent::Changed);
    const Reported r = rig.reports().last();
    QCOMPARE(r.room, kRoom);
    QCOMPARE(r.source, CountSource::Plan);
    QCOMPARE(r.anchor, rig.room.anchor);
    QCOMPARE(r.shown, QStringLiteral("01∶29∶59"));
    QCOMPARE(r.alert, 2);
    QCOMPARE(r.title, QStringLiteral("语文"));
    QVERIFY(r.clockSynced);
    QCOMPARE(r.output, OutputHealth::Muted);
    QCOMPARE(r.screen.name, QStringLiteral("HDMI-1"));
    QCOMPARE(r.version, QStringLiteral("2.1.0"));
    QCOMPARE(r.host, QStringLiteral("exam-a101"));
    QCOMPARE(r.atMs, rig.now());
    QVERIFY(rig.siteLink().published.last().retain);
}

void RoomLinkTest::reportsAtChangesAndEveryTenSeconds_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("more");
    QTest::newRow("a pause") << "pause" << 1;
    QTest::newRow("a warning") << "warning" << 1;
    QTest::newRow("a step is no change") << "step" << 0;
    QTest::newRow("9.9 s later") << "9900" << 0;
    QTest::newRow("10 s later") << "10000" << 1;
    QTest::newRow("35 s later") << "35000" << 3;
}

void RoomLinkTest::reportsAtChangesAndEveryTenSeconds() {
    QFETCH(QString, what);
    QFETCH(int, more);
    Rig rig;
    const qsizetype before = rig.reports().size();
    QCOMPARE(before, 1);  // the first, on connecting
    if (what == QLatin1String("pause"))
        rig.link->countChanged(CountEvent::Pause);
    else if (what == QLatin1String("warning"))
        rig.link->countChanged(CountEvent::Warning);
    else if (what == QLatin1String("step"))
        rig.link->countChanged(CountEvent::Step);
    else
        rig.time().advance(what.toInt());
    QCOMPARE(rig.reports().size() - before, qsizetype(more));
}

void RoomLinkTest::republishesOnReconnect() {
    Rig rig;
    rig.siteLink().setState(LinkState::Disconnected, QStringLiteral("连接断开"));
    QCOMPARE(rig.room.status, QStringLiteral("与考务中心断开（连接断开）"));
    QVERIFY(rig.room.statusRed);
    rig.time().advance(10000);  // no report while away
    QCOMPARE(rig.reports().size(), 1);
    rig.siteLink().setState(LinkState::Connected);
    QCOMPARE(rig.reports().size(), 2);
    QCOMPARE(rig.siteLink().payloadsOn(Topic(QStringLiteral("presence"))),
             (QList<QByteArray>{"online", "online"}));
    QCOMPARE(rig.siteLink().payloadsOn(Topic(QStringLiteral("tping"))).size(), 2);
    QVERIFY(!rig.room.statusRed);
}

void RoomLinkTest::desiredAtItsSecond_data() {
    QTest::addColumn<qint64>("atFromNow");  // the order's second, from when it is heard
    QTest::addColumn<qint64>("wait");       // then the clock moves on this much
    QTest::addColumn<bool>("applied");
    QTest::addColumn<bool>("late");
    QTest::newRow("before its second") << qint64(5000) << qint64(4999) << false << false;
    QTest::newRow("at its second") << qint64(5000) << qint64(5000) << true << false;
    QTest::newRow("heard on its second") << qint64(0) << qint64(0) << true << false;
    const qint64 days2 = 2LL * 24 * 3600 * 1000;
    QTest::newRow("2 days ahead, a second before") << days2 << days2 - 1000 << false << false;
    QTest::newRow("2 days ahead, on its second") << days2 << days2 << true << false;
    QTest::newRow("heard 0.9 s after") << qint64(-900) << qint64(0) << true << false;
    QTest::newRow("heard 3 s after") << qint64(-3000) << qint64(0) << true << true;
}

void RoomLinkTest::desiredAtItsSecond() {
    QFETCH(qint64, atFromNow);
    QFETCH(qint64, wait);
    QFETCH(bool, applied);
    QFETCH(bool, late);
    Rig rig;
    rig.time().advance(300);  // not on a whole second of the test's clock
    const qint64 heard = rig.now();
    const Anchor a = Running(heard + atFromNow, 600, 600);
    rig.siteLink().deliver(Topic(QStringLiteral("desired")), DesiredPayload(7, a));
    rig.time().advance(wait);
    QCOMPARE(rig.room.follows.size(), applied ? 1 : 0);
    QCOMPARE(rig.link->appliedRev(), applied ? 7 : 0);
    if (!applied) {
        QVERIFY(rig.acks().isEmpty());
        return;
    }
    const auto f = rig.room.follows.first();
    QCOMPARE(f.anchor, a);
    QCOMPARE(f.nowMs, qMax(heard, a.atMs));
    // On time, it starts as the operator's 计时 would (its prompts); late, quietly.
    QCOMPARE(f.prompts, !late);
    QCOMPARE(rig.acks().size(), 1);
    QCOMPARE(rig.acks().first().id, QStringLiteral("desired:7"));
    QVERIFY(rig.acks().first().ok);
    QCOMPARE(rig.eventKinds().contains(RoomEvent::Kind::LateApply), late);
    QCOMPARE(rig.acks().first().detail.contains(QStringLiteral("迟到")), late);
    // The report says which order it follows, once it follows it.
    QCOMPARE(rig.reports().last().appliedRev, 7);
    QCOMPARE(rig.reports().last().source, CountSource::Office);
}

void RoomLinkTest::desiredRevOrder() {
    Rig rig;
    const qint64 now = rig.now();
    rig.siteLink().deliver(Topic(QStringLiteral("desired")), DesiredPayload(5, Running(now)));
    QCOMPARE(rig.link->appliedRev(), 5);
    // An older rev is refused and says so; the same rev, retained again, is nothing new.
    rig.siteLink().deliver(Topic(QStringLiteral("desired")), DesiredPayload(4, Running(now)));
    rig.siteLink().deliver(Topic(QStringLiteral("desired")), DesiredPayload(5, Running(now)), true);
    QCOMPARE(rig.room.follows.size(), 1);
    QCOMPARE(rig.acks().size(), 2);
    QCOMPARE(rig.acks().last().id, QStringLiteral("desired:4"));
    QVERIFY(!rig.acks().last().ok);
    // A newer order waiting for its second is replaced by a still newer one, not by an older.
    rig.siteLink().deliver(Topic(QStringLiteral("desired")),
                           DesiredPayload(7, Running(now + 10000, 100)));
    rig.siteLink().deliver(Topic(QStringLiteral("desired")),
                           DesiredPayload(6, Running(now + 5000, 200)));
    rig.time().advance(6000);
    QCOMPARE(rig.room.follows.size(), 1);
    rig.siteLink().deliver(Topic(QStringLiteral("desired")),
                           DesiredPayload(8, Running(now + 8000, 300)));
    rig.time().advance(5000);
    QCOMPARE(rig.room.follows.size(), 2);
    QCOMPARE(rig.room.follows.last().anchor.value, 300);
    QCOMPARE(rig.link->appliedRev(), 8);
}

void RoomLinkTest::appliedRevSurvivesRestart() {
    QTemporaryDir dir;
    const QString path = dir.filePath(kSiteStateFileName);
    const Anchor a = Running(QDateTime(QDate(2007, 1, 31), QTime(16, 55)).toMSecsSinceEpoch());
    {
        Rig rig(path);
        rig.siteLink().deliver(Topic(QStringLiteral("desired")), DesiredPayload(12, a));
        QCOMPARE(rig.link->appliedRev(), 12);
    }
    const SiteState saved = ReadSiteState(path);
    QCOMPARE(saved.appliedRev, 12);
    QVERIFY(saved.applied);
    QCOMPARE(saved.applied->anchor, a);
    // The room starts again: the retained order it had applied is not applied a second time.
    Rig again(path);
    QCOMPARE(again.link->appliedRev(), 12);
    again.siteLink().deliver(Topic(QStringLiteral("desired")), DesiredPayload(12, a), true);
    QVERIFY(again.room.follows.isEmpty());
    QVERIFY(again.acks().isEmpty());
}

void RoomLinkTest::planTakeOver_data() {
    QTest::addColumn<int>("ownRev");
    QTest::addColumn<int>("officeRev");
    QTest::addColumn<bool>("taken");
    QTest::newRow("newer") << 1 << 3 << true;
    QTest::newRow("the same") << 3 << 3 << false;
    QTest::newRow("older") << 4 << 3 << false;
}

void RoomLinkTest::planTakeOver() {
    QFETCH(int, ownRev);
    QFETCH(int, officeRev);
    QFETCH(bool, taken);
    Rig rig;
    rig.room.plan.rev = ownRev;
    Plan office;
    office.rev = officeRev;
    office.by = QStringLiteral("office1");
    PlanSession s;
    s.id = QStringLiteral("d1-yuwen");
    s.title = QStringLiteral("语文");
    s.startMs = rig.now() + 3600'000;
    s.duration = 9000;
    office.sessions << s;
    rig.siteLink().deliver(SiteTopic(kSite, QStringLiteral("plan")), EncodePlan(office), true);
    QCOMPARE(rig.room.taken.size(), taken ? 1 : 0);
    if (taken) QCOMPARE(rig.room.taken.first(), office);
    QCOMPARE(rig.link->droppedCount(), 0);
}

void RoomLinkTest::commandsAcked_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("soundPlays");
    QTest::addColumn<bool>("ok");
    QTest::newRow("sound test heard") << int(Command::Kind::SoundTest) << QString() << true << true;
    QTest::newRow("sound test not heard")
        << int(Command::Kind::SoundTest) << QString() << false << false;
    QTest::newRow("identify") << int(Command::Kind::Identify) << QString() << true << true;
    QTest::newRow("show text") << int(Command::Kind::ShowText) << QStringLiteral("请停笔") << true
                               << true;
    QTest::newRow("text away") << int(Command::Kind::ShowText) << QString() << true << true;
}

void RoomLinkTest::commandsAcked() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(bool, soundPlays);
    QFETCH(bool, ok);
    Rig rig;
    Command c;
    c.id = QStringLiteral("c-42");
    c.kind = Command::Kind(kind);
    c.text = text;
    c.by = QStringLiteral("office1");
    rig.siteLink().deliver(Topic(QStringLiteral("cmd")), EncodeCommand(c));
    // The broker brings it twice: done once.
    rig.siteLink().deliver(Topic(QStringLiteral("cmd")), EncodeCommand(c));
    if (c.kind == Command::Kind::SoundTest) {
        QCOMPARE(rig.room.soundTests, 1);
        QVERIFY(rig.acks().isEmpty());  // not before it is known whether it played
        rig.room.soundDone(
            soundPlays, soundPlays ? QStringLiteral("已播放") : QStringLiteral("声音输出已静音"));
    }
    if (c.kind == Command::Kind::Identify)
        QCOMPARE(rig.room.identified, QStringList{QStringLiteral("A101/10000")});
    if (c.kind == Command::Kind::ShowText) QCOMPARE(rig.room.texts, QStringList{text});
    QCOMPARE(rig.acks().size(), 1);
    QCOMPARE(rig.acks().first().id, c.id);
    QCOMPARE(rig.acks().first().ok, ok);
    QVERIFY(!rig.acks().first().detail.isEmpty());
}

void RoomLinkTest::dropsBadAndForeignMessages_data() {
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QByteArray>("payload");
    const QByteArray good = DesiredPayload(9, Running(0));
    QTest::newRow("not JSON") << Topic(QStringLiteral("desired")) << QByteArray("{\"v\":1,");
    QTest::newRow("another version")
        << Topic(QStringLiteral("desired")) << QByteArray(good).replace("\"v\":1", "\"v\":2");
    QTest::newRow("rev of the wrong type")
        << Topic(QStringLiteral("desired"))
        << QByteArray(good).replace("\"rev\":9", "\"rev\":\"9\"");
    QTest::newRow("oversized") << Topic(QStringLiteral("desired"))
                               << (good.left(good.size() - 1) + ",\"pad\":\"" +
                                   QByteArray(kMaxPayloadBytes, 'x') + "\"}");
    QTest::newRow("another room's order")
        << RoomTopic(kSite, QStringLiteral("A102"), QStringLiteral("desired")) << good;
    QTest::newRow("another site") << RoomTopic(QStringLiteral("s2"), kRoom,
                                               QStringLiteral("desired"))
                                  << good;
    QTest::newRow("a topic the room does not take") << Topic(QStringLiteral("reported")) << good;
    QTest::newRow("a bad command") << Topic(QStringLiteral("cmd")) << QByteArray("[1,2]");
    QTest::newRow("a bad plan") << SiteTopic(kSite, QStringLiteral("plan"))
                                << QByteArray("{\"v\":1,\"rev\":\"x\"}");
    QTest::newRow("a bad pong") << Topic(QStringLiteral("tpong")) << QByteArray("null");
}

void RoomLinkTest::dropsBadAndForeignMessages() {
    QFETCH(QString, topic);
    QFETCH(QByteArray, payload);
    Rig rig;
    const qsizetype published = rig.siteLink().published.size();
    rig.siteLink().deliver(topic, payload);
    QVERIFY(rig.room.follows.isEmpty());
    QVERIFY(rig.room.taken.isEmpty());
    QCOMPARE(rig.link->appliedRev(), 0);
    QCOMPARE(rig.siteLink().published.size(), published);  // no ack, no report
    QCOMPARE(rig.link->droppedCount(), 1);
    QVERIFY(rig.room.logs.last().contains(QStringLiteral("丢弃")));
}

void RoomLinkTest::floodOfBadMessages() {
    Rig rig;
    const qsizetype lines = rig.room.logs.size();
    for (int i = 0; i < 10'000; ++i)
        rig.siteLink().deliver(Topic(i % 2 ? QStringLiteral("desired") : QStringLiteral("cmd")),
                               QByteArray("garbage ") + QByteArray::number(i));
    QCOMPARE(rig.link->droppedCount(), 10'000);
    // A few lines, not ten thousand.
    QCOMPARE(rig.room.logs.size() - lines, qsizetype(RoomLink::kDropLinesPerMinute));
    // A minute later the rest is summed up in one line.
    rig.time().advance(60'000);
    rig.siteLink().deliver(Topic(QStringLiteral("desired")), "garbage");
    QVERIFY(rig.room.logs.join(u'\n').contains(QStringLiteral("另有9995条")));
    // And a good order still works.
    rig.siteLink().deliver(Topic(QStringLiteral("desired")), DesiredPayload(1, Running(rig.now())));
    QCOMPARE(rig.link->appliedRev(), 1);
}

void RoomLinkTest::probeMeasuresOffset_data() {
    QTest::addColumn<int>("sync");
    QTest::addColumn<qint64>("officeAhead");  // the office's clock minus the room's
    QTest::addColumn<bool>("matching");       // the answer is to the probe sent
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("red");
    QTest::newRow("in step") << int(ClockSync::Synced) << qint64(30) << true
                             << QStringLiteral("已连接考务中心") << false;
    QTest::newRow("0.8 s behind") << int(ClockSync::Synced) << qint64(800) << true
                                  << QStringLiteral("已连接考务中心  时钟偏差 0.8 秒") << true;
    QTest::newRow("1.2 s ahead") << int(ClockSync::Synced) << qint64(-1200) << true
                                 << QStringLiteral("已连接考务中心  时钟偏差 1.2 秒") << true;
    QTest::newRow("an answer to another probe") << int(ClockSync::Synced) << qint64(800) << false
                                                << QStringLiteral("已连接考务中心") << false;
    QTest::newRow("not synchronised") << int(ClockSync::Unsynced) << qint64(0) << true
                                      << QStringLiteral("已连接考务中心  时钟未同步") << true;
}

void RoomLinkTest::probeMeasuresOffset() {
    QFETCH(int, sync);
    QFETCH(qint64, officeAhead);
    QFETCH(bool, matching);
    QFETCH(QString, status);
    QFETCH(bool, red);
    Rig rig;
    rig.fake.clockStatus.set(ClockSync(sync));
    const auto pings = rig.siteLink().payloadsOn(Topic(QStringLiteral("tping")));
    QCOMPARE(pings.size(), 1);  // one on connecting
    auto ping = DecodePing(pings.first());
    QVERIFY(ping);
    QCOMPARE(ping->t0, rig.now());
    // The office answers 40 ms later by the room's clock (20 ms each way).
    Probe answer = *ping;
    if (!matching) answer.id += 1;
    answer.t1 = ping->t0 + 20 + officeAhead;
    answer.t2 = answer.t1;
    rig.time().advance(40);
    rig.siteLink().deliver(Topic(QStringLiteral("tpong")), EncodePong(answer));
    QCOMPARE(rig.link->offsetMs().has_value(), matching);
    if (matching) QCOMPARE(*rig.link->offsetMs(), officeAhead);
    QCOMPARE(rig.room.status, status);
    QCOMPARE(rig.room.statusRed, red);
    const Reported r = rig.reports().last();
    QCOMPARE(r.clockSynced, ClockSync(sync) == ClockSync::Synced);
    QCOMPARE(r.clockOffsetMs.has_value(), matching);
    if (matching) QCOMPARE(qint64(*r.clockOffsetMs), officeAhead);
    // The office coming online measures the clock at once while it is not known; and every
    // 30 s again.
    rig.siteLink().deliver(SiteTopic(kSite, QStringLiteral("office/presence")),
                           EncodePresence(Presence::Online), true);
    const int afterOffice = matching ? 1 : 2;
    QCOMPARE(rig.siteLink().payloadsOn(Topic(QStringLiteral("tping"))).size(), afterOffice);
    rig.time().advance(30'000);
    QCOMPARE(rig.siteLink().payloadsOn(Topic(QStringLiteral("tping"))).size(), afterOffice + 1);
}

void RoomLinkTest::eventsOfTheCount() {
    Rig rig;
    rig.siteLink().deliver(Topic(QStringLiteral("desired")), DesiredPayload(3, Running(rig.now())));
    rig.link->countChanged(CountEvent::Warning);
    rig.link->countChanged(CountEvent::Step);
    // The operator pauses the office's count: a local override.
    rig.room.source = CountSource::Local;
    rig.link->countChanged(CountEvent::Pause);
    rig.link->countChanged(CountEvent::Resume);  // the room's own already: nothing more
    rig.link->countChanged(CountEvent::TimeUp);
    rig.link->promptFailed(QStringLiteral("Ksksly.wav"), QStringLiteral("文件不存在"));
    rig.link->screenLost(QStringLiteral("HDMI-1"));
    using K = RoomEvent::Kind;
    QCOMPARE(rig.eventKinds(),
             (QList<K>{K::Warning, K::LocalOverride, K::TimeUp, K::PromptFailed, K::ScreenLost}));
    const RoomEvent over = rig.events().at(1);
    QCOMPARE(over.room, kRoom);
    QVERIFY(over.detail.contains(QStringLiteral("暂停")));
    QVERIFY(over.detail.contains(QStringLiteral("考务中心")));
    QVERIFY(over.anchor);
    // The report after it says the count is the room's own.
    QCOMPARE(rig.reports().last().source, CountSource::Local);
    // A plan's count taken by the operator is one too.
    rig.room.source = CountSource::Plan;
    rig.link->countChanged(CountEvent::Anchored);
    rig.room.source = CountSource::Local;
    rig.link->countChanged(CountEvent::Reset);
    QCOMPARE(rig.eventKinds().last(), K::LocalOverride);
    QVERIFY(rig.events().last().detail.contains(QStringLiteral("考试安排")));
}

void RoomLinkTest::clockStepTold() {
    Rig rig;
    // An order for 60 s from now waits; then the clock is set 2 minutes on.
    rig.siteLink().deliver(Topic(QStringLiteral("desired")),
                           DesiredPayload(2, Running(rig.now() + 60'000)));
    rig.time().advance(1000);
    QVERIFY(rig.room.follows.isEmpty());
    rig.time().setNow(rig.time().now().addSecs(120));
    rig.time().advance(10'000);  // the next report looks at the clock
    using K = RoomEvent::Kind;
    QVERIFY(rig.eventKinds().contains(K::ClockStepped));
    // The order's second has passed on the clock as it now stands: applied, late.
    QCOMPARE(rig.room.follows.size(), 1);
    QVERIFY(rig.eventKinds().contains(K::LateApply));
    // A small drift is no step.
    const qsizetype events = rig.events().size();
    rig.time().setNow(rig.time().now().addMSecs(500));
    rig.time().advance(10'000);
    QCOMPARE(rig.events().size(), events);
}

void RoomLinkTest::eventsHeldWhileDisconnected() {
    Rig rig;
    rig.siteLink().setState(LinkState::Disconnected, QStringLiteral("连接断开"));
    rig.link->countChanged(CountEvent::Warning);
    rig.link->countChanged(CountEvent::TimeUp);
    QVERIFY(rig.events().isEmpty());
    rig.siteLink().setState(LinkState::Connected);
    using K = RoomEvent::Kind;
    QCOMPARE(rig.eventKinds(), (QList<K>{K::Warning, K::TimeUp}));
}

void RoomLinkTest::siteStateFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rev");
    QTest::addColumn<bool>("anchor");
    const Desired d{4, QStringLiteral("office1"), QString(), Running(1'000'000)};
    const QByteArray good = EncodeSiteState({4, d});
    QTest::newRow("written") << good << 4 << true;
    QTest::newRow("empty") << QByteArray() << 0 << false;
    QTest::newRow("rev not a number") << QByteArray("appliedRev=x\n") << 0 << false;
    QTest::newRow("anchor of another rev")
        << QByteArray(good).replace("appliedRev=4", "appliedRev=5") << 5 << false;
    QTest::newRow("anchor cut short") << good.left(good.size() - 10) << 4 << false;
}

void RoomLinkTest::siteStateFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, rev);
    QFETCH(bool, anchor);
    const SiteState s = DecodeSiteState(bytes);
    QCOMPARE(s.appliedRev, rev);
    QCOMPARE(s.applied.has_value(), anchor);
    if (anchor) QCOMPARE(s.applied->anchor, Running(1'000'000));
}

void RoomLinkTest::configProblems_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("problem");  // a word of the message; empty: fine
    QTest::newRow("fine") << ""
                          << ""
                          << "";
    QTest::newRow("no host") << "host"
                             << ""
                             << "地址";
    QTest::newRow("port 0") << "port"
                            << "0"
                            << "端口";
    QTest::newRow("port 65536") << "port"
                                << "65536"
                                << "端口";
    QTest::newRow("port 65535") << "port"
                                << "65535"
                                << "";
    QTest::newRow("port not a number") << "port"
                                       << "18a3"
                                       << "端口";
    QTest::newRow("site with a slash") << "site"
                                       << "s/1"
                                       << "考点编号";
    QTest::newRow("room with a plus") << "room"
                                      << "A+1"
                                      << "考场编号";
    QTest::newRow("no room") << "room"
                             << ""
                             << "考场编号";
    QTest::newRow("no password") << "password"
                                 << ""
                                 << "密码";
    QTest::newRow("missing CA") << "ca"
                                << "/nonexistent/ca.crt"
                                << "CA";
}

void RoomLinkTest::configProblems() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, problem);
    QMap<QString, QString> values = Config().values();
    values.insert(QStringLiteral("site/tls"), QStringLiteral("true"));
    if (!field.isEmpty()) values.insert(QStringLiteral("site/") + field, value);
    const RoomLinkConfig c =
        RoomLinkConfig::FromValues([&](const QString& key) { return values.value(key); });
    if (problem.isEmpty())
        QVERIFY2(c.problem().isEmpty(), qPrintable(c.problem()));
    else
        QVERIFY2(c.problem().contains(problem), qPrintable(c.problem()));
    // The keys read back what they wrote.
    if (problem.isEmpty()) QCOMPARE(c.values(), values);
}

QTEST_MAIN(RoomLinkTest)
#include "unit_room_link.moc"
