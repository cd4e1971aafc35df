/* Measures how closely the clock tick follows the wall-clock second boundaries.

It runs the real event loop with the real time source (RealPlatform) and a wall-second
TTimer, the kind that drives the clock tick, for SECONDS seconds, while busy threads load
the other cores. For every tick it records the wall time at which the handler began and
reports:
  lateness   milliseconds between the second boundary and the start of the tick (the timer
             aims at boundary + 10 ms, so 10 is the ideal figure): median, p99, max
  skipped    seconds that no tick showed (the next tick read a second two or more later)
  repeated   ticks that read the same second as the tick before
With --form it then does the same with a whole main window (AppWindows on a RealPlatform
under the offscreen platform, the main window shown), whose clock tick Timer3Timer also
runs the schedule, the week numbers, the flashing and the separators; it reports the cost
of the tick itself as well (median, p99, max in ms).

  bench_clock_tick [SECONDS] [--form] [--load N] [--verbose]

SECONDS   length of each phase, at least 60 (default 60)
--form    also run the phase with the whole main window
--load N  busy threads (default: one less than the cores, at least 1)
--verbose one line per tick

The form phase runs with silent sound players, dialogs that only print, and a launcher and
session control that do nothing, in a temporary settings directory (XDG_CONFIG_HOME) and a
temporary working directory; nothing of the operator's is touched.
The exit status is 0 when no second was skipped or repeated, 1 otherwise.
*/
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "app/AppWindows.h"
#include "app/CCUnit.h"
#include "platform/Platform.h"
#include "platform/TTimer.h"

#include "QuietServices.h"

namespace {

using bench::QuietServices;

struct Tick {
    qint64 wallMs;  // wall time (ms since the epoch) at the start of the tick
    double costMs;  // time spent in the tick's handler
};

struct Figures {
    int ticks = 0;
    double median = 0, p99 = 0, max = 0;
    double costMedian = 0, costP99 = 0, costMax = 0;
    int skipped = 0;
    int repeated = 0;
    QStringList events;
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(std::ceil(p * double(v.size())));
    return v[std::min(v.size() - 1, rank == 0 ? 0 : rank - 1)];
}

Figures Analyse(const std::vector<Tick>& ticks) {
    Figures f;
    f.ticks = int(ticks.size());
    std::vector<double> late, cost;
    qint64 previousSecond = -1;
    for (const Tick& t : ticks) {
        const qint64 second = t.wallMs / 1000;
        late.push_back(double(t.wallMs - second * 1000));
        cost.push_back(t.costMs);
        if (previousSecond >= 0) {
            const qint64 step = second - previousSecond;
            if (step == 0) {
                ++f.repeated;
                f.events << QStringLiteral("repeated %1")
                                .arg(QDateTime::fromMSecsSinceEpoch(t.wallMs).toString(
                                    QStringLiteral("HH:mm:ss.zzz")));
            } else if (step > 1) {
                f.skipped += int(step - 1);
                f.events << QStringLiteral("skipped %1 s before %2")
                                .arg(step - 1)
                                .arg(QDateTime::fromMSecsSinceEpoch(t.wallMs).toString(
                                    QStringLiteral("HH:mm:ss.zzz")));
            }
        }
        previousSecond = second;
    }
    f.median = Percentile(late, 0.5);
    f.p99 = Percentile(late, 0.99);
    f.max = late.empty() ? 0 : *std::max_element(late.begin(), late.end());
    f.costMedian = Percentile(cost, 0.5);
    f.costP99 = Percentile(cost, 0.99);
    f.costMax = cost.empty() ? 0 : *std::max_element(cost.begin(), cost.end());
    return f;
}

void Print(const char* phase, const Figures& f, bool withCost) {
    std::printf("%s\n", phase);
    std::printf("  ticks                 %d\n", f.ticks);
    std::printf("  lateness after the second boundary (ms; aim 10)\n");
    std::printf("    median %.0f   p99 %.0f   max %.0f\n", f.median, f.p99, f.max);
    if (withCost) {
        std::printf("  cost of the tick handler (ms)\n");
        std::printf("    median %.3f   p99 %.3f   max %.3f\n", f.costMedian, f.costP99, f.costMax);
    }
    std::printf("  skipped seconds       %d\n", f.skipped);
    std::printf("  repeated seconds      %d\n", f.repeated);
    for (const QString& e : f.events)
        std::printf("    %s\n", qPrintable(e));
    std::fflush(stdout);
}

// Keeps the other cores busy while the event loop runs.
class Load {
  public:
    explicit Load(int threads) {
        for (int i = 0; i < threads; ++i)
            workers_.emplace_back([this] {
                volatile double x = 1.0;
                while (!stop_.load(std::memory_order_relaxed))
                    for (int k = 0; k < 10000; ++k)
                        x = x * 1.0000001 + 0.0000001;
            });
    }
    ~Load() {
        stop_ = true;
        for (auto& w : workers_)
            w.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> workers_;
};

void RunLoopFor(int seconds) {
    QTimer::singleShot(seconds * 1000, qApp, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
}

std::vector<Tick> BareTimerPhase(int seconds, bool verbose) {
    RealPlatform real;
    std::vector<Tick> ticks;
    ticks.reserve(size_t(seconds) + 8);
    TTimer timer(*real.platform().time, TTimer::Mode::WallSecond, QStringLiteral("bench"));
    QElapsedTimer cost;
    timer.OnTimer = [&] {
        const qint64 wall = QDateTime::currentMSecsSinceEpoch();
        cost.start();
        // The same work a clock without panel would do: read and format the time.
        const QString text = real.platform().time->now().toString(QStringLiteral("HH:mm:ss"));
        ticks.push_back({wall, double(cost.nsecsElapsed()) / 1e6});
        if (verbose) std::printf("  tick %s  +%lld ms\n", qPrintable(text), wall % 1000);
    };
    timer.setEnabled(true);
    RunLoopFor(seconds);
    timer.setEnabled(false);
    return ticks;
}

std::vector<Tick> FormPhase(int seconds, bool verbose) {
    QTemporaryDir config;
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(work.path());

    RealPlatform real;
    QuietServices quiet(real.platform());
    Platform& p = real.platform();

    std::vector<Tick> ticks;
    ticks.reserve(size_t(seconds) + 8);
    {
        AppWindows windows(p, true);
        TForm1* form = windows.Form1.get();
        form->show();
        // A run across the factory schedule (08:00:05) must not close the window.
        form->CheckBox32->setChecked(false);
        // Time the whole tick as the timer runs it (through the error wrapper).
        std::function<void()> tick = form->Timer3->OnTimer;
        QElapsedTimer cost;
        form->Timer3->OnTimer = [&] {
            const qint64 wall = QDateTime::currentMSecsSinceEpoch();
            cost.start();
            tick();
            ticks.push_back({wall, double(cost.nsecsElapsed()) / 1e6});
            if (verbose)
                std::printf("  tick %s:%s:%s  +%lld ms  %.3f ms\n",
                            qPrintable(form->Edit25->text()), qPrintable(form->Edit26->text()),
                            qPrintable(form->Edit27->text()), wall % 1000, ticks.back().costMs);
        };
        RunLoopFor(seconds);
        form->Timer3->OnTimer = tick;
    }
    QDir::setCurrent(oldCwd);
    return ticks;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The closed main window must not end the measurement early.
    app.setQuitOnLastWindowClosed(false);

    int seconds = 60;
    bool form = false;
    bool verbose = false;
    int load = std::max(1, QThread::idealThreadCount() - 1);
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--form")) {
            form = true;
        } else if (args[i] == QLatin1String("--verbose")) {
            verbose = true;
        } else if (args[i] == QLatin1String("--load") && i + 1 < args.size()) {
            load = args[++i].toInt();
        } else {
            bool ok = false;
            const int s = args[i].toInt(&ok);
            if (!ok || s < 60) {
                std::fprintf(stderr,
                             "usage: bench_clock_tick [SECONDS>=60] [--form] [--load N] "
                             "[--verbose]\n");
                return 2;
            }
            seconds = s;
        }
    }

    std::printf("clock tick benchmark: %d s per phase, %d busy thread(s), %d core(s)\n", seconds,
                load, QThread::idealThreadCount());
    std::fflush(stdout);
    Figures bare, whole;
    {
        Load busy(load);
        bare = Analyse(BareTimerPhase(seconds, verbose));
    }
    Print("wall-second timer alone", bare, false);
    bool ok = bare.skipped == 0 && bare.repeated == 0;
    if (form) {
        Load busy(load);
        whole = Analyse(FormPhase(seconds, verbose));
        Print("main window clock tick (Timer3Timer)", whole, true);
        ok = ok && whole.skipped == 0 && whole.repeated == 0;
    }
    return ok ? 0 : 1;
}
