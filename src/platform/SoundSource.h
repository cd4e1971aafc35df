// The samples of a sound as the player's stream engine reads them: 32-bit float frames of the
// sound's own channel count and rate. A PCM WAV file is read straight from the disk
// (QtAudioPlayer.cpp); any other file is decoded while it plays by the platform's decoder on the
// player's media thread into a DecodedSource.
#pragma once

#include <QString>
#include <QtGlobal>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Playback.h"

class SoundSource {
  public:
    virtual ~SoundSource() = default;
    // The channels and the rate; the length in frames, or kUnknownFrames while it is not known
    // (a read that returns fewer frames than asked for then marks the end).
    virtual SoundFormat format() const = 0;
    // The frames [from, from + count) when they are at hand without waiting (the beginning of
    // the sound, kept in memory); false otherwise. Cheap: called under the player's lock.
    virtual bool fromHead(qint64 from, qint64 count, std::vector<float>& out) const = 0;
    // Up to `count` frames from frame `from`: the frames read, fewer only at the end of the
    // sound; -1 when the sound cannot be read any more (errorString() says why). May wait for
    // the disk or the decoder; never called under the player's lock.
    virtual qint64 read(qint64 from, qint64 count, std::vector<float>& out) = 0;
    // Why the last read failed, as the operator reads it.
    virtual QString errorString() const = 0;

    static constexpr qint64 kUnknownFrames = qint64(1) << 40;
};

// A sound decoded while it plays. The decoder fills it pass by pass (one pass is the sound from
// its beginning to its end); it keeps the first `headFrames` frames for good, so that a run from
// the beginning starts at once, and a window of decoded frames around the place being read, at
// most `capacity` frames, so that a long sound takes bounded memory. A reader asks for more when
// the window has room again, and for a new pass when it wants an earlier place than the window
// holds (a loop back to the beginning). Frames up to `history` before the last place read stay,
// so that a stopped sound goes on from the place heard.
//
// Thread-safe: the decoder's thread calls the decoder's side, the player's threads read.
class DecodedSource final : public SoundSource {
  public:
    // What a reader asks of the decoder; both return at once (they post to its thread).
    struct Requests {
        std::function<void()> more;     // the window has room again
        std::function<void()> restart;  // a new pass from the beginning
    };

    DecodedSource(int channels, int sampleRate, qint64 headFrames, qint64 capacity, qint64 history);
    void setRequests(Requests requests);

    // --- The decoder's side.
    // True while the window takes more frames of the current pass.
    bool wantsMore() const;
    // The next frames of the current pass.
    void append(const float* samples, qint64 frames);
    // The current pass reached the sound's end: the length is known from now on.
    void passEnded();
    // A new pass from the beginning starts (after a restart request, or by the decoder itself).
    void passStarted();
    // The decoder gave up: readers get -1 with this reason.
    void fail(const QString& reason);
    // Nobody decodes any more (the sound was closed): readers waiting return -1 at once.
    void abort();
    // The head is complete (or the whole sound is shorter); no frame was decoded at all when
    // the pass ended empty.
    bool headReady() const;
    // The frames the window holds now.
    qint64 windowFrames() const;

    // --- SoundSource.
    SoundFormat format() const override;
    bool fromHead(qint64 from, qint64 count, std::vector<float>& out) const override;
    qint64 read(qint64 from, qint64 count, std::vector<float>& out) override;
    QString errorString() const override;

    // How long a read waits for the decoder before it takes the sound as broken.
    static constexpr int kDecodeWaitMs = 5000;

  private:
    void copy(qint64 from, qint64 count, std::vector<float>& out) const;  // from the window
    void trim(qint64 keepFrom);

    const int channels_;
    const int rate_;
    const qint64 headFrames_;
    const qint64 capacity_;
    const qint64 history_;
    Requests requests_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<float> head_;  // the first frames, complete once headDone_
    bool headDone_ = false;
    std::deque<float> window_;  // the frames [winStart_, winEnd_) of the current pass
    qint64 winStart_ = 0;
    qint64 winEnd_ = 0;
    qint64 length_ = kUnknownFrames;  // known after a pass has ended
    bool passDone_ = false;           // the current pass reached the end
    bool restartAsked_ = false;
    quint64 passes_ = 0;
    qint64 wanted_ = 0;  // a reader waits for the frames up to here
    bool aborted_ = false;
    QString error_;
};
