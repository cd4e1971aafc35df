// The state of a running count as the file keeps it, and where the count stands later: the
// file's round trip, damaged files refused, and the value, next-step phase, hand-over and
// time-up at a later moment computed by hand.
#include <QtTest>

#include "core/CountState.h"

namespace {

constexpr qint64 kT0 = 1796738400000;  // 2026-12-08 14:00:00 UTC+8

CountState Main(bool countUp, int duration, int value, bool paused = false, int alert = 1) {
    CountState s;
    s.timer = CountState::Timer::Main;
    s.countUp = countUp;
    s.duration = duration;
    s.value = value;
    s.since = kT0;
    s.paused = paused;
    s.alertState = alert;
    return s;
}

CountState Prep(int duration, int value, int mainValue, int mainDuration) {
    CountState s = Main(false, duration, value);
    s.timer = CountState::Timer::Prep;
    s.mainValue = mainValue;
    s.mainDuration = mainDuration;
    return s;
}

}  // namespace

Q_DECLARE_METATYPE(CountState)

class CountStateTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void resumeAt_data();
    void resumeAt();
};

void CountStateTest::roundTrip_data() {
    QTest::addColumn<CountState>("state");
    QTest::newRow("main, down, running") << Main(false, 5400, 3120);
    QTest::newRow("main, up, paused, warned") << Main(true, 600, 595, true, 2);
    QTest::newRow("the largest display") << Main(false, 359999, 359999);
    QTest::newRow("preparation") << Prep(300, 12, 5400, 5400);
}

void CountStateTest::roundTrip() {
    QFETCH(CountState, state);
    const QByteArray bytes = EncodeCountState(state);
    QVERIFY(bytes.endsWith('\n'));
    const std::optional<CountState> back = DecodeCountState(bytes);
    QVERIFY(back);
    QVERIFY(*back == state);
}

void CountStateTest::refused_data() {
    const QByteArray good = EncodeCountState(Main(false, 60, 50));
    auto edited = [&good](const QByteArray& from, const QByteArray& to) {
        QByteArray b = good;
        b.replace(from, to);
        return b;
    };
    // A file edited by hand with its check line made to fit again: its values are checked.
    auto resealed = [](QByteArray body) {
        body = body.left(body.indexOf("check="));
        return body + "check=" + QByteArray::number(qChecksum(QByteArrayView(body))) + '\n';
    };
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("the last line cut") << good.left(good.size() - 3);
    QTest::newRow("no line break at the end") << good.left(good.size() - 1);
    QTest::newRow("a changed value") << edited("value=50", "value=51");
    QTest::newRow("lines before the check line lost") << good.mid(good.indexOf("paused="));
    QTest::newRow("other version") << resealed(edited("version=1", "version=2"));
    QTest::newRow("unknown timer") << resealed(edited("timer=main", "timer=clock"));
    QTest::newRow("unknown direction") << resealed(edited("direction=down", "direction=left"));
    QTest::newRow("negative value") << resealed(edited("value=50", "value=-1"));
    QTest::newRow("value beyond a display") << resealed(edited("value=50", "value=360001"));
    QTest::newRow("no start moment")
        << resealed(edited("since=" + QByteArray::number(kT0), "since=0"));
    QTest::newRow("alert state 3") << resealed(edited("alert=1", "alert=3"));
    QTest::newRow("not a number") << resealed(edited("duration=60", "duration=6O"));
}

void CountStateTest::refused() {
    QFETCH(QByteArray, bytes);
    QVERIFY(!DecodeCountState(bytes));
}

void CountStateTest::resumeAt_data() {
    QTest::addColumn<CountState>("state");
    QTest::addColumn<qint64>("afterMs");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<int>("timer");  // 0 main, 1 preparation
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("phaseMs");
    QTest::addColumn<bool>("handedOver");
    QTest::addColumn<bool>("timeUp");
    // Down from 50 of 60: the step after 0 (51 s on) is the time-up.
    QTest::newRow("down, 20.4 s") << Main(false, 60, 50) << qint64(20400) << true << 0 << 30 << 400
                                  << false << false;
    QTest::newRow("down, 50.999 s")
        << Main(false, 60, 50) << qint64(50999) << true << 0 << 0 << 999 << false << false;
    QTest::newRow("down, 51 s") << Main(false, 60, 50) << qint64(51000) << true << 0 << 0 << 0
                                << false << true;
    QTest::newRow("down, a full count after the time-up")
        << Main(false, 60, 50) << qint64(111000) << true << 0 << 0 << 0 << false << true;
    QTest::newRow("down, 1 ms more")
        << Main(false, 60, 50) << qint64(111001) << false << 0 << 0 << 0 << false << false;
    QTest::newRow("the clock went back")
        << Main(false, 60, 50) << qint64(-3600000) << true << 0 << 50 << 0 << false << false;
    // Up from 10 to 60: the step after 60 (51 s on) is the time-up.
    QTest::newRow("up, 50 s") << Main(true, 60, 10) << qint64(50000) << true << 0 << 60 << 0
                              << false << false;
    QTest::newRow("up, 51 s") << Main(true, 60, 10) << qint64(51000) << true << 0 << 60 << 0
                              << false << true;
    QTest::newRow("up, started past its end")
        << Main(true, 60, 70) << qint64(1000) << true << 0 << 60 << 0 << false << true;
    QTest::newRow("paused, an hour")
        << Main(false, 60, 50, true) << qint64(3600000) << true << 0 << 50 << 0 << false << false;
    QTest::newRow("paused, 12 h and 1 ms")
        << Main(false, 60, 50, true) << kPausedKeptMs + 1 << false << 0 << 0 << 0 << false << false;
    // A 10-second preparation at 7, before a main minute: the hand-over 8 s on, the main
    // time-up 61 s after that.
    QTest::newRow("preparation, 5.5 s")
        << Prep(10, 7, 60, 60) << qint64(5500) << true << 1 << 2 << 500 << false << false;
    QTest::newRow("preparation, handed over 12.25 s ago")
        << Prep(10, 7, 60, 60) << qint64(20250) << true << 0 << 48 << 250 << true << false;
    QTest::newRow("preparation, main from its own value")
        << Prep(10, 7, 30, 60) << qint64(20000) << true << 0 << 18 << 0 << true << false;
    QTest::newRow("preparation, main timed up")
        << Prep(10, 7, 60, 60) << qint64(69000) << true << 0 << 0 << 0 << true << true;
    QTest::newRow("preparation, main timed up long ago")
        << Prep(10, 7, 60, 60) << qint64(129001) << false << 0 << 0 << 0 << false << false;
}

void CountStateTest::resumeAt() {
    QFETCH(CountState, state);
    QFETCH(qint64, afterMs);
    QFETCH(bool, offered);
    QFETCH(int, timer);
    QFETCH(int, value);
    QFETCH(int, phaseMs);
    QFETCH(bool, handedOver);
    QFETCH(bool, timeUp);
    const std::optional<ResumePoint> p = ResumeAt(state, kT0 + afterMs);
    QCOMPARE(bool(p), offered);
    if (!p) return;
    QCOMPARE(int(p->timer), timer);
    QCOMPARE(p->value, value);
    QCOMPARE(p->phaseMs, phaseMs);
    QCOMPARE(p->handedOver, handedOver);
    QCOMPARE(p->timeUp, timeUp);
    QCOMPARE(p->paused, state.paused);
    if (timeUp) QCOMPARE(p->alertState, 0);
}

QTEST_APPLESS_MAIN(CountStateTest)
#include "unit_count_state.moc"
