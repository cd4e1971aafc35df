// Prompt texts on the display, the six font buttons, the font sample window, the twelve
// colour swatches, the window's transparency and the checks of the position boxes.
#include <QtTest>

#include "AppFixture.h"
#include "presentation/Unit4.h"
#include "core/TimeFields.h"

namespace {

QDateTime Afternoon() {
    return QDateTime(QDate(2007, 3, 14), QTime(14, 30, 3));
}

const QString kIllegal = QStringLiteral("输入非法字符，请输入一个1-9的整数");

QFont ChosenFont() {
    QFont f(QStringLiteral("隶书"));
    f.setPixelSize(50);
    f.setBold(true);
    f.setItalic(true);
    return f;
}

constexpr TColor kChosenColor = 0x3366CC;

QWidget* W(TForm1* f, const QString& name) {
    auto* w = f->findChild<QWidget*>(name);
    if (!w) qWarning("no control %s", qPrintable(name));
    return w;
}

TColor FontColorOf(QWidget* w) {
    return w->property("FontColor").toInt();
}

TColor ColorOf(QWidget* w) {
    return w->property("Color").toInt();
}

struct FontState {
    QString family;
    int px;
    bool bold;
    bool italic;
    TColor color;
    bool operator==(const FontState&) const = default;
};

FontState FontOf(QWidget* w) {
    const QFont f = w->font();
    return {f.family(), f.pixelSize(), f.bold(), f.italic(), FontColorOf(w)};
}

char* toString(const FontState& s) {
    return QTest::toString(QStringLiteral("%1 %2px%3%4 colour %5")
                               .arg(s.family)
                               .arg(s.px)
                               .arg(s.bold ? QStringLiteral(" bold") : QString())
                               .arg(s.italic ? QStringLiteral(" italic") : QString())
                               .arg(s.color));
}

// A real mouse movement: the event goes to the control under the point, as the window system
// would deliver it.
void MoveMouseTo(TForm1* f, QWidget* w, QPoint local) {
    QTest::mouseMove(f->windowHandle(), w->mapTo(f, local));
}

void ShowWithSettingsPanel(TForm1* f) {
    f->setGeometry(0, 0, 1024, 738);
    f->show();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowExposed(f));
    f->SpeedButton2Click();
    QVERIFY(f->Panel2->isVisible());
}

}  // namespace

class FontsColoursTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void promptTexts_data();
    void promptTexts();
    void fontButtons_data();
    void fontButtons();
    void fontStyleLastsUntilRestart();
    void fontSample_data();
    void fontSample();
    void fontSampleFollowsTheMouse();
    void fontSampleStaysOnTheScreen_data();
    void fontSampleStaysOnTheScreen();
    void fontSampleClosesByItsCloseBox();
    void fontButtonsAndTheSample();
    void swatches_data();
    void swatches();
    void seeThroughPanelGetsItsColourBackAtOk();
    void cancelledDigitRowsKeepTheirColour();
    void transparency();
    void opacityUntouchedByApplyingSettings_data();
    void opacityUntouchedByApplyingSettings();
    void positionChecks_data();
    void positionChecks();
    void positionsTakeEffectAtOk();
};

// ---- prompt texts --------------------------------------------------------------------------

void FontsColoursTest::promptTexts_data() {
    QTest::addColumn<QString>("moment");
    QTest::addColumn<QString>("check");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("statusAlways");
    const struct {
        const char* moment;
        const char* check;
        const char* text;
        bool statusAlways;
    } moments[] = {{"preparation starts", "CheckBox7", "预备", true},
                   {"main timer starts", "CheckBox8", "开始", true},
                   {"warning point", "CheckBox9", "预报警", true},
                   {"paused", "CheckBox10", "暂停", false},
                   {"time-up", "CheckBox11", "时间到", true}};
    for (const auto& m : moments)
        for (bool ticked : {true, false})
            QTest::addRow("%s, %s", m.moment, ticked ? "ticked" : "unticked")
                << QString::fromLatin1(m.moment) << QString::fromLatin1(m.check) << ticked
                << QString::fromUtf8(m.text) << m.statusAlways;
}

// Each phase writes its text into the status line (always, except a pause) and into the
// prompt label when its check box is ticked.
void FontsColoursTest::promptTexts() {
    QFETCH(QString, moment);
    QFETCH(QString, check);
    QFETCH(bool, ticked);
    QFETCH(QString, text);
    QFETCH(bool, statusAlways);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    // No flashing display, which would show and hide the prompt label by itself.
    f->CheckBox14->setChecked(false);
    f->CheckBox16->setChecked(false);
    qobject_cast<QCheckBox*>(W(f, check))->setChecked(ticked);
    auto mark = [f] {
        f->Label45->setCaption(QStringLiteral("旧"));
        f->Label45->hide();
        f->StatusBar1->setSectionText(1, QStringLiteral("状态"));
    };
    mark();
    if (moment == QStringLiteral("preparation starts")) {
        f->BitBtn14->click();
    } else if (moment == QStringLiteral("main timer starts")) {
        f->BitBtn2->click();
    } else if (moment == QStringLiteral("warning point")) {
        f->BitBtn2Click();  // 1 minute, lead 5 seconds
        app.seconds(54);
        mark();
        app.seconds(1);
        QCOMPARE(f->mainSeconds, 5);
    } else if (moment == QStringLiteral("paused")) {
        f->BitBtn2Click();
        mark();
        app.fake.dialogs.answers = {true};
        f->BitBtn5->click();
        QVERIFY(!f->Timer1->Enabled());
    } else if (moment == QStringLiteral("time-up")) {
        f->BitBtn2Click();
        app.seconds(60);
        mark();
        app.seconds(1);
        QVERIFY(!f->Timer1->Enabled());
    }
    const bool statusWritten = statusAlways || ticked;
    QCOMPARE(f->StatusBar1->sectionText(1), statusWritten ? text : QStringLiteral("状态"));
    QCOMPARE(f->Label45->text(), ticked ? text : QStringLiteral("旧"));
    QCOMPARE(f->Label45->isHidden(), !ticked);
}

// ---- font buttons ----------------------------------------------------------------------------

void FontsColoursTest::fontButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QStringList>("untouched");
    const auto list = [](const char* names) {
        return QString::fromLatin1(names).split(QLatin1Char(' '));
    };
    QTest::newRow("title") << QStringLiteral("BitBtn28") << QStringLiteral("Label44")
                           << list("Label44") << list("Label45 Label52 Edit46");
    QTest::newRow("prompt") << QStringLiteral("BitBtn25") << QStringLiteral("Label45")
                            << list("Label45")
                            << list("Label44 Label52 Edit38 Edit39 Edit40 Edit41 Edit44");
    QTest::newRow("scheduled text") << QStringLiteral("BitBtn38") << QStringLiteral("Label52")
                                    << list("Label52") << list("Label44 Label45 Edit56");
    QTest::newRow("main digits") << QStringLiteral("BitBtn29") << QStringLiteral("Edit1")
                                 << list("Edit1 Edit2 Edit3 Edit4 Edit5 Edit6 Edit7 Edit8")
                                 << list("Edit17 Edit19 Edit25 Label13");
    QTest::newRow("preparation digits")
        << QStringLiteral("BitBtn35") << QStringLiteral("Edit17")
        << list("Edit17 Edit18 Edit19 Edit20 Edit21 Edit22 Edit23 Edit24")
        << list("Edit1 Edit3 Edit25 Label14");
    QTest::newRow("clock digits") << QStringLiteral("BitBtn40") << QStringLiteral("Edit25")
                                  << list("Edit25 Edit26 Edit27 Edit28 Edit31")
                                  << list("Edit13 Edit14 Edit15 Edit16 Edit29 Edit30 Edit1 Edit17");
}

void FontsColoursTest::fontButtons() {
    QFETCH(QString, button);
    QFETCH(QString, source);
    QFETCH(QStringList, targets);
    QFETCH(QStringList, untouched);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    QList<FontState> before;
    for (const QString& t : targets + untouched)
        before << FontOf(W(f, t));
    auto* b = qobject_cast<QAbstractButton*>(W(f, button));

    // Cancelled: nothing changes. The dialog was preset with the face and the style that the
    // source really shows (the installed substitute of its stored name), at its size.
    b->click();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("font")), 1);
    QVERIFY(app.fake.dialogs.lastFontCurrent);
    const QFont preset = app.fake.dialogs.lastFontCurrent->font;
    const QFontInfo shown(W(f, source)->font());
    QCOMPARE(preset.family(), shown.family());
    QVERIFY(preset.family() != W(f, source)->font().family());
    QCOMPARE(preset.bold(), shown.bold());
    QCOMPARE(preset.italic(), shown.italic());
    QCOMPARE(preset.styleName(), shown.styleName());  // the dialog selects exactly this style
    QCOMPARE(preset.pointSize(), FontSize(W(f, source)->font()));
    QCOMPARE(app.fake.dialogs.lastFontCurrent->color, FontColorOf(W(f, source)));
    QList<FontState> after;
    for (const QString& t : targets + untouched)
        after << FontOf(W(f, t));
    QCOMPARE(after, before);

    // Confirmed unchanged: every target stays exactly as it was, stored name included.
    QList<QFont> fontsBefore;
    for (const QString& t : targets)
        fontsBefore << W(f, t)->font();
    app.fake.dialogs.fonts.push_back(*app.fake.dialogs.lastFontCurrent);
    b->click();
    for (int i = 0; i < targets.size(); ++i) {
        QCOMPARE(W(f, targets[i])->font(), fontsBefore[i]);
        QCOMPARE(W(f, targets[i])->font().families(), fontsBefore[i].families());
    }
    after.clear();
    for (const QString& t : targets + untouched)
        after << FontOf(W(f, t));
    QCOMPARE(after, before);
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    int names = 0;
    for (const SettingsBinding::Row& row : f->settingsBinding().rows())
        if (auto* name = std::get_if<SettingsBinding::FontName>(&row);
            name && name->control == W(f, source)) {
            QCOMPARE(f->Settings.*(name->field), fontsBefore[0].family());
            ++names;
        }
    QCOMPARE(names, 1);

    // Only the size changed: the face keeps its stored name.
    QFont bigger = app.fake.dialogs.lastFontCurrent->font;
    bigger.setPointSize(preset.pointSize() + 6);
    app.fake.dialogs.fonts.push_back(FontChoice{bigger, FontColorOf(W(f, source))});
    b->click();
    for (int i = 0; i < targets.size(); ++i) {
        QCOMPARE(W(f, targets[i])->font().families(), fontsBefore[i].families());
        QCOMPARE(FontSize(W(f, targets[i])->font()), preset.pointSize() + 6);
    }

    // Confirmed: every target takes the whole chosen font and its colour at once.
    app.fake.dialogs.fonts.push_back(FontChoice{ChosenFont(), kChosenColor});
    b->click();
    const FontState chosen{QStringLiteral("隶书"), 50, true, true, kChosenColor};
    for (const QString& t : targets)
        QCOMPARE(FontOf(W(f, t)), chosen);
    for (int i = 0; i < untouched.size(); ++i)
        QCOMPARE(FontOf(W(f, untouched[i])), before[targets.size() + i]);
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("error")).isEmpty());
}

// Name, size and colour reach the settings at OK; the style lasts until the program restarts,
// when each control shows the style of its design.
void FontsColoursTest::fontStyleLastsUntilRestart() {
    AppFixture app(Afternoon());
    app.fake.dialogs.fonts.push_back(FontChoice{ChosenFont(), kChosenColor});
    app->BitBtn28Click();
    QFont light(QStringLiteral("华文新魏"));
    light.setPixelSize(100);  // 60 points
    app.fake.dialogs.fonts.push_back(FontChoice{light, clr::Aqua});
    app->BitBtn29Click();
    app->BitBtn6Click();
    QCOMPARE(app->Settings.titleFontName, QStringLiteral("隶书"));
    QCOMPARE(app->Settings.titleFontSize, 30);
    QCOMPARE(app->Settings.titleFontColor, kChosenColor);
    QCOMPARE(app->Settings.mainFontName, QStringLiteral("华文新魏"));
    QCOMPARE(app->Settings.mainFontSize, 60);

    app.destroy();
    app.create();
    QCOMPARE(FontOf(app->Label44),
             (FontState{QStringLiteral("隶书"), 50, false, false, kChosenColor}));
    for (TEdit* e : {app->Edit1, app->Edit3, app->Edit8})
        QCOMPARE(FontOf(e), (FontState{QStringLiteral("华文新魏"), 100, true, false, clr::Aqua}));
}

// ---- the font sample window ----------------------------------------------------------------

void FontsColoursTest::fontSample_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("source");
    QTest::newRow("main digits") << QStringLiteral("BitBtn29") << QStringLiteral("计时字")
                                 << QStringLiteral("00") << QStringLiteral("GroupBox6")
                                 << QStringLiteral("Edit1");
    QTest::newRow("preparation digits")
        << QStringLiteral("BitBtn35") << QStringLiteral("预备计时字") << QStringLiteral("00")
        << QStringLiteral("GroupBox6") << QStringLiteral("Edit17");
    QTest::newRow("clock digits") << QStringLiteral("BitBtn40") << QStringLiteral("时钟字")
                                  << QStringLiteral("00") << QStringLiteral("GroupBox6")
                                  << QStringLiteral("Edit25");
    QTest::newRow("title") << QStringLiteral("BitBtn28") << QStringLiteral("标题字")
                           << QStringLiteral("示") << QStringLiteral("GroupBox3")
                           << QStringLiteral("Label44");
    QTest::newRow("prompt") << QStringLiteral("BitBtn25") << QStringLiteral("提示字")
                            << QStringLiteral("示") << QStringLiteral("GroupBox3")
                            << QStringLiteral("Label45");
    QTest::newRow("scheduled text")
        << QStringLiteral("BitBtn38") << QStringLiteral("定时提示字") << QStringLiteral("示")
        << QStringLiteral("GroupBox7") << QStringLiteral("Label52");
}

// Resting on a font button shows the sample window beside it; moving onto the bare group box
// hides it again.
void FontsColoursTest::fontSample() {
    QFETCH(QString, button);
    QFETCH(QString, kind);
    QFETCH(QString, sample);
    QFETCH(QString, group);
    QFETCH(QString, source);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    TForm4* sampleWindow = app.app->Form4.get();
    f->SpeedButton2Click();  // the settings panel, at 5,32
    // A source with a face, size and colour of its own.
    QFont font(QStringLiteral("隶书"));
    font.setPixelSize(40);  // 24 points
    font.setItalic(true);
    W(f, source)->setFont(font);
    W(f, source)->setProperty("FontColor", kChosenColor);

    auto* b = qobject_cast<TBitBtn*>(W(f, button));
    Q_EMIT b->MouseMove();
    QVERIFY(sampleWindow->isVisible());
    QCOMPARE(sampleWindow->windowTitle(), kind + QStringLiteral("示例"));
    QCOMPARE(sampleWindow->Label1->text(), sample);
    QCOMPARE(FontOf(sampleWindow->Label1),
             (FontState{QStringLiteral("隶书"), 40, false, true, kChosenColor}));
    QCOMPARE(sampleWindow->Label3->text(), QStringLiteral("隶书"));
    QCOMPARE(sampleWindow->Label5->text(), QStringLiteral("24"));
    QCOMPARE(ColorOf(sampleWindow->Label7), kChosenColor);
    QCOMPARE(sampleWindow->Label7->size(), QSize(48, 16));
    // The whole sample fits in the window.
    QVERIFY(sampleWindow->rect().contains(sampleWindow->Label1->geometry()));

    // The frame placed at the sum of the places of Panel1 (0, 29 below the tool bar), Panel2,
    // the group and the button, less its width, plus 30, counted from the main window's frame;
    // above the main window.
    QWidget* g = W(f, group);
    QCOMPARE(f->Panel1->pos(), QPoint(0, 29));
    QCOMPARE(f->Panel2->pos(), QPoint(5, 32));
    const QPoint sum(0 + 5 + g->x() + b->x() - sampleWindow->frameGeometry().width(),
                     29 + 32 + g->y() + b->y() + 30);
    QCOMPARE(sampleWindow->frameGeometry().topLeft(), f->frameGeometry().topLeft() + sum);
    QCOMPARE(sampleWindow->parentWidget(), f);  // a window of the main window's, kept above it

    // Off the button onto the bare group box.
    auto* groupBox = qobject_cast<TGroupBox*>(g);
    Q_EMIT groupBox->MouseMove();
    QVERIFY(sampleWindow->isHidden());
    // The other group boxes close it too.
    for (TGroupBox* other : {f->GroupBox3, f->GroupBox6, f->GroupBox7}) {
        Q_EMIT b->MouseMove();
        QVERIFY(sampleWindow->isVisible());
        Q_EMIT other->MouseMove();
        QVERIFY(sampleWindow->isHidden());
    }
}

// The same with real mouse movements over the settings panel: the sample stays up while the
// mouse rests on the button or moves onto another control of the group, and goes when the
// mouse reaches the bare group box.
void FontsColoursTest::fontSampleFollowsTheMouse() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    TForm4* sampleWindow = app.app->Form4.get();
    ShowWithSettingsPanel(f);
    if (QTest::currentTestFailed()) return;

    MoveMouseTo(f, f->BitBtn40, f->BitBtn40->rect().center());
    QVERIFY(sampleWindow->isVisible());
    QCOMPARE(sampleWindow->windowTitle(), QStringLiteral("时钟字示例"));
    // The longest face name of the settings is shown whole.
    QCOMPARE(sampleWindow->Label3->text(), QStringLiteral("宋体-方正超大字符集"));
    QVERIFY(sampleWindow->Label3->fontMetrics().horizontalAdvance(sampleWindow->Label3->text()) <=
            sampleWindow->Label3->contentsRect().width());
    QVERIFY(sampleWindow->Panel1->rect().contains(sampleWindow->Label3->geometry()));
    MoveMouseTo(f, f->BitBtn40, f->BitBtn40->rect().center() + QPoint(3, 1));
    QVERIFY(sampleWindow->isVisible());
    MoveMouseTo(f, f->CheckBox41, f->CheckBox41->rect().center());
    QVERIFY(sampleWindow->isVisible());
    // The bare area between the check boxes and the buttons.
    const QPoint bare(f->BitBtn40->x() - 6, f->BitBtn40->geometry().center().y());
    QVERIFY(!f->GroupBox6->childAt(bare));
    MoveMouseTo(f, f->GroupBox6, bare);
    QVERIFY(sampleWindow->isHidden());

    MoveMouseTo(f, f->BitBtn28, f->BitBtn28->rect().center());
    QVERIFY(sampleWindow->isVisible());
    QCOMPARE(sampleWindow->windowTitle(), QStringLiteral("标题字示例"));
    f->hide();
    sampleWindow->hide();
}

void FontsColoursTest::fontSampleStaysOnTheScreen_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("group");
    for (const QSize& size : {QSize(1024, 768), QSize(800, 600)})
        for (const auto& [button, group] :
             {std::pair{"BitBtn29", "GroupBox6"}, std::pair{"BitBtn35", "GroupBox6"},
              std::pair{"BitBtn40", "GroupBox6"}, std::pair{"BitBtn28", "GroupBox3"},
              std::pair{"BitBtn25", "GroupBox3"}, std::pair{"BitBtn38", "GroupBox7"}})
            QTest::addRow("%dx%d %s", size.width(), size.height(), button)
                << size << QString::fromLatin1(button) << QString::fromLatin1(group);
}

// With the factory fonts, on the projector's screen and on a small one: the sample lies wholly
// on the screen and never over its own button; where the form's place (right edge at the
// button's left edge) fits on the screen, it is there.
void FontsColoursTest::fontSampleStaysOnTheScreen() {
    QFETCH(QSize, screen);
    QFETCH(QString, button);
    QFETCH(QString, group);
    AppFixture app(Afternoon());
    const ScreenInfo only = MakeScreen(QStringLiteral("DP-1"), QRect(QPoint(0, 0), screen), true);
    app.fake.screens.set({only});
    TForm1* f = app.f();
    TForm4* sampleWindow = app.app->Form4.get();
    f->setGeometry(only.available);
    f->show();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowExposed(f));
    f->SpeedButton2Click();
    auto* b = qobject_cast<TBitBtn*>(W(f, button));
    // On a small screen the settings panel is scrolled until the button is in sight.
    b->setFocus();
    const QRect buttonOnScreen(b->mapToGlobal(QPoint(0, 0)), b->size());
    QVERIFY(only.available.contains(buttonOnScreen));

    Q_EMIT b->MouseMove();
    QVERIFY(sampleWindow->isVisible());
    const QRect frame = sampleWindow->frameGeometry();
    QVERIFY2(only.available.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                            .arg(frame.x())
                                                            .arg(frame.y())
                                                            .arg(frame.width())
                                                            .arg(frame.height())));
    QVERIFY(!frame.intersects(buttonOnScreen));
    QWidget* g = W(f, group);
    const QPoint sum(f->Panel1->x() + f->Panel2->x() + g->x() + b->x() - frame.width(),
                     f->Panel1->y() + f->Panel2->y() + g->y() + b->y() + 30);
    const QRect form(f->frameGeometry().topLeft() + sum, frame.size());
    if (only.available.contains(form)) QCOMPARE(frame, form);
    sampleWindow->hide();
    f->hide();
}

// The sample's title bar has a close box (and no other button); closed, it comes back at the
// next rest of the mouse on a font button.
void FontsColoursTest::fontSampleClosesByItsCloseBox() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    TForm4* sampleWindow = app.app->Form4.get();
    f->SpeedButton2Click();
    const Qt::WindowFlags flags = sampleWindow->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    Q_EMIT f->BitBtn40->MouseMove();
    QVERIFY(sampleWindow->isVisible());
    QVERIFY(sampleWindow->close());
    QVERIFY(sampleWindow->isHidden());
    QVERIFY(app.app->Form4);  // hidden, not destroyed
    Q_EMIT f->BitBtn35->MouseMove();
    QVERIFY(sampleWindow->isVisible());
    QCOMPARE(sampleWindow->windowTitle(), QStringLiteral("预备计时字示例"));
    sampleWindow->hide();
}

// "计时字体" closes the sample before its dialog opens; the other font buttons leave it open.
void FontsColoursTest::fontButtonsAndTheSample() {
    for (const QString& name :
         {QStringLiteral("BitBtn29"), QStringLiteral("BitBtn35"), QStringLiteral("BitBtn40"),
          QStringLiteral("BitBtn28"), QStringLiteral("BitBtn25"), QStringLiteral("BitBtn38")}) {
        AppFixture app(Afternoon());
        TForm1* f = app.f();
        TForm4* sampleWindow = app.app->Form4.get();
        f->SpeedButton2Click();
        auto* b = qobject_cast<TBitBtn*>(W(f, name));
        Q_EMIT b->MouseMove();
        QVERIFY(sampleWindow->isVisible());
        bool visibleWhileOpen = false;
        app.fake.dialogs.whileOpen = [&] { visibleWhileOpen = sampleWindow->isVisible(); };
        b->click();
        QCOMPARE(app.fake.dialogs.count(QStringLiteral("font")), 1);
        const bool closes = name == QStringLiteral("BitBtn29");
        QVERIFY2(visibleWhileOpen == !closes, qPrintable(name));
        QCOMPARE(sampleWindow->isVisible(), !closes);
        sampleWindow->hide();
    }
}

// ---- colour swatches -------------------------------------------------------------------------

namespace {

enum class Kind { Board, BoardAlert, Panel, Boxes, PrepBoxes, Frame };

struct SwatchRow {
    const char* check;
    const char* swatch;
    Kind kind;
    const char* question;
    QStringList targets;
};

const QList<SwatchRow>& SwatchRows() {
    const QStringList clockBoxes = {
        QStringLiteral("Edit13"), QStringLiteral("Edit14"), QStringLiteral("Edit15"),
        QStringLiteral("Edit16"), QStringLiteral("Edit25"), QStringLiteral("Edit26"),
        QStringLiteral("Edit27"), QStringLiteral("Edit28"), QStringLiteral("Edit29"),
        QStringLiteral("Edit30"), QStringLiteral("Edit31")};
    QStringList timerBoxes, prepBoxes;
    for (int i = 1; i <= 8; ++i)
        timerBoxes << QStringLiteral("Edit%1").arg(i);
    for (int i = 17; i <= 24; ++i)
        prepBoxes << QStringLiteral("Edit%1").arg(i);
    static const QList<SwatchRow> rows = {
        {"CheckBox13",
         "Label41",
         Kind::Board,
         "是否将主面板设为透明？",
         {QStringLiteral("Panel1")}},
        {"CheckBox14",
         "Label42",
         Kind::BoardAlert,
         "是否将主面板设为透明？",
         {QStringLiteral("Panel1")}},
        {"CheckBox15",
         "Label43",
         Kind::BoardAlert,
         "是否将主面板设为透明？",
         {QStringLiteral("Panel1")}},
        {"CheckBox22",
         "Label47",
         Kind::Panel,
         "是否将时钟面板设为透明？",
         {QStringLiteral("Panel3")}},
        {"CheckBox23",
         "Label48",
         Kind::Panel,
         "是否将计时面板设为透明？",
         {QStringLiteral("Panel4")}},
        {"CheckBox24",
         "Label49",
         Kind::Panel,
         "是否将预备计时面板设为透明？",
         {QStringLiteral("Panel5")}},
        {"CheckBox38", "Label27", Kind::Boxes, "是否将时钟字框设为透明？", clockBoxes},
        {"CheckBox39", "Label28", Kind::Boxes, "是否将计时字框设为透明？", timerBoxes},
        {"CheckBox40", "Label29", Kind::PrepBoxes, "是否将预备计时字框设为透明？", prepBoxes},
        {"CheckBox30",
         "Label56",
         Kind::Frame,
         "是否将标题字框设为透明？",
         {QStringLiteral("Label44")}},
        {"CheckBox31",
         "Label57",
         Kind::Frame,
         "是否将提示字框设为透明？",
         {QStringLiteral("Label45")}},
        {"CheckBox29",
         "Label55",
         Kind::Frame,
         "是否将提示字框设为透明？",
         {QStringLiteral("Label52")}},
    };
    return rows;
}

struct TargetState {
    TColor color;
    bool parentColor;
    bool transparent;
    bool operator==(const TargetState&) const = default;
};

char* toString(const TargetState& s) {
    return QTest::toString(
        QStringLiteral("colour %1%2%3")
            .arg(s.color)
            .arg(s.parentColor ? QStringLiteral(" follows its container") : QString())
            .arg(s.transparent ? QStringLiteral(" see-through") : QString()));
}

TargetState StateOf(QWidget* w) {
    return {ColorOf(w), w->property("ParentColor").toBool(), w->property("Transparent").toBool()};
}

}  // namespace

void FontsColoursTest::swatches_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("case_");
    for (int i = 0; i < SwatchRows().size(); ++i)
        for (const char* c :
             {"ticked, confirmed", "ticked, cancelled", "unticked, yes", "unticked, no"})
            QTest::addRow("%s %s", SwatchRows()[i].swatch, c) << i << QString::fromLatin1(c);
}

void FontsColoursTest::swatches() {
    QFETCH(int, row);
    QFETCH(QString, case_);
    const SwatchRow& r = SwatchRows()[row];
    const bool ticked = case_.startsWith(QStringLiteral("ticked"));
    const bool accept =
        case_.endsWith(QStringLiteral("confirmed")) || case_.endsWith(QStringLiteral("yes"));
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    auto* swatch = qobject_cast<TLabel*>(W(f, r.swatch));
    auto* check = qobject_cast<QCheckBox*>(W(f, r.check));
    check->setChecked(ticked);
    // Start from a see-through swatch and target where the row allows it, so that the
    // preparation of a ticked row shows.
    swatch->setTransparent(true);
    for (const QString& t : r.targets) {
        QWidget* w = W(f, t);
        if (r.kind == Kind::Frame)
            w->setProperty("Transparent", true);
        else if (r.kind != Kind::PrepBoxes)
            w->setProperty("ParentColor", true);
    }
    const TColor swatchBefore = ColorOf(swatch);
    QList<TargetState> before;
    for (const QString& t : r.targets)
        before << StateOf(W(f, t));
    const TColor board = ColorOf(f->Panel1);

    if (ticked && accept) app.fake.dialogs.colors.push_back(kChosenColor);
    if (!ticked) app.fake.dialogs.answers = {accept};
    QVERIFY(QMetaObject::invokeMethod(swatch, "Click"));  // the operator clicks the swatch

    if (ticked) {
        QCOMPARE(app.fake.dialogs.count(QStringLiteral("color")), 1);
        QCOMPARE(app.fake.dialogs.count(QStringLiteral("question")), 0);
        QCOMPARE(*app.fake.dialogs.lastColorCurrent, swatchBefore);
        QVERIFY(!swatch->Transparent());
        QCOMPARE(ColorOf(swatch), accept ? kChosenColor : swatchBefore);
        for (int i = 0; i < r.targets.size(); ++i) {
            QWidget* w = W(f, r.targets[i]);
            const TargetState now = StateOf(w);
            switch (r.kind) {
                case Kind::Board:
                case Kind::Panel:
                case Kind::Boxes:
                    // Detached from the container, showing the chosen colour or the one it
                    // showed before.
                    QCOMPARE(now,
                             (TargetState{accept ? kChosenColor : before[i].color, false, false}));
                    break;
                case Kind::BoardAlert:
                    // Only the swatch takes the colour; the board waits for the warning or the
                    // time-up, but no longer follows the window.
                    QCOMPARE(now, (TargetState{board, false, false}));
                    break;
                case Kind::PrepBoxes:
                    QCOMPARE(now, (TargetState{accept ? kChosenColor : before[i].color,
                                               accept ? false : before[i].parentColor, false}));
                    break;
                case Kind::Frame:
                    // The frame shows: the label paints its background.
                    QCOMPARE(now,
                             (TargetState{accept ? kChosenColor : before[i].color, false, false}));
                    break;
            }
        }
    } else {
        QCOMPARE(app.fake.dialogs.texts(QStringLiteral("question")),
                 QStringList{QString::fromUtf8(r.question)});
        QCOMPARE(app.fake.dialogs.count(QStringLiteral("color")), 0);
        QCOMPARE(ColorOf(swatch), swatchBefore);
        if (!accept) {
            // No: nothing changes.
            QVERIFY(swatch->Transparent());
            for (int i = 0; i < r.targets.size(); ++i)
                QCOMPARE(StateOf(W(f, r.targets[i])), before[i]);
        } else {
            QVERIFY(swatch->Transparent());
            for (const QString& t : r.targets) {
                QWidget* w = W(f, t);
                if (r.kind == Kind::Frame) {
                    QVERIFY(w->property("Transparent").toBool());
                } else {
                    QVERIFY2(w->property("ParentColor").toBool(), qPrintable(t));
                    // It shows its container's colour (the main window's for the board).
                    const TColor container =
                        t == QStringLiteral("Panel1") ? clr::BtnFace : ColorOf(w->parentWidget());
                    QCOMPARE(ColorOf(w), container);
                }
            }
        }
    }
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("error")).isEmpty());
}

// A see-through clock panel blends into the display until OK gives it the swatch colour.
void FontsColoursTest::seeThroughPanelGetsItsColourBackAtOk() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    f->Label47->setColor(clr::Teal);
    f->CheckBox22->setChecked(false);
    app.fake.dialogs.answers = {true};
    f->Label47Click();
    QCOMPARE(ColorOf(f->Panel3), ColorOf(f->Panel1));
    f->Panel1->setColor(clr::Navy);
    QCOMPARE(ColorOf(f->Panel3), clr::Navy);
    f->BitBtn6Click();
    QCOMPARE(ColorOf(f->Panel3), clr::Teal);
    QVERIFY(!f->Panel3->ParentColor());
    QCOMPARE(f->Settings.clockPanelColor, clr::Teal);
}

// A cancelled dialog leaves the clock and timer boxes detached from their panel, while the
// preparation boxes keep following theirs.
void FontsColoursTest::cancelledDigitRowsKeepTheirColour() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    // All three rows follow their panels first.
    for (QCheckBox* c : {f->CheckBox38, f->CheckBox39, f->CheckBox40})
        c->setChecked(false);
    app.fake.dialogs.answers = {true, true, true};
    f->Label27Click();
    f->Label28Click();
    f->Label29Click();
    for (TEdit* e : {f->Edit13, f->Edit25, f->Edit1, f->Edit17})
        QVERIFY(e->ParentColor());
    // Ticked again, each dialog cancelled.
    for (QCheckBox* c : {f->CheckBox38, f->CheckBox39, f->CheckBox40})
        c->setChecked(true);
    f->Label27Click();
    f->Label28Click();
    f->Label29Click();
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("color")), 3);
    const TColor clockBefore = ColorOf(f->Panel3);
    const TColor mainBefore = ColorOf(f->Panel4);
    f->Panel3->setColor(clr::Red);
    f->Panel4->setColor(clr::Red);
    f->Panel5->setColor(clr::Red);
    for (TEdit* e : f->ClockBoxes())
        QCOMPARE(e->Color(), clockBefore);
    for (TEdit* e : f->TimerBoxes())
        QCOMPARE(e->Color(), mainBefore);
    for (TEdit* e : f->PrepBoxes())
        QCOMPARE(e->Color(), clr::Red);
    // What is stored at OK is the colour the boxes show.
    f->Panel5->setColor(clr::Olive);
    f->CollectSettings();
    QCOMPARE(f->Settings.clockFrameColor, clockBefore);
    QCOMPARE(f->Settings.mainFrameColor, mainBefore);
    QCOMPARE(f->Settings.prepFrameColor, clr::Olive);
}

// ---- transparency ------------------------------------------------------------------------------

void FontsColoursTest::transparency() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    QVERIFY(!f->CheckBox42->isChecked());
    QCOMPARE(f->Opacity(), 255);
    // Unticked, the bar does nothing.
    f->TrackBar1->setValue(100);
    QCOMPARE(f->Opacity(), 255);
    // Ticking does nothing by itself.
    f->CheckBox42->setChecked(true);
    QCOMPARE(f->Opacity(), 255);
    f->TrackBar1->setValue(180);
    QCOMPARE(f->Opacity(), 180);
    QCOMPARE(qRound(f->windowOpacity() * 255), 180);
    // Unticking keeps the last opacity.
    f->CheckBox42->setChecked(false);
    f->TrackBar1->setValue(40);
    QCOMPARE(f->Opacity(), 180);
    // Down to nothing: the whole window is invisible.
    f->CheckBox42->setChecked(true);
    f->TrackBar1->setValue(0);
    QCOMPARE(f->Opacity(), 0);
    QCOMPARE(f->windowOpacity(), 0.0);
    f->TrackBar1->setValue(255);
    QCOMPARE(f->Opacity(), 255);
    // Applied settings with the box ticked set the opacity from the stored level.
    f->TrackBar1->setValue(120);
    f->BitBtn6Click();
    QCOMPARE(f->Settings.transparencyOn, 1);
    QCOMPARE(f->Settings.transparencyLevel, 120);
    app.destroy();
    app.create();
    QCOMPARE(app->Opacity(), 120);
}

void FontsColoursTest::opacityUntouchedByApplyingSettings_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("OK") << QStringLiteral("OK");
    QTest::newRow("Default") << QStringLiteral("Default");
    QTest::newRow("Cancel") << QStringLiteral("Cancel");
}

void FontsColoursTest::opacityUntouchedByApplyingSettings() {
    QFETCH(QString, command);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    f->CheckBox42->setChecked(true);
    f->TrackBar1->setValue(150);
    f->CheckBox42->setChecked(false);
    f->TrackBar1->setValue(60);
    if (command == QStringLiteral("OK")) f->BitBtn6->click();
    if (command == QStringLiteral("Default")) f->BitBtn26->click();
    if (command == QStringLiteral("Cancel")) f->BitBtn27->click();
    QCOMPARE(f->Opacity(), 150);
    QVERIFY(!f->CheckBox42->isChecked());
}

// ---- position boxes ----------------------------------------------------------------------------

void FontsColoursTest::positionChecks_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("reset");
    const struct {
        const char* box;
        const char* reset;
    } rows[] = {{"Edit42", "256"}, {"Edit43", "518"}, {"Edit57", "1"},   {"Edit58", "1"},
                {"Edit61", "128"}, {"Edit62", "8"},   {"Edit63", "128"}, {"Edit64", "328"},
                {"Edit65", "128"}, {"Edit66", "328"}, {"Edit45", "38"},  {"Edit53", "12"}};
    for (const auto& r : rows)
        QTest::newRow(r.box) << QString::fromLatin1(r.box) << QString::fromLatin1(r.reset);
}

// Each position box takes digits only: anything else puts in its reset text with the message,
// and no other box is touched.
void FontsColoursTest::positionChecks() {
    QFETCH(QString, box);
    QFETCH(QString, reset);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    f->setGeometry(0, 0, 1024, 738);
    f->show();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowExposed(f));
    f->SpeedButton2Click();
    auto* edit = qobject_cast<TEdit*>(W(f, box));
    QStringList others, othersBefore;
    for (const char* name : {"Edit42", "Edit43", "Edit57", "Edit58", "Edit61", "Edit62", "Edit63",
                             "Edit64", "Edit65", "Edit66", "Edit45", "Edit53"}) {
        if (QString::fromLatin1(name) == box) continue;
        others << QString::fromLatin1(name);
        othersBefore << qobject_cast<TEdit*>(W(f, QString::fromLatin1(name)))->text();
    }
    const QPoint labelPlace = f->Label45->pos();

    // Digits, blanks around them and an empty box pass.
    for (const QString& good : {QStringLiteral("300"), QStringLiteral(" 42 "), QString()}) {
        edit->setText(good);
        QCOMPARE(edit->text(), good);
    }
    QCOMPARE(app.fake.dialogs.log.size(), 0);

    // Typed: a digit, then a letter.
    edit->setText(QString());
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("3x"));
    QCOMPARE(edit->text(), reset);
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")), QStringList{kIllegal});
    QVERIFY(edit->hasFocus());
    // A minus sign or a full-width digit is no digit either.
    for (const QString& bad : {QStringLiteral("-5"), QStringLiteral("１2")}) {
        app.fake.dialogs.clear();
        edit->setText(bad);
        QCOMPARE(edit->text(), reset);
        QCOMPARE(app.fake.dialogs.texts(QStringLiteral("information")), QStringList{kIllegal});
    }
    QStringList othersAfter;
    for (const QString& name : others)
        othersAfter << qobject_cast<TEdit*>(W(f, name))->text();
    QCOMPARE(othersAfter, othersBefore);
    // Typing a position moves nothing at once.
    QCOMPARE(f->Label45->pos(), labelPlace);
    QVERIFY(app.fake.dialogs.texts(QStringLiteral("error")).isEmpty());
    f->hide();
}

// The typed positions move their controls when the settings are applied.
void FontsColoursTest::positionsTakeEffectAtOk() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    f->Edit42->setText(QStringLiteral("300"));
    f->Edit43->setText(QStringLiteral("450"));
    f->Edit61->setText(QStringLiteral("140"));
    f->Edit62->setText(QStringLiteral("20"));
    QCOMPARE(f->Label45->pos(), QPoint(256, 518));
    QCOMPARE(f->Panel3->pos(), QPoint(128, 8));
    f->BitBtn6Click();
    QCOMPARE(f->Label45->pos(), QPoint(300, 450));
    QCOMPARE(f->Panel3->pos(), QPoint(140, 20));
}

QTEST_MAIN(FontsColoursTest)
#include "behaviour_fonts_colours.moc"
