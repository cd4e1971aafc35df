// Start-up and shut-down of the main window on the fake platform.
#include <QtTest>

#include "AppFixture.h"
#include "settings/SettingsFile.h"

class StartupTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void firstStartWritesDefaults();
};

void StartupTest::firstStartWritesDefaults() {
    AppFixture app(QDateTime(QDate(2007, 1, 31), QTime(16, 55, 7)));
    QVERIFY(QFile::exists(app.fake.settingsPath()));
    QCOMPARE(app->Edit10->text(), QStringLiteral("1"));
    QCOMPARE(app->windowTitle(), QStringLiteral("澄屿计时器  V2.01"));
    QCOMPARE(app->Edit25->text(), QStringLiteral("16"));
    QCOMPARE(app->Edit27->text(), QStringLiteral("07"));
    QCOMPARE(app->Edit48->text(), QStringLiteral("01"));
    QVERIFY(app.fake.dialogs.log.isEmpty());
}

QTEST_MAIN(StartupTest)
#include "behaviour_startup.moc"
