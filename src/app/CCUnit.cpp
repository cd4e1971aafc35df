#include "app/CCUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSysInfo>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "app/Glyphs.h"
#include "app/SiteDialog.h"
#include "app/Wiring.h"
#include "clock/wnlp.h"
#include "core/Files.h"
#include "plan/PlanWindow.h"
#include "platform/Guard.h"
#include "presentation/AboutUnit.h"
#include "presentation/HelpUnit.h"
#include "presentation/InputChecks.h"
#include "presentation/Unit4.h"

// The resources (the guide, the about picture) are in a library: they are brought in here, at
// global scope, as Qt requires.
static void InitResources() {
    Q_INIT_RESOURCE(kvtmr);
}

TForm1Controls::TForm1Controls(QWidget* parent) : QMainWindow(parent) {
    InitResources();
    {
        const DesignFontScope pixelFonts;
        setupUi(this);
    }
    ConvertDesignFonts(this);
    // The menu's separator keeps its name N14; a form holds a named separator only as a
    // plain action.
    N14->setSeparator(true);
    // The drop-down menus are windows of their own, which do not take the form's font by
    // themselves: their items are drawn in the menu bar's font.
    for (QMenu* menu : MainMenu1->findChildren<QMenu*>())
        menu->setFont(MainMenu1->font());
    RichEdit1->setPlainText(HelpText());
    for (TLabel* label : findChildren<TLabel*>())
        label->adjustBounds();
}

TForm1::TForm1(Platform& platform_, QWidget* parent)
    : TForm1Controls(parent),
      platform(platform_),
      Timer1(new TTimer(*platform.time, TTimer::Mode::Steady, QStringLiteral("Timer1"), this)),
      Timer2(new TTimer(*platform.time, TTimer::Mode::Steady, QStringLiteral("Timer2"), this)),
      Timer3(new TTimer(*platform.time, TTimer::Mode::WallSecond, QStringLiteral("Timer3"), this)),
      MediaPlayer1(platform.player1),
      MediaPlayer2(platform.player2),
      reports_(*platform.dialogs, this),
      openDialog_(*platform.dialogs),
      sound_({*MediaPlayer1, *MediaPlayer2, *platform.dialogs, reports_, openDialog_,
              platform.soundDir, platform.output},
             Settings, SoundWires(*this)),
      prompts_(StatusBar1, Label45),
      fonts_(this, Panel1, Panel2, *platform.dialogs, platform.screens),
      colours_(this, *platform.dialogs, ColourWires(*this)),
      help_(RichEdit1, this, platform.screens),
      mainDisplay_(MainDisplayWires(*this), *Timer1, sound_, *platform.dialogs),
      prepDisplay_(PrepDisplayWires(*this), *Timer2, sound_, *platform.dialogs),
      mainTimer_(mainDisplay_, *Timer1, sound_, prompts_, Settings, *platform.dialogs, reports_,
                 MainTimerWires(*this)),
      prepTimer_(prepDisplay_, *Timer2, mainTimer_, sound_, prompts_, Settings, *platform.dialogs,
                 PrepTimerWires(*this)),
      keeper_(*platform.time, *platform.dialogs, platform.log, mainTimer_, prepTimer_),
      planRunner_({*platform.time, mainTimer_, prepTimer_}, PlanRunnerWires(*this)),
      clock_({*platform.time, *platform.dialogs, reports_, openDialog_, *platform.launcher,
              *platform.session},
             mainTimer_, sound_, prompts_, Settings, ClockWires(*this)),
      binding_(this, Settings),
      settingsPanel_({binding_, mainTimer_, prepTimer_, sound_, clock_, colours_}, Settings,
                     SettingsPanelWires(*this)),
      panels_(*Timer1, sound_, Settings, platform.screens, PanelWires(this, *this)),
      mainSeconds(mainTimer_.seconds()),
      prepSeconds(prepTimer_.seconds()),
      alertState(mainTimer_.alertState()),
      intervalLimit(mainTimer_.intervalLimit()),
      warningSeconds(mainTimer_.warningSeconds()),
      intervalSeconds(mainTimer_.intervalSeconds()),
      scheduledTextSeconds(clock_.scheduledTextSeconds()),
      mainCountUpTarget(mainTimer_.countUpTarget()),
      prepCountUpTarget(prepTimer_.countUpTarget()) {
    wireSubsystems();
    const QString digits = QStringLiteral("00");
    const QString character = QStringLiteral("示");
    fonts_.setSamples({
        {BitBtn29, QStringLiteral("计时字"), digits, GroupBox6, Edit1},
        {BitBtn35, QStringLiteral("预备计时字"), digits, GroupBox6, Edit17},
        {BitBtn40, QStringLiteral("时钟字"), digits, GroupBox6, Edit25},
        {BitBtn28, QStringLiteral("标题字"), character, GroupBox3, Label44},
        {BitBtn25, QStringLiteral("提示字"), character, GroupBox3, Label45},
        {BitBtn38, QStringLiteral("定时提示字"), character, GroupBox7, Label52},
    });

    StatusBar1->setFixedHeight(19);
    ToolBar1->installEventFilter(this);
    centralWidget()->installEventFilter(this);
    Panel2->installEventFilter(this);
    Panel1->installEventFilter(this);
    // The display itself holds the focus at first, so that no digit box shows a selection.
    Panel1->setFocusPolicy(Qt::StrongFocus);
    Panel1->setFocus();
    Panel2->setFocusPolicy(Qt::StrongFocus);
    setupGlyphs();
    // The title with a session's times may be wider than the display: drawn smaller, whole.
    Label44->setShrinkToFit(true);
    // The session log's folder, under 帮助 after the help.
    auto* logFolder = new QAction(QStringLiteral("计时记录"), this);
    logFolder->setObjectName(QStringLiteral("N28"));
    logFolder->setToolTip(
        QStringLiteral("打开计时记录所在的文件夹：每次计时的开始、暂停、到点等时刻"));
    N8->insertAction(N10, logFolder);
    // The display's controls as the form places them: from here on they are laid out at the
    // display's scale.
    surface_ = new DesignSurface(Panel1, kDesignContent);
    surface_->canvas = [this] { return DisplayCanvas(); };
    surface_->adopt();
    layoutClientArea();
    // The settings panel scrolls under the tool bar where the window is too low for it.
    ToolBar1->raise();
    settingsScroll_ = new SettingsScroll(centralWidget(), Panel2, QPoint(5, 32), 29);
    // The screen the display fills: chosen in the menu 系统, under its own submenu.
    auto* screensMenu = new QMenu(QStringLiteral("显示屏幕"), N1);
    screensMenu->setObjectName(QStringLiteral("N27"));
    screensMenu->setFont(MainMenu1->font());
    N1->insertMenu(N14, screensMenu);
    // The day's plan, under 系统 after the screens: the given items keep their places.
    auto* plan = new QAction(QStringLiteral("考试安排"), this);
    plan->setObjectName(QStringLiteral("N29"));
    plan->setToolTip(QStringLiteral("一天（或一周）的各场考试：到点自动开始预备和计时"));
    N1->insertAction(N14, plan);
    // The display out of this window onto a screen of its own and back, after the plan: the
    // given items keep their places. F11 works also while the menu bar is away (the concise
    // display).
    auto* swap = new QAction(QStringLiteral("全屏显示切换"), this);
    swap->setObjectName(QStringLiteral("N30"));
    swap->setToolTip(
        QStringLiteral("在全屏显示与操作窗口之间切换：只有一个屏幕时显示铺满整个屏幕，"
                       "有投影屏幕时显示回到或离开操作窗口"));
    swap->setShortcut(QKeySequence(Qt::Key_F11));
    swap->setShortcutContext(Qt::WindowShortcut);
    N1->insertAction(N14, swap);
    addAction(swap);
    // The exam-site link, after the swap: the given items keep their places.
    auto* site = new QAction(QStringLiteral("考点联网"), this);
    site->setObjectName(QStringLiteral("N31"));
    site->setToolTip(QStringLiteral("连接考点的考务中心：报告本考场的计时，接收考试安排和指令"));
    N1->insertAction(N14, site);
    // Every control and menu item is there: each gets its handler.
    bindHandlers();
    if (platform.screens) {
        audience_ = new AudienceScreen(this, *platform.screens, screensMenu);
        audience_->notRemembered = [this](const QString& message) {
            platform.dialogs->information(message);
        };
        audience_->whileMoving = [this](const std::function<void()>& move) {
            const QScopedValueRollback<bool> moving(movingScreens_, true);
            move();
            restoring_.invalidate();
            restoreTimer_.stop();
        };
        // The display's own window for the audience's screen.
        audienceWindow_ = std::make_unique<AudienceWindow>(Panel1, this);
        audienceWindow_->shownPart = [this] { return DisplayPart(); };
        audience_->setDisplayWindow(audienceWindow_.get());
        // A click on it brings this window forward; over the only screen, it ends the full
        // display.
        connect(audienceWindow_.get(), &AudienceWindow::clicked, this, [this] {
            if (platform.screens->screens().size() < 2) {
                audience_->swapDisplay();
                return;
            }
            raise();
            activateWindow();
        });
    }
    platform.dialogs->setOwner(this);

    restoreTimer_.setInterval(50);
    connect(&restoreTimer_, &QTimer::timeout, this, &TForm1::placeRestoredWindow);

    Timer3->setEnabled(true);
}

TForm1::~TForm1() {
    if (platform.log) platform.log->setProblemHandler(nullptr);
}

void TForm1::attachWindows(TForm2* help, TForm3* about, Twnl* calendar, TForm4* fontSample) {
    Form2 = help;
    Form3 = about;
    wnl = calendar;
    Form4 = fontSample;
    help_.setWindows(help, about);
    panels_.setCalendar(calendar);
    fonts_.setSampleWindow(fontSample);
    // The font sample belongs to this window, so that it stays above it (a font dialog that
    // closes gives this window the focus back and raises it).
    if (Form4) Form4->setParent(this, Form4->windowFlags());
}

void TForm1::showOnAudienceScreen() {
    options_ = std::make_unique<Options>(QDir(windowsDir).filePath(kOptionsFileName));
    if (audience_) {
        audience_->setOptions(options_.get());
        audience_->place();
    }
    showMaximized();
    if (audience_) audience_->showDisplay();
}

void TForm1::N30Click() {
    if (audience_) audience_->swapDisplay();
}

QRect TForm1::DisplayPart() const {
    if (!surface_) return Panel1->rect();
    const DisplayScale& scale = surface_->scale();
    const QSize canvas = DisplayCanvas();
    QRect part(QPoint(qRound(scale.offset.x()), qRound(scale.offset.y())),
               QSize(qRound(canvas.width() * scale.s), qRound(canvas.height() * scale.s)));
    part |= Panel1->childrenRect();
    return part & Panel1->rect();
}

QString TForm1::SettingsFilePath() const {
    return QDir(windowsDir).filePath(QStringLiteral("kvtmr201.ini"));
}

bool TForm1::Run(void (TForm1::*handler)()) {
    return Guarded(*platform.dialogs, [&] { (this->*handler)(); });
}

// A timer slot that fails shows its message after the slot has returned, so the timers keep
// ticking while the message is on screen, and the same failure every second stacks no boxes.
// Whatever it throws stays inside the tick.
void TForm1::RunTick(void (TForm1::*handler)()) {
    QString message;
    if (!CatchError([&] { (this->*handler)(); }, message)) reports_.later(message);
}

void TForm1::CheckNumberBox(TEdit* box, const QString& resetText) {
    ::CheckNumberBox(box, resetText, *platform.dialogs);
}

// ---- the font buttons -------------------------------------------------------------------------

void TForm1::BitBtn29Click() {
    fonts_.HideSample();
    fonts_.ChooseFont(Edit1, {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8});
}

void TForm1::BitBtn35Click() {
    fonts_.ChooseFont(Edit17, {Edit17, Edit18, Edit19, Edit20, Edit21, Edit22, Edit23, Edit24});
}

void TForm1::BitBtn40Click() {
    fonts_.ChooseFont(Edit25, {Edit25, Edit26, Edit27, Edit28, Edit31});
}

// ---- layout of the client area --------------------------------------------------------------

void TForm1::layoutClientArea() {
    QWidget* client = centralWidget();
    const int w = client->width();
    const int h = client->height();
    int top = 0;
    if (ToolBar1->isVisibleTo(this)) {
        ToolBar1->setGeometry(0, 0, w, 29);
        top = 29;
    }
    Panel1->setGeometry(0, top, w, qMax(0, h - top));
    if (surface_) surface_->relayout();
}

// The display as the form has it on a 1024 × 768 screen: the whole width, the height left by
// the bars that show now.
QSize TForm1::DisplayCanvas() const {
    int bars = 0;
    if (MainMenu1->isVisibleTo(this)) bars += MainMenu1->sizeHint().height();
    if (ToolBar1->isVisibleTo(this)) bars += ToolBar1->height();
    if (StatusBar1->isVisibleTo(this)) bars += StatusBar1->height();
    return QSize(kDesignScreen.width(), kDesignScreen.height() - bars);
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || movingScreens_) return;
    if (panels_.ConciseMoving(windowState())) return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    // Restored from maximised by the operator or the window manager. (The concise display's
    // full screen, when it ends, gives the window back the state it had before by itself.)
    const Qt::WindowStates full = Qt::WindowMaximized | Qt::WindowFullScreen;
    if ((change->oldState() & Qt::WindowMaximized) &&
        !(windowState() & (full | Qt::WindowMinimized))) {
        // The window manager goes on placing the window, and tells its frame, for a moment
        // after the state has changed: the place is set again until that is over.
        restoring_.start();
        placeRestoredWindow();
        restoreTimer_.start();
    }
}

// Restored from maximised, the window takes the form's size (1024 x 738, its frame included)
// on its screen, title bar and all.
void TForm1::placeRestoredWindow() {
    if (restoring_.isValid() && restoring_.elapsed() > kRestoreSettleMs) {
        restoring_.invalidate();
        restoreTimer_.stop();
        return;
    }
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) return;
    const QScreen* s = screen();
    if (!s) return;
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    const QSize outer = kDesignWindowSize.boundedTo(area.size());
    const QPoint corner(area.left() + (area.width() - outer.width()) / 2,
                        area.top() + (area.height() - outer.height()) / 2);
    const QRect target = QRect(corner, outer).marginsRemoved(margins);
    if (client != target) setGeometry(target);
}

// The display is laid out for the size the window has once it is on screen (it may have been
// given its size while hidden, on its way to another screen).
void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    layoutClientArea();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutClientArea();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const bool shownOrHidden =
        event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent;
    if (watched == ToolBar1 && shownOrHidden) layoutClientArea();
    if (watched == Panel2 && shownOrHidden)
        settingsPanelShown(event->type() == QEvent::ShowToParent);
    if (watched == Panel1 && !Panel1->isEnabled() && coveredDisplayClick(event)) return true;
    return QMainWindow::eventFilter(watched, event);
}

// The display covered by the settings panel is disabled and takes no click itself; the mouse
// buttons still reach it, and a click on a bare spot of it beside the panel (no control of the
// display there) is the bare display's click, as when nothing covers it.
bool TForm1::coveredDisplayClick(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (Panel1->childAt(mouse->position().toPoint())) return false;
    if (type == QEvent::MouseButtonPress)
        coveredClick_.press(mouse);
    else if (coveredClick_.release(Panel1, mouse))
        Q_EMIT Panel1->Click();
    return true;
}

// While the settings panel is open, the keys and the focus are its own: the display it covers
// takes no focus and none of its accelerators (so Alt+R and Alt+C are 默认 and 取消 in every
// usage mode, and no key reaches a covered button); only its bare strips beside the panel take
// a click (coveredDisplayClick).
void TForm1::settingsPanelShown(bool shown) {
    Panel1->setEnabled(!shown);
    if (shown) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || !Panel2->isAncestorOf(focus)) Panel2->setFocus(Qt::OtherFocusReason);
        if (settingsScroll_) settingsScroll_->toTop();
    } else {
        // The font sample belongs to the panel's font buttons: it goes with the panel.
        fonts_.HideSample();
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus == Panel2 || Panel2->isAncestorOf(focus))
            Panel1->setFocus(Qt::OtherFocusReason);
    }
}

// ---- glyphs ---------------------------------------------------------------------------------

void TForm1::setupGlyphs() {
    setWindowIcon(MakeGlyph(Glyph::App));
    const struct {
        QAbstractButton* button;
        Glyph glyph;
    } glyphs[] = {
        {SpeedButton1, Glyph::Exit},     {SpeedButton2, Glyph::Settings},
        {SpeedButton8, Glyph::Clock},    {SpeedButton21, Glyph::Timer},
        {SpeedButton9, Glyph::Prep},     {SpeedButton18, Glyph::Music},
        {SpeedButton19, Glyph::Concise}, {SpeedButton20, Glyph::Calendar},
        {SpeedButton11, Glyph::Set},     {SpeedButton10, Glyph::Clear},
        {SpeedButton3, Glyph::Reset},    {SpeedButton4, Glyph::Pause},
        {SpeedButton5, Glyph::Start},    {SpeedButton16, Glyph::Set},
        {SpeedButton15, Glyph::Clear},   {SpeedButton12, Glyph::Reset},
        {SpeedButton13, Glyph::Pause},   {SpeedButton14, Glyph::Start},
        {SpeedButton6, Glyph::Help},     {SpeedButton7, Glyph::About},
        {BitBtn1, Glyph::Set},           {BitBtn15, Glyph::Clear},
        {BitBtn3, Glyph::Reset},         {BitBtn5, Glyph::Pause},
        {BitBtn2, Glyph::Start},         {BitBtn11, Glyph::Set},
        {BitBtn16, Glyph::Clear},        {BitBtn12, Glyph::Reset},
        {BitBtn13, Glyph::Pause},        {BitBtn14, Glyph::Start},
    };
    for (const auto& g : glyphs) {
        g.button->setIcon(MakeGlyph(g.glyph));
        g.button->setIconSize(QSize(16, 16));
    }
}

// ---- bindings -------------------------------------------------------------------------------

// One handler serves a panel button, its tool-bar twin and its menu item; every binding of
// the window is in this table.
const QList<TForm1::Binding>& TForm1::Bindings() {
    using E = Event;
    // clang-format off
    static const QList<Binding> table = {
        // start-up and shut-down
        {"SpeedButton1", E::Click, &TForm1::SpeedButton1Click},
        {"N3", E::Click, &TForm1::SpeedButton1Click},
        // panels and display modes
        {"Panel1", E::Click, &TForm1::Image2Click},
        {"Image2", E::Click, &TForm1::Image2Click},
        {"SpeedButton19", E::Click, &TForm1::Image2Click},
        {"N24", E::Click, &TForm1::Image2Click},
        {"SpeedButton2", E::Click, &TForm1::SpeedButton2Click},
        {"N2", E::Click, &TForm1::SpeedButton2Click},
        {"Image3", E::Click, &TForm1::Image3Click},
        {"SpeedButton8", E::Click, &TForm1::Image3Click},
        {"N11", E::Click, &TForm1::Image3Click},
        {"SpeedButton21", E::Click, &TForm1::SpeedButton21Click},
        {"N26", E::Click, &TForm1::SpeedButton21Click},
        {"Image6", E::Click, &TForm1::SpeedButton21Click},
        {"Image4", E::Click, &TForm1::Image4Click},
        {"SpeedButton9", E::Click, &TForm1::Image4Click},
        {"N12", E::Click, &TForm1::Image4Click},
        {"Image5", E::Click, &TForm1::Image5Click},
        {"SpeedButton20", E::Click, &TForm1::SpeedButton20Click},
        {"N25", E::Click, &TForm1::SpeedButton20Click},
        // settings panel
        {"BitBtn6", E::Click, &TForm1::BitBtn6Click},
        {"BitBtn26", E::Click, &TForm1::BitBtn26Click},
        {"BitBtn27", E::Click, &TForm1::BitBtn27Click},
        // main timer
        {"BitBtn1", E::Click, &TForm1::SpeedButton16Click},
        {"SpeedButton16", E::Click, &TForm1::SpeedButton16Click},
        {"N20", E::Click, &TForm1::SpeedButton16Click},
        {"BitBtn15", E::Click, &TForm1::BitBtn15Click},
        {"SpeedButton15", E::Click, &TForm1::BitBtn15Click},
        {"N13", E::Click, &TForm1::BitBtn15Click},
        {"BitBtn3", E::Click, &TForm1::BitBtn3Click},
        {"SpeedButton12", E::Click, &TForm1::BitBtn3Click},
        {"N5", E::Click, &TForm1::BitBtn3Click},
        {"BitBtn5", E::Click, &TForm1::BitBtn5Click},
        {"SpeedButton13", E::Click, &TForm1::BitBtn5Click},
        {"N6", E::Click, &TForm1::BitBtn5Click},
        {"BitBtn2", E::Click, &TForm1::BitBtn2Click},
        {"SpeedButton14", E::Click, &TForm1::BitBtn2Click},
        {"N7", E::Click, &TForm1::BitBtn2Click},
        // preparation timer
        {"BitBtn11", E::Click, &TForm1::SpeedButton11Click},
        {"SpeedButton11", E::Click, &TForm1::SpeedButton11Click},
        {"N21", E::Click, &TForm1::SpeedButton11Click},
        {"BitBtn16", E::Click, &TForm1::BitBtn16Click},
        {"SpeedButton10", E::Click, &TForm1::BitBtn16Click},
        {"N19", E::Click, &TForm1::BitBtn16Click},
        {"BitBtn12", E::Click, &TForm1::BitBtn12Click},
        {"SpeedButton3", E::Click, &TForm1::BitBtn12Click},
        {"N18", E::Click, &TForm1::BitBtn12Click},
        {"BitBtn13", E::Click, &TForm1::BitBtn13Click},
        {"SpeedButton4", E::Click, &TForm1::BitBtn13Click},
        {"N17", E::Click, &TForm1::BitBtn13Click},
        {"BitBtn14", E::Click, &TForm1::BitBtn14Click},
        {"SpeedButton5", E::Click, &TForm1::BitBtn14Click},
        {"N16", E::Click, &TForm1::BitBtn14Click},
        // time fields of the main display
        {"Edit1", E::Change, &TForm1::Edit1Change},
        {"Edit2", E::Change, &TForm1::Edit2Change},
        {"Edit4", E::Change, &TForm1::Edit4Change},
        {"Edit5", E::Change, &TForm1::Edit5Change},
        {"Edit7", E::Change, &TForm1::Edit7Change},
        {"Edit8", E::Change, &TForm1::Edit8Change},
        {"Edit1", E::Click, &TForm1::Edit1Click},
        {"Edit2", E::Click, &TForm1::Edit2Click},
        {"Edit4", E::Click, &TForm1::Edit4Click},
        {"Edit5", E::Click, &TForm1::Edit5Click},
        {"Edit7", E::Click, &TForm1::Edit7Click},
        {"Edit8", E::Click, &TForm1::Edit8Click},
        {"Edit1", E::KeyDown, &TForm1::Edit1KeyDown},
        {"Edit2", E::KeyDown, &TForm1::Edit2KeyDown},
        {"Edit4", E::KeyDown, &TForm1::Edit4KeyDown},
        {"Edit5", E::KeyDown, &TForm1::Edit5KeyDown},
        {"Edit7", E::KeyDown, &TForm1::Edit7KeyDown},
        {"Edit8", E::KeyDown, &TForm1::Edit8KeyDown},
        {"Edit3", E::Click, &TForm1::Edit3Click},
        {"Edit6", E::Click, &TForm1::Edit6Click},
        // time fields of the preparation display
        {"Edit17", E::Change, &TForm1::Edit17Change},
        {"Edit18", E::Change, &TForm1::Edit18Change},
        {"Edit20", E::Change, &TForm1::Edit20Change},
        {"Edit21", E::Change, &TForm1::Edit21Change},
        {"Edit23", E::Change, &TForm1::Edit23Change},
        {"Edit24", E::Change, &TForm1::Edit24Change},
        {"Edit17", E::Click, &TForm1::Edit17Click},
        {"Edit18", E::Click, &TForm1::Edit18Click},
        {"Edit20", E::Click, &TForm1::Edit20Click},
        {"Edit21", E::Click, &TForm1::Edit21Click},
        {"Edit23", E::Click, &TForm1::Edit23Click},
        {"Edit24", E::Click, &TForm1::Edit24Click},
        {"Edit17", E::KeyDown, &TForm1::Edit17KeyDown},
        {"Edit18", E::KeyDown, &TForm1::Edit18KeyDown},
        {"Edit20", E::KeyDown, &TForm1::Edit20KeyDown},
        {"Edit21", E::KeyDown, &TForm1::Edit21KeyDown},
        {"Edit23", E::KeyDown, &TForm1::Edit23KeyDown},
        {"Edit24", E::KeyDown, &TForm1::Edit24KeyDown},
        {"Edit19", E::Click, &TForm1::Edit19Click},
        {"Edit22", E::Click, &TForm1::Edit22Click},
        // duration boxes
        {"Edit9", E::Change, &TForm1::Edit9Change},
        {"Edit10", E::Change, &TForm1::Edit10Change},
        {"Edit12", E::Change, &TForm1::Edit12Change},
        {"Edit11", E::Change, &TForm1::Edit11Change},
        {"Edit59", E::Change, &TForm1::Edit59Change},
        // schedule boxes and browse buttons
        {"Edit47", E::Change, &TForm1::Edit47Change},
        {"Edit48", E::Change, &TForm1::Edit48Change},
        {"Edit49", E::Change, &TForm1::Edit49Change},
        {"Edit50", E::Change, &TForm1::Edit50Change},
        {"Edit51", E::Change, &TForm1::Edit51Change},
        {"Edit52", E::Change, &TForm1::Edit52Change},
        {"BitBtn37", E::Click, &TForm1::BitBtn37Click},
        {"BitBtn39", E::Click, &TForm1::BitBtn39Click},
        {"BitBtn36", E::Click, &TForm1::BitBtn36Click},
        // sounds
        {"SpeedButton18", E::Click, &TForm1::SpeedButton18Click},
        {"N23", E::Click, &TForm1::SpeedButton18Click},
        {"BitBtn9", E::Click, &TForm1::BitBtn9Click},
        {"BitBtn8", E::Click, &TForm1::BitBtn8Click},
        {"BitBtn7", E::Click, &TForm1::BitBtn7Click},
        {"BitBtn10", E::Click, &TForm1::BitBtn10Click},
        {"BitBtn4", E::Click, &TForm1::BitBtn4Click},
        {"BitBtn18", E::Click, &TForm1::BitBtn18Click},
        {"BitBtn19", E::Click, &TForm1::BitBtn19Click},
        {"BitBtn21", E::Click, &TForm1::BitBtn21Click},
        {"BitBtn22", E::Click, &TForm1::BitBtn22Click},
        {"BitBtn23", E::Click, &TForm1::BitBtn23Click},
        {"BitBtn24", E::Click, &TForm1::BitBtn24Click},
        {"BitBtn20", E::Click, &TForm1::BitBtn20Click},
        // fonts and the font sample
        {"BitBtn28", E::Click, &TForm1::BitBtn28Click},
        {"BitBtn25", E::Click, &TForm1::BitBtn25Click},
        {"BitBtn38", E::Click, &TForm1::BitBtn38Click},
        {"BitBtn29", E::Click, &TForm1::BitBtn29Click},
        {"BitBtn35", E::Click, &TForm1::BitBtn35Click},
        {"BitBtn40", E::Click, &TForm1::BitBtn40Click},
        {"BitBtn29", E::MouseMove, &TForm1::BitBtn29MouseMove},
        {"BitBtn35", E::MouseMove, &TForm1::BitBtn35MouseMove},
        {"BitBtn40", E::MouseMove, &TForm1::BitBtn40MouseMove},
        {"BitBtn28", E::MouseMove, &TForm1::BitBtn28MouseMove},
        {"BitBtn25", E::MouseMove, &TForm1::BitBtn25MouseMove},
        {"BitBtn38", E::MouseMove, &TForm1::BitBtn38MouseMove},
        {"GroupBox3", E::MouseMove, &TForm1::GroupBox3MouseMove},
        {"GroupBox6", E::MouseMove, &TForm1::GroupBox6MouseMove},
        {"GroupBox7", E::MouseMove, &TForm1::GroupBox7MouseMove},
        // colours, transparency, positions
        {"Label41", E::Click, &TForm1::Label41Click},
        {"Label42", E::Click, &TForm1::Label42Click},
        {"Label43", E::Click, &TForm1::Label43Click},
        {"Label47", E::Click, &TForm1::Label47Click},
        {"Label48", E::Click, &TForm1::Label48Click},
        {"Label49", E::Click, &TForm1::Label49Click},
        {"Label27", E::Click, &TForm1::Label27Click},
        {"Label28", E::Click, &TForm1::Label28Click},
        {"Label29", E::Click, &TForm1::Label29Click},
        {"Label56", E::Click, &TForm1::Label56Click},
        {"Label57", E::Click, &TForm1::Label57Click},
        {"Label55", E::Click, &TForm1::Label55Click},
        {"TrackBar1", E::Change, &TForm1::TrackBar1Change},
        {"Edit42", E::Change, &TForm1::Edit42Change},
        {"Edit43", E::Change, &TForm1::Edit43Change},
        {"Edit57", E::Change, &TForm1::Edit57Change},
        {"Edit58", E::Change, &TForm1::Edit58Change},
        {"Edit61", E::Change, &TForm1::Edit61Change},
        {"Edit62", E::Change, &TForm1::Edit62Change},
        {"Edit63", E::Change, &TForm1::Edit63Change},
        {"Edit64", E::Change, &TForm1::Edit64Change},
        {"Edit65", E::Change, &TForm1::Edit65Change},
        {"Edit66", E::Change, &TForm1::Edit66Change},
        {"Edit45", E::Change, &TForm1::Edit45Change},
        {"Edit53", E::Change, &TForm1::Edit53Change},
        // help and about
        {"SpeedButton6", E::Click, &TForm1::SpeedButton6Click},
        {"N9", E::Click, &TForm1::SpeedButton6Click},
        {"SpeedButton7", E::Click, &TForm1::SpeedButton7Click},
        {"N10", E::Click, &TForm1::SpeedButton7Click},
        {"N28", E::Click, &TForm1::N28Click},
        {"N29", E::Click, &TForm1::N29Click},
        {"N30", E::Click, &TForm1::N30Click},
        {"N31", E::Click, &TForm1::N31Click},
    };
    // clang-format on
    return table;
}

void TForm1::bindHandlers() {
    for (const Binding& b : Bindings()) {
        QObject* control = findChild<QObject*>(QString::fromLatin1(b.control));
        Q_ASSERT_X(control, "TForm1::bindHandlers", b.control);
        if (!control) continue;
        auto handler = b.handler;
        auto run = [this, handler] { Run(handler); };
        switch (b.event) {
            case Event::Click:
                if (auto* action = qobject_cast<QAction*>(control))
                    connect(action, &QAction::triggered, this, run);
                else if (auto* edit = qobject_cast<TEdit*>(control))
                    connect(edit, &TEdit::Click, this, run);
                else if (auto* panel = qobject_cast<TPanel*>(control))
                    connect(panel, &TPanel::Click, this, run);
                else if (auto* label = qobject_cast<TLabel*>(control))
                    connect(label, &TLabel::Click, this, run);
                else if (auto* area = qobject_cast<TClickArea*>(control))
                    connect(area, &TClickArea::Click, this, run);
                else if (auto* button = qobject_cast<QAbstractButton*>(control))
                    connect(button, &QAbstractButton::clicked, this, run);
                break;
            case Event::Change:
                if (auto* edit = qobject_cast<TEdit*>(control))
                    connect(edit, &QLineEdit::textChanged, this, run);
                else if (auto* slider = qobject_cast<QSlider*>(control))
                    connect(slider, &QSlider::valueChanged, this, run);
                break;
            case Event::KeyDown:
                if (auto* edit = qobject_cast<TEdit*>(control))
                    connect(edit, &TEdit::KeyDown, this, run);
                break;
            case Event::MouseMove:
                if (auto* button = qobject_cast<TBitBtn*>(control))
                    connect(button, &TBitBtn::MouseMove, this, run);
                else if (auto* group = qobject_cast<TGroupBox*>(control))
                    connect(group, &TGroupBox::MouseMove, this, run);
                break;
        }
    }
    Timer1->OnTimer = [this] { RunTick(&TForm1::Timer1Timer); };
    Timer2->OnTimer = [this] { RunTick(&TForm1::Timer2Timer); };
    Timer3->OnTimer = [this] { RunTick(&TForm1::Timer3Timer); };
    // While either timer counts, the display stays awake and the machine does not sleep.
    auto inhibit = [this] {
        if (platform.inhibitor)
            platform.inhibitor->setInhibited(Timer1->Enabled() || Timer2->Enabled());
    };
    Timer1->OnEnabledChanged = inhibit;
    Timer2->OnEnabledChanged = inhibit;
}

// ---- the day's plan -----------------------------------------------------------------------------

void TForm1::N29Click() {
    if (!planWindow_) {
        planWindow_ = new PlanWindow(*platform.dialogs, *platform.time, this);
        connect(planWindow_, &PlanWindow::planAccepted, this,
                [this](const Plan& plan, bool enabled) {
                    planRunner_.setPlan(plan, enabled);
                    keeper_.note(QStringLiteral("考试安排已更新：%1场考试%2")
                                     .arg(plan.sessions.size())
                                     .arg(enabled ? QString() : QStringLiteral("（未启用）")));
                });
    }
    planWindow_->setPlan(planRunner_.plan(), planRunner_.enabled(), planRunner_.room());
    planWindow_->show();
    planWindow_->raise();
    planWindow_->activateWindow();
}

// ---- the exam-site link -------------------------------------------------------------------------

Options& TForm1::siteOptions() {
    if (!options_)
        options_ = std::make_unique<Options>(QDir(windowsDir).filePath(kOptionsFileName));
    return *options_;
}

void TForm1::startSiteLink() {
    if (!platform.siteLink) return;
    Options& options = siteOptions();
    const RoomLinkConfig config =
        RoomLinkConfig::FromValues([&options](const QString& key) { return options.value(key); });
    if (!config.enabled) {
        if (roomLink_) {
            roomLink_->close();
            keeper_.note(QStringLiteral("考点联网：已关闭"));
        }
        roomLink_.reset();
        return;
    }
    const QString problem = config.problem();
    if (!problem.isEmpty()) {
        roomLink_.reset();
        keeper_.note(QStringLiteral("考点联网：设置有误，未连接（%1）").arg(problem));
        showSiteStatus(QStringLiteral("考点联网设置有误，未连接"), true);
        return;
    }
    if (!roomLink_)
        roomLink_ = std::make_unique<RoomLink>(
            *platform.siteLink, *platform.time, platform.clockStatus, roomLinkHooks(),
            RoomLink::Identity{QStringLiteral("2.01"), QSysInfo::machineHostName()});
    planRunner_.setRoom(config.room);
    roomLink_->open(config, QDir(windowsDir).filePath(kSiteStateFileName));
}

QString TForm1::siteStatusText() const {
    return siteStatus_ && !siteStatus_->isHidden() ? siteStatus_->text() : QString();
}

// The link's line is the operator's: on the status bar of the operator's window, never on the
// display.
void TForm1::showSiteStatus(const QString& text, bool problem) {
    if (!siteStatus_) {
        if (text.isEmpty()) return;
        siteStatus_ = new QLabel(StatusBar1);
        siteStatus_->setObjectName(QStringLiteral("SiteLinkStatus"));
        siteStatus_->setAccessibleName(QStringLiteral("考点联网状态"));
        StatusBar1->addPermanentWidget(siteStatus_);
    }
    siteStatus_->setText(text);
    siteStatus_->setStyleSheet(problem ? QStringLiteral("color: red;") : QString());
    siteStatus_->setVisible(!text.isEmpty());
}

void TForm1::showIdentity(const QString& text, int ms) {
    if (!identityLabel_) {
        identityLabel_ = new QLabel(Panel1);
        identityLabel_->setObjectName(QStringLiteral("RoomIdentity"));
        identityLabel_->setAccessibleName(QStringLiteral("考场号"));
        identityLabel_->setAlignment(Qt::AlignCenter);
        identityLabel_->setStyleSheet(
            QStringLiteral("background-color: rgba(0, 0, 0, 200); color: yellow;"));
    }
    QFont font = identityLabel_->font();
    font.setBold(true);
    font.setPixelSize(qMax(24, Panel1->height() / 3));
    identityLabel_->setFont(font);
    identityLabel_->setText(text);
    identityLabel_->setGeometry(Panel1->rect());
    identityLabel_->show();
    identityLabel_->raise();
    if (identityCall_) platform.time->cancel(identityCall_);
    identityCall_ = platform.time->callAt(platform.time->monotonicMs() + ms, [this] {
        identityCall_ = 0;
        if (identityLabel_) identityLabel_->hide();
    });
}

void TForm1::N31Click() {
    if (!siteDialog_) {
        siteDialog_ = new SiteDialog(*platform.dialogs, platform.linkTester, this);
        siteDialog_->onAccepted = [this](const RoomLinkConfig& config) {
            const int error = siteOptions().setValues(config.values());
            if (error)
                platform.dialogs->information(
                    QStringLiteral("考点联网设置未能保存（%1），本次运行按新设置连接。")
                        .arg(WriteErrorText(error)));
            keeper_.note(config.enabled ? QStringLiteral("考点联网设置已更改：考场%1，服务器%2:%3")
                                              .arg(config.room, config.host)
                                              .arg(config.port)
                                        : QStringLiteral("考点联网设置已更改：不联网"));
            startSiteLink();
        };
    }
    Options& options = siteOptions();
    siteDialog_->setConfig(
        RoomLinkConfig::FromValues([&options](const QString& key) { return options.value(key); }));
    siteDialog_->show();
    siteDialog_->raise();
    siteDialog_->activateWindow();
}
