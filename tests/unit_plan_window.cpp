// The plan's editor window on the fake dialogs and the fake clock: sessions added, edited and
// removed through its controls; every refused field (a start in the past, an overlap, a
// duration of 0 or over 99∶59∶59) with its message and 确定 refused; CSV import in UTF-8 and
// GBK, a bad file that changes nothing, replace and append; export read back; the next-session
// line as the clock moves; the switch that turns the plan off; names and size for the operator.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>
#include <ctime>

#include "Fakes.h"
#include "PlanSamples.h"
#include "plan/PlanCsv.h"
#include "plan/PlanWindow.h"

namespace {

// 语文 and 数学 on 10 December, the day after the clock's noon.
Plan ExamDay() {
    Plan plan;
    plan.rev = 3;
    plan.by = QStringLiteral("office1");
    PlanSession yw = Session(QStringLiteral("d1-yuwen"), QStringLiteral("语文"),
                             Local(2026, 12, 10, 9, 0), 9000, 900);
    yw.warning = 900;
    PlanSession sx = Session(QStringLiteral("d1-shuxue"), QStringLiteral("数学"),
                             Local(2026, 12, 10, 15, 0), 7200);
    sx.rooms = {QStringLiteral("A102")};
    plan.sessions = {yw, sx};
    return plan;
}

// The window on the fakes, shown, its clock at noon on 9 December 2026.
struct Rig {
    FakeTimeSource time{QDateTime(QDate(2026, 12, 9), QTime(12, 0, 0))};
    FakeDialogs dialogs;
    PlanWindow window{dialogs, time};
    QList<std::pair<Plan, bool>> accepted;

    explicit Rig(const Plan& plan = Plan(), bool enabled = true, const QString& room = {}) {
        QObject::connect(&window, &PlanWindow::planAccepted, [this](const Plan& p, bool on) {
            accepted.append({p, on});
        });
        window.setPlan(plan, enabled, room);
        window.show();
    }
    template <class T>
    T* w(const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QTableWidget* table() { return w<QTableWidget>("sessionTable"); }
    QString message() { return w<QLabel>("planMessage")->text(); }
    QString next() { return w<QLabel>("nextSession")->text(); }
    void click(const char* name) { QTest::mouseClick(w<QAbstractButton>(name), Qt::LeftButton); }
    // The clock jumps to just before t and runs on to it: the window's last tick is at t.
    void jumpTo(const QDateTime& t) {
        time.setNow(t.addMSecs(-1990));
        time.advance(2000);
    }
    // Types into a line edit as the operator does: all of it selected, then the new text.
    void type(const char* name, const QString& text) {
        QLineEdit* e = w<QLineEdit>(name);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        typeMore(name, text);
    }
    // Replaces a line edit's text in one step, as a paste does.
    void paste(const char* name, const QString& text) {
        QLineEdit* e = w<QLineEdit>(name);
        e->setFocus();
        e->selectAll();
        e->insert(text);
    }
    // Types on at the end of a line edit, a key for each character.
    void typeMore(const char* name, const QString& text) {
        QLineEdit* e = w<QLineEdit>(name);
        e->setFocus();
        e->end(false);
        for (QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(e, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void selectRow(int row) { table()->selectRow(row); }
    int rowOf(const QString& title) {
        for (int r = 0; r < table()->rowCount(); ++r)
            if (table()->item(r, 0)->text() == title) return r;
        return -1;
    }
    QStringList row(int r) {
        QStringList cells;
        for (int c = 0; c < table()->columnCount(); ++c)
            cells << table()->item(r, c)->text();
        return cells;
    }
    // A session of the window's plan, kept in `last` so that the pointer stays good.
    const PlanSession* session(const QString& title) {
        plan();
        for (const PlanSession& s : last.sessions)
            if (s.title == title) return &s;
        return nullptr;
    }
    Plan plan() {
        last = window.plan();
        return last;
    }
    Plan last;
};

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
    return path;
}

// Two sessions as the exam office's spreadsheet keeps them.
const QString kCsv = QStringLiteral(
    "科目,日期,开始时间,时长,预备,预警,间隔,考场,加时\r\n"
    "物理,2026-12-11,14:00,1:30:00,10分钟,15分钟,,*,A103=20分钟\r\n"
    "化学,2026/12/11,16:30:00,90分钟,,,,A101 A102,\r\n");

}  // namespace

class PlanWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "Asia/Shanghai");
        tzset();
    }
    void addEditRemove();
    void refused_data();
    void refused();
    void draftLeftBehind();
    void runningSessionKept();
    void csvImport_data();
    void csvImport();
    void importKeepsIdsApart();
    void exportThenImport_data();
    void exportThenImport();
    void exportFails();
    void nextSessionLine();
    void enableSwitchAndCancel();
    void forTheOperator();
};

void PlanWindowTest::addEditRemove() {
    Rig rig;
    QCOMPARE(rig.table()->rowCount(), 0);
    QVERIFY(!rig.w<QWidget>("sessionForm")->isEnabled());
    QCOMPARE(rig.next(), QStringLiteral("没有待开始的考试"));

    // A new session takes the next free whole hour, an hour long, every room.
    rig.click("addSession");
    QCOMPARE(rig.table()->rowCount(), 1);
    QCOMPARE(rig.row(0),
             (QStringList{"新考试", "2026-12-09", "13:00:00", "1:00:00", "", "", "", "全部", ""}));
    QCOMPARE(rig.window.focusWidget(), rig.w<QLineEdit>("titleEdit"));

    rig.type("titleEdit", QStringLiteral("语文"));
    rig.w<QDateEdit>("dateEdit")->setDate(QDate(2026, 12, 10));
    rig.w<QTimeEdit>("startEdit")->setTime(QTime(9, 0, 30));
    rig.type("durationEdit", QStringLiteral("2:30:00"));
    rig.type("prepEdit", QStringLiteral("15分钟"));
    rig.type("warningEdit", QStringLiteral("15"));
    rig.type("intervalEdit", QStringLiteral("90秒"));
    rig.type("roomsEdit", QStringLiteral("A101, A103"));
    rig.type("extraEdit", QStringLiteral("A103=30分钟"));
    QCOMPARE(rig.window.problem(), QString());
    QCOMPARE(rig.row(0), (QStringList{"语文", "2026-12-10", "09:00:30", "2:30:00", "0:15:00",
                                      "0:15:00", "0:01:30", "A101 A103", "A103=0:30:00"}));
    const PlanSession yw = *rig.session(QStringLiteral("语文"));
    QCOMPARE(yw.startMs, Local(2026, 12, 10, 9, 0, 30));
    QCOMPARE(yw.duration, 9000);
    QCOMPARE(yw.prep, 900);
    QCOMPARE(yw.warning, 900);
    QCOMPARE(yw.interval, 90);
    QCOMPARE(yw.rooms, (QStringList{"A101", "A103"}));
    QCOMPARE(yw.extra.value(QStringLiteral("A103")), 1800);
    QVERIFY(yw.id.startsWith(QStringLiteral("s20261209-120000-")));

    // A second one, on weekdays; its id is its own.
    rig.click("addSession");
    QCOMPARE(rig.table()->rowCount(), 2);
    rig.type("titleEdit", QStringLiteral("交班"));
    rig.w<QComboBox>("repeatBox")->setCurrentIndex(2);
    rig.w<QTimeEdit>("startEdit")->setTime(QTime(16, 0));
    rig.type("durationEdit", QStringLiteral("5秒"));
    QCOMPARE(rig.window.problem(), QString());
    const PlanSession shift = *rig.session(QStringLiteral("交班"));
    QCOMPARE(shift.repeat, PlanSession::Repeat::Weekdays);
    QCOMPARE(rig.row(1).mid(0, 4), (QStringList{"交班", "工作日", "16:00:00", "0:00:05"}));
    QVERIFY(shift.id != yw.id);

    // 删除 asks first; No keeps it.
    rig.dialogs.answers = {false};
    rig.click("removeSession");
    QCOMPARE(rig.table()->rowCount(), 2);
    QVERIFY(rig.dialogs.texts(QStringLiteral("confirm")).last().contains(QStringLiteral("交班")));
    rig.dialogs.answers = {true};
    rig.click("removeSession");
    QCOMPARE(rig.table()->rowCount(), 1);
    QVERIFY(!rig.session(QStringLiteral("交班")));
    QCOMPARE(rig.w<QLineEdit>("titleEdit")->text(), QStringLiteral("语文"));

    // 确定 gives the plan, one revision on.
    rig.click("okButton");
    QCOMPARE(rig.accepted.size(), 1);
    QCOMPARE(rig.accepted[0].first.rev, 1);
    QCOMPARE(rig.accepted[0].first.sessions, QList<PlanSession>{yw});
    QVERIFY(rig.accepted[0].second);
    QVERIFY(!rig.window.isVisible());
    // Opened again without a change, the revision stays.
    rig.window.show();
    rig.click("okButton");
    QCOMPARE(rig.accepted.size(), 2);
    QCOMPARE(rig.accepted[1].first.rev, 1);
}

void PlanWindowTest::refused_data() {
    QTest::addColumn<QString>("field");  // a line edit, or "start" for the date and time
    QTest::addColumn<QString>("text");   // its text, or "yyyy-MM-dd HH:mm:ss"
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("marked");  // the field marked as the one in question
    QTest::newRow("a start in the past")
        << "start"
        << "2026-12-09 11:59:59" << QStringLiteral("开始时间已过") << QStringLiteral("startEdit");
    QTest::newRow("an overlap with 语文")
        << "start"
        << "2026-12-10 11:00:00" << QStringLiteral("时间重叠") << QStringLiteral("startEdit");
    QTest::newRow("a duration of 0")
        << "durationEdit"
        << "0" << QStringLiteral("时长必须在1秒到99∶59∶59之间") << QStringLiteral("durationEdit");
    QTest::newRow("no duration") << "durationEdit"
                                 << "" << QStringLiteral("时长必须在1秒")
                                 << QStringLiteral("durationEdit");
    QTest::newRow("a duration of 100:00:00")
        << "durationEdit"
        << "100:00:00" << QStringLiteral("时长不能超过99∶59∶59") << QStringLiteral("durationEdit");
    QTest::newRow("a duration that does not read")
        << "durationEdit"
        << "两小时" << QStringLiteral("时长“两小时”不正确") << QStringLiteral("durationEdit");
    QTest::newRow("a preparation reaching into 语文")
        << "prepEdit"
        << "4:00:00" << QStringLiteral("时间重叠") << QStringLiteral("prepEdit");
    QTest::newRow("a warning beyond the duration")
        << "warningEdit"
        << "3:00:00" << QStringLiteral("预警提前量不能超过时长") << QStringLiteral("warningEdit");
    QTest::newRow("a room with a slash")
        << "roomsEdit"
        << "A1/2" << QStringLiteral("考场号") << QStringLiteral("roomsEdit");
    QTest::newRow("extra time without its time")
        << "extraEdit"
        << "A103" << QStringLiteral("加时“A103”不正确") << QStringLiteral("extraEdit");
    QTest::newRow("extra time past 99:59:59")
        << "extraEdit"
        << "A102=99:00:00" << QStringLiteral("加时后的时长不能超过") << QStringLiteral("extraEdit");
}

void PlanWindowTest::refused() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, marked);
    Rig rig(ExamDay());
    rig.selectRow(rig.rowOf(QStringLiteral("数学")));
    QCOMPARE(rig.w<QLineEdit>("titleEdit")->text(), QStringLiteral("数学"));

    // The text goes in at once, as pasted (typed key by key, "100" on the way to "100:00:00"
    // is 100 minutes, which is taken).
    QDateEdit* date = rig.w<QDateEdit>("dateEdit");
    QTimeEdit* time = rig.w<QTimeEdit>("startEdit");
    Plan before;
    QStringList rowBefore;
    if (field == QLatin1String("start")) {
        const QDateTime at = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        date->setDate(at.date());
        QCOMPARE(rig.window.problem(), QString());
        before = rig.window.plan();
        rowBefore = rig.row(rig.rowOf(QStringLiteral("数学")));
        time->setTime(at.time());
    } else {
        before = rig.window.plan();
        rowBefore = rig.row(rig.rowOf(QStringLiteral("数学")));
        rig.paste(field.toLatin1().constData(), text);
    }
    // The message stands under the form; the session is not taken.
    QVERIFY2(rig.message().contains(message), qPrintable(rig.message()));
    QVERIFY2(rig.window.problem().contains(message), qPrintable(rig.window.problem()));
    QStringList markedFields;
    for (QWidget* f : rig.w<QWidget>("sessionForm")->findChildren<QWidget*>())
        if (f->property("problem").toBool()) markedFields << f->objectName();
    QCOMPARE(markedFields, QStringList{marked});
    QCOMPARE(rig.w<QWidget>(qPrintable(marked))->accessibleDescription(), rig.window.problem());
    QCOMPARE(rig.window.plan(), before);
    QCOMPARE(rig.row(rig.rowOf(QStringLiteral("数学"))), rowBefore);
    // 确定 is refused with it.
    rig.click("okButton");
    QVERIFY(rig.accepted.isEmpty());
    QVERIFY(rig.window.isVisible());
    QVERIFY2(rig.message().startsWith(QStringLiteral("不能确定：")), qPrintable(rig.message()));
    QVERIFY(rig.message().contains(message));

    // Mended, the session is taken and 确定 goes through.
    date->setDate(QDate(2026, 12, 10));
    time->setTime(QTime(15, 0));
    rig.type("durationEdit", QStringLiteral("2:00:00"));
    rig.type("prepEdit", QString());
    rig.type("warningEdit", QString());
    rig.type("roomsEdit", QStringLiteral("A102"));
    rig.type("extraEdit", QString());
    QCOMPARE(rig.window.problem(), QString());
    QCOMPARE(rig.message(), QString());
    QVERIFY(!rig.w<QWidget>(qPrintable(marked))->property("problem").toBool());
    rig.click("okButton");
    QCOMPARE(rig.accepted.size(), 1);
    QCOMPARE(rig.accepted[0].first.sessions.size(), 2);
}

void PlanWindowTest::draftLeftBehind() {
    Rig rig(ExamDay());
    rig.selectRow(rig.rowOf(QStringLiteral("数学")));
    rig.type("durationEdit", QStringLiteral("0"));
    QVERIFY(!rig.window.problem().isEmpty());
    // Sorting the list by a column's heading leaves the draft in the form as it is.
    QHeaderView* header = rig.table()->horizontalHeader();
    const QPoint titleHeading(header->sectionViewportPosition(0) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, titleHeading);
    QCOMPARE(rig.table()->item(0, 0)->text(), QStringLiteral("数学"));  // U+6570 < U+8BED
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, titleHeading);
    QCOMPARE(rig.table()->item(0, 0)->text(), QStringLiteral("语文"));
    QCOMPARE(rig.table()->currentRow(), 1);
    QCOMPARE(rig.w<QLineEdit>("durationEdit")->text(), QStringLiteral("0"));
    QVERIFY(rig.window.problem().contains(QStringLiteral("时长")));
    // Moving to another row drops the draft and says so; the plan is as it was and may be
    // taken.
    rig.selectRow(rig.rowOf(QStringLiteral("语文")));
    QCOMPARE(rig.window.problem(), QString());
    QVERIFY2(rig.message().contains(QStringLiteral("“数学”")) &&
                 rig.message().contains(QStringLiteral("未采用")),
             qPrintable(rig.message()));
    QCOMPARE(rig.window.plan(), ExamDay());
    rig.click("okButton");
    QCOMPARE(rig.accepted.size(), 1);
    QCOMPARE(rig.accepted[0].first.rev, 3);  // nothing changed
}

void PlanWindowTest::runningSessionKept() {
    // 语文 began at 11:00 and runs at noon: a plan that holds it can still be edited and taken.
    Plan plan = ExamDay();
    plan.sessions[0].startMs = Local(2026, 12, 9, 11, 0);
    Rig rig(plan);
    QCOMPARE(rig.window.problem(), QString());
    rig.selectRow(rig.rowOf(QStringLiteral("语文")));
    rig.type("titleEdit", QStringLiteral("语文（一）"));
    QCOMPARE(rig.window.problem(), QString());
    QVERIFY(rig.session(QStringLiteral("语文（一）")));
    // Moving its start is a new start, and that one must not be past.
    rig.w<QTimeEdit>("startEdit")->setTime(QTime(11, 30));
    QVERIFY2(rig.window.problem().contains(QStringLiteral("开始时间已过")),
             qPrintable(rig.window.problem()));
    rig.w<QTimeEdit>("startEdit")->setTime(QTime(11, 0));
    QCOMPARE(rig.window.problem(), QString());
    rig.click("okButton");
    QCOMPARE(rig.accepted.size(), 1);
    QCOMPARE(rig.accepted[0].first.rev, 4);
}

void PlanWindowTest::csvImport_data() {
    QTest::addColumn<QByteArray>("bytes");  // empty: no such file
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<QStringList>("titles");  // after the import, in the table's order
    QTest::addColumn<QString>("message");     // the information box, if one is expected
    QStringEncoder gbk("GB18030");
    const QStringList both = {"英语", "物理", "化学"};
    QTest::newRow("UTF-8, replace")
        << kCsv.toUtf8() << QList<int>{0} << QStringList{"物理", "化学"} << QString();
    QTest::newRow("UTF-8 with its mark, append")
        << QByteArray("\xEF\xBB\xBF") + kCsv.toUtf8() << QList<int>{1} << both << QString();
    QTest::newRow("GBK, append") << QByteArray(gbk.encode(kCsv)) << QList<int>{1} << both
                                 << QString();
    QTest::newRow("GBK, replace") << QByteArray(gbk.encode(kCsv)) << QList<int>{0}
                                  << QStringList{"物理", "化学"} << QString();
    QTest::newRow("cancelled at the question")
        << kCsv.toUtf8() << QList<int>{2} << QStringList{"英语"} << QString();
    QTest::newRow("a bad date on line 3")
        << kCsv.toUtf8().replace("2026/12/11", "2026/13/11") << QList<int>{} << QStringList{"英语"}
        << QStringLiteral("第3行：日期“2026/13/11”不正确");
    QTest::newRow("a start in the past on line 2")
        << kCsv.toUtf8().replace("2026-12-11,14:00", "2026-12-09,11:00") << QList<int>{}
        << QStringList{"英语"} << QStringLiteral("第2行：开始时间已过");
    QTest::newRow("appended, it meets the plan")
        << kCsv.toUtf8().replace("14:00", "09:30") << QList<int>{1} << QStringList{"英语"}
        << QStringLiteral("时间重叠");
    QTest::newRow("replacing, it may take the plan's time")
        << kCsv.toUtf8().replace("14:00", "09:30") << QList<int>{0} << QStringList{"物理", "化学"}
        << QString();
    QTest::newRow("no such file") << QByteArray() << QList<int>{} << QStringList{"英语"}
                                  << QStringLiteral("找不到文件");
    QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1A\n\xFF\xFE\xFD", 11) << QList<int>{}
                               << QStringList{"英语"} << QStringLiteral("编码");
}

void PlanWindowTest::csvImport() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, choices);
    QFETCH(QStringList, titles);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = bytes.isEmpty() ? dir.filePath(QStringLiteral("none.csv"))
                                         : WriteFile(dir, QStringLiteral("考试.csv"), bytes);
    Plan plan;
    plan.rev = 7;
    plan.sessions = {
        Session(QStringLiteral("en"), QStringLiteral("英语"), Local(2026, 12, 11, 9, 0), 7200)};
    Rig rig(plan);
    rig.dialogs.files = {path};
    rig.dialogs.choices = std::deque<int>(choices.begin(), choices.end());
    rig.click("importCsv");
    QVERIFY(rig.dialogs.lastFileFilters.first().contains(QStringLiteral("*.csv")));
    // Read off the user-interface thread: the buttons wait for it.
    QVERIFY(rig.window.finishFileWork(10000));
    QVERIFY(rig.w<QAbstractButton>("importCsv")->isEnabled());

    QStringList shown;
    for (int r = 0; r < rig.table()->rowCount(); ++r)
        shown << rig.table()->item(r, 0)->text();
    QCOMPARE(shown, titles);
    QCOMPARE(rig.dialogs.count(QStringLiteral("choose")), choices.size());
    const QStringList boxes = rig.dialogs.texts(QStringLiteral("information"));
    if (message.isEmpty()) {
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(u'\n')));
    } else {
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].contains(message) && boxes[0].contains(QStringLiteral("没有改动")),
                 qPrintable(boxes[0]));
    }
    const Plan after = rig.window.plan();
    if (titles == QStringList{"英语"}) {
        QCOMPARE(after, plan);  // nothing half-taken
        return;
    }
    QCOMPARE(after.rev, 8);
    QCOMPARE(rig.window.problem(), QString());
    const PlanSession* physics = rig.session(QStringLiteral("物理"));
    QVERIFY(physics);
    QCOMPARE(physics->prep, 600);
    QCOMPARE(physics->extra.value(QStringLiteral("A103")), 1200);
    QCOMPARE(rig.session(QStringLiteral("化学"))->rooms, (QStringList{"A101", "A102"}));
    QCOMPARE(rig.w<QLineEdit>("titleEdit")->text(), QStringLiteral("物理"));
    QVERIFY2(rig.message().contains(QStringLiteral("2场考试")), qPrintable(rig.message()));
}

void PlanWindowTest::importKeepsIdsApart() {
    // Two files of one layout give their sessions the same ids (date, time, line).
    const QString csv =
        QStringLiteral("科目,日期,开始时间,时长,考场\n物理,2026-12-11,14:00,1:00:00,%1\n");
    QTemporaryDir dir;
    const QString a =
        WriteFile(dir, QStringLiteral("a.csv"), csv.arg(QStringLiteral("A101")).toUtf8());
    const QString b =
        WriteFile(dir, QStringLiteral("b.csv"), csv.arg(QStringLiteral("A102")).toUtf8());
    Rig rig;
    rig.dialogs.files = {a, b, a};
    rig.click("importCsv");
    QVERIFY(rig.window.finishFileWork(10000));
    QCOMPARE(rig.window.plan().sessions.first().id, QStringLiteral("20261211-140000-2"));
    rig.dialogs.choices = {1};  // append
    rig.click("importCsv");
    QVERIFY(rig.window.finishFileWork(10000));
    const QList<PlanSession> both = rig.window.plan().sessions;
    QCOMPARE(both.size(), 2);
    QVERIFY(both[0].id != both[1].id);
    QCOMPARE(rig.window.problem(), QString());
    // Taken, then replaced by the first file again: its session has its own id back, the
    // same session as before to whoever runs the plan.
    rig.click("okButton");
    rig.window.show();
    rig.dialogs.choices = {0};
    rig.click("importCsv");
    QVERIFY(rig.window.finishFileWork(10000));
    QCOMPARE(rig.window.plan().sessions.size(), 1);
    QCOMPARE(rig.window.plan().sessions.first().id, QStringLiteral("20261211-140000-2"));
}

void PlanWindowTest::exportThenImport_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QByteArray>("head");  // how the file begins
    QTest::newRow("UTF-8") << 0 << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("GBK") << 1 << QByteArray("\xBF\xC6\xC4\xBF");  // 科目 in GBK
}

void PlanWindowTest::exportThenImport() {
    QFETCH(int, filter);
    QFETCH(QByteArray, head);
    Plan plan = ExamDay();
    plan.sessions[0].extra.insert(QStringLiteral("A103"), 1800);
    plan.sessions[1].rooms = {QStringLiteral("A101"), QStringLiteral("A102")};
    plan.sessions[1].title = QStringLiteral("数学, 理");
    PlanSession shift =
        Session(QStringLiteral("shift"), QStringLiteral("交班"), Local(2026, 12, 9, 20, 0), 5);
    shift.repeat = PlanSession::Repeat::Daily;
    shift.interval = 60;
    plan.sessions << shift;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("导出.csv"));

    Rig rig(plan);
    rig.dialogs.saves = {Dialogs::SaveChoice{path, filter}};
    rig.click("exportCsv");
    QCOMPARE(rig.dialogs.lastFileFilters.size(), 2);
    QVERIFY(rig.window.finishFileWork(10000));
    QVERIFY2(rig.message().contains(QStringLiteral("已把3场考试导出")), qPrintable(rig.message()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith(head));

    // Read back into an empty plan, the same sessions (the ids are the file's own).
    rig.window.setPlan(Plan(), true, QString());
    rig.dialogs.files = {path};
    rig.click("importCsv");
    QVERIFY(rig.window.finishFileWork(10000));
    QCOMPARE(rig.dialogs.count(QStringLiteral("choose")), 0);  // nothing to replace
    QList<PlanSession> back = rig.window.plan().sessions;
    QCOMPARE(back.size(), 3);
    QList<PlanSession> sent = plan.sessions;  // the table's order: by start
    std::stable_sort(sent.begin(), sent.end(), [](const PlanSession& a, const PlanSession& b) {
        return a.startMs < b.startMs;
    });
    for (int i = 0; i < 3; ++i) {
        back[i].id = sent[i].id;
        QCOMPARE(back[i], sent[i]);
    }
}

void PlanWindowTest::exportFails() {
    Rig rig(ExamDay());
    QTemporaryDir dir;
    rig.dialogs.saves = {Dialogs::SaveChoice{dir.filePath(QStringLiteral("no/such/x.csv")), 0}};
    rig.click("exportCsv");
    QVERIFY(rig.window.finishFileWork(10000));
    const QStringList boxes = rig.dialogs.texts(QStringLiteral("information"));
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith(QStringLiteral("导出失败")) &&
                 boxes[0].contains(QStringLiteral("文件夹不存在")),
             qPrintable(boxes[0]));
    // Cancelled, nothing is written or said.
    rig.click("exportCsv");
    QVERIFY(rig.window.finishFileWork(10000));
    QCOMPARE(rig.dialogs.count(QStringLiteral("information")), 1);
}

void PlanWindowTest::nextSessionLine() {
    Rig rig(ExamDay());
    QCOMPARE(rig.next(), QStringLiteral("下一场：语文  12月10日 09:00:00 开始，还有 21小时0分"));
    // The line follows the clock, a tick a second, while the window is open.
    rig.time.setNow(QDateTime(QDate(2026, 12, 10), QTime(6, 46, 30)));
    QCOMPARE(rig.next(), QStringLiteral("下一场：语文  12月10日 09:00:00 开始，还有 21小时0分"));
    rig.jumpTo(QDateTime(QDate(2026, 12, 10), QTime(6, 46, 30)));
    QCOMPARE(rig.next(), QStringLiteral("下一场：语文  12月10日 09:00:00 开始，还有 2小时13分"));
    rig.jumpTo(QDateTime(QDate(2026, 12, 10), QTime(8, 51, 56)));
    QCOMPARE(rig.next(), QStringLiteral("下一场：语文  12月10日 09:00:00 开始，还有 8分04秒"));
    rig.jumpTo(QDateTime(QDate(2026, 12, 10), QTime(8, 59, 55)));
    QCOMPARE(rig.next(), QStringLiteral("下一场：语文  12月10日 09:00:00 开始，还有 5秒"));
    rig.time.advance(5000);
    QCOMPARE(rig.next(), QStringLiteral("下一场：数学  12月10日 15:00:00 开始，还有 6小时0分"));
    rig.jumpTo(QDateTime(QDate(2026, 12, 10), QTime(15, 0, 0)));
    QCOMPARE(rig.next(), QStringLiteral("没有待开始的考试"));
    // Hidden, the window does not tick.
    rig.window.hide();
    QCOMPARE(rig.time.pending(), 0);
    // In room A101 数学 (for A102 only) is not its next; an added session is at once.
    Rig room(ExamDay(), true, QStringLiteral("A101"));
    room.jumpTo(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
    QCOMPARE(room.next(), QStringLiteral("没有待开始的考试"));
    room.click("addSession");
    QCOMPARE(room.next(), QStringLiteral("下一场：新考试  12月10日 12:00:00 开始，还有 2小时0分"));
}

void PlanWindowTest::enableSwitchAndCancel() {
    Rig rig(ExamDay(), false);
    QCheckBox* on = rig.w<QCheckBox>("planEnabled");
    QVERIFY(!on->isChecked());
    QVERIFY(!rig.window.planEnabled());
    QVERIFY2(rig.next().startsWith(QStringLiteral("考试安排未启用。下一场：语文")),
             qPrintable(rig.next()));
    QTest::mouseClick(on, Qt::LeftButton, {}, QPoint(4, on->height() / 2));
    QVERIFY(rig.window.planEnabled());
    QVERIFY(rig.next().startsWith(QStringLiteral("下一场：语文")));

    // 取消 with a change asks; No keeps the window and the change.
    rig.dialogs.answers = {false};
    rig.click("cancelButton");
    QCOMPARE(rig.dialogs.count(QStringLiteral("confirm")), 1);
    QVERIFY(rig.window.isVisible());
    QVERIFY(rig.window.planEnabled());
    // Yes drops it: the window shows the plan as it was given.
    rig.selectRow(0);
    rig.type("titleEdit", QStringLiteral("作文"));
    rig.dialogs.answers = {true};
    rig.click("cancelButton");
    QVERIFY(!rig.window.isVisible());
    QVERIFY(rig.accepted.isEmpty());
    QVERIFY(!rig.window.planEnabled());
    QCOMPARE(rig.window.plan(), ExamDay());

    // Switched on and taken: the sessions did not change, so neither does the revision.
    rig.window.show();
    QTest::mouseClick(on, Qt::LeftButton, {}, QPoint(4, on->height() / 2));
    rig.click("okButton");
    QCOMPARE(rig.accepted.size(), 1);
    QVERIFY(rig.accepted[0].second);
    QCOMPARE(rig.accepted[0].first, ExamDay());
    // Switched off again, the plan is kept whole.
    rig.window.show();
    QTest::mouseClick(on, Qt::LeftButton, {}, QPoint(4, on->height() / 2));
    rig.click("okButton");
    QCOMPARE(rig.accepted.size(), 2);
    QVERIFY(!rig.accepted[1].second);
    QCOMPARE(rig.accepted[1].first.sessions.size(), 2);
    // 取消 without a change asks nothing.
    rig.window.show();
    rig.click("cancelButton");
    QCOMPARE(rig.dialogs.count(QStringLiteral("confirm")), 2);
    QVERIFY(!rig.window.isVisible());
}

void PlanWindowTest::forTheOperator() {
    Rig rig(ExamDay());
    QCOMPARE(rig.window.windowTitle(), QStringLiteral("考试安排"));
    // Every control the operator can use has a name of its own.
    QStringList unnamed;
    for (QWidget* c : rig.window.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(c) || qobject_cast<QLineEdit*>(c) ||
                             qobject_cast<QComboBox*>(c) || qobject_cast<QDateTimeEdit*>(c) ||
                             qobject_cast<QTableWidget*>(c);
        // The line edits inside the date, time and combo boxes are parts of them.
        if (!control || qobject_cast<QAbstractSpinBox*>(c->parentWidget()) ||
            qobject_cast<QComboBox*>(c->parentWidget()) ||
            qobject_cast<QAbstractItemView*>(c->parentWidget()) || !c->isVisibleTo(&rig.window))
            continue;
        if (c->accessibleName().isEmpty())
            unnamed << c->objectName() + u'/' + c->metaObject()->className();
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
    // On a screen of 800 × 600 the window fits and its page scrolls.
    const QRect screen = rig.window.screen()->availableGeometry();
    QVERIFY2(rig.window.width() <= screen.width() && rig.window.height() <= screen.height(),
             qPrintable(QStringLiteral("%1×%2 on %3×%4")
                            .arg(rig.window.width())
                            .arg(rig.window.height())
                            .arg(screen.width())
                            .arg(screen.height())));
    QVERIFY(rig.w<QScrollArea>("planScroll")->widgetResizable());
    // Tab runs from the switch through the list to the form and the buttons.
    QWidget* w = rig.w<QWidget>("planEnabled");
    QStringList order;
    for (int i = 0; i < 18; ++i) {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || w->objectName().isEmpty() ||
               w->objectName().startsWith(QLatin1String("qt_")))
            w = w->nextInFocusChain();
    }
    QCOMPARE(order.mid(0, 7),
             (QStringList{"planEnabled", "sessionTable", "addSession", "removeSession", "importCsv",
                          "exportCsv", "titleEdit"}));
    QVERIFY(order.indexOf(QStringLiteral("extraEdit")) < order.indexOf(QStringLiteral("okButton")));
}

QTEST_MAIN(PlanWindowTest)
#include "unit_plan_window.moc"
