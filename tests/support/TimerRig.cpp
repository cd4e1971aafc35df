#include "TimerRig.h"

#include "core/TimeFields.h"

namespace {
template <typename T>
T* Make(QWidget* root, const QString& text = QString()) {
    auto* w = new T(root);
    if constexpr (std::is_same_v<T, TEdit>) w->setText(text);
    if constexpr (std::is_same_v<T, QCheckBox>) w->setChecked(true);
    return w;
}
TComboBox* Unit(QWidget* root, const QString& unit) {
    auto* c = new TComboBox(root);
    c->addItems({QStringLiteral("秒钟"), QStringLiteral("分钟"), QStringLiteral("小时")});
    c->setText(unit);
    return c;
}
}  // namespace

TimerRig::TimerRig(const QDateTime& start)
    : timer1(fake.time, TTimer::Mode::Steady, QStringLiteral("Timer1")),
      timer2(fake.time, TTimer::Mode::Steady, QStringLiteral("Timer2")),
      reports(fake.dialogs),
      openDialog(fake.dialogs) {
    fake.time.setNow(start);
    countUp = new QRadioButton(&root);
    countDown = new QRadioButton(&root);
    countDown->setChecked(true);
    durationBox = Make<TEdit>(&root, QStringLiteral("60"));
    durationUnit = Unit(&root, QStringLiteral("分钟"));
    leadBox = Make<TEdit>(&root, QStringLiteral("5"));
    leadUnit = Unit(&root, QStringLiteral("秒钟"));
    intervalBox = Make<TEdit>(&root, QStringLiteral("10"));
    intervalUnit = Unit(&root, QStringLiteral("分钟"));
    startText = Make<TEdit>(&root, QStringLiteral("开始"));
    warningText = Make<TEdit>(&root, QStringLiteral("预警"));
    pauseText = Make<TEdit>(&root, QStringLiteral("暂停"));
    timeUpText = Make<TEdit>(&root, QStringLiteral("到点"));
    heading = Make<TLabel>(&root);
    prepHeading = Make<TLabel>(&root);
    normalSwatch = Make<TLabel>(&root);
    warningSwatch = Make<TLabel>(&root);
    timeUpSwatch = Make<TLabel>(&root);
    promptLabel = Make<TLabel>(&root);
    normalSwatch->setColor(0);
    warningSwatch->setColor(65535);
    timeUpSwatch->setColor(255);
    for (QCheckBox** c :
         {&startSoundOn, &intervalSoundOn, &warningSoundOn, &timeUpSoundOn, &prepSoundOn,
          &startTextOn, &warningTextOn, &pauseTextOn, &timeUpTextOn, &prepTextOn, &boardWarningOn,
          &boardTimeUpOn, &blinkOn, &prepBlinkOn, &musicLoop, &backgroundOn})
        *c = Make<QCheckBox>(&root);
    prepDurationBox = Make<TEdit>(&root, QStringLiteral("5"));
    prepDurationUnit = Unit(&root, QStringLiteral("分钟"));
    prepText = Make<TEdit>(&root, QStringLiteral("预备"));
    backgroundBox = Make<TEdit>(&root);
    board = Make<TPanel>(&root);
    prepPanel = Make<TPanel>(&root);
    status = Make<TStatusBar>(&root);
    for (auto* boxes : {&mainBoxes, &prepBoxes})
        for (int i = 0; i < 8; ++i)
            (*boxes)[i] = Make<TEdit>(&root, i == 2 || i == 5 ? kSeparator : QStringLiteral("0"));
    mainBar = Make<TProgressBar>(&root);
    prepBar = Make<TProgressBar>(&root);

    sound = std::make_unique<SoundPrompts>(
        SoundPrompts::Services{fake.player1, fake.player2, fake.dialogs, reports, openDialog,
                               QString(), &fake.output},
        settings,
        SoundPrompts::Controls{
            .backgroundOn = backgroundOn,
            .backgroundBox = backgroundBox,
            .promptOn = {prepSoundOn, startSoundOn, intervalSoundOn, warningSoundOn, timeUpSoundOn},
            .status = status});
    prompts = std::make_unique<PromptTexts>(status, promptLabel);
    mainDisplay = std::make_unique<TimeDisplay>(
        TimeDisplay::Controls{
            {mainBoxes[0], mainBoxes[1], mainBoxes[3], mainBoxes[4], mainBoxes[6], mainBoxes[7]},
            mainBoxes[2],
            mainBoxes[5],
            mainBar},
        timer1, *sound, fake.dialogs);
    prepDisplay = std::make_unique<TimeDisplay>(
        TimeDisplay::Controls{
            {prepBoxes[0], prepBoxes[1], prepBoxes[3], prepBoxes[4], prepBoxes[6], prepBoxes[7]},
            prepBoxes[2],
            prepBoxes[5],
            prepBar},
        timer2, *sound, fake.dialogs);
    main = std::make_unique<MainTimer>(*mainDisplay, timer1, *sound, *prompts, settings,
                                       fake.dialogs, reports,
                                       MainTimer::Controls{.countUp = countUp,
                                                           .countDown = countDown,
                                                           .durationBox = durationBox,
                                                           .durationUnit = durationUnit,
                                                           .leadBox = leadBox,
                                                           .leadUnit = leadUnit,
                                                           .intervalBox = intervalBox,
                                                           .intervalUnit = intervalUnit,
                                                           .heading = heading,
                                                           .startSoundOn = startSoundOn,
                                                           .intervalSoundOn = intervalSoundOn,
                                                           .warningSoundOn = warningSoundOn,
                                                           .timeUpSoundOn = timeUpSoundOn,
                                                           .startTextOn = startTextOn,
                                                           .warningTextOn = warningTextOn,
                                                           .pauseTextOn = pauseTextOn,
                                                           .timeUpTextOn = timeUpTextOn,
                                                           .startText = startText,
                                                           .warningText = warningText,
                                                           .pauseText = pauseText,
                                                           .timeUpText = timeUpText,
                                                           .boardWarningOn = boardWarningOn,
                                                           .boardTimeUpOn = boardTimeUpOn,
                                                           .blinkOn = blinkOn,
                                                           .musicLoop = musicLoop,
                                                           .normalSwatch = normalSwatch,
                                                           .warningSwatch = warningSwatch,
                                                           .timeUpSwatch = timeUpSwatch,
                                                           .board = board,
                                                           .prepPanel = prepPanel});
    prep = std::make_unique<PrepTimer>(*prepDisplay, timer2, *main, *sound, *prompts, settings,
                                       fake.dialogs,
                                       PrepTimer::Controls{.countUp = countUp,
                                                           .countDown = countDown,
                                                           .durationBox = prepDurationBox,
                                                           .durationUnit = prepDurationUnit,
                                                           .heading = prepHeading,
                                                           .prepSoundOn = prepSoundOn,
                                                           .prepTextOn = prepTextOn,
                                                           .prepText = prepText,
                                                           .blinkOn = prepBlinkOn,
                                                           .musicLoop = musicLoop,
                                                           .panel = prepPanel});
    timer1.OnTimer = [this] { main->step(); };
    timer2.OnTimer = [this] { prep->step(); };
    main->loadDuration(false);
    prep->loadDuration(false);
    main->takeIntervalLimit();
}

TimerRig::~TimerRig() {
    timer1.setEnabled(false);
    timer2.setEnabled(false);
}

void TimerRig::showMain(int value) {
    mainDisplay->secondsToFields(value);
}

void TimerRig::showPrep(int value) {
    prepDisplay->secondsToFields(value);
}

QString TimerRig::mainText() const {
    QString t;
    for (int i : {0, 1, 3, 4, 6, 7}) {
        if (i == 3 || i == 6) t += kSeparator;
        t += mainBoxes[i]->text();
    }
    return t;
}
