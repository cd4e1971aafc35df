// The site link's wait before each reconnect: a random 0–1 s first (a site's rooms do not all
// knock on the restarted broker in the same instant), then 1, 2, 4 s and 5 s from then on.
#include <QtTest>

#include "platform/SiteLink.h"

class SiteLinkUnitTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void reconnectDelay_data();
    void reconnectDelay();
    void firstRetriesSpreadOverASecond();
};

void SiteLinkUnitTest::reconnectDelay_data() {
    QTest::addColumn<int>("attempt");
    QTest::addColumn<double>("random");
    QTest::addColumn<int>("ms");
    QTest::newRow("first, random at its lowest") << 0 << 0.0 << 0;
    QTest::newRow("first, random in the middle") << 0 << 0.25 << 250;
    QTest::newRow("first, random at its highest") << 0 << 1.0 << 1000;
    QTest::newRow("first, random out of range below") << 0 << -3.0 << 0;
    QTest::newRow("first, random out of range above") << 0 << 7.5 << 1000;
    QTest::newRow("second") << 1 << 0.9 << 1000;
    QTest::newRow("third") << 2 << 0.9 << 2000;
    QTest::newRow("fourth") << 3 << 0.9 << 4000;
    QTest::newRow("fifth") << 4 << 0.9 << 5000;
    QTest::newRow("sixth") << 5 << 0.0 << 5000;
    QTest::newRow("after an hour of failures") << 720 << 0.5 << 5000;
    QTest::newRow("a negative count is the first") << -1 << 0.5 << 500;
}

void SiteLinkUnitTest::reconnectDelay() {
    QFETCH(int, attempt);
    QFETCH(double, random);
    QFETCH(int, ms);
    QCOMPARE(ReconnectDelayMs(attempt, random), ms);
}

// Two hundred rooms that lose the broker together come back spread over the first second,
// not at one instant: the random number is used in full, not rounded to whole seconds.
void SiteLinkUnitTest::firstRetriesSpreadOverASecond() {
    QSet<int> tenths;
    for (int room = 0; room < 200; ++room)
        tenths << ReconnectDelayMs(0, (room + 0.5) / 200.0) / 100;
    QCOMPARE(tenths.size(), 10);
}

QTEST_GUILESS_MAIN(SiteLinkUnitTest)
#include "unit_site_link.moc"
