// The day's plan in the whole program on the fake platform: read from its file beside the
// settings at start-up, a session started on its second with the start sound and the title on
// the board, a crash in the middle of it taken up after the restart without a question at the
// value it would have, the session log's lines, and a damaged plan file told and not run.
#include <QtTest>
#include <ctime>

#include "AppFixture.h"
#include "core/Files.h"
#include "plan/Plan.h"

namespace {

const QDateTime kMorning(QDate(2026, 12, 10), QTime(8, 59, 58));
const QString kQuestion = QStringLiteral("上次计时意外中断，是否恢复计时？");

void WritePlan(AppFixture& app, const QByteArray& json) {
    QVERIFY(WriteFileAtomically(QDir(app.fake.location.dir).filePath(kPlanFileName), json));
}

QByteArray YuwenAtNine() {
    Plan plan;
    PlanSession s;
    s.id = QStringLiteral("d1-yuwen");
    s.title = QStringLiteral("语文");
    s.startMs = QDateTime(QDate(2026, 12, 10), QTime(9, 0)).toMSecsSinceEpoch();
    s.duration = 9000;
    s.warning = 900;
    plan.sessions << s;
    return EncodePlan(plan);
}

QString MainShown(const TForm1* f) {
    return f->Edit1->text() + f->Edit2->text() + f->Edit4->text() + f->Edit5->text() +
           f->Edit7->text() + f->Edit8->text();
}

}  // namespace

class PlanTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "Asia/Shanghai");
        tzset();
    }
    void sessionRunsAndSurvivesACrash();
    void damagedPlanIsTold();
};

void PlanTest::sessionRunsAndSurvivesACrash() {
    AppFixture app(kMorning, false);
    WritePlan(app, YuwenAtNine());
    app.create();
    QVERIFY(app->Run(&TForm1::ResumeInterruptedCount));
    app.fake.player1.clearCalls();
    app.ms(2500);  // 09:00:00.5
    QVERIFY(app->mainTimer().running());
    QCOMPARE(MainShown(app.f()), QStringLiteral("023000"));
    QCOMPARE(app.fake.player1.played, QStringList{QStringLiteral("Ksksly.wav")});  // 计时's sound
    QCOMPARE(app->Label44->text(), QStringLiteral("语文  09:00–11:30"));
    QVERIFY(app->Label44->isVisible() || !app->isVisible());
    {
        // With the factory's title font the title and times are wider than the board: they are
        // drawn whole, smaller, across the board, not cut off at both ends.
        TLabel* title = app->Label44;
        const QFontMetrics fm(title->font());
        QVERIFY(fm.horizontalAdvance(title->text()) > title->width());
        const QImage shot = title->grab().toImage();
        int top = shot.height(), bottom = -1, left = shot.width(), right = -1;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (c.red() < 150 || c.green() > 100) continue;
                top = qMin(top, y), bottom = qMax(bottom, y);
                left = qMin(left, x), right = qMax(right, x);
            }
        const int natural = fm.tightBoundingRect(title->text()).height();
        const double k = double(title->width()) / fm.horizontalAdvance(title->text());
        QVERIFY2(bottom - top + 1 <= natural * (k + 1.0) / 2,
                 qPrintable(QStringLiteral("text rows %1..%2 of %3, shrunk by %4")
                                .arg(top)
                                .arg(bottom)
                                .arg(natural)
                                .arg(k)));
        QVERIFY2(right - left > title->width() * 0.8,
                 qPrintable(QStringLiteral("text columns %1..%2").arg(left).arg(right)));
    }
    QVERIFY(app.fake.log.events().contains(QStringLiteral("考试安排：“语文”开始")));
    app.seconds(30 * 60);  // 09:30:00.5
    QCOMPARE(MainShown(app.f()), QStringLiteral("020000"));

    // A crash; the machine comes back twelve minutes later.
    QVERIFY(app->countKeeper().flush(2000));
    QVERIFY(app->planRunner().flush(2000));
    app.destroy();
    app.fake.time.advance(12 * 60 * 1000);  // 09:42:00.5
    app.create();
    app.fake.dialogs.clear();
    QVERIFY(app->Run(&TForm1::ResumeInterruptedCount));
    QVERIFY(!app.fake.dialogs.texts(QStringLiteral("confirm")).contains(kQuestion));
    QVERIFY(app->mainTimer().running());
    QCOMPARE(MainShown(app.f()), QStringLiteral("014800"));
    QCOMPARE(app->Label44->text(), QStringLiteral("语文  09:00–11:30"));
    app.seconds(1);
    QCOMPARE(MainShown(app.f()), QStringLiteral("014759"));
}

void PlanTest::damagedPlanIsTold() {
    AppFixture app(kMorning, false);
    WritePlan(
        app,
        R"({"v":1,"rev":1,"sessions":[{"id":"a","start":"2026-12-10T09:00:00.000+08:00","duration":0}]})");
    app.create();
    QVERIFY(app->Run(&TForm1::ResumeInterruptedCount));
    QCoreApplication::processEvents();
    app.ms(5000);
    QVERIFY(!app->mainTimer().running());
    const QStringList errors = app.fake.dialogs.texts(QStringLiteral("error"));
    QVERIFY(!errors.isEmpty());
    QVERIFY2(errors.last().contains(QStringLiteral("考试安排")), qPrintable(errors.last()));
    QVERIFY(app.fake.log.events().join(u'|').contains(QStringLiteral("考试安排文件未能读取")));
}

QTEST_MAIN(PlanTest)
#include "behaviour_plan.moc"
