/* How exactly the one-second timers of the main and preparation counts keep time on a real
event loop, with the machine's other core kept busy.

It runs the program's own step timer (TTimer in Steady mode, driven by the real time source
of RealPlatform: a Qt::PreciseTimer per step, due at start + k seconds) in a real Qt event
loop and records the moment each step runs on a nanosecond monotonic clock. For step k the
lateness is (moment of step k) - (moment of the start + k seconds). It reports the median,
99th percentile and maximum lateness in milliseconds, the steps that ran before their time,
the step count against the whole seconds elapsed (a missed or an extra step shows there),
and the drift of the last step.

Two runs, one after the other, each DURATION seconds long:
  steady   the event loop is free;
  blocked  in the middle of the run a handler busy-waits for 3 s (as a long modal operation
           or a stalled disk would hold the loop); the steps that came due meanwhile must
           all run as soon as the loop is free, so that afterwards the count again equals
           the seconds elapsed.
Beside the step timer a plain repeating QTimer of 1000 ms (Qt::PreciseTimer) runs in the
same loop as a reference: Qt re-arms it from the moment it fires, and drops the ticks that
the loop missed.

Load: the program starts one busy thread (configurable with --load N; 0 for none) that
spins for the whole run, so the second core is taken and the event loop shares the machine
with it, as on a projector PC that also decodes video.

  bench_timer_accuracy [DURATION_S] [--load N] [--only steady|blocked]

DURATION_S defaults to 60. The exit status is 1 when a step is missing, doubled or ran
before its time, else 0.
*/
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/TTimer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Stats {
    double median = 0, p99 = 0, max = 0, min = 0;
};

Stats Summarise(std::vector<double> v) {
    Stats s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    auto at = [&](double q) {
        const size_t i = size_t(std::ceil(q * double(v.size()))) - 1;
        return v[std::min(i, v.size() - 1)];
    };
    s.median = at(0.5);
    s.p99 = at(0.99);
    s.max = v.back();
    s.min = v.front();
    return s;
}

struct Result {
    bool ok = true;
};

// One run of the step timer for `seconds` seconds; blockAtMs >= 0 blocks the loop there for
// blockMs.
Result RunOnce(const char* name, TimeSource& time, int seconds, int blockAtMs, int blockMs) {
    std::vector<Clock::time_point> steps;
    steps.reserve(size_t(seconds) + 16);
    std::vector<Clock::time_point> reference;
    Clock::time_point blockStart{}, blockEnd{};

    TTimer timer(time, TTimer::Mode::Steady, QStringLiteral("bench"));
    timer.OnTimer = [&] { steps.push_back(Clock::now()); };
    QTimer plain;
    plain.setTimerType(Qt::PreciseTimer);
    plain.setInterval(1000);
    QObject::connect(&plain, &QTimer::timeout, [&] { reference.push_back(Clock::now()); });

    QTimer blocker;
    blocker.setSingleShot(true);
    blocker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&blocker, &QTimer::timeout, [&] {
        blockStart = Clock::now();
        while (Clock::now() - blockStart < std::chrono::milliseconds(blockMs)) {
        }
        blockEnd = Clock::now();
    });

    // The run ends half a second after the last whole second, so every step of the run has
    // come due well before the end and none beyond it can have.
    QTimer stopper;
    stopper.setSingleShot(true);
    stopper.setTimerType(Qt::PreciseTimer);
    Clock::time_point t0{}, tEnd{};
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        tEnd = Clock::now();
        timer.setEnabled(false);
        plain.stop();
        QCoreApplication::exit(0);
    });

    // Start on the loop, as a command would.
    QTimer::singleShot(0, [&] {
        t0 = Clock::now();
        timer.setEnabled(true);
        plain.start();
        stopper.start(seconds * 1000 + 500);
        if (blockAtMs >= 0) blocker.start(blockAtMs);
    });
    QCoreApplication::exec();

    Result r;
    const auto sinceStart = [&](Clock::time_point t) { return Ms(t - t0); };
    const long elapsedWhole = long(std::floor(sinceStart(tEnd) / 1000.0));
    std::vector<double> lateAll, lateFree;
    int early = 0;
    int caughtUp = 0;
    double caughtUpMaxLate = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        const double late = sinceStart(steps[i]) - 1000.0 * double(i + 1);
        lateAll.push_back(late);
        // A step may run up to 1 ms before start + k s: the time source counts whole
        // milliseconds, so the start it counts from can lie up to 1 ms before t0.
        if (late < -1.0) ++early;
        const bool afterBlock = blockAtMs >= 0 && blockStart != Clock::time_point{} &&
                                steps[i] >= blockStart &&
                                steps[i] < blockEnd + std::chrono::milliseconds(50) && late > 50.0;
        if (afterBlock) {
            ++caughtUp;
            caughtUpMaxLate = std::max(caughtUpMaxLate, late);
        } else {
            lateFree.push_back(late);
        }
    }
    const Stats all = Summarise(lateAll);
    const Stats free = Summarise(lateFree);
    const long count = long(steps.size());
    const double drift = steps.empty() ? 0.0 : lateAll.back();

    std::vector<double> refLate;
    for (size_t i = 0; i < reference.size(); ++i)
        refLate.push_back(sinceStart(reference[i]) - 1000.0 * double(i + 1));

    std::printf("\n== %s run: %d s ==\n", name, seconds);
    std::printf("elapsed at stop          %.3f s (%ld whole seconds)\n", sinceStart(tEnd) / 1000.0,
                elapsedWhole);
    std::printf("steps                    %ld  (%s)\n", count,
                count == elapsedWhole  ? "= whole seconds elapsed: none missed, none extra"
                : count < elapsedWhole ? "MISSING STEPS"
                                       : "EXTRA STEPS");
    std::printf("steps before their time  %d\n", early);
    std::printf("lateness, all steps      median %.3f ms  p99 %.3f ms  max %.3f ms  min %.3f ms\n",
                all.median, all.p99, all.max, all.min);
    if (blockAtMs >= 0) {
        std::printf("loop blocked             %.0f ms, from %.3f s to %.3f s after the start\n",
                    Ms(blockEnd - blockStart), sinceStart(blockStart) / 1000.0,
                    sinceStart(blockEnd) / 1000.0);
        std::printf("caught up after block    %d steps at once, the latest %.1f ms late\n",
                    caughtUp, caughtUpMaxLate);
        std::printf("lateness, other steps    median %.3f ms  p99 %.3f ms  max %.3f ms\n",
                    free.median, free.p99, free.max);
        // The first step after the burst must be back on its second boundary.
        for (size_t i = 0; i < steps.size(); ++i)
            if (steps[i] > blockEnd + std::chrono::milliseconds(50)) {
                std::printf("first step after catch-up step %zu, %.3f ms late\n", i + 1,
                            lateAll[i]);
                break;
            }
    }
    std::printf("drift of the last step   %.3f ms (step %ld)\n", drift, count);
    const Stats ref = Summarise(refLate);
    std::printf(
        "reference QTimer 1000 ms %zu ticks (%ld expected), last tick %.3f ms late, "
        "median lateness %.3f ms\n",
        reference.size(), elapsedWhole, refLate.empty() ? 0.0 : refLate.back(), ref.median);

    r.ok = count == elapsedWhole && early == 0;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 60;
    int loadThreads = 1;
    QString only;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--load") && i + 1 < args.size())
            loadThreads = args[++i].toInt();
        else if (args[i] == QStringLiteral("--only") && i + 1 < args.size())
            only = args[++i];
        else if (args[i].toInt() > 0)
            seconds = args[i].toInt();
        else {
            std::fprintf(stderr,
                         "usage: bench_timer_accuracy [DURATION_S] [--load N] "
                         "[--only steady|blocked]\n");
            return 2;
        }
    }
    if (seconds < 8) seconds = 8;

    std::atomic<bool> stop{false};
    std::vector<std::thread> load;
    for (int i = 0; i < loadThreads; ++i)
        load.emplace_back([&stop] {
            volatile unsigned long x = 0;
            while (!stop.load(std::memory_order_relaxed))
                x = x * 2862933555777941757UL + 3037000493UL;
        });

    std::printf("timer accuracy: %d s per run, %d busy load thread(s), %u hardware threads\n",
                seconds, loadThreads, std::thread::hardware_concurrency());
    RealPlatform real;
    TimeSource& time = *real.platform().time;
    bool ok = true;
    if (only.isEmpty() || only == QStringLiteral("steady"))
        ok = RunOnce("steady", time, seconds, -1, 0).ok && ok;
    if (only.isEmpty() || only == QStringLiteral("blocked"))
        ok = RunOnce("blocked", time, seconds, seconds * 500 + 300, 3000).ok && ok;

    stop = true;
    for (std::thread& t : load)
        t.join();
    std::printf("\nresult: %s\n",
                ok ? "every step on time or caught up, none missing or extra" : "FAILED");
    return ok ? 0 : 1;
}
