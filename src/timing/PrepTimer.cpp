#include "timing/PrepTimer.h"

#include <QCheckBox>
#include <QRadioButton>
#include <algorithm>

#include "core/CountState.h"
#include "core/SettingsRecord.h"
#include "platform/Dialogs.h"
#include "platform/TTimer.h"
#include "platform/TimeSource.h"
#include "presentation/PromptTexts.h"
#include "presentation/SoundPrompts.h"
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
        display_.secondsToFields(seconds_);
        display_.bar()->setPosition(seconds_);
        display_.stepSeparators(c_.blinkOn->isChecked());
        tell(CountEvent::Step);
    };
    if (c_.countUp->isChecked()) {
        // Counting up, the bar's position is the value between steps.
        seconds_ = display_.bar()->Position() + 1;
        if (seconds_ > display_.bar()->Max()) {
            handOver();
            return;
        }
        show();
    }
    if (c_.countDown->isChecked()) {
        --seconds_;
        if (seconds_ < 0) {
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
    const CountSource source = source_;
    const QString session = session_;
    const auto times = sessionTimes_;
    setBase(false, nowMs());
    base_.phase = CountPhase::Idle;
    main_.start();
    // The main count comes from where the preparation came from.
    if (source != CountSource::Local) main_.continueFrom(source, session, times);
}

void PrepTimer::start() {
    sound_.StopIfPlaying(sound_.musicPlayer());
    if (timer_.Enabled()) return;
    prompts_.show(c_.prepText->text(), c_.prepTextOn);
    if (c_.prepSoundOn->isChecked() && sound_.SoundExists(settings_.prepSoundFile))
        sound_.PlayPromptSound(sound_.promptPlayer(), settings_.prepSoundFile);
    display_.fillEmptyDigits();
    display_.setReadOnly(true);
    seconds_ = display_.fieldsToSeconds();
    display_.bar()->setPosition(seconds_);
    timer_.setEnabled(true);
    const bool resumed = paused_;
    paused_ = false;
    source_ = CountSource::Local;
    if (!resumed) {
        session_.clear();
        sessionTimes_.reset();
    }
    setBase(false, nowMs());
    tell(resumed ? CountEvent::Resume : CountEvent::Start);
}

void PrepTimer::pause() {
    if (timer_.Enabled()) {
        if (dialogs_.confirm(QStringLiteral("正在预备倒计时，您确定要暂停吗?"))) {
            timer_.setEnabled(false);
            paused_ = true;
            source_ = CountSource::Local;
            setBase(true, nowMs());
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
        source_ = CountSource::Local;
        session_.clear();
        sessionTimes_.reset();
        setBase(false, nowMs());
        base_.phase = CountPhase::Idle;
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
        seconds_ = 0;
        paused_ = false;
        source_ = CountSource::Local;
        session_.clear();
        sessionTimes_.reset();
        setBase(false, nowMs());
        base_.phase = CountPhase::Idle;
        tell(CountEvent::Clear);
    }
    sound_.StopIfPlaying(sound_.promptPlayer());
    display_.bar()->setPosition(0);
}

void PrepTimer::set() {
    if (timer_.Enabled()) return;
    if (c_.panel->isHidden()) c_.panel->show();
    seconds_ = display_.fieldsToSeconds();
    writeDuration(seconds_, c_.durationBox, c_.durationUnit);
    display_.bar()->setMax(seconds_);
    display_.bar()->setPosition(seconds_);
    tell(CountEvent::Changed);
}

void PrepTimer::loadDuration(bool separators) {
    display_.loadDuration({c_.countUp, c_.countDown, c_.durationBox, c_.durationUnit, c_.heading,
                           QStringLiteral("预备倒计时"), QStringLiteral("预备计时")},
                          seconds_, countUpTarget_, separators);
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
    seconds_ = point.value;
    display_.secondsToFields(seconds_);
    display_.bar()->setPosition(seconds_);
    paused_ = point.paused;
    if (!point.paused) timer_.enableWithPhase(point.phaseMs);
    setBase(point.paused, point.paused ? nowMs() : nowMs() - point.phaseMs);
    tell(CountEvent::Recovered);
}

// ---- anchors ----------------------------------------------------------------------------------

qint64 PrepTimer::nowMs() const {
    return timer_.time().now().toMSecsSinceEpoch();
}

void PrepTimer::setBase(bool paused, qint64 atMs) {
    base_.phase = CountPhase::Prep;
    base_.paused = paused;
    base_.countUp = c_.countUp->isChecked();
    base_.duration = fullCount();
    base_.value = std::clamp(seconds_, 0, std::max(0, base_.duration));
    base_.atMs = atMs;
    base_.session = session_;
}

Anchor PrepTimer::anchorAt(qint64 now) const {
    Anchor a = base_;
    a.session = session_;
    if (!running()) {
        if (!paused_) a.phase = CountPhase::Idle;
        return a;
    }
    const qint64 stepMs = now - timer_.msSinceLastStep();
    const int shown = std::clamp(seconds_, 0, std::max(0, a.duration));
    if (a.valueAt(stepMs + 500) == shown && stepMs >= a.atMs) return a;
    a.value = shown;
    a.atMs = stepMs;
    return a;
}

void PrepTimer::stopQuietly() {
    if (!timer_.Enabled() && !paused_) return;
    timer_.setEnabled(false);
    paused_ = false;
    display_.restoreSeparators();
    setBase(false, nowMs());
    base_.phase = CountPhase::Idle;
    tell(CountEvent::Anchored);
}

void PrepTimer::follow(const Anchor& a, qint64 now, CountSource source,
                       std::optional<MainTimer::SessionTimes> times, bool prompts) {
    timer_.setEnabled(false);
    source_ = source;
    session_ = a.session;
    sessionTimes_ = times;
    paused_ = false;
    if (a.phase != CountPhase::Prep) {
        display_.restoreSeparators();
        display_.setReadOnly(false);
        setBase(false, now);
        base_.phase = CountPhase::Idle;
        tell(CountEvent::Anchored);
        return;
    }
    sound_.StopIfPlaying(sound_.musicPlayer());
    setDirection(a.countUp);
    main_.setDirection(a.countUp);
    if (c_.panel->isHidden()) c_.panel->show();
    display_.setReadOnly(true);
    display_.bar()->setMax(a.duration);
    seconds_ = a.valueAt(now);
    display_.secondsToFields(seconds_);
    display_.bar()->setPosition(seconds_);
    if (prompts) {
        prompts_.show(c_.prepText->text(), c_.prepTextOn);
        if (c_.prepSoundOn->isChecked() && sound_.SoundExists(settings_.prepSoundFile))
            sound_.PlayPromptSound(sound_.promptPlayer(), settings_.prepSoundFile);
    }
    const Anchor here = a.at(now);
    paused_ = a.paused;
    setBase(a.paused, a.paused ? now : here.atMs);
    if (a.endedAt(now)) {
        handOver();
        return;
    }
    if (!a.paused) timer_.enableWithPhase(now >= here.atMs ? int((now - here.atMs) % 1000) : 0);
    tell(CountEvent::Anchored);
}
