// The exam-site link in the whole program on the fake platform: off unless the [site] group
// says so; on, the room follows the office's anchor on its timers, reports the operator's own
// command as a local override, shows its id and the office's text on the display, plays the
// time-up sound for the office's test, keeps its link state on the operator's status line, takes
// up the office's count after a crash without a question, and is set up in 系统 → 考点联网.
#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>
#include <ctime>

#include "AppFixture.h"
#include "core/Files.h"
#include "site/Protocol.h"

namespace {

const QDateTime kMorning(QDate(2026, 12, 10), QTime(8, 59, 58));
const QString kQuestion = QStringLiteral("上次计时意外中断，是否恢复计时？");
const QString kRoom = QStringLiteral("A101");

QString Topic(const QString& leaf) {
    return RoomTopic(QStringLiteral("s1"), kRoom, leaf);
}

void WriteSiteOptions(AppFixture& app, bool enabled = true) {
    const QByteArray text = QByteArray("[site]\nenabled=") + (enabled ? "true" : "false") +
                            "\nhost=broker.exam\nport=1883\nsite=s1\nroom=A101\n"
                            "password=A101-pw\ntls=false\nca=\n";
    QVERIFY(WriteFileAtomically(QDir(app.fake.location.dir).filePath(kOptionsFileName), text));
}

QString MainShown(const TForm1* f) {
    return f->Edit1->text() + f->Edit2->text() + f->Edit4->text() + f->Edit5->text() +
           f->Edit7->text() + f->Edit8->text();
}

Anchor Main(qint64 atMs, int value, int duration) {
    Anchor a;
    a.phase = CountPhase::Main;
    a.value = value;
    a.duration = duration;
    a.atMs = atMs;
    return a;
}

QByteArray Order(int rev, const Anchor& a) {
    return EncodeDesired({rev, QStringLiteral("office1"), QString(), a});
}

QList<Ack> Acks(const FakeSiteLink& link) {
    QList<Ack> out;
    for (const QByteArray& p : link.payloadsOn(Topic(QStringLiteral("ack"))))
        if (auto a = DecodeAck(p)) out << *a;
    return out;
}

QList<RoomEvent::Kind> EventKinds(const FakeSiteLink& link) {
    QList<RoomEvent::Kind> out;
    for (const QByteArray& p : link.payloadsOn(Topic(QStringLiteral("event"))))
        if (auto e = DecodeEvent(p)) out << e->kind;
    return out;
}

}  // namespace

class SiteTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() {
        qputenv("TZ", "Asia/Shanghai");
        tzset();
    }
    void offUnlessSwitchedOn_data();
    void offUnlessSwitchedOn();
    void followsTheOfficeAndIsSteered();
    void officeCountSurvivesACrash();
    void settingsWindow_data();
    void settingsWindow();
    void connectionTest();
    void systemMenuItemsOpenTheirWindows();
    void promptsAndScreenReported();
};

void SiteTest::offUnlessSwitchedOn_data() {
    QTest::addColumn<int>("options");  // 0 none, 1 [site] off, 2 [site] on
    QTest::newRow("no [site]") << 0;
    QTest::newRow("enabled=false") << 1;
    QTest::newRow("enabled=true") << 2;
}

void SiteTest::offUnlessSwitchedOn() {
    QFETCH(int, options);
    AppFixture app(kMorning, false);
    if (options > 0) WriteSiteOptions(app, options == 2);
    app.fake.siteLink.connectOnOpen = true;
    app.create();
    const bool on = options == 2;
    QCOMPARE(app->roomLink() != nullptr, on);
    QCOMPARE(app.fake.siteLink.opened.size(), on ? 1 : 0);
    QCOMPARE(app->siteStatusText(), on ? QStringLiteral("已连接考务中心") : QString());
    if (on) {
        QCOMPARE(app.fake.siteLink.opened.first().user, kRoom);
        QCOMPARE(app->planRunner().room(), kRoom);
        // The link's line is the operator's: on the status bar, not on the display.
        QVERIFY(app->StatusBar1->findChild<QLabel*>(QStringLiteral("SiteLinkStatus")));
        QVERIFY(!app->Panel1->findChild<QLabel*>(QStringLiteral("SiteLinkStatus")));
        app.fake.siteLink.setState(LinkState::Disconnected, QStringLiteral("连接被拒绝"));
        QCOMPARE(app->siteStatusText(), QStringLiteral("与考务中心断开（连接被拒绝）"));
    }
}

void SiteTest::followsTheOfficeAndIsSteered() {
    AppFixture app(kMorning, false);
    WriteSiteOptions(app);
    app.fake.siteLink.connectOnOpen = true;
    app.create();
    QVERIFY(app->Run(&TForm1::ResumeInterruptedCount));
    // 09:00:00 the office's count of 10 minutes starts, heard 2 s before.
    const qint64 nine = QDateTime(QDate(2026, 12, 10), QTime(9, 0)).toMSecsSinceEpoch();
    app.fake.siteLink.deliver(Topic(QStringLiteral("desired")), Order(3, Main(nine, 600, 600)));
    app.ms(1900);
    QVERIFY(!app->mainTimer().running());
    app.ms(100);
    QVERIFY(app->mainTimer().running());
    QCOMPARE(app->mainTimer().source(), CountSource::Office);
    QCOMPARE(MainShown(app.f()), QStringLiteral("001000"));
    app.seconds(5);
    QCOMPARE(MainShown(app.f()), QStringLiteral("000955"));
    QCOMPARE(Acks(app.fake.siteLink).last().id, QStringLiteral("desired:3"));
    const auto report =
        DecodeReported(app.fake.siteLink.payloadsOn(Topic(QStringLiteral("reported"))).last());
    QVERIFY(report);
    QCOMPARE(report->appliedRev, 3);
    QCOMPARE(report->source, CountSource::Office);
    QCOMPARE(report->anchor.phase, CountPhase::Main);

    // The invigilator pauses: it works, and the office hears of a local override.
    QVERIFY(app->Run(&TForm1::BitBtn5Click));
    QVERIFY(app->mainTimer().paused());
    QVERIFY(EventKinds(app.fake.siteLink).contains(RoomEvent::Kind::LocalOverride));
    const auto after =
        DecodeReported(app.fake.siteLink.payloadsOn(Topic(QStringLiteral("reported"))).last());
    QCOMPARE(after->source, CountSource::Local);
    QVERIFY(after->anchor.paused);

    // The office's orders: the room's id on the display for 10 s, a text, a sound test.
    Command identify{QStringLiteral("c1"), Command::Kind::Identify, QString(),
                     QStringLiteral("office1")};
    app.fake.siteLink.deliver(Topic(QStringLiteral("cmd")), EncodeCommand(identify));
    QLabel* id = app->identityLabel();
    QVERIFY(id);
    QCOMPARE(id->parentWidget(), static_cast<QWidget*>(app->Panel1));
    QCOMPARE(id->text(), kRoom);
    QVERIFY(!id->isHidden());
    app.seconds(9);
    QVERIFY(!id->isHidden());
    app.seconds(1);
    QVERIFY(id->isHidden());

    Command text{QStringLiteral("c2"), Command::Kind::ShowText, QStringLiteral("请停笔"),
                 QStringLiteral("office1")};
    app.fake.siteLink.deliver(Topic(QStringLiteral("cmd")), EncodeCommand(text));
    QCOMPARE(app->Label52->text(), QStringLiteral("请停笔"));
    QVERIFY(!app->Label52->isHidden());

    app.fake.player1.clearCalls();
    Command sound{QStringLiteral("c3"), Command::Kind::SoundTest, QString(),
                  QStringLiteral("office1")};
    app.fake.siteLink.deliver(Topic(QStringLiteral("cmd")), EncodeCommand(sound));
    QCOMPARE(app.fake.player1.played, QStringList{QStringLiteral("Ksjsly.wav")});
    QCOMPARE(Acks(app.fake.siteLink).last(),
             (Ack{QStringLiteral("c3"), true, QStringLiteral("已播放时间到的声音")}));
    // A muted output is no sound heard.
    app.fake.output.state = OutputState::Muted;
    sound.id = QStringLiteral("c4");
    app.fake.siteLink.deliver(Topic(QStringLiteral("cmd")), EncodeCommand(sound));
    QCOMPARE(Acks(app.fake.siteLink).last().ok, false);

    // A clean exit says offline.
    QVERIFY(app->close());
    QCOMPARE(app.fake.siteLink.payloadsOn(Topic(QStringLiteral("presence"))).last(),
             QByteArray("offline"));
}

void SiteTest::officeCountSurvivesACrash() {
    AppFixture app(kMorning, false);
    WriteSiteOptions(app);
    app.fake.siteLink.connectOnOpen = true;
    app.create();
    QVERIFY(app->Run(&TForm1::ResumeInterruptedCount));
    const qint64 nine = QDateTime(QDate(2026, 12, 10), QTime(9, 0)).toMSecsSinceEpoch();
    app.fake.siteLink.deliver(Topic(QStringLiteral("desired")), Order(5, Main(nine, 3600, 3600)));
    app.ms(2500);  // 09:00:00.5
    QCOMPARE(MainShown(app.f()), QStringLiteral("010000"));
    QVERIFY(app->countKeeper().flush(2000));

    // A crash; the machine is back 12 minutes later, before the broker is.
    app.destroy();
    app.fake.siteLink.connectOnOpen = false;
    app.fake.time.advance(12 * 60 * 1000);  // 09:12:00.5
    app.create();
    app.fake.dialogs.clear();
    QVERIFY(app->Run(&TForm1::ResumeInterruptedCount));
    QVERIFY(!app.fake.dialogs.texts(QStringLiteral("confirm")).contains(kQuestion));
    QVERIFY(app->mainTimer().running());
    QCOMPARE(app->mainTimer().source(), CountSource::Office);
    QCOMPARE(MainShown(app.f()), QStringLiteral("004800"));
    // The broker comes back with the same order retained: it is not applied again.
    app.fake.siteLink.setState(LinkState::Connected);
    const qsizetype acks = Acks(app.fake.siteLink).size();
    app.fake.siteLink.deliver(Topic(QStringLiteral("desired")), Order(5, Main(nine, 3600, 3600)),
                              true);
    QCOMPARE(Acks(app.fake.siteLink).size(), acks);
    app.seconds(1);
    QCOMPARE(MainShown(app.f()), QStringLiteral("004759"));
}

void SiteTest::settingsWindow_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("room");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("message");  // a word of the message; empty: kept
    QTest::newRow("kept and on") << "1883"
                                 << "A102" << true << "";
    QTest::newRow("kept and off") << "1883"
                                  << "" << false << "";
    QTest::newRow("port 0") << "0"
                            << "A102" << true << "端口";
    QTest::newRow("port 70000, off") << "70000"
                                     << "A102" << false << "端口";
    QTest::newRow("room with a space") << "1883"
                                       << "A 102" << true << "考场编号";
}

void SiteTest::settingsWindow() {
    QFETCH(QString, port);
    QFETCH(QString, room);
    QFETCH(bool, enabled);
    QFETCH(QString, message);
    AppFixture app(kMorning);
    app.fake.siteLink.connectOnOpen = true;
    // The item sits in 系统 and opens the window.
    QAction* item = app->findChild<QAction*>(QStringLiteral("N31"));
    QVERIFY(item);
    QCOMPARE(item->text(), QStringLiteral("考点联网"));
    item->trigger();
    SiteDialog* d = app->siteDialog();
    QVERIFY(d);
    QVERIFY(d->isVisible());
    for (QWidget* w : d->findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus && !qobject_cast<QLabel*>(w))
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->metaObject()->className()));
    QVERIFY(!d->enabled->isChecked());
    d->enabled->setChecked(enabled);
    d->host->setText(QStringLiteral("broker.exam"));
    d->port->setText(port);
    d->site->setText(QStringLiteral("s1"));
    d->room->setText(room);
    d->password->setText(QStringLiteral("A102-pw"));
    d->ok->click();
    const QString options = QDir(app.fake.location.dir).filePath(kOptionsFileName);
    if (!message.isEmpty()) {
        QVERIFY(d->isVisible());
        QVERIFY(app.fake.dialogs.texts(QStringLiteral("information")).last().contains(message));
        QVERIFY(!QFileInfo::exists(options));
        QVERIFY(app.fake.siteLink.opened.isEmpty());
        return;
    }
    QVERIFY(!d->isVisible());
    const FileRead read = ReadRegularFile(options, 64 * 1024);
    QVERIFY(read.ok());
    const QMap<QString, QString> values = ParseKeyValues(read.bytes);
    for (const char* key : {"enabled", "host", "port", "site", "room", "password", "tls", "ca"})
        QVERIFY2(values.contains(QStringLiteral("site/") + QLatin1String(key)), key);
    QCOMPARE(values.value(QStringLiteral("site/enabled")),
             enabled ? QStringLiteral("true") : QStringLiteral("false"));
    QCOMPARE(values.value(QStringLiteral("site/room")), room);
    QCOMPARE(QFileInfo(options).permissions() & (QFile::ReadOther | QFile::ReadGroup),
             QFileDevice::Permissions());
    QCOMPARE(app.fake.siteLink.opened.size(), enabled ? 1 : 0);
    QCOMPARE(app->roomLink() != nullptr, enabled);
    if (enabled) {
        QCOMPARE(app.fake.siteLink.opened.last().user, room);
        // Switched off again: the link closes, saying goodbye.
        item->trigger();
        QVERIFY(d->enabled->isChecked());
        QCOMPARE(d->room->text(), room);
        d->enabled->setChecked(false);
        d->ok->click();
        QVERIFY(!app->roomLink());
        QCOMPARE(app.fake.siteLink.closes, 1);
        QCOMPARE(app.fake.siteLink
                     .payloadsOn(RoomTopic(QStringLiteral("s1"), room, QStringLiteral("presence")))
                     .last(),
                 QByteArray("offline"));
        QCOMPARE(app->siteStatusText(), QString());
    }
}

void SiteTest::connectionTest() {
    AppFixture app(kMorning);
    app->N31Click();
    SiteDialog* d = app->siteDialog();
    d->host->setText(QStringLiteral("broker.exam"));
    d->port->setText(QStringLiteral("1883"));
    d->site->setText(QStringLiteral("s1"));
    d->room->setText(QStringLiteral("A101"));
    // Settings that will not do are told without trying.
    d->test->click();
    QVERIFY(d->testAnswer().contains(QStringLiteral("密码")));
    QCOMPARE(app.fake.linkTester.waiting(), 0);
    d->password->setText(QStringLiteral("wrong"));
    d->test->click();
    QCOMPARE(app.fake.linkTester.waiting(), 1);
    QVERIFY(!d->test->isEnabled());  // one test at a time; the window goes on meanwhile
    QCOMPARE(app.fake.linkTester.asked.last().user, QStringLiteral("A101"));
    QCOMPARE(app.fake.linkTester.asked.last().password, QStringLiteral("wrong"));
    app.fake.linkTester.answer(false, QStringLiteral("用户名或密码错误"));
    QCOMPARE(d->testAnswer(), QStringLiteral("连接失败：用户名或密码错误"));
    QVERIFY(d->test->isEnabled());
    // The test changes nothing of the settings kept.
    QVERIFY(!QFileInfo::exists(QDir(app.fake.location.dir).filePath(kOptionsFileName)));
}

// The items added to 系统 are bound to their handlers like the form's own.
void SiteTest::systemMenuItemsOpenTheirWindows() {
    AppFixture app(kMorning);
    const auto shownWindow = [&app](const QString& name) {
        for (QWidget* w : app->findChildren<QWidget*>())
            if (w->isWindow() && w->accessibleName() == name && w->isVisible()) return true;
        return false;
    };
    QVERIFY(!shownWindow(QStringLiteral("考试安排")));
    app->findChild<QAction*>(QStringLiteral("N29"))->trigger();
    QVERIFY(shownWindow(QStringLiteral("考试安排")));
    app->findChild<QAction*>(QStringLiteral("N31"))->trigger();
    QVERIFY(shownWindow(QStringLiteral("考点联网")));
}

// The last prompt goes into the report; a prompt that fails and the display's screen unplugged
// are told to the office.
void SiteTest::promptsAndScreenReported() {
    AppFixture app(kMorning, false);
    WriteSiteOptions(app);
    app.fake.siteLink.connectOnOpen = true;
    const ScreenInfo laptop = MakeScreen(QStringLiteral("eDP-1"), QRect(0, 0, 1024, 768), true);
    const ScreenInfo projector = MakeScreen(QStringLiteral("HDMI-1"), QRect(1024, 0, 1024, 768));
    app.fake.screens.set({laptop, projector});
    app.create();
    app->showOnAudienceScreen();
    app->audienceScreen()->choose(projector);
    app.fake.player1.unplayable.insert(QStringLiteral("Ksksly.wav"), QStringLiteral("文件已损坏"));
    QVERIFY(app->Run(&TForm1::BitBtn2Click));  // 计时: its start sound fails
    const auto events = [&app] {
        QList<RoomEvent> out;
        for (const QByteArray& p : app.fake.siteLink.payloadsOn(Topic(QStringLiteral("event"))))
            if (auto e = DecodeEvent(p)) out << *e;
        return out;
    };
    QVERIFY(!events().isEmpty());
    QCOMPARE(events().last().kind, RoomEvent::Kind::PromptFailed);
    QVERIFY(events().last().detail.contains(QStringLiteral("Ksksly.wav")));
    QVERIFY(events().last().detail.contains(QStringLiteral("文件已损坏")));
    auto report =
        DecodeReported(app.fake.siteLink.payloadsOn(Topic(QStringLiteral("reported"))).last());
    QVERIFY(report && report->lastPrompt);
    QCOMPARE(report->lastPrompt->file, QStringLiteral("Ksksly.wav"));
    QVERIFY(!report->lastPrompt->ok);
    QCOMPARE(report->screen.name, QStringLiteral("HDMI-1"));

    // The projector is unplugged.
    app.fake.screens.set({laptop});
    QCOMPARE(events().last().kind, RoomEvent::Kind::ScreenLost);
    QVERIFY(events().last().detail.contains(QStringLiteral("HDMI-1")));
}

QTEST_MAIN(SiteTest)
#include "behaviour_site.moc"
