// Which panels show: the clock, main timer and preparation toggles in each usage mode, the
// hot spots, the concise display and its interplay with applying settings, the settings panel
// toggle and the calendar toggle.
#include <QtTest>

#include "AppFixture.h"
#include "clock/wnlp.h"

namespace {

QDateTime Afternoon() {
    return QDateTime(QDate(2007, 3, 14), QTime(14, 30, 3));
}

// "101": Panel3 shown, Panel4 hidden, Panel5 shown.
QString Panels(TForm1* f) {
    QString s;
    for (QWidget* p : {f->Panel3, f->Panel4, f->Panel5})
        s += p->isHidden() ? QLatin1Char('0') : QLatin1Char('1');
    return s;
}

void SetPanels(TForm1* f, const QString& state) {
    f->Panel3->setVisible(state[0] == QLatin1Char('1'));
    f->Panel4->setVisible(state[1] == QLatin1Char('1'));
    f->Panel5->setVisible(state[2] == QLatin1Char('1'));
}

QRadioButton* ModeButton(TForm1* f, const QString& mode) {
    if (mode == QStringLiteral("计时")) return f->RadioButton3;
    if (mode == QStringLiteral("时钟")) return f->RadioButton4;
    return f->RadioButton8;
}

// On screen at the design size (the offscreen screen is smaller than a projector's).
void ShowWindow(TForm1* f) {
    f->setGeometry(0, 0, 1024, 738);
    f->show();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowExposed(f));
}

// A left click at a point of the window, delivered to whatever control lies there.
void ClickWindowAt(TForm1* f, QWidget* area, QPoint local) {
    const QPoint inWindow = area->mapTo(f, local);
    QTest::mouseClick(f->windowHandle(), Qt::LeftButton, Qt::NoModifier, inWindow);
}

// The six elements that the concise display moves, with their stored top positions.
struct Movable {
    QWidget* widget;
    int storedTop;
};

QList<Movable> Movables(TForm1* f) {
    const SettingsRecord& s = f->Settings;
    return {{f->Label44, s.titleTop},         {f->Label45, s.promptTop},
            {f->Label52, s.scheduledTextTop}, {f->Panel3, s.clockPanelTop},
            {f->Panel4, s.mainPanelTop},      {f->Panel5, s.prepPanelTop}};
}

// Places in the form's pixels: the concise display covers the whole screen, and the display
// is drawn at that screen's scale.
QList<int> Tops(TForm1* f) {
    QList<int> tops;
    for (const Movable& m : Movables(f))
        tops << DesignPos(m.widget).y();
    return tops;
}

QList<int> Lefts(TForm1* f) {
    QList<int> lefts;
    for (const Movable& m : Movables(f))
        lefts << DesignPos(m.widget).x();
    return lefts;
}

QList<int> StoredTops(TForm1* f, int offset) {
    QList<int> tops;
    for (const Movable& m : Movables(f))
        tops << m.storedTop + offset;
    return tops;
}

bool Frameless(TForm1* f) {
    return f->windowFlags() & Qt::FramelessWindowHint;
}

// The window's furniture: border, menu bar, tool bar, status line.
void VerifyFurniture(TForm1* f, bool present) {
    QCOMPARE(Frameless(f), !present);
    QCOMPARE(f->MainMenu1->isHidden(), !present);
    QCOMPARE(f->ToolBar1->isHidden(), !present);
    QCOMPARE(f->StatusBar1->isHidden(), !present);
    QCOMPARE(f->ConciseDisplay(), !present);
}

// Non-default stored positions: the six rows of the position group, then OK.
void StorePositions(AppFixture& app) {
    app->Edit45->setText(QStringLiteral("40"));
    app->Edit53->setText(QStringLiteral("20"));
    app->Edit42->setText(QStringLiteral("250"));
    app->Edit43->setText(QStringLiteral("480"));
    app->Edit57->setText(QStringLiteral("260"));
    app->Edit58->setText(QStringLiteral("470"));
    app->Edit61->setText(QStringLiteral("100"));
    app->Edit62->setText(QStringLiteral("30"));
    app->Edit63->setText(QStringLiteral("110"));
    app->Edit64->setText(QStringLiteral("300"));
    app->Edit65->setText(QStringLiteral("90"));
    app->Edit66->setText(QStringLiteral("310"));
    app->BitBtn6Click();
}

}  // namespace

class PanelsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void toggles_data();
    void toggles();
    void togglesThroughTheirControls();
    void cornerHotSpotsInClockMode();
    void usageModeApplied_data();
    void usageModeApplied();
    void timerPanelButtons();
    void conciseDisplay_data();
    void conciseDisplay();
    void conciseDisplayCoversTheScreen_data();
    void conciseDisplayCoversTheScreen();
    void conciseDisplayFromBesideTheSettingsPanel_data();
    void conciseDisplayFromBesideTheSettingsPanel();
    void conciseDisplayOnlyFromTheBareDisplay_data();
    void conciseDisplayOnlyFromTheBareDisplay();
    void conciseDisplayAndApplyingSettings_data();
    void conciseDisplayAndApplyingSettings();
    void settingsPanelToggle_data();
    void settingsPanelToggle();
    void calendarToggle();
};

// ---- clock, main timer and preparation panel toggles ----------------------------------------

void PanelsTest::toggles_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("after");

    // Outside "同显" the clock and the main timer panel exclude each other.
    for (const QString& mode : {QStringLiteral("时钟"), QStringLiteral("计时")}) {
        const auto row = [&](const char* before, const char* command, const char* after) {
            QTest::addRow("%s %s %s", qPrintable(mode), before, command)
                << mode << QString::fromLatin1(before) << QString::fromLatin1(command)
                << QString::fromLatin1(after);
        };
        row("100", "clock", "010");  // hiding the clock brings up the main timer panel
        row("110", "clock", "010");
        row("111", "clock", "011");  // the main timer panel was up already
        row("010", "clock", "100");  // showing the clock hides the timer panels
        row("011", "clock", "100");
        row("001", "clock", "100");
        row("000", "clock", "100");
        row("010", "main", "001");  // hiding the main timer panel brings up the preparation
        row("011", "main", "001");
        row("110", "main", "101");
        row("100", "main", "010");  // showing it hides the clock and the preparation
        row("101", "main", "010");
        row("001", "main", "010");
        row("000", "main", "010");
        row("100", "prep", "101");  // the preparation panel flips alone
        row("101", "prep", "100");
        row("010", "prep", "011");
        row("000", "prep", "001");
    }
    // In "同显" each toggle shows and hides its own panel only.
    const QString both = QStringLiteral("同显");
    const auto row = [&](const char* before, const char* command, const char* after) {
        QTest::addRow("同显 %s %s", before, command)
            << both << QString::fromLatin1(before) << QString::fromLatin1(command)
            << QString::fromLatin1(after);
    };
    row("110", "clock", "010");
    row("100", "clock", "000");
    row("010", "clock", "110");
    row("011", "clock", "111");
    row("110", "main", "100");
    row("010", "main", "000");
    row("100", "main", "110");
    row("101", "main", "111");
    row("110", "prep", "111");
    row("111", "prep", "110");
}

void PanelsTest::toggles() {
    QFETCH(QString, mode);
    QFETCH(QString, before);
    QFETCH(QString, command);
    QFETCH(QString, after);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    ModeButton(f, mode)->setChecked(true);
    SetPanels(f, before);
    if (command == QStringLiteral("clock")) f->Image3Click();
    if (command == QStringLiteral("main")) f->SpeedButton21Click();
    if (command == QStringLiteral("prep")) f->Image4Click();
    QCOMPARE(Panels(f), after);
    // The mode itself is not changed by a toggle.
    QVERIFY(ModeButton(f, mode)->isChecked());
}

// Each toggle runs from its tool-bar button, its menu item and its hot spot alike.
void PanelsTest::togglesThroughTheirControls() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    ShowWindow(f);
    QCOMPARE(Panels(f), QStringLiteral("100"));  // the factory mode is "时钟"

    f->SpeedButton8->click();
    QCOMPARE(Panels(f), QStringLiteral("010"));
    f->N11->trigger();
    QCOMPARE(Panels(f), QStringLiteral("100"));
    QTest::mouseClick(f->Image3, Qt::LeftButton);
    QCOMPARE(Panels(f), QStringLiteral("010"));

    f->SpeedButton21->click();
    QCOMPARE(Panels(f), QStringLiteral("001"));
    f->N26->trigger();
    QCOMPARE(Panels(f), QStringLiteral("010"));
    QTest::mouseClick(f->Image6, Qt::LeftButton);
    QCOMPARE(Panels(f), QStringLiteral("001"));

    f->SpeedButton9->click();
    QCOMPARE(Panels(f), QStringLiteral("000"));
    f->N12->trigger();
    QCOMPARE(Panels(f), QStringLiteral("001"));
    QTest::mouseClick(f->Image4, Qt::LeftButton);
    QCOMPARE(Panels(f), QStringLiteral("000"));
    QCOMPARE(app.fake.dialogs.log.size(), 0);
    f->hide();
}

// In "时钟" mode the corner hot spots lead from the clock to the main timer panel and on to
// the preparation panel, each click landing where the operator sees the hot spot.
void PanelsTest::cornerHotSpotsInClockMode() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    ShowWindow(f);
    QVERIFY(f->RadioButton4->isChecked());
    ClickWindowAt(f, f->Image3, f->Image3->rect().center());
    QCOMPARE(Panels(f), QStringLiteral("010"));
    ClickWindowAt(f, f->Image6, f->Image6->rect().center());
    QCOMPARE(Panels(f), QStringLiteral("001"));
    ClickWindowAt(f, f->Image4, f->Image4->rect().center());
    QCOMPARE(Panels(f), QStringLiteral("000"));
    // The concise display was not touched by any of these clicks.
    VerifyFurniture(f, true);
    f->hide();
}

void PanelsTest::usageModeApplied_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    for (const char* before : {"000", "111", "001"}) {
        QTest::addRow("计时 from %s", before)
            << QStringLiteral("计时") << QString::fromLatin1(before) << QStringLiteral("010");
        QTest::addRow("时钟 from %s", before)
            << QStringLiteral("时钟") << QString::fromLatin1(before) << QStringLiteral("100");
        QTest::addRow("同显 from %s", before)
            << QStringLiteral("同显") << QString::fromLatin1(before) << QStringLiteral("110");
    }
}

// OK puts the chosen usage mode into effect, and so does the next start.
void PanelsTest::usageModeApplied() {
    QFETCH(QString, mode);
    QFETCH(QString, before);
    QFETCH(QString, after);
    {
        AppFixture app(Afternoon());
        ModeButton(app.f(), mode)->setChecked(true);
        SetPanels(app.f(), before);
        app->BitBtn6->click();
        QCOMPARE(Panels(app.f()), after);
        QVERIFY(app.fake.dialogs.log.isEmpty());
        // Cancel re-applies the stored mode.
        SetPanels(app.f(), before);
        app->BitBtn27->click();
        QCOMPARE(Panels(app.f()), after);
        // The next start in the same settings directory shows the same panels.
        app.destroy();
        app.create();
        QVERIFY(ModeButton(app.f(), mode)->isChecked());
        QCOMPARE(Panels(app.f()), after);
    }
}

// The bottom-right hot spot of the main timer panel flips each of its five buttons.
void PanelsTest::timerPanelButtons() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    ShowWindow(f);
    f->SpeedButton21Click();
    const QList<QWidget*> buttons = {f->BitBtn1, f->BitBtn2, f->BitBtn3, f->BitBtn5, f->BitBtn15};
    auto hidden = [&] {
        QString s;
        for (QWidget* b : buttons)
            s += b->isHidden() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    QCOMPARE(hidden(), QStringLiteral("00000"));
    ClickWindowAt(f, f->Image5, f->Image5->rect().center());
    QCOMPARE(hidden(), QStringLiteral("11111"));
    QTest::mouseClick(f->Image5, Qt::LeftButton);
    QCOMPARE(hidden(), QStringLiteral("00000"));
    // A button hidden by other means flips on its own.
    f->BitBtn3->hide();
    f->Image5Click();
    QCOMPARE(hidden(), QStringLiteral("11011"));
    // The preparation panel's buttons are not affected.
    for (QWidget* b : {static_cast<QWidget*>(f->BitBtn11), static_cast<QWidget*>(f->BitBtn14)})
        QVERIFY(!b->isHidden());
    f->hide();
}

// ---- concise display -------------------------------------------------------------------------

void PanelsTest::conciseDisplay_data() {
    QTest::addColumn<QString>("via");
    QTest::newRow("bare display") << QStringLiteral("Panel1");
    QTest::newRow("corner hot spot") << QStringLiteral("Image2");
    QTest::newRow("tool bar") << QStringLiteral("SpeedButton19");
    QTest::newRow("menu") << QStringLiteral("N24");
}

void PanelsTest::conciseDisplay() {
    QFETCH(QString, via);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    ShowWindow(f);
    // Stored tops that differ from where the controls stand now: the six move by what is
    // stored, not by their current places.
    f->Label44->move(f->Label44->x(), 200);
    f->Panel4->move(f->Panel4->x(), 5);
    const QList<int> lefts = Lefts(f);
    auto toggle = [&] {
        if (via == QStringLiteral("Panel1")) {
            // A bare spot of the display: below the title, left of the panels.
            ClickWindowAt(f, f->Panel1, QPoint(20, 300));
        } else if (via == QStringLiteral("Image2")) {
            ClickWindowAt(f, f->Image2, f->Image2->rect().center());
        } else if (via == QStringLiteral("SpeedButton19")) {
            f->SpeedButton19->click();
        } else {
            f->N24->trigger();
        }
    };
    VerifyFurniture(f, true);

    toggle();
    VerifyFurniture(f, false);
    QCOMPARE(Tops(f), StoredTops(f, 80));
    QCOMPARE(Tops(f), (QList<int>{12 + 80, 518 + 80, 518 + 80, 8 + 80, 328 + 80, 328 + 80}));
    QCOMPARE(Lefts(f), lefts);
    QVERIFY(f->isVisible());
    // The display takes the room of the tool bar.
    QCOMPARE(f->Panel1->y(), 0);

    toggle();
    VerifyFurniture(f, true);
    QCOMPARE(Tops(f), StoredTops(f, 0));
    QCOMPARE(Lefts(f), lefts);
    QVERIFY(f->isVisible());
    QCOMPARE(f->Panel1->y(), 29);
    QVERIFY(app.fake.dialogs.log.isEmpty());
    f->hide();
}

void PanelsTest::conciseDisplayCoversTheScreen_data() {
    conciseDisplay_data();
}

// Maximised as it starts, the window covers the whole screen while the concise display is on
// and is maximised again, at the same place and size, when it ends: every time.
void PanelsTest::conciseDisplayCoversTheScreen() {
    QFETCH(QString, via);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    f->showMaximized();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QTRY_COMPARE(f->windowState() & ~Qt::WindowActive, Qt::WindowMaximized);
    const QRect maximised = f->geometry();
    const QRect screen = f->screen()->geometry();
    auto toggle = [&] {
        if (via == QStringLiteral("Panel1"))
            ClickWindowAt(f, f->Panel1, QPoint(3, f->Panel1->height() / 2));
        else if (via == QStringLiteral("Image2"))
            ClickWindowAt(f, f->Image2, f->Image2->rect().center());
        else if (via == QStringLiteral("SpeedButton19"))
            f->SpeedButton19->click();
        else
            f->N24->trigger();
    };
    for (int round = 0; round < 8; ++round) {
        toggle();
        QVERIFY(f->ConciseDisplay());
        QTRY_VERIFY(f->windowState() & Qt::WindowFullScreen);
        QTRY_COMPARE(f->geometry(), screen);
        QCOMPARE(f->Panel1->geometry(), QRect(QPoint(0, 0), screen.size()));

        toggle();
        QVERIFY(!f->ConciseDisplay());
        QTRY_COMPARE(f->windowState() & ~Qt::WindowActive, Qt::WindowMaximized);
        QTRY_COMPARE(f->geometry(), maximised);
        QVERIFY(!Frameless(f));
        QVERIFY(f->StatusBar1->isVisible());
        QCOMPARE(f->StatusBar1->geometry().bottom(), f->rect().bottom());
    }
    QVERIFY(app.fake.dialogs.log.isEmpty());
    f->hide();
}

void PanelsTest::conciseDisplayFromBesideTheSettingsPanel_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("toggles");
    QTest::newRow("left of the panel") << QStringLiteral("left") << true;
    QTest::newRow("right of the panel") << QStringLiteral("right") << true;
    QTest::newRow("below the panel") << QStringLiteral("below") << true;
    QTest::newRow("a text of the display below the panel") << QStringLiteral("text") << false;
    QTest::newRow("the panel itself") << QStringLiteral("panel") << false;
}

// With the settings panel open, the display beside it is still the bare display: a click on
// it toggles the concise display, while the controls of the display take no click and no
// focus.
void PanelsTest::conciseDisplayFromBesideTheSettingsPanel() {
    QFETCH(QString, where);
    QFETCH(bool, toggles);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    ShowWindow(f);
    f->SpeedButton2Click();
    QVERIFY(f->Panel2->isVisible());
    QWidget* focus = QApplication::focusWidget();
    // The panel's edges in the display's terms.
    const QRect panel(f->Panel1->mapFrom(f->centralWidget(), f->Panel2->pos()), f->Panel2->size());
    const QRect display = f->Panel1->rect();
    QVERIFY(display.bottom() > panel.bottom() + 4);
    QVERIFY(panel.left() > 0 && display.right() > panel.right());
    const int middle = panel.center().y();
    QPoint spot;
    if (where == QStringLiteral("left")) spot = QPoint(panel.left() / 2, middle);
    if (where == QStringLiteral("right"))
        spot = QPoint((panel.right() + display.right()) / 2, middle);
    if (where == QStringLiteral("below"))
        spot = QPoint(panel.left() + 10, (panel.bottom() + display.bottom()) / 2);
    if (where == QStringLiteral("panel")) spot = panel.center();
    if (where == QStringLiteral("text")) {
        // The scheduled text, shown, reaching into the strip below the panel.
        f->Label52->show();
        MoveDesign(f->Label52, DesignPos(f->Label52).x(), 600);
        const QRect strip(0, panel.bottom() + 1, display.width(),
                          display.bottom() - panel.bottom());
        const QRect shared = strip.intersected(f->Label52->geometry());
        QVERIFY(!shared.isEmpty());
        spot = shared.center();
        QCOMPARE(f->Panel1->childAt(spot), f->Label52);
    }
    if (toggles) QVERIFY(!f->Panel1->childAt(spot));
    ClickWindowAt(f, f->Panel1, spot);
    QCOMPARE(f->ConciseDisplay(), toggles);
    QVERIFY(f->Panel2->isVisible());
    // Nothing of the covered display took the focus.
    QWidget* now = QApplication::focusWidget();
    QVERIFY(now != f->Panel1 && !f->Panel1->isAncestorOf(now));
    QCOMPARE(now, focus);
    QVERIFY(app.fake.dialogs.log.isEmpty());
    f->hide();
}

void PanelsTest::conciseDisplayOnlyFromTheBareDisplay_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("panels");
    QTest::newRow("clock panel") << QStringLiteral("Panel3") << QStringLiteral("100");
    QTest::newRow("main timer panel") << QStringLiteral("Panel4") << QStringLiteral("110");
    QTest::newRow("preparation panel") << QStringLiteral("Panel5") << QStringLiteral("111");
    QTest::newRow("title") << QStringLiteral("Label44") << QStringLiteral("100");
    QTest::newRow("clock digits") << QStringLiteral("Edit26") << QStringLiteral("100");
    QTest::newRow("main timer title") << QStringLiteral("Label13") << QStringLiteral("010");
}

// A click on one of the display panels, or on a control on the display, is not a click on the
// bare display.
void PanelsTest::conciseDisplayOnlyFromTheBareDisplay() {
    QFETCH(QString, target);
    QFETCH(QString, panels);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    ShowWindow(f);
    SetPanels(f, panels);
    auto* w = f->findChild<QWidget*>(target);
    QVERIFY(w);
    const QPoint spot = w == f->Label44 || w == f->Label13 || w == f->Edit26
                            ? w->rect().center()
                            : QPoint(3, w->height() - 3);
    ClickWindowAt(f, w, spot);
    VerifyFurniture(f, true);
    QCOMPARE(Tops(f), StoredTops(f, 0));
    QCOMPARE(Panels(f), panels);
    f->hide();
}

void PanelsTest::conciseDisplayAndApplyingSettings_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("OK") << QStringLiteral("OK");
    QTest::newRow("Default") << QStringLiteral("Default");
    QTest::newRow("Cancel") << QStringLiteral("Cancel");
    QTest::newRow("main reset") << QStringLiteral("reset");
}

// Applying settings while the concise display is on puts the six back at their stored tops
// without the offset; ending the concise display leaves them there.
void PanelsTest::conciseDisplayAndApplyingSettings() {
    QFETCH(QString, command);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    ShowWindow(f);
    StorePositions(app);
    const QList<int> stored = {20, 480, 470, 30, 300, 310};
    QCOMPARE(StoredTops(f, 0), stored);
    QCOMPARE(Tops(f), stored);

    f->Image2Click();
    QCOMPARE(Tops(f), StoredTops(f, 80));
    if (command == QStringLiteral("OK")) f->BitBtn6->click();
    if (command == QStringLiteral("Default")) f->BitBtn26->click();
    if (command == QStringLiteral("Cancel")) f->BitBtn27->click();
    if (command == QStringLiteral("reset")) f->BitBtn3->click();
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("error")).isEmpty());
    // Default brings the factory positions; the others the stored ones.
    const QList<int> expected =
        command == QStringLiteral("Default") ? QList<int>{12, 518, 518, 8, 328, 328} : stored;
    QCOMPARE(Tops(f), expected);
    // Still concise: applying settings does not bring the furniture back.
    VerifyFurniture(f, false);

    f->Image2Click();
    VerifyFurniture(f, true);
    QCOMPARE(Tops(f), expected);
    // A new round of the concise display moves them by the offset again.
    f->Image2Click();
    QList<int> shifted;
    for (int top : expected)
        shifted << top + 80;
    QCOMPARE(Tops(f), shifted);
    f->hide();
}

// ---- settings panel --------------------------------------------------------------------------

void PanelsTest::settingsPanelToggle_data() {
    QTest::addColumn<QString>("busy");
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<bool>("flips");
    QTest::newRow("idle, closed") << QString() << false << true;
    QTest::newRow("idle, open") << QString() << true << true;
    QTest::newRow("main timer running, closed") << QStringLiteral("main") << false << false;
    QTest::newRow("main timer running, open") << QStringLiteral("main") << true << false;
    QTest::newRow("prompt sound playing, closed") << QStringLiteral("sound") << false << false;
    QTest::newRow("prompt sound playing, open") << QStringLiteral("sound") << true << false;
    QTest::newRow("preparation running, closed") << QStringLiteral("prep") << false << true;
    QTest::newRow("background music playing, closed") << QStringLiteral("music") << false << true;
}

void PanelsTest::settingsPanelToggle() {
    QFETCH(QString, busy);
    QFETCH(bool, openBefore);
    QFETCH(bool, flips);
    for (const QString& via : {QStringLiteral("tool bar"), QStringLiteral("menu")}) {
        AppFixture app(Afternoon());
        TForm1* f = app.f();
        f->Panel2->setVisible(openBefore);
        f->Panel2->move(40, 90);
        if (busy == QStringLiteral("main")) f->BitBtn2Click();
        if (busy == QStringLiteral("prep")) f->BitBtn14Click();
        app.fake.player1.finish();  // the start sounds have played
        if (busy == QStringLiteral("sound"))
            f->PlayPromptSound(f->MediaPlayer1, QStringLiteral("Ksksly.wav"));
        if (busy == QStringLiteral("music"))
            f->PlayPromptSound(f->MediaPlayer2, QStringLiteral("Bjyyly.wav"));
        QCOMPARE(app.fake.player1.state() == PlayerState::Playing, busy == QStringLiteral("sound"));
        app.fake.dialogs.clear();

        if (via == QStringLiteral("tool bar"))
            f->SpeedButton2->click();
        else
            f->N2->trigger();
        QCOMPARE(f->Panel2->pos(), QPoint(5, 32));
        QCOMPARE(f->Panel2->isHidden(), flips ? openBefore : !openBefore);
        // A refused toggle says nothing.
        QVERIFY(app.fake.dialogs.log.isEmpty());
    }
}

// ---- calendar ----------------------------------------------------------------------------------

void PanelsTest::calendarToggle() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    Twnl* cal = app.app->wnl.get();
    QVERIFY(cal->isHidden());

    f->SpeedButton20->click();
    QVERIFY(cal->isVisible());
    QCOMPARE(cal->Label1->text(), QStringLiteral("2007年3月"));

    // Page away, then close and reopen through the menu: the home month shows again.
    cal->BitBtn4Click();
    cal->BitBtn2Click();
    QCOMPARE(cal->Label1->text(), QStringLiteral("2008年4月"));
    f->N25->trigger();
    QVERIFY(cal->isHidden());
    QCOMPARE(cal->Label1->text(), QStringLiteral("2008年4月"));  // hidden as it was
    f->N25->trigger();
    QVERIFY(cal->isVisible());
    QCOMPARE(cal->Label1->text(), QStringLiteral("2007年3月"));
    QCOMPARE(cal->Calendar1->value().Year(), 2007);
    QCOMPARE(cal->Calendar1->value().Month(), 3);

    // Closed by its own button, the toggle shows it again.
    cal->Button1->click();
    QVERIFY(cal->isHidden());
    f->SpeedButton20Click();
    QVERIFY(cal->isVisible());
    // The calendar does not touch the display panels or the timers.
    QCOMPARE(Panels(f), QStringLiteral("100"));
    QVERIFY(!f->Timer1->Enabled());
    cal->hide();
}

QTEST_MAIN(PanelsTest)
#include "behaviour_panels.moc"
