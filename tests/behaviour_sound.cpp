// Sound prompts with the fake players: every call site with its options, the background music
// and its loop, the browse and test buttons, the background-music toggle, sound lookup.
#include <QtTest>

#include "AppFixture.h"
#include "core/TimeFields.h"

namespace {
const QDateTime kStart(QDate(2007, 1, 31), QTime(16, 55, 2));
const QString kPlaying = QStringLiteral("playing");
}  // namespace

class SoundTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void callSites_data();
    void callSites();
    void backgroundLoop_data();
    void backgroundLoop();
    void startKeepsMusicFromLooping();
    void testButtons_data();
    void testButtons();
    void browseButtons();
    void musicToggle();
    void defaultSoundsFromTheSoundDirectory();
    void missingSoundsAreSilent();
    void unplayableSoundIsReportedOnce();
    void settingsToggleRefusedWhilePromptPlays();
    void tickedFilesAreChecked_data();
    void tickedFilesAreChecked();
    void onlyTheLatestCheckIsReported();
    void listedFileIsNotReportedAgain();
    void outputStateOnTheStatusLine();
    void laterFailureReportedLikeAnOpenError();
    void failedFileIsNotTriedAgain_data();
    void failedFileIsNotTriedAgain();
    void noSoundOnceTheWindowCloses();
    void longNoticeIsElided_data();
    void longNoticeIsElided();
};

// Each moment a sound is due: which file plays on which player, what happens to the
// background music and to the loop flag.
void SoundTest::callSites_data() {
    QTest::addColumn<QString>("moment");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("backgroundStopped");
    QTest::addColumn<int>("loopAfter");
    QTest::newRow("main start") << "start"
                                << "Ksksly.wav" << true << 0;
    QTest::newRow("preparation start") << "prep"
                                       << "Zbksly.wav" << true << 1;
    QTest::newRow("main warning") << "warning"
                                  << "Zbjjly.wav" << false << 0;
    QTest::newRow("main interval") << "interval"
                                   << "Zdjgly.wav" << false << 1;
    QTest::newRow("main time-up") << "timeup"
                                  << "Ksjsly.wav" << false << 0;
    QTest::newRow("scheduled warning") << "schedwarning"
                                       << "Zbjjly.wav" << true << 0;
    QTest::newRow("scheduled time") << "schedtime"
                                    << "Ksjsly.wav" << true << 0;
}

void SoundTest::callSites() {
    QFETCH(QString, moment);
    QFETCH(QString, file);
    QFETCH(bool, backgroundStopped);
    QFETCH(int, loopAfter);
    QDateTime start = kStart;
    if (moment.startsWith(QStringLiteral("sched")))
        start = QDateTime(kStart.date(), moment == QStringLiteral("schedwarning")
                                             ? QTime(7, 59, 54, 500)
                                             : QTime(7, 59, 59, 500));
    AppFixture app(start);
    // The main display at a value, as the operator types it before pressing 计时.
    const auto showValue = [&app](const char* digits) {
        const QList<TEdit*> boxes = {app->Edit1, app->Edit2, app->Edit4,
                                     app->Edit5, app->Edit7, app->Edit8};
        for (int i = 0; i < 6; ++i)
            boxes[i]->setText(QString(QLatin1Char(digits[i])));
    };
    QCOMPARE(app.fake.player2.state(), PlayerState::Playing);  // background music
    app->Edit12->setText(QStringLiteral("7"));                 // no chime at :00/:10
    app.fake.player1.clearCalls();
    if (moment == QStringLiteral("start")) {
        app->BitBtn2Click();
    } else if (moment == QStringLiteral("prep")) {
        app->BitBtn14Click();
    } else if (moment == QStringLiteral("warning")) {
        app->Edit12->setText(QStringLiteral("100"));
        showValue("000006");
        app->BitBtn2Click();
        app.fake.player1.finish();
        app.fake.player1.clearCalls();
        app->StartBackgroundMusic();
        app->Timer1Timer();
    } else if (moment == QStringLiteral("interval")) {
        app->Edit12->setText(QStringLiteral("10"));
        showValue("000051");
        app->BitBtn2Click();
        app.fake.player1.finish();
        app.fake.player1.clearCalls();
        app->Settings.musicLoopOn = 1;
        app->StartBackgroundMusic();
        app->Timer1Timer();
    } else if (moment == QStringLiteral("timeup")) {
        showValue("000000");
        app->BitBtn2Click();
        app.fake.player1.clearCalls();
        app->Settings.musicLoopOn = 1;
        app->Timer1Timer();
    } else {
        app.ms(1000);
    }
    QCOMPARE(app.fake.player1.played, QStringList{file});
    QCOMPARE(
        app.fake.player1.calls.mid(app.fake.player1.calls.size() - 3),
        (QStringList{QStringLiteral("close"), QStringLiteral("open"), QStringLiteral("play")}));
    QCOMPARE(app.fake.player1.fileName(), file);  // found in the working directory
    if (moment != QStringLiteral("timeup"))
        QCOMPARE(app.fake.player2.state() == PlayerState::Stopped, backgroundStopped);
    QCOMPARE(app->Settings.musicLoopOn, loopAfter);
}

void SoundTest::backgroundLoop_data() {
    QTest::addColumn<bool>("musicTicked");
    QTest::addColumn<int>("loopFlag");
    QTest::addColumn<bool>("promptPlaying");
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<bool>("restarts");
    QTest::newRow("all conditions hold") << true << 1 << false << true << true;
    QTest::newRow("music unticked") << false << 1 << false << true << false;
    QTest::newRow("loop flag cleared") << true << 0 << false << true << false;
    QTest::newRow("a prompt still plays") << true << 1 << true << true << false;
    QTest::newRow("file gone") << true << 1 << false << false << false;
}

void SoundTest::backgroundLoop() {
    QFETCH(bool, musicTicked);
    QFETCH(int, loopFlag);
    QFETCH(bool, promptPlaying);
    QFETCH(bool, fileThere);
    QFETCH(bool, restarts);
    AppFixture app(kStart);
    app->Edit12->setText(QStringLiteral("7"));
    app.fake.player2.finish();  // the music has played to its end
    app.fake.player2.clearCalls();
    app->CheckBox6->setChecked(musicTicked);
    app->Settings.musicLoopOn = loopFlag;
    if (promptPlaying) app->BitBtn19Click();
    if (!fileThere)
        QVERIFY(QFile::remove(QDir(app.workDir()).filePath(QStringLiteral("Bjyyly.wav"))));
    app.ms(1010);  // one clock tick, just after the next second
    QCOMPARE(app.fake.player2.played.size(), restarts ? 1 : 0);
}

void SoundTest::startKeepsMusicFromLooping() {
    AppFixture app(kStart);
    app->Edit12->setText(QStringLiteral("7"));
    app->BitBtn2Click();
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
    app.fake.player1.finish();
    app.fake.player2.clearCalls();
    app.seconds(5);
    QVERIFY(app.fake.player2.played.isEmpty());
    // Without a start sound the loop flag stays set and the music comes back at the next tick
    // at which the prompt player is silent.
    app->Timer1->setEnabled(false);
    app->BitBtn3Click();
    app->CheckBox3->setChecked(false);
    app->CheckBox2->setChecked(false);  // no chimes either
    app.fake.player1.finish();
    app.fake.player2.finish();
    app.fake.player2.clearCalls();
    app->BitBtn2Click();
    QCOMPARE(app->Settings.musicLoopOn, 1);
    app.ms(1010);
    QCOMPARE(app.fake.player2.played, QStringList{QStringLiteral("Bjyyly.wav")});
}

void SoundTest::testButtons_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty box") << QString() << QStringLiteral("文件未选择！请重新选择！");
    QTest::newRow("no such file") << QStringLiteral("nothing.wav")
                                  << QStringLiteral("文件不存在！请重新选择！");
    QTest::newRow("blanks around an existing name")
        << QStringLiteral(" Ksksly.wav ") << QStringLiteral("文件不存在！请重新选择！");
    QTest::newRow("existing file") << QStringLiteral("Ksksly.wav") << QString();
}

void SoundTest::testButtons() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    AppFixture app(kStart);
    struct {
        TEdit* box;
        void (TForm1::*handler)();
        FakeAudioPlayer* player;
    } rows[] = {
        {app->Edit32, &TForm1::BitBtn19Click, &app.fake.player1},
        {app->Edit33, &TForm1::BitBtn21Click, &app.fake.player1},
        {app->Edit34, &TForm1::BitBtn22Click, &app.fake.player1},
        {app->Edit35, &TForm1::BitBtn23Click, &app.fake.player1},
        {app->Edit36, &TForm1::BitBtn24Click, &app.fake.player1},
        {app->Edit37, &TForm1::BitBtn20Click, &app.fake.player2},
    };
    for (const auto& row : rows) {
        app.fake.dialogs.clear();
        row.player->clearCalls();
        row.box->setText(text);
        app->CheckBox4->setChecked(false);  // the check box does not matter
        (app.f()->*row.handler)();
        if (message.isEmpty()) {
            QVERIFY(app.fake.dialogs.log.isEmpty());
            QCOMPARE(row.player->played, QStringList{text});
        } else {
            QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")), QStringList{message});
            QVERIFY(row.player->played.isEmpty());
        }
    }
    // Testing does not change the record.
    QCOMPARE(app->Settings.prepSoundFile, QStringLiteral("Zbksly.wav"));
}

void SoundTest::browseButtons() {
    AppFixture app(kStart);
    const QString first = app.makeFile(QStringLiteral("第一.wav"));
    const QString second = app.makeFile(QStringLiteral("second.wav"));
    app.fake.dialogs.files = {first, QString(), second};
    app->BitBtn9->click();
    QCOMPARE(app->Edit32->text(), first);
    QCOMPARE(app->Settings.prepSoundFile, first);  // at once, without OK
    // A cancelled dialog changes nothing; the dialog opens on the file chosen last.
    app->BitBtn8->click();
    QCOMPARE(app.fake.dialogs.lastFileCurrent, first);
    QCOMPARE(app->Edit33->text(), QStringLiteral("Ksksly.wav"));
    QCOMPARE(app->Settings.startSoundFile, QStringLiteral("Ksksly.wav"));
    app->BitBtn18->click();
    QCOMPARE(app->Settings.backgroundSoundFile, second);
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("information")).isEmpty());
    // Cancelled with an empty box: the operator is told that nothing is chosen.
    app->Edit35->setText(QString());
    app->BitBtn10->click();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")),
             QStringList{QStringLiteral("未选择声音文件！请重新选择！")});
}

void SoundTest::musicToggle() {
    AppFixture app(kStart);
    QVERIFY(app->CheckBox6->isChecked());
    app.fake.player2.clearCalls();
    app->SpeedButton18->click();
    QVERIFY(!app->CheckBox6->isChecked());
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
    app->N23->trigger();
    QVERIFY(app->CheckBox6->isChecked());
    QCOMPARE(app.fake.player2.state(), PlayerState::Playing);
    // Continued, not reopened: the same file from where it stopped.
    QCOMPARE(app.fake.player2.calls, (QStringList{QStringLiteral("stop"), QStringLiteral("play")}));
    // The record's flag follows only at the next OK.
    QCOMPARE(app->Settings.backgroundSoundOn, 1);
}

void SoundTest::defaultSoundsFromTheSoundDirectory() {
    AppFixture app(kStart, true, AppFixture::Sounds::InSoundDir);
    QCOMPARE(app.fake.player2.fileName(),
             QDir(app.soundDir.path()).filePath(QStringLiteral("Bjyyly.wav")));
    app->BitBtn2Click();
    QCOMPARE(app.fake.player1.fileName(),
             QDir(app.soundDir.path()).filePath(QStringLiteral("Ksksly.wav")));
    // A file of the same name in the working directory comes first.
    const QString local = app.makeFile(QStringLiteral("Ksksly.wav"));
    app.fake.player1.finish();
    app->BitBtn24Click();
    QCOMPARE(app.fake.player1.fileName(),
             QStringLiteral("Ksjsly.wav").prepend(app.soundDir.path() + "/"));
    app->BitBtn21Click();
    QCOMPARE(app.fake.player1.fileName(), QStringLiteral("Ksksly.wav"));
    QVERIFY(QFileInfo(app.fake.player1.fileName()).absoluteFilePath() == local);
}

void SoundTest::missingSoundsAreSilent() {
    AppFixture app(kStart, true, AppFixture::Sounds::None);
    QVERIFY(app.fake.player2.played.isEmpty());
    app->BitBtn14Click();
    app.seconds(62);  // preparation, hand-over, main timer
    QVERIFY(app->Timer1->Enabled());
    QVERIFY(app.fake.player1.played.isEmpty());
    QVERIFY(app.fake.dialogs.log.isEmpty());
    QCOMPARE(app->StatusBar1->sectionText(1), QStringLiteral("开始"));
}

// A sound file that the player cannot play is reported once (until the file changes) and
// whatever asked for it goes on: the count, the tick, the other prompts.
void SoundTest::unplayableSoundIsReportedOnce() {
    AppFixture app(kStart);
    const QString broken = QStringLiteral("无法播放声音文件“Zdjgly.wav”：不是可识别的声音文件");
    const QString brokenStart = QStringLiteral("无法播放声音文件“Ksksly.wav”：文件是空的");
    app.fake.player1.unplayable.insert(QStringLiteral("Zdjgly.wav"), broken);
    app.fake.player1.unplayable.insert(QStringLiteral("Ksksly.wav"), brokenStart);
    app->Edit10->setText(QStringLiteral("40"));
    app->ComboBox5->setText(QStringLiteral("秒钟"));
    app->Edit11->setText(QStringLiteral("25"));
    QVERIFY(app->Run(&TForm1::BitBtn6Click));
    app.fake.dialogs.clear();

    // The start sound fails: the count starts all the same, with its text.
    app->BitBtn2->click();
    QVERIFY(app->Timer1->Enabled());
    QCOMPARE(app->StatusBar1->sectionText(1), QStringLiteral("开始"));
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")), QStringList{brokenStart});

    // Interval chimes fail every 10 s: one report; the warning's own sound plays.
    for (int i = 0; i < 30; ++i) {
        app.seconds(1);
        QCoreApplication::processEvents();
    }
    QCOMPARE(app->alertState, 2);
    QCOMPARE(app->Edit7->text() + app->Edit8->text(), QStringLiteral("10"));
    QVERIFY(app.fake.player1.played.contains(QStringLiteral("Zbjjly.wav")));
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")), (QStringList{brokenStart, broken}));

    // The file changes: it is reported again, once.
    app.makeFile(QStringLiteral("Zdjgly.wav"), "changed content");
    for (int i = 0; i < 20; ++i) {
        app.fake.player1.finish();  // the warning sound has ended
        app.seconds(1);
        QCoreApplication::processEvents();
    }
    QVERIFY(!app->Timer1->Enabled());  // the time-up came
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")),
             (QStringList{brokenStart, broken, broken}));
    QCOMPARE(app->Edit3->text(), kSeparator);

    // The test button says it every time it is asked.
    app.fake.dialogs.clear();
    app->Edit34->setText(QStringLiteral("Zdjgly.wav"));
    app->BitBtn22->click();
    app->BitBtn22->click();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")), (QStringList{broken, broken}));
}

void SoundTest::settingsToggleRefusedWhilePromptPlays() {
    AppFixture app(kStart);
    app->BitBtn21Click();
    app->SpeedButton2Click();
    QVERIFY(app->Panel2->isHidden());
    app.fake.player1.finish();
    app->SpeedButton2Click();
    QVERIFY(!app->Panel2->isHidden());
}

// At start-up and at OK the files of the ticked slots are checked once each, and those that
// cannot be played come in one message with their reasons.
void SoundTest::tickedFilesAreChecked_data() {
    QTest::addColumn<bool>("atStart");
    QTest::addColumn<QStringList>("unticked");  // check boxes unticked before OK
    QTest::addColumn<QString>("timeUpFile");    // Edit36 before OK
    QTest::addColumn<QStringList>("broken");    // files the output cannot play
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QString>("message");
    const QStringList all = DefaultSoundNames();
    QTest::newRow("start-up, all play")
        << true << QStringList() << QString() << QStringList() << all << QString();
    QTest::newRow("start-up, one broken")
        << true << QStringList() << QString() << QStringList{QStringLiteral("Zdjgly.wav")} << all
        << QStringLiteral("无法播放声音文件“Zdjgly.wav”：文件是空的");
    QTest::newRow("OK, an unticked slot is not checked")
        << false << QStringList{QStringLiteral("CheckBox2"), QStringLiteral("CheckBox6")}
        << QString() << QStringList{QStringLiteral("Zdjgly.wav"), QStringLiteral("Ksksly.wav")}
        << QStringList{QStringLiteral("Zbksly.wav"), QStringLiteral("Ksksly.wav"),
                       QStringLiteral("Zbjjly.wav"), QStringLiteral("Ksjsly.wav")}
        << QStringLiteral("无法播放声音文件“Ksksly.wav”：文件是空的");
    QTest::newRow("OK, a file in two slots once")
        << false << QStringList() << QStringLiteral("  Ksksly.wav ")
        << QStringList{QStringLiteral("Ksksly.wav"), QStringLiteral("Bjyyly.wav")}
        << QStringList{QStringLiteral("Zbksly.wav"), QStringLiteral("Ksksly.wav"),
                       QStringLiteral("Zdjgly.wav"), QStringLiteral("Zbjjly.wav"),
                       QStringLiteral("Bjyyly.wav")}
        << QStringLiteral(
               "以下 2 个声音文件无法播放：\n"
               "无法播放声音文件“Ksksly.wav”：文件是空的\n"
               "无法播放声音文件“Bjyyly.wav”：文件是空的");
    QTest::newRow("OK, nothing ticked")
        << false << QStringList{QStringLiteral("CheckBox1"), QStringLiteral("CheckBox2"),
                                QStringLiteral("CheckBox3"), QStringLiteral("CheckBox4"),
                                QStringLiteral("CheckBox5"), QStringLiteral("CheckBox6")}
        << QString() << all << QStringList() << QString();
}

void SoundTest::tickedFilesAreChecked() {
    QFETCH(bool, atStart);
    QFETCH(QStringList, unticked);
    QFETCH(QString, timeUpFile);
    QFETCH(QStringList, broken);
    QFETCH(QStringList, checked);
    QFETCH(QString, message);
    AppFixture app(kStart, false);
    for (const QString& file : broken)
        app.fake.output.problems[file] = QStringLiteral("文件是空的");
    if (atStart) {
        QVERIFY(app->Run(&TForm1::FormCreate));
    } else {
        QVERIFY(app->Run(&TForm1::FormCreate));
        QCoreApplication::processEvents();
        app.fake.output.checked.clear();
        app.fake.dialogs.clear();
        for (const QString& box : unticked)
            app->findChild<QCheckBox*>(box)->setChecked(false);
        if (!timeUpFile.isEmpty()) app->Edit36->setText(timeUpFile);
        app->SpeedButton2Click();
        QVERIFY(app->Run(&TForm1::BitBtn6Click));
    }
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.output.checked.size(), checked.isEmpty() ? 0 : 1);
    if (!checked.isEmpty()) QCOMPARE(app.fake.output.checked.front(), checked);
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")),
             message.isEmpty() ? QStringList() : QStringList{message});
}

// Checks that answer late: only the one asked for last is reported, and an answer after the
// window has gone does nothing.
void SoundTest::onlyTheLatestCheckIsReported() {
    AppFixture app(kStart, false);
    app.fake.output.answerAtOnce = false;
    app.fake.output.problems[QStringLiteral("Zdjgly.wav")] = QStringLiteral("文件是空的");
    QVERIFY(app->Run(&TForm1::FormCreate));
    // The interval sound is unticked before the start-up's check has answered.
    app->SpeedButton2Click();
    app->CheckBox2->setChecked(false);
    QVERIFY(app->Run(&TForm1::BitBtn6Click));
    QCOMPARE(app.fake.output.waiting(), 2);
    app.fake.output.answer();
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 0);

    app->SpeedButton2Click();
    app->CheckBox2->setChecked(true);
    QVERIFY(app->Run(&TForm1::BitBtn6Click));
    app.fake.output.answer();
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 1);

    app->SpeedButton2Click();
    QVERIFY(app->Run(&TForm1::BitBtn6Click));
    QCOMPARE(app.fake.output.waiting(), 1);
    app.destroy();
    app.fake.output.answer();  // must not reach the destroyed window
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 1);
}

// A file the check listed is not reported again when a prompt fails on it, until it changes.
void SoundTest::listedFileIsNotReportedAgain() {
    AppFixture app(kStart, false);
    app.fake.output.problems[QStringLiteral("Ksksly.wav")] = QStringLiteral("文件是空的");
    app.fake.player1.unplayable.insert(QStringLiteral("Ksksly.wav"),
                                       QStringLiteral("无法播放声音文件“Ksksly.wav”：文件是空的"));
    QVERIFY(app->Run(&TForm1::FormCreate));
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 1);
    app->BitBtn2->click();
    QCoreApplication::processEvents();
    QVERIFY(app->Timer1->Enabled());
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 1);

    app.makeFile(QStringLiteral("Ksksly.wav"), "still no sound");
    app->BitBtn3Click();
    app->BitBtn2->click();
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 2);
}

// The status line tells of an output that is missing or muted, from start-up on and at every
// change, and says nothing while the output plays.
void SoundTest::outputStateOnTheStatusLine() {
    AppFixture app(kStart, false);
    app.fake.output.state = OutputState::Missing;
    QVERIFY(app->Run(&TForm1::FormCreate));
    QCOMPARE(app->StatusBar1->notice(), QStringLiteral("没有声音输出设备，提示音听不到"));
    // The notice never keeps the window from an 800-pixel screen.
    app->show();
    QVERIFY2(app->minimumSizeHint().width() <= 800,
             qPrintable(QString::number(app->minimumSizeHint().width())));
    app->BitBtn2->click();
    QCOMPARE(app->StatusBar1->sectionText(1), QStringLiteral("开始"));  // the prompts' section
    QCOMPARE(app->StatusBar1->notice(), QStringLiteral("没有声音输出设备，提示音听不到"));

    app.fake.output.setOutput(OutputState::Muted, QStringLiteral("HDMI 投影仪"));
    QCOMPARE(app->StatusBar1->notice(),
             QStringLiteral("声音输出“HDMI 投影仪”已静音（或音量为 0），提示音听不到"));
    app.fake.output.setOutput(OutputState::Ok, QStringLiteral("HDMI 投影仪"));
    QCOMPARE(app->StatusBar1->notice(), QString());
    QVERIFY(app->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusNotice"))->isHidden());
    QVERIFY(app->Timer1->Enabled());
}

// A file the player accepted and could then not play is reported as an open error is: once
// per file for the prompts, every time for a test button.
void SoundTest::laterFailureReportedLikeAnOpenError() {
    AppFixture app(kStart);
    QCoreApplication::processEvents();
    app.fake.dialogs.clear();
    const QString text = QStringLiteral("无法播放声音文件“Ksksly.wav”：无法解码");
    app->BitBtn2->click();
    app.fake.player1.failLater(text);
    QVERIFY(app->Timer1->Enabled());
    app->BitBtn5Click();    // pause
    app->BitBtn2->click();  // resume: the start sound again
    app.fake.player1.failLater(text);
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")), QStringList{text});

    app.fake.dialogs.clear();
    app->Edit33->setText(QStringLiteral("Ksksly.wav"));
    for (int i = 0; i < 2; ++i) {
        app->BitBtn21->click();
        app.fake.player1.failLater(text);
        QCoreApplication::processEvents();
    }
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")), (QStringList{text, text}));
}

// A file that did not play is not given to the player again, tick after tick, until it changes:
// whether the player said so at open, later, or the check at start-up listed it.
void SoundTest::failedFileIsNotTriedAgain_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("the open failed") << QStringLiteral("open");
    QTest::newRow("it failed after the open") << QStringLiteral("later");
    QTest::newRow("the check listed it") << QStringLiteral("check");
}

void SoundTest::failedFileIsNotTriedAgain() {
    QFETCH(QString, how);
    const QString music = QStringLiteral("Bjyyly.wav");
    const QString text = QStringLiteral("无法播放声音文件“Bjyyly.wav”：WAV 文件有 96 个声道");
    AppFixture app(kStart, false);
    if (how != QStringLiteral("later")) app.fake.player2.unplayable.insert(music, text);
    if (how == QStringLiteral("check"))
        app.fake.output.problems[music] = QStringLiteral("WAV 文件有 96 个声道");
    QVERIFY(app->Run(&TForm1::FormCreate));
    app->CheckBox2->setChecked(false);  // no chimes: the prompt player stays silent
    if (how == QStringLiteral("later")) {
        app.fake.player2.unplayable.insert(music, text);  // from now on it fails at open too
        app.fake.player2.failLater(text);
    }
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 1);
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);

    // Ten clock ticks with the loop on and both players silent: the file is not opened.
    app.fake.player2.clearCalls();
    app.seconds(10);
    QCOMPARE(app.fake.player2.calls.count(QStringLiteral("open")), 0);
    QCOMPARE(app->Settings.musicLoopOn, 1);

    // The file changes: it is tried once more, at the next tick, and then not again.
    app.makeFile(music, "another file");
    app.seconds(10);
    QCOMPARE(app.fake.player2.calls.count(QStringLiteral("open")), 1);
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 2);

    // The test button tries it whenever it is asked.
    app.fake.player2.clearCalls();
    app->Edit37->setText(music);
    app->BitBtn20->click();
    QCOMPARE(app.fake.player2.calls.count(QStringLiteral("open")), 1);
}

// The scheduled close at 08:00:05 stops both players, and the rest of that clock tick (the
// background loop check) must not start the music again; nor may anything else afterwards.
void SoundTest::noSoundOnceTheWindowCloses() {
    AppFixture app(QDateTime(kStart.date(), QTime(8, 0, 2)));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    app->CheckBox33->setChecked(true);  // 定时执行: the session end as well
    QCOMPARE(app->Settings.musicLoopOn, 1);
    QVERIFY(app->CheckBox6->isChecked());
    app.ms(10);
    app.seconds(2);  // 08:00:04
    QCOMPARE(app.fake.player2.state(), PlayerState::Playing);
    const QStringList before = app.fake.player2.played;
    app.seconds(1);  // 08:00:05: the end actions
    QCOMPARE(closed.count(), 1);
    QCOMPARE(app.fake.session.requests.size(), 1);
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
    QCOMPARE(app.fake.player2.played, before);
    // Whatever is asked after the close stays silent.
    app.fake.player1.clearCalls();
    app.fake.player2.clearCalls();
    app->Timer3Timer();  // a clock tick: the loop check
    app->StartBackgroundMusic();
    app->SpeedButton18Click();
    app->SpeedButton18Click();
    app->BitBtn20Click();
    app->BitBtn21Click();
    app->BitBtn2Click();
    QVERIFY(app.fake.player1.played.isEmpty());
    QVERIFY(app.fake.player2.played.isEmpty());
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
}

// A muted output with a long name: the red notice shows what fits, elided in the middle, and
// the whole sentence is its tool tip and what a screen reader reads; the window keeps its width.
void SoundTest::longNoticeIsElided_data() {
    QTest::addColumn<int>("screenWidth");
    QTest::newRow("1024 x 768") << 1024;
    QTest::newRow("800 x 600") << 800;
}

void SoundTest::longNoticeIsElided() {
    QFETCH(int, screenWidth);
    AppFixture app(kStart);
    app->resize(screenWidth, screenWidth * 3 / 4);
    app->show();
    QVERIFY(QTest::qWaitForWindowExposed(app.f()));
    const int width = app->width();
    const QString name = QStringLiteral(
        "alsa_output.pci-0000_00_1f.3.hdmi-stereo-extra2 "
        "内置音频 数字立体声 (HDMI 3) 会议室投影仪");
    const QString full = QStringLiteral("声音输出“%1”已静音（或音量为 0），提示音听不到").arg(name);
    app.fake.output.setOutput(OutputState::Muted, name);
    QCoreApplication::processEvents();
    auto* notice = app->StatusBar1->findChild<QLabel*>(QStringLiteral("StatusNotice"));
    QVERIFY(notice->isVisible());
    QCOMPARE(app->StatusBar1->notice(), full);
    // What shows fits the label: the beginning and the end of the sentence, "…" between.
    const QString shown = notice->text();
    QVERIFY2(notice->fontMetrics().horizontalAdvance(shown) <= notice->contentsRect().width(),
             qPrintable(shown));
    QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
    QVERIFY(shown.startsWith(QStringLiteral("声音输出")));
    QVERIFY(shown.endsWith(QStringLiteral("听不到")));
    QCOMPARE(notice->toolTip(), full);
    QCOMPARE(notice->accessibleName(), QStringLiteral("声音输出状态"));
    QCOMPARE(notice->accessibleDescription(), full);
    QCOMPARE(app->width(), width);
    QVERIFY(app->minimumSizeHint().width() <= 800);
    // A short text shows whole where it fits, and no notice shows nothing.
    app.fake.output.setOutput(OutputState::Missing, QString());
    QCoreApplication::processEvents();
    if (screenWidth == 1024)
        QCOMPARE(notice->text(), QStringLiteral("没有声音输出设备，提示音听不到"));
    QCOMPARE(notice->accessibleDescription(), QStringLiteral("没有声音输出设备，提示音听不到"));
    app.fake.output.setOutput(OutputState::Ok, name);
    QVERIFY(notice->isHidden());
}

QTEST_MAIN(SoundTest)
#include "behaviour_sound.moc"
