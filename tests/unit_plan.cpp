// The day's plan without a window: anchors and the digits they give at later seconds, the
// plan's JSON read and refused, the starts of once, daily and weekday sessions in a room with
// its extra time, overlaps, and the CSV of a spreadsheet in UTF-8 and GBK, good, bad and mixed.
#include <QStringEncoder>
#include <QtTest>
#include <ctime>

#include "PlanSamples.h"
#include "core/Anchor.h"
#include "plan/Plan.h"
#include "plan/PlanCsv.h"

namespace {

// Instants in the room's zone (the tests run in China Standard Time, no daylight saving).
qint64 At(const QString& iso) {
    const auto t = ParseInstant(iso);
    if (!t) qFatal("bad instant %s", qPrintable(iso));
    return *t;
}

Anchor Running(bool up, int duration, int value, qint64 at) {
    Anchor a;
    a.phase = CountPhase::Main;
    a.countUp = up;
    a.duration = duration;
    a.value = value;
    a.atMs = at;
    return a;
}

}  // namespace

Q_DECLARE_METATYPE(Anchor)

class PlanTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "Asia/Shanghai");
        tzset();
    }
    void anchorValue_data();
    void anchorValue();
    void instants();
    void jsonRoundTrip();
    void jsonRefused_data();
    void jsonRefused();
    void occurrences();
    void currentAndNext();
    void csvGood_data();
    void csvGood();
    void csvBad_data();
    void csvBad();
    void csvRoundTrip();
    void planLimits();
    void nextStart();
    void durationProblem_data();
    void durationProblem();
    void roomsAndExtra_data();
    void roomsAndExtra();
};

void PlanTest::anchorValue_data() {
    const qint64 t0 = At(QStringLiteral("2026-12-10T09:00:00.000+08:00"));
    QTest::addColumn<Anchor>("anchor");
    QTest::addColumn<qint64>("now");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("ended");
    const Anchor down = Running(false, 9000, 9000, t0);
    QTest::newRow("down, at its instant") << down << t0 << 9000 << false;
    QTest::newRow("down, 999 ms on") << down << t0 + 999 << 9000 << false;
    QTest::newRow("down, 1 s on") << down << t0 + 1000 << 8999 << false;
    QTest::newRow("down, before its instant") << down << t0 - 5000 << 9000 << false;
    QTest::newRow("down, 0 shown at the end") << down << t0 + 9000'000 << 0 << false;
    QTest::newRow("down, the step after 0 ends it") << down << t0 + 9001'000 << 0 << true;
    const Anchor up = Running(true, 600, 0, t0);
    QTest::newRow("up, 10 s on") << up << t0 + 10'500 << 10 << false;
    QTest::newRow("up, the duration shown") << up << t0 + 600'000 << 600 << false;
    QTest::newRow("up, ended one step later") << up << t0 + 601'000 << 600 << true;
    Anchor paused = down;
    paused.paused = true;
    QTest::newRow("paused stands") << paused << t0 + 3600'000 << 9000 << false;
    Anchor timeUp = down;
    timeUp.phase = CountPhase::TimeUp;
    timeUp.value = 0;
    QTest::newRow("time-up stands") << timeUp << t0 + 3600'000 << 0 << false;
}

void PlanTest::anchorValue() {
    QFETCH(Anchor, anchor);
    QFETCH(qint64, now);
    QFETCH(int, value);
    QFETCH(bool, ended);
    QCOMPARE(anchor.valueAt(now), value);
    QCOMPARE(anchor.endedAt(now), ended);
    // The same count re-anchored later shows the same digits from then on.
    const Anchor later = anchor.at(now);
    for (qint64 dt : {0, 400, 1000, 7000})
        if (!anchor.endedAt(now + dt)) QCOMPARE(later.valueAt(now + dt), anchor.valueAt(now + dt));
}

void PlanTest::instants() {
    const qint64 t = At(QStringLiteral("2026-12-10T09:00:00.250+08:00"));
    QCOMPARE(InstantText(t), QStringLiteral("2026-12-10T09:00:00.250+08:00"));
    QCOMPARE(ParseInstant(QStringLiteral("2026-12-10T01:00:00.250Z")), t);
    QCOMPARE(ParseInstant(QStringLiteral("2026-12-10T09:00:00")), std::nullopt);  // no offset
    QCOMPARE(ParseInstant(QStringLiteral("yesterday")), std::nullopt);
    QCOMPARE(ParseInstant(QString(500, u'9')), std::nullopt);
}

void PlanTest::jsonRoundTrip() {
    Plan plan;
    plan.rev = 3;
    plan.by = QStringLiteral("office1");
    PlanSession yuwen = Session(QStringLiteral("d1-yuwen"), QStringLiteral("语文"),
                                At(QStringLiteral("2026-12-10T09:00:00.000+08:00")), 9000, 900);
    yuwen.warning = 900;
    yuwen.extra.insert(QStringLiteral("A103"), 1800);
    PlanSession shift = Session(QStringLiteral("shift"), QStringLiteral("交班"),
                                At(QStringLiteral("2026-12-09T08:00:00.000+08:00")), 5);
    shift.repeat = PlanSession::Repeat::Daily;
    shift.rooms = {QStringLiteral("A101"), QStringLiteral("A102")};
    shift.countUp = true;
    plan.sessions = {yuwen, shift};
    const PlanRead back = DecodePlan(EncodePlan(plan));
    QVERIFY2(back.plan, qPrintable(back.error));
    QCOMPARE(*back.plan, plan);
    // The office's own example, with its fields only, reads too.
    const PlanRead office = DecodePlan(
        R"({"v":1, "rev":3, "by":"office1",
 "sessions":[{"id":"d1-yuwen", "title":"语文", "start":"2026-12-10T09:00:00.000+08:00",
              "duration":9000, "prep":900, "warning":900, "interval":0,
              "rooms":["*"], "extra":{"A103":1800}}]})");
    QVERIFY2(office.plan, qPrintable(office.error));
    QCOMPARE(office.plan->sessions.first().durationIn(QStringLiteral("A103")), 10800);
    QCOMPARE(office.plan->sessions.first().durationIn(QStringLiteral("A101")), 9000);
}

void PlanTest::jsonRefused_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("why");  // a word the message must hold
    const QByteArray head = R"({"v":1,"rev":1,"sessions":[)";
    auto one = [&](const QByteArray& session) { return head + session + "]}"; };
    const QByteArray ok =
        R"({"id":"a","title":"语文","start":"2026-12-10T09:00:00.000+08:00","duration":60)";
    QTest::newRow("not JSON") << QByteArray("{\"v\":1,") << QStringLiteral("JSON");
    QTest::newRow("an array") << QByteArray("[]") << QStringLiteral("JSON");
    QTest::newRow("version 2") << QByteArray(R"({"v":2,"rev":1,"sessions":[]})")
                               << QStringLiteral("版本");
    QTest::newRow("rev a text") << QByteArray(R"({"v":1,"rev":"1","sessions":[]})")
                                << QStringLiteral("rev");
    QTest::newRow("no sessions") << QByteArray(R"({"v":1,"rev":1})") << QStringLiteral("sessions");
    QTest::newRow("duration 0")
        << one(R"({"id":"a","start":"2026-12-10T09:00:00.000+08:00","duration":0})")
        << QStringLiteral("duration");
    QTest::newRow("duration over 99:59:59")
        << one(R"({"id":"a","start":"2026-12-10T09:00:00.000+08:00","duration":360000})")
        << QStringLiteral("duration");
    QTest::newRow("duration a fraction")
        << one(R"({"id":"a","start":"2026-12-10T09:00:00.000+08:00","duration":1.5})")
        << QStringLiteral("duration");
    QTest::newRow("start without its zone")
        << one(R"({"id":"a","start":"2026-12-10T09:00:00","duration":60})")
        << QStringLiteral("时区");
    QTest::newRow("no id") << one(R"({"start":"2026-12-10T09:00:00.000+08:00","duration":60})")
                           << QStringLiteral("id");
    QTest::newRow("warning beyond the duration")
        << one(ok + R"(,"warning":61})") << QStringLiteral("预警");
    QTest::newRow("a room with a slash")
        << one(ok + R"(,"rooms":["A1/#"]})") << QStringLiteral("考场号");
    QTest::newRow("extra beyond 99:59:59")
        << one(ok + R"(,"extra":{"A1":359990}})") << QStringLiteral("加时");
    QTest::newRow("repeat unknown")
        << one(ok + R"(,"repeat":"hourly"})") << QStringLiteral("repeat");
    QTest::newRow("title of control characters")
        << one(QByteArray(ok).replace("语文", "\\u0007") + "}") << QStringLiteral("科目");
    QTest::newRow("two ids alike") << head + ok + "}," + ok + "}]}" << QStringLiteral("编号相同");
    QTest::newRow("overlap")
        << head + ok + R"(,"duration":3600},)" +
               R"({"id":"b","title":"数学","start":"2026-12-10T09:30:00.000+08:00","duration":60}]})"
        << QStringLiteral("重叠");
    QTest::newRow("overlap through the preparation")
        << head + ok + R"(,"duration":3600},)" +
               R"({"id":"b","title":"数学","start":"2026-12-10T10:10:00.000+08:00","duration":60,"prep":900}]})"
        << QStringLiteral("重叠");
    QTest::newRow("overlap through a room's extra time")
        << head + ok + R"(,"duration":3600,"extra":{"A103":1800}},)" +
               R"({"id":"b","title":"数学","start":"2026-12-10T10:10:00.000+08:00","duration":60}]})"
        << QStringLiteral("重叠");
    QTest::newRow("a daily session meets a once one a day later")
        << head + ok + R"(,"repeat":"daily"},)" +
               R"({"id":"b","title":"数学","start":"2026-12-11T09:00:30.000+08:00","duration":60}]})"
        << QStringLiteral("重叠");
    QTest::newRow("too large") << QByteArray(70 * 1024, ' ') << QStringLiteral("KB");
}

void PlanTest::jsonRefused() {
    QFETCH(QByteArray, json);
    QFETCH(QString, why);
    const PlanRead r = DecodePlan(json);
    QVERIFY(!r.plan);
    QVERIFY2(r.error.contains(why), qPrintable(r.error));
}

void PlanTest::occurrences() {
    Plan plan;
    PlanSession daily =
        Session(QStringLiteral("shift"), QStringLiteral("交班"), Local(2026, 12, 9, 8, 0), 60);
    daily.repeat = PlanSession::Repeat::Daily;
    PlanSession weekdays =
        Session(QStringLiteral("meet"), QStringLiteral("例会"), Local(2026, 12, 9, 16, 0), 60);
    weekdays.repeat = PlanSession::Repeat::Weekdays;
    PlanSession once =
        Session(QStringLiteral("yw"), QStringLiteral("语文"), Local(2026, 12, 10, 9, 0), 9000, 900);
    once.rooms = {QStringLiteral("A103"), QStringLiteral("A104")};
    once.extra.insert(QStringLiteral("A103"), 1800);
    plan.sessions = {daily, weekdays, once};
    QVERIFY2(PlanProblem(plan).isEmpty(), qPrintable(PlanProblem(plan)));

    // 2026-12-09 is a Wednesday: Wed, Thu, Fri, Sat, Sun.
    const QList<Occurrence> a103 = OccurrencesIn(
        plan, QStringLiteral("A103"), Local(2026, 12, 9, 0, 0), Local(2026, 12, 14, 0, 0));
    QStringList keys;
    for (const Occurrence& o : a103)
        keys << o.key;
    QCOMPARE(keys, (QStringList{"shift@2026-12-09", "meet@2026-12-09", "shift@2026-12-10",
                                "yw@2026-12-10", "meet@2026-12-10", "shift@2026-12-11",
                                "meet@2026-12-11", "shift@2026-12-12", "shift@2026-12-13"}));
    const Occurrence yw = a103[3];
    QCOMPARE(yw.prepMs, Local(2026, 12, 10, 8, 45));
    QCOMPARE(yw.duration, 10800);
    QCOMPARE(BoardTitle(yw), QStringLiteral("语文  09:00–12:00"));
    // Not for a room the session does not name; without extra time there.
    QCOMPARE(OccurrencesIn(plan, QStringLiteral("A101"), Local(2026, 12, 10, 8, 0),
                           Local(2026, 12, 10, 12, 0))
                 .size(),
             1);
    QCOMPARE(OccurrencesIn(plan, QStringLiteral("A104"), Local(2026, 12, 10, 8, 0),
                           Local(2026, 12, 10, 12, 0))[1]
                 .duration,
             9000);
    // Nothing before the first day of a repeating session.
    QCOMPARE(OccurrencesIn(plan, QStringLiteral("A101"), Local(2026, 12, 1, 0, 0),
                           Local(2026, 12, 8, 0, 0))
                 .size(),
             0);
}

void PlanTest::currentAndNext() {
    Plan plan;
    plan.sessions = {
        Session(QStringLiteral("yw"), QStringLiteral("语文"), Local(2026, 12, 10, 9, 0), 9000, 900),
        Session(QStringLiteral("sx"), QStringLiteral("数学"), Local(2026, 12, 10, 15, 0), 7200)};
    const QString room = QStringLiteral("A101");
    QCOMPARE(CurrentOccurrence(plan, room, Local(2026, 12, 10, 8, 44, 59)), std::nullopt);
    QCOMPARE(NextOccurrence(plan, room, Local(2026, 12, 10, 8, 44, 59))->session.id,
             QStringLiteral("yw"));
    const auto prep = CurrentOccurrence(plan, room, Local(2026, 12, 10, 8, 45));
    QVERIFY(prep);
    QCOMPARE(prep->anchorAt(Local(2026, 12, 10, 8, 50))->phase, CountPhase::Prep);
    QCOMPARE(prep->anchorAt(Local(2026, 12, 10, 8, 50))->valueAt(Local(2026, 12, 10, 8, 50)), 600);
    const auto main = CurrentOccurrence(plan, room, Local(2026, 12, 10, 10, 0));
    QCOMPARE(main->anchorAt(Local(2026, 12, 10, 10, 0))->valueAt(Local(2026, 12, 10, 10, 0)), 5400);
    // The step after 0 still belongs to it; then nothing runs until the next.
    QVERIFY(CurrentOccurrence(plan, room, Local(2026, 12, 10, 11, 30, 0)));
    QCOMPARE(CurrentOccurrence(plan, room, Local(2026, 12, 10, 11, 30, 1)), std::nullopt);
    QCOMPARE(NextOccurrence(plan, room, Local(2026, 12, 10, 11, 30, 1))->session.id,
             QStringLiteral("sx"));
    QCOMPARE(NextOccurrence(plan, room, Local(2026, 12, 10, 17, 0, 1)), std::nullopt);
}

void PlanTest::csvGood_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral(
        "科目,日期,开始时间,时长,预备,预警,间隔,考场,加时\r\n"
        "语文,2026-12-10,09:00,2:30:00,15分钟,15,,*,A103=30分钟\r\n"
        "\"数学, 理科\",2026/12/10,15:00:00,120分钟,,900秒,,A101 A102,\r\n"
        "交班,每天,08:00:00,0:10:00,,5秒,1小时,,\r\n");
    QTest::newRow("UTF-8") << text.toUtf8();
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QStringEncoder gbk("GB18030");
    QTest::newRow("GBK") << QByteArray(gbk.encode(text));
    QTest::newRow("LF only") << text.toUtf8().replace("\r\n", "\n");
}

void PlanTest::csvGood() {
    QFETCH(QByteArray, bytes);
    const CsvRead r = ReadPlanCsv(bytes, Local(2026, 12, 9, 12, 0));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.sessions.size(), 3);
    const PlanSession& yw = r.sessions[0];
    QCOMPARE(yw.title, QStringLiteral("语文"));
    QCOMPARE(yw.startMs, Local(2026, 12, 10, 9, 0));
    QCOMPARE(yw.duration, 9000);
    QCOMPARE(yw.prep, 900);
    QCOMPARE(yw.warning, 900);  // a bare number is minutes
    QCOMPARE(yw.extra.value(QStringLiteral("A103")), 1800);
    const PlanSession& sx = r.sessions[1];
    QCOMPARE(sx.title, QStringLiteral("数学, 理科"));
    QCOMPARE(sx.rooms, (QStringList{"A101", "A102"}));
    QCOMPARE(sx.duration, 7200);
    const PlanSession& shift = r.sessions[2];
    QCOMPARE(shift.repeat, PlanSession::Repeat::Daily);
    QCOMPARE(shift.interval, 3600);
    QCOMPARE(shift.rooms, QStringList{"*"});
}

void PlanTest::csvBad_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray head = "科目,日期,开始时间,时长\n";
    const QByteArray good = "语文,2026-12-10,09:00,2:30:00\n";
    QTest::newRow("empty") << QByteArray() << QStringLiteral("空");
    QTest::newRow("no heading") << QByteArray("语文,2026-12-10,09:00,2:30:00\n")
                                << QStringLiteral("第1行");
    QTest::newRow("only the heading") << head << QStringLiteral("没有考试");
    QTest::newRow("a bad date on line 3") << head + good + "数学,2026-13-10,15:00,2:00:00\n"
                                          << QStringLiteral("第3行：日期");
    QTest::newRow("a bad time") << head + "语文,2026-12-10,25:00,2:30:00\n"
                                << QStringLiteral("第2行：开始时间");
    QTest::newRow("duration 0") << head + "语文,2026-12-10,09:00,0\n"
                                << QStringLiteral("第2行：时长必须");
    QTest::newRow("duration over 99:59:59") << head + "语文,2026-12-10,09:00,6000分钟\n"
                                            << QStringLiteral("第2行：时长");
    QTest::newRow("a past start") << head + "语文,2026-12-01,09:00,1:00:00\n"
                                  << QStringLiteral("第2行：开始时间已过");
    QTest::newRow("an unclosed quote") << head + good + "\"数学,2026-12-10,15:00,2:00:00\n"
                                       << QStringLiteral("第3行：引号");
    QTest::newRow("bad extra time")
        << QByteArray("科目,日期,开始时间,时长,加时\n语文,2026-12-10,09:00,1:00:00,A103\n")
        << QStringLiteral("第2行：加时");
    QTest::newRow("overlapping lines") << head + good + "数学,2026-12-10,10:00,2:00:00\n"
                                       << QStringLiteral("重叠");
    QTest::newRow("neither UTF-8 nor GBK")
        << head + QByteArray("\xFF\xFF\xFF,2026-12-10,09:00,1:00\n") << QStringLiteral("编码");
}

void PlanTest::csvBad() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const CsvRead r = ReadPlanCsv(bytes, Local(2026, 12, 9, 12, 0));
    QVERIFY(!r.ok());
    QVERIFY2(r.error.contains(message), qPrintable(r.error));
    QVERIFY(r.sessions.isEmpty());  // nothing half-taken
}

void PlanTest::csvRoundTrip() {
    PlanSession a = Session(QStringLiteral("x"), QStringLiteral("语文"),
                            Local(2026, 12, 10, 9, 0, 30), 9000, 900);
    a.warning = 600;
    a.rooms = {QStringLiteral("A101"), QStringLiteral("A103")};
    a.extra.insert(QStringLiteral("A103"), 1800);
    PlanSession b =
        Session(QStringLiteral("y"), QStringLiteral("交班, 夜"), Local(2026, 12, 9, 0, 0), 28800);
    b.repeat = PlanSession::Repeat::Weekdays;
    for (CsvEncoding e : {CsvEncoding::Utf8, CsvEncoding::Gbk}) {
        const CsvRead r = ReadPlanCsv(WritePlanCsv({a, b}, e), Local(2026, 12, 9, 12, 0));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.sessions.size(), 2);
        QCOMPARE(r.sessions[0].startMs, a.startMs);
        QCOMPARE(r.sessions[0].rooms, a.rooms);
        QCOMPARE(r.sessions[0].extra, a.extra);
        QCOMPARE(r.sessions[0].warning, 600);
        QCOMPARE(r.sessions[1].title, b.title);
        QCOMPARE(r.sessions[1].repeat, PlanSession::Repeat::Weekdays);
    }
}

void PlanTest::planLimits() {
    // The most sessions a plan may have are written in fewer bytes than a plan may take, so a
    // plan the editor takes reads again.
    Plan plan;
    plan.rev = 1;
    for (int i = 0; i < kMaxPlanSessions; ++i) {
        PlanSession s =
            Session(QStringLiteral("s20261210-090000-%1").arg(i), QStringLiteral("数学"),
                    Local(2026, 12, 10, 0, 0) + qint64(i) * 3600'000, 1800, 600);
        s.warning = 300;
        s.extra.insert(QStringLiteral("A103"), 600);
        plan.sessions << s;
    }
    QCOMPARE(PlanProblem(plan), QString());
    const PlanRead back = DecodePlan(EncodePlan(plan));
    QVERIFY2(back.plan, qPrintable(back.error));
    QCOMPARE(*back.plan, plan);
    // One more is refused before it is written.
    Plan over = plan;
    over.sessions << Session(QStringLiteral("one-more"), QString(), Local(2027, 1, 1, 0, 0), 60);
    QVERIFY2(PlanProblem(over).contains(QStringLiteral("最多200场")),
             qPrintable(PlanProblem(over)));
    // So is a plan that would not fit its bytes (rooms listed one by one).
    Plan large = plan;
    large.sessions.resize(50);
    for (PlanSession& s : large.sessions) {
        s.rooms.clear();
        for (int r = 0; r < 150; ++r)
            s.rooms << QStringLiteral("Room-%1").arg(r, 3, 10, QLatin1Char('0'));
    }
    QVERIFY(EncodePlan(large).size() > kMaxPlanBytes);
    QVERIFY2(PlanProblem(large).contains(QStringLiteral("KB")), qPrintable(PlanProblem(large)));
    QVERIFY(!DecodePlan(EncodePlan(large)).plan);
}

void PlanTest::nextStart() {
    Plan plan;
    PlanSession yw =
        Session(QStringLiteral("yw"), QStringLiteral("语文"), Local(2026, 12, 10, 9, 0), 9000, 900);
    yw.rooms = {QStringLiteral("A101")};
    PlanSession sx =
        Session(QStringLiteral("sx"), QStringLiteral("数学"), Local(2026, 12, 10, 15, 0), 7200);
    sx.rooms = {QStringLiteral("A102")};
    plan.sessions = {yw, sx};
    const qint64 early = Local(2026, 12, 10, 8, 0);
    // Without a room, every room's sessions count; a room sees only its own.
    QCOMPARE(NextStart(plan, QString(), early)->session.id, QStringLiteral("yw"));
    QCOMPARE(NextStart(plan, QStringLiteral("A102"), early)->session.id, QStringLiteral("sx"));
    QCOMPARE(NextStart(plan, QStringLiteral("B1"), early), std::nullopt);
    // In its preparation a session has not started yet; from its start the next one is next.
    const qint64 inPrep = Local(2026, 12, 10, 8, 50);
    QCOMPARE(NextStart(plan, QString(), inPrep)->startMs, Local(2026, 12, 10, 9, 0));
    QCOMPARE(NextStart(plan, QString(), Local(2026, 12, 10, 9, 0))->session.id,
             QStringLiteral("sx"));
    QCOMPARE(NextStart(plan, QString(), Local(2026, 12, 10, 15, 0)), std::nullopt);
}

void PlanTest::durationProblem_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");  // a word the message holds; empty: it reads
    QTest::newRow("h:mm:ss") << "2:30:00" << QString();
    QTest::newRow("the longest") << "99:59:59" << QString();
    QTest::newRow("minutes") << "150分钟" << QString();
    QTest::newRow("blank") << "" << QString();
    QTest::newRow("100 hours") << "100:00:00" << QStringLiteral("不能超过99∶59∶59");
    QTest::newRow("6000 minutes") << "6000分钟" << QStringLiteral("不能超过99∶59∶59");
    QTest::newRow("seconds past 59") << "1:00:60" << QStringLiteral("“1:00:60”不正确");
    QTest::newRow("words") << "两小时" << QStringLiteral("不正确（例：");
}

void PlanTest::durationProblem() {
    QFETCH(QString, text);
    QFETCH(QString, problem);
    const QString got = DurationProblem(QStringLiteral("时长"), text);
    if (problem.isEmpty()) {
        QCOMPARE(got, QString());
        QVERIFY(ParseDuration(text));
    } else {
        QVERIFY2(got.startsWith(QStringLiteral("时长")) && got.contains(problem), qPrintable(got));
        QCOMPARE(ParseDuration(text), std::nullopt);
    }
}

void PlanTest::roomsAndExtra_data() {
    QTest::addColumn<QString>("rooms");
    QTest::addColumn<QStringList>("roomList");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<bool>("extraReads");
    QTest::addColumn<int>("a103");
    QTest::newRow("every room, no extra") << "" << QStringList{"*"} << "" << true << 0;
    QTest::newRow("apart by blanks and commas")
        << "A101 A102,A103；A104" << QStringList{"A101", "A102", "A103", "A104"}
        << "A103=30分钟; A104=0:15:00" << true << 1800;
    QTest::newRow("a trailing semicolon")
        << "*" << QStringList{"*"} << "A103=0:10:00;" << true << 600;
    QTest::newRow("a pair without its time")
        << "A103" << QStringList{"A103"} << "A103" << false << 0;
    QTest::newRow("a time that does not read")
        << "A103" << QStringList{"A103"} << "A103=半小时" << false << 0;
}

void PlanTest::roomsAndExtra() {
    QFETCH(QString, rooms);
    QFETCH(QStringList, roomList);
    QFETCH(QString, extra);
    QFETCH(bool, extraReads);
    QFETCH(int, a103);
    QCOMPARE(ParseRooms(rooms), roomList);
    QCOMPARE(ParseRooms(RoomsText(roomList)), roomList);
    QString bad;
    const auto e = ParseExtra(extra, &bad);
    QCOMPARE(bool(e), extraReads);
    if (!e) {
        QVERIFY(extra.contains(bad) && !bad.isEmpty());
        return;
    }
    QCOMPARE(e->value(QStringLiteral("A103")), a103);
    QCOMPARE(ParseExtra(ExtraText(*e)), e);
}

QTEST_APPLESS_MAIN(PlanTest)
#include "unit_plan.moc"
