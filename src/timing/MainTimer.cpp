#include "timing/MainTimer.h"

#include <QCheckBox>
#include <QRadioButton>

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/TTimer.h"
#include "presentation/PromptTexts.h"
#include "presentation/SoundPrompts.h"
#include "settings/SettingsRecord.h"
#include "timing/CountState.h"
#include "timing/TimeDisplay.h"
#include "widgets/Controls.h"

MainTimer::MainTimer(TimeDisplay& display, TTimer& timer, SoundPrompts& sound, PromptTexts& prompts,
                     SettingsRecord& settings, Dialogs& dialogs, Reports& reports,
                     const Controls& controls)
    : display_(display),
      timer_(timer),
      sound_(sound),
      prompts_(prompts),
      settings_(settings),
      dialogs_(dialogs),
      reports_(reports),
      c_(controls) {}

bool MainTimer::running() const {
    return timer_.Enabled();
}

bool MainTimer::countingUp() const {
    return c_.countUp->isChecked();
}

int MainTimer::fullCount() const {
    return display_.bar()->Max();
}

int MainTimer::displayedValue() const {
    return display_.fieldsToSeconds();
}

void MainTimer::step() {
    if (c_.countUp->isChecked()) {
        ++seconds;
        if (display_.bar()->Max() < seconds) {
            timeUp();
            return;
        }
        showStep();
    }
    if (c_.countDown->isChecked()) {
        --seconds;
        if (seconds < 0) {
            timeUp();
            return;
        }
        showStep();
    }
}

void MainTimer::showStep() {
    display_.secondsToFields(seconds);
    display_.bar()->setPosition(seconds);
    display_.stepSeparators(c_.blinkOn->isChecked());
    // A lead-time or interval box left blank means no warning or no interval sound.
    // A box that does not convert is reported once and skipped; the step goes on without it.
    const bool hasLead = !TrimControl(c_.leadBox->text()).isEmpty() &&
                         tickUnitSeconds(c_.leadBox, c_.leadUnit, warningSeconds, reports_);
    if (hasLead && seconds == warningSeconds) {
        warning();
        return;
    }
    if (TrimControl(c_.intervalBox->text()).isEmpty()) return;
    if (!tickUnitSeconds(c_.intervalBox, c_.intervalUnit, intervalSeconds, reports_)) return;
    if (intervalSeconds > 0 && intervalSeconds < intervalLimit && seconds % intervalSeconds == 0 &&
        c_.intervalSoundOn->isChecked() && sound_.SoundExists(settings_.intervalSoundFile))
        sound_.PlayIntervalChime();
}

void MainTimer::warning() {
    prompts_.show(c_.warningText->text(), c_.warningTextOn);
    if (c_.warningSoundOn->isChecked() && sound_.SoundExists(settings_.warningSoundFile))
        sound_.PlayPromptSound(sound_.promptPlayer(), settings_.warningSoundFile,
                               SoundFlag::SuspendLoop);
    if (c_.boardWarningOn->isChecked()) {
        c_.board->setColor(c_.warningSwatch->Color());
        alertState = 2;
    }
    tell(CountEvent::Warning);
}

void MainTimer::timeUp() {
    timer_.setEnabled(false);
    alertState = 0;
    display_.restoreSeparators();
    prompts_.show(c_.timeUpText->text(), c_.timeUpTextOn);
    if (c_.timeUpSoundOn->isChecked() && sound_.SoundExists(settings_.timeUpSoundFile))
        sound_.PlayPromptSound(sound_.promptPlayer(), settings_.timeUpSoundFile,
                               SoundFlag::SuspendLoop);
    sound_.StartBackgroundMusic();
    // The board takes the time-up colour whenever "主板到点" is ticked, in both directions.
    if (c_.boardTimeUpOn->isChecked()) c_.board->setColor(c_.timeUpSwatch->Color());
    c_.prepPanel->hide();
    paused_ = false;
    tell(CountEvent::TimeUp);
}

void MainTimer::start() {
    if (timer_.Enabled()) return;
    display_.fillEmptyDigits();
    display_.setReadOnly(true);
    seconds = display_.fieldsToSeconds();
    display_.bar()->setPosition(seconds);
    sound_.StopIfPlaying(sound_.musicPlayer());
    prompts_.show(c_.startText->text(), c_.startTextOn);
    if (c_.startSoundOn->isChecked() && sound_.SoundExists(settings_.startSoundFile))
        sound_.PlayPromptSound(sound_.promptPlayer(), settings_.startSoundFile,
                               SoundFlag::SuspendLoop);
    timer_.setEnabled(true);
    c_.prepPanel->hide();
    const bool resumed = paused_;
    paused_ = false;
    tell(resumed ? CountEvent::Resume : CountEvent::Start);
}

void MainTimer::pause() {
    if (timer_.Enabled()) {
        if (dialogs_.confirm(QStringLiteral("正在计时，您确定要暂停吗?"))) {
            timer_.setEnabled(false);
            if (c_.pauseTextOn->isChecked()) prompts_.show(c_.pauseText->text(), c_.pauseTextOn);
            paused_ = true;
            tell(CountEvent::Pause);
        }
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
}

void MainTimer::reset() {
    const bool confirmed =
        !timer_.Enabled() || dialogs_.confirm(QStringLiteral("正在计时，您确定要复位吗?"));
    if (confirmed) {
        timer_.setEnabled(false);
        display_.setReadOnly(false);
        paused_ = false;
        tell(CountEvent::Reset);
        if (runSettingsOk) runSettingsOk();
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
    alertState = 1;
    c_.board->setColor(c_.normalSwatch->Color());
    settings_.musicLoopOn = c_.musicLoop->isChecked() ? 1 : 0;
    // A declined reset still takes the alert state back to normal.
    if (!confirmed) tell(CountEvent::Changed);
}

void MainTimer::clear() {
    if (!timer_.Enabled() || dialogs_.confirm(QStringLiteral("正在计时，您确定要清零吗?"))) {
        timer_.setEnabled(false);
        display_.setReadOnly(false);
        display_.clear();
        seconds = 0;
        paused_ = false;
        tell(CountEvent::Clear);
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
    display_.bar()->setPosition(0);
    c_.prepPanel->show();
}

void MainTimer::set() {
    if (timer_.Enabled()) return;
    seconds = display_.fieldsToSeconds();
    writeDuration(seconds, c_.durationBox, c_.durationUnit);
    display_.bar()->setMax(seconds);
    display_.bar()->setPosition(seconds);
}

void MainTimer::setDirection(bool countUp) {
    SetRadioChecked(c_.countUp, countUp);
    SetRadioChecked(c_.countDown, !countUp);
    c_.heading->setCaption(countUp ? QStringLiteral("计时") : QStringLiteral("倒计时"));
}

void MainTimer::showValue(int fullCount, int value) {
    if (timer_.Enabled()) return;
    display_.bar()->setMax(fullCount);
    seconds = value;
    display_.secondsToFields(seconds);
    display_.bar()->setPosition(seconds);
}

void MainTimer::loadDuration(bool separators) {
    display_.loadDuration({c_.countUp, c_.countDown, c_.durationBox, c_.durationUnit, c_.heading,
                           QStringLiteral("倒计时"), QStringLiteral("计时")},
                          seconds, countUpTarget, separators);
}

void MainTimer::resumeAt(const ResumePoint& point) {
    timer_.setEnabled(false);
    // The count goes on in its own direction, whatever the settings file says.
    setDirection(point.countUp);
    sound_.StopIfPlaying(sound_.musicPlayer());
    display_.setReadOnly(true);
    display_.bar()->setMax(point.duration);
    seconds = point.value;
    display_.secondsToFields(seconds);
    display_.bar()->setPosition(seconds);
    c_.prepPanel->hide();
    alertState = point.alertState;
    if (point.timeUp) {
        // The step after the last value runs out at once, as it would have.
        seconds = point.countUp ? point.duration + 1 : -1;
        timeUp();
        return;
    }
    // A warning that fell in between leaves its colour, as it would have, without its text
    // and sound.
    if (alertState == 1 && !TrimControl(c_.leadBox->text()).isEmpty()) {
        unitSeconds(c_.leadBox, c_.leadUnit, warningSeconds);
        const bool passed = point.countUp
                                ? point.fromValue < warningSeconds && point.value >= warningSeconds
                                : point.fromValue > warningSeconds && point.value <= warningSeconds;
        if (passed && c_.boardWarningOn->isChecked()) alertState = 2;
    }
    if (alertState == 2) c_.board->setColor(c_.warningSwatch->Color());
    paused_ = point.paused;
    if (!point.paused) timer_.enableWithPhase(point.phaseMs);
    tell(CountEvent::Recovered);
}
