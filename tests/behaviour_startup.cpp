// Start-up and shut-down of the main window on the fake platform.
#include <sys/stat.h>
#include <QtTest>

#include "AppFixture.h"
#include "FileSizeLimit.h"
#include "Golden.h"
#include "core/SettingsFile.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

QByteArray DefaultsFile() {
    return FactorySettingsFile();
}

// A settings file with some fields changed from the defaults.
QByteArray CustomFile(const std::function<void(SettingsRecord&)>& change) {
    SettingsRecord r;
    DecodeSettings(FactorySettingsFile(), r);
    change(r);
    return EncodeSettings(r);
}

const QDateTime kStart(QDate(2007, 1, 31), QTime(16, 55, 7));

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void firstStartWritesDefaults();
    void secondStartReadsTheFile();
    void displaysByDirection_data();
    void displaysByDirection();
    void unknownUnitGivesZero();
    void damagedFileIsReportedAndKept();
    void loadMessageStaysOnTop();
    void closeSavesWithoutAsking();
    void deletedFileAtClose();
    void emptyDurationBlocksClose();
    void exitCommand_data();
    void exitCommand();
    void unattendedEndNeverWaits_data();
    void unattendedEndNeverWaits();
    void notAFileOfSettings_data();
    void notAFileOfSettings();
    void staleTemporariesGoAtStart();
    void unwritableFolderIsToldAtStart_data();
    void unwritableFolderIsToldAtStart();
    void unsavableSettingsAtTheClose_data();
    void unsavableSettingsAtTheClose();
    void linkedSettingsFileStaysALink();
};

void StartupTest::firstStartWritesDefaults() {
    AppFixture app(kStart);
    QCOMPARE(ReadAll(app.fake.settingsPath()), DefaultsFile());
    QVERIFY(app.fake.dialogs.log.isEmpty());
    QCOMPARE(app->windowTitle(), QStringLiteral("澄屿计时器  V2.01"));
    QCOMPARE(ApplicationTitle(), QStringLiteral("澄屿计时器 V2.01"));
    // The clock and the scheduled date show today; the scheduled time keeps its value.
    QCOMPARE(app->Edit13->text(), QStringLiteral("2007"));
    QCOMPARE(app->Edit14->text(), QStringLiteral("01"));
    QCOMPARE(app->Edit15->text(), QStringLiteral("31"));
    QCOMPARE(app->Edit25->text(), QStringLiteral("16"));
    QCOMPARE(app->Edit26->text(), QStringLiteral("55"));
    QCOMPARE(app->Edit27->text(), QStringLiteral("07"));
    QCOMPARE(app->Edit47->text(), QStringLiteral("2007"));
    QCOMPARE(app->Edit48->text(), QStringLiteral("01"));
    QCOMPARE(app->Edit49->text(), QStringLiteral("31"));
    QCOMPARE(app->Edit50->text(), QStringLiteral("08"));
    // Both timers stopped, the clock ticking, the usage mode "时钟".
    QVERIFY(!app->Timer1->Enabled());
    QVERIFY(!app->Timer2->Enabled());
    QVERIFY(app->Timer3->Enabled());
    QVERIFY(!app->Panel3->isHidden());
    QVERIFY(app->Panel4->isHidden());
    QVERIFY(app->Panel5->isHidden());
    QCOMPARE(app->alertState, 1);
    QCOMPARE(app->intervalLimit, 60);
    QCOMPARE(app->scheduledTextSeconds, 5);
    // The background music plays from start-up.
    QCOMPARE(app.fake.player2.played, QStringList{QStringLiteral("Bjyyly.wav")});
}

void StartupTest::secondStartReadsTheFile() {
    AppFixture app(kStart, false);
    WriteAll(app.fake.settingsPath(), CustomFile([](SettingsRecord& r) {
                 r.mainDuration = 2;
                 r.mainDurationUnit = QStringLiteral("小时");
                 r.autoYear = QStringLiteral("1999");
                 r.autoMonth = QStringLiteral("05");
                 r.autoHour = QStringLiteral("21");
                 r.modeTimingOn = 1;
                 r.modeClockOn = 0;
                 r.titleText = QStringLiteral("期末考试");
                 r.titleOn = 1;
             }));
    const QByteArray before = ReadAll(app.fake.settingsPath());
    app.destroy();
    app.create();
    QCOMPARE(app->Edit10->text(), QStringLiteral("2"));
    QCOMPARE(app->ComboBox5->Text(), QStringLiteral("小时"));
    QCOMPARE(app->mainSeconds, 7200);
    QCOMPARE(app->ProgressBar1->Max(), 7200);
    QCOMPARE(app->Edit1->text() + app->Edit2->text(), QStringLiteral("02"));
    QCOMPARE(app->Label44->text(), QStringLiteral("期末考试"));
    QVERIFY(!app->Label44->isHidden());
    // Today's date replaces the stored date; the stored time stays.
    QCOMPARE(app->Edit47->text(), QStringLiteral("2007"));
    QCOMPARE(app->Edit48->text(), QStringLiteral("01"));
    QCOMPARE(app->Edit50->text(), QStringLiteral("21"));
    QVERIFY(app->Panel3->isHidden());
    QVERIFY(!app->Panel4->isHidden());
    // Reading does not write.
    QCOMPARE(ReadAll(app.fake.settingsPath()), before);
}

void StartupTest::displaysByDirection_data() {
    QTest::addColumn<bool>("countUp");
    QTest::addColumn<int>("mainSeconds");
    QTest::addColumn<int>("prepSeconds");
    QTest::addColumn<QString>("mainHeading");
    QTest::addColumn<QString>("prepHeading");
    QTest::newRow("count-down") << false << 60 << 60 << QStringLiteral("倒计时")
                                << QStringLiteral("预备倒计时");
    QTest::newRow("count-up") << true << 0 << 0 << QStringLiteral("计时")
                              << QStringLiteral("预备计时");
}

void StartupTest::displaysByDirection() {
    QFETCH(bool, countUp);
    QFETCH(int, mainSeconds);
    QFETCH(int, prepSeconds);
    QFETCH(QString, mainHeading);
    QFETCH(QString, prepHeading);
    AppFixture app(kStart, false);
    WriteAll(app.fake.settingsPath(), CustomFile([&](SettingsRecord& r) {
                 r.countUpOn = countUp ? 1 : 0;
                 r.countDownOn = countUp ? 0 : 1;
             }));
    app.destroy();
    app.create();
    QCOMPARE(app->mainSeconds, mainSeconds);
    QCOMPARE(app->prepSeconds, prepSeconds);
    QCOMPARE(app->ProgressBar1->Max(), 60);
    QCOMPARE(app->ProgressBar1->Position(), mainSeconds);
    QCOMPARE(app->ProgressBar2->Max(), 60);
    QCOMPARE(app->ProgressBar2->Position(), prepSeconds);
    QCOMPARE(app->Label13->text(), mainHeading);
    QCOMPARE(app->Label14->text(), prepHeading);
    QString shown;
    for (TEdit* e : app->MainDigits())
        shown += e->text();
    QCOMPARE(shown, countUp ? QStringLiteral("000000") : QStringLiteral("000100"));
}

void StartupTest::unknownUnitGivesZero() {
    AppFixture app(kStart, false);
    WriteAll(app.fake.settingsPath(), CustomFile([](SettingsRecord& r) {
                 r.mainDurationUnit = QStringLiteral("分");
                 r.prepDurationUnit = QStringLiteral("minutes");
             }));
    app.destroy();
    app.create();
    QCOMPARE(app->mainSeconds, 0);
    QCOMPARE(app->prepSeconds, 0);
    QCOMPARE(app->ProgressBar1->Max(), 0);
    QCOMPARE(app->intervalLimit, 0);
}

void StartupTest::damagedFileIsReportedAndKept() {
    AppFixture app(kStart, false);
    QByteArray damaged = DefaultsFile();
    damaged.replace(damaged.indexOf("1\r\n"), 3, "abc\r\n");  // line 2
    WriteAll(app.fake.settingsPath(), damaged);
    app.destroy();
    app.create();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")),
             QStringList{QStringLiteral("'abc' is not a valid integer value")});
    // Start-up stopped: the panel is as the clear left it, nothing further ran.
    QVERIFY(app->Edit10->text().isEmpty());
    QVERIFY(app->Edit32->text().isEmpty());
    QVERIFY(app.fake.player2.played.isEmpty());
    QVERIFY(app->settingsLoadFailed());
    // The program can still be closed, and the operator's file is not overwritten.
    QSignalSpy closed(app.f(), &TForm1::Closed);
    QVERIFY(app->close());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(ReadAll(app.fake.settingsPath()), damaged);
}

// The clock tick finds the schedule boxes empty after a failed load; its report waits until
// the operator has answered the load's message, which stays the one on top.
void StartupTest::loadMessageStaysOnTop() {
    AppFixture app(kStart, false);
    QByteArray damaged = DefaultsFile();
    damaged.replace(damaged.indexOf("1\r\n"), 3, "abc\r\n");  // line 2
    WriteAll(app.fake.settingsPath(), damaged);
    // While the load's message is open, its own event loop runs the ticks.
    app.fake.dialogs.whileOpen = [&app] {
        for (int i = 0; i < 3; ++i) {
            app.seconds(1);
            QCoreApplication::processEvents();
        }
    };
    QVERIFY(!app->Run(&TForm1::FormCreate));
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    const QStringList expected = {QStringLiteral("'abc' is not a valid integer value"),
                                  QStringLiteral("'' is not a valid integer value")};
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")), expected);
    for (const FakeDialogs::Shown& shown : app.fake.dialogs.log)
        QVERIFY2(!shown.onTop, qPrintable(shown.text));
}

void StartupTest::closeSavesWithoutAsking() {
    AppFixture app(kStart);
    app->Edit10->setText(QStringLiteral("45"));
    app->CheckBox16->setChecked(false);
    app.fake.dialogs.clear();
    app.fake.player1.clearCalls();
    app->BitBtn24Click();  // a prompt plays on MediaPlayer1
    QCOMPARE(app.fake.player1.state(), PlayerState::Playing);
    QVERIFY(app->close());
    QVERIFY(app.fake.dialogs.log.isEmpty());
    SettingsRecord saved;
    ReadSettingsFile(app.fake.settingsPath(), saved);
    QCOMPARE(saved.mainDuration, 45);
    QCOMPARE(saved.timeUpFlashOn, 0);
    // Both players were stopped first.
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
    QVERIFY(!app->Timer3->Enabled());
}

void StartupTest::deletedFileAtClose() {
    AppFixture app(kStart);
    QVERIFY(QFile::remove(app.fake.settingsPath()));
    QVERIFY(app->close());
    QCOMPARE(
        app.fake.dialogs.texts(QStringLiteral("information")),
        QStringList{QStringLiteral("参数设置文件kvtmr201.ini不存在，当前设置不能保存，请检查！")});
    QVERIFY(!QFile::exists(app.fake.settingsPath()));
}

void StartupTest::emptyDurationBlocksClose() {
    AppFixture app(kStart);
    const QByteArray before = ReadAll(app.fake.settingsPath());
    app->Edit10->setText(QString());
    QSignalSpy closed(app.f(), &TForm1::Closed);
    for (int attempt = 0; attempt < 2; ++attempt) {
        QVERIFY(!app->close());
        QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")).size(), attempt + 1);
        QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")).last(),
                 QStringLiteral("'' is not a valid integer value"));
    }
    QCOMPARE(closed.count(), 0);
    QVERIFY(app->Timer3->Enabled());
    QCOMPARE(ReadAll(app.fake.settingsPath()), before);
    app->Edit10->setText(QStringLiteral("3"));
    QVERIFY(app->close());
    QCOMPARE(closed.count(), 1);
}

void StartupTest::exitCommand_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void StartupTest::exitCommand() {
    QFETCH(bool, answer);
    AppFixture app(kStart);
    app->show();
    app->BitBtn2Click();  // a timer runs
    const QByteArray before = ReadAll(app.fake.settingsPath());
    app->Edit11->setText(QStringLiteral("7"));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    app.fake.dialogs.answers = {answer};
    app->SpeedButton1->click();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")),
             QStringList{QStringLiteral("真的退出吗?")});
    QCOMPARE(closed.count(), answer ? 1 : 0);
    QCOMPARE(app->isVisible(), !answer);
    QCOMPARE(app->Timer1->Enabled(), !answer);
    if (answer) {
        SettingsRecord saved;
        ReadSettingsFile(app.fake.settingsPath(), saved);
        QCOMPARE(saved.warningLead, 7);
    } else {
        QCOMPARE(ReadAll(app.fake.settingsPath()), before);
        app.seconds(1);
        QCOMPARE(app->mainSeconds, 59);
    }
}

// The schedule's close, the end of the session and a signal end the program also when the
// settings cannot be saved: no box waits for an answer; the session log tells why.
void StartupTest::unattendedEndNeverWaits_data() {
    QTest::addColumn<QString>("end");
    QTest::newRow("the scheduled close") << "schedule";
    QTest::newRow("the session ends (or a signal)") << "session";
}

void StartupTest::unattendedEndNeverWaits() {
    QFETCH(QString, end);
    // The factory schedule closes the program at 08:00:05.
    AppFixture app(QDateTime(kStart.date(), QTime(7, 59, 58)));
    app->show();
    const QByteArray before = ReadAll(app.fake.settingsPath());
    app->Edit10->setText(QString());  // the settings cannot be collected
    app.fake.dialogs.clear();
    QSignalSpy closed(app.f(), &TForm1::Closed);
    if (end == QLatin1String("schedule")) {
        app.seconds(8);
    } else {
        app->sessionEnding = true;
        QVERIFY(app->close());
    }
    QCOMPARE(closed.count(), 1);
    QVERIFY(app.fake.dialogs.log.isEmpty());
    QVERIFY(!app->isVisible());
    QVERIFY(!app->Timer3->Enabled());
    QCOMPARE(ReadAll(app.fake.settingsPath()), before);
    QVERIFY(app.fake.log.events().contains(
        QStringLiteral("设置未能保存：'' is not a valid integer value")));
    // The ticks after the close change nothing more.
    app.seconds(3);
    QCOMPARE(closed.count(), 1);
    QVERIFY(app.fake.dialogs.log.isEmpty());
}

// What lies at the settings path is read only when it is a regular file of a sane size; the
// start-up says why otherwise, goes on with an empty panel, and leaves the thing as it is.
void StartupTest::notAFileOfSettings_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("FIFO") << "fifo" << QStringLiteral("不是普通文件");
    QTest::newRow("link to /dev/zero") << "zero" << QStringLiteral("不是普通文件");
    QTest::newRow("5 MiB") << "large" << QStringLiteral("大于4 MiB");
}

void StartupTest::notAFileOfSettings() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    AppFixture app(kStart, false);
    app.destroy();
    const QString path = app.fake.settingsPath();
    QFile::remove(path);
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else
        WriteAll(path, QByteArray(5 * 1024 * 1024, '1'));
    const QFileInfo was(path);
    app.create();
    const QStringList errors = app.fake.dialogs.texts(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(message) && errors[0].contains(path), qPrintable(errors[0]));
    QVERIFY(app->settingsLoadFailed());
    QVERIFY(app->close());
    const QFileInfo is(path);
    QCOMPARE(is.isSymLink(), was.isSymLink());
    QCOMPARE(is.size(), was.size());
    QCOMPARE(is.isFile(), was.isFile());
}

// Only what a killed save of the program itself left goes; the operator's copies beside the
// files stay, whatever their names.
void StartupTest::staleTemporariesGoAtStart() {
    AppFixture app(kStart);
    app.destroy();
    const QDir dir(app.fake.location.dir);
    const QStringList stale = {".kvtmr-tmp-kvtmr201.ini.a1B2c3",
                               ".kvtmr-tmp-kvtmr-options.ini.QwErTy",
                               ".kvtmr-tmp-kvtmr-state.ini.000000"};
    const QStringList kept = {"kvtmr201.ini.bak",         "other.ini.a1B2c3",
                              "kvtmr201.ini.backup",      "kvtmr201.ini.exam01",
                              "kvtmr201.ini.Monday",      "kvtmr-state.ini.Monday",
                              "kvtmr-options.ini.exam01", ".kvtmr-tmp-other.ini.a1B2c3"};
    for (const QString& name : stale + kept)
        WriteAll(dir.filePath(name), "half a save");
    app.create();
    for (const QString& name : stale)
        QVERIFY2(!QFile::exists(dir.filePath(name)), qPrintable(name));
    for (const QString& name : kept)
        QVERIFY2(QFile::exists(dir.filePath(name)), qPrintable(name));
    QCOMPARE(ReadAll(app.fake.settingsPath()), DefaultsFile());
}

// A folder where the settings cannot be saved (here a file-size limit, as a full disk) does not
// stop the start-up, also the first one: the window comes up complete, and the operator is
// told in words, once the window's loop runs, as is the session log.
void StartupTest::unwritableFolderIsToldAtStart_data() {
    QTest::addColumn<bool>("firstStart");
    QTest::newRow("first start") << true;
    QTest::newRow("a start with settings") << false;
}

void StartupTest::unwritableFolderIsToldAtStart() {
    QFETCH(bool, firstStart);
    AppFixture app(kStart);
    app.destroy();
    app.fake.log.clear();
    if (firstStart) QVERIFY(QFile::remove(app.fake.settingsPath()));
    {
        const FileSizeLimit limit(512);
        app.create();
    }
    // No box held up the start-up; the steps after the settings all ran.
    QCOMPARE(app.fake.dialogs.log.size(), 0);
    QCOMPARE(app->windowTitle(), QStringLiteral("澄屿计时器  V2.01"));
    QCOMPARE(app->Label13->text(), QStringLiteral("倒计时"));
    QCOMPARE(app->ProgressBar1->Max(), 60);
    QCOMPARE(app->Edit10->text(), QStringLiteral("1"));
    QCOMPARE(QFile::exists(app.fake.settingsPath()), !firstStart);
    const QString message =
        QStringLiteral(
            "设置文件夹%1不能写入（超过了文件大小的限制）：本次运行中的设置不能保存，"
            "计时状态也不能保存（程序意外中断后不能恢复计时），请检查！")
            .arg(app.fake.location.dir);
    QCOMPARE(app->reports().waiting(), QStringList{message});
    QVERIFY(app.fake.log.events().contains(
        QStringLiteral("设置文件夹不能写入（超过了文件大小的限制）")));
    // A folder that can be written says nothing.
    AppFixture fine(kStart);
    QVERIFY(fine->reports().waiting().isEmpty());
}

// Settings that cannot be written at the operator's close (a read-only folder, a full disk, a
// file-size limit): the reason in words and the choice; OK closes without saving, Cancel keeps
// the window so that the disk can be freed, and a close after that saves.
void StartupTest::unsavableSettingsAtTheClose_data() {
    QTest::addColumn<bool>("byExitCommand");
    QTest::addColumn<bool>("leave");
    QTest::newRow("close box, OK") << false << true;
    QTest::newRow("close box, Cancel") << false << false;
    QTest::newRow("exit command, OK") << true << true;
    QTest::newRow("exit command, Cancel") << true << false;
}

void StartupTest::unsavableSettingsAtTheClose() {
    QFETCH(bool, byExitCommand);
    QFETCH(bool, leave);
    AppFixture app(kStart);
    app->show();
    const QByteArray before = ReadAll(app.fake.settingsPath());
    app->Edit10->setText(QStringLiteral("45"));
    app.fake.dialogs.clear();
    QSignalSpy closed(app.f(), &TForm1::Closed);
    {
        const FileSizeLimit limit(512);
        if (byExitCommand) {
            app.fake.dialogs.answers = {true, leave};
            app->SpeedButton1->click();
        } else {
            app.fake.dialogs.answers = {leave};
            app->close();
        }
    }
    QStringList asked = app.fake.dialogs.texts(QStringLiteral("confirm"));
    if (byExitCommand) QCOMPARE(asked.takeFirst(), QStringLiteral("真的退出吗?"));
    QCOMPARE(asked,
             QStringList{QStringLiteral("设置不能保存到%1（超过了文件大小的限制）。\n\n"
                                        "按“确定”不保存设置，退出程序；\n"
                                        "按“取消”不退出，可先腾出磁盘空间或改正文件夹的权限，"
                                        "再退出。")
                             .arg(app.fake.settingsPath())});
    // Neither the toolkit's English text nor any other box.
    QCOMPARE(app.fake.dialogs.log.size(), byExitCommand ? 2 : 1);
    QCOMPARE(ReadAll(app.fake.settingsPath()), before);
    QCOMPARE(closed.count(), leave ? 1 : 0);
    QCOMPARE(app->isVisible(), !leave);
    QCOMPARE(app->Timer3->Enabled(), !leave);
    if (leave) {
        QVERIFY(app.fake.log.events().contains(
            QStringLiteral("设置未能保存（超过了文件大小的限制），按操作员的选择不保存退出")));
        return;
    }
    // The disk was freed: the next close saves, without a question.
    app.fake.dialogs.clear();
    QVERIFY(app->close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(app.fake.dialogs.log.isEmpty());
    SettingsRecord saved;
    ReadSettingsFile(app.fake.settingsPath(), saved);
    QCOMPARE(saved.mainDuration, 45);
}

// The operator keeps the settings file as a link (to a folder that is backed up): the saves go
// into the file it leads to, and the link stays.
void StartupTest::linkedSettingsFileStaysALink() {
    AppFixture app(kStart);
    app.destroy();
    QTemporaryDir elsewhere;
    const QString target = QDir(elsewhere.path()).filePath(QStringLiteral("kvtmr201.ini"));
    QVERIFY(QFile::rename(app.fake.settingsPath(), target));
    QVERIFY(QFile::link(target, app.fake.settingsPath()));
    app.create();
    app->Edit10->setText(QStringLiteral("45"));
    QVERIFY(app->close());
    QCOMPARE(QFileInfo(app.fake.settingsPath()).symLinkTarget(), target);
    SettingsRecord saved;
    ReadSettingsFile(target, saved);
    QCOMPARE(saved.mainDuration, 45);
}

QTEST_MAIN(StartupTest)
#include "behaviour_startup.moc"
