#include "timing/PrepTimer.h"

#include <QCheckBox>
#include <QRadioButton>

#include "platform/Dialogs.h"
#include "platform/TTimer.h"
#include "presentation/PromptTexts.h"
#include "presentation/SoundPrompts.h"
#include "settings/SettingsRecord.h"
#include "timing/CountState.h"
#include "timing/MainTimer.h"
#include "timing/TimeDisplay.h"
#include "widgets/Controls.h"

PrepTimer::PrepTimer(TimeDisplay& display, TTimer& timer, MainTimer& main, SoundPrompts& sound,
                     PromptTexts& prompts, SettingsRecord& settings, Dialogs& dialogs,
                     const Controls& controls)
    : display_(display),
      timer_(timer),
      main_(main),
      sound_(sound),
      prompts_(prompts),
      settings_(settings),
      dialogs_(dialogs),
      c_(controls) {}

bool PrepTimer::running() const {
    return timer_.Enabled();
}

int PrepTimer::fullCount() const {
    return display_.bar()->Max();
}

void PrepTimer::step() {
    auto show = [this] {
        display_.secondsToFields(seconds);
        display_.bar()->setPosition(seconds);
        display_.stepSeparators(c_.blinkOn->isChecked());
    };
    if (c_.countUp->isChecked()) {
        // Counting up, the bar's position is the value between steps.
        seconds = display_.bar()->Position() + 1;
        if (seconds > display_.bar()->Max()) {
            handOver();
            return;
        }
        show();
    }
    if (c_.countDown->isChecked()) {
        --seconds;
        if (seconds < 0) {
            handOver();
            return;
        }
        show();
    }
}

void PrepTimer::handOver() {
    timer_.setEnabled(false);
    paused_ = false;
    tell(CountEvent::HandOver);
    display_.restoreSeparators();
    if (sound_.SoundExists(settings_.startSoundFile))
        sound_.PlayPromptSound(sound_.promptPlayer(), settings_.startSoundFile,
                               SoundFlag::SuspendLoop);
    main_.start();
}

void PrepTimer::start() {
    sound_.StopIfPlaying(sound_.musicPlayer());
    if (timer_.Enabled()) return;
    prompts_.show(c_.prepText->text(), c_.prepTextOn);
    if (c_.prepSoundOn->isChecked() && sound_.SoundExists(settings_.prepSoundFile))
        sound_.PlayPromptSound(sound_.promptPlayer(), settings_.prepSoundFile);
    display_.fillEmptyDigits();
    display_.setReadOnly(true);
    seconds = display_.fieldsToSeconds();
    display_.bar()->setPosition(seconds);
    timer_.setEnabled(true);
    const bool resumed = paused_;
    paused_ = false;
    tell(resumed ? CountEvent::Resume : CountEvent::Start);
}

void PrepTimer::pause() {
    if (timer_.Enabled()) {
        if (dialogs_.confirm(QStringLiteral("正在预备倒计时，您确定要暂停吗?"))) {
            timer_.setEnabled(false);
            paused_ = true;
            tell(CountEvent::Pause);
        }
        if (c_.panel->isHidden()) c_.panel->show();
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
}

void PrepTimer::reset() {
    if (!timer_.Enabled() || dialogs_.confirm(QStringLiteral("正在预备倒计时，您确定要复位吗?"))) {
        timer_.setEnabled(false);
        display_.setReadOnly(false);
        paused_ = false;
        tell(CountEvent::Reset);
        if (runSettingsOk) runSettingsOk();
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
    settings_.musicLoopOn = c_.musicLoop->isChecked() ? 1 : 0;
}

void PrepTimer::clear() {
    if (!timer_.Enabled() || dialogs_.confirm(QStringLiteral("正在倒计时，您确定要复位吗?"))) {
        timer_.setEnabled(false);
        if (c_.panel->isHidden()) c_.panel->show();
        display_.setReadOnly(false);
        for (TEdit* d : display_.digits())
            d->setText(QStringLiteral("0"));
        display_.showSeparators();
        seconds = 0;
        paused_ = false;
        tell(CountEvent::Clear);
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
    display_.bar()->setPosition(0);
}

void PrepTimer::set() {
    if (timer_.Enabled()) return;
    if (c_.panel->isHidden()) c_.panel->show();
    seconds = display_.fieldsToSeconds();
    writeDuration(seconds, c_.durationBox, c_.durationUnit);
    display_.bar()->setMax(seconds);
    display_.bar()->setPosition(seconds);
}

void PrepTimer::loadDuration(bool separators) {
    display_.loadDuration({c_.countUp, c_.countDown, c_.durationBox, c_.durationUnit, c_.heading,
                           QStringLiteral("预备倒计时"), QStringLiteral("预备计时")},
                          seconds, countUpTarget, separators);
}

void PrepTimer::setDirection(bool countUp) {
    SetRadioChecked(c_.countUp, countUp);
    SetRadioChecked(c_.countDown, !countUp);
    c_.heading->setCaption(countUp ? QStringLiteral("预备计时") : QStringLiteral("预备倒计时"));
}

void PrepTimer::resumeAt(const ResumePoint& point) {
    timer_.setEnabled(false);
    // The count goes on in its own direction, whatever the settings file says.
    setDirection(point.countUp);
    sound_.StopIfPlaying(sound_.musicPlayer());
    if (c_.panel->isHidden()) c_.panel->show();
    display_.setReadOnly(true);
    display_.bar()->setMax(point.duration);
    seconds = point.value;
    display_.secondsToFields(seconds);
    display_.bar()->setPosition(seconds);
    paused_ = point.paused;
    if (!point.paused) timer_.enableWithPhase(point.phaseMs);
    tell(CountEvent::Recovered);
}
