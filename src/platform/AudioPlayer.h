// One audio player: the prompt sounds share one, the background music has the other.
#pragma once

#include <QString>
#include <functional>

enum class PlayerState { NotReady, Stopped, Playing, Paused, Other };

class AudioPlayer {
  public:
    virtual ~AudioPlayer() = default;
    // Remembers the path for the next open.
    virtual void setFileName(const QString& path) = 0;
    virtual QString fileName() const = 0;
    // Releases the open file; harmless when nothing is open.
    virtual void close() = 0;
    // Opens the remembered file. A player that reads the file on the calling thread throws
    // PlayerError, with the text the operator sees (the file and the platform's reason:
    // SoundFileErrorText in SoundFile.h), for a file it can tell will not play: missing,
    // unreadable, empty, a WAV whose header is broken, or no known sound signature at all. The
    // real player never reads a file on the calling thread: it returns at once and reports such
    // a file through OnError instead.
    virtual void open() = 0;
    // Starts playing and returns at once: from the current position, from the beginning
    // when the position is at the end. Does nothing when no file is open.
    virtual void play() = 0;
    // Stops and keeps the position.
    virtual void stop() = 0;
    // A player that never opened a file, and a sound that played to its end, report Stopped.
    virtual PlayerState state() const = 0;

    // Run on the GUI thread, after the call that caused it has returned, when a file that
    // open() accepted turns out not to play (it cannot be read, the platform's decoder gave up
    // on it); the text names the file and gives the reason. The sound then reports Stopped.
    std::function<void(const QString& text)> OnError;
};
