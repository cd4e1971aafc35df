// The main and preparation timers on bare controls, without the main window: the steps and
// prompts on their seconds, what each tells through changed() and in which order, the alert
// state set from outside told like any other change, the lead and interval boxes read in one
// place, and the count's keeper writing what it hears into the state file.
#include <QSignalSpy>
#include <QtTest>

#include "TimerRig.h"
#include "core/Anchor.h"
#include "core/CountState.h"
#include "core/Files.h"

Q_DECLARE_METATYPE(CountEvent)

namespace {

QList<CountEvent> Events(const QSignalSpy& spy, bool withSteps = false) {
    QList<CountEvent> out;
    for (const QList<QVariant>& args : spy) {
        const auto e = args.first().value<CountEvent>();
        if (withSteps || e != CountEvent::Step) out << e;
    }
    return out;
}

}  // namespace

class MainTimerTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<CountEvent>(); }
    void stepsAndPrompts_data();
    void stepsAndPrompts();
    void alertFromOutside();
    void leadAndInterval_data();
    void leadAndInterval();
    void prepHandsOver();
    void keeperHearsTheAlert();
    void idleAnchorIsTheSetCount_data();
    void idleAnchorIsTheSetCount();
};

void MainTimerTest::stepsAndPrompts_data() {
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("from");       // the value typed on the display
    QTest::addColumn<int>("warningAt");  // seconds after the start
    QTest::addColumn<int>("timeUpAt");
    QTest::newRow("down from 10, lead 5") << false << 10 << 5 << 11;
    QTest::newRow("down from 3, lead 5: no warning") << false << 3 << -1 << 4;
    // Counting up to 60 (the duration box), the warning comes when the value reaches the lead.
    QTest::newRow("up from 0 to 60, lead 5") << true << 0 << 5 << 61;
}

void MainTimerTest::stepsAndPrompts() {
    QFETCH(bool, up);
    QFETCH(int, from);
    QFETCH(int, warningAt);
    QFETCH(int, timeUpAt);
    TimerRig rig;
    rig.durationBox->setText(QStringLiteral("60"));
    rig.durationUnit->setText(QStringLiteral("秒钟"));
    rig.countUp->setChecked(up);
    rig.main->loadDuration(false);
    rig.showMain(from);
    QSignalSpy spy(rig.main.get(), &MainTimer::changed);
    rig.main->start();
    QCOMPARE(Events(spy), QList<CountEvent>{CountEvent::Start});
    for (int s = 1; s <= timeUpAt; ++s) {
        spy.clear();
        rig.seconds(1);
        const QList<CountEvent> events = Events(spy, true);
        if (s == timeUpAt) {
            QCOMPARE(events, QList<CountEvent>{CountEvent::TimeUp});
            QCOMPARE(rig.main->alertState(), 0);
            QVERIFY(!rig.main->running());
            QCOMPARE(rig.mainText(), DisplayText(up ? 60 : 0));  // the last value stays
        } else if (s == warningAt) {
            QCOMPARE(events, (QList<CountEvent>{CountEvent::Step, CountEvent::Warning}));
            QCOMPARE(rig.main->alertState(), 2);
            QCOMPARE(rig.mainText(), DisplayText(5));
            QCOMPARE(rig.status->sectionText(1), QStringLiteral("预警"));
        } else {
            QCOMPARE(events, QList<CountEvent>{CountEvent::Step});
            QCOMPARE(rig.main->seconds(), up ? from + s : from - s);
        }
    }
}

void MainTimerTest::alertFromOutside() {
    TimerRig rig;
    QSignalSpy spy(rig.main.get(), &MainTimer::changed);
    rig.main->setAlertState(2);
    rig.main->setAlertState(2);  // no change, nothing told
    rig.main->setAlertState(0);
    QCOMPARE(Events(spy), (QList<CountEvent>{CountEvent::Changed, CountEvent::Changed}));
    QCOMPARE(rig.main->alertState(), 0);
    // A declined reset still brings the alert back to normal, and says so.
    rig.main->start();
    spy.clear();
    rig.fake.dialogs.answers = {false};
    rig.main->reset();
    QCOMPARE(Events(spy), QList<CountEvent>{CountEvent::Changed});
    QCOMPARE(rig.main->alertState(), 1);
    QVERIFY(rig.main->running());
}

void MainTimerTest::leadAndInterval_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("seconds");  // -1: none
    QTest::addColumn<int>("reports");  // messages after two reads of both boxes
    QTest::newRow("blank: none, nothing said") << ""
                                               << "秒钟" << -1 << 0;
    QTest::newRow("minutes") << "2"
                             << "分钟" << 120 << 0;
    QTest::newRow("hours") << "1"
                           << "小时" << 3600 << 0;
    QTest::newRow("not a number: said once") << "5a"
                                             << "秒钟" << -1 << 1;
}

void MainTimerTest::leadAndInterval() {
    QFETCH(QString, box);
    QFETCH(QString, unit);
    QFETCH(int, seconds);
    QFETCH(int, reports);
    TimerRig rig;
    rig.leadBox->setText(box);
    rig.leadUnit->setText(unit);
    rig.intervalBox->setText(box);
    rig.intervalUnit->setText(unit);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(rig.main->tickLeadSeconds().value_or(-1), seconds);
        QCOMPARE(rig.main->tickIntervalSeconds().value_or(-1), seconds);
    }
    QCoreApplication::processEvents();  // reports are shown after the tick
    QCOMPARE(rig.fake.dialogs.count(QStringLiteral("error")), reports);
    if (seconds >= 0) QCOMPARE(rig.main->warningSeconds(), seconds);
}

void MainTimerTest::prepHandsOver() {
    TimerRig rig;
    rig.prepDurationBox->setText(QStringLiteral("3"));
    rig.prepDurationUnit->setText(QStringLiteral("秒钟"));
    rig.prep->loadDuration(false);
    rig.showMain(100);
    QSignalSpy prepSpy(rig.prep.get(), &PrepTimer::changed);
    QSignalSpy mainSpy(rig.main.get(), &MainTimer::changed);
    rig.prep->start();
    rig.seconds(3);  // 2, 1, 0
    QVERIFY(!rig.main->running());
    rig.seconds(1);  // the step after 0 hands over
    QCOMPARE(Events(prepSpy), (QList<CountEvent>{CountEvent::Start, CountEvent::HandOver}));
    QCOMPARE(Events(mainSpy), QList<CountEvent>{CountEvent::Start});
    QVERIFY(rig.main->running());
    QCOMPARE(rig.main->seconds(), 100);
}

void MainTimerTest::keeperHearsTheAlert() {
    TimerRig rig;
    CountKeeper keeper(rig.fake.time, rig.fake.dialogs, &rig.fake.log, *rig.main, *rig.prep);
    QObject::connect(rig.main.get(), &MainTimer::changed, &rig.root,
                     [&keeper](CountEvent e) { keeper.mainChanged(e); });
    const QString path = rig.fake.settingsDir.filePath(kCountStateFileName);
    keeper.setStatePath(path);
    auto stored = [&] {
        keeper.flush(5000);
        const FileRead r = ReadRegularFile(path, 4096);
        return r.ok() ? DecodeCountState(r.bytes) : std::nullopt;
    };
    rig.showMain(600);
    rig.main->start();
    QCOMPARE(stored()->alertState, 1);
    // The schedule's warning, told by the timer, reaches the file.
    rig.main->setAlertState(2);
    QCOMPARE(stored()->alertState, 2);
    QCOMPARE(stored()->value, 600);
    rig.seconds(2);
    rig.main->setAlertState(0);
    QCOMPARE(stored()->alertState, 0);
    QVERIFY(rig.fake.log.events().first().startsWith(QStringLiteral("正式计时开始")));
}

void MainTimerTest::idleAnchorIsTheSetCount_data() {
    QTest::addColumn<bool>("up");
    QTest::newRow("counting down") << false;
    QTest::newRow("counting up") << true;
}

// Idle, the anchor tells the count a start would run (the office starts a room from it).
void MainTimerTest::idleAnchorIsTheSetCount() {
    QFETCH(bool, up);
    TimerRig rig;
    rig.durationBox->setText(QStringLiteral("90"));
    rig.durationUnit->setText(QStringLiteral("秒钟"));
    rig.countUp->setChecked(up);
    rig.main->loadDuration(false);
    const Anchor a = rig.main->anchorAt(rig.fake.time.now().toMSecsSinceEpoch());
    QCOMPARE(a.phase, CountPhase::Idle);
    QCOMPARE(a.duration, 90);
    QCOMPARE(a.countUp, up);
    QCOMPARE(a.value, up ? 0 : 90);
}

QTEST_MAIN(MainTimerTest)
#include "unit_main_timer.moc"
