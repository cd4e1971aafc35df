// The one source of the date, the time of day and of timed callbacks. Handlers read the clock
// only through it, so a test can run a whole day of ticks in milliseconds.
#pragma once

#include <QDateTime>
#include <functional>

class TimeSource {
  public:
    using Callback = std::function<void()>;
    virtual ~TimeSource() = default;

    // Local date and time of day.
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that never jumps.
    virtual qint64 monotonicMs() const = 0;
    // Runs cb once when the monotonic clock reaches dueMs (at once if it already has).
    virtual quint64 callAt(qint64 dueMs, Callback cb) = 0;
    virtual void cancel(quint64 id) = 0;
};
