// While either timer counts, the display stays awake and the machine does not sleep; the
// request ends when both stop.
#include <QtTest>

#include "AppFixture.h"

class PowerTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void inhibitedWhileCounting();
};

void PowerTest::inhibitedWhileCounting() {
    AppFixture app(QDateTime(QDate(2007, 1, 31), QTime(16, 55, 2, 500)));
    FakeInhibitor& power = app.fake.inhibitor;
    QVERIFY(!power.inhibited());

    app->BitBtn14Click();  // preparation: one minute
    QVERIFY(power.inhibited());
    app.seconds(61);  // hand-over: the main timer takes over without a gap
    QVERIFY(!app->Timer2->Enabled());
    QVERIFY(app->Timer1->Enabled());
    QVERIFY(power.inhibited());

    app.fake.dialogs.answers = {true};
    app->BitBtn5Click();  // pause
    QVERIFY(!power.inhibited());
    app->BitBtn2Click();
    QVERIFY(power.inhibited());
    app.seconds(70);  // time-up
    QVERIFY(!app->Timer1->Enabled());
    QVERIFY(!power.inhibited());

    app->BitBtn2Click();
    QVERIFY(power.inhibited());
    QVERIFY(app->close());
    QVERIFY(!power.inhibited());
}

QTEST_MAIN(PowerTest)
#include "behaviour_power.moc"
