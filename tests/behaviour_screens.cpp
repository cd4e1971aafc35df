// The display on screens of any size and on the screen chosen for it: the design drawn at
// the window's scale with the stored places and fonts kept in design terms, the settings
// panel reachable on a low screen, the chosen screen remembered and followed when screens
// come and go.
#include <QtTest>

#include <QAbstractEventDispatcher>
#include <QGroupBox>
#include <QScrollBar>
#include "AppFixture.h"
#include "FileSizeLimit.h"

#include "clock/wnlp.h"
#include "core/SettingsFile.h"
#include "presentation/AboutUnit.h"
#include "presentation/HelpUnit.h"

namespace {

const QDateTime kStart(QDate(2007, 3, 14), QTime(14, 30, 3));

// The main window on screen with the given client size, the main timer panel showing.
void ShowAt(AppFixture& app, const QSize& size) {
    TForm1* f = app.f();
    f->Run(&TForm1::SpeedButton21Click);
    f->setGeometry(QRect(QPoint(0, 0), size));
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QTRY_COMPARE(f->size(), size);
}

// The centre of a rectangle in its parent's terms, relative to a container.
QRect In(const QWidget* w, const QWidget* container) {
    return QRect(w->mapTo(container, QPoint(0, 0)), w->size());
}

}  // namespace

class ScreensTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void displayFollowsTheWindowSize_data();
    void displayFollowsTheWindowSize();
    void storedPlacesStayInDesignPixels();
    void resizedWhileCounting();
    void settingsPanelScrollsOnALowScreen();
    void settingsPanelReachableOnASmallScreen();
    void chosenScreenFollowsPlugging();
    void twinScreensToldApartBySize();
    void choiceNotRememberedIsTold_data();
    void choiceNotRememberedIsTold();
    void secondaryWindowsOpenOnTheOperatorsScreen();
    void displayApartByScreenCount_data();
    void displayApartByScreenCount();
    void countGoesOnWhileTheProjectorComesAndGoes();
    void audienceSeesOnlyTheDisplay();
    void audienceFollowsEachChange();
    void swapWithF11_data();
    void swapWithF11();
};

void ScreensTest::displayFollowsTheWindowSize_data() {
    QTest::addColumn<QSize>("window");
    QTest::newRow("1024 x 768") << QSize(1024, 768);
    QTest::newRow("1920 x 1080") << QSize(1920, 1080);
    QTest::newRow("3840 x 2160") << QSize(3840, 2160);
    QTest::newRow("1366 x 768") << QSize(1366, 768);
    QTest::newRow("1280 x 1024") << QSize(1280, 1024);
    QTest::newRow("800 x 600") << QSize(800, 600);
}

// The design at one scale: the panels keep the form's proportions, the digits scale with
// them, the content sits centred in the display and inside it.
void ScreensTest::displayFollowsTheWindowSize() {
    QFETCH(QSize, window);
    AppFixture app(kStart);
    TForm1* f = app.f();
    ShowAt(app, window);
    if (QTest::currentTestFailed()) return;
    const double s = f->Panel4->width() / 768.0;
    if (window == QSize(1024, 768)) {
        // The form's own places and sizes, nothing moved.
        QCOMPARE(f->Panel4->geometry(), QRect(128, 328, 768, 298));
        QCOMPARE(f->Edit1->geometry(), QRect(42, 56, 72, 149));
        QCOMPARE(f->Edit1->font().pixelSize(), 120);
        QCOMPARE(f->Label52->pos(), QPoint(256, 518));
        return;
    }
    QVERIFY(qAbs(f->Panel4->height() - 298 * s) <= 1.0);
    // The digit boxes inside, at the same scale, fonts included.
    QVERIFY(qAbs(f->Edit1->x() - 42 * s) <= 1.0 && qAbs(f->Edit1->y() - 56 * s) <= 1.0);
    QVERIFY(qAbs(f->Edit1->width() - 72 * s) <= 1.0);
    QVERIFY(qAbs(f->Edit1->font().pixelSize() - 120 * s) <= 1.0);
    QVERIFY(qAbs(f->BitBtn2->width() - f->BitBtn2->sizeHint().width()) >= 0);  // it is laid out
    QVERIFY(qAbs(f->Label13->font().pixelSize() - DesignFont(f->Label13).pixelSize() * s) <= 1.0);
    QCOMPARE(FontSize(DesignFont(f->Edit1)), 72);  // the font as designed is unchanged
    // The design is centred: as much room on the left of the panels as on the right, or above
    // as below, and it stays inside the display.
    const QRect panel = f->Panel4->geometry();
    const QRect clock = f->Panel3->geometry();
    const int left = qMin(panel.left(), clock.left());
    const double designLeft = 128 * s;
    const double offsetX = left - designLeft;
    const double offsetY = clock.top() - 8 * s;
    QVERIFY(offsetX >= -1 && offsetY >= -1);
    const double right = f->Panel1->width() - (offsetX + 1024 * s);
    const double bottom = f->Panel1->height() - (offsetY + f->DisplayCanvas().height() * s);
    QVERIFY2(qAbs(offsetX - right) <= 2 || qAbs(offsetY - bottom) <= 2,
             qPrintable(QStringLiteral("offsets %1 %2, %3 %4")
                            .arg(offsetX)
                            .arg(right)
                            .arg(offsetY)
                            .arg(bottom)));
    QVERIFY(QRect(QPoint(0, 0), f->Panel1->size()).contains(panel));
}

// Scaled or not, what the settings hold (places, font sizes) is in the form's terms: the
// position boxes, the stored file and the concise display's 80 pixels.
void ScreensTest::storedPlacesStayInDesignPixels() {
    AppFixture app(kStart);
    TForm1* f = app.f();
    ShowAt(app, QSize(1920, 1080));
    if (QTest::currentTestFailed()) return;
    const DisplayScale scale = f->displaySurface()->scale();
    QVERIFY(scale.s > 1.4);
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    QCOMPARE(f->Edit63->text(), QStringLiteral("128"));
    QCOMPARE(f->Settings.mainPanelLeft, 128);
    QCOMPARE(f->Settings.mainFontSize, 72);
    QCOMPARE(f->Settings.scheduledTextFontSize, 72);
    SettingsRecord saved;
    ReadSettingsFile(f->SettingsFilePath(), saved);
    QCOMPARE(saved.mainPanelTop, 328);
    QCOMPARE(saved.mainFontSize, 72);
    QCOMPARE(f->Panel4->pos(), scale.map(QPoint(128, 328)));

    // Typed positions are design pixels too.
    f->Edit64->setText(QStringLiteral("300"));
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    QCOMPARE(f->Panel4->pos(), f->displaySurface()->scale().map(QPoint(128, 300)));
    QCOMPARE(f->Settings.mainPanelTop, 300);

    // The concise display lowers them by 80 design pixels.
    f->Image2Click();
    QTRY_VERIFY(f->ToolBar1->isHidden());
    const DisplayScale concise = f->displaySurface()->scale();
    QCOMPARE(f->Panel4->pos(), concise.map(QPoint(128, 300 + 80)));
    QCOMPARE(f->Label44->pos(), concise.map(QPoint(38, 12 + 80)));
    f->Image2Click();
    QTRY_VERIFY(!f->ToolBar1->isHidden());
    QCOMPARE(f->Panel4->pos(), f->displaySurface()->scale().map(QPoint(128, 300)));
}

// A new size while the main timer counts changes nothing of the count: every step and the
// warning come as before.
void ScreensTest::resizedWhileCounting() {
    AppFixture app(kStart);
    TForm1* f = app.f();
    ShowAt(app, QSize(1024, 768));
    if (QTest::currentTestFailed()) return;
    f->Edit10->setText(QStringLiteral("20"));
    f->ComboBox5->setText(QStringLiteral("秒钟"));
    f->Edit11->setText(QStringLiteral("5"));
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    app.ms(1000 - app.fake.time.monotonicMs() % 1000);
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    app.seconds(5);
    QCOMPARE(f->mainSeconds, 15);
    for (const QSize& size : {QSize(1920, 1080), QSize(800, 600), QSize(1280, 1024)}) {
        f->resize(size);
        QTRY_COMPARE(f->size(), size);
        app.seconds(3);
    }
    QCOMPARE(f->mainSeconds, 6);
    app.seconds(1);
    QCOMPARE(f->alertState, 2);  // the warning at 5 seconds left
    QCOMPARE(f->Edit7->text() + f->Edit8->text(), QStringLiteral("05"));
}

// On a screen lower than the settings panel a scroll bar brings every control of it into
// sight, and the panel never lies over the tool bar's buttons.
void ScreensTest::settingsPanelScrollsOnALowScreen() {
    AppFixture app(kStart);
    TForm1* f = app.f();
    ShowAt(app, QSize(1024, 600));
    if (QTest::currentTestFailed()) return;
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    QScrollBar* bar = f->settingsScroll()->bar();
    QVERIFY(!bar->isVisible());
    f->SpeedButton2Click();
    QVERIFY(f->Panel2->isVisible());
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->value(), 0);  // it opens at its top, the focus on the panel itself
    QCOMPARE(f->Panel2->pos(), QPoint(5, 32));
    f->Edit55->setFocus();
    f->Panel2->setFocus();
    QCOMPARE(bar->value(), 0);
    QWidget* client = f->centralWidget();
    // 确定 lies below the window's bottom until the panel is scrolled.
    QVERIFY(In(f->BitBtn6, client).bottom() > client->height());
    bar->setValue(bar->maximum());
    QVERIFY(QRect(0, 29, client->width(), client->height() - 29).contains(In(f->BitBtn6, client)));
    QVERIFY(QRect(0, 29, client->width(), client->height() - 29).contains(In(f->BitBtn26, client)));
    // The tool bar stays on top of the panel's top.
    QVERIFY(f->ToolBar1->isVisible());
    QCOMPARE(client->childAt(f->SpeedButton1->mapTo(client, QPoint(3, 3))), f->SpeedButton1);
    // The focus moving to a control at the panel's top brings it back into sight.
    f->Edit55->setFocus();
    QVERIFY(In(f->Edit55, client).top() >= 29);
    // Closed and opened again, the panel shows from its top; where it fits no bar shows.
    f->SpeedButton2Click();
    QVERIFY(!bar->isVisible());
    f->SpeedButton2Click();
    QCOMPARE(f->Panel2->pos(), QPoint(5, 32));
    f->SpeedButton2Click();
    f->resize(1024, 768);
    QTRY_COMPARE(f->size(), QSize(1024, 768));
    f->SpeedButton2Click();
    QVERIFY(!bar->isVisible());
    QCOMPARE(f->Panel2->pos(), QPoint(5, 32));
}

// At 800 x 600 the settings panel is taller and wider than the window: bars at the right and
// the bottom edge bring each of its twelve groups and its three buttons wholly into sight;
// the wheel turned sideways and the focus move it across; and 使用方式 计时 then 确定, chosen
// with the mouse, take effect.
void ScreensTest::settingsPanelReachableOnASmallScreen() {
    AppFixture app(kStart);
    TForm1* f = app.f();
    ShowAt(app, QSize(800, 600));
    if (QTest::currentTestFailed()) return;
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    f->SpeedButton2Click();
    SettingsScroll* scroll = f->settingsScroll();
    QScrollBar* down = scroll->bar();
    QScrollBar* across = scroll->horizontalBar();
    QVERIFY(down->isVisible());
    QVERIFY(across->isVisible());
    QCOMPARE(f->Panel2->pos(), QPoint(5, 32));
    QWidget* client = f->centralWidget();
    const QRect view = scroll->view();
    // The bars lie beside the view, the tool bar above it.
    QVERIFY(!view.intersects(In(down, client)) && !view.intersects(In(across, client)));
    QCOMPARE(view.top(), 29);

    // Every group and button can be brought wholly into sight with the two bars.
    QList<QWidget*> targets;
    for (QGroupBox* g : f->Panel2->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        targets << g;
    QCOMPARE(targets.size(), 12);
    targets << f->BitBtn26 << f->BitBtn27 << f->BitBtn6;
    for (QWidget* target : targets) {
        bool seen = false;
        for (int v = 0; v <= down->maximum() && !seen; v += 5) {
            for (int h = 0; h <= across->maximum() && !seen; h += 5) {
                down->setValue(qMin(v, down->maximum()));
                across->setValue(qMin(h, across->maximum()));
                seen = view.contains(In(target, client));
            }
        }
        QVERIFY2(seen, qPrintable(target->objectName()));
    }
    // Both bars at their ends: the panel's bottom right corner in sight.
    down->setValue(down->maximum());
    across->setValue(across->maximum());
    QVERIFY(view.contains(In(f->Panel2, client).bottomRight()));

    // The wheel turned sideways over the panel moves it across.
    across->setValue(0);
    const QPoint over = f->Panel2->rect().center();
    QWheelEvent wheel(over, f->Panel2->mapToGlobal(over), QPoint(), QPoint(-120, 0), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(f->Panel2, &wheel);
    QVERIFY(across->value() > 0);

    // The mouse on 计时 of 使用方式, brought into sight by the bars, then on 确定: the clock
    // panel gives way to the main timer panel.
    f->Panel3->show();
    f->Panel4->hide();
    down->setValue(0);
    across->setValue(across->maximum());
    QVERIFY(view.contains(In(f->RadioButton3, client)));
    QTest::mouseClick(f->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      f->RadioButton3->mapTo(f, QPoint(8, f->RadioButton3->height() / 2)));
    QVERIFY(f->RadioButton3->isChecked());
    down->setValue(down->maximum());
    QVERIFY(view.contains(In(f->BitBtn6, client)));
    QTest::mouseClick(f->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      f->BitBtn6->mapTo(f, f->BitBtn6->rect().center()));
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("error")).isEmpty());
    QVERIFY(f->Panel2->isHidden());
    QVERIFY(!f->Panel4->isHidden());
    QVERIFY(f->Panel3->isHidden());
    QCOMPARE(f->Settings.modeTimingOn, 1);
    QVERIFY(!down->isVisible());
    QVERIFY(!across->isVisible());

    // Opened again, the panel shows its top left corner; the focus on a control out of sight
    // to the right brings it in.
    f->SpeedButton2Click();
    QCOMPARE(f->Panel2->pos(), QPoint(5, 32));
    QCOMPARE(across->value(), 0);
    f->RadioButton1->setFocus();
    QVERIFY(view.contains(In(f->RadioButton1, client)));
    f->Edit55->setFocus();
    QVERIFY(view.contains(In(f->Edit55, client)));
}

// With a second screen the display has a window of its own on the screen that is not the
// primary one, the operator's window stays on the primary; the screen chosen in the menu is
// remembered by its identity in the options file (not in the settings file), the display
// comes back into the operator's window while it is unplugged and goes out to it again when
// it comes back, also after a restart.
void ScreensTest::chosenScreenFollowsPlugging() {
    AppFixture app(kStart);
    const ScreenInfo laptop = MakeScreen(QStringLiteral("eDP-1"), QRect(0, 0, 1366, 768), true);
    const ScreenInfo projector =
        MakeScreen(QStringLiteral("HDMI-1"), QRect(1366, 0, 1920, 1080), false);
    app.fake.screens.set({laptop, projector});
    const QByteArray settingsBefore = [&] {
        QFile file(app.fake.settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    TForm1* f = app.f();
    AudienceWindow* audience = f->audienceWindow();
    QVERIFY(audience);
    f->showOnAudienceScreen();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->name, laptop.name);
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->name, projector.name);
    QVERIFY(audience->isVisible());

    // The menu lists both screens, the projector ticked (the display's).
    auto* menu = f->findChild<QMenu*>(QStringLiteral("N27"));
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 2);
    QVERIFY(!menu->actions()[0]->isChecked());
    QVERIFY(menu->actions()[1]->isChecked());
    QVERIFY(menu->actions()[1]->text().startsWith(QStringLiteral("HDMI-1")));

    // Unplugged: the display is back in the operator's window, which stays where it is;
    // plugged in again (at another place): out to it again.
    app.fake.screens.set({laptop});
    QVERIFY(!audience->isVisible());
    QVERIFY(f->isVisible());
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->name, laptop.name);
    QCOMPARE(menu->actions().size(), 1);
    ScreenInfo movedProjector = projector;
    movedProjector.geometry = movedProjector.available = QRect(-1920, 0, 1920, 1080);
    app.fake.screens.set({laptop, movedProjector});
    QVERIFY(audience->isVisible());
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->geometry,
             movedProjector.geometry);
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->name, laptop.name);
    // Its size changes: the display follows.
    ScreenInfo bigger = movedProjector;
    bigger.geometry = bigger.available = QRect(-3840, 0, 3840, 2160);
    app.fake.screens.set({laptop, bigger});
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->geometry,
             bigger.geometry);

    // The laptop chosen for the display: the operator's window goes to the other screen.
    app.fake.screens.filled.clear();
    app.fake.screens.filledWindows.clear();
    menu->actions()[0]->trigger();
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->name, laptop.name);
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->name, projector.name);
    QVERIFY(menu->actions()[0]->isChecked());

    // Remembered beside the settings file, which did not change for it.
    const QString options =
        QDir(app.fake.location.dir).filePath(QStringLiteral("kvtmr-options.ini"));
    QVERIFY(QFile::exists(options));
    QFile file(app.fake.settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray settingsAfter = file.readAll();
    QCOMPARE(settingsAfter.count("\r\n"), 139);
    if (!settingsBefore.isEmpty()) QCOMPARE(settingsAfter, settingsBefore);

    // A new start puts the display on the laptop at once.
    app.destroy();
    app.fake.screens.filled.clear();
    app.fake.screens.filledWindows.clear();
    app.create();
    app->showOnAudienceScreen();
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->name, laptop.name);
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->name, projector.name);
}

// Two screens that tell the same name and nothing else (two X screens of one server): the
// one of the chosen size is ticked and comes back on the next start.
void ScreensTest::twinScreensToldApartBySize() {
    AppFixture app(kStart);
    const ScreenInfo small = MakeScreen(QStringLiteral("screen"), QRect(0, 0, 1024, 768), true);
    const ScreenInfo large =
        MakeScreen(QStringLiteral("screen"), QRect(1024, 0, 1920, 1080), false);
    app.fake.screens.set({small, large});
    TForm1* f = app.f();
    f->showOnAudienceScreen();
    auto* menu = f->findChild<QMenu*>(QStringLiteral("N27"));
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 2);
    QVERIFY(!menu->actions()[0]->isChecked());
    QVERIFY(menu->actions()[1]->isChecked());
    menu->actions()[0]->trigger();
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->geometry,
             small.geometry);
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->geometry, large.geometry);
    QVERIFY(menu->actions()[0]->isChecked());
    QVERIFY(!menu->actions()[1]->isChecked());

    app.destroy();
    app.fake.screens.filled.clear();
    app.fake.screens.filledWindows.clear();
    app.create();
    app->showOnAudienceScreen();
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->geometry,
             small.geometry);
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->geometry, large.geometry);
}

// A choice that cannot be written to the options file (a full disk, a read-only folder) takes
// effect all the same, and the operator learns that the next start will not remember it.
void ScreensTest::choiceNotRememberedIsTold_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("written") << ""
                             << "";
    QTest::newRow("a file-size limit") << "limit"
                                       << "超过了文件大小的限制";
    QTest::newRow("a folder in the file's place") << "folder"
                                                  << "文件的位置上是一个文件夹";
}

void ScreensTest::choiceNotRememberedIsTold() {
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    AppFixture app(kStart);
    const ScreenInfo laptop = MakeScreen(QStringLiteral("eDP-1"), QRect(0, 0, 1366, 768), true);
    const ScreenInfo projector =
        MakeScreen(QStringLiteral("HDMI-1"), QRect(1366, 0, 1920, 1080), false);
    app.fake.screens.set({laptop, projector});
    TForm1* f = app.f();
    f->showOnAudienceScreen();
    const QString options =
        QDir(app.fake.location.dir).filePath(QStringLiteral("kvtmr-options.ini"));
    if (fault == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(options));
        QFile in(QDir(options).filePath(QStringLiteral("x")));
        QVERIFY(in.open(QIODevice::WriteOnly));
    }
    auto* menu = f->findChild<QMenu*>(QStringLiteral("N27"));
    QVERIFY(menu);
    app.fake.dialogs.clear();
    {
        std::optional<FileSizeLimit> limit;
        if (fault == QLatin1String("limit")) limit.emplace(16);
        menu->actions()[1]->trigger();
    }
    QCOMPARE(app.fake.screens.filled.last().name, projector.name);
    const QStringList told = app.fake.dialogs.texts(QStringLiteral("information"));
    if (reason.isEmpty()) {
        QVERIFY(app.fake.dialogs.log.isEmpty());
        return;
    }
    QCOMPARE(told, QStringList{QStringLiteral("显示屏幕的选择不能保存到%1（%2），下次启动时不会"
                                              "记住这个屏幕。")
                                   .arg(options, reason)});
}

// The help, about and calendar windows open on the operator's screen, never on the
// display's.
void ScreensTest::secondaryWindowsOpenOnTheOperatorsScreen() {
    AppFixture app(kStart);
    const ScreenInfo laptop = MakeScreen(QStringLiteral("eDP-1"), QRect(0, 0, 1366, 768), true);
    const ScreenInfo projector =
        MakeScreen(QStringLiteral("HDMI-1"), QRect(1366, 0, 1920, 1080), false);
    app.fake.screens.set({laptop, projector});
    TForm1* f = app.f();
    f->showOnAudienceScreen();
    // The display on the laptop, so the operator's window is on the projector's screen.
    f->audienceScreen()->choose(laptop);
    QCOMPARE(f->geometry(), projector.available);
    const QPoint helpPlace = app.app->Form2->pos();
    f->SpeedButton6Click();
    QVERIFY(app.app->Form2->isVisible());
    QVERIFY(projector.geometry.contains(app.app->Form2->frameGeometry().center()));
    QCOMPARE(app.app->Form2->pos(), helpPlace + projector.geometry.topLeft());
    f->SpeedButton7Click();
    QVERIFY(projector.geometry.contains(app.app->Form3->frameGeometry().center()));
    f->SpeedButton20Click();
    QVERIFY(projector.geometry.contains(app.app->wnl->frameGeometry().center()));
    app.app->Form2->hide();
    app.app->Form3->hide();
    app.app->wnl->hide();
}

namespace {

ScreenInfo Laptop() {
    return MakeScreen(QStringLiteral("eDP-1"), QRect(0, 0, 1366, 768), true);
}
ScreenInfo Projector() {
    return MakeScreen(QStringLiteral("HDMI-1"), QRect(1366, 0, 1024, 768), false);
}
QList<ScreenInfo> Screens(int count) {
    QList<ScreenInfo> list{Laptop(), Projector(),
                           MakeScreen(QStringLiteral("DP-2"), QRect(2390, 0, 1920, 1080))};
    return list.mid(0, count);
}

// The program started on screens: the operator's window exposed, and the display's own window
// when it has one.
void StartOn(AppFixture& app, const QList<ScreenInfo>& screens) {
    app.fake.screens.set(screens);
    TForm1* f = app.f();
    f->showOnAudienceScreen();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    if (f->audienceWindow()->isVisible())
        QVERIFY(QTest::qWaitForWindowExposed(f->audienceWindow()));
}

// A button pressed by its accelerator comes up and clicks after a short animation; this runs
// that step at once instead of waiting for it.
void FinishPressedButtons(QWidget* root) {
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
        if (!b->isDown()) continue;
        for (const auto& t : QAbstractEventDispatcher::instance()->registeredTimers(b)) {
            QTimerEvent step(t.timerId);
            QCoreApplication::sendEvent(b, &step);
        }
    }
}

// Whatever the event loop has waiting (repaints included) is done.
void Settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// The part of the display the audience sees, as the display draws it itself.
QImage DrawnDisplay(TForm1* f) {
    const QRect part = f->audienceWindow()->shownRect();
    return f->Panel1->grab(part).toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

void ScreensTest::displayApartByScreenCount_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("chosen");     // -1: none chosen yet
    QTest::addColumn<int>("displayOn");  // -1: in the operator's window
    QTest::addColumn<int>("operatorOn");
    QTest::newRow("one screen") << 1 << -1 << -1 << 0;
    QTest::newRow("one screen, chosen") << 1 << 0 << -1 << 0;
    QTest::newRow("two screens") << 2 << -1 << 1 << 0;
    QTest::newRow("two screens, the primary chosen") << 2 << 0 << 0 << 1;
    QTest::newRow("three screens") << 3 << -1 << 1 << 0;
    QTest::newRow("three screens, the third chosen") << 3 << 2 << 2 << 0;
    QTest::newRow("three screens, the primary chosen") << 3 << 0 << 0 << 1;
}

// One screen: the one window as it always was. Two or more: the display in a window of its
// own on the audience's screen, the operator's window on another one, and no control of the
// operator's on the display's window.
void ScreensTest::displayApartByScreenCount() {
    QFETCH(int, count);
    QFETCH(int, chosen);
    QFETCH(int, displayOn);
    QFETCH(int, operatorOn);
    AppFixture app(kStart);
    const QList<ScreenInfo> screens = Screens(count);
    StartOn(app, screens);
    if (QTest::currentTestFailed()) return;
    TForm1* f = app.f();
    if (chosen >= 0) f->audienceScreen()->choose(screens[chosen]);
    AudienceWindow* audience = f->audienceWindow();
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->name, screens[operatorOn].name);
    QVERIFY(f->isVisible());
    // Whatever the screens, the display, the settings panel and the bars stay in the
    // operator's window, where the operator works them.
    for (QWidget* w : {static_cast<QWidget*>(f->Panel1), static_cast<QWidget*>(f->Panel2),
                       static_cast<QWidget*>(f->ToolBar1), static_cast<QWidget*>(f->StatusBar1)})
        QCOMPARE(w->window(), f);
    if (displayOn < 0) {
        QVERIFY(!audience->isVisible());
        QVERIFY(!app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow")));
        QVERIFY(!f->audienceScreen()->displayApart());
        return;
    }
    QVERIFY(audience->isVisible());
    QVERIFY(audience->isFullScreen());
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->name,
             screens[displayOn].name);
    QVERIFY(audience->findChildren<QWidget*>().isEmpty());
    QVERIFY(audience->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    QVERIFY(audience->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(audience->cursor().shape(), Qt::BlankCursor);
    QVERIFY(!audience->windowTitle().isEmpty());
    // The menu ticks the display's screen.
    auto* menu = f->findChild<QMenu*>(QStringLiteral("N27"));
    QVERIFY(menu);
    for (int i = 0; i < count; ++i)
        QCOMPARE(menu->actions()[i]->isChecked(), i == displayOn);
}

// The projector unplugged mid-count brings the display back into the operator's window at
// once and plugged again sends it out; the count, started by its Alt key in the operator's
// window, steps on without a stop or a skip and reaches its warning and its end on time.
void ScreensTest::countGoesOnWhileTheProjectorComesAndGoes() {
    AppFixture app(kStart);
    StartOn(app, Screens(2));
    if (QTest::currentTestFailed()) return;
    TForm1* f = app.f();
    AudienceWindow* audience = f->audienceWindow();
    QVERIFY(audience->isVisible());
    f->Edit10->setText(QStringLiteral("20"));
    f->ComboBox5->setText(QStringLiteral("秒钟"));
    f->Edit11->setText(QStringLiteral("5"));
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    f->Run(&TForm1::SpeedButton21Click);  // the main timer panel again, over the clock
    app.ms(1000 - app.fake.time.monotonicMs() % 1000);
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    QTest::keyClick(f, Qt::Key_T, Qt::AltModifier);
    FinishPressedButtons(f);
    QVERIFY(f->Timer1->Enabled());
    QCOMPARE(f->mainSeconds, 20);
    QList<int> seen;
    auto step = [&](int n) {
        for (int i = 0; i < n; ++i) {
            app.seconds(1);
            seen << f->mainSeconds;
        }
    };
    step(3);
    app.fake.screens.set({Laptop()});
    QVERIFY(!audience->isVisible());
    QVERIFY(f->isVisible());
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("Form1"))->name, Laptop().name);
    step(4);
    app.fake.screens.set(Screens(2));
    QVERIFY(audience->isVisible());
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->name, Projector().name);
    step(8);
    QCOMPARE(f->alertState, 2);  // the warning at 5 seconds left
    step(6);
    QCOMPARE(seen, (QList<int>{19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9,
                               8,  7,  6,  5,  4,  3,  2,  1,  0,  -1}));
    QVERIFY(!f->Timer1->Enabled());
    QCOMPARE(f->alertState, 0);  // time-up
}

// The audience sees the display as the display draws itself, never the settings panel over it
// in the operator's window (nor the display's buttons greyed by it), and the display's colour
// as it flashes.
void ScreensTest::audienceSeesOnlyTheDisplay() {
    AppFixture app(kStart);
    StartOn(app, Screens(2));
    if (QTest::currentTestFailed()) return;
    TForm1* f = app.f();
    AudienceWindow* audience = f->audienceWindow();
    f->Run(&TForm1::SpeedButton21Click);  // the main timer panel, with its buttons
    Settle();
    const QRect part = audience->shownRect();
    QVERIFY(part.contains(f->Panel4->geometry()));
    QVERIFY(part.contains(f->Label44->geometry()));
    const QImage picture = audience->picture(part.size());
    QCOMPARE(picture, DrawnDisplay(f));

    f->Run(&TForm1::SpeedButton2Click);
    QVERIFY(f->Panel2->isVisible());
    QVERIFY(!f->Panel1->isEnabled());
    Settle();
    QCOMPARE(audience->picture(part.size()), picture);
    f->Run(&TForm1::SpeedButton2Click);
    QVERIFY(f->Panel2->isHidden());
    Settle();
    QCOMPARE(audience->picture(part.size()), DrawnDisplay(f));

    // A count of six seconds with the warning at five: the display flashes, and so does the
    // audience's picture, edge to edge.
    f->Edit10->setText(QStringLiteral("6"));
    f->ComboBox5->setText(QStringLiteral("秒钟"));
    f->Edit11->setText(QStringLiteral("5"));
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    QVERIFY(f->Run(&TForm1::BitBtn2Click));
    QSet<QRgb> colours;
    for (int i = 0; i < 6; ++i) {
        app.ms(500);
        const QColor board = f->Panel1->palette().color(QPalette::Window);
        const QImage shown = audience->picture(QSize(1024, 768));
        QCOMPARE(shown.pixelColor(0, 0), board);
        QCOMPARE(shown.pixelColor(1023, 767), board);
        colours << board.rgb();
    }
    QCOMPARE(f->alertState, 2);
    QVERIFY(colours.contains(QColor(Qt::yellow).rgb()));
    QVERIFY(colours.size() >= 2);

    // The window's transparency is the display's too.
    f->CheckBox42->setChecked(true);
    f->TrackBar1->setValue(128);
    QCOMPARE(f->Opacity(), 128);
    QVERIFY(qAbs(audience->windowOpacity() - 128 / 255.0) < 0.01);
}

// Each change of the display (here the clock's next second) is drawn again on the audience's
// screen; with nothing changing, nothing is drawn.
void ScreensTest::audienceFollowsEachChange() {
    AppFixture app(kStart);
    StartOn(app, Screens(2));
    if (QTest::currentTestFailed()) return;
    TForm1* f = app.f();
    AudienceWindow* audience = f->audienceWindow();
    Settle();
    const int before = audience->paints();
    QVERIFY(before > 0);
    Settle();
    QCOMPARE(audience->paints(), before);
    const QString second = f->Edit27->text();
    app.seconds(2);
    QVERIFY(f->Edit27->text() != second);
    Settle();
    QVERIFY(audience->paints() > before);
    const int after = audience->paints();
    Settle();
    QCOMPARE(audience->paints(), after);
    QCOMPARE(audience->picture(audience->shownRect().size()), DrawnDisplay(f));
}

void ScreensTest::swapWithF11_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("one screen") << 1;
    QTest::newRow("two screens") << 2;
}

// F11 and 系统 → 全屏显示切换: with one screen, the display over the whole screen and back to
// the operator's window (a click on the display also brings it back); with two, the display
// back into the operator's window and out again. A screen plugged in or out ends the swap.
void ScreensTest::swapWithF11() {
    QFETCH(int, count);
    AppFixture app(kStart);
    StartOn(app, Screens(count));
    if (QTest::currentTestFailed()) return;
    TForm1* f = app.f();
    AudienceWindow* audience = f->audienceWindow();
    const bool apartAtFirst = count > 1;
    const ScreenInfo displayScreen = Screens(count).last();
    QCOMPARE(audience->isVisible(), apartAtFirst);
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowActive(f));

    auto* swapItem = f->findChild<QAction*>(QStringLiteral("N30"));
    QSignalSpy spy(swapItem, &QAction::triggered);
    QTest::keyClick(f, Qt::Key_F11);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(audience->isVisible(), !apartAtFirst);
    QTest::keyClick(f, Qt::Key_F11);
    QCOMPARE(audience->isVisible(), apartAtFirst);

    auto* item = f->findChild<QAction*>(QStringLiteral("N30"));
    QVERIFY(item);
    QCOMPARE(item->shortcut(), QKeySequence(Qt::Key_F11));
    item->trigger();
    QCOMPARE(audience->isVisible(), !apartAtFirst);
    item->trigger();
    QCOMPARE(audience->isVisible(), apartAtFirst);
    QCOMPARE(app.fake.screens.lastFillOf(QStringLiteral("AudienceWindow"))->name,
             displayScreen.name);
    QVERIFY(f->isVisible());

    if (count == 1) {
        // Over the only screen, a click on the display gives the operator's window back.
        item->trigger();
        QVERIFY(audience->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(audience));
        QTest::mouseClick(audience, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QVERIFY(!audience->isVisible());
        QVERIFY(f->isVisible());
        return;
    }
    // A click on the display's window leaves it where it is.
    QVERIFY(QTest::qWaitForWindowExposed(audience));
    QTest::mouseClick(audience, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QVERIFY(audience->isVisible());
    // Back in the operator's window by F11, then the projector out and in: out again.
    item->trigger();
    QVERIFY(!audience->isVisible());
    app.fake.screens.set({Laptop()});
    QVERIFY(!audience->isVisible());
    app.fake.screens.set(Screens(2));
    QVERIFY(audience->isVisible());
}

QTEST_MAIN(ScreensTest)
#include "behaviour_screens.moc"
