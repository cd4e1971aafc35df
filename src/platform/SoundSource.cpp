#include "platform/SoundSource.h"

#include <algorithm>
#include <chrono>

DecodedSource::DecodedSource(int channels, int sampleRate, qint64 headFrames, qint64 capacity,
                             qint64 history)
    : channels_(std::max(1, channels)),
      rate_(sampleRate),
      headFrames_(std::max<qint64>(0, headFrames)),
      capacity_(std::max<qint64>(1, capacity)),
      history_(std::clamp<qint64>(history, 0, capacity / 2)) {}

void DecodedSource::setRequests(Requests requests) {
    std::lock_guard lock(mutex_);
    requests_ = std::move(requests);
}

bool DecodedSource::wantsMore() const {
    std::lock_guard lock(mutex_);
    return !passDone_ && !aborted_ && error_.isEmpty() &&
           (winEnd_ - winStart_ < capacity_ || winEnd_ < wanted_);
}

void DecodedSource::append(const float* samples, qint64 frames) {
    if (frames <= 0) return;
    {
        std::lock_guard lock(mutex_);
        // The first pass also fills the head.
        const qint64 headSize = qint64(head_.size()) / channels_;
        if (!headDone_ && winEnd_ == headSize) {
            const qint64 take = std::min(frames, headFrames_ - headSize);
            head_.insert(head_.end(), samples, samples + take * channels_);
            if (headSize + take >= headFrames_) headDone_ = true;
        }
        window_.insert(window_.end(), samples, samples + frames * channels_);
        winEnd_ += frames;
    }
    changed_.notify_all();
}

void DecodedSource::passEnded() {
    {
        std::lock_guard lock(mutex_);
        passDone_ = true;
        length_ = winEnd_;
        headDone_ = true;  // a sound shorter than the head is all head
    }
    changed_.notify_all();
}

void DecodedSource::passStarted() {
    {
        std::lock_guard lock(mutex_);
        window_.clear();
        winStart_ = winEnd_ = 0;
        passDone_ = false;
        restartAsked_ = false;
        ++passes_;
        if (!headDone_) head_.clear();  // the head is made by a pass from its beginning
    }
    changed_.notify_all();
}

void DecodedSource::fail(const QString& reason) {
    {
        std::lock_guard lock(mutex_);
        if (error_.isEmpty()) error_ = reason;
    }
    changed_.notify_all();
}

void DecodedSource::abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
        if (error_.isEmpty()) error_ = QStringLiteral("声音已关闭");
    }
    changed_.notify_all();
}

bool DecodedSource::headReady() const {
    std::lock_guard lock(mutex_);
    return headDone_;
}

qint64 DecodedSource::windowFrames() const {
    std::lock_guard lock(mutex_);
    return winEnd_ - winStart_;
}

SoundFormat DecodedSource::format() const {
    std::lock_guard lock(mutex_);
    return {channels_, rate_, length_};
}

bool DecodedSource::fromHead(qint64 from, qint64 count, std::vector<float>& out) const {
    std::lock_guard lock(mutex_);
    if (from < 0 || count < 0 || from + count > qint64(head_.size()) / channels_) return false;
    const auto first = head_.begin() + from * channels_;
    out.assign(first, first + count * channels_);
    return true;
}

QString DecodedSource::errorString() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void DecodedSource::copy(qint64 from, qint64 count, std::vector<float>& out) const {
    const auto first = window_.begin() + (from - winStart_) * channels_;
    out.assign(first, first + count * channels_);
}

void DecodedSource::trim(qint64 keepFrom) {
    const qint64 until = std::min(keepFrom, winEnd_);
    if (until <= winStart_) return;
    window_.erase(window_.begin(), window_.begin() + (until - winStart_) * channels_);
    winStart_ = until;
}

qint64 DecodedSource::read(qint64 from, qint64 count, std::vector<float>& out) {
    out.clear();
    if (count <= 0 || from < 0) return 0;
    std::unique_lock lock(mutex_);
    // Calls the decoder's request without the lock (it only posts to the decoder's thread).
    const auto ask = [&](const std::function<void()>& request) {
        if (!request) return;
        const std::function<void()> call = request;
        lock.unlock();
        call();
        lock.lock();
    };
    bool askedMore = false;
    for (;;) {
        if (!error_.isEmpty()) return -1;
        if (from >= length_) return 0;
        const qint64 headSize = qint64(head_.size()) / channels_;
        if (from + count <= headSize) {
            const auto first = head_.begin() + from * channels_;
            out.assign(first, first + count * channels_);
            return count;
        }
        if (from < winStart_) {
            // An earlier place than the window holds: the decoder goes back to the beginning.
            if (!restartAsked_) {
                restartAsked_ = true;
                ask(requests_.restart);
                continue;
            }
        } else {
            const qint64 available = winEnd_ - from;
            if (available >= count || (passDone_ && available > 0)) {
                const qint64 n = std::min(count, available);
                copy(from, n, out);
                wanted_ = 0;
                // A full window makes room for the decoder, which waits for it: the frames
                // well before this place are not needed any more.
                if (winEnd_ - winStart_ >= capacity_) {
                    const qint64 before = winStart_;
                    trim(from - history_);
                    if (winStart_ != before) ask(requests_.more);
                }
                return n;
            }
            if (passDone_) return 0;
            // The frames are still to come; the decoder decodes on until it has them.
            if (winEnd_ - winStart_ >= capacity_) trim(from - history_);
            wanted_ = from + count;
            if (!askedMore) {
                askedMore = true;
                ask(requests_.more);
                continue;
            }
        }
        // Waits for the decoder; the guard only matters for a decoder that stopped answering.
        const qint64 end = winEnd_;
        const quint64 pass = passes_;
        const bool woken = changed_.wait_for(lock, std::chrono::milliseconds(kDecodeWaitMs), [&] {
            return winEnd_ != end || passes_ != pass || passDone_ || !error_.isEmpty();
        });
        if (!woken && error_.isEmpty())
            error_ = QStringLiteral("解码器 %1 秒内没有给出声音数据").arg(kDecodeWaitMs / 1000);
    }
}
