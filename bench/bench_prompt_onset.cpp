/* Measures when a prompt is heard against the step that asked for it, on a real sound server.

It plays a prompt at 1 s steps (the interval chime by default) the way the window does at a
timer step: setFileName, close, open, play, on a precise timer re-armed for start + k s. The
sound server's own output is recorded (parec of the sink's monitor) and every onset, less the
time the file itself takes to get above the threshold, is compared with its step:

  onset error   recorded onset - (start + k s)        what the hall hears
  call lateness play() - (start + k s)                the timer's share of the error

reported as p50, p99 (nearest rank: of 60 steps, the largest) and max over all steps, with the
onsets that were not found at all. By default one busy-loop process loads the other core for the
whole run (the load an exam-hall PC sees from a browser or a virus scan); --load 0 runs unloaded.

How to run, from the repository root (a private PulseAudio with a null sink, started and
stopped by the end-to-end helpers):

  bash -c 'source tests/e2e/lib.sh && e2e_start_pulse && build/bench/bench_prompt_onset'
  build/bench/bench_prompt_onset [FILE] [--seconds N] [--load N]
                                 [--threshold DBFS] [--source PULSE_SOURCE]

E2E_PULSE_KEEPALIVE=0 leaves out the helpers' stream of silence, so the sink idles between
prompts unless the player keeps it going.

FILE defaults to sounds/Zdjgly.wav (a 16-bit PCM WAV: the reference lead-in is read from it),
N to 60 seconds and 1 busy loop. The recording's time line is known to a few milliseconds
(see SinkRecording.h: the sink's configured latency is added to the earliest-arrival bound). The
exit status is 0 when every step was heard and the p99 onset error lies within -5 .. 10 ms, 1
otherwise.
*/
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "SinkRecording.h"
#include "WavSamples.h"
#include "core/Errors.h"
#include "platform/QtAudioPlayer.h"

using bench::NowMs;

namespace {

constexpr double kBoundMs = 10.0;
constexpr double kEarlyBoundMs = -5.0;
// A sound starts where the level rises above the threshold after this long below it.
constexpr double kQuietGapMs = 150.0;

// The first sample of a 16-bit PCM WAV above `threshold` (0..1), in ms; -1 when none is.
double LeadInMs(const QString& path, double threshold) {
    bench::WavSamples wav;
    if (!bench::ReadWavSamples(path, wav)) return -1;
    for (size_t i = 0; i < wav.samples.size(); ++i)
        if (wav.level(i) > threshold) return wav.timeOf(i);
    return -1;
}

// Runs a busy loop until killed: the load on the other core.
[[noreturn]] void Burn() {
    volatile unsigned long n = 0;
    for (;;)
        n = n + 1;
}

struct Stats {
    double p50, p99, max, min;
};

Stats Summarise(const std::vector<double>& v) {
    return {bench::Percentile(v, 50), bench::Percentile(v, 99), bench::Percentile(v, 100),
            v.empty() ? NAN : *std::min_element(v.begin(), v.end())};
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--burn") == 0) Burn();

    QCoreApplication app(argc, argv);
    bench::Clock();

    QString file = QStringLiteral("sounds/Zdjgly.wav");
    QString source = QStringLiteral("@DEFAULT_MONITOR@");
    int seconds = 60;
    int load = 1;
    double thresholdDb = -45.0;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool more = i + 1 < args.size();
        if (a == QLatin1String("--seconds") && more)
            seconds = std::max(1, args[++i].toInt());
        else if (a == QLatin1String("--load") && more)
            load = std::max(0, args[++i].toInt());
        else if (a == QLatin1String("--threshold") && more)
            thresholdDb = args[++i].toDouble();
        else if (a == QLatin1String("--source") && more)
            source = args[++i];
        else
            file = a;
    }
    const double threshold = std::pow(10.0, thresholdDb / 20.0);
    const double leadMs = LeadInMs(file, threshold);
    if (leadMs < 0) {
        std::fprintf(stderr, "%s: not a 16-bit PCM WAV with a sound above %.0f dBFS\n",
                     qPrintable(file), thresholdDb);
        return 2;
    }
    std::printf("prompt %s (lead-in %.1f ms above %.0f dBFS), %d steps of 1 s, %d busy loop%s\n",
                qPrintable(file), leadMs, thresholdDb, seconds, load, load == 1 ? "" : "s");

    bench::SinkRecording rec;
    if (!rec.start(source)) return 2;
    bench::RunUntil([&] { return rec.size() > 0; }, 3000);
    bench::Idle(300);
    if (rec.size() == 0) {
        std::fprintf(stderr, "the recording delivers nothing; is a sound server running?\n");
        return 2;
    }

    std::vector<std::unique_ptr<QProcess>> burners;
    for (int i = 0; i < load; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--burn")});
        if (!p->waitForStarted(5000)) {
            std::fprintf(stderr, "cannot start the load\n");
            return 2;
        }
        burners.push_back(std::move(p));
    }

    std::unique_ptr<AudioPlayer> prompts = CreateAudioPlayer();
    bench::Idle(1000);  // the load settles

    const double startMs = NowMs() + 1000.0;
    std::vector<double> callAt(size_t(seconds), NAN);
    bool openFailed = false;
    int step = 0;
    std::function<void()> arm;
    arm = [&] {
        const double due = startMs + 1000.0 * (step + 1);
        QTimer::singleShot(std::max(0, int(std::ceil(due - NowMs()))), Qt::PreciseTimer, [&] {
            callAt[size_t(step)] = NowMs();
            try {
                prompts->setFileName(file);
                prompts->close();
                prompts->open();
                prompts->play();
            } catch (const PlayerError& e) {
                if (!openFailed) std::fprintf(stderr, "open failed: %s\n", e.what());
                openFailed = true;
            }
            if (++step < seconds) arm();
        });
    };
    arm();
    bench::RunUntil([&] { return step >= seconds; }, 1000.0 * seconds + 10000);
    bench::Idle(1000);  // the last prompt reaches the recording
    prompts->stop();
    for (auto& p : burners) {
        p->kill();
        p->waitForFinished(5000);
    }
    const double sinkLatencyMs = bench::DefaultSinkLatencyMs();
    rec.setSinkLatencyMs(sinkLatencyMs);

    // Onsets: a rise above the threshold after a quiet gap.
    std::vector<double> onsets;
    double quietSinceMs = -1e300;
    bool loud = false;
    for (size_t i = 0; i < rec.size(); ++i) {
        const double t = rec.timeOf(i);
        if (rec.level(i) > threshold) {
            if (!loud && t - quietSinceMs >= kQuietGapMs) onsets.push_back(t);
            loud = true;
        } else if (loud) {
            loud = false;
            quietSinceMs = t;
        }
    }

    std::vector<double> errors, lateness;
    int missing = 0;
    for (int k = 0; k < seconds; ++k) {
        const double due = startMs + 1000.0 * (k + 1);
        lateness.push_back(callAt[size_t(k)] - due);
        double best = NAN;
        for (double o : onsets) {
            const double e = o - leadMs - due;
            if (e > -300 && e < 600 && (std::isnan(best) || std::abs(e) < std::abs(best))) best = e;
        }
        if (std::isnan(best))
            ++missing;
        else
            errors.push_back(best);
    }
    const Stats e = Summarise(errors);
    const Stats l = Summarise(lateness);
    std::printf("\n%-16s %8s %8s %8s %8s   (ms, %zu steps heard, %d not heard)\n", "", "p50", "p99",
                "max", "min", errors.size(), missing);
    std::printf("%-16s %8.1f %8.1f %8.1f %8.1f\n", "onset error", e.p50, e.p99, e.max, e.min);
    std::printf("%-16s %8.1f %8.1f %8.1f %8.1f\n", "call lateness", l.p50, l.p99, l.max, l.min);
    std::printf("(the sink's configured latency, %.1f ms, is added to the recording's times)\n",
                sinkLatencyMs);
    const bool pass = !openFailed && missing == 0 && e.p99 <= kBoundMs && e.min >= kEarlyBoundMs;
    std::printf("\nbound: every step heard, p99 onset error within %.0f .. %.0f ms: %s\n",
                kEarlyBoundMs, kBoundMs, pass ? "met" : "NOT met");
    return pass ? 0 : 1;
}
