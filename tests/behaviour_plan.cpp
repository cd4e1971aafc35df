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
