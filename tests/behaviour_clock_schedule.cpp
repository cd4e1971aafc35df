// The clock tick on the fake clock: the clock panel's fields, the scheduled actions (the
// automatic start, the scheduled text, the end actions), the warning before the scheduled
// time, the interval sound by time of day, the background flashing, and the schedule boxes
// with their input checks and browse buttons.
#include <QtTest>
#include <stdexcept>

#include "AppFixture.h"
#include "core/Errors.h"
#include "core/SettingsFile.h"

namespace {

const QDate kDay(2007, 1, 31);  // a Wednesday
const QString kSep = QStringLiteral("∶");
const QString kWarningSound = QStringLiteral("Zbjjly.wav");
const QString kTimeUpSound = QStringLiteral("Ksjsly.wav");
const QString kIntervalSound = QStringLiteral("Zdjgly.wav");
const QString kStartSound = QStringLiteral("Ksksly.wav");
const QString kMusic = QStringLiteral("Bjyyly.wav");
const QString kIllegal = QStringLiteral("输入非法字符，请输入一个1-9的整数");

QDateTime At(int h, int m, int s, const QDate& d = kDay) {
    return QDateTime(d, QTime(h, m, s));
}

bool Shown(const QWidget* w) {
    return !w->isHidden();
}

// Moves the clocks on until the clock tick of the second `t` has run (ticks come just after
// each second boundary).
void RunUntilTickOf(AppFixture& app, const QDateTime& t) {
    const qint64 ms = app.fake.time.now().msecsTo(t) + TTimer::kWallOffsetMs;
    QVERIFY(ms >= 0);
    app.ms(ms);
}

QString Clock(const AppFixture& app) {
    return app->Edit25->text() + QLatin1Char(':') + app->Edit26->text() + QLatin1Char(':') +
           app->Edit27->text();
}

int Count(const QStringList& list, const QString& item) {
    return int(list.count(item));
}

// The one-line status text that shows the prompts.
QString Status(const AppFixture& app) {
    return app->StatusBar1->sectionText(1);
}

void SetScheduleTime(AppFixture& app, const QString& h, const QString& m, const QString& s) {
    app->Edit50->setText(h);
    app->Edit51->setText(m);
    app->Edit52->setText(s);
}

void SetScheduleDate(AppFixture& app, const QDate& d) {
    app->Edit47->setText(QString::number(d.year()));
    app->Edit48->setText(QStringLiteral("%1").arg(d.month(), 2, 10, QLatin1Char('0')));
    app->Edit49->setText(QStringLiteral("%1").arg(d.day(), 2, 10, QLatin1Char('0')));
}

enum class Mode { Timing, Clock, Both };

void SetMode(AppFixture& app, Mode mode) {
    switch (mode) {
        case Mode::Timing:
            app->RadioButton3->setChecked(true);
            break;
        case Mode::Clock:
            app->RadioButton4->setChecked(true);
            break;
        case Mode::Both:
            app->RadioButton8->setChecked(true);
            break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(Mode)

class ClockScheduleTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    // clock panel
    void clockFieldsAfterATick_data();
    void clockFieldsAfterATick();
    void startUpGivesTwoDigitForms();
    void midnightChangesDateAndWeekInTheSameTick_data();
    void midnightChangesDateAndWeekInTheSameTick();
    void separatorsBlinkOrStay_data();
    void separatorsBlinkOrStay();
    void padClockFields_data();
    void padClockFields();
    void padScheduleFields_data();
    void padScheduleFields();

    // the daily shift handover with the factory settings
    void shiftHandoverTickByTick();
    void lateTickIsCaughtUpOnce_data();
    void lateTickIsCaughtUpOnce();

    // usage modes and forms of the schedule
    void usageModes_data();
    void usageModes();
    void dateFormAgainstTimeOnly_data();
    void dateFormAgainstTimeOnly();
    void scheduledTextStepOff_data();
    void scheduledTextStepOff();
    void singleDigitHourWarnsButDoesNotMatch();

    // end actions
    void programLaunch_data();
    void programLaunch();
    void sessionEnd_data();
    void sessionEnd();
    void endCheckBeyondMidnightNeverHolds();

    // the warning and the interval sound
    void warningDoesNotWrapPastMidnight_data();
    void warningDoesNotWrapPastMidnight();
    void warningInEveryMode_data();
    void warningInEveryMode();
    void intervalSound_data();
    void intervalSound();

    // empty schedule boxes, input checks, browse buttons
    void tickFailureIsReportedAfterTheTick_data();
    void tickFailureIsReportedAfterTheTick();
    void emptyScheduleBoxSkipsTheScheduleOnly_data();
    void emptyScheduleBoxSkipsTheScheduleOnly();
    void overflowingBoxIsReportedOnce_data();
    void overflowingBoxIsReportedOnce();
    void scheduleInputChecks_data();
    void scheduleInputChecks();
    void browseButtons_data();
    void browseButtons();
};

// ---- clock panel ----------------------------------------------------------------------------

void ClockScheduleTest::clockFieldsAfterATick_data() {
    QTest::addColumn<QDateTime>("t");
    QTest::addColumn<QStringList>("date");  // year, month, day
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("weekday");
    QTest::addColumn<QString>("weekOfYear");
    QTest::addColumn<QString>("weekOfMonth");

    QTest::newRow("2006-09-01") << At(9, 5, 3, QDate(2006, 9, 1)) << QStringList{"2006", "09", "01"}
                                << "09:05:03"
                                << "五"
                                << "35"
                                << " 5";
    QTest::newRow("2006-09-04") << At(0, 0, 0, QDate(2006, 9, 4)) << QStringList{"2006", "09", "04"}
                                << "00:00:00"
                                << "一"
                                << "36"
                                << " 1";
    QTest::newRow("2006-12-31") << At(23, 59, 59, QDate(2006, 12, 31))
                                << QStringList{"2006", "12", "31"} << "23:59:59"
                                << "日"
                                << "52"
                                << " 4";
    QTest::newRow("2007-01-01") << At(12, 30, 9, QDate(2007, 1, 1))
                                << QStringList{"2007", "01", "01"} << "12:30:09"
                                << "一"
                                << " 1"
                                << " 1";
    QTest::newRow("2007-01-28") << At(10, 1, 1, QDate(2007, 1, 28))
                                << QStringList{"2007", "01", "28"} << "10:01:01"
                                << "日"
                                << " 4"
                                << " 4";
    QTest::newRow("2007-01-30") << At(10, 1, 1, QDate(2007, 1, 30))
                                << QStringList{"2007", "01", "30"} << "10:01:01"
                                << "二"
                                << " 5"
                                << " 1";
    QTest::newRow("2007-01-31") << At(16, 55, 0) << QStringList{"2007", "01", "31"} << "16:55:00"
                                << "三"
                                << " 5"
                                << " 1";
    QTest::newRow("2007-12-31") << At(20, 0, 30, QDate(2007, 12, 31))
                                << QStringList{"2007", "12", "31"} << "20:00:30"
                                << "一"
                                << " 1"
                                << " 1";
    QTest::newRow("2010-01-03") << At(6, 7, 8, QDate(2010, 1, 3)) << QStringList{"2010", "01", "03"}
                                << "06:07:08"
                                << "日"
                                << "53"
                                << " 5";
    QTest::newRow("2008-02-29") << At(11, 11, 11, QDate(2008, 2, 29))
                                << QStringList{"2008", "02", "29"} << "11:11:11"
                                << "五"
                                << " 9"
                                << " 4";
    QTest::newRow("2007-11-17") << At(18, 45, 59, QDate(2007, 11, 17))
                                << QStringList{"2007", "11", "17"} << "18:45:59"
                                << "六"
                                << "46"
                                << " 3";
}

void ClockScheduleTest::clockFieldsAfterATick() {
    QFETCH(QDateTime, t);
    QFETCH(QStringList, date);
    QFETCH(QString, time);
    QFETCH(QString, weekday);
    QFETCH(QString, weekOfYear);
    QFETCH(QString, weekOfMonth);
    AppFixture app(t.addSecs(-1));
    RunUntilTickOf(app, t);
    QCOMPARE(QStringList({app->Edit13->text(), app->Edit14->text(), app->Edit15->text()}), date);
    QCOMPARE(Clock(app), time);
    QCOMPARE(app->Edit16->text(), weekday);
    QCOMPARE(app->Edit29->text(), weekOfYear);
    QCOMPARE(app->Edit30->text(), weekOfMonth);
}

void ClockScheduleTest::startUpGivesTwoDigitForms() {
    AppFixture app(QDateTime(QDate(2007, 3, 5), QTime(7, 5, 3)));
    QCOMPARE(app->Edit13->text(), QStringLiteral("2007"));
    QCOMPARE(app->Edit14->text(), QStringLiteral("03"));
    QCOMPARE(app->Edit15->text(), QStringLiteral("05"));
    QCOMPARE(Clock(app), QStringLiteral("07:05:03"));
    QCOMPARE(app->Edit47->text(), QStringLiteral("2007"));
    QCOMPARE(app->Edit48->text(), QStringLiteral("03"));
    QCOMPARE(app->Edit49->text(), QStringLiteral("05"));
    // The scheduled time keeps its stored value.
    QCOMPARE(app->Edit50->text() + app->Edit51->text() + app->Edit52->text(),
             QStringLiteral("080000"));
    QCOMPARE(app.fake.dialogs.log.size(), 0);
}

void ClockScheduleTest::midnightChangesDateAndWeekInTheSameTick_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QStringList>("before");  // Y M D weekday week-of-year week-of-month
    QTest::addColumn<QStringList>("after");
    QTest::newRow("Sunday 30 Dec 2007 -> Monday 31 Dec")
        << QDate(2007, 12, 30) << QStringList{"2007", "12", "30", "日", "52", " 4"}
        << QStringList{"2007", "12", "31", "一", " 1", " 1"};
    QTest::newRow("new year 2008")
        << QDate(2007, 12, 31) << QStringList{"2007", "12", "31", "一", " 1", " 1"}
        << QStringList{"2008", "01", "01", "二", " 1", " 1"};
    QTest::newRow("leap day 2008")
        << QDate(2008, 2, 28) << QStringList{"2008", "02", "28", "四", " 9", " 4"}
        << QStringList{"2008", "02", "29", "五", " 9", " 4"};
    QTest::newRow("into week 53 of 2009")
        << QDate(2009, 12, 27) << QStringList{"2009", "12", "27", "日", "52", " 4"}
        << QStringList{"2009", "12", "28", "一", "53", " 5"};
}

void ClockScheduleTest::midnightChangesDateAndWeekInTheSameTick() {
    QFETCH(QDate, day);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    auto fields = [](const AppFixture& app) {
        return QStringList{app->Edit13->text(), app->Edit14->text(), app->Edit15->text(),
                           app->Edit16->text(), app->Edit29->text(), app->Edit30->text()};
    };
    AppFixture app(At(23, 59, 58, day));
    RunUntilTickOf(app, At(23, 59, 59, day));
    QCOMPARE(Clock(app), QStringLiteral("23:59:59"));
    QCOMPARE(fields(app), before);
    app.seconds(1);
    QCOMPARE(Clock(app), QStringLiteral("00:00:00"));
    QCOMPARE(fields(app), after);
}

void ClockScheduleTest::separatorsBlinkOrStay_data() {
    QTest::addColumn<bool>("untickWhileBlank");
    QTest::newRow("unticked while blank") << true;
    QTest::newRow("unticked while shown") << false;
}

void ClockScheduleTest::separatorsBlinkOrStay() {
    QFETCH(bool, untickWhileBlank);
    AppFixture app(At(10, 0, 1));
    QVERIFY(app->CheckBox41->isChecked());
    app.ms(10);
    // Blinking: both separators change together at every tick, two seconds a period.
    QString previous = app->Edit28->text();
    for (int i = 0; i < 6; ++i) {
        app.seconds(1);
        QCOMPARE(app->Edit28->text(), app->Edit31->text());
        QVERIFY(app->Edit28->text() == kSep || app->Edit28->text().isEmpty());
        QVERIFY(app->Edit28->text() != previous);
        previous = app->Edit28->text();
    }
    if (untickWhileBlank != app->Edit28->text().isEmpty()) app.seconds(1);
    QCOMPARE(app->Edit28->text().isEmpty(), untickWhileBlank);

    app->CheckBox41->setChecked(false);
    for (int i = 0; i < 4; ++i) {
        app.seconds(1);
        QCOMPARE(app->Edit28->text(), kSep);
        QCOMPARE(app->Edit31->text(), kSep);
    }
    // Ticked again, they blink again.
    app->CheckBox41->setChecked(true);
    app.seconds(1);
    QCOMPARE(app->Edit28->text(), QString());
    app.seconds(1);
    QCOMPARE(app->Edit28->text(), kSep);
}

void ClockScheduleTest::padClockFields_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("padded");
    for (const char* box : {"Edit14", "Edit15"}) {
        QTest::addRow("%s 1", box) << box << "1"
                                   << "01";
        QTest::addRow("%s 9", box) << box << "9"
                                   << "09";
        QTest::addRow("%s 0 stays", box) << box << "0"
                                         << "0";
        QTest::addRow("%s 12 stays", box) << box << "12"
                                          << "12";
        QTest::addRow("%s empty stays", box) << box << ""
                                             << "";
    }
    for (const char* box : {"Edit25", "Edit26", "Edit27"}) {
        QTest::addRow("%s 0", box) << box << "0"
                                   << "00";
        QTest::addRow("%s 7", box) << box << "7"
                                   << "07";
        QTest::addRow("%s 23 stays", box) << box << "23"
                                          << "23";
        QTest::addRow("%s x stays", box) << box << "x"
                                         << "x";
    }
    QTest::newRow("Edit13 untouched") << "Edit13"
                                      << "7"
                                      << "7";
}

void ClockScheduleTest::padClockFields() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, padded);
    AppFixture app(At(10, 0, 0));
    auto* edit = app->findChild<TEdit*>(box);
    QVERIFY(edit);
    edit->setText(text);
    app->PadClockFields();
    QCOMPARE(edit->text(), padded);
}

void ClockScheduleTest::padScheduleFields_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("padded");
    for (const char* box : {"Edit48", "Edit49"}) {
        QTest::addRow("%s 1", box) << box << "1"
                                   << "01";
        QTest::addRow("%s 9", box) << box << "9"
                                   << "09";
        QTest::addRow("%s 0 stays", box) << box << "0"
                                         << "0";
        QTest::addRow("%s 11 stays", box) << box << "11"
                                          << "11";
    }
    for (const char* box : {"Edit50", "Edit51", "Edit52"}) {
        QTest::addRow("%s 0", box) << box << "0"
                                   << "00";
        QTest::addRow("%s 8", box) << box << "8"
                                   << "08";
        QTest::addRow("%s 08 stays", box) << box << "08"
                                          << "08";
        QTest::addRow("%s empty stays", box) << box << ""
                                             << "";
    }
    QTest::newRow("Edit47 untouched") << "Edit47"
                                      << "7"
                                      << "7";
}

void ClockScheduleTest::padScheduleFields() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, padded);
    AppFixture app(At(10, 0, 0));
    auto* edit = app->findChild<TEdit*>(box);
    QVERIFY(edit);
    edit->setText(text);
    app->PadScheduleFields();
    QCOMPARE(edit->text(), padded);
    QCOMPARE(app.fake.dialogs.log.size(), 0);
}

// ---- the daily shift handover ---------------------------------------------------------------

void ClockScheduleTest::shiftHandoverTickByTick() {
    AppFixture app(At(7, 59, 50));
    TForm1* f = app.f();
    f->show();
    QSignalSpy closed(f, &TForm1::Closed);
    const QString settingsPath = app.fake.settingsPath();
    QVERIFY(QFile::exists(settingsPath));
    // Factory settings: the background music plays from start-up.
    QCOMPARE(app.fake.player2.played, QStringList{kMusic});
    QCOMPARE(f->Label41->Color(), clr::Black);
    QCOMPARE(f->Label42->Color(), clr::Yellow);
    QCOMPARE(f->Label43->Color(), clr::Fuchsia);
    QCOMPARE(f->alertState, 1);

    app.ms(10);
    QByteArray fileBefore;
    TColor previousColour = f->Panel1->Color();
    for (int s = 51; s <= 66; ++s) {
        app.seconds(1);
        const QTime now = app.fake.time.now().time();
        const QTime t(now.hour(), now.minute(), now.second());
        const QString shown = t.toString(QStringLiteral("HH:mm:ss"));
        const QByteArray where = shown.toLatin1();
        const TColor colour = f->Panel1->Color();

        if (t < QTime(7, 59, 55)) {
            QCOMPARE(Clock(app), shown);
            QVERIFY2(Status(app) != QStringLiteral("预报警"), where.constData());
            QCOMPARE(f->alertState, 1);
            QCOMPARE(app.fake.player1.played.size(), 0);
        } else if (t == QTime(7, 59, 55)) {
            QCOMPARE(Clock(app), shown);
            QCOMPARE(Status(app), QStringLiteral("预报警"));
            QCOMPARE(f->Label45->text(), QStringLiteral("预报警"));
            QVERIFY(f->Label45->isVisible());
            QVERIFY(!f->Label52->isVisible());
            QCOMPARE(app.fake.player1.played, QStringList{kWarningSound});
            QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
            QCOMPARE(f->Settings.musicLoopOn, 0);
            QCOMPARE(f->alertState, 2);
            // Set to the warning colour, then the flashing step turns it back.
            QCOMPARE(colour, clr::Black);
        } else if (t < QTime(8, 0, 0)) {
            QCOMPARE(f->alertState, 2);
            QVERIFY2(colour == (previousColour == clr::Black ? clr::Yellow : clr::Black),
                     where.constData());
            QVERIFY(f->Label45->isVisible());
            QVERIFY(!f->Label52->isVisible());
            if (t == QTime(7, 59, 57)) app.fake.player1.finish();  // the warning has sounded
            // The background music stays off while the flashing goes on.
            QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
        } else if (t == QTime(8, 0, 0)) {
            QCOMPARE(Clock(app), shown);
            QCOMPARE(f->alertState, 0);
            QVERIFY(f->Label52->isVisible());
            QCOMPARE(f->Label52->text(), QStringLiteral("开始交班"));
            QCOMPARE(f->Label52->pos(),
                     QPoint(f->Settings.scheduledTextLeft, f->Settings.scheduledTextTop));
            QVERIFY(!f->Label45->isVisible());
            // The time-up sound, not cut off by the interval sound of the same second.
            QCOMPARE(app.fake.player1.played, (QStringList{kWarningSound, kTimeUpSound}));
            QCOMPARE(app.fake.player1.state(), PlayerState::Playing);
            QCOMPARE(app.fake.player2.state(), PlayerState::Stopped);
            QCOMPARE(colour, clr::Fuchsia);
            QCOMPARE(closed.count(), 0);
        } else if (t < QTime(8, 0, 5)) {
            QCOMPARE(f->alertState, 0);
            QVERIFY2(colour == (previousColour == clr::Black ? clr::Fuchsia : clr::Black),
                     where.constData());
            QVERIFY(f->Label52->isVisible());
            QVERIFY(f->isVisible());
            QCOMPARE(closed.count(), 0);
            if (t == QTime(8, 0, 2)) {
                // A change on the panel that only the save at closing writes out.
                f->Edit56->setText(QStringLiteral("交班完毕"));
                fileBefore = [&] {
                    QFile file(settingsPath);
                    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
                }();
                QVERIFY(!fileBefore.isEmpty());
            }
        } else {
            // 08:00:05: the end actions save the settings and close the window; nothing
            // ticks afterwards.
            QCOMPARE(Clock(app), QStringLiteral("08:00:05"));
            QCOMPARE(closed.count(), 1);
            QVERIFY(!f->isVisible());
            QVERIFY(!f->Timer3->Enabled());
        }
        previousColour = colour;
    }
    QCOMPARE(Count(app.fake.player1.played, kTimeUpSound), 1);
    QCOMPARE(Count(app.fake.player1.played, kWarningSound), 1);
    QCOMPARE(Count(app.fake.player1.played, kIntervalSound), 0);
    QFile file(settingsPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray fileAfter = file.readAll();
    QVERIFY(fileAfter != fileBefore);
    SettingsRecord saved;
    ReadSettingsFile(settingsPath, saved);
    QCOMPARE(saved.scheduledText, QStringLiteral("交班完毕"));
    QCOMPARE(app.fake.dialogs.log.size(), 0);
    QVERIFY(app.fake.launcher.started.isEmpty());
    QVERIFY(app.fake.session.requests.isEmpty());
}

// A tick that comes late evaluates the seconds it skipped, once each, up to five seconds;
// a larger jump of the clock is not made up.
void ClockScheduleTest::lateTickIsCaughtUpOnce_data() {
    QTest::addColumn<QTime>("lastOnTime");  // the last tick before the delay
    QTest::addColumn<int>("stallMs");       // event loop held up (monotonic clock moves on)
    QTest::addColumn<int>("jumpMs");        // wall clock set forward (monotonic clock stays)
    QTest::addColumn<bool>("warned");
    QTest::addColumn<bool>("textShown");
    QTest::addColumn<bool>("closes");

    QTest::newRow("loop held over 08:00:00")
        << QTime(7, 59, 59) << 2000 << 0 << true << true << true;
    QTest::newRow("loop held over 07:59:55")
        << QTime(7, 59, 54) << 3000 << 0 << true << true << true;
    QTest::newRow("loop held five seconds over 08:00:00")
        << QTime(7, 59, 59) << 5000 << 0 << true << true << true;
    QTest::newRow("loop held over 08:00:05") << QTime(8, 0, 4) << 2000 << 0 << true << true << true;
    // Six seconds late: 08:00:00 is lost, 08:00:05 is the second the tick reads.
    QTest::newRow("loop held six seconds")
        << QTime(7, 59, 59) << 6000 << 0 << true << false << true;
    QTest::newRow("loop held eight seconds")
        << QTime(7, 59, 59) << 8000 << 0 << true << false << false;
    QTest::newRow("clock set 2 s forward") << QTime(7, 59, 58) << 0 << 2000 << true << true << true;
    QTest::newRow("clock set 12 s forward")
        << QTime(7, 59, 58) << 0 << 12000 << true << false << false;
    // The end check at 08:00:05 still holds on the normal ticks after the jump.
    QTest::newRow("clock set 12 s forward over the warning")
        << QTime(7, 59, 50) << 0 << 12000 << false << false << true;
}

void ClockScheduleTest::lateTickIsCaughtUpOnce() {
    QFETCH(QTime, lastOnTime);
    QFETCH(int, stallMs);
    QFETCH(int, jumpMs);
    QFETCH(bool, warned);
    QFETCH(bool, textShown);
    QFETCH(bool, closes);
    AppFixture app(At(7, 59, 45));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    RunUntilTickOf(app, QDateTime(kDay, lastOnTime));
    QCOMPARE(Clock(app), lastOnTime.toString(QStringLiteral("HH:mm:ss")));
    if (stallMs) {
        app.fake.time.stall(stallMs);
        app.ms(0);  // the overdue tick runs now
        // The late tick shows the time it reads.
        QCOMPARE(Clock(app), lastOnTime.addMSecs(stallMs).toString(QStringLiteral("HH:mm:ss")));
    }
    if (jumpMs) app.fake.time.setNow(app.fake.time.now().addMSecs(jumpMs));
    app.seconds(10);

    // The warning at 07:59:55 is made up too when it lies within the delay.
    QCOMPARE(Count(app.fake.player1.played, kWarningSound), warned ? 1 : 0);
    QCOMPARE(Count(app.fake.player1.played, kTimeUpSound), textShown ? 1 : 0);
    QCOMPARE(app->alertState, textShown ? 0 : warned ? 2 : 1);
    QCOMPARE(closed.count(), closes ? 1 : 0);
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 0);
    if (!closes) {
        // The clock goes on showing the time.
        QVERIFY(app->Timer3->Enabled());
        QCOMPARE(Clock(app), app.fake.time.now().time().toString(QStringLiteral("HH:mm:ss")));
    }
}

// ---- usage modes and forms -----------------------------------------------------------------

void ClockScheduleTest::usageModes_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("text");
    QTest::newRow("计时") << Mode::Timing << true << false;
    QTest::newRow("时钟") << Mode::Clock << false << true;
    QTest::newRow("同显") << Mode::Both << true << true;
}

void ClockScheduleTest::usageModes() {
    QFETCH(Mode, mode);
    QFETCH(bool, starts);
    QFETCH(bool, text);
    AppFixture app(At(7, 59, 57));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    SetMode(app, mode);
    QVERIFY(!app->Panel5->isVisibleTo(app.f()));
    if (mode == Mode::Timing) QVERIFY(!app->Panel4->isVisibleTo(app.f()));
    RunUntilTickOf(app, At(7, 59, 59));
    QVERIFY(!app->Timer1->Enabled());
    const int duration = app->mainSeconds;

    RunUntilTickOf(app, At(8, 0, 0));
    QCOMPARE(app->Timer1->Enabled(), starts);
    QCOMPARE(Shown(app->Panel4), starts || mode == Mode::Both);
    QCOMPARE(Shown(app->Panel5), starts);
    QCOMPARE(app->alertState == 0, text);
    QStringList expected;
    if (starts) expected << kStartSound;
    if (text) expected << kTimeUpSound;
    QCOMPARE(app.fake.player1.played, expected);
    if (text) {
        QVERIFY(Shown(app->Label52));
        QVERIFY(!Shown(app->Label45));
    }
    if (starts) QCOMPARE(app->Label45->text(), QStringLiteral("开始"));

    RunUntilTickOf(app, At(8, 0, 5));
    // The end actions belong to the scheduled text: "计时" does not close.
    QCOMPARE(closed.count(), text ? 1 : 0);
    if (starts) QCOMPARE(app->mainSeconds, duration - 5);
}

void ClockScheduleTest::dateFormAgainstTimeOnly_data() {
    QTest::addColumn<bool>("dateForm");
    QTest::addColumn<int>("dayOffset");  // scheduled date relative to today
    QTest::addColumn<bool>("text");
    QTest::newRow("date form, today") << true << 0 << true;
    QTest::newRow("date form, tomorrow") << true << 1 << false;
    QTest::newRow("date form, yesterday") << true << -1 << false;
    QTest::newRow("date form, a year later") << true << 365 << false;
    QTest::newRow("time only, tomorrow's date in the boxes") << false << 1 << true;
    QTest::newRow("time only, today") << false << 0 << true;
}

void ClockScheduleTest::dateFormAgainstTimeOnly() {
    QFETCH(bool, dateForm);
    QFETCH(int, dayOffset);
    QFETCH(bool, text);
    AppFixture app(At(7, 59, 58));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    app->CheckBox19->setChecked(dateForm);
    SetScheduleDate(app, kDay.addDays(dayOffset));
    RunUntilTickOf(app, At(8, 0, 0));
    QCOMPARE(app->alertState == 0, text);
    QCOMPARE(Count(app.fake.player1.played, kTimeUpSound), text ? 1 : 0);
    QCOMPARE(app->Panel1->Color(), text ? clr::Fuchsia : app->Label41->Color());
    // The end check holds every day, whatever the date.
    RunUntilTickOf(app, At(8, 0, 4));
    QCOMPARE(closed.count(), 0);
    app.seconds(1);
    QCOMPARE(closed.count(), 1);
}

// With the scheduled text step off, the time-only form still turns to the time-up state (and
// the flashing shows the text); the date form does nothing.
void ClockScheduleTest::scheduledTextStepOff_data() {
    QTest::addColumn<bool>("dateForm");
    QTest::newRow("time only") << false;
    QTest::newRow("date form") << true;
}

void ClockScheduleTest::scheduledTextStepOff() {
    QFETCH(bool, dateForm);
    AppFixture app(At(7, 59, 58));
    app->CheckBox19->setChecked(dateForm);
    app->CheckBox28->setChecked(false);
    app->CheckBox32->setChecked(false);
    app->Label52->hide();
    QVERIFY(app->CheckBox16->isChecked());
    RunUntilTickOf(app, At(8, 0, 0));
    QCOMPARE(Count(app.fake.player1.played, kTimeUpSound), 0);
    if (dateForm) {
        QCOMPARE(app->alertState, 1);
        QVERIFY(!Shown(app->Label52));
        QCOMPARE(app->Panel1->Color(), app->Label41->Color());
    } else {
        QCOMPARE(app->alertState, 0);
        QVERIFY(Shown(app->Label52));
        QVERIFY(!Shown(app->Label45));
        QCOMPARE(app->Panel1->Color(), clr::Fuchsia);
        app.seconds(1);
        QCOMPARE(app->Panel1->Color(), clr::Black);
    }
}

// A single-digit hour counts at once for the warning and the end check (they use the number),
// but the text match waits for the two-digit form.
void ClockScheduleTest::singleDigitHourWarnsButDoesNotMatch() {
    {
        AppFixture app(At(7, 59, 50));
        QSignalSpy closed(app.f(), &TForm1::Closed);
        app->Edit50->setText(QStringLiteral("8"));
        RunUntilTickOf(app, At(7, 59, 55));
        QCOMPARE(Status(app), QStringLiteral("预报警"));
        QCOMPARE(app->alertState, 2);
        RunUntilTickOf(app, At(8, 0, 0));
        QCOMPARE(Count(app.fake.player1.played, kTimeUpSound), 0);
        QCOMPARE(app->alertState, 2);
        RunUntilTickOf(app, At(8, 0, 5));
        QCOMPARE(closed.count(), 1);
    }

    // The next day, after the two-digit form, it matches.
    AppFixture next(At(7, 59, 58, kDay.addDays(1)));
    next->Edit50->setText(QStringLiteral("8"));
    next->PadScheduleFields();
    QCOMPARE(next->Edit50->text(), QStringLiteral("08"));
    RunUntilTickOf(next, At(8, 0, 0, kDay.addDays(1)));
    QCOMPARE(Count(next.fake.player1.played, kTimeUpSound), 1);
}

// ---- end actions ----------------------------------------------------------------------------

void ClockScheduleTest::programLaunch_data() {
    QTest::addColumn<bool>("dateForm");
    QTest::addColumn<bool>("programExists");
    QTest::addColumn<bool>("programOn");
    QTest::addColumn<bool>("withParameters");
    QTest::addColumn<QString>("parameterText");  // "$FILE" stands for an existing file
    QTest::addColumn<bool>("launched");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("relative");  // the paths as given relative to the working directory

    QTest::addRow("relative program and parameter file")
        << false << true << true << true << "$FILE" << true << QStringList{"$FILE"} << true;
    QTest::addRow("relative program alone")
        << true << true << true << false << "" << true << QStringList() << true;
    QTest::addRow("relative program that is missing")
        << false << false << true << false << "" << false << QStringList() << true;
    for (bool dateForm : {false, true}) {
        const char* form = dateForm ? "date form" : "time only";
        QTest::addRow("%s: program alone", form)
            << dateForm << true << true << false << "ignored text" << true << QStringList()
            << false;
        QTest::addRow("%s: program off", form)
            << dateForm << true << false << true << "-x" << false << QStringList() << false;
        QTest::addRow("%s: missing program", form)
            << dateForm << false << true << true << "-x" << false << QStringList() << false;
        QTest::addRow("%s: existing file with blanks is one argument", form)
            << dateForm << true << true << true << "$FILE" << true << QStringList{"$FILE"} << false;
        QTest::addRow("%s: text split like a command line", form)
            << dateForm << true << true << true << "-f \"a b\" c" << true
            << QStringList{"-f", "a b", "c"} << false;
        QTest::addRow("%s: missing file with blanks is split", form)
            << dateForm << true << true << true << "/no/such dir/x.txt" << true
            << QStringList{"/no/such", "dir/x.txt"} << false;
        QTest::addRow("%s: empty parameter text", form)
            << dateForm << true << true << true << "" << true << QStringList() << false;
        QTest::addRow("%s: single word", form) << dateForm << true << true << true << "--handover"
                                               << true << QStringList{"--handover"} << false;
    }
}

void ClockScheduleTest::programLaunch() {
    QFETCH(bool, dateForm);
    QFETCH(bool, programExists);
    QFETCH(bool, programOn);
    QFETCH(bool, withParameters);
    QFETCH(QString, parameterText);
    QFETCH(bool, launched);
    QFETCH(QStringList, arguments);
    QFETCH(bool, relative);

    AppFixture app(At(8, 0, 2));
    QDir(app.workDir()).mkpath(QStringLiteral("交班 工具"));
    const QString program =
        app.makeFile(QStringLiteral("交班 工具/handover tool.sh"), "#!/bin/sh\n");
    QDir(app.workDir()).mkpath(QStringLiteral("my lists"));
    const QString file = app.makeFile(QStringLiteral("my lists/名单 2007.txt"));
    QVERIFY(QFile::exists(program) && QFile::exists(file));
    QString chosen = programExists ? program : program + QStringLiteral(".gone");
    const QString given = relative ? QDir(app.workDir()).relativeFilePath(file) : file;
    if (relative) chosen = QDir(app.workDir()).relativeFilePath(chosen);

    app.fake.dialogs.files.push_back(chosen);
    app->BitBtn37->click();
    QCOMPARE(app->Settings.scheduledProgramPath, chosen);
    app->CheckBox19->setChecked(dateForm);
    app->CheckBox26->setChecked(programOn);
    app->CheckBox34->setChecked(withParameters);
    app->CheckBox32->setChecked(false);
    // The parameter text is read at the end check, as it is then.
    app->Edit60->setText(QStringLiteral("old text"));
    RunUntilTickOf(app, At(8, 0, 4));
    app->Edit60->setText(QString(parameterText).replace(QStringLiteral("$FILE"), given));
    RunUntilTickOf(app, At(8, 0, 5));

    if (!launched) {
        QVERIFY(app.fake.launcher.started.isEmpty());
        return;
    }
    // The file checked is the file started, in the timer's working directory, where a relative
    // parameter file names the file that was checked.
    QCOMPARE(app.fake.launcher.started.size(), 1);
    QCOMPARE(app.fake.launcher.started[0].first, program);
    QCOMPARE(app.fake.launcher.directories[0], QDir::currentPath());
    QStringList expected;
    for (const QString& a : arguments)
        expected << QString(a).replace(QStringLiteral("$FILE"), given);
    QCOMPARE(app.fake.launcher.started[0].second, expected);
    if (arguments.contains(QStringLiteral("$FILE")))
        QVERIFY(QFileInfo(QDir(app.fake.launcher.directories[0]).filePath(expected[0])).isFile());
    // Once only.
    app.seconds(3);
    QCOMPARE(app.fake.launcher.started.size(), 1);
}

void ClockScheduleTest::sessionEnd_data() {
    QTest::addColumn<int>("kind");  // -1: session end off
    QTest::addColumn<bool>("closeToo");
    QTest::addColumn<QStringList>("requests");
    QTest::newRow("定时注销") << 0 << false << QStringList{"logOff"};
    QTest::newRow("定时重启") << 1 << false << QStringList{"reboot"};
    QTest::newRow("定时关机") << 2 << false << QStringList{"powerOff"};
    QTest::newRow("定时关机 and close") << 2 << true << QStringList{"powerOff"};
    QTest::newRow("off, close only") << -1 << true << QStringList();
    QTest::newRow("neither") << -1 << false << QStringList();
}

void ClockScheduleTest::sessionEnd() {
    QFETCH(int, kind);
    QFETCH(bool, closeToo);
    QFETCH(QStringList, requests);
    AppFixture app(At(8, 0, 2));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    QRadioButton* radio[] = {app->RadioButton5, app->RadioButton6, app->RadioButton7};
    if (kind >= 0) {
        radio[kind]->setChecked(true);
        QVERIFY(app->Run(&TForm1::BitBtn6Click));  // OK stores the kind
        QCOMPARE(app->Settings.exitKind, kind);
    }
    app->CheckBox33->setChecked(kind >= 0);
    app->CheckBox32->setChecked(closeToo);
    RunUntilTickOf(app, At(8, 0, 4));
    QVERIFY(app.fake.session.requests.isEmpty());
    app.seconds(1);
    QCOMPARE(app.fake.session.requests, requests);
    QCOMPARE(closed.count(), closeToo ? 1 : 0);
    // The scheduled text goes at the end check.
    if (!closeToo) {
        app.seconds(3);
        QCOMPARE(app.fake.session.requests, requests);
        QVERIFY(app->Timer3->Enabled());
    }
}

// 23:59:58 + 5 s lies beyond the day: the end check never holds, the text still comes.
void ClockScheduleTest::endCheckBeyondMidnightNeverHolds() {
    AppFixture app(At(23, 59, 50));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    SetScheduleTime(app, QStringLiteral("23"), QStringLiteral("59"), QStringLiteral("58"));
    const QString program = app.makeFile(QStringLiteral("after.sh"));
    app.fake.dialogs.files.push_back(program);
    app->BitBtn37Click();
    app->CheckBox26->setChecked(true);
    RunUntilTickOf(app, At(23, 59, 58));
    QCOMPARE(app->alertState, 0);
    QCOMPARE(Count(app.fake.player1.played, kTimeUpSound), 1);
    RunUntilTickOf(app, At(0, 0, 20, kDay.addDays(1)));
    QCOMPARE(closed.count(), 0);
    QVERIFY(app.fake.launcher.started.isEmpty());
    QVERIFY(app->Timer3->Enabled());
    QCOMPARE(app->Edit15->text(), QStringLiteral("01"));
}

// ---- warning and interval sound -------------------------------------------------------------

void ClockScheduleTest::warningDoesNotWrapPastMidnight_data() {
    QTest::addColumn<QString>("lead");
    QTest::addColumn<QTime>("warnsAt");  // null: never
    QTest::newRow("lead 30 s before 00:00:10") << "30" << QTime();
    QTest::newRow("lead 11 s before 00:00:10") << "11" << QTime();
    QTest::newRow("lead 10 s before 00:00:10") << "10" << QTime(0, 0, 0);
    QTest::newRow("lead 4 s before 00:00:10") << "4" << QTime(0, 0, 6);
}

void ClockScheduleTest::warningDoesNotWrapPastMidnight() {
    QFETCH(QString, lead);
    QFETCH(QTime, warnsAt);
    AppFixture app(At(23, 59, 20));
    app->CheckBox32->setChecked(false);
    SetScheduleTime(app, QStringLiteral("00"), QStringLiteral("00"), QStringLiteral("10"));
    app->Edit11->setText(lead);
    QCOMPARE(app->ComboBox7->Text(), QStringLiteral("秒钟"));
    app.ms(10);
    QTime warnedAt;
    for (int i = 0; i < 60 && app.fake.time.now().time() != QTime(0, 0, 10, 10); ++i) {
        app.seconds(1);
        if (Status(app) == QStringLiteral("预报警") && !warnedAt.isValid())
            warnedAt = app.fake.time.now().time().addMSecs(-10);
    }
    QCOMPARE(Clock(app), QStringLiteral("00:00:10"));
    QCOMPARE(warnedAt, warnsAt);
    QCOMPARE(Count(app.fake.player1.played, kWarningSound), warnsAt.isValid() ? 1 : 0);
    // The scheduled time itself does come.
    QCOMPARE(app->alertState, 0);
    QCOMPARE(Count(app.fake.player1.played, kTimeUpSound), 1);
}

void ClockScheduleTest::warningInEveryMode_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("timeOn");
    QTest::addColumn<bool>("dateOn");
    const struct {
        const char* name;
        Mode mode;
    } modes[] = {{"计时", Mode::Timing}, {"时钟", Mode::Clock}, {"同显", Mode::Both}};
    for (const auto& m : modes) {
        QTest::addRow("%s, schedule on", m.name) << m.mode << true << false;
        QTest::addRow("%s, schedule off", m.name) << m.mode << false << false;
        QTest::addRow("%s, schedule off, date on", m.name) << m.mode << false << true;
    }
}

void ClockScheduleTest::warningInEveryMode() {
    QFETCH(Mode, mode);
    QFETCH(bool, timeOn);
    QFETCH(bool, dateOn);
    AppFixture app(At(7, 59, 52));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    SetMode(app, mode);
    app->CheckBox18->setChecked(timeOn);
    app->CheckBox19->setChecked(dateOn);
    SetScheduleDate(app, kDay.addDays(3));  // only matters for the date form
    RunUntilTickOf(app, At(7, 59, 54));
    QVERIFY(Status(app) != QStringLiteral("预报警"));
    app.seconds(1);
    QCOMPARE(Status(app), QStringLiteral("预报警"));
    QCOMPARE(app->Label45->text(), QStringLiteral("预报警"));
    QVERIFY(Shown(app->Label45));
    QCOMPARE(app.fake.player1.played, QStringList{kWarningSound});
    QCOMPARE(app->alertState, 2);
    QCOMPARE(app->Panel1->Color(), clr::Black);
    app.seconds(1);
    QCOMPARE(app->Panel1->Color(), clr::Yellow);

    RunUntilTickOf(app, At(8, 0, 6));
    // With the schedule off nothing else happens at the scheduled time.
    if (!timeOn) {
        QCOMPARE(app->alertState, 2);
        QVERIFY(!app->Timer1->Enabled());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(Count(app.fake.player1.played, kTimeUpSound), 0);
    }
}

void ClockScheduleTest::intervalSound_data() {
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("chimes");  // from 10:00:01 to 10:02:00
    QTest::newRow("10 秒钟") << "10"
                             << "秒钟" << 12;
    QTest::newRow("7 秒钟") << "7"
                            << "秒钟" << 18;
    QTest::newRow("1 分钟") << "1"
                            << "分钟" << 2;
    QTest::newRow("0 秒钟: none") << "0"
                                  << "秒钟" << 0;
    QTest::newRow("0 分钟: none") << "0"
                                  << "分钟" << 0;
    QTest::newRow("1 小时") << "1"
                            << "小时" << 0;
}

void ClockScheduleTest::intervalSound() {
    QFETCH(QString, interval);
    QFETCH(QString, unit);
    QFETCH(int, chimes);
    AppFixture app(At(10, 0, 0));
    app->Edit12->setText(interval);
    app->ComboBox1->setText(unit);
    RunUntilTickOf(app, At(10, 2, 0));
    QCOMPARE(Count(app.fake.player1.played, kIntervalSound), chimes);
    QCOMPARE(app.fake.dialogs.log.size(), 0);
    QCOMPARE(Clock(app), QStringLiteral("10:02:00"));
}

// ---- empty schedule boxes, input checks, browse buttons -------------------------------------

// Whatever a tick throws stays inside it: the message comes in a box after the tick has
// returned, one box for a failure that repeats while the box is open, and the clock goes on
// ticking under the box.
void ClockScheduleTest::tickFailureIsReportedAfterTheTick_data() {
    QTest::addColumn<int>("thrown");  // 0 the program's own error, 1 a standard one, 2 other
    QTest::addColumn<QString>("message");
    QTest::newRow("the program's own error") << 0 << QStringLiteral("声音设备出错");
    QTest::newRow("a standard exception") << 1 << QStringLiteral("device lost");
    QTest::newRow("anything else") << 2 << QStringLiteral("程序内部错误");
}

void ClockScheduleTest::tickFailureIsReportedAfterTheTick() {
    QFETCH(int, thrown);
    QFETCH(QString, message);
    AppFixture app(At(10, 0, 3));
    app.ms(10);
    // The background loop check, the tick's last step, asks the music player for its state.
    app.fake.player2.onState = [thrown] {
        if (thrown == 0) throw PlayerError(QStringLiteral("声音设备出错"));
        if (thrown == 1) throw std::runtime_error("device lost");
        throw 42;
    };
    app.seconds(1);
    // Not inside the tick: the box comes from the event loop once the tick has returned.
    QCOMPARE(app.fake.dialogs.log.size(), 0);
    QStringList clock;
    app.fake.dialogs.whileOpen = [&] {
        for (int i = 0; i < 3; ++i) {
            app.seconds(1);
            QCoreApplication::processEvents();
            clock << Clock(app);
        }
    };
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")), QStringList{message});
    // Under the box the clock went on, and the same failure opened no second box.
    QCOMPARE(clock, (QStringList{QStringLiteral("10:00:05"), QStringLiteral("10:00:06"),
                                 QStringLiteral("10:00:07")}));
    QCOMPARE(app.fake.dialogs.log.size(), 1);
    QVERIFY(app->Timer3->Enabled());
    // Mended, the ticks report nothing more.
    app.fake.player2.onState = nullptr;
    app.seconds(2);
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.log.size(), 1);
    QCOMPARE(Clock(app), QStringLiteral("10:00:09"));
}

// A number that passes the digit check but does not fit an integer, in the lead or interval
// box: the clock tick and the main timer's step report it once, as long as the box holds that
// text, and go on with the rest of their work.
void ClockScheduleTest::overflowingBoxIsReportedOnce_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("counting");
    QTest::newRow("预报时长, the clock only") << "Edit11" << false;
    QTest::newRow("提示间隔, the clock only") << "Edit12" << false;
    QTest::newRow("预报时长, the main timer counting") << "Edit11" << true;
    QTest::newRow("提示间隔, the main timer counting") << "Edit12" << true;
}

void ClockScheduleTest::overflowingBoxIsReportedOnce() {
    QFETCH(QString, box);
    QFETCH(bool, counting);
    AppFixture app(At(10, 0, 3));
    auto* edit = app->findChild<TEdit*>(box);
    QVERIFY(edit);
    if (counting) QVERIFY(app->Run(&TForm1::BitBtn2Click));
    app.ms(10);
    const QString message = QStringLiteral("'99999999999' is not a valid integer value");
    edit->setText(QStringLiteral("99999999999"));
    QVERIFY(app.fake.dialogs.log.isEmpty());  // digits only: the input check lets it pass
    for (int i = 0; i < 4; ++i) {
        app.seconds(1);
        QCoreApplication::processEvents();
    }
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")), QStringList{message});
    // The rest of each tick went on: the clock and the count stepped.
    QCOMPARE(Clock(app), QStringLiteral("10:00:07"));
    if (counting) QCOMPARE(app->mainSeconds, 56);
    // Another text that does not fit is reported once more; a good one and then the first
    // bad one again, once more.
    edit->setText(QStringLiteral("88888888888"));
    app.seconds(3);
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 2);
    edit->setText(QStringLiteral("7"));
    app.seconds(2);
    edit->setText(QStringLiteral("99999999999"));
    app.seconds(2);
    QCoreApplication::processEvents();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 3);
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")).last(), message);
    QCOMPARE(Clock(app), QStringLiteral("10:00:14"));
    if (counting) QCOMPARE(app->mainSeconds, 49);
}

void ClockScheduleTest::emptyScheduleBoxSkipsTheScheduleOnly_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("hour") << "Edit50";
    QTest::newRow("minute") << "Edit51";
    QTest::newRow("second") << "Edit52";
}

void ClockScheduleTest::emptyScheduleBoxSkipsTheScheduleOnly() {
    QFETCH(QString, box);
    AppFixture app(At(7, 59, 50));
    QSignalSpy closed(app.f(), &TForm1::Closed);
    auto* edit = app->findChild<TEdit*>(box);
    QVERIFY(edit);
    edit->setText(QString());
    QCOMPARE(app.fake.dialogs.log.size(), 0);  // an empty box passes the input check

    app.ms(10);
    QString separator = app->Edit28->text();
    for (int i = 0; i < 20; ++i) {  // 07:59:51 .. 08:00:10
        app.seconds(1);
        QCoreApplication::processEvents();
        const QTime t = app.fake.time.now().time();
        QCOMPARE(Clock(app), t.toString(QStringLiteral("HH:mm:ss")));
        QVERIFY(app->Edit28->text() != separator);
        separator = app->Edit28->text();
    }
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")),
             QStringList{QStringLiteral("'' is not a valid integer value")});
    QCOMPARE(app.fake.dialogs.log.size(), 1);
    QVERIFY(Status(app) != QStringLiteral("预报警"));
    QCOMPARE(app->alertState, 1);
    QCOMPARE(app.fake.player1.played, QStringList());
    QCOMPARE(closed.count(), 0);

    // Filled in again, the schedule works again (interval sounds included).
    SetScheduleTime(app, QStringLiteral("08"), QStringLiteral("00"), QStringLiteral("20"));
    RunUntilTickOf(app, At(8, 0, 15));
    QCOMPARE(Status(app), QStringLiteral("预报警"));
    QCOMPARE(app.fake.player1.played, QStringList{kWarningSound});
    RunUntilTickOf(app, At(8, 0, 20));
    QCOMPARE(app->alertState, 0);
    QCOMPARE(app.fake.dialogs.log.size(), 1);
}

void ClockScheduleTest::scheduleInputChecks_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("message");
    const struct {
        const char* box;
        const char* reset;
    } boxes[] = {{"Edit47", "2006"}, {"Edit48", "12"}, {"Edit49", "01"},
                 {"Edit50", "08"},   {"Edit51", "00"}, {"Edit52", "00"}};
    for (const auto& b : boxes) {
        QTest::addRow("%s letter", b.box) << b.box << "1a" << b.reset << true;
        QTest::addRow("%s minus", b.box) << b.box << "-1" << b.reset << true;
        QTest::addRow("%s full-width digit", b.box) << b.box << "１" << b.reset << true;
        QTest::addRow("%s blank inside", b.box) << b.box << "1 2" << b.reset << true;
        QTest::addRow("%s digits", b.box) << b.box << "07"
                                          << "07" << false;
        QTest::addRow("%s one digit", b.box) << b.box << "3"
                                             << "3" << false;
        QTest::addRow("%s empty", b.box) << b.box << ""
                                         << "" << false;
        QTest::addRow("%s digits with blanks around", b.box) << b.box << " 9 "
                                                             << " 9 " << false;
    }
}

void ClockScheduleTest::scheduleInputChecks() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(bool, message);
    AppFixture app(At(10, 0, 0));
    auto* edit = app->findChild<TEdit*>(box);
    QVERIFY(edit);
    edit->setText(typed);
    QCOMPARE(edit->text(), result);
    if (message)
        QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")), QStringList{kIllegal});
    else
        QCOMPARE(app.fake.dialogs.log.size(), 0);
}

void ClockScheduleTest::browseButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("before");       // the box's text before
    QTest::addColumn<QString>("chosen");       // "<cancel>": the dialog is cancelled
    QTest::addColumn<QString>("boxAfter");     //
    QTest::addColumn<QString>("recordAfter");  // "-": unchanged
    QTest::addColumn<QString>("message");      // empty: none

    const QString programMsg = QStringLiteral("未选择可执行声音文件！请重新选择！");
    const QString paramMsg = QStringLiteral("未选择被执行文件！请重新选择！");
    const QString systemMsg = QStringLiteral("文件名不能为空！请重新选择！");
    const QString none;
    const QString cancelled = QStringLiteral("<cancel>");

    QTest::newRow("program chosen") << "BitBtn37"
                                    << "old"
                                    << "/opt/交班/run me"
                                    << "/opt/交班/run me"
                                    << "/opt/交班/run me" << none;
    QTest::newRow("program cancelled") << "BitBtn37"
                                       << "old" << cancelled << "old"
                                       << "-" << none;
    QTest::newRow("program cancelled, empty box") << "BitBtn37"
                                                  << "" << cancelled << ""
                                                  << "-" << programMsg;
    QTest::newRow("program chosen empty") << "BitBtn37"
                                          << "old"
                                          << ""
                                          << ""
                                          << "" << programMsg;

    QTest::newRow("parameter chosen") << "BitBtn39"
                                      << ""
                                      << "/home/a b/list.txt"
                                      << "/home/a b/list.txt"
                                      << "/home/a b/list.txt" << none;
    QTest::newRow("parameter cancelled") << "BitBtn39"
                                         << "-x" << cancelled << "-x"
                                         << "-" << none;
    QTest::newRow("parameter cancelled, empty box") << "BitBtn39"
                                                    << "" << cancelled << ""
                                                    << "-" << paramMsg;

    QTest::newRow("system file chosen") << "BitBtn36"
                                        << "x"
                                        << "/usr/bin/kvtmr"
                                        << "/usr/bin/kvtmr"
                                        << "/usr/bin/kvtmr" << none;
    QTest::newRow("system file cancelled") << "BitBtn36"
                                           << "x" << cancelled << "x"
                                           << "-" << none;
    QTest::newRow("system file cancelled, empty box") << "BitBtn36"
                                                      << "" << cancelled << "kvtmr.exe"
                                                      << "" << systemMsg;
    QTest::newRow("system file chosen empty") << "BitBtn36"
                                              << "x"
                                              << ""
                                              << "kvtmr.exe"
                                              << "" << systemMsg;
}

void ClockScheduleTest::browseButtons() {
    QFETCH(QString, button);
    QFETCH(QString, before);
    QFETCH(QString, chosen);
    QFETCH(QString, boxAfter);
    QFETCH(QString, recordAfter);
    QFETCH(QString, message);
    AppFixture app(At(10, 0, 0));
    TEdit* box = nullptr;
    QString* record = nullptr;
    if (button == QLatin1String("BitBtn37")) {
        box = app->Edit55;
        record = &app->Settings.scheduledProgramPath;
    } else if (button == QLatin1String("BitBtn39")) {
        box = app->Edit60;
        record = &app->Settings.parameterPath;
    } else {
        box = app->Edit54;
        record = &app->Settings.systemFilePath;
    }
    box->setText(before);
    *record = QStringLiteral("stored");
    app.fake.dialogs.files.push_back(chosen == QLatin1String("<cancel>") ? QString() : chosen);
    app->findChild<QAbstractButton*>(button)->click();

    QCOMPARE(app.fake.dialogs.count(QStringLiteral("openFile")), 1);
    QCOMPARE(box->text(), boxAfter);
    QCOMPARE(*record, recordAfter == QLatin1String("-") ? QStringLiteral("stored") : recordAfter);
    if (message.isEmpty())
        QCOMPARE(app.fake.dialogs.count(QStringLiteral("information")), 0);
    else
        QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")), QStringList{message});
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 0);
}

QTEST_MAIN(ClockScheduleTest)
#include "behaviour_clock_schedule.moc"
