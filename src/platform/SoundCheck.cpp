#include "platform/SoundCheck.h"

#include <QRegularExpression>
#include <algorithm>

FileCheck::FileCheck(QStringList paths)
    : paths_(std::move(paths)), verdicts_(size_t(paths_.size())) {}

QList<int> FileCheck::probed(const QList<SoundProbe>& probes) {
    QList<int> toDecode;
    for (qsizetype i = 0; i < paths_.size() && i < probes.size(); ++i) {
        const SoundProbe& p = probes[i];
        if (p.kind == SoundProbe::Kind::Unplayable)
            verdicts_[size_t(i)] = p.reason;
        else if (p.kind == SoundProbe::Kind::Pcm)
            verdicts_[size_t(i)] = QString();
        else
            toDecode << int(i);
    }
    return toDecode;
}

void FileCheck::decoded(int index, const QString& error) {
    if (index < 0 || size_t(index) >= verdicts_.size() || verdicts_[size_t(index)]) return;
    verdicts_[size_t(index)] = error;
}

bool FileCheck::complete() const {
    for (const auto& v : verdicts_)
        if (!v) return false;
    return true;
}

QList<SoundProblem> FileCheck::problems(bool timedOut) const {
    QList<SoundProblem> out;
    for (size_t i = 0; i < verdicts_.size(); ++i) {
        if (verdicts_[i] && !verdicts_[i]->isEmpty())
            out.append({paths_[qsizetype(i)], *verdicts_[i]});
        else if (!verdicts_[i] && timedOut)
            out.append({paths_[qsizetype(i)], undecidedReason(), true});
    }
    return out;
}

QString FileCheck::undecidedReason() {
    return QStringLiteral("%1 秒内未能确定能否播放").arg(SoundOutput::kCheckTimeoutMs / 1000);
}

std::optional<bool> ParsePactlMute(const QString& text) {
    static const QRegularExpression re(QStringLiteral("Mute:\\s*(yes|no)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1) == QLatin1String("yes");
}

std::optional<bool> ParsePactlVolumeZero(const QString& text) {
    // Only the "Volume:" line: the balance and the "base volume" lines carry other numbers.
    const qsizetype at = text.indexOf(QLatin1String("Volume:"));
    if (at < 0) return std::nullopt;
    const QString line = text.mid(at).section(u'\n', 0, 0);
    static const QRegularExpression percent(QStringLiteral("(\\d+)%"));
    bool any = false;
    for (auto it = percent.globalMatch(line); it.hasNext();) {
        any = true;
        if (it.next().captured(1).toInt() != 0) return false;
    }
    if (!any) return std::nullopt;
    return true;
}

bool PactlEventConcernsOutput(const QString& line) {
    return line.contains(QLatin1String(" on sink #")) || line.contains(QLatin1String(" on server"));
}

PactlWatch::Step PactlWatch::read(const QByteArray& bytes, qint64 nowMs) {
    Step step;
    if (gaveUp_) return step;
    int events = 0;
    bool concerns = false;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', from);
        const qsizetype stop = end < 0 ? bytes.size() : end;
        if (partial_.size() + (stop - from) > kMaxLineBytes) {
            // No event line is that long: this is not pactl's event stream.
            partial_.clear();
            gaveUp_ = true;
            step.giveUp = true;
            return step;
        }
        partial_.append(bytes.constData() + from, stop - from);
        if (end < 0) break;
        ++events;
        // Once a query is asked for, the lines are only counted.
        if (!concerns && !queryDue_)
            concerns = PactlEventConcernsOutput(QString::fromUtf8(partial_));
        partial_.clear();
        from = end + 1;
    }
    if (flooding(nowMs, bytes.size(), events)) {
        partial_.clear();
        gaveUp_ = true;
        step.giveUp = true;
        return step;
    }
    if (concerns && !queryDue_) {
        queryDue_ = true;
        step.queryInMs = int(std::max<qint64>(kSettleMs, lastQueryMs_ + kQueryGapMs - nowMs));
    }
    return step;
}

void PactlWatch::queried(qint64 nowMs) {
    queryDue_ = false;
    lastQueryMs_ = nowMs;
}

bool PactlWatch::flooding(qint64 nowMs, qint64 bytes, int events) {
    if (nowMs - secondStartMs_ >= 1000) {
        // The second counted is over: was it a flood? A pause of more than a second ends one.
        const bool flood = secondEvents_ > kFloodEvents || secondBytes_ > kFloodBytes;
        floodSeconds_ = flood && nowMs - secondStartMs_ < 2000 ? floodSeconds_ + 1 : 0;
        secondStartMs_ = nowMs;
        secondBytes_ = 0;
        secondEvents_ = 0;
    }
    secondBytes_ += bytes;
    secondEvents_ += events;
    return floodSeconds_ >= kFloodSeconds;
}

QString SoundProblemsText(const QList<SoundProblem>& problems) {
    if (problems.isEmpty()) return QString();
    if (problems.size() == 1)
        return SoundFileErrorText(problems.front().path, problems.front().reason);
    QStringList lines;
    lines << QStringLiteral("以下 %1 个声音文件无法播放：").arg(problems.size());
    for (const SoundProblem& p : problems)
        lines << SoundFileErrorText(p.path, p.reason);
    return lines.join(u'\n');
}

QString OutputStateText(OutputState state, const QString& name) {
    switch (state) {
        case OutputState::Ok:
            return QString();
        case OutputState::Missing:
            return QStringLiteral("没有声音输出设备，提示音听不到");
        case OutputState::Muted:
            return name.isEmpty()
                       ? QStringLiteral("声音输出已静音（或音量为 0），提示音听不到")
                       : QStringLiteral("声音输出“%1”已静音（或音量为 0），提示音听不到").arg(name);
    }
    return QString();
}
