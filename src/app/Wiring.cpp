// The one place where the form's controls become the subsystems' wires, each by name, and where
// the subsystems are told about one another. Every field below is a wire of a Controls struct,
// whose header names the control it takes in the comment beside it; scripts/check-wiring.py (a
// test) holds the two together, so a swapped wire fails the build's tests as well as reading
// wrong here.
#include "app/Wiring.h"

#include <QFileInfo>
#include <algorithm>

#include "app/CCUnit.h"
#include "platform/Guard.h"

SoundPrompts::Controls SoundWires(const Ui::Form1& f) {
    return {
        .backgroundOn = f.CheckBox6,
        .backgroundBox = f.Edit37,
        .promptOn = {f.CheckBox4, f.CheckBox3, f.CheckBox2, f.CheckBox5, f.CheckBox1},
        .status = f.StatusBar1,
    };
}

ColourSwatches::Controls ColourWires(const Ui::Form1& f) {
    using K = ColourSwatches::Kind;
    return {
        .rows = {{
            {.check = f.CheckBox13,
             .swatch = f.Label41,
             .kind = K::Board,
             .target = f.Panel1,
             .question = u"是否将主面板设为透明？"},
            {.check = f.CheckBox14,
             .swatch = f.Label42,
             .kind = K::BoardAlert,
             .target = f.Panel1,
             .question = u"是否将主面板设为透明？"},
            {.check = f.CheckBox15,
             .swatch = f.Label43,
             .kind = K::BoardAlert,
             .target = f.Panel1,
             .question = u"是否将主面板设为透明？"},
            {.check = f.CheckBox22,
             .swatch = f.Label47,
             .kind = K::Panel,
             .target = f.Panel3,
             .question = u"是否将时钟面板设为透明？"},
            {.check = f.CheckBox23,
             .swatch = f.Label48,
             .kind = K::Panel,
             .target = f.Panel4,
             .question = u"是否将计时面板设为透明？"},
            {.check = f.CheckBox24,
             .swatch = f.Label49,
             .kind = K::Panel,
             .target = f.Panel5,
             .question = u"是否将预备计时面板设为透明？"},
            {.check = f.CheckBox38,
             .swatch = f.Label27,
             .kind = K::ClockBoxes,
             .target = nullptr,
             .question = u"是否将时钟字框设为透明？"},
            {.check = f.CheckBox39,
             .swatch = f.Label28,
             .kind = K::TimerBoxes,
             .target = nullptr,
             .question = u"是否将计时字框设为透明？"},
            {.check = f.CheckBox40,
             .swatch = f.Label29,
             .kind = K::PrepBoxes,
             .target = nullptr,
             .question = u"是否将预备计时字框设为透明？"},
            {.check = f.CheckBox30,
             .swatch = f.Label56,
             .kind = K::Frame,
             .target = f.Label44,
             .question = u"是否将标题字框设为透明？"},
            {.check = f.CheckBox31,
             .swatch = f.Label57,
             .kind = K::Frame,
             .target = f.Label45,
             .question = u"是否将提示字框设为透明？"},
            {.check = f.CheckBox29,
             .swatch = f.Label55,
             .kind = K::Frame,
             .target = f.Label52,
             .question = u"是否将提示字框设为透明？"},
        }},
        .clockBoxes = {f.Edit13, f.Edit14, f.Edit15, f.Edit16, f.Edit25, f.Edit26, f.Edit27,
                       f.Edit28, f.Edit29, f.Edit30, f.Edit31},
        .timerBoxes = {f.Edit1, f.Edit2, f.Edit3, f.Edit4, f.Edit5, f.Edit6, f.Edit7, f.Edit8},
        .prepBoxes = {f.Edit17, f.Edit18, f.Edit19, f.Edit20, f.Edit21, f.Edit22, f.Edit23,
                      f.Edit24},
        .clockSwatch = f.Label27,
        .timerSwatch = f.Label28,
        .prepSwatch = f.Label29,
        .transparencyOn = f.CheckBox42,
        .level = f.TrackBar1,
    };
}

TimeDisplay::Controls MainDisplayWires(const Ui::Form1& f) {
    return {
        .digits = {f.Edit1, f.Edit2, f.Edit4, f.Edit5, f.Edit7, f.Edit8},
        .firstSeparator = f.Edit3,
        .secondSeparator = f.Edit6,
        .bar = f.ProgressBar1,
    };
}

TimeDisplay::Controls PrepDisplayWires(const Ui::Form1& f) {
    return {
        .digits = {f.Edit17, f.Edit18, f.Edit20, f.Edit21, f.Edit23, f.Edit24},
        .firstSeparator = f.Edit19,
        .secondSeparator = f.Edit22,
        .bar = f.ProgressBar2,
    };
}

MainTimer::Controls MainTimerWires(const Ui::Form1& f) {
    return {
        .countUp = f.RadioButton1,
        .countDown = f.RadioButton2,
        .durationBox = f.Edit10,
        .durationUnit = f.ComboBox5,
        .leadBox = f.Edit11,
        .leadUnit = f.ComboBox7,
        .intervalBox = f.Edit12,
        .intervalUnit = f.ComboBox1,
        .heading = f.Label13,
        .startSoundOn = f.CheckBox3,
        .intervalSoundOn = f.CheckBox2,
        .warningSoundOn = f.CheckBox5,
        .timeUpSoundOn = f.CheckBox1,
        .startTextOn = f.CheckBox8,
        .warningTextOn = f.CheckBox9,
        .pauseTextOn = f.CheckBox10,
        .timeUpTextOn = f.CheckBox11,
        .startText = f.Edit39,
        .warningText = f.Edit40,
        .pauseText = f.Edit41,
        .timeUpText = f.Edit44,
        .boardWarningOn = f.CheckBox14,
        .boardTimeUpOn = f.CheckBox15,
        .blinkOn = f.CheckBox17,
        .musicLoop = f.CheckBox43,
        .normalSwatch = f.Label41,
        .warningSwatch = f.Label42,
        .timeUpSwatch = f.Label43,
        .board = f.Panel1,
        .prepPanel = f.Panel5,
    };
}

PrepTimer::Controls PrepTimerWires(const Ui::Form1& f) {
    return {
        .countUp = f.RadioButton1,
        .countDown = f.RadioButton2,
        .durationBox = f.Edit9,
        .durationUnit = f.ComboBox3,
        .heading = f.Label14,
        .prepSoundOn = f.CheckBox4,
        .prepTextOn = f.CheckBox7,
        .prepText = f.Edit38,
        .blinkOn = f.CheckBox25,
        .musicLoop = f.CheckBox43,
        .panel = f.Panel5,
    };
}

ScheduleClock::Controls ClockWires(const Ui::Form1& f) {
    return {
        .year = f.Edit13,
        .month = f.Edit14,
        .day = f.Edit15,
        .weekday = f.Edit16,
        .weekOfYear = f.Edit29,
        .weekOfMonth = f.Edit30,
        .hour = f.Edit25,
        .minute = f.Edit26,
        .second = f.Edit27,
        .firstSep = f.Edit28,
        .secondSep = f.Edit31,
        .clockBlink = f.CheckBox41,
        .autoYear = f.Edit47,
        .autoMonth = f.Edit48,
        .autoDay = f.Edit49,
        .autoHour = f.Edit50,
        .autoMinute = f.Edit51,
        .autoSecond = f.Edit52,
        .timeOn = f.CheckBox18,
        .dateOn = f.CheckBox19,
        .textStepOn = f.CheckBox28,
        .textOn = f.CheckBox27,
        .timeUpSoundOn = f.CheckBox1,
        .programOn = f.CheckBox26,
        .parameterOn = f.CheckBox34,
        .exitOn = f.CheckBox33,
        .closeOn = f.CheckBox32,
        .flashOn = f.CheckBox16,
        .warningTextOn = f.CheckBox9,
        .warningSoundOn = f.CheckBox5,
        .boardWarningOn = f.CheckBox14,
        .intervalSoundOn = f.CheckBox2,
        .warningText = f.Edit40,
        .textDurationBox = f.Edit59,
        .textDurationUnit = f.ComboBox2,
        .programBox = f.Edit55,
        .parameterBox = f.Edit60,
        .systemFileBox = f.Edit54,
        .modeTiming = f.RadioButton3,
        .modeClock = f.RadioButton4,
        .modeBoth = f.RadioButton8,
        .scheduledText = f.Label52,
        .prompt = f.Label45,
        .normalSwatch = f.Label41,
        .warningSwatch = f.Label42,
        .timeUpSwatch = f.Label43,
        .board = f.Panel1,
        .timerPanel = f.Panel4,
        .prepPanel = f.Panel5,
    };
}

SettingsPanel::Controls SettingsPanelWires(const Ui::Form1& f) {
    return {
        .panel = f.Panel2,
        .board = f.Panel1,
        .clockPanel = f.Panel3,
        .timerPanel = f.Panel4,
        .prepPanel = f.Panel5,
        .title = f.Label44,
        .prompt = f.Label45,
        .scheduledText = f.Label52,
        .scheduledSwatch = f.Label55,
        .normalSwatch = f.Label41,
        .clockSwatch = f.Label47,
        .timerSwatch = f.Label48,
        .prepSwatch = f.Label49,
        .titleText = f.Edit46,
        .titleLeft = f.Edit45,
        .titleTop = f.Edit53,
        .promptLeft = f.Edit42,
        .promptTop = f.Edit43,
        .scheduledTextBox = f.Edit56,
        .scheduledTextLeft = f.Edit57,
        .scheduledTextTop = f.Edit58,
        .titleOn = f.CheckBox12,
        .titlePosOn = f.CheckBox21,
        .promptPosOn = f.CheckBox20,
        .scheduledTextOn = f.CheckBox27,
        .scheduledTextPosOn = f.CheckBox28,
        .transparencyOn = f.CheckBox42,
        .level = f.TrackBar1,
        .backgroundOn = f.CheckBox6,
        .intervalSoundOn = f.CheckBox2,
        .mainDigitsAndSeparators = {f.Edit1, f.Edit2, f.Edit3, f.Edit4, f.Edit5, f.Edit6, f.Edit7,
                                    f.Edit8},
        .prepDigitsAndSeparators = {f.Edit17, f.Edit18, f.Edit19, f.Edit20, f.Edit21, f.Edit22,
                                    f.Edit23, f.Edit24},
        .clockTime = {f.Edit25, f.Edit26, f.Edit27, f.Edit28, f.Edit31},
    };
}

PlanRunner::Controls PlanRunnerWires(const Ui::Form1& f) {
    return {
        .title = f.Label44,
        .titleText = f.Edit46,
        .titleOn = f.CheckBox12,
    };
}

DisplayPanels::Controls PanelWires(QMainWindow* Form1, const Ui::Form1& f) {
    return {
        .window = Form1,
        .menu = f.MainMenu1,
        .toolBar = f.ToolBar1,
        .status = f.StatusBar1,
        .settingsPanel = f.Panel2,
        .clockPanel = f.Panel3,
        .timerPanel = f.Panel4,
        .prepPanel = f.Panel5,
        .title = f.Label44,
        .prompt = f.Label45,
        .scheduledText = f.Label52,
        .modeTiming = f.RadioButton3,
        .modeClock = f.RadioButton4,
        .modeBoth = f.RadioButton8,
        .timerButtons = {f.BitBtn1, f.BitBtn2, f.BitBtn3, f.BitBtn5, f.BitBtn15},
    };
}

// How the subsystems reach one another: the resets run the settings panel's OK, the schedule's
// last end action closes the window, the settings and the schedule follow the concise display
// and the usage mode, and what the timers tell reaches the count's keeper (the state file and
// the session log) and the day's plan.
void TForm1::wireSubsystems() {
    mainTimer_.runSettingsOk = [this] { settingsPanel_.OK(); };
    prepTimer_.runSettingsOk = [this] { settingsPanel_.OK(); };
    connect(&mainTimer_, &MainTimer::changed, this,
            [this](CountEvent e) { keeper_.mainChanged(e); });
    connect(&prepTimer_, &PrepTimer::changed, this,
            [this](CountEvent e) { keeper_.prepChanged(e); });
    // The plan hears the operator's own commands: the count is the room's from there.
    connect(&mainTimer_, &MainTimer::changed, this,
            [this](CountEvent e) { planRunner_.mainChanged(e); });
    connect(&prepTimer_, &PrepTimer::changed, this,
            [this](CountEvent e) { planRunner_.prepChanged(e); });
    planRunner_.onEvent = [this](const QString& event) { keeper_.note(event); };
    // The exam-site link reports what the timers tell, when the link is on.
    connect(&mainTimer_, &MainTimer::changed, this, [this](CountEvent e) {
        if (roomLink_) roomLink_->countChanged(e);
    });
    connect(&prepTimer_, &PrepTimer::changed, this, [this](CountEvent e) {
        if (roomLink_) roomLink_->countChanged(e);
    });
    // The last prompt's sound and the display's screen go into the room's report; a prompt
    // that failed and a display screen unplugged are told to the office at once.
    sound_.onPrompt = [this](const QString& file, bool ok, const QString& why) {
        lastPrompt_ = Reported::Prompt{QFileInfo(file).fileName(), ok,
                                       platform.time->now().toMSecsSinceEpoch()};
        if (roomLink_ && !ok) roomLink_->promptFailed(lastPrompt_->file, why);
    };
    if (platform.screens)
        connect(platform.screens, &ScreenList::changed, this, [this] {
            if (!roomLink_ || !audience_) return;
            const ScreenInfo wanted = audience_->wanted();
            const QList<ScreenInfo> screens = platform.screens->screens();
            const bool there =
                std::any_of(screens.begin(), screens.end(),
                            [&](const ScreenInfo& s) { return s.sameScreen(wanted); });
            if (!wanted.name.isEmpty() && !there)
                roomLink_->screenLost(wanted.name);
            else
                roomLink_->healthChanged();
        });
    clock_.conciseDisplay = [this] { return panels_.ConciseDisplay(); };
    clock_.closeWindow = [this] {
        scheduledClose_ = true;
        close();
    };
    clock_.onEvent = [this](const QString& event) { keeper_.note(event); };
    // Files that cannot be written are told on the status line, in red, until they can again.
    keeper_.onNotice = [this](const QString& text) {
        StatusBar1->setFileNotice(QStringLiteral("count"), text);
    };
    if (platform.log)
        platform.log->setProblemHandler([this](const QString& text) {
            StatusBar1->setFileNotice(QStringLiteral("log"), text);
        });
    settingsPanel_.settingsFilePath = [this] { return SettingsFilePath(); };
    settingsPanel_.applyUsageMode = [this] { panels_.ApplyUsageMode(); };
    panels_.relayout = [this] { layoutClientArea(); };
    // The window's transparency is the display's: the audience's window takes it too.
    colours_.opacityChanged = [this](double opacity) {
        if (audienceWindow_) audienceWindow_->setWindowOpacity(opacity);
    };
}

// What the exam-site link reaches of the room: the count as the display shows it (the
// preparation while it counts or stands paused, the main count otherwise), the office's anchor
// taken by the timer of its phase, the plan, the time-up sound for the office's sound test, the
// display for the room's id and the office's text, the sound output, the screen, the session
// log and the operator's status line.
RoomLink::Hooks TForm1::roomLinkHooks() {
    RoomLink::Hooks h;
    h.count = [this](qint64 now) {
        const bool prep = prepTimer_.running() || prepTimer_.paused();
        RoomLink::Count c;
        c.anchor = prep ? prepTimer_.anchorAt(now) : mainTimer_.anchorAt(now);
        c.source = prep ? prepTimer_.source() : mainTimer_.source();
        c.shown = DisplayText(prep ? prepTimer_.seconds() : mainTimer_.seconds());
        c.alert = mainTimer_.alertState();
        c.title = Label44->isHidden() ? QString() : Label44->text();
        return c;
    };
    h.follow = [this](const Anchor& a, qint64 now, bool prompts) {
        if (a.phase == CountPhase::Prep) {
            prepTimer_.follow(a, now, CountSource::Office, std::nullopt, prompts);
            return;
        }
        if (prepTimer_.running() || prepTimer_.paused()) prepTimer_.stopQuietly();
        mainTimer_.follow(a, now, CountSource::Office, std::nullopt, prompts);
    };
    h.plan = [this] { return planRunner_.plan(); };
    h.takePlan = [this](const Plan& plan) { planRunner_.setPlan(plan, planRunner_.enabled()); };
    h.soundTest = [this](std::function<void(bool, QString)> done) {
        QString failure;
        if (!CatchError(
                [this] {
                    sound_.StartSound(MediaPlayer1, Settings.timeUpSoundFile,
                                      SoundFlag::StopBackgroundFirst, true);
                },
                failure)) {
            done(false, failure);
            return;
        }
        const OutputState out = platform.output ? platform.output->outputState() : OutputState::Ok;
        if (out == OutputState::Missing)
            done(false, QStringLiteral("已播放，但本机没有声音输出设备"));
        else if (out == OutputState::Muted)
            done(false, QStringLiteral("已播放，但声音输出已静音或音量为0"));
        else
            done(true, QStringLiteral("已播放时间到的声音"));
    };
    h.identify = [this](const QString& text, int ms) { showIdentity(text, ms); };
    h.showText = [this](const QString& text) {
        Label52->setCaption(text);
        Label52->setVisible(!text.isEmpty());
    };
    h.output = [this] {
        switch (platform.output ? platform.output->outputState() : OutputState::Ok) {
            case OutputState::Missing:
                return OutputHealth::Missing;
            case OutputState::Muted:
                return OutputHealth::Muted;
            case OutputState::Ok:
                break;
        }
        return OutputHealth::Ok;
    };
    h.screen = [this] {
        Reported::Screen s;
        const ScreenInfo target = audience_ ? audience_->target() : ScreenInfo{};
        s.name = target.name;
        s.width = target.geometry.width();
        s.height = target.geometry.height();
        s.full = isMaximized() || isFullScreen();
        return s;
    };
    h.lastPrompt = [this] { return lastPrompt_; };
    h.log = [this](const QString& line) { keeper_.note(line); };
    h.status = [this](const QString& text, bool problem) { showSiteStatus(text, problem); };
    return h;
}
