// The preparation timer at the window level, on the fake platform: its start, steps and the
// hand-over that starts the main timer by itself, its pause, reset, clear and set commands
// with their confirmations, and what each does to the preparation panel.
#include <QtTest>

#include "AppFixture.h"
#include "core/TimeFields.h"

namespace {

const QString kPrepSound = QStringLiteral("Zbksly.wav");
const QString kStartSound = QStringLiteral("Ksksly.wav");
const QString kAskPause = QStringLiteral("正在预备倒计时，您确定要暂停吗?");
const QString kAskReset = QStringLiteral("正在预备倒计时，您确定要复位吗?");
const QString kAskClear = QStringLiteral("正在倒计时，您确定要复位吗?");

QString PrepShown(const TForm1* f) {
    return f->Edit17->text() + f->Edit18->text() + QLatin1Char(':') + f->Edit20->text() +
           f->Edit21->text() + QLatin1Char(':') + f->Edit23->text() + f->Edit24->text();
}

QString MainShown(const TForm1* f) {
    return f->Edit1->text() + f->Edit2->text() + QLatin1Char(':') + f->Edit4->text() +
           f->Edit5->text() + QLatin1Char(':') + f->Edit7->text() + f->Edit8->text();
}

QString PrepSeparators(const TForm1* f) {
    return f->Edit19->text() + QLatin1Char('|') + f->Edit22->text();
}

void PutPrep(TForm1* f, const QString& six) {
    const auto& d = f->PrepDigits();
    for (int i = 0; i < 6; ++i)
        d[i]->setText(six.mid(i, 1));
}

bool PrepReadOnly(const TForm1* f, bool readOnly) {
    for (TEdit* d : f->PrepDigits())
        if (d->isReadOnly() != readOnly) return false;
    return true;
}

// Durations and direction through the settings panel, confirmed with OK.
void Configure(AppFixture& app, bool countUp, const QString& prep, const QString& prepUnit,
               const QString& main = QStringLiteral("1"),
               const QString& mainUnit = QStringLiteral("分钟")) {
    TForm1* f = app.f();
    f->Edit9->setText(prep);
    f->ComboBox3->setText(prepUnit);
    f->Edit10->setText(main);
    f->ComboBox5->setText(mainUnit);
    SetRadioChecked(f->RadioButton1, countUp);
    SetRadioChecked(f->RadioButton2, !countUp);
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    app.fake.player1.clearCalls();
    app.fake.player2.clearCalls();
    app.fake.dialogs.clear();
}

// Starts the preparation on a whole second (its steps then fall on whole seconds).
void StartPrep(AppFixture& app) {
    QVERIFY(app.fake.time.monotonicMs() % 1000 == 0);
    QVERIFY(app.f()->Run(&TForm1::BitBtn14Click));
}

// One step of the preparation timer alone (the clock tick of the second before runs first);
// returns the prompt sounds the step started.
QStringList Step(AppFixture& app) {
    app.ms(990);
    const qsizetype before = app.fake.player1.played.size();
    app.ms(10);
    return app.fake.player1.played.mid(before);
}

}  // namespace

class PrepTimerTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void start_data();
    void start();
    void startWhileRunningOnlyStopsTheMusic();
    void countDownHandsOver_data();
    void countDownHandsOver();
    void handOverWhileTheMainTimerRuns();
    void countUpHandsOver_data();
    void countUpHandsOver();
    void separatorsBlink_data();
    void separatorsBlink();
    void pause_data();
    void pause();
    void reset_data();
    void reset();
    void clear_data();
    void clear();
    void set_data();
    void set();
    void setWithEmptiedDigitBox();
    void confirmationWhileCounting_data();
    void confirmationWhileCounting();
    void typingIntoThePrepDisplay();
};

void PrepTimerTest::start_data() {
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("textOn");   // CheckBox7
    QTest::addColumn<bool>("soundOn");  // CheckBox4
    QTest::addColumn<int>("musicLoop");
    QTest::newRow("handler") << "handler" << true << true << 1;
    QTest::newRow("panel button") << "BitBtn14" << true << true << 1;
    QTest::newRow("tool-bar button") << "SpeedButton5" << true << true << 1;
    QTest::newRow("menu item") << "N16" << true << true << 1;
    QTest::newRow("loop flag off stays off") << "handler" << true << true << 0;
    QTest::newRow("no label text") << "handler" << false << true << 1;
    QTest::newRow("no sound") << "handler" << true << false << 1;
}

void PrepTimerTest::start() {
    QFETCH(QString, route);
    QFETCH(bool, textOn);
    QFETCH(bool, soundOn);
    QFETCH(int, musicLoop);
    AppFixture app;
    TForm1* f = app.f();
    f->CheckBox7->setChecked(textOn);
    f->CheckBox4->setChecked(soundOn);
    f->Settings.musicLoopOn = musicLoop;
    f->Label45->setCaption(QStringLiteral("旧"));
    f->Label45->hide();
    QVERIFY(f->Panel5->isHidden());  // usage mode "时钟"
    QCOMPARE(app.fake.player2.state(), PlayerState::Playing);
    f->Edit20->setText(QString());  // an empty box counts as 0
    app.fake.player1.clearCalls();

    if (route == QStringLiteral("handler"))
        f->BitBtn14Click();
    else if (route == QStringLiteral("N16"))
        f->N16->trigger();
    else
        f->findChild<QAbstractButton*>(route)->click();

    QVERIFY(f->Timer2->Enabled());
    QVERIFY(!f->Timer1->Enabled());
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
    QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("预备"));
    QCOMPARE(f->Label45->text(), textOn ? QStringLiteral("预备") : QStringLiteral("旧"));
    QCOMPARE(f->Label45->isVisibleTo(f), textOn);
    QCOMPARE(app.fake.player1.played, soundOn ? QStringList{kPrepSound} : QStringList{});
    QCOMPARE(f->Settings.musicLoopOn, musicLoop);
    QVERIFY(PrepReadOnly(f, true));
    QCOMPARE(PrepShown(f), QStringLiteral("00:01:00"));
    QCOMPARE(f->prepSeconds, 60);
    // Start does not show the preparation panel: run from the tool bar it counts unseen.
    QVERIFY(f->Panel5->isHidden());
    QVERIFY(app.fake.dialogs.log.isEmpty());

    app.seconds(1);
    QCOMPARE(PrepShown(f), QStringLiteral("00:00:59"));
    QCOMPARE(f->ProgressBar2->Position(), 59);
}

void PrepTimerTest::startWhileRunningOnlyStopsTheMusic() {
    AppFixture app;
    TForm1* f = app.f();
    StartPrep(app);
    app.seconds(3);
    QCOMPARE(f->prepSeconds, 57);
    f->PlayPromptSound(f->MediaPlayer2, QStringLiteral("Bjyyly.wav"));
    f->StatusBar1->setSectionText(1, QStringLiteral("x"));
    PutPrep(f, QStringLiteral("000010"));  // a start would read this
    app.fake.player1.clearCalls();
    QVERIFY(f->Run(&TForm1::BitBtn14Click));
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
    QVERIFY(app.fake.player1.calls.isEmpty());
    QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("x"));
    QCOMPARE(f->prepSeconds, 57);
    app.seconds(1);
    QCOMPARE(f->prepSeconds, 56);
}

void PrepTimerTest::countDownHandsOver_data() {
    QTest::addColumn<bool>("startSoundOn");  // CheckBox3
    QTest::newRow("start sound ticked: played twice in a row") << true;
    QTest::newRow("start sound unticked: the hand-over plays it anyway") << false;
}

void PrepTimerTest::countDownHandsOver() {
    QFETCH(bool, startSoundOn);
    AppFixture app;
    TForm1* f = app.f();
    f->CheckBox3->setChecked(startSoundOn);
    f->Panel5->show();
    StartPrep(app);
    app.seconds(1);
    QCOMPARE(PrepShown(f), QStringLiteral("00:00:59"));
    app.seconds(59);
    QCOMPARE(PrepShown(f), QStringLiteral("00:00:00"));
    QCOMPARE(f->ProgressBar2->Position(), 0);
    QVERIFY(f->Timer2->Enabled());
    QVERIFY(!f->Timer1->Enabled());
    f->Settings.musicLoopOn = 1;

    // One step after 00:00:00 the main timer starts by itself.
    const QStringList plays = Step(app);
    QVERIFY(!f->Timer2->Enabled());
    QVERIFY(f->Timer1->Enabled());
    QCOMPARE(plays,
             startSoundOn ? (QStringList{kStartSound, kStartSound}) : QStringList{kStartSound});
    QCOMPARE(f->Settings.musicLoopOn, 0);
    QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("开始"));
    QCOMPARE(f->Label45->text(), QStringLiteral("开始"));
    QVERIFY(f->Panel5->isHidden());
    QCOMPARE(PrepSeparators(f), QStringLiteral("∶|∶"));
    // The preparation display keeps its last value, locked.
    QCOMPARE(PrepShown(f), QStringLiteral("00:00:00"));
    QVERIFY(PrepReadOnly(f, true));
    QCOMPARE(f->prepSeconds, -1);
    // The main timer counts from its duration.
    QCOMPARE(f->mainSeconds, 60);
    app.seconds(1);
    QCOMPARE(MainShown(f), QStringLiteral("00:00:59"));
    app.seconds(5);
    QCOMPARE(PrepShown(f), QStringLiteral("00:00:00"));
    QVERIFY(!f->Timer2->Enabled());
}

void PrepTimerTest::handOverWhileTheMainTimerRuns() {
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, false, QStringLiteral("2"), QStringLiteral("秒钟"));
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    f->Panel5->show();
    StartPrep(app);
    app.seconds(2);
    QCOMPARE(f->mainSeconds, 58);
    const QStringList plays = Step(app);
    // The main timer goes on undisturbed; the panel stays; the hand-over sound still plays.
    QVERIFY(!f->Timer2->Enabled());
    QVERIFY(f->Timer1->Enabled());
    QCOMPARE(f->mainSeconds, 57);
    QVERIFY(f->Panel5->isVisibleTo(f));
    QCOMPARE(plays, QStringList{kStartSound});
    QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("预备"));
}

void PrepTimerTest::countUpHandsOver_data() {
    QTest::addColumn<QString>("before");  // what the operator did before start
    QTest::addColumn<QString>("shown");   // on the display at start
    QTest::addColumn<int>("handOverStep");
    QTest::newRow("from zero: 1, 2, 3, then hand-over") << "nothing"
                                                        << "00:00:00" << 4;
    QTest::newRow("set first: hand-over at the first step") << "set"
                                                            << "00:00:03" << 1;
    QTest::newRow("set, then clear: the full count again") << "set, clear"
                                                           << "00:00:00" << 4;
    QTest::newRow("a typed value above the duration") << "type 9"
                                                      << "00:00:09" << 1;
}

void PrepTimerTest::countUpHandsOver() {
    QFETCH(QString, before);
    QFETCH(QString, shown);
    QFETCH(int, handOverStep);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, true, QStringLiteral("3"), QStringLiteral("秒钟"));
    QCOMPARE(f->Label14->text(), QStringLiteral("预备计时"));
    QCOMPARE(PrepShown(f), QStringLiteral("00:00:00"));
    QCOMPARE(f->ProgressBar2->Max(), 3);
    if (before.startsWith(QStringLiteral("set"))) {
        PutPrep(f, QStringLiteral("000003"));
        QVERIFY(f->Run(&TForm1::SpeedButton11Click));
        QCOMPARE(f->ProgressBar2->Position(), 3);
    }
    if (before.endsWith(QStringLiteral("clear"))) QVERIFY(f->Run(&TForm1::BitBtn16Click));
    if (before == QStringLiteral("type 9")) PutPrep(f, QStringLiteral("000009"));
    QCOMPARE(PrepShown(f), shown);
    StartPrep(app);
    for (int i = 1; i < handOverStep; ++i) {
        Step(app);
        QCOMPARE(f->prepSeconds, i);
        QCOMPARE(PrepShown(f), QStringLiteral("00:00:0%1").arg(i));
        QCOMPARE(f->ProgressBar2->Position(), i);
        QVERIFY(f->Timer2->Enabled());
    }
    Step(app);
    QVERIFY(!f->Timer2->Enabled());
    QVERIFY(f->Timer1->Enabled());
    // The display keeps its last value: the duration, or what stood above it.
    QCOMPARE(PrepShown(f),
             shown == QStringLiteral("00:00:09") ? shown : QStringLiteral("00:00:03"));
    // The main timer counts up from zero.
    QCOMPARE(f->mainSeconds, 0);
    app.seconds(1);
    QCOMPARE(f->mainSeconds, 1);
}

void PrepTimerTest::separatorsBlink_data() {
    QTest::addColumn<bool>("blink");
    QTest::newRow("blinking") << true;
    QTest::newRow("steady") << false;
}

void PrepTimerTest::separatorsBlink() {
    QFETCH(bool, blink);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, false, QStringLiteral("3"), QStringLiteral("秒钟"));
    f->CheckBox25->setChecked(blink);
    StartPrep(app);
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        Step(app);
        seen << PrepSeparators(f);
    }
    QVERIFY(!f->Timer2->Enabled());
    const QString on = QStringLiteral("∶|∶");
    const QString off = QStringLiteral("|");
    // Both come back at the hand-over.
    QCOMPARE(seen, blink ? (QStringList{off, on, off, on}) : (QStringList{on, on, on, on}));
}

// ---- pause, reset, clear, set ------------------------------------------------------------------

void PrepTimerTest::pause_data() {
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("answer");
    QTest::newRow("running, OK") << true << true;
    QTest::newRow("running, Cancel") << true << false;
    QTest::newRow("idle") << false << true;
}

void PrepTimerTest::pause() {
    QFETCH(bool, running);
    QFETCH(bool, answer);
    AppFixture app;
    TForm1* f = app.f();
    if (running) StartPrep(app);
    app.seconds(2);
    QVERIFY(f->Panel5->isHidden());
    f->PlayPromptSound(f->MediaPlayer1, kPrepSound);
    const QString status = f->StatusBar1->sectionText(1);
    app.fake.dialogs.answers = {answer};

    QVERIFY(f->Run(&TForm1::BitBtn13Click));
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")),
             running ? QStringList{kAskPause} : QStringList{});
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
    QCOMPARE(f->Timer2->Enabled(), running && !answer);
    // Asked while running, the panel comes into view whatever the answer.
    QCOMPARE(f->Panel5->isVisibleTo(f), running);
    QCOMPARE(f->StatusBar1->sectionText(1), status);
    QVERIFY(PrepReadOnly(f, running));
    const int value = f->prepSeconds;
    app.seconds(3);
    QCOMPARE(f->prepSeconds, running && !answer ? value - 3 : value);
    if (running && answer) {
        // Start resumes from the shown value.
        QCOMPARE(PrepShown(f), QStringLiteral("00:00:58"));
        StartPrep(app);
        app.seconds(1);
        QCOMPARE(PrepShown(f), QStringLiteral("00:00:57"));
    }
}

void PrepTimerTest::reset_data() {
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("loopBox");  // CheckBox43
    QTest::newRow("running, OK") << true << true << true;
    QTest::newRow("running, Cancel") << true << false << true;
    QTest::newRow("idle") << false << true << true;
    QTest::newRow("idle, loop unticked") << false << true << false;
}

void PrepTimerTest::reset() {
    QFETCH(bool, running);
    QFETCH(bool, answer);
    QFETCH(bool, loopBox);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, false, QStringLiteral("30"), QStringLiteral("秒钟"), QStringLiteral("2"));
    f->CheckBox43->setChecked(loopBox);
    // The main timer runs and has been warned; the preparation runs or stands edited.
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    f->Edit11->setText(QStringLiteral("118"));
    if (running) StartPrep(app);
    app.seconds(2);
    QCOMPARE(f->alertState, 2);
    if (!running) PutPrep(f, QStringLiteral("000444"));
    f->Panel5->show();
    f->Panel2->show();
    f->PlayPromptSound(f->MediaPlayer1, kPrepSound, SoundFlag::SuspendLoop);
    const TColor board = f->Panel1->Color();
    app.fake.dialogs.answers = {answer};

    QVERIFY(f->Run(&TForm1::BitBtn12Click));
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")),
             running ? QStringList{kAskReset} : QStringList{});
    // In every case: the prompt sound stops and the loop flag follows its box; this reset
    // leaves the alert state alone, so the warning flashing goes on.
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
    QCOMPARE(f->Settings.musicLoopOn, loopBox ? 1 : 0);
    QCOMPARE(f->alertState, 2);
    QVERIFY(f->Timer1->Enabled());
    if (running && !answer) {
        QCOMPARE(f->Panel1->Color(), board);
        QVERIFY(f->Timer2->Enabled());
        QCOMPARE(f->prepSeconds, 28);
        QVERIFY(f->Panel5->isVisibleTo(f));
        QCOMPARE(MainShown(f), QStringLiteral("00:01:58"));
        return;
    }
    QVERIFY(!f->Timer2->Enabled());
    QVERIFY(PrepReadOnly(f, false));
    QCOMPARE(PrepShown(f), QStringLiteral("00:00:30"));
    QCOMPARE(PrepSeparators(f), QStringLiteral("∶|∶"));
    QCOMPARE(f->prepSeconds, 30);
    QCOMPARE(f->ProgressBar2->Position(), 30);
    // The settings' OK: colours applied, panel closed, the usage mode's panels (the
    // preparation panel hidden), and the main display reloaded from its duration although
    // the main timer runs.
    QCOMPARE(f->Panel1->Color(), f->Label41->Color());
    QVERIFY(f->Panel2->isHidden());
    QVERIFY(f->Panel5->isHidden());
    QCOMPARE(MainShown(f), QStringLiteral("00:02:00"));
    QCOMPARE(f->mainSeconds, 120);
    app.seconds(1);
    QCOMPARE(f->mainSeconds, 119);
    QCOMPARE(f->prepSeconds, 30);
}

void PrepTimerTest::clear_data() {
    QTest::addColumn<bool>("countUp");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("answer");
    QTest::newRow("idle") << false << false << true;
    QTest::newRow("down, running, OK") << false << true << true;
    QTest::newRow("down, running, Cancel") << false << true << false;
    QTest::newRow("up, running, Cancel: the count starts again") << true << true << false;
}

void PrepTimerTest::clear() {
    QFETCH(bool, countUp);
    QFETCH(bool, running);
    QFETCH(bool, answer);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, countUp, QStringLiteral("20"), QStringLiteral("秒钟"));
    if (running) StartPrep(app);
    app.seconds(5);
    if (!running) PutPrep(f, QStringLiteral("001234"));
    QVERIFY(f->Panel5->isHidden());
    f->PlayPromptSound(f->MediaPlayer1, kPrepSound);
    app.fake.dialogs.answers = {answer};

    QVERIFY(f->Run(&TForm1::BitBtn16Click));
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")),
             running ? QStringList{kAskClear} : QStringList{});
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
    QCOMPARE(f->ProgressBar2->Position(), 0);
    QCOMPARE(f->ProgressBar2->Max(), 20);
    if (running && !answer) {
        QVERIFY(f->Timer2->Enabled());
        QVERIFY(f->Panel5->isHidden());
        QVERIFY(PrepReadOnly(f, true));
        Step(app);
        // Counting down the next step puts the bar back; counting up it starts from 1.
        QCOMPARE(f->prepSeconds, countUp ? 1 : 14);
        QCOMPARE(f->ProgressBar2->Position(), countUp ? 1 : 14);
        return;
    }
    QVERIFY(!f->Timer2->Enabled());
    QVERIFY(f->Panel5->isVisibleTo(f));
    QVERIFY(PrepReadOnly(f, false));
    QCOMPARE(PrepShown(f), QStringLiteral("00:00:00"));
    QCOMPARE(PrepSeparators(f), QStringLiteral("∶|∶"));
    QCOMPARE(f->prepSeconds, 0);
    app.seconds(2);
    QCOMPARE(f->prepSeconds, 0);
}

void PrepTimerTest::set_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("edit9");
    QTest::addColumn<int>("seconds");
    QTest::newRow("00:01:30 in 分钟") << "000130"
                                      << "分钟"
                                      << "1" << 90;
    QTest::newRow("00:01:30 in 秒钟") << "000130"
                                      << "秒钟"
                                      << "90" << 90;
    QTest::newRow("02:59:00 in 小时") << "025900"
                                      << "小时"
                                      << "2" << 10740;
    QTest::newRow("00:00:59 in 分钟") << "000059"
                                      << "分钟"
                                      << "0" << 59;
    QTest::newRow("unit 分: Edit9 unchanged") << "000130"
                                              << "分"
                                              << "1" << 90;
}

void PrepTimerTest::set() {
    QFETCH(QString, shown);
    QFETCH(QString, unit);
    QFETCH(QString, edit9);
    QFETCH(int, seconds);
    AppFixture app;
    TForm1* f = app.f();
    QVERIFY(f->Panel5->isHidden());
    PutPrep(f, shown);
    f->ComboBox3->setText(unit);
    QVERIFY(f->Run(&TForm1::SpeedButton11Click));
    QCOMPARE(f->Edit9->text(), edit9);
    QCOMPARE(f->prepSeconds, seconds);
    QCOMPARE(f->ProgressBar2->Max(), seconds);
    QCOMPARE(f->ProgressBar2->Position(), seconds);
    QVERIFY(f->Panel5->isVisibleTo(f));
    // Only the panel's box changes, not the record.
    QCOMPARE(f->Settings.prepDuration, 1);
    QVERIFY(app.fake.dialogs.log.isEmpty());

    // While the preparation runs, set does nothing.
    StartPrep(app);
    app.seconds(1);
    f->Panel5->hide();
    PutPrep(f, QStringLiteral("000005"));
    QVERIFY(f->Run(&TForm1::SpeedButton11Click));
    QCOMPARE(f->ProgressBar2->Max(), seconds);
    QCOMPARE(f->prepSeconds, seconds - 1);
    QCOMPARE(f->Edit9->text(), edit9);
    QVERIFY(f->Panel5->isHidden());
}

void PrepTimerTest::setWithEmptiedDigitBox() {
    AppFixture app;
    TForm1* f = app.f();
    PutPrep(f, QStringLiteral("000130"));
    QVERIFY(f->Run(&TForm1::SpeedButton11Click));
    PutPrep(f, QStringLiteral("000245"));
    QVERIFY(f->Run(&TForm1::Edit23Click));
    QCOMPARE(f->Edit23->text(), QString());
    f->ComboBox3->setText(QStringLiteral("秒钟"));
    app.fake.dialogs.clear();

    f->BitBtn11->click();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")),
             QStringList{QStringLiteral("'' is not a valid integer value")});
    QCOMPARE(f->Edit9->text(), QStringLiteral("1"));
    QCOMPARE(f->prepSeconds, 90);
    QCOMPARE(f->ProgressBar2->Max(), 90);
    QCOMPARE(f->ProgressBar2->Position(), 90);
    // Start fills the empty box with 0 instead.
    StartPrep(app);
    QCOMPARE(PrepShown(f), QStringLiteral("00:02:05"));
    QCOMPARE(f->prepSeconds, 125);
}

// ---- ticks during a confirmation ---------------------------------------------------------------

void PrepTimerTest::confirmationWhileCounting_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("answer");
    QTest::newRow("pause, hand-over while asking, OK") << "pause" << true;
    QTest::newRow("pause, hand-over while asking, Cancel") << "pause" << false;
    QTest::newRow("reset, hand-over while asking, OK") << "reset" << true;
    QTest::newRow("clear, hand-over while asking, OK") << "clear" << true;
    QTest::newRow("clear, hand-over while asking, Cancel") << "clear" << false;
}

void PrepTimerTest::confirmationWhileCounting() {
    QFETCH(QString, command);
    QFETCH(bool, answer);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, false, QStringLiteral("3"), QStringLiteral("秒钟"), QStringLiteral("10"),
              QStringLiteral("秒钟"));
    f->Panel5->show();
    StartPrep(app);
    app.seconds(2);
    QCOMPARE(f->prepSeconds, 1);
    // Two steps while the box is open: 00:00:00, then the hand-over and the first main step
    // one second later.
    app.fake.dialogs.whileOpen = [&app] { app.seconds(3); };
    app.fake.dialogs.answers = {answer};
    if (command == QStringLiteral("pause"))
        QVERIFY(f->Run(&TForm1::BitBtn13Click));
    else if (command == QStringLiteral("reset"))
        QVERIFY(f->Run(&TForm1::BitBtn12Click));
    else
        QVERIFY(f->Run(&TForm1::BitBtn16Click));
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")).size(), 1);
    QVERIFY(!f->Timer2->Enabled());
    // The main timer was started by the hand-over and is not touched by these commands.
    QVERIFY(f->Timer1->Enabled());
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
    if (command == QStringLiteral("pause")) {
        // The hand-over hid the panel; the pause question shows it again whatever the answer.
        QVERIFY(f->Panel5->isVisibleTo(f));
        QCOMPARE(PrepShown(f), QStringLiteral("00:00:00"));
        QCOMPARE(f->mainSeconds, 9);
    } else if (command == QStringLiteral("reset")) {
        QVERIFY(f->Panel5->isHidden());
        QCOMPARE(PrepShown(f), QStringLiteral("00:00:03"));
        QVERIFY(PrepReadOnly(f, false));
        // The main display is reloaded under the running main timer, which goes on from there.
        QCOMPARE(f->mainSeconds, 10);
        app.seconds(1);
        QCOMPARE(f->mainSeconds, 9);
    } else {
        QCOMPARE(f->ProgressBar2->Position(), 0);
        QCOMPARE(PrepShown(f), QStringLiteral("00:00:00"));
        QCOMPARE(f->prepSeconds, answer ? 0 : -1);
        QVERIFY(PrepReadOnly(f, !answer));
        QCOMPARE(f->Panel5->isVisibleTo(f), answer);
    }
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("error")).isEmpty());
}

// ---- the display's digit boxes -----------------------------------------------------------------

void PrepTimerTest::typingIntoThePrepDisplay() {
    AppFixture app;
    TForm1* f = app.f();
    f->show();
    f->Panel5->show();
    f->activateWindow();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowActive(f));

    QTest::mouseClick(f->Edit17, Qt::LeftButton);
    QCOMPARE(f->Edit17->text(), QString());
    QCOMPARE(QApplication::focusWidget(), f->Edit17);
    const QList<TEdit*> focusAfter = {f->Edit18, f->Edit20, f->Edit21,
                                      f->Edit23, f->Edit24, f->Edit24};
    const char typed[] = "002030";
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), typed[i]);
        QCOMPARE(QApplication::focusWidget(), focusAfter[i]);
    }
    QCOMPARE(PrepShown(f), QStringLiteral("00:20:30"));
    QVERIFY(app.fake.dialogs.log.isEmpty());

    // A letter is refused with the message; the box waits for a digit.
    QTest::mouseClick(f->Edit21, Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), 'x');
    QCOMPARE(f->Edit21->text(), QString());
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")),
             QStringList{QStringLiteral("输入非法字符，请输入一个1-9的整数")});
    QCOMPARE(QApplication::focusWidget(), f->Edit21);

    // Separator clicks lead into the next digit box while idle.
    QTest::mouseClick(f->Edit19, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), f->Edit20);
    QTest::mouseClick(f->Edit22, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), f->Edit23);

    // Start fills the emptied box; while running, keys and clicks change nothing.
    StartPrep(app);
    QCOMPARE(PrepShown(f), QStringLiteral("00:20:30"));
    QCOMPARE(f->prepSeconds, 1230);
    QTest::mouseClick(f->Edit18, Qt::LeftButton);
    QCOMPARE(f->Edit18->text(), QStringLiteral("0"));
    QTest::keyClick(QApplication::focusWidget(), '5');
    QCOMPARE(QApplication::focusWidget(), f->Edit18);
    QCOMPARE(f->Edit18->text(), QStringLiteral("0"));
    QTest::mouseClick(f->Edit22, Qt::LeftButton);
    QVERIFY(QApplication::focusWidget() != f->Edit23);
    app.seconds(1);
    QCOMPARE(PrepShown(f), QStringLiteral("00:20:29"));
}

QTEST_MAIN(PrepTimerTest)
#include "behaviour_prep_timer.moc"
