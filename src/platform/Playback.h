// The playback logic of the audio player's own PCM path, apart from the sound server: where a
// sound is, which frames go to the stream next, when a run has really ended, and where a
// stopped sound goes on. It talks to the server only through the small AudioStream and
// StreamPool interfaces below (QtAudioPlayer.cpp has the real ones over QAudioSink; the unit
// tests fake them with a playback clock they move themselves), and it reads no clock of its
// own: every call is given the time.
//
// Threads: the caller serialises all calls (the player holds one lock around them). The GUI
// thread calls open, close, play, stop and state; the player's feeding thread calls plan and
// feed, reading the file between the two without the lock.
#pragma once

#include <QtGlobal>
#include <memory>

#include "platform/AudioPlayer.h"

// One stream to the sound server, in 32-bit float samples of the sound's own channel count and
// rate. Frames written are played in order; when the stream runs dry it waits (playing
// nothing) until it is given more, and then plays that at once.
class AudioStream {
  public:
    virtual ~AudioStream() = default;
    virtual int channels() const = 0;
    virtual int sampleRate() const = 0;
    // How many frames the stream takes now; negative once it has failed for good (its output
    // device is gone, the server dropped it).
    virtual qint64 framesFree() = 0;
    // Hands frames over (channels() floats each); returns how many were taken.
    virtual qint64 write(const float* samples, qint64 frames) = 0;
    // The server's playback clock: the frames played since the stream was opened, never more
    // than were written. Right after frames are written to a dry stream it may already count
    // them (the server reports the clock now and then and it is interpolated in between), so
    // for the first buffer of a run it is read together with the time since the run began.
    virtual qint64 framesPlayed() = 0;
    // The frames the stream queues at most (the server's buffer).
    virtual qint64 bufferFrames() const = 0;
};

// Where the logic gets its streams and gives them back.
class StreamPool {
  public:
    virtual ~StreamPool() = default;
    // A stream of the format on the current output with nothing queued, ready to play the
    // first frames handed to it at once; nullptr when none is ready yet.
    virtual std::unique_ptr<AudioStream> take(int channels, int sampleRate) = 0;
    // False once the output the stream plays on is no longer the current default output.
    virtual bool current(const AudioStream& stream) const = 0;
    // False when there is no sound output at all, so no stream will come.
    virtual bool hasOutput() const = 0;
    // Takes back a stream the logic is done with; whatever it still queues is not heard.
    virtual void retire(std::unique_ptr<AudioStream> stream) = 0;
};

struct SoundFormat {
    int channels = 0;
    int sampleRate = 0;
    qint64 frames = 0;
};

// What the feeding thread reads next: `frames` frames of the sound from frame `from`, for run
// `run` (frames == 0: nothing to do now).
struct FeedPlan {
    quint64 run = 0;
    qint64 from = 0;
    qint64 frames = 0;
};

class Playback {
  public:
    explicit Playback(StreamPool& pool);
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // A new sound, at its beginning (a run still going is stopped first).
    void open(const SoundFormat& format, qint64 nowUs);
    // No sound: what is playing stops, nothing plays until the next open.
    void close(qint64 nowUs);
    bool isOpen() const { return format_.frames > 0; }
    // Gives the stream back to the pool (the player is going away).
    void dropStream() { retireStream(); }

    // Starts a run from the kept position, or from the beginning when the position is at the
    // end. Does nothing while a run is going or when nothing is open.
    void play(qint64 nowUs);
    // Ends the run and keeps the frame heard at this moment for the next play.
    void stop(qint64 nowUs);
    // Playing from play() until the run's last frame has been played (or its stream failed),
    // Stopped otherwise.
    PlayerState state(qint64 nowUs);
    // The frame heard now while a run goes, else the frame the next play starts from.
    qint64 position(qint64 nowUs);

    // The feeding side. plan() says which frames to read next; feed() hands them over (fewer
    // than planned: the file ended early there). A plan of an earlier run is ignored.
    FeedPlan plan(qint64 nowUs);
    void feed(qint64 nowUs, const FeedPlan& plan, const float* samples, qint64 frames);
    // When the feeding side should plan again: -1 when there is nothing to feed.
    qint64 nextFeedUs(qint64 nowUs) const;

    // A run waits this long for a stream before it is given up.
    static constexpr qint64 kStreamWaitUs = 3'000'000;
    // A run whose clock stands still (the server stopped playing it) is taken as ended this
    // long after its last frame was due.
    static constexpr qint64 kStallGraceUs = 500'000;
    // Tolerance on the playback clock at the end: the server counts in whole microseconds.
    static constexpr qint64 kEndSlackUs = 2'000;
    // A stream is taken up again for a new run this long after all it was given was due.
    static constexpr qint64 kReuseMarginUs = 20'000;

  private:
    qint64 framesFor(qint64 us) const;
    qint64 usFor(qint64 frames) const;
    qint64 heardInRun(qint64 nowUs);
    bool runEnded(qint64 nowUs);
    void settle(qint64 nowUs);
    void endRun(qint64 position);
    void retireStream();
    bool streamUsable(qint64 nowUs);

    StreamPool& pool_;
    SoundFormat format_;
    std::unique_ptr<AudioStream> stream_;
    qint64 end_ = 0;        // the sound's last frame + 1 (less if the file turned out shorter)
    qint64 position_ = 0;   // where the next run starts
    bool running_ = false;  // a run is going (its first frames may not be handed over yet)
    bool started_ = false;  // the run's first frames have been handed over
    quint64 run_ = 0;       // the current run's number: plans of earlier runs are stale
    qint64 requestedUs_ = 0;
    qint64 runStart_ = 0;         // the run's first frame in the sound
    qint64 fed_ = 0;              // the sound's frames handed over so far
    qint64 runStartUs_ = 0;       // when the run's first frames were handed over
    qint64 written_ = 0;          // the frames written to stream_ (silence included)
    qint64 runStreamStart_ = 0;   // written_ when the run's first frame went in
    qint64 streamDrainedUs_ = 0;  // when all written to stream_ will have been played
};
