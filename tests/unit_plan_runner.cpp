// The day's plan at work on the two timers, without the main window: a day of sessions with
// their preparation, warnings and time-ups on their seconds (and a room's extra time), a late
// join, a start missed altogether, the clock set back and forward in the middle of a session,
// the operator's own reset, and a session never started twice.
#include <QSignalSpy>
#include <QtTest>
#include <ctime>

#include "TimerRig.h"
#include "plan/PlanRunner.h"

Q_DECLARE_METATYPE(CountEvent)

namespace {

QDateTime Day(int d, int h, int m, int s = 0) {
    return QDateTime(QDate(2026, 12, d), QTime(h, m, s));
}

PlanSession Session(const QString& id, const QString& title, const QDateTime& start, int duration,
                    int prep, int warning) {
    PlanSession s;
    s.id = id;
    s.title = title;
    s.startMs = start.toMSecsSinceEpoch();
    s.duration = duration;
    s.prep = prep;
    s.warning = warning;
    return s;
}

// 语文 and 数学 on the 10th, 英语 and 物理 on the 11th; A103 has half an hour more for 语文.
Plan ExamDays() {
    Plan p;
    PlanSession yuwen = Session("yw", "语文", Day(10, 9, 0), 9000, 900, 900);
    yuwen.extra.insert(QStringLiteral("A103"), 1800);
    p.sessions = {yuwen, Session("sx", "数学", Day(10, 15, 0), 7200, 600, 900),
                  Session("yy", "英语", Day(11, 9, 0), 7200, 0, 300),
                  Session("wl", "物理", Day(11, 14, 30), 5400, 300, 600)};
    return p;
}

// The rig with a plan runner ticking on the wall-clock second, as the clock tick runs it.
struct PlanRig {
    explicit PlanRig(const QDateTime& start, const QString& room = QStringLiteral("A101"),
                     const QString& stateDir = QString())
        : rig(start), clock(rig.fake.time, TTimer::Mode::WallSecond, QStringLiteral("Timer3")) {
        title = new TLabel(&rig.root);
        titleText = new TEdit(&rig.root);
        titleText->setText(QStringLiteral("忠诚  精武  奉献"));
        titleOn = new QCheckBox(&rig.root);
        runner =
            std::make_unique<PlanRunner>(PlanRunner::Parts{rig.fake.time, *rig.main, *rig.prep},
                                         PlanRunner::Controls{title, titleText, titleOn});
        QObject::connect(rig.main.get(), &MainTimer::changed, &rig.root, [this](CountEvent e) {
            runner->mainChanged(e);
            main << qMakePair(e, rig.fake.time.now());
        });
        QObject::connect(rig.prep.get(), &PrepTimer::changed, &rig.root, [this](CountEvent e) {
            runner->prepChanged(e);
            prep << qMakePair(e, rig.fake.time.now());
        });
        runner->onEvent = [this](const QString& line) { log << line; };
        runner->setRoom(room);
        runner->setStatePath(QDir(stateDir.isEmpty() ? rig.fake.settingsDir.path() : stateDir)
                                 .filePath(kPlanStateFileName));
        runner->setPlan(ExamDays(), true);
        runner->resumeOnStart(std::nullopt);
        clock.OnTimer = [this] { runner->tick(); };
        clock.setEnabled(true);
    }
    ~PlanRig() { clock.setEnabled(false); }
    // Moves the clocks to the given moment, running every tick and step on the way.
    void until(const QDateTime& t) { rig.fake.time.advance(rig.fake.time.now().msecsTo(t)); }
    // When the timer first told the event (the second it came in, to the second).
    QString when(const QList<QPair<CountEvent, QDateTime>>& list, CountEvent e, int nth = 1) const {
        for (const auto& [event, at] : list)
            if (event == e && --nth == 0) return at.toString(QStringLiteral("dd HH:mm:ss"));
        return QStringLiteral("never");
    }

    TimerRig rig;
    TTimer clock;
    TLabel* title;
    TEdit* titleText;
    QCheckBox* titleOn;
    std::unique_ptr<PlanRunner> runner;
    QList<QPair<CountEvent, QDateTime>> main;
    QList<QPair<CountEvent, QDateTime>> prep;
    QStringList log;
};

}  // namespace

class PlanRunnerTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "Asia/Shanghai");
        tzset();
        qRegisterMetaType<CountEvent>();
    }
    void examDay_data();
    void examDay();
    void lateJoinAndMissed();
    void clockSet_data();
    void clockSet();
    void operatorResets();
    void neverTwice();
};

void PlanRunnerTest::examDay_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("timeUp");
    QTest::newRow("A101") << "A101"
                          << "10 11:15:00"
                          << "10 11:30:01";
    QTest::newRow("A103, half an hour more") << "A103"
                                             << "10 11:45:00"
                                             << "10 12:00:01";
}

void PlanRunnerTest::examDay() {
    QFETCH(QString, room);
    QFETCH(QString, warning);
    QFETCH(QString, timeUp);
    PlanRig p(Day(10, 8, 0), room);
    p.until(Day(10, 8, 44, 59).addMSecs(500));
    QVERIFY(p.prep.isEmpty() && p.main.isEmpty());
    // The preparation on its second, its prompts given, the title on the board.
    p.until(Day(10, 8, 45).addMSecs(500));
    QCOMPARE(p.when(p.prep, CountEvent::Anchored), QStringLiteral("10 08:45:00"));
    QVERIFY(p.rig.prep->running());
    QCOMPARE(p.rig.prep->seconds(), 900);
    QCOMPARE(p.title->text(), room == QLatin1String("A103") ? QStringLiteral("语文  09:00–12:00")
                                                            : QStringLiteral("语文  09:00–11:30"));
    QVERIFY(p.title->isVisibleTo(&p.rig.root));
    // 00∶00∶01 the second before the start; the main count begins at 09:00:00.
    p.until(Day(10, 8, 59, 59).addMSecs(500));
    QCOMPARE(p.rig.prep->seconds(), 1);
    QVERIFY(!p.rig.main->running());
    p.until(Day(10, 9, 0).addMSecs(500));
    QVERIFY(!p.rig.prep->running());
    QVERIFY(p.rig.main->running());
    QCOMPARE(p.when(p.main, CountEvent::Anchored, 2), QStringLiteral("10 09:00:00"));
    QCOMPARE(p.rig.main->seconds(), room == QLatin1String("A103") ? 10800 : 9000);
    QCOMPARE(p.rig.main->source(), CountSource::Plan);
    // The session's lead, not the box's (5 秒钟), gives the warning; the time-up one step
    // after 0.
    p.until(Day(10, 12, 30));
    QCOMPARE(p.when(p.main, CountEvent::Warning), warning);
    QCOMPARE(p.when(p.main, CountEvent::TimeUp), timeUp);
    // After the time-up the board stays as it is until the next session's preparation.
    QCOMPARE(p.rig.main->alertState(), 0);
    QVERIFY(p.title->text().startsWith(QStringLiteral("语文")));
    p.until(Day(10, 14, 50).addMSecs(500));
    // (The preparation's second word was its quiet stop at the hand-over.)
    QCOMPARE(p.when(p.prep, CountEvent::Anchored, 3), QStringLiteral("10 14:50:00"));
    QCOMPARE(p.rig.main->alertState(), 1);
    QCOMPARE(p.title->text(), QStringLiteral("数学  15:00–17:00"));
    p.until(Day(11, 12, 0));
    // 英语 has no preparation: its main count starts on its second.
    QCOMPARE(p.when(p.main, CountEvent::TimeUp, 2), QStringLiteral("10 17:00:01"));
    QCOMPARE(p.when(p.main, CountEvent::Anchored, 5), QStringLiteral("11 09:00:00"));
    QCOMPARE(p.when(p.main, CountEvent::Warning, 3), QStringLiteral("11 10:55:00"));
    QCOMPARE(p.when(p.main, CountEvent::TimeUp, 3), QStringLiteral("11 11:00:01"));
}

void PlanRunnerTest::lateJoinAndMissed() {
    // The program starts at 10:00:00.300 on the 10th: at its first clock tick 语文 is taken up
    // quietly at the value it has then.
    PlanRig p(Day(10, 10, 0).addMSecs(300));
    p.rig.fake.player1.clearCalls();
    p.until(Day(10, 10, 0, 1).addMSecs(500));
    QVERIFY(p.rig.main->running());
    QCOMPARE(p.rig.main->seconds(), 5399);
    QVERIFY(p.rig.fake.player1.played.isEmpty());  // no start sound for a late join
    QVERIFY(p.log.last().contains(QStringLiteral("迟到接入")));
    // Its steps keep to the plan's grid: the next comes at 10:00:02.000.
    p.until(Day(10, 10, 0, 1).addMSecs(999));
    QCOMPARE(p.rig.main->seconds(), 5399);
    p.until(Day(10, 10, 0, 2).addMSecs(1));
    QCOMPARE(p.rig.main->seconds(), 5398);
    // A program that starts after 数学 has ended skips it and notes it.
    PlanRig q(Day(10, 17, 30));
    q.until(Day(10, 17, 30, 2));
    QVERIFY(!q.rig.main->running());
    QVERIFY(q.main.isEmpty());
    QVERIFY(q.log.join(u'|').contains(QStringLiteral("“数学”（数学  15:00–17:00）已错过")));
}

void PlanRunnerTest::clockSet_data() {
    QTest::addColumn<int>("shiftSeconds");
    QTest::newRow("back 10 s") << -10;
    QTest::newRow("forward 10 min") << 600;
}

void PlanRunnerTest::clockSet() {
    QFETCH(int, shiftSeconds);
    PlanRig p(Day(10, 8, 50));
    p.until(Day(10, 10, 0).addMSecs(500));
    QCOMPARE(p.rig.main->seconds(), 5400);
    // The wall clock is set (the monotonic clock goes on as it was).
    p.rig.fake.time.setNow(p.rig.fake.time.now().addSecs(shiftSeconds));
    p.rig.fake.time.advance(1000);
    const qint64 now = p.rig.fake.time.now().toMSecsSinceEpoch();
    const int expected = 9000 - int((now - Day(10, 9, 0).toMSecsSinceEpoch()) / 1000);
    QCOMPARE(p.rig.main->seconds(), expected);
    QVERIFY(p.log.last().contains(QStringLiteral("时钟变动")));
    // And it stays there second by second, on the plan's grid.
    p.rig.fake.time.advance(5000);
    QCOMPARE(p.rig.main->seconds(), expected - 5);
}

void PlanRunnerTest::operatorResets() {
    PlanRig p(Day(10, 9, 59, 59));
    p.until(Day(10, 10, 0).addMSecs(500));
    QVERIFY(p.rig.main->running());
    p.rig.fake.dialogs.answers = {true};
    p.rig.main->reset();  // the operator's reset: the session is over on this board
    QVERIFY(!p.rig.main->running());
    QCOMPARE(p.title->text(), QStringLiteral("忠诚  精武  奉献"));
    p.until(Day(10, 10, 5));
    QVERIFY(!p.rig.main->running());  // not started again
    QVERIFY(p.log.join(u'|').contains(QStringLiteral("由操作员复位")));
    // A pause and resume of the operator's: the count is the room's and the plan leaves it be.
    p.until(Day(10, 14, 59).addMSecs(500));
    p.until(Day(10, 15, 0).addMSecs(500));
    QCOMPARE(p.rig.main->source(), CountSource::Plan);
    p.rig.fake.dialogs.answers = {true};
    p.rig.main->pause();
    p.until(Day(10, 15, 1).addMSecs(500));
    p.rig.main->start();
    p.until(Day(10, 15, 3).addMSecs(500));
    QCOMPARE(p.rig.main->source(), CountSource::Local);
    // Two minutes counted of three: a minute behind the plan, as it was paused.
    QCOMPARE(p.rig.main->seconds(), 7200 - 120);
}

void PlanRunnerTest::neverTwice() {
    QTemporaryDir state;
    {
        PlanRig p(Day(10, 8, 59, 59), QStringLiteral("A101"), state.path());
        p.until(Day(10, 9, 0, 30));
        QVERIFY(p.rig.main->running());
        QVERIFY(p.runner->flush(2000));
    }
    // Started again (without a saved count of the plan's): the session already began here, so
    // it is not started a second time.
    PlanRig again(Day(10, 9, 1), QStringLiteral("A101"), state.path());
    again.until(Day(10, 9, 1, 5));
    QVERIFY(!again.rig.main->running());
    // Asked to take up a saved count of the plan's, it goes on at the plan's value.
    CountState saved;
    saved.source = CountSource::Plan;
    saved.session = QStringLiteral("yw");
    QVERIFY(again.runner->resumeOnStart(saved));
    QVERIFY(again.rig.main->running());
    QCOMPARE(again.rig.main->seconds(), 9000 - 65);
}

QTEST_MAIN(PlanRunnerTest)
#include "unit_plan_runner.moc"
