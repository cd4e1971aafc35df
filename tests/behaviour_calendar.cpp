// The perpetual calendar window "万年历": its caption line after creation, paging, the way
// back to the home date, the main window's toggle, closing, and its independence from the
// clock and the timers.
#include <QtTest>

#include "AppFixture.h"
#include "clock/wnlp.h"

namespace {

const QDateTime kJan5 = QDateTime(QDate(2007, 1, 5), QTime(10, 20, 30));

enum class Btn { PrevYear, NextYear, PrevMonth, NextMonth, Restore };

QPushButton* ButtonOf(Twnl* w, Btn b) {
    switch (b) {
        case Btn::PrevYear:
            return w->BitBtn1;
        case Btn::NextYear:
            return w->BitBtn2;
        case Btn::PrevMonth:
            return w->BitBtn3;
        case Btn::NextMonth:
            return w->BitBtn4;
        case Btn::Restore:
            return w->BitBtn5;
    }
    return nullptr;
}

// Clicks a day of the shown month in the grid, as the operator does.
void ClickDay(Twnl* w, int day) {
    TCalendar* grid = w->Calendar1;
    const QPoint cell = grid->cellOfDay(day);
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->cellRect(cell.y(), cell.x()).center());
}

// Clicks the buttons named by the letters: y/Y previous/next year, m/M previous/next month,
// r restore, and a number "d31" selects that day in the grid.
void Drive(Twnl* w, const QString& script) {
    for (const QString& step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (step.startsWith(QLatin1Char('d'))) {
            ClickDay(w, step.mid(1).toInt());
            continue;
        }
        Btn b = Btn::Restore;
        if (step == QLatin1String("y")) b = Btn::PrevYear;
        if (step == QLatin1String("Y")) b = Btn::NextYear;
        if (step == QLatin1String("m")) b = Btn::PrevMonth;
        if (step == QLatin1String("M")) b = Btn::NextMonth;
        ButtonOf(w, b)->click();
    }
}

}  // namespace

class CalendarWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void captionAfterCreation_data();
    void captionAfterCreation();
    void pagingWritesTheShownMonth_data();
    void pagingWritesTheShownMonth();
    void restoreReturnsHomeWithoutError_data();
    void restoreReturnsHomeWithoutError();
    void toggleShowsTheHomeMonthAgain();
    void escapeAndExitHide_data();
    void escapeAndExitHide();
    void pagingLeavesClockAndTimersAlone();
};

void CalendarWindowTest::captionAfterCreation_data() {
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("homeMonth");
    QTest::addColumn<QString>("homeDay");
    QTest::newRow("5 January 2007") << kJan5 << "2007年1月"
                                    << "01"
                                    << "5";
    QTest::newRow("31 December 2008")
        << QDateTime(QDate(2008, 12, 31), QTime(23, 0, 0)) << "2008年12月"
        << "12"
        << "31";
    QTest::newRow("29 February 2008")
        << QDateTime(QDate(2008, 2, 29), QTime(9, 0, 0)) << "2008年2月"
        << "02"
        << "29";
}

void CalendarWindowTest::captionAfterCreation() {
    QFETCH(QDateTime, start);
    QFETCH(QString, caption);
    QFETCH(QString, homeMonth);
    QFETCH(QString, homeDay);
    AppFixture app(start);
    Twnl* w = app.app->wnl.get();
    QCOMPARE(w->windowTitle(), QStringLiteral("万年历"));
    QCOMPARE(w->Label1->text(), caption);
    QCOMPARE(w->Calendar1->value().date(), start.date());
    QCOMPARE(w->homeYear, QString::number(start.date().year()));
    QCOMPARE(w->homeMonth, homeMonth);
    QCOMPARE(w->homeDay, homeDay);
    QVERIFY(!w->isVisible());
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 0);
}

void CalendarWindowTest::pagingWritesTheShownMonth_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QDate>("date");
    QTest::newRow("next month") << "M"
                                << "2007年2月" << QDate(2007, 2, 5);
    QTest::newRow("previous month over the year") << "m"
                                                  << "2006年12月" << QDate(2006, 12, 5);
    QTest::newRow("twelve months on") << "M M M M M M M M M M M M"
                                      << "2008年1月" << QDate(2008, 1, 5);
    QTest::newRow("next year") << "Y"
                               << "2008年1月" << QDate(2008, 1, 5);
    QTest::newRow("previous year") << "y"
                                   << "2006年1月" << QDate(2006, 1, 5);
    QTest::newRow("two-digit month") << "m m"
                                     << "2006年11月" << QDate(2006, 11, 5);
    QTest::newRow("31 January to February") << "d31 M"
                                            << "2007年2月" << QDate(2007, 2, 28);
    QTest::newRow("29 February 2008 to next year") << "Y M d29 Y"
                                                   << "2009年2月" << QDate(2009, 2, 28);
    QTest::newRow("31 March 2008 to previous month") << "Y M M d31 m"
                                                     << "2008年2月" << QDate(2008, 2, 29);
    QTest::newRow("restore after paging") << "Y Y M r"
                                          << "2007年1月" << QDate(2007, 1, 5);
}

void CalendarWindowTest::pagingWritesTheShownMonth() {
    QFETCH(QString, script);
    QFETCH(QString, caption);
    QFETCH(QDate, date);
    AppFixture app(kJan5);
    Twnl* w = app.app->wnl.get();
    app->SpeedButton20Click();
    QVERIFY(w->isVisible());
    Drive(w, script);
    QCOMPARE(w->Label1->text(), caption);
    QCOMPARE(w->Calendar1->value().date(), date);
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 0);
}

// From a day that the home month does not have, or from 29 February when the home year is no
// leap year, the restore still lands on the home date in one go.
void CalendarWindowTest::restoreReturnsHomeWithoutError_data() {
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QDate>("before");
    QTest::addColumn<bool>("viaToggle");
    QTest::addColumn<QString>("caption");

    const QDateTime feb14(QDate(2007, 2, 14), QTime(12, 0, 0));
    const QDateTime apr10(QDate(2007, 4, 10), QTime(12, 0, 0));
    const QDateTime leapDay(QDate(2008, 2, 29), QTime(12, 0, 0));
    for (bool toggle : {false, true}) {
        const char* how = toggle ? "toggle" : "button";
        QTest::addRow("%s: 29 Feb 2008 -> 5 Jan 2007", how)
            << kJan5 << "Y M d29" << QDate(2008, 2, 29) << toggle << "2007年1月";
        QTest::addRow("%s: 31 Mar 2007 -> 14 Feb 2007", how)
            << feb14 << "M d31" << QDate(2007, 3, 31) << toggle << "2007年2月";
        QTest::addRow("%s: 31 Mar 2008 -> 14 Feb 2007", how)
            << feb14 << "Y M d31" << QDate(2008, 3, 31) << toggle << "2007年2月";
        QTest::addRow("%s: 31 Mar 2007 -> 10 Apr 2007", how)
            << apr10 << "m d31" << QDate(2007, 3, 31) << toggle << "2007年4月";
        QTest::addRow("%s: 31 Mar 2009 -> 29 Feb 2008", how)
            << leapDay << "Y M d31" << QDate(2009, 3, 31) << toggle << "2008年2月";
        QTest::addRow("%s: 31 Jan 2009 -> 29 Feb 2008", how)
            << leapDay << "Y m d31" << QDate(2009, 1, 31) << toggle << "2008年2月";
    }
}

void CalendarWindowTest::restoreReturnsHomeWithoutError() {
    QFETCH(QDateTime, start);
    QFETCH(QString, script);
    QFETCH(QDate, before);
    QFETCH(bool, viaToggle);
    QFETCH(QString, caption);
    AppFixture app(start);
    Twnl* w = app.app->wnl.get();
    app->SpeedButton20Click();
    Drive(w, script);
    QCOMPARE(w->Calendar1->value().date(), before);

    QSignalSpy changes(w->Calendar1, &TCalendar::Change);
    if (viaToggle) {
        app->SpeedButton20->click();  // hides
        QVERIFY(!w->isVisible());
        app->SpeedButton20->click();  // restores and shows
        QVERIFY(w->isVisible());
    } else {
        w->BitBtn5->click();
    }
    QCOMPARE(w->Calendar1->value().date(), start.date());
    QCOMPARE(w->Label1->text(), caption);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 0);
}

void CalendarWindowTest::toggleShowsTheHomeMonthAgain() {
    AppFixture app(kJan5);
    Twnl* w = app.app->wnl.get();
    // The tool-bar button and the menu item are the same toggle.
    app->N25->trigger();
    QVERIFY(w->isVisible());
    QCOMPARE(w->Label1->text(), QStringLiteral("2007年1月"));
    Drive(w, QStringLiteral("M M Y d20"));
    QCOMPARE(w->Label1->text(), QStringLiteral("2008年3月"));
    app->N25->trigger();
    QVERIFY(!w->isVisible());
    // Hidden, the grid keeps the paged month ...
    QCOMPARE(w->Calendar1->value().date(), QDate(2008, 3, 20));
    // ... and showing again starts from the home date.
    app->SpeedButton20->click();
    QVERIFY(w->isVisible());
    QCOMPARE(w->Label1->text(), QStringLiteral("2007年1月"));
    QCOMPARE(w->Calendar1->value().date(), QDate(2007, 1, 5));

    // After midnight the home date is still the day the program started on.
    app.fake.time.setNow(QDateTime(QDate(2007, 1, 6), QTime(10, 21, 0)));
    app.seconds(2);
    QCOMPARE(app->Edit15->text(), QStringLiteral("06"));
    app->SpeedButton20Click();
    app->SpeedButton20Click();
    QCOMPARE(w->Calendar1->value().date(), QDate(2007, 1, 5));
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("error")), 0);
}

void CalendarWindowTest::escapeAndExitHide_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("退出") << false;
    QTest::newRow("Esc") << true;
}

void CalendarWindowTest::escapeAndExitHide() {
    QFETCH(bool, escape);
    AppFixture app(kJan5);
    Twnl* w = app.app->wnl.get();
    app->SpeedButton20Click();
    QVERIFY(w->isVisible());
    QCOMPARE(w->Button1->text(), QStringLiteral("退出"));
    if (escape) {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w, Qt::Key_Escape);
    } else {
        QTest::mouseClick(w->Button1, Qt::LeftButton);
    }
    QVERIFY(!w->isVisible());
    // Hidden, not destroyed: the toggle shows it again.
    QVERIFY(app.app->wnl);
    app->SpeedButton20Click();
    QVERIFY(w->isVisible());
}

void CalendarWindowTest::pagingLeavesClockAndTimersAlone() {
    AppFixture app(kJan5);
    Twnl* w = app.app->wnl.get();
    app.seconds(2);
    app->BitBtn2Click();  // the main timer runs
    QVERIFY(app->Timer1->Enabled());
    app.seconds(3);

    const QList<TEdit*> clock = {app->Edit13, app->Edit14, app->Edit15, app->Edit29,
                                 app->Edit30, app->Edit16, app->Edit25, app->Edit28,
                                 app->Edit26, app->Edit31, app->Edit27};
    auto clockTexts = [&] {
        QStringList t;
        for (TEdit* e : clock)
            t << e->text();
        return t;
    };
    const QStringList before = clockTexts();
    const int mainSeconds = app->mainSeconds;
    const int prepSeconds = app->prepSeconds;
    const int alertState = app->alertState;
    const int pending = app.fake.time.pending();

    app->SpeedButton20Click();
    Drive(w, QStringLiteral("Y Y M M m y d28 r M"));

    QCOMPARE(clockTexts(), before);
    QCOMPARE(app->mainSeconds, mainSeconds);
    QCOMPARE(app->prepSeconds, prepSeconds);
    QCOMPARE(app->alertState, alertState);
    QVERIFY(app->Timer1->Enabled());
    QVERIFY(!app->Timer2->Enabled());
    QVERIFY(app->Timer3->Enabled());
    QCOMPARE(app.fake.time.pending(), pending);

    // The clock and the main timer go on as before (the clock ticks just after each second).
    app.seconds(1);
    QCOMPARE(app->mainSeconds, mainSeconds - 1);
    QCOMPARE(before[10], QStringLiteral("34"));
    QCOMPARE(app->Edit27->text(), QStringLiteral("35"));
    QCOMPARE(w->Label1->text(), QStringLiteral("2007年2月"));
}

QTEST_MAIN(CalendarWindowTest)
#include "behaviour_calendar.moc"
