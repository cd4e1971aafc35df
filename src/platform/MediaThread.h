// A thread with an event loop of its own for the sound work that may wait: reading a sound
// file's header, and Qt Multimedia's players and decoders, whose loading, state changes and
// destruction can hold the calling thread for a second or more (GStreamer waits up to 1 s for
// a pipeline that failed to change its state). The user-interface thread only posts to it and
// never waits for it.
#pragma once

#include <QString>
#include <functional>

class QObject;
class QThread;

class MediaThread {
  public:
    explicit MediaThread(const QString& name);
    // finish(kEndWaitMs) unless it was called.
    ~MediaThread();
    MediaThread(const MediaThread&) = delete;
    MediaThread& operator=(const MediaThread&) = delete;

    // Runs `job` on the thread, after every job posted before it. Returns at once.
    void post(std::function<void()> job);
    // The object whose thread this is: the target of queued calls and signals meant for it.
    QObject* context() const { return context_; }

    // Runs the jobs posted so far, then ends the thread, waiting up to `ms` for that. False when
    // the thread is stuck (in a sound server or a disk that does not answer): it is then left
    // to the process's exit, with whatever its jobs hold, and nothing may be posted any more.
    bool finish(int ms);

    static constexpr int kEndWaitMs = 3000;

  private:
    QThread* thread_;
    QObject* context_;
    bool finished_ = false;
};
