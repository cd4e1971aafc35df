#include "timing/CountKeeper.h"

#include <QFileInfo>

#include "core/Files.h"
#include "platform/Dialogs.h"
#include "platform/SessionLog.h"
#include "platform/TimeSource.h"
#include "timing/MainTimer.h"
#include "timing/PrepTimer.h"

namespace {

const QString kMain = QStringLiteral("正式计时");
const QString kPrep = QStringLiteral("预备计时");

QString Direction(bool countUp) {
    return countUp ? QStringLiteral("正计时") : QStringLiteral("倒计时");
}

}  // namespace

CountKeeper::CountKeeper(TimeSource& time, Dialogs& dialogs, SessionLog* log, MainTimer& main,
                         PrepTimer& prep)
    : time_(time), dialogs_(dialogs), log_(log), main_(main), prep_(prep) {}

CountKeeper::~CountKeeper() {
    if (retry_) time_.cancel(retry_);
}

void CountKeeper::setStatePath(const QString& path, const QString& markerPath) {
    file_ = std::make_unique<BackgroundFile>(path, markerPath);
    file_->onDone([this](int error) { written(error); });
}

QString CountKeeper::statePath() const {
    return file_ ? file_->path() : QString();
}

qint64 CountKeeper::nowMs() const {
    return time_.now().toMSecsSinceEpoch();
}

void CountKeeper::note(const QString& event) {
    if (log_) log_->append(time_.now(), event);
}

CountState CountKeeper::mainState(bool paused) const {
    CountState s;
    s.timer = CountState::Timer::Main;
    s.countUp = main_.countingUp();
    s.duration = main_.fullCount();
    s.value = std::max(0, main_.seconds());
    // The instant of the step on show (a count taken from an anchor runs on its own grid).
    s.since = main_.running() ? main_.anchorAt(nowMs()).atMs : nowMs();
    s.paused = paused;
    s.alertState = main_.alertState();
    s.source = main_.source();
    s.session = main_.session();
    return s;
}

CountState CountKeeper::prepState(bool paused) const {
    CountState s;
    s.timer = CountState::Timer::Prep;
    s.countUp = main_.countingUp();
    s.duration = prep_.fullCount();
    s.value = std::max(0, prep_.seconds());
    s.since = prep_.running() ? prep_.anchorAt(nowMs()).atMs : nowMs();
    s.paused = paused;
    s.alertState = main_.alertState();
    s.source = prep_.source();
    s.session = prep_.session();
    s.mainDuration = main_.fullCount();
    // The value the main timer will start from at the hand-over; a display that cannot be
    // read now starts from its full count.
    try {
        s.mainValue = main_.displayedValue();
    } catch (...) {
        s.mainValue = s.mainDuration;
    }
    return s;
}

void CountKeeper::keep(const std::optional<CountState>& state) {
    if (closed_ || state == current_) return;
    current_ = state;
    write();
}

void CountKeeper::write() {
    if (!file_) return;
    if (current_)
        file_->write(EncodeCountState(*current_));
    else
        file_->remove();
}

// The outcome of a write or a removal, on this thread.
void CountKeeper::written(int error) {
    if (!error) {
        if (failing_) {
            failing_ = false;
            note(QStringLiteral("计时状态已重新保存"));
            if (onNotice) onNotice(QString());
        }
        return;
    }
    if (!failing_) {
        failing_ = true;
        const QString reason = WriteErrorText(error);
        note(QStringLiteral("计时状态未能保存（%1）：程序若意外中断，只能恢复到此前保存的状态")
                 .arg(reason));
        if (onNotice) onNotice(QStringLiteral("计时状态未能保存（%1）").arg(reason));
    }
    // Tried again a little later (the operator may free the disk), until it is written.
    if (retry_ || closed_) return;
    retry_ = time_.callAt(time_.monotonicMs() + kRetryMs, [this] {
        retry_ = 0;
        if (failing_ && !closed_) write();
    });
}

void CountKeeper::on(CountState::Timer which, CountEvent event) {
    const bool main = which == CountState::Timer::Main;
    const QString& name = main ? kMain : kPrep;
    const int value = main ? main_.seconds() : prep_.seconds();
    const bool counts = current_ && current_->timer == which;
    auto state = [&](bool paused) { return main ? mainState(paused) : prepState(paused); };
    switch (event) {
        case CountEvent::Start:
            note(QStringLiteral("%1开始 %2 %3")
                     .arg(name, Direction(main_.countingUp()), DisplayText(value)));
            keep(state(false));
            break;
        case CountEvent::Anchored: {
            const bool runs =
                main ? main_.running() || main_.paused() : prep_.running() || prep_.paused();
            const CountSource source = main ? main_.source() : prep_.source();
            const QString from = source == CountSource::Plan ? QStringLiteral("按考试安排")
                                 : source == CountSource::Office ? QStringLiteral("按考务中心指令")
                                                                 : QString();
            if (!runs) {
                note(QStringLiteral("%1%2停止").arg(name, from));
                if (counts) keep(std::nullopt);
                break;
            }
            const bool paused = main ? main_.paused() : prep_.paused();
            note(QStringLiteral("%1%2开始 %3 %4%5")
                     .arg(name, from, Direction(main_.countingUp()), DisplayText(value),
                          paused ? QStringLiteral("（暂停中）") : QString()));
            keep(state(paused));
            break;
        }
        case CountEvent::Resume:
            note(QStringLiteral("%1继续 %2").arg(name, DisplayText(value)));
            keep(state(false));
            break;
        case CountEvent::Pause:
            note(QStringLiteral("%1暂停 %2").arg(name, DisplayText(value)));
            keep(state(true));
            break;
        case CountEvent::Reset:
        case CountEvent::Clear:
        case CountEvent::TimeUp: {
            static const QString what[] = {QStringLiteral("复位"), QStringLiteral("清零"),
                                           QStringLiteral("到点")};
            const int i = event == CountEvent::Reset ? 0 : event == CountEvent::Clear ? 1 : 2;
            note(name + what[i]);
            if (counts) keep(std::nullopt);
            break;
        }
        case CountEvent::Warning:
            note(QStringLiteral("%1预警 %2").arg(name, DisplayText(value)));
            [[fallthrough]];
        case CountEvent::Changed:
            if (counts) {
                CountState s = *current_;
                s.alertState = main_.alertState();
                keep(s);
            }
            break;
        case CountEvent::HandOver:
            // The main timer's start follows and takes the state over.
            note(name + QStringLiteral("结束，转入正式计时"));
            break;
        case CountEvent::Recovered:
            break;  // written by the recovery itself
        case CountEvent::Step:
            break;  // the state file holds where the count began, not each step
    }
}

void CountKeeper::close(bool keepState) {
    if (!keepState && !asking_) keep(std::nullopt);
    closed_ = true;
    if (retry_) time_.cancel(retry_);
    retry_ = 0;
}

std::optional<CountState> CountKeeper::saved() const {
    if (!file_) return std::nullopt;
    const FileRead read = ReadRegularFile(file_->path(), 4096);
    return read.ok() ? DecodeCountState(read.bytes) : std::nullopt;
}

void CountKeeper::offerRecovery() {
    if (!file_ || closed_) return;
    // The state file; without it, one moved aside because a later command could not be
    // written. A marker left where the folder could not be written at all also makes it stale.
    const QString marker = file_->markerPath();
    const bool marked = !marker.isEmpty() && QFileInfo::exists(marker);
    bool stale = marked;
    FileRead read = ReadRegularFile(file_->path(), 4096);
    if (read.status == FileRead::Status::Missing) {
        read = ReadRegularFile(BackgroundFile::StalePathOf(file_->path()), 4096);
        stale = true;
    }
    if (read.status == FileRead::Status::Missing) {
        if (marked) file_->remove();  // nothing is left that it could speak of
        return;
    }
    const std::optional<CountState> state = read.ok() ? DecodeCountState(read.bytes) : std::nullopt;
    std::optional<ResumePoint> point = state ? ResumeAt(*state, nowMs()) : std::nullopt;
    // What the file held is taken up or dropped; either way the file is written anew from here.
    auto drop = [this] {
        current_.reset();
        file_->remove();
    };
    if (!point) {
        if (!state) note(QStringLiteral("上次计时的记录已损坏，未恢复"));
        drop();
        return;
    }
    if (stale) note(QStringLiteral("上次计时的状态早于中断前最后的操作（那次操作未能保存）"));
    // While the question is open the clock ticks; the program may even be ended (a signal, the
    // end of the session, the schedule). Then nobody has answered: the file stays as it is
    // for the next start.
    note(QStringLiteral("询问是否恢复上次中断的计时"));
    asking_ = true;
    const bool yes = dialogs_.confirm(stale ? StaleRecoveryQuestion() : RecoveryQuestion());
    asking_ = false;
    if (closed_) {
        note(QStringLiteral("恢复计时的询问未得到答复，上次计时的状态留待下次启动"));
        return;
    }
    if (!yes) {
        note(QStringLiteral("上次计时意外中断，未恢复"));
        drop();
        return;
    }
    // The count went on while the question was open: it stands where it is at the answer.
    point = ResumeAt(*state, nowMs());
    if (!point) {
        note(QStringLiteral("上次计时意外中断，答复时已过期，未恢复"));
        drop();
        return;
    }
    resume(*state, *point);
}

void CountKeeper::resume(const CountState& state, ResumePoint point) {
    const qint64 now = nowMs();
    const bool main = point.timer == CountState::Timer::Main;
    const QString name = main ? kMain : kPrep;
    if (point.handedOver) note(QStringLiteral("恢复计时：预备计时已在中断期间结束"));
    if (point.timeUp) {
        note(QStringLiteral("恢复计时：%1已在中断期间到点").arg(name));
    } else {
        note(QStringLiteral("恢复%1%2 %3")
                 .arg(name, point.paused ? QStringLiteral("（暂停中）") : QString(),
                      DisplayText(point.value)));
    }
    // The count goes on in its own direction (both timers share it); the display of the
    // timer that does not count is loaded again for it.
    const bool turned = main_.countingUp() != point.countUp;
    main_.setDirection(point.countUp);
    prep_.setDirection(point.countUp);
    // The state that follows: the count as it stands now, its steps on the old grid.
    CountState next;
    next.timer = point.timer;
    next.countUp = point.countUp;
    next.duration = point.duration;
    next.value = point.value;
    next.since = point.paused ? now : now - point.phaseMs;
    next.paused = point.paused;
    if (!main) {
        next.mainValue = state.mainValue;
        next.mainDuration = state.mainDuration;
    }
    current_ = next;  // the timer's own events from here find the count as it now stands
    if (main) {
        if (turned) {
            try {
                prep_.loadDuration(false);
            } catch (...) {
                // A duration box that does not convert leaves the idle display as it was.
            }
        }
        main_.resumeAt(point);  // a time-up at once removes the state
        if (!point.timeUp) {
            next.alertState = main_.alertState();
            current_.reset();
            keep(next);
        }
    } else {
        // The main display shows what the main count will start from at the hand-over.
        main_.showValue(state.mainDuration, state.mainValue);
        prep_.resumeAt(point);
        next.alertState = main_.alertState();
        current_.reset();
        keep(next);
    }
}
