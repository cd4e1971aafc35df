// One audio player: the prompt sounds share one, the background music has the other.
#pragma once

#include <QString>

enum class PlayerState { NotReady, Stopped, Playing, Paused, Other };

class AudioPlayer {
  public:
    virtual ~AudioPlayer() = default;
    // Remembers the path for the next open.
    virtual void setFileName(const QString& path) = 0;
    virtual QString fileName() const = 0;
    // Releases the open file; harmless when nothing is open.
    virtual void close() = 0;
    // Opens the remembered file; throws PlayerError with the platform's text on failure.
    virtual void open() = 0;
    // Starts playing and returns at once: from the current position, from the beginning
    // when the position is at the end. Does nothing when no file is open.
    virtual void play() = 0;
    // Stops and keeps the position.
    virtual void stop() = 0;
    // A player that never opened a file, and a sound that played to its end, report Stopped.
    virtual PlayerState state() const = 0;
};
