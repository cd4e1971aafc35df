#include "timing/MainTimer.h"

#include <QCheckBox>
#include <QRadioButton>
#include <algorithm>

#include "core/CountState.h"
#include "core/Errors.h"
#include "core/SettingsRecord.h"
#include "platform/Dialogs.h"
#include "platform/TTimer.h"
#include "platform/TimeSource.h"
#include "presentation/PromptTexts.h"
#include "presentation/SoundPrompts.h"
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
        ++seconds_;
        if (display_.bar()->Max() < seconds_) {
            timeUp();
            return;
        }
        showStep();
    }
    if (c_.countDown->isChecked()) {
        --seconds_;
        if (seconds_ < 0) {
            timeUp();
            return;
        }
        showStep();
    }
}

void MainTimer::setAlertState(int state) {
    if (state == alertState_) return;
    alertState_ = state;
    tell(CountEvent::Changed);
}

void MainTimer::takeIntervalLimit() {
    intervalLimit_ = display_.bar()->Max();
}

std::optional<int> MainTimer::tickLeadSeconds() {
    if (sessionTimes_) {
        if (sessionTimes_->lead <= 0) return std::nullopt;
        return warningSeconds_ = sessionTimes_->lead;
    }
    if (TrimControl(c_.leadBox->text()).isEmpty()) return std::nullopt;
    if (!tickUnitSeconds(c_.leadBox, c_.leadUnit, warningSeconds_, reports_)) return std::nullopt;
    return warningSeconds_;
}

std::optional<int> MainTimer::tickIntervalSeconds() {
    if (sessionTimes_) {
        if (sessionTimes_->interval <= 0) return std::nullopt;
        return intervalSeconds_ = sessionTimes_->interval;
    }
    if (TrimControl(c_.intervalBox->text()).isEmpty()) return std::nullopt;
    if (!tickUnitSeconds(c_.intervalBox, c_.intervalUnit, intervalSeconds_, reports_))
        return std::nullopt;
    return intervalSeconds_;
}

void MainTimer::showStep() {
    display_.secondsToFields(seconds_);
    display_.bar()->setPosition(seconds_);
    display_.stepSeparators(c_.blinkOn->isChecked());
    tell(CountEvent::Step);
    // A lead-time or interval box left blank means no warning or no interval sound.
    // A box that does not convert is reported once and skipped; the step goes on without it.
    const std::optional<int> lead = tickLeadSeconds();
    if (lead && seconds_ == *lead) {
        warning();
        return;
    }
    const std::optional<int> interval = tickIntervalSeconds();
    if (!interval) return;
    if (*interval > 0 && *interval < intervalLimit_ && seconds_ % *interval == 0 &&
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
        alertState_ = 2;
    }
    tell(CountEvent::Warning);
}

void MainTimer::timeUp() {
    timer_.setEnabled(false);
    alertState_ = 0;
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
    setBase(CountPhase::TimeUp, false, nowMs());
    tell(CountEvent::TimeUp);
}

void MainTimer::start() {
    if (timer_.Enabled()) return;
    display_.fillEmptyDigits();
    display_.setReadOnly(true);
    seconds_ = display_.fieldsToSeconds();
    display_.bar()->setPosition(seconds_);
    sound_.StopIfPlaying(sound_.musicPlayer());
    prompts_.show(c_.startText->text(), c_.startTextOn);
    if (c_.startSoundOn->isChecked() && sound_.SoundExists(settings_.startSoundFile))
        sound_.PlayPromptSound(sound_.promptPlayer(), settings_.startSoundFile,
                               SoundFlag::SuspendLoop);
    timer_.setEnabled(true);
    c_.prepPanel->hide();
    const bool resumed = paused_;
    paused_ = false;
    ownCount(resumed);
    setBase(CountPhase::Main, false, nowMs());
    tell(resumed ? CountEvent::Resume : CountEvent::Start);
}

void MainTimer::pause() {
    if (timer_.Enabled()) {
        if (dialogs_.confirm(QStringLiteral("正在计时，您确定要暂停吗?"))) {
            timer_.setEnabled(false);
            if (c_.pauseTextOn->isChecked()) prompts_.show(c_.pauseText->text(), c_.pauseTextOn);
            paused_ = true;
            ownCount(true);
            setBase(CountPhase::Main, true, nowMs());
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
        ownCount(false);
        setBase(CountPhase::Idle, false, nowMs());
        tell(CountEvent::Reset);
        if (runSettingsOk) runSettingsOk();
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
    const bool alertChanged = alertState_ != 1;
    alertState_ = 1;
    c_.board->setColor(c_.normalSwatch->Color());
    settings_.musicLoopOn = c_.musicLoop->isChecked() ? 1 : 0;
    // A declined reset still takes the alert state back to normal.
    if (!confirmed && alertChanged) tell(CountEvent::Changed);
}

void MainTimer::clear() {
    if (!timer_.Enabled() || dialogs_.confirm(QStringLiteral("正在计时，您确定要清零吗?"))) {
        timer_.setEnabled(false);
        display_.setReadOnly(false);
        display_.clear();
        seconds_ = 0;
        paused_ = false;
        ownCount(false);
        setBase(CountPhase::Idle, false, nowMs());
        tell(CountEvent::Clear);
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
    display_.bar()->setPosition(0);
    c_.prepPanel->show();
}

void MainTimer::set() {
    if (timer_.Enabled()) return;
    seconds_ = display_.fieldsToSeconds();
    writeDuration(seconds_, c_.durationBox, c_.durationUnit);
    display_.bar()->setMax(seconds_);
    display_.bar()->setPosition(seconds_);
    ownCount(false);
    setBase(CountPhase::Idle, false, nowMs());
    tell(CountEvent::Changed);
}

void MainTimer::setDirection(bool countUp) {
    SetRadioChecked(c_.countUp, countUp);
    SetRadioChecked(c_.countDown, !countUp);
    c_.heading->setCaption(countUp ? QStringLiteral("计时") : QStringLiteral("倒计时"));
}

void MainTimer::showValue(int fullCount, int value) {
    if (timer_.Enabled()) return;
    display_.bar()->setMax(fullCount);
    seconds_ = value;
    display_.secondsToFields(seconds_);
    display_.bar()->setPosition(seconds_);
}

void MainTimer::loadDuration(bool separators) {
    display_.loadDuration({c_.countUp, c_.countDown, c_.durationBox, c_.durationUnit, c_.heading,
                           QStringLiteral("倒计时"), QStringLiteral("计时")},
                          seconds_, countUpTarget_, separators);
}

void MainTimer::resumeAt(const ResumePoint& point) {
    timer_.setEnabled(false);
    // The count goes on in its own direction, whatever the settings file says.
    setDirection(point.countUp);
    sound_.StopIfPlaying(sound_.musicPlayer());
    display_.setReadOnly(true);
    display_.bar()->setMax(point.duration);
    seconds_ = point.value;
    display_.secondsToFields(seconds_);
    display_.bar()->setPosition(seconds_);
    c_.prepPanel->hide();
    alertState_ = point.alertState;
    if (point.timeUp) {
        // The step after the last value runs out at once, as it would have.
        seconds_ = point.countUp ? point.duration + 1 : -1;
        timeUp();
        return;
    }
    // A warning that fell in between leaves its colour, as it would have, without its text
    // and sound.
    if (alertState_ == 1) {
        if (const std::optional<int> lead = tickLeadSeconds()) {
            const bool passed = point.countUp ? point.fromValue < *lead && point.value >= *lead
                                              : point.fromValue > *lead && point.value <= *lead;
            if (passed && c_.boardWarningOn->isChecked()) alertState_ = 2;
        }
    }
    if (alertState_ == 2) c_.board->setColor(c_.warningSwatch->Color());
    paused_ = point.paused;
    if (!point.paused) timer_.enableWithPhase(point.phaseMs);
    setBase(CountPhase::Main, point.paused, point.paused ? nowMs() : nowMs() - point.phaseMs);
    tell(CountEvent::Recovered);
}

// ---- anchors ----------------------------------------------------------------------------------

qint64 MainTimer::nowMs() const {
    return timer_.time().now().toMSecsSinceEpoch();
}

void MainTimer::ownCount(bool keepSession) {
    source_ = CountSource::Local;
    if (!keepSession) {
        session_.clear();
        sessionTimes_.reset();
    }
}

void MainTimer::setBase(CountPhase phase, bool paused, qint64 atMs) {
    base_.phase = phase;
    base_.paused = paused;
    base_.countUp = countingUp();
    base_.duration = fullCount();
    base_.value = std::clamp(seconds_, 0, std::max(0, base_.duration));
    base_.atMs = atMs;
    base_.session = session_;
}

Anchor MainTimer::anchorAt(qint64 now) const {
    Anchor a = base_;
    a.session = session_;
    if (a.phase == CountPhase::Idle) {
        // Idle, the count that a start would run: the set duration, as the display shows it.
        a.duration = fullCount();
        a.countUp = countingUp();
        a.value = std::clamp(seconds_, 0, std::max(0, a.duration));
    }
    if (!running()) return a;
    // The step on show began msSinceLastStep ago; the anchor still describes it unless the
    // clock was set since (then the same count is told from the step on show).
    const qint64 stepMs = now - timer_.msSinceLastStep();
    const int shown = std::clamp(seconds_, 0, std::max(0, a.duration));
    if (a.valueAt(stepMs + 500) == shown && stepMs >= a.atMs) return a;
    a.value = shown;
    a.atMs = stepMs;
    return a;
}

void MainTimer::continueFrom(CountSource source, const QString& session,
                             std::optional<SessionTimes> times) {
    source_ = source;
    session_ = session;
    sessionTimes_ = times;
    base_.session = session;
    tell(CountEvent::Changed);
}

void MainTimer::follow(const Anchor& a, qint64 now, CountSource source,
                       std::optional<SessionTimes> times, bool prompts) {
    timer_.setEnabled(false);
    sound_.StopIfPlaying(sound_.musicPlayer());
    source_ = source;
    session_ = a.session;
    sessionTimes_ = times;
    setDirection(a.countUp);
    display_.bar()->setMax(a.duration);
    intervalLimit_ = a.duration;
    paused_ = false;
    alertState_ = 1;
    c_.board->setColor(c_.normalSwatch->Color());
    if (a.phase == CountPhase::Idle) {
        seconds_ = a.value;
        display_.secondsToFields(seconds_);
        display_.bar()->setPosition(seconds_);
        display_.restoreSeparators();
        display_.setReadOnly(false);
        setBase(CountPhase::Idle, false, now);
        tell(CountEvent::Anchored);
        return;
    }
    display_.setReadOnly(true);
    c_.prepPanel->hide();
    const bool ended = a.phase == CountPhase::TimeUp || a.endedAt(now);
    seconds_ = ended ? (a.countUp ? a.duration : 0) : a.valueAt(now);
    display_.secondsToFields(seconds_);
    display_.bar()->setPosition(seconds_);
    if (ended) {
        // The step after the last value, now.
        seconds_ = a.countUp ? a.duration + 1 : -1;
        timeUp();
        return;
    }
    if (prompts) {
        prompts_.show(c_.startText->text(), c_.startTextOn);
        if (c_.startSoundOn->isChecked() && sound_.SoundExists(settings_.startSoundFile))
            sound_.PlayPromptSound(sound_.promptPlayer(), settings_.startSoundFile,
                                   SoundFlag::SuspendLoop);
    }
    // A warning that the count has passed leaves its colour, without its text and sound.
    if (const std::optional<int> lead = tickLeadSeconds()) {
        const bool passed = a.countUp ? seconds_ > *lead : seconds_ < *lead;
        if (passed && c_.boardWarningOn->isChecked()) {
            alertState_ = 2;
            c_.board->setColor(c_.warningSwatch->Color());
        }
    }
    const Anchor here = a.at(now);
    base_ = here;
    base_.phase = CountPhase::Main;
    base_.paused = a.paused;
    base_.value = seconds_;
    paused_ = a.paused;
    if (!a.paused) {
        const int phase = now >= here.atMs ? int((now - here.atMs) % 1000) : 0;
        timer_.enableWithPhase(phase);
    } else {
        base_.atMs = now;
    }
    tell(CountEvent::Anchored);
}
