// The console's window on the fake platform: an observer gets no orders; an order names the
// whole second it takes effect at before it is sent and is sent for that second (a slow
// confirmation is asked again with a later second); an end or a reset of the whole site is
// sent only after its word is typed; "只看异常" leaves only the rooms with a problem; the
// record is written as things happen; every control has an accessible name.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "Fakes.h"
#include "console/ConsoleWindow.h"
#include "console/RoomViews.h"

namespace {

const QString kSite = QStringLiteral("s1");

Reported Report(const QString& room, qint64 atMs, int value, bool muted = false) {
    Reported r;
    r.atMs = atMs;
    r.room = room;
    r.source = CountSource::Plan;
    r.anchor.phase = CountPhase::Main;
    r.anchor.duration = 9000;
    r.anchor.value = value;
    r.anchor.atMs = atMs;
    r.shown = DisplayText(value);
    r.clockSynced = true;
    r.screen.full = true;
    if (muted) r.output = OutputHealth::Muted;
    return r;
}

struct Rig {
    explicit Rig(bool observer = false) {
        link.connectOnOpen = true;
        ConsoleLogin l;
        l.host = QStringLiteral("127.0.0.1");
        l.site = kSite;
        l.user = observer ? QStringLiteral("watch1") : QStringLiteral("office1");
        l.observer = observer;
        window.login(l);
        window.askText = [this](const QString& prompt) -> std::optional<QString> {
            prompts << prompt;
            if (typed.empty()) return std::nullopt;
            const QString t = typed.front();
            typed.pop_front();
            return t;
        };
        const qint64 now = time.now().toMSecsSinceEpoch();
        for (int i = 0; i < 3; ++i) {
            const QString id = QStringLiteral("A10%1").arg(i + 1);
            link.deliver(RoomTopic(kSite, id, QStringLiteral("presence")), "online", true);
            link.deliver(RoomTopic(kSite, id, QStringLiteral("reported")),
                         EncodeReported(Report(id, now, 3000 + i, i == 2)), true);
        }
    }
    template <class T = QAbstractButton>
    T* control(const QString& name) {
        for (T* w : window.findChildren<T*>())
            if (w->accessibleName() == name) return w;
        qWarning("no control %s", qPrintable(name));
        return nullptr;
    }
    void press(const QString& name) {
        QAbstractButton* b = control(name);
        QVERIFY(b);
        b->click();
    }
    void everyRoom() { control<QComboBox>(QStringLiteral("指令对象"))->setCurrentIndex(1); }
    QList<Desired> desired() const {
        QList<Desired> out;
        for (const auto& p : link.published)
            if (p.topic.endsWith(QLatin1String("/desired"))) out << *DecodeDesired(p.payload);
        return out;
    }
    QList<FakeDialogs::Shown> shown(const QString& kind) const {
        QList<FakeDialogs::Shown> out;
        for (const auto& s : dialogs.log)
            if (s.kind == kind) out << s;
        return out;
    }

    QTemporaryDir dir;
    FakeTimeSource time;
    FakeSiteLink link;
    FakeDialogs dialogs;
    SiteModel model{link, time};
    ConsoleRecord record{dir.filePath(QStringLiteral("log.csv"))};
    ConsoleWindow window{model, record,
                         ConsoleWindow::Services{link, time, dialogs, nullptr, nullptr, QString()}};
    std::deque<QString> typed;
    QStringList prompts;
};

QString Clock(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

class ConsoleWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void observerHasNoOrders_data();
    void observerHasNoOrders();
    void orderAtTheSecondShown_data();
    void orderAtTheSecondShown();
    void slowConfirmationAskedAgain();
    void siteWideEndTyped_data();
    void siteWideEndTyped();
    void problemsOnly();
    void tileDigitsFit_data();
    void tileDigitsFit();
    void recordWritten();
    void accessibleNames();
};

void ConsoleWindowTest::observerHasNoOrders_data() {
    QTest::addColumn<bool>("observer");
    QTest::newRow("office") << false;
    QTest::newRow("observer") << true;
}

void ConsoleWindowTest::observerHasNoOrders() {
    QFETCH(bool, observer);
    Rig rig(observer);
    rig.window.show();
    for (const char* name : {"开始", "暂停", "继续", "加时", "减时", "结束", "复位", "采纳本地调整",
                             "重申考务调整", "声音测试", "识别考场", "发送文字", "考试安排…"}) {
        QAbstractButton* b = rig.control(QString::fromUtf8(name));
        QVERIFY2(b, name);
        QCOMPARE(b->isVisibleTo(&rig.window), !observer);
    }
    // Watching is the same for both.
    QVERIFY(rig.control(QStringLiteral("只看异常"))->isVisibleTo(&rig.window));
    QVERIFY(rig.control(QStringLiteral("导出记录…"))->isVisibleTo(&rig.window));
    // The office's presence and its will, for an office user only.
    QCOMPARE(rig.link.opened.last().willTopic.isEmpty(), observer);
}

void ConsoleWindowTest::orderAtTheSecondShown_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<int>("valueShift");  // the anchor's value against the count's at T
    QTest::newRow("pause, confirmed") << "暂停" << true << 0;
    QTest::newRow("pause, cancelled") << "暂停" << false << 0;
    QTest::newRow("5 minutes more") << "加时" << true << 300;
    QTest::newRow("5 minutes less") << "减时" << true << -300;
}

void ConsoleWindowTest::orderAtTheSecondShown() {
    QFETCH(QString, button);
    QFETCH(bool, confirmed);
    QFETCH(int, valueShift);
    Rig rig;
    rig.time.advance(1234);  // not on a whole second
    rig.everyRoom();
    const qint64 T = EffectiveAt(rig.time.now().toMSecsSinceEpoch());
    rig.dialogs.answers = {confirmed};
    rig.press(button);
    const auto confirms = rig.shown(QStringLiteral("confirm"));
    QCOMPARE(confirms.size(), 1);
    QVERIFY2(confirms[0].text.contains(Clock(T) + QStringLiteral(" 生效")),
             qPrintable(confirms[0].text));
    QVERIFY(confirms[0].text.contains(QStringLiteral("A101、A102、A103")));
    const QList<Desired> sent = rig.desired();
    QCOMPARE(sent.size(), confirmed ? 3 : 0);
    const qint64 start = QDateTime(QDate(2007, 1, 31), QTime(16, 55)).toMSecsSinceEpoch();
    for (int i = 0; i < sent.size(); ++i) {
        QCOMPARE(sent[i].anchor.atMs, T);
        QCOMPARE(sent[i].by, QStringLiteral("office1"));
        // Each room's own count at T: 3000 + i at the start, one less each second.
        const int atT = 3000 + i - int((T - start) / 1000);
        QCOMPARE(sent[i].anchor.value, atT + valueShift);
    }
}

void ConsoleWindowTest::slowConfirmationAskedAgain() {
    Rig rig;
    rig.everyRoom();
    const qint64 first = EffectiveAt(rig.time.now().toMSecsSinceEpoch());
    // The operator reads the box for 10 s: the second it named has passed.
    rig.dialogs.whileOpen = [&rig] { rig.time.advance(10'000); };
    rig.press(QStringLiteral("暂停"));
    const auto confirms = rig.shown(QStringLiteral("confirm"));
    QCOMPARE(confirms.size(), 2);
    const qint64 second = EffectiveAt(rig.time.now().toMSecsSinceEpoch());
    QVERIFY(second > first);
    QVERIFY2(confirms[1].text.contains(Clock(second)), qPrintable(confirms[1].text));
    QCOMPARE(rig.desired().size(), 3);
    QCOMPARE(rig.desired()[0].anchor.atMs, second);
}

void ConsoleWindowTest::siteWideEndTyped_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("typed");  // empty: the box cancelled
    QTest::addColumn<bool>("sent");
    QTest::newRow("end, the word typed") << "结束" << QStringList{"结束"} << true;
    QTest::newRow("end, another word") << "结束" << QStringList{"结"} << false;
    QTest::newRow("end, cancelled") << "结束" << QStringList{} << false;
    QTest::newRow("reset, the word typed") << "复位" << QStringList{" 复位 "} << true;
    QTest::newRow("reset, the other word") << "复位" << QStringList{"结束"} << false;
}

void ConsoleWindowTest::siteWideEndTyped() {
    QFETCH(QString, button);
    QFETCH(QStringList, typed);
    QFETCH(bool, sent);
    Rig rig;
    rig.everyRoom();
    for (const QString& t : typed)
        rig.typed.push_back(t);
    rig.press(button);
    QCOMPARE(rig.prompts.size(), 1);
    QVERIFY(rig.prompts[0].contains(QStringLiteral("全部考场")));
    QVERIFY(rig.shown(QStringLiteral("confirm")).isEmpty());
    QCOMPARE(rig.desired().size(), sent ? 3 : 0);
    // A selection of rooms is confirmed by the usual box, without typing.
    Rig one;
    one.window.findChild<TileWall*>()->setProblemsOnly(false);
    one.control<QComboBox>(QStringLiteral("指令对象"))->setCurrentIndex(0);
    one.dialogs.answers = {true};
    QTest::mouseClick(one.window.findChild<TileWall*>(), Qt::LeftButton, {}, QPoint(5, 5));
    one.press(button);
    QVERIFY(one.prompts.isEmpty());
    QCOMPARE(one.shown(QStringLiteral("confirm")).size(), 1);
    QCOMPARE(one.desired().size(), 1);
}

void ConsoleWindowTest::problemsOnly() {
    Rig rig;
    auto* table = rig.window.findChild<QTableView*>();
    QVERIFY(table);
    QCOMPARE(table->model()->rowCount(), 3);
    auto* wall = rig.window.findChild<TileWall*>();
    QCOMPARE(wall->shownRooms().size(), 3);
    rig.control(QStringLiteral("只看异常"))->click();
    // A103 is muted.
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(table->model()->index(0, 0).data().toString(), QStringLiteral("A103"));
    QCOMPARE(wall->shownRooms(), QStringList{"A103"});
    // A room that comes into trouble joins it.
    rig.link.deliver(RoomTopic(kSite, QStringLiteral("A101"), QStringLiteral("presence")),
                     "offline");
    QCOMPARE(table->model()->rowCount(), 2);
    QCOMPARE(wall->shownRooms(), (QStringList{"A101", "A103"}));
}

void ConsoleWindowTest::tileDigitsFit_data() {
    QTest::addColumn<int>("rooms");
    QTest::addColumn<QSize>("wall");
    QTest::newRow("200 rooms on a full-HD screen") << 200 << QSize(1900, 830);
    QTest::newRow("40 rooms in a small window") << 40 << QSize(1000, 480);
    QTest::newRow("3 rooms") << 3 << QSize(1260, 500);
    QTest::newRow("3 rooms in a small window") << 3 << QSize(600, 400);
}

// Every tile shows its room's digits whole: drawn, and nowhere cut at the edge of their band.
void ConsoleWindowTest::tileDigitsFit() {
    QFETCH(int, rooms);
    QFETCH(QSize, wall);
    Rig rig;
    const qint64 now = rig.time.now().toMSecsSinceEpoch();
    for (int i = 4; i <= rooms; ++i) {
        const QString id = QStringLiteral("B%1").arg(i, 3, 10, QLatin1Char('0'));
        rig.link.deliver(RoomTopic(kSite, id, QStringLiteral("presence")), "online", true);
        rig.link.deliver(RoomTopic(kSite, id, QStringLiteral("reported")),
                         EncodeReported(Report(id, now, 8888)), true);
    }
    // The window's three rooms and the rest, on a wall of that size.
    TileWall tiles(rig.model);
    tiles.resize(wall);
    const QStringList shown = tiles.shownRooms();
    QCOMPARE(shown.size(), std::max(rooms, 3));
    QImage image(wall, QImage::Format_RGB32);
    tiles.render(&image);
    const TileWall::Grid g = TileWall::GridFor(int(shown.size()), QSizeF(wall));
    const double w = g.tile.width(), h = g.tile.height();
    const double pad = std::max(1.0, std::min(w, h) * 0.03);
    for (int i = 0; i < shown.size(); ++i) {
        // The digits' band: below the id line, inside the tile's margin.
        const QRectF cell(double(i % g.columns) * w, double(i / g.columns) * h, w, h);
        const QRect band =
            QRectF(cell.left() + 2 * pad, cell.top() + pad + h * 0.2, w - 4 * pad, h * 0.36)
                .toAlignedRect()
                .adjusted(1, 1, -1, -1);
        const QRgb shade = image.pixel(band.left(), band.top());
        int left = band.right(), right = band.left(), top = band.bottom(), bottom = band.top();
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x)
                if (image.pixel(x, y) != shade) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        QVERIFY2(left < right, qPrintable(shown[i] + QStringLiteral(": no digits")));
        QVERIFY2(left > band.left() && right < band.right() && top > band.top() &&
                     bottom < band.bottom(),
                 qPrintable(QStringLiteral("%1: digits %2..%3 x %4..%5 cut by the band %6..%7 x "
                                           "%8..%9")
                                .arg(shown[i])
                                .arg(left)
                                .arg(right)
                                .arg(top)
                                .arg(bottom)
                                .arg(band.left())
                                .arg(band.right())
                                .arg(band.top())
                                .arg(band.bottom())));
    }
}

void ConsoleWindowTest::recordWritten() {
    Rig rig;
    rig.everyRoom();
    rig.press(QStringLiteral("暂停"));
    rig.link.deliver(RoomTopic(kSite, QStringLiteral("A102"), QStringLiteral("presence")),
                     "offline");
    QVERIFY(rig.record.flush(5000));
    QFile f(rig.record.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QVERIFY2(text.contains(QStringLiteral("office1,暂停,A101 A102 A103,")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("A102,离线,A102")), qPrintable(text));
}

void ConsoleWindowTest::accessibleNames() {
    Rig rig;
    QStringList missing;
    for (QWidget* w : rig.window.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QSpinBox*>(w) ||
                             qobject_cast<QTableView*>(w) || qobject_cast<TileWall*>(w);
        // The parts Qt makes inside its own controls (a spin box's line edit) are named by them.
        if (control && w->accessibleName().isEmpty() &&
            !qobject_cast<QAbstractSpinBox*>(w->parentWidget()) &&
            !qobject_cast<QComboBox*>(w->parentWidget()) &&
            !qobject_cast<QAbstractItemView*>(w->parentWidget()) &&
            !qobject_cast<QTabBar*>(w->parentWidget()))
            missing << QStringLiteral("%1 %2").arg(
                QString::fromLatin1(w->metaObject()->className()), w->objectName());
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
}

QTEST_MAIN(ConsoleWindowTest)
#include "behaviour_console.moc"
