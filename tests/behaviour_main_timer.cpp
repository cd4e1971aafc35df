// The main timer at the window level, on the fake platform: typing a time into the digit
// boxes, the start, pause, reset, clear and set commands, every step with its warning,
// interval and time-up prompts, confirmations answered while the count goes on, and steps
// that the event loop delivered late.
#include <QClipboard>
#include <QtTest>

#include "AppFixture.h"
#include "core/TimeFields.h"

namespace {

const QString kStartSound = QStringLiteral("Ksksly.wav");
const QString kIntervalSound = QStringLiteral("Zdjgly.wav");
const QString kWarningSound = QStringLiteral("Zbjjly.wav");
const QString kTimeUpSound = QStringLiteral("Ksjsly.wav");
const QString kIllegal = QStringLiteral("输入非法字符，请输入一个1-9的整数");
const QString kAskPause = QStringLiteral("正在计时，您确定要暂停吗?");
const QString kAskReset = QStringLiteral("正在计时，您确定要复位吗?");
const QString kAskClear = QStringLiteral("正在计时，您确定要清零吗?");

// The six digits as "HH:MM:SS" (separators left out: they blink).
QString Shown(const TForm1* f) {
    return f->Edit1->text() + f->Edit2->text() + QLatin1Char(':') + f->Edit4->text() +
           f->Edit5->text() + QLatin1Char(':') + f->Edit7->text() + f->Edit8->text();
}

QString Separators(const TForm1* f) {
    return f->Edit3->text() + QLatin1Char('|') + f->Edit6->text();
}

// Types "HHMMSS" into the six digit boxes the way the program writes them.
void Put(TForm1* f, const QString& six) {
    const auto& d = f->MainDigits();
    for (int i = 0; i < 6; ++i)
        d[i]->setText(six.mid(i, 1));
}

bool AllReadOnly(const TForm1* f, bool readOnly) {
    for (TEdit* d : f->MainDigits())
        if (d->isReadOnly() != readOnly) return false;
    return true;
}

struct Config {
    bool countUp = false;
    QString duration = QStringLiteral("1");
    QString durationUnit = QStringLiteral("分钟");
    QString lead = QStringLiteral("5");
    QString leadUnit = QStringLiteral("秒钟");
    QString interval = QStringLiteral("10");
    QString intervalUnit = QStringLiteral("秒钟");
};

// Sets the durations and the direction in the settings panel and confirms them with OK, as
// the operator does; then forgets what the players and dialogs saw so far.
void Configure(AppFixture& app, const Config& c) {
    TForm1* f = app.f();
    f->Edit10->setText(c.duration);
    f->ComboBox5->setText(c.durationUnit);
    f->Edit11->setText(c.lead);
    f->ComboBox7->setText(c.leadUnit);
    f->Edit12->setText(c.interval);
    f->ComboBox1->setText(c.intervalUnit);
    SetRadioChecked(f->RadioButton1, c.countUp);
    SetRadioChecked(f->RadioButton2, !c.countUp);
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    app.fake.player1.clearCalls();
    app.fake.player2.clearCalls();
    app.fake.dialogs.clear();
}

// One step of the main timer, which runs on whole seconds: the clock tick of the second
// before runs first, then the step alone. Returns the prompt sounds started by the step.
QStringList Step(AppFixture& app) {
    app.ms(990);
    const qsizetype before = app.fake.player1.played.size();
    app.ms(10);
    return app.fake.player1.played.mid(before);
}

// Starts the main timer on a whole second and lets the start sound end.
void StartAndSettle(AppFixture& app) {
    QVERIFY(app.fake.time.monotonicMs() % 1000 == 0);
    QVERIFY(app.f()->Run(&TForm1::BitBtn2Click));
    app.fake.player1.finish();
}

// The main window shown and active, with the main timer panel on screen, so that clicks and
// keys reach the boxes as they would on the desktop.
void ShowActive(AppFixture& app) {
    TForm1* f = app.f();
    f->show();
    f->Panel4->show();
    f->activateWindow();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
}

// A character typed on the keyboard: it goes to whichever box has the focus.
void Type(char ch) {
    QWidget* target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keyClick(target, ch);
}

TEdit* Box(TForm1* f, const QString& name) {
    return f->findChild<TEdit*>(name);
}

}  // namespace

class MainTimerTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void typingSixDigitsFillsTheDisplay();
    void keyMovesTheFocusOn_data();
    void keyMovesTheFocusOn();
    void nonDigitIsRemoved_data();
    void nonDigitIsRemoved();
    void pastedTextIsCheckedOnce_data();
    void pastedTextIsCheckedOnce();
    void digitClick_data();
    void digitClick();
    void separatorClick_data();
    void separatorClick();
    void start_data();
    void start();
    void startOptions_data();
    void startOptions();
    void countDownSteps_data();
    void countDownSteps();
    void countUpSteps();
    void warningStep_data();
    void warningStep();
    void intervalSteps_data();
    void intervalSteps();
    void timeUp_data();
    void timeUp();
    void startAgainAfterTimeUp();
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
    void separatorsBlink_data();
    void separatorsBlink();
    void blankLeadOrInterval_data();
    void blankLeadOrInterval();
    void lateStepsAreCaughtUp_data();
    void lateStepsAreCaughtUp();
    void chimeNeverCutsOffAPrompt();
};

// ---- typing into the display -----------------------------------------------------------------

void MainTimerTest::typingSixDigitsFillsTheDisplay() {
    AppFixture app;
    TForm1* f = app.f();
    ShowActive(app);
    QCOMPARE(Shown(f), QStringLiteral("00:01:00"));

    QTest::mouseClick(f->Edit1, Qt::LeftButton);
    QCOMPARE(f->Edit1->text(), QString());
    QCOMPARE(QApplication::focusWidget(), f->Edit1);

    const QList<TEdit*> focusAfter = {f->Edit2, f->Edit4, f->Edit5, f->Edit7, f->Edit8, f->Edit8};
    const char typed[] = "013000";
    for (int i = 0; i < 6; ++i) {
        Type(typed[i]);
        QCOMPARE(QApplication::focusWidget(), focusAfter[i]);
    }
    QCOMPARE(Shown(f), QStringLiteral("01:30:00"));
    QCOMPARE(Separators(f), QStringLiteral("∶|∶"));
    QVERIFY(app.fake.dialogs.log.isEmpty());

    // A further key in the last box: the focus stays, the one-character box keeps its digit.
    Type('7');
    QCOMPARE(QApplication::focusWidget(), f->Edit8);
    QCOMPARE(f->Edit8->text(), QStringLiteral("0"));

    // Start takes what was typed.
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    QCOMPARE(f->mainSeconds, 5400);
    app.seconds(1);
    QCOMPARE(Shown(f), QStringLiteral("01:29:59"));
}

void MainTimerTest::keyMovesTheFocusOn_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focusAfter");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<bool>("running");
    QTest::newRow("Edit1 -> Edit2") << "Edit1" << int(Qt::Key_4) << "Edit2"
                                    << "4" << false;
    QTest::newRow("Edit2 jumps the separator") << "Edit2" << int(Qt::Key_4) << "Edit4"
                                               << "4" << false;
    QTest::newRow("Edit4 -> Edit5") << "Edit4" << int(Qt::Key_4) << "Edit5"
                                    << "4" << false;
    QTest::newRow("Edit5 jumps the separator") << "Edit5" << int(Qt::Key_4) << "Edit7"
                                               << "4" << false;
    QTest::newRow("Edit7 -> Edit8") << "Edit7" << int(Qt::Key_4) << "Edit8"
                                    << "4" << false;
    QTest::newRow("Edit8 keeps the focus") << "Edit8" << int(Qt::Key_4) << "Edit8"
                                           << "4" << false;
    QTest::newRow("Backspace moves on too") << "Edit4" << int(Qt::Key_Backspace) << "Edit5"
                                            << "" << false;
    QTest::newRow("an arrow moves on too") << "Edit1" << int(Qt::Key_Left) << "Edit2"
                                           << "" << false;
    QTest::newRow("running: nothing moves") << "Edit1" << int(Qt::Key_4) << "Edit1"
                                            << "0" << true;
}

void MainTimerTest::keyMovesTheFocusOn() {
    QFETCH(QString, box);
    QFETCH(int, key);
    QFETCH(QString, focusAfter);
    QFETCH(QString, textAfter);
    QFETCH(bool, running);
    AppFixture app;
    TForm1* f = app.f();
    ShowActive(app);
    if (running) QVERIFY(f->Run(&TForm1::BitBtn2Click));
    TEdit* edit = Box(f, box);
    QTest::mouseClick(edit, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), edit);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(QApplication::focusWidget()->objectName(), focusAfter);
    QCOMPARE(edit->text(), textAfter);
    QVERIFY(app.fake.dialogs.log.isEmpty());
}

void MainTimerTest::nonDigitIsRemoved_data() {
    QTest::addColumn<char>("ch");
    QTest::newRow("letter") << 'a';
    QTest::newRow("minus") << '-';
    QTest::newRow("ascii colon") << ':';
    QTest::newRow("blank") << ' ';
}

void MainTimerTest::nonDigitIsRemoved() {
    QFETCH(char, ch);
    AppFixture app;
    TForm1* f = app.f();
    ShowActive(app);
    QTest::mouseClick(f->Edit4, Qt::LeftButton);
    Type(ch);
    QCOMPARE(f->Edit4->text(), QString());
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")), QStringList{kIllegal});
    QCOMPARE(app.fake.dialogs.log.size(), 1);
    // The box that refused the character has the focus again, ready for a digit.
    QCOMPARE(QApplication::focusWidget(), f->Edit4);
    Type('2');
    QCOMPARE(f->Edit4->text(), QStringLiteral("2"));
    QCOMPARE(QApplication::focusWidget(), f->Edit5);
    QCOMPARE(Shown(f), QStringLiteral("00:21:00"));
    QCOMPARE(app.fake.dialogs.log.size(), 1);
}

// Whatever way a text arrives in a box (pasted, dropped, typed), it is held to the box's length
// and checked once: a refused text goes in one step, with one message.
void MainTimerTest::pastedTextIsCheckedOnce_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("byKey");  // Ctrl+V into the focused box, or the box's paste
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("messages");
    const QString letters(10000, u'x');
    const QString digits(10000, u'7');
    const struct {
        const char* box;
        const char* refusedResult;  // what a refused text leaves
        int length;                 // 0: no limit
    } boxes[] = {
        {"Edit1", "", 1},    {"Edit8", "", 1},      {"Edit17", "", 1},    {"Edit24", "", 1},
        {"Edit9", "60", 0},  {"Edit10", "60", 0},   {"Edit12", "10", 0},  {"Edit11", "5", 0},
        {"Edit59", "5", 0},  {"Edit47", "2006", 4}, {"Edit48", "12", 2},  {"Edit50", "08", 2},
        {"Edit52", "00", 2}, {"Edit42", "256", 0},  {"Edit43", "518", 0}, {"Edit57", "1", 0},
        {"Edit58", "1", 0},  {"Edit61", "128", 0},  {"Edit66", "328", 0}, {"Edit45", "38", 0},
        {"Edit53", "12", 0},
    };
    for (const auto& b : boxes) {
        const QString box = QString::fromLatin1(b.box);
        QTest::addRow("%s: 10000 letters", b.box)
            << box << letters << false << QString::fromLatin1(b.refusedResult) << 1;
        QTest::addRow("%s: 20 letters by Ctrl+V", b.box)
            << box << QString(20, u'y') << true << QString::fromLatin1(b.refusedResult) << 1;
        // Cut to the box's length first: what is left is checked.
        const bool fits = b.length == 1 || b.length == 2;
        QTest::addRow("%s: digits then letters", b.box)
            << box << QStringLiteral("12ab") << false
            << (fits ? QStringLiteral("12").left(b.length) : QString::fromLatin1(b.refusedResult))
            << (fits ? 0 : 1);
        const QString kept = b.length > 0 ? digits.left(b.length) : QStringLiteral("777");
        QTest::addRow("%s: digits", b.box)
            << box << (b.length > 0 ? digits : QStringLiteral("777")) << false << kept << 0;
    }
}

void MainTimerTest::pastedTextIsCheckedOnce() {
    QFETCH(QString, box);
    QFETCH(QString, pasted);
    QFETCH(bool, byKey);
    QFETCH(QString, result);
    QFETCH(int, messages);
    AppFixture app;
    TForm1* f = app.f();
    ShowActive(app);
    TEdit* edit = Box(f, box);
    QVERIFY(edit);
    if (f->Panel2->isAncestorOf(edit)) f->SpeedButton2Click();
    edit->setText(QString());
    app.fake.dialogs.clear();
    QApplication::clipboard()->setText(pasted);
    if (byKey) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        edit->paste();
    }
    QCOMPARE(edit->text(), result);
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")),
             QStringList(messages, kIllegal));
    QCOMPARE(app.fake.dialogs.log.size(), messages);
}

void MainTimerTest::digitClick_data() {
    QTest::addColumn<QString>("state");  // idle, running, paused, timedOut
    QTest::addColumn<bool>("acts");
    QTest::newRow("idle") << "idle" << true;
    QTest::newRow("running: nothing happens") << "running" << false;
    QTest::newRow("paused: the boxes unlock") << "paused" << true;
    QTest::newRow("timed out: the boxes unlock") << "timedOut" << true;
}

void MainTimerTest::digitClick() {
    QFETCH(QString, state);
    QFETCH(bool, acts);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("2"), QStringLiteral("秒钟")});
    if (state != QStringLiteral("idle")) StartAndSettle(app);
    if (state == QStringLiteral("paused")) {
        QVERIFY(f->Run(&TForm1::BitBtn5Click));
        QVERIFY(AllReadOnly(f, true));
    }
    if (state == QStringLiteral("timedOut")) {
        app.seconds(3);
        QVERIFY(!f->Timer1->Enabled());
        QVERIFY(AllReadOnly(f, true));
    }
    // A prompt sound is playing; two boxes other than the clicked one are empty.
    f->PlayPromptSound(f->MediaPlayer1, kWarningSound);
    if (state == QStringLiteral("idle")) {
        f->Edit2->setText(QString());
        f->Edit8->setText(QString());
    }
    f->Edit5->setText(QStringLiteral("7"));
    const QString before = Shown(f);
    app.fake.player1.clearCalls();

    QVERIFY(f->Run(&TForm1::Edit5Click));
    if (acts) {
        QCOMPARE(f->Edit5->text(), QString());
        QVERIFY(AllReadOnly(f, false));
        QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
        for (TEdit* d : f->MainDigits())
            if (d != f->Edit5) QVERIFY2(!d->text().isEmpty(), qPrintable(d->objectName()));
        if (state == QStringLiteral("idle")) {
            QCOMPARE(f->Edit2->text(), QStringLiteral("0"));
            QCOMPARE(f->Edit8->text(), QStringLiteral("0"));
        }
    } else {
        QCOMPARE(f->Edit5->text(), QStringLiteral("7"));
        QVERIFY(AllReadOnly(f, true));
        QCOMPARE(app.fake.player1.state(), PlayerState::Playing);
        QVERIFY(app.fake.player1.calls.isEmpty());
        QCOMPARE(Shown(f), before);
    }
    // The click alone never changes the timer's value.
    const int value = f->mainSeconds;
    app.seconds(1);
    if (state == QStringLiteral("running"))
        QCOMPARE(f->mainSeconds, value - 1);
    else
        QCOMPARE(f->mainSeconds, value);
}

void MainTimerTest::separatorClick_data() {
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("focusAfter");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("soundPlaying");
    QTest::addColumn<bool>("moves");
    QTest::newRow("Edit3 -> Edit4") << "Edit3"
                                    << "Edit4" << false << false << true;
    QTest::newRow("Edit6 -> Edit7") << "Edit6"
                                    << "Edit7" << false << false << true;
    QTest::newRow("running") << "Edit3"
                             << "Edit4" << true << false << false;
    QTest::newRow("prompt playing") << "Edit6"
                                    << "Edit7" << false << true << false;
}

void MainTimerTest::separatorClick() {
    QFETCH(QString, separator);
    QFETCH(QString, focusAfter);
    QFETCH(bool, running);
    QFETCH(bool, soundPlaying);
    QFETCH(bool, moves);
    AppFixture app;
    TForm1* f = app.f();
    ShowActive(app);
    if (running) StartAndSettle(app);
    if (soundPlaying) f->PlayPromptSound(f->MediaPlayer1, kStartSound);
    f->Edit1->setFocus();
    QCOMPARE(QApplication::focusWidget(), f->Edit1);
    QTest::mouseClick(Box(f, separator), Qt::LeftButton);
    if (moves)
        QCOMPARE(QApplication::focusWidget(), Box(f, focusAfter));
    else
        QVERIFY(QApplication::focusWidget() != Box(f, focusAfter));
    QCOMPARE(Separators(f), QStringLiteral("∶|∶"));
}

// ---- start -------------------------------------------------------------------------------------

void MainTimerTest::start_data() {
    QTest::addColumn<QString>("route");
    QTest::newRow("handler") << "handler";
    QTest::newRow("panel button") << "BitBtn2";
    QTest::newRow("Alt+T") << "Alt+T";
    QTest::newRow("tool-bar button") << "SpeedButton14";
    QTest::newRow("menu item") << "N7";
}

void MainTimerTest::start() {
    QFETCH(QString, route);
    AppFixture app;
    TForm1* f = app.f();
    ShowActive(app);
    Put(f, QStringLiteral("013000"));
    f->Label45->hide();
    f->Panel5->show();
    QCOMPARE(app.fake.player2.state(), PlayerState::Playing);  // background music since start-up
    QCOMPARE(f->Settings.musicLoopOn, 1);
    app.fake.player1.clearCalls();

    if (route == QStringLiteral("handler"))
        f->BitBtn2Click();
    else if (route == QStringLiteral("Alt+T")) {
        // The accelerator presses the button at once and releases it a moment later.
        QTest::keyClick(f, Qt::Key_T, Qt::AltModifier);
        QVERIFY(f->BitBtn2->isDown());
        QTRY_VERIFY(f->Timer1->Enabled());
    } else if (route == QStringLiteral("N7"))
        f->N7->trigger();
    else
        f->findChild<QAbstractButton*>(route)->click();

    QVERIFY(f->Timer1->Enabled());
    QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
    QVERIFY(app.fake.player2.calls.contains(QStringLiteral("stop")));
    QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("开始"));
    QCOMPARE(f->Label45->text(), QStringLiteral("开始"));
    QVERIFY(f->Label45->isVisibleTo(f));
    QCOMPARE(app.fake.player1.played, QStringList{kStartSound});
    QCOMPARE(app.fake.player1.state(), PlayerState::Playing);
    QCOMPARE(f->Settings.musicLoopOn, 0);
    QVERIFY(AllReadOnly(f, true));
    QVERIFY(f->Panel5->isHidden());
    QCOMPARE(f->mainSeconds, 5400);
    QCOMPARE(f->ProgressBar1->Position(), qMin(5400, f->ProgressBar1->Max()));
    QCOMPARE(f->alertState, 1);
    QVERIFY(app.fake.dialogs.log.isEmpty());

    // The first step comes one second after the start, not before.
    app.ms(999);
    QCOMPARE(f->mainSeconds, 5400);
    app.ms(1);
    QCOMPARE(f->mainSeconds, 5399);
    QCOMPARE(Shown(f), QStringLiteral("01:29:59"));
}

void MainTimerTest::startOptions_data() {
    QTest::addColumn<bool>("textOn");   // CheckBox8
    QTest::addColumn<bool>("soundOn");  // CheckBox3
    QTest::addColumn<bool>("emptyBoxes");
    QTest::newRow("text and sound") << true << true << false;
    QTest::newRow("no label text") << false << true << false;
    QTest::newRow("no sound: the loop flag stays") << true << false << false;
    QTest::newRow("empty boxes count as 0") << true << true << true;
}

void MainTimerTest::startOptions() {
    QFETCH(bool, textOn);
    QFETCH(bool, soundOn);
    QFETCH(bool, emptyBoxes);
    AppFixture app;
    TForm1* f = app.f();
    f->CheckBox8->setChecked(textOn);
    f->CheckBox3->setChecked(soundOn);
    f->Label45->setCaption(QStringLiteral("旧"));
    f->Label45->hide();
    Put(f, QStringLiteral("000130"));
    if (emptyBoxes) {
        f->Edit1->setText(QString());
        f->Edit5->setText(QString());
    }
    app.fake.player1.clearCalls();
    f->BitBtn2Click();
    QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("开始"));
    QCOMPARE(f->Label45->text(), textOn ? QStringLiteral("开始") : QStringLiteral("旧"));
    QCOMPARE(f->Label45->isVisibleTo(f), textOn);
    QCOMPARE(app.fake.player1.played, soundOn ? QStringList{kStartSound} : QStringList{});
    QCOMPARE(f->Settings.musicLoopOn, soundOn ? 0 : 1);
    QCOMPARE(Shown(f), emptyBoxes ? QStringLiteral("00:00:30") : QStringLiteral("00:01:30"));
    QCOMPARE(f->mainSeconds, emptyBoxes ? 30 : 90);

    // A second start while running changes nothing: no second sound, the count goes on.
    app.seconds(2);
    app.fake.player1.clearCalls();
    f->StatusBar1->setSectionText(1, QStringLiteral("x"));
    f->BitBtn2Click();
    QVERIFY(app.fake.player1.calls.isEmpty());
    QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("x"));
    QCOMPARE(f->mainSeconds, emptyBoxes ? 28 : 88);
    app.seconds(1);
    QCOMPARE(f->mainSeconds, emptyBoxes ? 27 : 87);
}

// ---- the steps ---------------------------------------------------------------------------------

void MainTimerTest::countDownSteps_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QStringList>("shown");  // after each step; time-up one step later
    QTest::newRow("00:00:03") << "000003" << QStringList{"00:00:02", "00:00:01", "00:00:00"};
    QTest::newRow("00:99:99 typed") << "009999" << QStringList{"01:40:38", "01:40:37"};
    QTest::newRow("over the hour") << "010000" << QStringList{"00:59:59", "00:59:58"};
    QTest::newRow("over ten hours") << "100000" << QStringList{"09:59:59"};
    QTest::newRow("over the minute") << "000100" << QStringList{"00:00:59", "00:00:58"};
}

void MainTimerTest::countDownSteps() {
    QFETCH(QString, from);
    QFETCH(QStringList, shown);
    AppFixture app;
    TForm1* f = app.f();
    Put(f, from);
    StartAndSettle(app);
    const int start = f->mainSeconds;
    for (int i = 0; i < shown.size(); ++i) {
        Step(app);
        QCOMPARE(Shown(f), shown[i]);
        QCOMPARE(f->mainSeconds, start - i - 1);
        QCOMPARE(f->ProgressBar1->Position(), qMin(f->mainSeconds, f->ProgressBar1->Max()));
        QVERIFY(f->Timer1->Enabled());
    }
    if (shown.last() == QStringLiteral("00:00:00")) {
        QCOMPARE(f->alertState, 1);
        const QStringList plays = Step(app);
        QVERIFY(!f->Timer1->Enabled());
        QCOMPARE(f->alertState, 0);
        QVERIFY(plays.contains(kTimeUpSound));
        QCOMPARE(Shown(f), QStringLiteral("00:00:00"));
        QCOMPARE(f->mainSeconds, -1);
    }
}

void MainTimerTest::countUpSteps() {
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {true, QStringLiteral("3"), QStringLiteral("秒钟")});
    QCOMPARE(Shown(f), QStringLiteral("00:00:00"));
    QCOMPARE(f->ProgressBar1->Max(), 3);
    StartAndSettle(app);
    for (int i = 1; i <= 3; ++i) {
        Step(app);
        QCOMPARE(f->mainSeconds, i);
        QCOMPARE(Shown(f), QStringLiteral("00:00:0%1").arg(i));
        QCOMPARE(f->ProgressBar1->Position(), i);
        QVERIFY(f->Timer1->Enabled());
    }
    const QStringList plays = Step(app);
    QVERIFY(!f->Timer1->Enabled());
    QCOMPARE(f->alertState, 0);
    QVERIFY(plays.contains(kTimeUpSound));
    // The display and the bar keep the full duration.
    QCOMPARE(Shown(f), QStringLiteral("00:00:03"));
    QCOMPARE(f->ProgressBar1->Position(), 3);
    QCOMPARE(f->mainSeconds, 4);
    app.seconds(5);
    QCOMPARE(f->mainSeconds, 4);
}

void MainTimerTest::warningStep_data() {
    QTest::addColumn<bool>("countUp");
    QTest::addColumn<QString>("lead");
    QTest::addColumn<QString>("leadUnit");
    QTest::addColumn<int>("warnAt");    // mainSeconds on the warning step; -1: none
    QTest::addColumn<bool>("boardOn");  // CheckBox14
    QTest::addColumn<bool>("soundOn");  // CheckBox5
    QTest::addColumn<bool>("textOn");   // CheckBox9
    QTest::newRow("down, 30 s") << false << "30"
                                << "秒钟" << 30 << true << true << true;
    QTest::newRow("up, 30 s after the start") << true << "30"
                                              << "秒钟" << 30 << true << true << true;
    QTest::newRow("down, 1 minute") << false << "1"
                                    << "分钟" << 60 << true << true << true;
    QTest::newRow("down, lead 0 fires on 00:00:00") << false << "0"
                                                    << "秒钟" << 0 << true << true << true;
    QTest::newRow("down, lead = start value never fires") << false << "2"
                                                          << "分钟" << -1 << true << true << true;
    QTest::newRow("down, lead beyond the duration") << false << "1"
                                                    << "小时" << -1 << true << true << true;
    QTest::newRow("unit 分 keeps the last value (0)") << false << "30"
                                                      << "分" << 0 << true << true << true;
    QTest::newRow("no board colour") << false << "30"
                                     << "秒钟" << 30 << false << true << true;
    QTest::newRow("no sound") << false << "30"
                              << "秒钟" << 30 << true << false << true;
    QTest::newRow("no label text") << false << "30"
                                   << "秒钟" << 30 << true << true << false;
}

void MainTimerTest::warningStep() {
    QFETCH(bool, countUp);
    QFETCH(QString, lead);
    QFETCH(QString, leadUnit);
    QFETCH(int, warnAt);
    QFETCH(bool, boardOn);
    QFETCH(bool, soundOn);
    QFETCH(bool, textOn);
    AppFixture app;
    TForm1* f = app.f();
    Config c;
    c.countUp = countUp;
    c.duration = QStringLiteral("2");
    c.lead = lead;
    c.leadUnit = leadUnit;
    c.interval = QStringLiteral("7");
    Configure(app, c);
    f->CheckBox14->setChecked(boardOn);
    f->CheckBox5->setChecked(soundOn);
    f->CheckBox9->setChecked(textOn);
    f->CheckBox16->setChecked(false);  // no time-up flashing to blur the colours
    const TColor normal = f->Label41->Color();
    const TColor warning = f->Label42->Color();
    QVERIFY(normal != warning);
    StartAndSettle(app);
    f->Label45->hide();

    int warnings = 0;
    for (int i = 1; i <= 120; ++i) {
        f->Settings.musicLoopOn = 1;
        app.fake.player1.finish();
        const QStringList plays = Step(app);
        const bool warned = f->StatusBar1->sectionText(1) == QStringLiteral("预报警");
        if (!warned) {
            QCOMPARE(f->alertState, 1);
            QCOMPARE(f->Panel1->Color(), normal);
            QVERIFY(!plays.contains(kWarningSound));
            continue;
        }
        ++warnings;
        QCOMPARE(f->mainSeconds, warnAt);
        QCOMPARE(f->Label45->text(), textOn ? QStringLiteral("预报警") : QStringLiteral("开始"));
        QCOMPARE(f->Label45->isVisibleTo(f), textOn);
        QCOMPARE(plays.contains(kWarningSound), soundOn);
        QCOMPARE(f->Settings.musicLoopOn, soundOn ? 0 : 1);
        // The step that warns gives no interval sound, even on a multiple of the interval.
        QVERIFY(!plays.contains(kIntervalSound));
        QCOMPARE(f->alertState, boardOn ? 2 : 1);
        QCOMPARE(f->Panel1->Color(), boardOn ? warning : normal);
        break;
    }
    QCOMPARE(warnings, warnAt < 0 ? 0 : 1);
    QVERIFY(app.fake.dialogs.log.isEmpty());
    if (warnAt == 30 && boardOn) {
        // From then on the clock tick flashes the board between the two colours.
        app.ms(10);
        QCOMPARE(f->Panel1->Color(), normal);
        app.seconds(1);
        QCOMPARE(f->Panel1->Color(), warning);
    }
}

void MainTimerTest::intervalSteps_data() {
    QTest::addColumn<bool>("countUp");
    QTest::addColumn<QString>("duration");  // 分钟
    QTest::addColumn<QString>("lead");      // 秒钟
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("intervalUnit");
    QTest::addColumn<bool>("warningSound");   // CheckBox5
    QTest::addColumn<QList<int>>("chimeAt");  // mainSeconds of the steps that chime
    QList<int> downTens;
    for (int v = 110; v >= 0; v -= 10)
        downTens << v;
    QList<int> upTens;
    for (int v = 10; v <= 120; v += 10)
        upTens << v;
    QList<int> withoutThirty = downTens;
    withoutThirty.removeOne(30);
    QList<int> upWithoutThirty = upTens;
    upWithoutThirty.removeOne(30);
    QTest::newRow("down, every 10 s, down to 00:00:00") << false << "2"
                                                        << "5"
                                                        << "10"
                                                        << "秒钟" << true << downTens;
    QTest::newRow("down, the warning step gives no chime") << false << "2"
                                                           << "30"
                                                           << "10"
                                                           << "秒钟" << true << withoutThirty;
    QTest::newRow("down, no chime on the warning step without a warning sound either")
        << false << "2"
        << "30"
        << "10"
        << "秒钟" << false << withoutThirty;
    QTest::newRow("up, up to the full duration") << true << "2"
                                                 << "5"
                                                 << "10"
                                                 << "秒钟" << true << upTens;
    QTest::newRow("up, the warning step gives no chime") << true << "2"
                                                         << "30"
                                                         << "10"
                                                         << "秒钟" << false << upWithoutThirty;
    QTest::newRow("every minute") << false << "3"
                                  << "5"
                                  << "1"
                                  << "分钟" << true << QList<int>{120, 60, 0};
    QTest::newRow("interval = duration: none") << false << "2"
                                               << "5"
                                               << "2"
                                               << "分钟" << true << QList<int>{};
    QTest::newRow("interval longer than the duration: none") << false << "2"
                                                             << "5"
                                                             << "1"
                                                             << "小时" << true << QList<int>{};
    QTest::newRow("interval 0: none") << false << "2"
                                      << "5"
                                      << "0"
                                      << "秒钟" << true << QList<int>{};
    QTest::newRow("unit 分: the last value (0) gives none") << false << "2"
                                                            << "5"
                                                            << "10"
                                                            << "分" << true << QList<int>{};
}

void MainTimerTest::intervalSteps() {
    QFETCH(bool, countUp);
    QFETCH(QString, duration);
    QFETCH(QString, lead);
    QFETCH(QString, interval);
    QFETCH(QString, intervalUnit);
    QFETCH(bool, warningSound);
    QFETCH(QList<int>, chimeAt);
    AppFixture app;
    TForm1* f = app.f();
    Config c;
    c.countUp = countUp;
    c.duration = duration;
    c.lead = lead;
    c.interval = interval;
    c.intervalUnit = intervalUnit;
    Configure(app, c);
    f->CheckBox5->setChecked(warningSound);
    StartAndSettle(app);
    QList<int> chimes;
    while (f->Timer1->Enabled()) {
        app.fake.player1.finish();  // each sound has ended before the next step
        const int musicLoop = f->Settings.musicLoopOn;
        const QString status = f->StatusBar1->sectionText(1);
        const QStringList plays = Step(app);
        if (plays.contains(kIntervalSound)) {
            chimes << f->mainSeconds;
            // The chime has no text and leaves the loop flag alone.
            QCOMPARE(f->Settings.musicLoopOn, musicLoop);
            QCOMPARE(f->StatusBar1->sectionText(1), status);
        }
    }
    QCOMPARE(chimes, chimeAt);
    QVERIFY(app.fake.dialogs.log.isEmpty());
}

void MainTimerTest::timeUp_data() {
    QTest::addColumn<bool>("countUp");
    QTest::addColumn<bool>("boardOn");         // CheckBox15
    QTest::addColumn<QString>("musicBox");     // Edit37
    QTest::addColumn<QString>("musicPlayed");  // on MediaPlayer2
    for (bool up : {false, true}) {
        const char* dir = up ? "up" : "down";
        for (bool board : {true, false}) {
            const char* b = board ? "board colour" : "no board colour";
            QTest::addRow("%s, %s, own music", dir, b) << up << board << "own.wav"
                                                       << "own.wav";
            QTest::addRow("%s, %s, empty music box", dir, b) << up << board << ""
                                                             << "Bjyyly.wav";
            QTest::addRow("%s, %s, missing music file", dir, b) << up << board << "gone.wav"
                                                                << "Bjyyly.wav";
        }
    }
}

void MainTimerTest::timeUp() {
    QFETCH(bool, countUp);
    QFETCH(bool, boardOn);
    QFETCH(QString, musicBox);
    QFETCH(QString, musicPlayed);
    AppFixture app;
    TForm1* f = app.f();
    app.makeFile(QStringLiteral("own.wav"));
    Config c;
    c.countUp = countUp;
    c.duration = QStringLiteral("5");
    c.durationUnit = QStringLiteral("秒钟");
    c.lead = QStringLiteral("2");
    Configure(app, c);
    f->Edit37->setText(musicBox);
    f->CheckBox15->setChecked(boardOn);
    f->CheckBox16->setChecked(false);
    f->Panel5->show();
    const TColor warning = f->Label42->Color();
    const TColor timeUp = f->Label43->Color();
    StartAndSettle(app);
    for (int i = 0; i < 5; ++i) {
        app.fake.player1.finish();
        Step(app);
    }
    // The warning has come; the display shows its end value.
    QCOMPARE(f->alertState, 2);
    QCOMPARE(Shown(f), countUp ? QStringLiteral("00:00:05") : QStringLiteral("00:00:00"));
    QVERIFY(f->Timer1->Enabled());
    QCOMPARE(Separators(f), QStringLiteral("|"));  // blinking: hidden after an odd step
    f->Panel5->show();
    f->Label45->hide();

    app.ms(990);
    f->Settings.musicLoopOn = 1;
    app.fake.player2.clearCalls();
    const TColor colourBefore = f->Panel1->Color();  // flashing between normal and warning
    QVERIFY(colourBefore == warning || colourBefore == f->Label41->Color());
    const qsizetype playedBefore = app.fake.player1.played.size();
    app.ms(10);
    const QStringList plays = app.fake.player1.played.mid(playedBefore);
    QVERIFY(!f->Timer1->Enabled());
    QCOMPARE(f->alertState, 0);
    QCOMPARE(Separators(f), QStringLiteral("∶|∶"));
    QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("时间到"));
    QCOMPARE(f->Label45->text(), QStringLiteral("时间到"));
    QVERIFY(f->Label45->isVisibleTo(f));
    QCOMPARE(plays, QStringList{kTimeUpSound});
    QCOMPARE(app.fake.player2.played, QStringList{musicPlayed});
    QCOMPARE(app.fake.player2.state(), PlayerState::Playing);
    QCOMPARE(f->Settings.musicLoopOn, 0);
    QVERIFY(f->Panel5->isHidden());
    QVERIFY(AllReadOnly(f, true));
    // The time-up colour follows "主板到点" alone, whatever the direction and the music box.
    QCOMPARE(f->Panel1->Color(), boardOn ? timeUp : colourBefore);
    QCOMPARE(Shown(f), countUp ? QStringLiteral("00:00:05") : QStringLiteral("00:00:00"));
    QCOMPARE(f->ProgressBar1->Position(), countUp ? 5 : 0);
    QVERIFY(app.fake.dialogs.log.isEmpty());

    // Nothing more happens until the operator acts.
    app.seconds(3);
    QCOMPARE(Shown(f), countUp ? QStringLiteral("00:00:05") : QStringLiteral("00:00:00"));
    QCOMPARE(app.fake.player1.played.count(kTimeUpSound), 1);

    // Reset re-applies the settings: the full duration (or zero), normal state and colour.
    QVERIFY(f->Run(&TForm1::BitBtn3Click));
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("confirm")).isEmpty());
    QCOMPARE(Shown(f), countUp ? QStringLiteral("00:00:00") : QStringLiteral("00:00:05"));
    QCOMPARE(Separators(f), QStringLiteral("∶|∶"));
    QCOMPARE(f->mainSeconds, countUp ? 0 : 5);
    QCOMPARE(f->ProgressBar1->Max(), 5);
    QCOMPARE(f->alertState, 1);
    QCOMPARE(f->Panel1->Color(), f->Label41->Color());
    QVERIFY(AllReadOnly(f, false));
    QCOMPARE(f->Settings.musicLoopOn, 1);
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
}

void MainTimerTest::startAgainAfterTimeUp() {
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("2"), QStringLiteral("秒钟")});
    f->CheckBox16->setChecked(false);
    StartAndSettle(app);
    app.seconds(3);
    QVERIFY(!f->Timer1->Enabled());
    QCOMPARE(f->alertState, 0);
    // Start from 00:00:00 without reset: the next step is a new time-up, still alert 0.
    app.fake.player1.finish();
    StartAndSettle(app);
    QCOMPARE(f->alertState, 0);
    const QStringList plays = Step(app);
    QVERIFY(!f->Timer1->Enabled());
    QVERIFY(plays.contains(kTimeUpSound));
    QCOMPARE(f->alertState, 0);
}

// ---- pause, reset, clear, set ------------------------------------------------------------------

void MainTimerTest::pause_data() {
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("textOn");  // CheckBox10
    QTest::newRow("running, OK") << true << true << true;
    QTest::newRow("running, OK, no pause text") << true << true << false;
    QTest::newRow("running, Cancel") << true << false << true;
    QTest::newRow("idle") << false << true << true;
}

void MainTimerTest::pause() {
    QFETCH(bool, running);
    QFETCH(bool, answer);
    QFETCH(bool, textOn);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("1"), QStringLiteral("分钟"), QStringLiteral("20")});
    f->CheckBox10->setChecked(textOn);
    if (running) StartAndSettle(app);
    app.seconds(2);
    f->Label45->hide();
    f->PlayPromptSound(f->MediaPlayer1, kStartSound);
    const QString statusBefore = f->StatusBar1->sectionText(1);
    const int value = f->mainSeconds;
    app.fake.dialogs.answers = {answer};

    QVERIFY(f->Run(&TForm1::BitBtn5Click));
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")),
             running ? QStringList{kAskPause} : QStringList{});
    // The prompt sound stops in every case.
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
    const bool paused = running && answer;
    QCOMPARE(f->Timer1->Enabled(), running && !answer);
    if (paused && textOn) {
        QCOMPARE(f->StatusBar1->sectionText(1), QStringLiteral("暂停"));
        QCOMPARE(f->Label45->text(), QStringLiteral("暂停"));
        QVERIFY(f->Label45->isVisibleTo(f));
    } else {
        QCOMPARE(f->StatusBar1->sectionText(1), statusBefore);
        QVERIFY(!f->Label45->isVisibleTo(f));
    }
    // Paused: value, display, bar, lock and alert state stay as they were.
    QVERIFY(AllReadOnly(f, running));
    QCOMPARE(f->alertState, 1);
    app.seconds(5);
    QCOMPARE(f->mainSeconds, running && !answer ? value - 5 : value);
    if (paused) {
        QCOMPARE(Shown(f), QStringLiteral("00:00:58"));
        QCOMPARE(f->ProgressBar1->Position(), 58);
        // Start is the resume: the count goes on from the shown value.
        QVERIFY(f->Run(&TForm1::BitBtn2Click));
        app.seconds(1);
        QCOMPARE(Shown(f), QStringLiteral("00:00:57"));
    }
}

void MainTimerTest::reset_data() {
    QTest::addColumn<QString>("state");  // idle, running, warned, timedOut
    QTest::addColumn<bool>("answer");
    QTest::newRow("idle") << "idle" << true;
    QTest::newRow("paused: no question") << "paused" << true;
    QTest::newRow("running, OK") << "running" << true;
    QTest::newRow("running, Cancel") << "running" << false;
    QTest::newRow("warned, OK") << "warned" << true;
    QTest::newRow("warned, Cancel") << "warned" << false;
    QTest::newRow("timed out") << "timedOut" << true;
}

void MainTimerTest::reset() {
    QFETCH(QString, state);
    QFETCH(bool, answer);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("20"), QStringLiteral("秒钟"), QStringLiteral("15")});
    f->CheckBox16->setChecked(false);
    f->CheckBox43->setChecked(true);
    if (state != QStringLiteral("idle")) StartAndSettle(app);
    if (state == QStringLiteral("running")) app.seconds(2);
    if (state == QStringLiteral("warned")) app.seconds(5);
    if (state == QStringLiteral("timedOut")) app.seconds(21);
    if (state == QStringLiteral("paused")) {
        app.seconds(2);
        QVERIFY(f->Run(&TForm1::BitBtn5Click));
        app.fake.dialogs.clear();
    }
    const bool running = f->Timer1->Enabled();
    QCOMPARE(running, state == QStringLiteral("running") || state == QStringLiteral("warned"));
    if (state == QStringLiteral("warned")) QCOMPARE(f->alertState, 2);
    f->PlayPromptSound(f->MediaPlayer1, kWarningSound, SoundFlag::SuspendLoop);
    QCOMPARE(f->Settings.musicLoopOn, 0);
    f->Panel5->show();
    f->Panel2->show();
    const int value = f->mainSeconds;
    app.fake.dialogs.answers = {answer};

    QVERIFY(f->Run(&TForm1::BitBtn3Click));
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")),
             running ? QStringList{kAskReset} : QStringList{});
    // Whatever the answer: sound stopped, alert state and colour normal, loop from the box.
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
    QCOMPARE(f->alertState, 1);
    QCOMPARE(f->Panel1->Color(), f->Label41->Color());
    QCOMPARE(f->Settings.musicLoopOn, 1);
    if (running && !answer) {
        QVERIFY(f->Timer1->Enabled());
        QVERIFY(AllReadOnly(f, true));
        QVERIFY(f->Panel2->isVisibleTo(f));
        app.seconds(1);
        QCOMPARE(f->mainSeconds, value - 1);
        return;
    }
    QVERIFY(!f->Timer1->Enabled());
    QVERIFY(AllReadOnly(f, false));
    QCOMPARE(Shown(f), QStringLiteral("00:00:20"));
    QCOMPARE(Separators(f), QStringLiteral("∶|∶"));
    QCOMPARE(f->mainSeconds, 20);
    QCOMPARE(f->ProgressBar1->Max(), 20);
    QCOMPARE(f->ProgressBar1->Position(), 20);
    // OK's own effects: the settings panel closes, the usage mode "时钟" shows the clock only.
    QVERIFY(f->Panel2->isHidden());
    QVERIFY(f->Panel4->isHidden());
    QVERIFY(f->Panel5->isHidden());
    QVERIFY(f->Panel3->isVisibleTo(f));
    app.seconds(2);
    QCOMPARE(f->mainSeconds, 20);
}

void MainTimerTest::clear_data() {
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("paused");
    QTest::addColumn<bool>("answer");
    QTest::newRow("idle") << false << false << true;
    QTest::newRow("paused after the warning: no question") << false << true << true;
    QTest::newRow("running, OK") << true << false << true;
    QTest::newRow("running, Cancel") << true << false << false;
}

void MainTimerTest::clear() {
    QFETCH(bool, running);
    QFETCH(bool, paused);
    QFETCH(bool, answer);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("1"), QStringLiteral("分钟"), QStringLiteral("58")});
    f->CheckBox16->setChecked(false);
    f->CheckBox14->setChecked(true);
    if (running || paused) {
        StartAndSettle(app);
        app.seconds(3);  // the warning at 00:00:58 has come: alert state 2
        QCOMPARE(f->alertState, 2);
    } else {
        Put(f, QStringLiteral("001234"));
    }
    if (paused) {
        QVERIFY(f->Run(&TForm1::BitBtn5Click));
        QVERIFY(!f->Timer1->Enabled());
        app.fake.dialogs.clear();
    }
    f->Label45->setCaption(QStringLiteral("标签"));
    f->Panel5->hide();
    f->PlayPromptSound(f->MediaPlayer1, kWarningSound);
    const int alert = f->alertState;
    const TColor colour = f->Panel1->Color();
    app.fake.dialogs.answers = {answer};

    QVERIFY(f->Run(&TForm1::BitBtn15Click));
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")),
             running ? QStringList{kAskClear} : QStringList{});
    // Always: sound stopped, bar empty, preparation panel shown; the duration stays.
    QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
    QCOMPARE(f->ProgressBar1->Position(), 0);
    QCOMPARE(f->ProgressBar1->Max(), 60);
    QVERIFY(f->Panel5->isVisibleTo(f));
    QCOMPARE(f->alertState, alert);
    QCOMPARE(f->Panel1->Color(), colour);
    QCOMPARE(f->Label45->text(), QStringLiteral("标签"));
    if (running && !answer) {
        QVERIFY(f->Timer1->Enabled());
        QCOMPARE(Shown(f), QStringLiteral("00:00:57"));
        app.ms(990);
        app.ms(10);
        QCOMPARE(Shown(f), QStringLiteral("00:00:56"));
        QCOMPARE(f->ProgressBar1->Position(), 56);
        return;
    }
    QVERIFY(!f->Timer1->Enabled());
    QVERIFY(AllReadOnly(f, false));
    QCOMPARE(Shown(f), QStringLiteral("00:00:00"));
    QCOMPARE(Separators(f), QStringLiteral("∶|∶"));
    QCOMPARE(f->mainSeconds, 0);
    app.seconds(2);
    QCOMPARE(f->mainSeconds, 0);
}

void MainTimerTest::set_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("edit10");
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
    QTest::newRow("00:99:99 in 秒钟") << "009999"
                                      << "秒钟"
                                      << "6039" << 6039;
    QTest::newRow("unit 分: Edit10 unchanged") << "000130"
                                               << "分"
                                               << "1" << 90;
    QTest::newRow("unit with a blank: unchanged") << "000130"
                                                  << "秒钟 "
                                                  << "1" << 90;
}

void MainTimerTest::set() {
    QFETCH(QString, shown);
    QFETCH(QString, unit);
    QFETCH(QString, edit10);
    QFETCH(int, seconds);
    AppFixture app;
    TForm1* f = app.f();
    const int limit = f->intervalLimit;
    QCOMPARE(limit, 60);
    Put(f, shown);
    f->ComboBox5->setText(unit);
    QVERIFY(f->Run(&TForm1::SpeedButton16Click));
    QCOMPARE(f->Edit10->text(), edit10);
    QCOMPARE(f->mainSeconds, seconds);
    QCOMPARE(f->ProgressBar1->Max(), seconds);
    QCOMPARE(f->ProgressBar1->Position(), seconds);
    QCOMPARE(f->intervalLimit, limit);
    QCOMPARE(f->Settings.mainDuration, 1);
    QVERIFY(app.fake.dialogs.log.isEmpty());

    // Set does nothing while the timer runs.
    StartAndSettle(app);
    app.seconds(1);
    Put(f, QStringLiteral("000005"));
    QVERIFY(f->Run(&TForm1::SpeedButton16Click));
    QCOMPARE(f->ProgressBar1->Max(), seconds);
    QCOMPARE(f->mainSeconds, seconds - 1);
    QCOMPARE(f->Edit10->text(), edit10);
}

void MainTimerTest::setWithEmptiedDigitBox() {
    AppFixture app;
    TForm1* f = app.f();
    Put(f, QStringLiteral("000130"));
    QVERIFY(f->Run(&TForm1::SpeedButton16Click));
    QCOMPARE(f->ProgressBar1->Max(), 90);
    // A digit clicked and nothing typed: the box is empty.
    Put(f, QStringLiteral("000245"));
    QVERIFY(f->Run(&TForm1::Edit5Click));
    QCOMPARE(f->Edit5->text(), QString());
    f->ComboBox5->setText(QStringLiteral("秒钟"));
    app.fake.dialogs.clear();

    f->BitBtn1->click();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")),
             QStringList{QStringLiteral("'' is not a valid integer value")});
    QCOMPARE(f->Edit10->text(), QStringLiteral("1"));
    QCOMPARE(f->ProgressBar1->Max(), 90);
    QCOMPARE(f->ProgressBar1->Position(), 90);
    QCOMPARE(f->mainSeconds, 90);
    QCOMPARE(f->Edit5->text(), QString());

    // Set in count-up puts the value at the duration: the first step is time-up.
    Configure(app, {true, QStringLiteral("1"), QStringLiteral("分钟")});
    Put(f, QStringLiteral("000010"));
    QVERIFY(f->Run(&TForm1::SpeedButton16Click));
    QCOMPARE(f->ProgressBar1->Max(), 10);
    StartAndSettle(app);
    const QStringList plays = Step(app);
    QVERIFY(!f->Timer1->Enabled());
    QVERIFY(plays.contains(kTimeUpSound));
    QCOMPARE(f->mainSeconds, 11);
}

// ---- ticks during a confirmation ---------------------------------------------------------------

void MainTimerTest::confirmationWhileCounting_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("answer");
    QTest::newRow("pause, time-up while asking, OK") << "pause" << true;
    QTest::newRow("pause, time-up while asking, Cancel") << "pause" << false;
    QTest::newRow("reset, steps while asking, Cancel") << "reset" << false;
    QTest::newRow("reset, time-up while asking, OK") << "reset" << true;
    QTest::newRow("clear, time-up while asking, OK") << "clear" << true;
    QTest::newRow("clear, time-up while asking, Cancel") << "clear" << false;
}

void MainTimerTest::confirmationWhileCounting() {
    QFETCH(QString, command);
    QFETCH(bool, answer);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("3"), QStringLiteral("秒钟"), QStringLiteral("9")});
    f->CheckBox16->setChecked(false);
    f->CheckBox15->setChecked(true);
    StartAndSettle(app);
    app.seconds(2);
    QCOMPARE(Shown(f), QStringLiteral("00:00:01"));
    // Two more steps come while the box is open: 00:00:00, then time-up.
    app.fake.dialogs.whileOpen = [&app] { app.seconds(2); };
    app.fake.dialogs.answers = {answer};
    if (command == QStringLiteral("pause")) {
        QVERIFY(f->Run(&TForm1::BitBtn5Click));
        QVERIFY(!f->Timer1->Enabled());
        QCOMPARE(f->alertState, 0);
        QCOMPARE(f->Panel1->Color(), f->Label43->Color());
        // The answer acts on the state of that moment: OK still shows the pause text.
        const QString text = answer ? QStringLiteral("暂停") : QStringLiteral("时间到");
        QCOMPARE(f->StatusBar1->sectionText(1), text);
        QCOMPARE(f->Label45->text(), text);
        // The time-up sound that began during the question stops with the pause.
        QCOMPARE(app.fake.player1.state(), PlayerState::Stopped);
        QCOMPARE(app.fake.player1.played.count(kTimeUpSound), 1);
    } else if (command == QStringLiteral("reset")) {
        if (!answer) app.fake.dialogs.whileOpen = [&app] { app.seconds(1); };
        QVERIFY(f->Run(&TForm1::BitBtn3Click));
        QCOMPARE(f->alertState, 1);
        QCOMPARE(f->Panel1->Color(), f->Label41->Color());
        if (answer) {
            QVERIFY(!f->Timer1->Enabled());
            QCOMPARE(Shown(f), QStringLiteral("00:00:03"));
        } else {
            QVERIFY(f->Timer1->Enabled());
            QCOMPARE(Shown(f), QStringLiteral("00:00:00"));
            Step(app);
            QVERIFY(!f->Timer1->Enabled());
            QCOMPARE(f->alertState, 0);
        }
    } else {
        QVERIFY(f->Run(&TForm1::BitBtn15Click));
        QVERIFY(!f->Timer1->Enabled());
        QCOMPARE(f->alertState, 0);
        QCOMPARE(f->ProgressBar1->Position(), 0);
        QCOMPARE(f->mainSeconds, answer ? 0 : -1);
        QVERIFY(AllReadOnly(f, !answer));
        QVERIFY(f->Panel5->isVisibleTo(f));
    }
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("confirm")).size(), 1);
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("error")).isEmpty());
}

// ---- separators, blank boxes, late steps, sounds -----------------------------------------------

void MainTimerTest::separatorsBlink_data() {
    QTest::addColumn<bool>("blink");
    QTest::newRow("blinking") << true;
    QTest::newRow("steady") << false;
}

void MainTimerTest::separatorsBlink() {
    QFETCH(bool, blink);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("4"), QStringLiteral("秒钟")});
    f->CheckBox17->setChecked(blink);
    StartAndSettle(app);
    QCOMPARE(Separators(f), QStringLiteral("∶|∶"));
    QStringList seen;
    for (int i = 0; i < 5; ++i) {
        Step(app);
        seen << Separators(f);
    }
    QVERIFY(!f->Timer1->Enabled());
    const QString on = QStringLiteral("∶|∶");
    const QString off = QStringLiteral("|");
    if (blink)
        QCOMPARE(seen, (QStringList{off, on, off, on, on}));  // both shown at time-up
    else
        QCOMPARE(seen, (QStringList{on, on, on, on, on}));
}

void MainTimerTest::blankLeadOrInterval_data() {
    QTest::addColumn<QString>("lead");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<bool>("warns");
    QTest::addColumn<bool>("chimes");
    QTest::newRow("empty lead") << ""
                                << "10" << false << true;
    QTest::newRow("blank lead") << "  "
                                << "10" << false << true;
    QTest::newRow("empty interval") << "5"
                                    << "" << true << false;
    QTest::newRow("blank interval") << "5"
                                    << " " << true << false;
    QTest::newRow("both empty") << ""
                                << "" << false << false;
}

void MainTimerTest::blankLeadOrInterval() {
    QFETCH(QString, lead);
    QFETCH(QString, interval);
    QFETCH(bool, warns);
    QFETCH(bool, chimes);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("20"), QStringLiteral("秒钟")});
    StartAndSettle(app);
    f->Edit11->setText(lead);
    f->Edit12->setText(interval);
    int warnings = 0;
    int chimeCount = 0;
    while (f->Timer1->Enabled()) {
        app.fake.player1.finish();
        const QStringList plays = Step(app);
        warnings += plays.count(kWarningSound);
        chimeCount += plays.count(kIntervalSound);
    }
    // The count runs to its end without a single error box.
    QCOMPARE(f->alertState, 0);
    QVERIFY(app.fake.dialogs.log.isEmpty());
    QCOMPARE(warnings, warns ? 1 : 0);
    QCOMPARE(chimeCount, chimes ? 2 : 0);  // 00:00:10 and 00:00:00
}

void MainTimerTest::lateStepsAreCaughtUp_data() {
    QTest::addColumn<int>("stallMs");
    QTest::addColumn<int>("stepsAtOnce");
    QTest::newRow("3.5 s held up") << 3500 << 3;
    QTest::newRow("just short of a step") << 999 << 0;
    QTest::newRow("exactly one step") << 1000 << 1;
    QTest::newRow("ten seconds") << 10000 << 10;
}

void MainTimerTest::lateStepsAreCaughtUp() {
    QFETCH(int, stallMs);
    QFETCH(int, stepsAtOnce);
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("1"), QStringLiteral("分钟")});
    StartAndSettle(app);
    app.seconds(2);
    QCOMPARE(f->mainSeconds, 58);
    // The event loop was held up; the steps that came due run as soon as it is free.
    app.fake.time.stall(stallMs);
    app.ms(0);
    QCOMPARE(f->mainSeconds, 58 - stepsAtOnce);
    const QString expected =
        QStringLiteral("00:00:%1").arg(58 - stepsAtOnce, 2, 10, QLatin1Char('0'));
    QCOMPARE(Shown(f), expected);
    QCOMPARE(f->ProgressBar1->Position(), 58 - stepsAtOnce);
    // The later steps keep to the start's second boundaries: no extra and no lost step.
    const int sinceStart = 2000 + stallMs;
    const int toNext = 1000 - sinceStart % 1000;
    app.ms(toNext - 1);
    QCOMPARE(f->mainSeconds, 58 - stepsAtOnce);
    app.ms(1);
    QCOMPARE(f->mainSeconds, 60 - (sinceStart + toNext) / 1000);
    app.seconds(10);
    QCOMPARE(f->mainSeconds, 60 - (sinceStart + toNext) / 1000 - 10);
}

void MainTimerTest::chimeNeverCutsOffAPrompt() {
    AppFixture app;
    TForm1* f = app.f();
    Configure(app, {false, QStringLiteral("30"), QStringLiteral("秒钟"), QStringLiteral("20"),
                    QStringLiteral("秒钟"), QStringLiteral("3")});
    f->CheckBox16->setChecked(false);
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    // The start sound is still playing at the first chime (00:00:27): no chime, and the clock
    // tick's chimes by the time of day hold back too.
    for (int i = 0; i < 3; ++i)
        QVERIFY(Step(app).isEmpty());
    QCOMPARE(f->mainSeconds, 27);
    QCOMPARE(app.fake.player1.state(), PlayerState::Playing);
    QCOMPARE(app.fake.player1.played, QStringList{kStartSound});
    // Once it has ended, the chimes come, and a chime may follow a chime.
    app.fake.player1.finish();
    QList<int> chimes;
    for (int i = 0; i < 6; ++i)
        if (Step(app).contains(kIntervalSound)) chimes << f->mainSeconds;
    QCOMPARE(chimes, (QList<int>{24, 21}));
    // The warning at 00:00:20 cuts off a chime; the chime at 00:00:18 does not cut it off.
    QCOMPARE(Step(app), QStringList{kWarningSound});
    QCOMPARE(f->mainSeconds, 20);
    QVERIFY(Step(app).isEmpty());
    QVERIFY(Step(app).isEmpty());
    QCOMPARE(f->mainSeconds, 18);
    QCOMPARE(app.fake.player1.played.last(), kWarningSound);
    QCOMPARE(app.fake.player1.state(), PlayerState::Playing);
    // Neither is the time-up sound cut off, by the clock's chimes after it either.
    app.fake.player1.finish();
    app.seconds(19);
    QVERIFY(!f->Timer1->Enabled());
    QCOMPARE(app.fake.player1.played.last(), kTimeUpSound);
    app.seconds(20);
    QCOMPARE(app.fake.player1.played.last(), kTimeUpSound);
    QCOMPARE(app.fake.player1.state(), PlayerState::Playing);
}

QTEST_MAIN(MainTimerTest)
#include "behaviour_main_timer.moc"
