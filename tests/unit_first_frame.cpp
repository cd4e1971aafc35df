// The start-up's deferred work runs once, right after the window's first frame.
#include <QWidget>
#include <QWindow>
#include <QtTest>

#include "platform/FirstFrame.h"

namespace {

class Painted : public QWidget {
  public:
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

// Delivers what the window system has queued and the posted events and zero timers, without
// waiting for anything.
void Deliver() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

}  // namespace

class FirstFrameTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void runsOnceAfterTheFirstPaint_data();
    void runsOnceAfterTheFirstPaint();
    void nothingRunsWhenTheWindowGoesFirst();
};

void FirstFrameTest::runsOnceAfterTheFirstPaint_data() {
    QTest::addColumn<bool>("exposedBefore");
    QTest::newRow("asked before the window is on screen") << false;
    QTest::newRow("asked when it is on screen already") << true;
}

void FirstFrameTest::runsOnceAfterTheFirstPaint() {
    QFETCH(bool, exposedBefore);
    Painted window;
    window.resize(200, 100);
    window.show();
    if (exposedBefore) {
        Deliver();
        QVERIFY(window.windowHandle()->isExposed());
    }
    int runs = 0;
    int paintsWhenRun = -1;
    AfterFirstFrame(&window, [&] {
        ++runs;
        paintsWhenRun = window.paints;
    });
    // Never inside the call: the caller goes on first.
    QCOMPARE(runs, 0);
    Deliver();
    QCOMPARE(runs, 1);
    QVERIFY(paintsWhenRun >= 1);
    // Later frames run nothing more.
    window.hide();
    window.show();
    window.update();
    Deliver();
    QCOMPARE(runs, 1);
}

void FirstFrameTest::nothingRunsWhenTheWindowGoesFirst() {
    int runs = 0;
    {
        Painted window;
        window.show();
        AfterFirstFrame(&window, [&] { ++runs; });
    }
    Deliver();
    QCOMPARE(runs, 0);
}

QTEST_MAIN(FirstFrameTest)
#include "unit_first_frame.moc"
