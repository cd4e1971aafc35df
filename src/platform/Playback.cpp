#include "platform/Playback.h"

#include <algorithm>
#include <vector>

Playback::Playback(StreamPool& pool) : pool_(pool) {}

Playback::~Playback() {
    retireStream();
}

qint64 Playback::framesFor(qint64 us) const {
    return us * format_.sampleRate / 1'000'000;
}

qint64 Playback::usFor(qint64 frames) const {
    return format_.sampleRate > 0 ? frames * 1'000'000 / format_.sampleRate : 0;
}

void Playback::open(const SoundFormat& format, qint64 nowUs) {
    stop(nowUs);
    format_ = format;
    end_ = std::max<qint64>(0, format.frames);
    position_ = 0;
    // An idle stream of the same format serves the new sound too.
    if (stream_ &&
        (stream_->channels() != format.channels || stream_->sampleRate() != format.sampleRate))
        retireStream();
}

void Playback::close(qint64 nowUs) {
    stop(nowUs);
    format_ = SoundFormat();
    end_ = 0;
    position_ = 0;
}

void Playback::play(qint64 nowUs) {
    settle(nowUs);
    if (running_ || end_ == 0) return;
    if (position_ >= end_) position_ = 0;
    running_ = true;
    started_ = false;
    ++run_;
    requestedUs_ = nowUs;
    runStart_ = fed_ = position_;
}

void Playback::stop(qint64 nowUs) {
    settle(nowUs);
    if (!running_) return;
    running_ = false;
    if (!started_) return;  // nothing was handed over: nothing heard, the place stays
    position_ = runStart_ + heardInRun(nowUs);
    // The frames still queued must not be heard: the stream goes, a new run takes another.
    if (nowUs < streamDrainedUs_) retireStream();
}

PlayerState Playback::state(qint64 nowUs) {
    settle(nowUs);
    return running_ ? PlayerState::Playing : PlayerState::Stopped;
}

qint64 Playback::position(qint64 nowUs) {
    settle(nowUs);
    return running_ && started_ ? runStart_ + heardInRun(nowUs) : position_;
}

// The frames of the run heard so far: the server's clock. Right after a dry stream is given
// frames the clock may already count them (it is clamped to what was written and
// interpolated from the server's last report), until the server has really played the first
// buffer; so until then it is bounded by the time since the first frames went in. Not later:
// an output whose clock runs a little faster than the system's would be reported ended late.
qint64 Playback::heardInRun(qint64 nowUs) {
    qint64 heard = stream_->framesPlayed() - runStreamStart_;
    const qint64 byClock = framesFor(nowUs - runStartUs_);
    if (byClock < 2 * stream_->bufferFrames()) heard = std::min(heard, byClock);
    return std::clamp<qint64>(heard, 0, fed_ - runStart_);
}

bool Playback::runEnded(qint64 nowUs) {
    if (fed_ < end_) return false;
    const qint64 runFrames = end_ - runStart_;
    if (heardInRun(nowUs) + framesFor(kEndSlackUs) >= runFrames) return true;
    return nowUs - runStartUs_ > usFor(runFrames) + kStallGraceUs;
}

// Ends a run that is over: played to its end, its stream failed, or no stream came.
void Playback::settle(qint64 nowUs) {
    if (!running_) return;
    if (!started_) {
        if (!pool_.hasOutput() || nowUs - requestedUs_ > kStreamWaitUs) running_ = false;
        return;
    }
    if (stream_->framesFree() < 0) {  // the output went away under the run
        endRun(runStart_ + heardInRun(nowUs));
        retireStream();
        return;
    }
    if (runEnded(nowUs)) endRun(end_);
}

void Playback::endRun(qint64 position) {
    running_ = false;
    position_ = position;
}

void Playback::retireStream() {
    if (stream_) pool_.retire(std::move(stream_));
    written_ = 0;
    streamDrainedUs_ = 0;
}

bool Playback::streamUsable(qint64 nowUs) {
    return stream_ && stream_->channels() == format_.channels &&
           stream_->sampleRate() == format_.sampleRate && pool_.current(*stream_) &&
           stream_->framesFree() >= 0 && nowUs >= streamDrainedUs_ + kReuseMarginUs;
}

FeedPlan Playback::plan(qint64 nowUs) {
    settle(nowUs);
    if (!running_) return {};
    if (!started_) {
        if (!streamUsable(nowUs)) {
            retireStream();
            stream_ = pool_.take(format_.channels, format_.sampleRate);
            if (!stream_) return {};
        }
        const qint64 room = stream_->framesFree();
        if (room <= 0) return {};
        return {run_, fed_, std::min(room, end_ - fed_)};
    }
    if (fed_ >= end_) return {};
    const qint64 room = stream_->framesFree();
    if (room < std::max<qint64>(1, stream_->bufferFrames() / 4)) return {};
    return {run_, fed_, std::min(room, end_ - fed_)};
}

void Playback::feed(qint64 nowUs, const FeedPlan& plan, const float* samples, qint64 frames) {
    if (!running_ || !stream_ || plan.run != run_ || plan.from != fed_ || plan.frames <= 0) return;
    frames = std::clamp<qint64>(frames, 0, plan.frames);
    if (frames < plan.frames) end_ = fed_ + frames;  // the file ended early (it shrank)
    const qint64 taken = frames > 0 ? stream_->write(samples, frames) : 0;
    const bool first = !started_;
    if (first) {
        if (taken <= 0) {
            if (fed_ >= end_) running_ = false;  // nothing left to play
            return;
        }
        started_ = true;
        runStartUs_ = nowUs;
        runStreamStart_ = written_;
    }
    written_ += std::max<qint64>(0, taken);
    fed_ += std::max<qint64>(0, taken);
    if (first && fed_ >= end_) {
        // The whole run went in with its first frames: the server starts a dry stream only
        // once it holds a full buffer, so the rest of the buffer is filled with silence.
        const qint64 pad = stream_->framesFree();
        if (pad > 0) {
            const std::vector<float> silence(size_t(pad) * size_t(format_.channels), 0.0f);
            written_ += std::max<qint64>(0, stream_->write(silence.data(), pad));
        }
    }
    streamDrainedUs_ = runStartUs_ + usFor(written_ - runStreamStart_);
}

qint64 Playback::nextFeedUs(qint64 nowUs) const {
    if (!running_) return -1;
    if (!started_) return nowUs;
    if (fed_ >= end_ || !stream_) return -1;
    // Again when about half the buffer has been played, by the clock since the run began, and
    // not before a quarter of it has: the server frees room in steps, so a feeding side woken
    // sooner mostly finds too little room to be worth a write (plan() wants a quarter).
    const qint64 buffer = stream_->bufferFrames();
    const qint64 halfEmpty = runStartUs_ + usFor(written_ - runStreamStart_ - buffer / 2);
    return std::clamp(halfEmpty, nowUs + usFor(buffer) / 4, nowUs + usFor(buffer) / 2);
}
