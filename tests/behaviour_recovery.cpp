// A count that survives a crash: the program is destroyed without closing (as a crash or a
// power cut leaves it), the fake clock moves on, a new start offers to take the count up and
// puts it where an uninterrupted count would be, in its own direction; an end of the program
// while that question is open keeps the count for the next start; a state that cannot be
// written is told and its stale file said so at the recovery; and the session log's lines for
// the three roads (manual exam timing, preparation then exam, the daily shift handover).
#include <QtTest>

#include "AppFixture.h"
#include "FileSizeLimit.h"
#include "core/CountState.h"
#include "timing/CountKeeper.h"

namespace {

const QString kStartSound = QStringLiteral("Ksksly.wav");
const QString kTimeUpSound = QStringLiteral("Ksjsly.wav");
const QString kQuestion = QStringLiteral("上次计时意外中断，是否恢复计时？");
const QDateTime kAfternoon(QDate(2026, 12, 8), QTime(14, 0, 0));

QString MainShown(const TForm1* f) {
    return f->Edit1->text() + f->Edit2->text() + QLatin1Char(':') + f->Edit4->text() +
           f->Edit5->text() + QLatin1Char(':') + f->Edit7->text() + f->Edit8->text();
}

QString PrepShown(const TForm1* f) {
    return f->Edit17->text() + f->Edit18->text() + QLatin1Char(':') + f->Edit20->text() +
           f->Edit21->text() + QLatin1Char(':') + f->Edit23->text() + f->Edit24->text();
}

QString StatePath(const AppFixture& app) {
    return QDir(app.fake.location.dir).filePath(QStringLiteral("kvtmr-state.ini"));
}

// Main timer 1 minute with a 5-second lead, preparation 10 seconds, the direction given;
// confirmed with OK (which saves them for the next start).
void Configure(AppFixture& app, bool countUp) {
    TForm1* f = app.f();
    f->Edit10->setText(QStringLiteral("1"));
    f->ComboBox5->setText(QStringLiteral("分钟"));
    f->Edit11->setText(QStringLiteral("5"));
    f->ComboBox7->setText(QStringLiteral("秒钟"));
    f->Edit9->setText(QStringLiteral("10"));
    f->ComboBox3->setText(QStringLiteral("秒钟"));
    SetRadioChecked(f->RadioButton1, countUp);
    SetRadioChecked(f->RadioButton2, !countUp);
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
}

// The program ends without closing: nothing of the normal end runs.
void Crash(AppFixture& app) {
    QVERIFY(app->countKeeper().flush(2000));
    app.destroy();
}

// A new start after a crash, the recovery question answered as given.
void Restart(AppFixture& app, bool answer) {
    app.create();
    app.fake.dialogs.clear();
    app.fake.player1.clearCalls();
    app.fake.dialogs.answers = {answer};
    QVERIFY(app->Run(&TForm1::ResumeInterruptedCount));
    QVERIFY(app->countKeeper().flush(2000));
}

bool Asked(const AppFixture& app) {
    return app.fake.dialogs.texts(QStringLiteral("confirm")).contains(kQuestion);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void SetDigits(const TForm1::Digits& digits, const QString& six) {
    for (int i = 0; i < 6; ++i)
        digits[i]->setText(six.mid(i, 1));
}

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void mainCountGoesOn_data();
    void mainCountGoesOn();
    void stepsKeepTheOldGrid_data();
    void stepsKeepTheOldGrid();
    void preparationGoesOn_data();
    void preparationGoesOn();
    void directionIsRecovered_data();
    void directionIsRecovered();
    void endDuringTheQuestionKeepsTheCount_data();
    void endDuringTheQuestionKeepsTheCount();
    void failedStateWriteIsToldOnce();
    void staleStateIsSaidSo_data();
    void staleStateIsSaidSo();
    void fileNoticesBesideTheSoundNotice();
    void nothingToRecover_data();
    void nothingToRecover();
    void cancelStartsAsUsual();
    void scheduleWarningReachesTheStateFile();
    void damagedStateFile_data();
    void damagedStateFile();
    void stateIsWrittenAtCommandsOnly();
    void logTellsEachRoad_data();
    void logTellsEachRoad();
    void logFolderFromTheMenu();
};

void RecoveryTest::mainCountGoesOn_data() {
    QTest::addColumn<bool>("countUp");
    QTest::addColumn<bool>("pauseFirst");
    QTest::addColumn<int>("gap");  // seconds the program was away after 10 s of counting
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("timeUpNow");
    QTest::addColumn<int>("alert");
    // Counting down from 00:01:00: at the crash 00:00:50 remain; the time-up is the step
    // after 00:00:00, 51 s after the crash.
    QTest::newRow("down, less than the rest")
        << false << false << 20 << true << "00:00:30" << false << 1;
    QTest::newRow("down, the warning in the gap")
        << false << false << 47 << true << "00:00:03" << false << 2;
    QTest::newRow("down, exactly the rest")
        << false << false << 50 << true << "00:00:00" << false << 2;
    QTest::newRow("down, time-up in the gap")
        << false << false << 51 << true << "00:00:00" << true << 0;
    QTest::newRow("down, time-up a full count ago")
        << false << false << 51 + 60 << true << "00:00:00" << true << 0;
    QTest::newRow("down, time-up longer ago")
        << false << false << 51 + 61 << false << "00:01:00" << false << 1;
    QTest::newRow("down, paused") << false << true << 30 << true << "00:00:50" << false << 1;
    // Counting up, the warning came at 00:00:05, before the crash.
    QTest::newRow("up, less than the rest")
        << true << false << 20 << true << "00:00:30" << false << 2;
    QTest::newRow("up, exactly the rest")
        << true << false << 50 << true << "00:01:00" << false << 2;
    QTest::newRow("up, time-up in the gap")
        << true << false << 51 << true << "00:01:00" << true << 0;
    QTest::newRow("up, paused") << true << true << 45 << true << "00:00:10" << false << 2;
    QTest::newRow("down, paused for hours")
        << false << true << 11 * 3600 << true << "00:00:50" << false << 1;
    QTest::newRow("down, paused since yesterday")
        << false << true << 13 * 3600 << false << "00:01:00" << false << 1;
}

void RecoveryTest::mainCountGoesOn() {
    QFETCH(bool, countUp);
    QFETCH(bool, pauseFirst);
    QFETCH(int, gap);
    QFETCH(bool, offered);
    QFETCH(QString, shown);
    QFETCH(bool, timeUpNow);
    QFETCH(int, alert);
    AppFixture app(kAfternoon);
    Configure(app, countUp);
    QCOMPARE(MainShown(app.f()), countUp ? QStringLiteral("00:00:00") : QStringLiteral("00:01:00"));
    QVERIFY(app->Run(&TForm1::BitBtn2Click));
    app.seconds(10);
    if (pauseFirst) {
        app.fake.dialogs.answers = {true};
        QVERIFY(app->Run(&TForm1::BitBtn5Click));
        QVERIFY(!app->Timer1->Enabled());
    }
    Crash(app);
    app.seconds(gap);
    Restart(app, true);
    TForm1* f = app.f();
    QCOMPARE(Asked(app), offered);
    QCOMPARE(MainShown(f), shown);
    QCOMPARE(f->alertState, alert);
    // The prompts that fell in the gap are not given; a time-up that fell in it runs now, once.
    QCOMPARE(app.fake.player1.played, timeUpNow ? QStringList{kTimeUpSound} : QStringList());
    if (!offered) {
        QVERIFY(!f->Timer1->Enabled());
        QVERIFY(!QFile::exists(StatePath(app)));
        return;
    }
    if (alert == 2) QCOMPARE(f->Panel1->Color(), f->Label42->Color());
    if (timeUpNow) {
        QVERIFY(!f->Timer1->Enabled());
        QCOMPARE(f->Panel1->Color(), f->Label43->Color());
        QVERIFY(!QFile::exists(StatePath(app)));
        return;
    }
    QVERIFY(QFile::exists(StatePath(app)));
    if (pauseFirst) {
        QVERIFY(!f->Timer1->Enabled());
        app.seconds(5);
        QCOMPARE(MainShown(f), shown);
        QVERIFY(f->Run(&TForm1::BitBtn2Click));  // resumes from where it stood
        app.fake.player1.clearCalls();
    }
    // From here the count runs out where an uninterrupted one would: the step after the last
    // value, the remaining seconds later.
    QVERIFY(f->Timer1->Enabled());
    const int value = QTime(0, 0).secsTo(QTime::fromString(shown, QStringLiteral("HH:mm:ss")));
    const int remaining = countUp ? 60 - value : value;
    app.seconds(remaining);
    QVERIFY(f->Timer1->Enabled());
    QVERIFY(!app.fake.player1.played.contains(kTimeUpSound));
    app.seconds(1);
    QVERIFY(!f->Timer1->Enabled());
    QCOMPARE(app.fake.player1.played.count(kTimeUpSound), 1);
    QCOMPARE(f->alertState, 0);
    QVERIFY(f->countKeeper().flush(2000));
    QVERIFY(!QFile::exists(StatePath(app)));
}

// The steps after a recovery come on the seconds of the count that was started, not of the
// new start; a question answered later finds the count where it is at the answer.
void RecoveryTest::stepsKeepTheOldGrid_data() {
    QTest::addColumn<int>("countedMs");  // before the crash, from 00:01:00
    QTest::addColumn<int>("awayMs");
    QTest::addColumn<int>("answerMs");  // how long the question stands open
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("nextStepMs");
    QTest::addColumn<QString>("next");
    QTest::newRow("a crash half-way through a second")
        << 10400 << 20300 << 0 << "00:00:30" << 300 << "00:00:29";
    QTest::newRow("the answer 7.5 s after the question")
        << 10000 << 10000 << 7500 << "00:00:33" << 500 << "00:00:32";
}

void RecoveryTest::stepsKeepTheOldGrid() {
    QFETCH(int, countedMs);
    QFETCH(int, awayMs);
    QFETCH(int, answerMs);
    QFETCH(QString, shown);
    QFETCH(int, nextStepMs);
    QFETCH(QString, next);
    AppFixture app(kAfternoon);
    Configure(app, false);
    QVERIFY(app->Run(&TForm1::BitBtn2Click));
    app.ms(countedMs);
    Crash(app);
    app.ms(awayMs);
    if (answerMs) app.fake.dialogs.whileOpen = [&app, answerMs] { app.ms(answerMs); };
    Restart(app, true);
    app.fake.dialogs.whileOpen = nullptr;
    TForm1* f = app.f();
    QCOMPARE(MainShown(f), shown);
    app.ms(nextStepMs - 1);
    QCOMPARE(MainShown(f), shown);
    app.ms(1);
    QCOMPARE(MainShown(f), next);
}

void RecoveryTest::preparationGoesOn_data() {
    QTest::addColumn<bool>("pauseFirst");
    QTest::addColumn<int>("gap");  // seconds away after 3 s of the 10-second preparation
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("prepShown");
    QTest::addColumn<bool>("prepRuns");
    QTest::addColumn<QString>("mainShown");
    QTest::addColumn<bool>("mainRuns");
    QTest::addColumn<bool>("timeUpNow");
    // The preparation hands over 11 s after its start; the main minute runs out 61 s later.
    QTest::newRow("preparation running")
        << false << 4 << true << "00:00:03" << true << "00:01:00" << false << false;
    QTest::newRow("preparation paused")
        << true << 50 << true << "00:00:07" << false << "00:01:00" << false << false;
    QTest::newRow("handed over in the gap")
        << false << 20 << true << "" << false << "00:00:48" << true << false;
    QTest::newRow("handed over and timed up in the gap")
        << false << 69 << true << "" << false << "00:00:00" << false << true;
    QTest::newRow("handed over, time-up long ago")
        << false << 130 << false << "00:00:10" << false << "00:01:00" << false << false;
}

void RecoveryTest::preparationGoesOn() {
    QFETCH(bool, pauseFirst);
    QFETCH(int, gap);
    QFETCH(bool, offered);
    QFETCH(QString, prepShown);
    QFETCH(bool, prepRuns);
    QFETCH(QString, mainShown);
    QFETCH(bool, mainRuns);
    QFETCH(bool, timeUpNow);
    AppFixture app(kAfternoon);
    Configure(app, false);
    QCOMPARE(PrepShown(app.f()), QStringLiteral("00:00:10"));
    QVERIFY(app->Run(&TForm1::BitBtn14Click));
    app.seconds(3);
    if (pauseFirst) {
        app.fake.dialogs.answers = {true};
        QVERIFY(app->Run(&TForm1::BitBtn13Click));
    }
    Crash(app);
    app.seconds(gap);
    Restart(app, true);
    TForm1* f = app.f();
    QCOMPARE(Asked(app), offered);
    if (!prepShown.isEmpty()) QCOMPARE(PrepShown(f), prepShown);
    QCOMPARE(f->Timer2->Enabled(), prepRuns);
    QCOMPARE(MainShown(f), mainShown);
    QCOMPARE(f->Timer1->Enabled(), mainRuns);
    // Neither the start sound of the hand-over nor any other prompt of the gap plays.
    QCOMPARE(app.fake.player1.played, timeUpNow ? QStringList{kTimeUpSound} : QStringList());
    if (offered && prepShown.isEmpty()) QVERIFY(f->Panel5->isHidden());
    if (prepRuns) {
        // It hands over when it would have: 4 more steps.
        app.seconds(3);
        QVERIFY(!f->Timer1->Enabled());
        app.seconds(1);
        QVERIFY(f->Timer1->Enabled());
        QCOMPARE(MainShown(f), QStringLiteral("00:01:00"));
        QVERIFY(app.fake.player1.played.contains(kStartSound));
    }
    if (mainRuns) {
        app.seconds(48);
        QVERIFY(f->Timer1->Enabled());
        app.seconds(1);
        QCOMPARE(app.fake.player1.played.count(kTimeUpSound), 1);
    }
}

// The count goes on in the direction it counted, also when the settings file holds the other
// one (the direction was chosen in the settings panel without OK): both timers, both ways.
void RecoveryTest::directionIsRecovered_data() {
    QTest::addColumn<bool>("prep");
    QTest::addColumn<bool>("countUp");
    QTest::addColumn<QString>("atCrash");
    QTest::addColumn<QString>("atRestart");
    QTest::addColumn<QString>("stepAfter");
    QTest::addColumn<QString>("heading");
    // The main timer counts 10 s and is away 5 s; the preparation (10 s) counts 3 s and is
    // away 2 s.
    QTest::newRow("main, up") << false << true << "00:00:10"
                              << "00:00:15"
                              << "00:00:16"
                              << "计时";
    QTest::newRow("main, down") << false << false << "00:00:50"
                                << "00:00:45"
                                << "00:00:44"
                                << "倒计时";
    QTest::newRow("preparation, up") << true << true << "00:00:03"
                                     << "00:00:05"
                                     << "00:00:06"
                                     << "预备计时";
    QTest::newRow("preparation, down") << true << false << "00:00:07"
                                       << "00:00:05"
                                       << "00:00:04"
                                       << "预备倒计时";
}

void RecoveryTest::directionIsRecovered() {
    QFETCH(bool, prep);
    QFETCH(bool, countUp);
    QFETCH(QString, atCrash);
    QFETCH(QString, atRestart);
    QFETCH(QString, stepAfter);
    QFETCH(QString, heading);
    AppFixture app(kAfternoon);
    Configure(app, !countUp);  // the settings file holds the other direction
    TForm1* f = app.f();
    SetRadioChecked(f->RadioButton1, countUp);
    SetRadioChecked(f->RadioButton2, !countUp);
    // The displays the counts start from: up from zero, down from the full count.
    SetDigits(f->MainDigits(), countUp ? QStringLiteral("000000") : QStringLiteral("000100"));
    if (prep) {
        SetDigits(f->PrepDigits(), countUp ? QStringLiteral("000000") : QStringLiteral("000010"));
        f->ProgressBar2->setPosition(0);
        QVERIFY(f->Run(&TForm1::BitBtn14Click));
        app.seconds(3);
        QCOMPARE(PrepShown(f), atCrash);
    } else {
        QVERIFY(f->Run(&TForm1::BitBtn2Click));
        app.seconds(10);
        QCOMPARE(MainShown(f), atCrash);
    }
    Crash(app);
    app.seconds(prep ? 2 : 5);
    Restart(app, true);
    f = app.f();
    QVERIFY(Asked(app));
    QCOMPARE(prep ? PrepShown(f) : MainShown(f), atRestart);
    QCOMPARE(f->RadioButton1->isChecked(), countUp);
    QCOMPARE(f->RadioButton2->isChecked(), !countUp);
    QCOMPARE((prep ? f->Label14 : f->Label13)->text(), heading);
    QCOMPARE((prep ? f->Label13 : f->Label14)->text(),
             prep ? (countUp ? QStringLiteral("计时") : QStringLiteral("倒计时"))
                  : (countUp ? QStringLiteral("预备计时") : QStringLiteral("预备倒计时")));
    app.seconds(1);
    QCOMPARE(prep ? PrepShown(f) : MainShown(f), stepAfter);
    if (!prep) return;
    // The hand-over comes when it would have, and the main count starts from the value its
    // display held, in the same direction.
    app.seconds(countUp ? 4 : 4);
    QVERIFY(f->Timer2->Enabled());
    app.seconds(1);
    QVERIFY(!f->Timer2->Enabled());
    QVERIFY(f->Timer1->Enabled());
    app.seconds(1);
    QCOMPARE(MainShown(f), countUp ? QStringLiteral("00:00:01") : QStringLiteral("00:00:59"));
}

// The program ends while the recovery question is open (a signal, the end of the session, the
// schedule's close): nobody answered, so the count is kept as it was for the next start,
// whatever the box returns when its loop is ended.
void RecoveryTest::endDuringTheQuestionKeepsTheCount_data() {
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("answer");
    QTest::newRow("a signal, the box ended without OK") << "signal" << false;
    QTest::newRow("a signal, the box ended with OK") << "signal" << true;
    QTest::newRow("the scheduled close") << "schedule" << false;
}

void RecoveryTest::endDuringTheQuestionKeepsTheCount() {
    QFETCH(QString, end);
    QFETCH(bool, answer);
    AppFixture app(kAfternoon);
    Configure(app, false);
    QVERIFY(app->Run(&TForm1::BitBtn2Click));
    app.seconds(10);
    Crash(app);
    const QByteArray saved = ReadAll(StatePath(app));
    QVERIFY(DecodeCountState(saved));
    app.seconds(5);
    app.create();
    app.fake.dialogs.clear();
    app.fake.dialogs.answers = {answer};
    QSignalSpy closed(app.f(), &TForm1::Closed);
    app.fake.dialogs.whileOpen = [&app, end] {
        app.fake.dialogs.whileOpen = nullptr;
        if (end == QLatin1String("signal")) {
            app->sessionEnding = true;
            app->close();
        } else {
            app->scheduleClock().closeWindow();
        }
    };
    QVERIFY(app->Run(&TForm1::ResumeInterruptedCount));
    QVERIFY(app->countKeeper().flush(2000));
    QVERIFY(Asked(app));
    QCOMPARE(closed.count(), 1);
    QVERIFY(!app->Timer1->Enabled());
    QCOMPARE(ReadAll(StatePath(app)), saved);
    QVERIFY(app.fake.log.events().contains(
        QStringLiteral("恢复计时的询问未得到答复，上次计时的状态留待下次启动")));
    // The next start offers the count where it now stands.
    app.destroy();
    Restart(app, true);
    QVERIFY(Asked(app));
    QCOMPARE(MainShown(app.f()), QStringLiteral("00:00:45"));
    QVERIFY(app->Timer1->Enabled());
}

// A state that cannot be written (a file-size limit, as a full disk) is told once on the status
// line and in the session log, however many commands fail; it is tried again, and once it is
// written the notice goes.
void RecoveryTest::failedStateWriteIsToldOnce() {
    AppFixture app(kAfternoon);
    Configure(app, false);
    TForm1* f = app.f();
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    QVERIFY(f->countKeeper().flush(2000));
    QCOMPARE(f->StatusBar1->fileNotice(), QString());
    const QString logged = QStringLiteral(
        "计时状态未能保存（超过了文件大小的限制）：程序若意外中断，只能恢复到此前保存的状态");
    {
        const FileSizeLimit limit(16);
        app.seconds(3);
        app.fake.dialogs.answers = {true};
        QVERIFY(f->Run(&TForm1::BitBtn5Click));  // pause
        QVERIFY(f->countKeeper().flush(2000));
        QCOMPARE(f->StatusBar1->fileNotice(),
                 QStringLiteral("计时状态未能保存（超过了文件大小的限制）"));
        QVERIFY(f->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusFileNotice"))
                    ->isVisibleTo(f->StatusBar1));
        QVERIFY(f->Run(&TForm1::BitBtn2Click));  // resume
        QVERIFY(f->countKeeper().flush(2000));
        app.seconds(CountKeeper::kRetryMs / 1000);  // a try again, failing too
        QVERIFY(f->countKeeper().flush(2000));
        QCOMPARE(app.fake.log.events().count(logged), 1);
        QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 0);
        // The file left is older than the commands: moved aside.
        QVERIFY(!QFile::exists(StatePath(app)));
        QVERIFY(QFile::exists(StatePath(app) + QStringLiteral(".stale")));
    }
    // The disk has room again: the next try writes the count as it stands.
    app.seconds(CountKeeper::kRetryMs / 1000);
    QVERIFY(f->countKeeper().flush(2000));
    QCOMPARE(f->StatusBar1->fileNotice(), QString());
    QVERIFY(app.fake.log.events().contains(QStringLiteral("计时状态已重新保存")));
    const std::optional<CountState> state = DecodeCountState(ReadAll(StatePath(app)));
    QVERIFY(state);
    QVERIFY(!state->paused);
    QCOMPARE(state->value, 57);
    QVERIFY(!QFile::exists(StatePath(app) + QStringLiteral(".stale")));
}

// A crash after a command whose state could not be written: the recovery offers the state
// saved before, and its question and the log say that it is older than the last command.
void RecoveryTest::staleStateIsSaidSo_data() {
    QTest::addColumn<bool>("movable");  // false: the folder lets nothing be moved aside
    QTest::newRow("the old state moved aside") << true;
    QTest::newRow("the old state marked in the runtime folder") << false;
}

void RecoveryTest::staleStateIsSaidSo() {
    QFETCH(bool, movable);
    AppFixture app(kAfternoon);
    Configure(app, false);
    TForm1* f = app.f();
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    QVERIFY(f->countKeeper().flush(2000));  // the start is written
    app.seconds(10);
    const QString stale = StatePath(app) + QStringLiteral(".stale");
    if (!movable) {
        QVERIFY(QDir().mkpath(stale));
        QFile in(QDir(stale).filePath(QStringLiteral("x")));
        QVERIFY(in.open(QIODevice::WriteOnly));
    }
    {
        const FileSizeLimit limit(16);
        app.fake.dialogs.answers = {true};
        QVERIFY(f->Run(&TForm1::BitBtn5Click));  // the pause is not written
        QVERIFY(f->countKeeper().flush(2000));
    }
    QVERIFY(!f->Timer1->Enabled());
    Crash(app);
    if (!movable) QVERIFY(QDir(stale).removeRecursively());
    app.seconds(5);
    Restart(app, true);
    const QStringList asked = app.fake.dialogs.texts(QStringLiteral("confirm"));
    QCOMPARE(asked, QStringList{CountKeeper::StaleRecoveryQuestion()});
    QVERIFY(asked[0].startsWith(kQuestion));
    QVERIFY(app.fake.log.events().contains(
        QStringLiteral("上次计时的状态早于中断前最后的操作（那次操作未能保存）")));
    // What was saved: the count running since its start, 15 s ago.
    QCOMPARE(MainShown(app.f()), QStringLiteral("00:00:45"));
    QVERIFY(app->Timer1->Enabled());
    // From here the state is written anew and is no longer stale.
    QVERIFY(QFile::exists(StatePath(app)));
    QVERIFY(!QFile::exists(stale));
    QCOMPARE(QDir(app.fake.location.runtimeDir).entryList(QDir::Files), QStringList());
    Crash(app);
    Restart(app, true);
    QVERIFY(Asked(app));
}

// The files' notices share the status line with the sound output's: each in red, each its own,
// the state's and the log's together in one, the count's state first.
void RecoveryTest::fileNoticesBesideTheSoundNotice() {
    AppFixture app(kAfternoon);
    Configure(app, false);
    TForm1* f = app.f();
    auto* sound = f->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusNotice"));
    auto* files = f->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusFileNotice"));
    QVERIFY(sound && files);
    QCOMPARE(files->accessibleName(), QStringLiteral("文件保存状态"));
    QVERIFY(files->isHidden());
    app.fake.output.setOutput(OutputState::Missing);
    app.fake.log.problem(QStringLiteral("计时记录不能写入（磁盘已满）"));
    QCOMPARE(f->StatusBar1->notice(), QStringLiteral("没有声音输出设备，提示音听不到"));
    QCOMPARE(f->StatusBar1->fileNotice(), QStringLiteral("计时记录不能写入（磁盘已满）"));
    QVERIFY(!sound->isHidden() && !files->isHidden());
    QCOMPARE(files->palette().color(QPalette::WindowText),
             sound->palette().color(QPalette::WindowText));
    {
        const FileSizeLimit limit(16);
        QVERIFY(f->Run(&TForm1::BitBtn2Click));
        QVERIFY(f->countKeeper().flush(2000));
    }
    QCOMPARE(
        f->StatusBar1->fileNotice(),
        QStringLiteral("计时状态未能保存（超过了文件大小的限制）；计时记录不能写入（磁盘已满）"));
    app.fake.log.problem(QString());
    QCOMPARE(f->StatusBar1->fileNotice(),
             QStringLiteral("计时状态未能保存（超过了文件大小的限制）"));
    app.seconds(CountKeeper::kRetryMs / 1000);
    QVERIFY(f->countKeeper().flush(2000));
    QCOMPARE(f->StatusBar1->fileNotice(), QString());
    QVERIFY(files->isHidden());
    QCOMPARE(f->StatusBar1->notice(), QStringLiteral("没有声音输出设备，提示音听不到"));
}

void RecoveryTest::nothingToRecover_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("offered");
    QTest::newRow("crash after the time-up") << "time-up" << false;
    QTest::newRow("crash after a reset") << "reset" << false;
    QTest::newRow("crash after a clear") << "clear" << false;
    QTest::newRow("the operator's exit") << "exit" << false;
    QTest::newRow("the scheduled close") << "scheduled close" << false;
    QTest::newRow("the session ends") << "session end" << true;
    QTest::newRow("a crash, counting") << "crash" << true;
}

void RecoveryTest::nothingToRecover() {
    QFETCH(QString, ending);
    QFETCH(bool, offered);
    AppFixture app(kAfternoon);
    Configure(app, false);
    TForm1* f = app.f();
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    app.seconds(5);
    app.fake.dialogs.answers = {true};
    if (ending == QLatin1String("time-up")) {
        app.seconds(60);
        QVERIFY(!f->Timer1->Enabled());
    } else if (ending == QLatin1String("reset")) {
        QVERIFY(f->Run(&TForm1::BitBtn3Click));
    } else if (ending == QLatin1String("clear")) {
        QVERIFY(f->Run(&TForm1::BitBtn15Click));
    } else if (ending == QLatin1String("exit")) {
        QVERIFY(f->close());
    } else if (ending == QLatin1String("scheduled close")) {
        f->scheduleClock().closeWindow();
    } else if (ending == QLatin1String("session end")) {
        f->sessionEnding = true;
        QVERIFY(f->close());
    }
    Crash(app);
    app.seconds(5);
    Restart(app, true);
    QCOMPARE(Asked(app), offered);
    QCOMPARE(app->Timer1->Enabled(), offered);
}

void RecoveryTest::cancelStartsAsUsual() {
    AppFixture app(kAfternoon);
    Configure(app, false);
    QVERIFY(app->Run(&TForm1::BitBtn2Click));
    app.seconds(10);
    Crash(app);
    app.seconds(10);
    Restart(app, false);
    QVERIFY(Asked(app));
    QCOMPARE(MainShown(app.f()), QStringLiteral("00:01:00"));
    QVERIFY(!app->Timer1->Enabled());
    QVERIFY(!QFile::exists(StatePath(app)));
    QVERIFY(app.fake.log.events().contains(QStringLiteral("上次计时意外中断，未恢复")));
    // Asked once: the next start is an ordinary one.
    Crash(app);
    Restart(app, true);
    QVERIFY(!Asked(app));
}

void RecoveryTest::damagedStateFile_data() {
    CountState good;
    good.duration = 60;
    good.value = 50;
    good.since = kAfternoon.toMSecsSinceEpoch();
    const QByteArray bytes = EncodeCountState(good);
    QByteArray flipped = bytes;
    flipped.replace("value=50", "value=59");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut in the middle") << bytes.left(bytes.size() / 2);
    QTest::newRow("without its check line") << bytes.left(bytes.indexOf("check="));
    QTest::newRow("a changed digit") << flipped;
    QTest::newRow("other bytes") << QByteArray("\x00\xff\xfe garbage\n", 13);
    QTest::newRow("too large") << QByteArray(1 << 20, 'x');
}

void RecoveryTest::damagedStateFile() {
    QFETCH(QByteArray, content);
    AppFixture app(kAfternoon);
    Configure(app, false);
    Crash(app);
    QFile file(StatePath(app));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    app.seconds(5);
    Restart(app, true);
    QVERIFY(!Asked(app));
    QVERIFY(app.fake.dialogs.log.isEmpty());
    QVERIFY(!app->Timer1->Enabled());
    QCOMPARE(MainShown(app.f()), QStringLiteral("00:01:00"));
    QVERIFY(!QFile::exists(StatePath(app)));
}

// The file changes at the commands and state changes, not at every step.
void RecoveryTest::stateIsWrittenAtCommandsOnly() {
    AppFixture app(kAfternoon);
    Configure(app, false);
    TForm1* f = app.f();
    auto read = [&] {
        f->countKeeper().flush(2000);
        QFile file(StatePath(app));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QVERIFY(read().isEmpty());
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    const QByteArray started = read();
    const std::optional<CountState> s = DecodeCountState(started);
    QVERIFY(s);
    QCOMPARE(s->timer, CountState::Timer::Main);
    QCOMPARE(s->value, 60);
    QCOMPARE(s->duration, 60);
    QCOMPARE(s->since, kAfternoon.toMSecsSinceEpoch());
    QVERIFY(!s->paused);
    app.seconds(30);
    QCOMPARE(read(), started);
    app.seconds(25);  // the warning at 00:00:05 changes the alert state
    const std::optional<CountState> warned = DecodeCountState(read());
    QVERIFY(warned);
    QCOMPARE(warned->alertState, 2);
    QCOMPARE(warned->value, 60);
    app.fake.dialogs.answers = {true};
    QVERIFY(f->Run(&TForm1::BitBtn5Click));
    const std::optional<CountState> paused = DecodeCountState(read());
    QVERIFY(paused);
    QVERIFY(paused->paused);
    QCOMPARE(paused->value, 5);
}

void RecoveryTest::logTellsEachRoad_data() {
    QTest::addColumn<int>("road");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("manual exam timing")
        << 1
        << QStringList{"2026-12-08 14:00:00  程序启动",
                       "2026-12-08 14:00:00  正式计时开始 倒计时 00∶00∶10",
                       "2026-12-08 14:00:03  正式计时暂停 00∶00∶07",
                       "2026-12-08 14:00:05  正式计时继续 00∶00∶07",
                       "2026-12-08 14:00:07  正式计时预警 00∶00∶05",
                       "2026-12-08 14:00:13  正式计时到点",
                       "2026-12-08 14:00:15  正式计时复位",
                       "2026-12-08 14:00:16  程序退出"};
    QTest::newRow("preparation then exam")
        << 2
        << QStringList{"2026-12-08 14:00:00  程序启动",
                       "2026-12-08 14:00:00  预备计时开始 倒计时 00∶00∶03",
                       "2026-12-08 14:00:04  预备计时结束，转入正式计时",
                       "2026-12-08 14:00:04  正式计时开始 倒计时 00∶00∶10",
                       "2026-12-08 14:00:09  正式计时预警 00∶00∶05",
                       "2026-12-08 14:00:15  正式计时到点"};
    QTest::newRow("daily shift handover")
        << 3
        << QStringList{"2026-12-08 07:59:50  程序启动", "2026-12-08 07:59:55  定时预警：预报警",
                       "2026-12-08 08:00:00  定时提示文字：开始交班",
                       "2026-12-08 08:00:05  定时关闭", "2026-12-08 08:00:05  程序退出"};
}

void RecoveryTest::logTellsEachRoad() {
    QFETCH(int, road);
    QFETCH(QStringList, lines);
    if (road == 3) {
        // The factory settings: usage mode 时钟, the text at 08:00:00, closed 5 s later.
        AppFixture app(QDateTime(kAfternoon.date(), QTime(7, 59, 50)));
        app->show();
        app.seconds(16);
        QCOMPARE(app.fake.log.lines, lines);
        return;
    }
    AppFixture app(kAfternoon);
    TForm1* f = app.f();
    f->Edit11->setText(QStringLiteral("5"));
    f->ComboBox7->setText(QStringLiteral("秒钟"));
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    const auto& d = f->MainDigits();
    for (int i = 0; i < 6; ++i)
        d[i]->setText(QStringLiteral("000010").mid(i, 1));
    if (road == 1) {
        QVERIFY(f->Run(&TForm1::BitBtn2Click));
        app.seconds(3);
        app.fake.dialogs.answers = {true};
        QVERIFY(f->Run(&TForm1::BitBtn5Click));
        app.seconds(2);
        QVERIFY(f->Run(&TForm1::BitBtn2Click));
        app.seconds(8);
        app.seconds(2);
        QVERIFY(f->Run(&TForm1::BitBtn3Click));
        app.seconds(1);
        QVERIFY(f->close());
    } else {
        const auto& p = f->PrepDigits();
        for (int i = 0; i < 6; ++i)
            p[i]->setText(QStringLiteral("000003").mid(i, 1));
        QVERIFY(f->Run(&TForm1::BitBtn14Click));
        app.seconds(15);
    }
    QCOMPARE(app.fake.log.lines, lines);
}

void RecoveryTest::logFolderFromTheMenu() {
    AppFixture app(kAfternoon);
    auto* item = app->findChild<QAction*>(QStringLiteral("N28"));
    QVERIFY(item);
    item->trigger();
    QCOMPARE(app.fake.launcher.folders, QStringList{app.fake.log.folder()});
    QVERIFY(app.fake.dialogs.log.isEmpty());
    // A desktop without a file manager: the operator is told where the folder is.
    app.fake.launcher.folderOpens = false;
    item->trigger();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("information")), 1);
    QVERIFY(
        app.fake.dialogs.texts(QStringLiteral("information"))[0].contains(app.fake.log.folder()));
}

// The schedule's warning before its time turns the board to the warning colour while the main
// count runs: the state file holds that alert state, so a crash after it recovers it.
void RecoveryTest::scheduleWarningReachesTheStateFile() {
    AppFixture app(kAfternoon);
    Configure(app, false);
    app->RadioButton8->setChecked(true);  // 同显: the clock's schedule and the timer
    app->CheckBox18->setChecked(true);    // 自动计时时间 14:10:00
    app->CheckBox19->setChecked(false);
    app->Edit50->setText(QStringLiteral("14"));
    app->Edit51->setText(QStringLiteral("10"));
    app->Edit52->setText(QStringLiteral("00"));
    app->Edit11->setText(QStringLiteral("5"));   // a lead of 5 seconds
    app->CheckBox14->setChecked(true);           // 主板预警: the board takes the warning colour
    app->Edit10->setText(QStringLiteral("30"));  // the count is long enough to span it
    QVERIFY(app->Run(&TForm1::BitBtn6Click));
    QVERIFY(app->Run(&TForm1::BitBtn2Click));
    auto stored = [&app] {
        app->countKeeper().flush(2000);
        QFile f(StatePath(app));
        return f.open(QIODevice::ReadOnly) ? DecodeCountState(f.readAll()) : std::nullopt;
    };
    QCOMPARE(stored()->alertState, 1);
    app.ms((9 * 60 + 54) * 1000 + 500);  // 14:09:54.5, its clock tick done
    QCOMPARE(stored()->alertState, 1);
    app.seconds(1);  // 14:09:55: five seconds before the scheduled time
    QCOMPARE(app->alertState, 2);
    QCOMPARE(stored()->alertState, 2);
    Crash(app);
    Restart(app, true);
    QCOMPARE(app->alertState, 2);
}

QTEST_MAIN(RecoveryTest)
#include "behaviour_recovery.moc"
