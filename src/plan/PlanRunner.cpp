#include "plan/PlanRunner.h"

#include <QCheckBox>
#include <QScopedValueRollback>

#include "core/Files.h"
#include "core/WorkThread.h"
#include "platform/TimeSource.h"
#include "timing/MainTimer.h"
#include "timing/PrepTimer.h"
#include "widgets/Controls.h"

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;
// The keys kept: a few days of sessions are plenty to never start one twice.
constexpr int kKeptKeys = 400;

MainTimer::SessionTimes TimesOf(const Occurrence& o) {
    return {o.session.warning, o.session.interval};
}

QString Title(const Occurrence& o) {
    return o.session.title.isEmpty() ? o.session.id : o.session.title;
}

}  // namespace

PlanRunner::PlanRunner(const Parts& parts, const Controls& controls)
    : time_(parts.time), main_(parts.main), prep_(parts.prep), c_(controls) {}

PlanRunner::~PlanRunner() = default;

qint64 PlanRunner::nowMs() const {
    return time_.now().toMSecsSinceEpoch();
}

void PlanRunner::setPlan(const Plan& plan, bool enabled, bool save) {
    const bool switched = enabled != enabled_;
    plan_ = plan;
    enabled_ = enabled;
    if (save && planFile_) planFile_->write(EncodePlan(plan_));
    if (save && switched) saveState();
    // A session no longer in the plan, or the plan switched off: its title goes.
    if (!titleKey_.isEmpty()) {
        const auto cur = current();
        if (!enabled_ || !cur || cur->key != titleKey_) restoreTitle();
    }
    Q_EMIT sessionsChanged();
}

void PlanRunner::setRoom(const QString& room) {
    room_ = room;
    Q_EMIT sessionsChanged();
}

void PlanRunner::setStatePath(const QString& path) {
    file_ = std::make_unique<BackgroundFile>(path);
    const FileRead read = ReadRegularFile(path, 64 * 1024);
    if (!read.ok()) return;
    const QMap<QString, QString> values = ParseKeyValues(read.bytes);
    done_ = values.value(QStringLiteral("done")).split(u',', Qt::SkipEmptyParts);
    enabled_ = values.value(QStringLiteral("enabled")) != QLatin1String("false");
}

void PlanRunner::setPlanPath(const QString& path) {
    planFile_ = std::make_unique<BackgroundFile>(path);
}

void PlanRunner::saveState() {
    if (!file_) return;
    file_->write(EncodeKeyValues({{QStringLiteral("done"), done_.join(u',')},
                                  {QStringLiteral("enabled"),
                                   enabled_ ? QStringLiteral("true") : QStringLiteral("false")}}));
}

bool PlanRunner::flush(int timeoutMs) {
    const bool state = file_ ? file_->flush(timeoutMs) : true;
    const bool plan = planFile_ ? planFile_->flush(timeoutMs) : true;
    return state && plan;
}

void PlanRunner::markDone(const QString& key) {
    if (done_.contains(key)) return;
    done_ << key;
    while (done_.size() > kKeptKeys)
        done_.removeFirst();
    saveState();
}

std::optional<Occurrence> PlanRunner::current() const {
    if (!enabled_) return std::nullopt;
    return CurrentOccurrence(plan_, room_, nowMs());
}

std::optional<Occurrence> PlanRunner::next() const {
    if (!enabled_) return std::nullopt;
    return NextOccurrence(plan_, room_, nowMs());
}

bool PlanRunner::resumeOnStart(const std::optional<CountState>& saved) {
    armed_ = true;
    const auto occ = current();
    if (!occ || !saved || saved->source != CountSource::Plan || saved->session != occ->session.id)
        return false;
    const qint64 now = nowMs();
    note(QStringLiteral("恢复计时：考试安排的“%1”正在进行，按安排继续").arg(Title(*occ)));
    if (now < occ->startMs)
        startPrep(*occ, now);
    else
        startMain(*occ, now);
    return true;
}

void PlanRunner::tick() {
    if (!armed_) return;
    if (!enabled_ || plan_.sessions.isEmpty()) {
        if (!titleKey_.isEmpty()) restoreTitle();
        return;
    }
    const qint64 now = nowMs();
    skipMissed(now);
    const auto occ = CurrentOccurrence(plan_, room_, now);
    if (occ) {
        if (now < occ->startMs) {
            if (prepKey_ != occ->key && !done(occ->key)) startPrep(*occ, now);
        } else if (!done(occ->key)) {
            startMain(*occ, now);
        }
        keepOnAnchor(*occ, now);
    }
    // The title stays on the board (the settings' OK redraws the board's title from its box).
    if (!titleKey_.isEmpty() && c_.title->text() != titleShown_) {
        c_.title->setCaption(titleShown_);
        c_.title->show();
    }
}

void PlanRunner::startPrep(const Occurrence& o, qint64 now) {
    const QScopedValueRollback<bool> own(applying_, true);
    const bool onTime = now - o.prepMs < kOnTimeMs;
    // The board leaves whatever the last count left (a time-up that flashes): the main display
    // shows the session's full count, as a reset would.
    Anchor idle = o.mainAnchor();
    idle.phase = CountPhase::Idle;
    main_.follow(idle, now, CountSource::Plan, TimesOf(o), false);
    if (o.session.prep > 0)
        prep_.follow(o.prepAnchor(), now, CountSource::Plan, TimesOf(o), onTime);
    prepKey_ = o.key;
    showTitle(o);
    note(QStringLiteral("考试安排：“%1”预备开始%2")
             .arg(Title(o), onTime ? QString() : QStringLiteral("（迟到接入）")));
    Q_EMIT sessionsChanged();
}

void PlanRunner::startMain(const Occurrence& o, qint64 now) {
    const QScopedValueRollback<bool> own(applying_, true);
    const bool onTime = now - o.startMs < kOnTimeMs;
    if (prep_.running() || prep_.paused()) prep_.stopQuietly();
    prep_.setDirection(o.session.countUp);
    main_.follow(o.mainAnchor(), now, CountSource::Plan, TimesOf(o), onTime);
    prepKey_ = o.key;
    markDone(o.key);
    showTitle(o);
    note(QStringLiteral("考试安排：“%1”开始%2")
             .arg(Title(o), onTime ? QString() : QStringLiteral("（迟到接入）")));
    Q_EMIT sessionsChanged();
}

// A count of the plan that runs stays on its anchor: after the clock was set, or the machine
// slept, it shows what every other room shows. Half a second either way is the step's own
// phase, not a difference.
void PlanRunner::keepOnAnchor(const Occurrence& o, qint64 now) {
    const QScopedValueRollback<bool> own(applying_, true);
    const auto off = [now](const Anchor& want, int shown) {
        return want.valueAt(now - 500) != shown && want.valueAt(now + 500) != shown;
    };
    if (now >= o.startMs && main_.running() && main_.source() == CountSource::Plan &&
        main_.session() == o.session.id) {
        const Anchor want = o.mainAnchor();
        if (off(want, main_.seconds())) {
            note(QStringLiteral("时钟变动：“%1”按考试安排校正").arg(Title(o)));
            main_.follow(want, now, CountSource::Plan, TimesOf(o), false);
        }
    } else if (now < o.startMs && prep_.running() && prep_.source() == CountSource::Plan &&
               prep_.session() == o.session.id) {
        const Anchor want = o.prepAnchor();
        if (off(want, prep_.seconds())) {
            note(QStringLiteral("时钟变动：“%1”的预备按考试安排校正").arg(Title(o)));
            prep_.follow(want, now, CountSource::Plan, TimesOf(o), false);
        }
    }
}

// A session whose whole count passed while the program was not running (or the machine slept)
// is not started late: it is noted once.
void PlanRunner::skipMissed(qint64 now) {
    for (const Occurrence& o : OccurrencesIn(plan_, room_, now - kDayMs, now)) {
        if (done(o.key) || o.endMs() + 1000 > now || o.startMs < now - kDayMs) continue;
        markDone(o.key);
        note(QStringLiteral("考试安排：“%1”（%2）已错过，未开始").arg(Title(o), BoardTitle(o)));
    }
}

void PlanRunner::showTitle(const Occurrence& o) {
    titleKey_ = o.key;
    titleShown_ = BoardTitle(o);
    c_.title->setCaption(titleShown_);
    c_.title->show();
}

void PlanRunner::restoreTitle() {
    titleKey_.clear();
    titleShown_.clear();
    c_.title->setCaption(c_.titleText->text());
    c_.title->setVisible(c_.titleOn->isChecked());
}

void PlanRunner::mainChanged(CountEvent event) {
    ownCommand(event, true);
}

void PlanRunner::prepChanged(CountEvent event) {
    ownCommand(event, false);
}

// The operator's own command (or the schedule's automatic start) while a session of the plan
// is on: the count is the room's from here. A reset or a clear of the main count ends the
// session on the board, and it is not started again; the preparation's leaves the session to
// start on its second.
void PlanRunner::ownCommand(CountEvent event, bool main) {
    if (applying_ || titleKey_.isEmpty()) return;
    switch (event) {
        case CountEvent::Reset:
        case CountEvent::Clear:
            // The preparation's reset leaves the session to start on its second.
            if (!main) break;
            markDone(titleKey_);
            note(QStringLiteral("考试安排：“%1”由操作员%2")
                     .arg(titleShown_, event == CountEvent::Reset ? QStringLiteral("复位")
                                                                  : QStringLiteral("清零")));
            restoreTitle();
            break;
        case CountEvent::Start:
            // A count the operator starts afresh is not the session's.
            if (main ? main_.session().isEmpty() : prep_.session().isEmpty()) {
                markDone(titleKey_);
                restoreTitle();
            }
            break;
        default:
            break;
    }
}
