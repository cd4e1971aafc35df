/* Measures how truthfully the real audio player reports its state, on a real sound server.

For each default sound it plays the file several times (the first play of the process and
of each file included) and measures, with the sound server's own output as the reference:
  play->Playing   from play() to the first state() == Playing
  play->audible   from play() to the moment the sound really started
  end->Stopped    from the sound's real end to the first state() == Stopped
"Really started" is found by recording the null sink's monitor: the first recorded sample
above -50 dBFS, less the time the file itself takes to get above that level. The real end
is that start plus the duration in the WAV header. A negative end->Stopped would mean the
player said Stopped while the sound was still playing. The recording's time line is the one
bench_prompt_onset uses (SinkRecording.h: fixed from the times parec's data arrives, plus the
sink's configured latency) and is known to a few milliseconds, so play->audible may come out
a little below zero; for the melody, which fades in, some more.
It then checks that stop() silences the sound and keeps the place (a later play() ends after
the remaining time only), and that the two players can sound at the same time.

How to run (a private PulseAudio with a null sink; no sound card needed; needs parec from
pulseaudio-utils), from the repository root:

  export PULSE_RUNTIME_PATH=/tmp/kvtmr-pulse; mkdir -p $PULSE_RUNTIME_PATH
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --realtime=no \
      --load="module-native-protocol-unix socket=$PULSE_RUNTIME_PATH/native auth-anonymous=1" \
      --load="module-null-sink sink_name=kvtmr_null"
  export PULSE_SERVER=unix:$PULSE_RUNTIME_PATH/native PULSE_SINK=kvtmr_null
  pacat --raw --latency-msec=20 /dev/zero &     # see below
  sleep 3
  build/bench/bench_audio_state [SOUND_DIR] [--plays N] [--source PULSE_SOURCE]
  KVTMR_AUDIO_BACKEND=decoder build/bench/bench_audio_state

or, with the end-to-end helpers doing the same setup (and stopping it afterwards):

  bash -c 'source tests/e2e/lib.sh && e2e_start_pulse && build/bench/bench_audio_state'

SOUND_DIR defaults to ./sounds, N to 5. The recording is parec's of --source, by default
@DEFAULT_MONITOR@ (the monitor of the default sink, here the null sink).
The pacat of silence keeps the null sink at a low latency: an idle null sink renders in
2 s blocks and, once it has, a new low-latency stream starves for up to 2 s before the
block ends (a real sound card does not do this), and its monitor delivers in 2 s blocks, so
neither the players nor the recording can be timed without it.
KVTMR_AUDIO_BACKEND=decoder makes the player decode the WAV files with the platform's decoder
(the path of MP3, Ogg and the other formats) instead of reading them itself, so the two paths
can be compared.
The exit status is 0 when every end->Stopped is within -25 .. 200 ms (the recorded start is
known to a few milliseconds), the stop/resume check and the two-player check pass, 1 otherwise.
*/
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "SinkRecording.h"
#include "WavSamples.h"
#include "core/Errors.h"
#include "platform/QtAudioPlayer.h"

namespace {

constexpr double kThresholdDb = -50.0;
constexpr double kBoundMs = 200.0;
// The recorded start is known to within a few milliseconds (the delivery of the recording),
// so an end->Stopped down to this much below zero still counts as on time.
constexpr double kEarlyToleranceMs = -25.0;
const double kThreshold = std::pow(10.0, kThresholdDb / 20.0);

using bench::Idle;
using bench::NowMs;
using bench::RunUntil;
using bench::SinkRecording;

// The first and last samples above the threshold from sample `from` on; false if none.
bool FindSound(const SinkRecording& recording, size_t from, double& firstMs, double& lastMs) {
    bool found = false;
    for (size_t i = from; i < recording.size(); ++i) {
        if (recording.level(i) > kThreshold) {
            if (!found) firstMs = recording.timeOf(i);
            lastMs = recording.timeOf(i);
            found = true;
        }
    }
    return found;
}

// The first sample taken at `ms` or later.
size_t IndexAt(const SinkRecording& recording, double ms) {
    size_t i = 0;
    while (i < recording.size() && recording.timeOf(i) < ms)
        i += 64;
    return std::min(i, recording.size());
}

// --- The reference: the file's own samples ----------------------------------------------

struct WavFacts {
    double durationMs = 0;
    double firstAboveMs = -1;  // first sample above the threshold
    double lastAboveMs = -1;   // last sample above the threshold
};

// Reads a 16-bit PCM WAV (the format of the default sounds).
bool ReadWavFacts(const QString& path, WavFacts& facts) {
    bench::WavSamples wav;
    if (!bench::ReadWavSamples(path, wav)) return false;
    facts.durationMs = wav.durationMs();
    for (size_t i = 0; i < wav.samples.size(); ++i) {
        if (wav.level(i) > kThreshold) {
            if (facts.firstAboveMs < 0) facts.firstAboveMs = wav.timeOf(i);
            facts.lastAboveMs = wav.timeOf(i);
        }
    }
    return facts.firstAboveMs >= 0;
}

// --- Statistics -------------------------------------------------------------------------

struct Series {
    std::vector<double> values;
    void add(double v) { values.push_back(v); }
    double median() const {
        if (values.empty()) return NAN;
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double max() const {
        return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
    }
    double min() const {
        return values.empty() ? NAN : *std::min_element(values.begin(), values.end());
    }
};

struct PlayResult {
    bool ok = false;
    double toPlaying = NAN;
    double toAudible = NAN;
    double endToStopped = NAN;
    double audibleEndToStopped = NAN;  // the same taken from the recorded end, a cross-check
};

const char* StateName(PlayerState s) {
    switch (s) {
        case PlayerState::NotReady:
            return "NotReady";
        case PlayerState::Stopped:
            return "Stopped";
        case PlayerState::Playing:
            return "Playing";
        case PlayerState::Paused:
            return "Paused";
        case PlayerState::Other:
            return "Other";
    }
    return "?";
}

// One play from the current position to the end, measured.
PlayResult MeasurePlay(AudioPlayer& player, SinkRecording& monitor, const WavFacts& facts,
                       double startOffsetMs = 0) {
    PlayResult r;
    const size_t from = monitor.size();
    const double t0 = NowMs();
    player.play();
    const double playing = RunUntil([&] { return player.state() == PlayerState::Playing; }, 5000);
    if (playing < 0) {
        std::printf("    never reported Playing (state %s)\n", StateName(player.state()));
        return r;
    }
    const double remainingMs = facts.durationMs - startOffsetMs;
    const double stopped =
        RunUntil([&] { return player.state() != PlayerState::Playing; }, remainingMs + 15000);
    if (stopped < 0) {
        std::printf("    still Playing %.0f ms after its end\n", remainingMs + 15000);
        return r;
    }
    const PlayerState after = player.state();
    Idle(400);  // let the recording catch up past the end
    double first = 0, last = 0;
    if (!FindSound(monitor, from, first, last)) {
        std::printf("    nothing was heard\n");
        return r;
    }
    if (after != PlayerState::Stopped) {
        std::printf("    left Playing for %s\n", StateName(after));
        return r;
    }
    // The file's lead-in counts only for a play from its beginning.
    const double lead = startOffsetMs == 0 ? facts.firstAboveMs : 0;
    const double realStart = first - lead;
    const double realEnd = realStart + remainingMs;
    r.ok = true;
    r.toPlaying = playing - t0;
    r.toAudible = realStart - t0;
    r.endToStopped = stopped - realEnd;
    r.audibleEndToStopped = stopped - (last + (facts.durationMs - facts.lastAboveMs));
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NowMs();  // the benchmark's clock starts

    QString soundDir = QStringLiteral("sounds");
    QString source = QStringLiteral("@DEFAULT_MONITOR@");
    int plays = 5;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--plays") && i + 1 < args.size())
            plays = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--source") && i + 1 < args.size())
            source = args[++i];
        else
            soundDir = args[i];
    }

    std::printf("player: %s, QT_MEDIA_BACKEND=%s\n",
                qEnvironmentVariableIsEmpty("KVTMR_AUDIO_BACKEND")
                    ? "default"
                    : qPrintable(qEnvironmentVariable("KVTMR_AUDIO_BACKEND")),
                qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")
                    ? "(Qt's choice)"
                    : qPrintable(qEnvironmentVariable("QT_MEDIA_BACKEND")));

    SinkRecording monitor;
    monitor.setSinkLatencyMs(bench::DefaultSinkLatencyMs());
    if (!monitor.start(source)) return 2;
    RunUntil([&] { return monitor.size() > 0; }, 3000);
    Idle(300);
    if (monitor.size() == 0) {
        std::fprintf(stderr, "the recording delivers nothing; is a sound server running?\n");
        return 2;
    }

    const char* names[] = {"Zbksly", "Ksksly", "Zdjgly", "Zbjjly", "Ksjsly", "Bjyyly"};
    bool pass = true;
    Series allFirst, allLater;

    std::unique_ptr<AudioPlayer> prompts = CreateAudioPlayer();
    std::unique_ptr<AudioPlayer> music = CreateAudioPlayer();
    if (prompts->state() != PlayerState::Stopped) {
        std::printf("a player that never opened a file reports %s, not Stopped\n",
                    StateName(prompts->state()));
        pass = false;
    }

    std::printf("\n%-8s %7s %4s | %-17s | %-17s | %-26s | %s\n", "sound", "len ms", "n",
                "play->Playing ms", "play->audible ms", "end->Stopped ms", "recorded end->Stopped");
    std::printf("%-8s %7s %4s | %8s %8s | %8s %8s | %8s %8s %8s | %8s %8s\n", "", "", "", "median",
                "max", "median", "max", "first", "median", "max", "median", "max");

    for (const char* name : names) {
        const QString path = QDir(soundDir).filePath(QString::fromLatin1(name) + ".wav");
        WavFacts facts;
        if (!ReadWavFacts(path, facts)) {
            std::printf("%s: cannot read %s as a 16-bit PCM WAV\n", name, qPrintable(path));
            pass = false;
            continue;
        }
        prompts->close();
        prompts->setFileName(path);
        try {
            prompts->open();
        } catch (const PlayerError& e) {
            std::printf("%s: open failed: %s\n", name, e.what());
            pass = false;
            continue;
        }
        Series toPlaying, toAudible, endToStopped, recordedEnd;
        double firstEnd = NAN;
        for (int i = 0; i < plays; ++i) {
            const PlayResult r = MeasurePlay(*prompts, monitor, facts);
            if (!r.ok) {
                pass = false;
                continue;
            }
            toPlaying.add(r.toPlaying);
            toAudible.add(r.toAudible);
            endToStopped.add(r.endToStopped);
            recordedEnd.add(r.audibleEndToStopped);
            if (i == 0) {
                firstEnd = r.endToStopped;
                allFirst.add(r.endToStopped);
            } else {
                allLater.add(r.endToStopped);
            }
            if (r.endToStopped < kEarlyToleranceMs || r.endToStopped > kBoundMs) pass = false;
            Idle(300);
        }
        std::printf(
            "%-8s %7.0f %4zu | %8.1f %8.1f | %8.1f %8.1f | %8.1f %8.1f %8.1f | %8.1f %8.1f\n", name,
            facts.durationMs, endToStopped.values.size(), toPlaying.median(), toPlaying.max(),
            toAudible.median(), toAudible.max(), firstEnd, endToStopped.median(),
            endToStopped.max(), recordedEnd.median(), recordedEnd.max());
        std::fflush(stdout);
    }
    std::printf(
        "\nend->Stopped over all sounds: first plays median %.1f max %.1f (min %.1f) ms; "
        "later plays median %.1f max %.1f (min %.1f) ms\n",
        allFirst.median(), allFirst.max(), allFirst.min(), allLater.median(), allLater.max(),
        allLater.min());

    // Stop keeps the place: stop the melody after a few seconds, make sure it went quiet,
    // play again and check it ends after the remaining time only.
    {
        const QString path = QDir(soundDir).filePath(QStringLiteral("Bjyyly.wav"));
        WavFacts facts;
        bool ok = ReadWavFacts(path, facts);
        music->setFileName(path);
        try {
            music->open();
        } catch (const PlayerError& e) {
            std::printf("Bjyyly: open failed: %s\n", e.what());
            ok = false;
        }
        if (ok) {
            const size_t from = monitor.size();
            const double t0 = NowMs();
            music->play();
            Idle(4000);
            const double tStop = NowMs();
            music->stop();
            const double stoppedAt =
                RunUntil([&] { return music->state() == PlayerState::Stopped; }, 2000);
            Idle(1000);
            double first = 0, last = 0;
            ok = stoppedAt >= 0 && FindSound(monitor, from, first, last);
            const double heardMs = tStop - (first - facts.firstAboveMs);
            // Quiet from 150 ms after stop() until now.
            double qFirst = 0, qLast = 0;
            const bool quiet = !FindSound(monitor, IndexAt(monitor, tStop + 150), qFirst, qLast);
            std::printf(
                "\nstop/resume: stop() after %.0f ms of sound (play at %.0f); Stopped "
                "%.1f ms after stop(); quiet after stop: %s\n",
                heardMs, first - facts.firstAboveMs - t0, stoppedAt < 0 ? -1.0 : stoppedAt - tStop,
                quiet ? "yes" : "NO");
            const PlayResult r = ok ? MeasurePlay(*music, monitor, facts, heardMs) : PlayResult{};
            if (r.ok) {
                // Resumed at the kept place: the rest lasts duration - heard.
                std::printf(
                    "stop/resume: resumed play ended %.1f ms after the remaining %.0f ms "
                    "(from the beginning it would be %+.0f ms)\n",
                    r.endToStopped, facts.durationMs - heardMs, heardMs);
            }
            const bool resumed =
                r.ok && r.endToStopped >= kEarlyToleranceMs && r.endToStopped <= kBoundMs;
            std::printf("stop/resume: %s\n", resumed && quiet ? "OK" : "FAILED");
            if (!resumed || !quiet) pass = false;
        } else {
            pass = false;
        }
    }

    // Two players at once: the melody from the start and a prompt over it.
    try {
        music->close();
        music->open();
        prompts->close();
        prompts->setFileName(QDir(soundDir).filePath(QStringLiteral("Ksksly.wav")));
        prompts->open();
        music->play();
        Idle(500);
        prompts->play();
        const double both = RunUntil(
            [&] {
                return music->state() == PlayerState::Playing &&
                       prompts->state() == PlayerState::Playing;
            },
            2000);
        const double promptEnd =
            RunUntil([&] { return prompts->state() == PlayerState::Stopped; }, 10000);
        const bool musicOn = music->state() == PlayerState::Playing;
        music->stop();
        const bool ok = both >= 0 && promptEnd >= 0 && musicOn;
        std::printf("two players: both Playing %s, prompt ended while the music went on %s: %s\n",
                    both >= 0 ? "yes" : "no", promptEnd >= 0 && musicOn ? "yes" : "no",
                    ok ? "OK" : "FAILED");
        if (!ok) pass = false;
    } catch (const PlayerError& e) {
        std::printf("two players: open failed: %s\n", e.what());
        pass = false;
    }

    std::printf(
        "\nbound: end->Stopped within %.0f..%.0f ms on every play, stop keeps the place, "
        "two players at once: %s\n",
        kEarlyToleranceMs, kBoundMs, pass ? "met" : "NOT met");
    return pass ? 0 : 1;
}
