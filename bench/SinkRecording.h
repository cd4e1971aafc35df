// Recording of a PulseAudio sink's monitor for the audio benchmarks: parec's raw samples, with
// each sample's time on the benchmark's own monotonic clock.
//
// The time line is fixed from the moments parec's data arrives: a chunk arrives after its last
// sample was rendered, so the earliest such bound over the chunks around a sample (within
// kWindowMs: the sink's sample clock and the monotonic clock drift apart by a few hundred ppm
// under load) maps its number to a time. The chunk that bounds it was rendered ahead of the
// sink's clock by up to one block, the sink's configured latency, so that latency is added
// (setSinkLatencyMs): a sound that starts a dry stream is rendered at once, at the sink's clock.
// The times are known to about a millisecond unloaded and a few under load.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

inline QElapsedTimer& Clock() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock;
}

inline double NowMs() {
    return double(Clock().nsecsElapsed()) / 1e6;
}

class SinkRecording {
  public:
    static constexpr int kRate = 44100;

    // Records with parec: Qt 6.4 does not offer a sink's monitor as an audio input.
    bool start(const QString& source) {
        const QStringList args = {QStringLiteral("-d"),
                                  source,
                                  QStringLiteral("--raw"),
                                  QStringLiteral("--format=s16le"),
                                  QStringLiteral("--rate=%1").arg(kRate),
                                  QStringLiteral("--channels=1"),
                                  QStringLiteral("--latency-msec=10")};
        std::printf("recording: parec %s\n", qPrintable(args.join(u' ')));
        QObject::connect(&parec_, &QProcess::readyReadStandardOutput, [this] { take(); });
        parec_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        parec_.start(QStringLiteral("parec"), args);
        if (!parec_.waitForStarted(5000)) {
            std::fprintf(stderr, "cannot run parec: %s\n", qPrintable(parec_.errorString()));
            return false;
        }
        return true;
    }
    ~SinkRecording() {
        parec_.kill();
        parec_.waitForFinished(5000);
    }

    static constexpr double kWindowMs = 1500.0;

    size_t size() const { return samples_.size(); }
    void setSinkLatencyMs(double ms) { sinkLatencyMs_ = ms; }
    double timeOf(size_t index) const {
        // The chunks whose last sample lies within the window around the sample.
        const double window = kWindowMs * kRate / 1000.0;
        auto lo = std::lower_bound(chunks_.begin(), chunks_.end(), double(index) - window,
                                   [](const Chunk& c, double n) { return double(c.samples) < n; });
        double origin = 1e300;
        for (auto it = lo; it != chunks_.end() && double(it->samples) <= double(index) + window;
             ++it)
            origin = std::min(origin, it->origin);
        if (origin > 1e299) origin = originMs_;
        return origin + double(index) * 1000.0 / kRate + sinkLatencyMs_;
    }
    // The magnitude of sample i, 0..1.
    double level(size_t i) const { return std::abs(samples_[i]) / 32768.0; }

  private:
    void take() {
        const double arrivalMs = NowMs();
        pending_ += parec_.readAllStandardOutput();
        const auto* s = reinterpret_cast<const uchar*>(pending_.constData());
        const qsizetype whole = pending_.size() - pending_.size() % 2;
        for (qsizetype i = 0; i < whole; i += 2)
            samples_.push_back(qFromLittleEndian<qint16>(s + i));
        pending_.remove(0, whole);
        const double origin = arrivalMs - double(samples_.size()) * 1000.0 / kRate;
        if (origin < originMs_) originMs_ = origin;
        chunks_.push_back({samples_.size(), origin});
    }

    struct Chunk {
        size_t samples;  // the samples received up to and with this chunk
        double origin;   // its arrival less their duration
    };
    QProcess parec_;
    QByteArray pending_;
    std::vector<Chunk> chunks_;
    double sinkLatencyMs_ = 0;
    std::vector<qint16> samples_;
    double originMs_ = 1e300;
};

// The configured latency of the default sink (pactl), in ms; 0 when it cannot be read.
inline double DefaultSinkLatencyMs() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sinks")});
    if (!pactl.waitForFinished(5000)) return 0;
    // "Latency: 1081 usec, configured 5012 usec" of the sink named by PULSE_SINK, or the first.
    const QString want = qEnvironmentVariable("PULSE_SINK");
    double found = 0;
    bool inWanted = want.isEmpty();
    for (const QString& line : QString::fromUtf8(pactl.readAllStandardOutput()).split(u'\n')) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1String("Name: "))) inWanted = want.isEmpty() || t.mid(6) == want;
        const qsizetype at = t.indexOf(QLatin1String("configured "));
        if (inWanted && t.startsWith(QLatin1String("Latency:")) && at >= 0) {
            found = t.mid(at + 11).section(u' ', 0, 0).toDouble() / 1000.0;
            if (!want.isEmpty()) break;
        }
    }
    return found;
}

// Runs the event loop until `done` holds (checked every millisecond) or `timeoutMs` passes.
// Returns the time at which it held, or -1.
inline double RunUntil(const std::function<bool()>& done, double timeoutMs) {
    if (done()) return NowMs();
    const double deadline = NowMs() + timeoutMs;
    double at = -1;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done()) {
            at = NowMs();
            loop.quit();
        } else if (NowMs() > deadline) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec();
    return at;
}

inline void Idle(double ms) {
    const double until = NowMs() + ms;
    RunUntil([&] { return NowMs() >= until; }, ms + 1000);
}

// Nearest-rank percentile of unsorted values.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    size_t rank = size_t(std::ceil(p / 100.0 * double(v.size())));
    if (rank < 1) rank = 1;
    return v[std::min(rank, v.size()) - 1];
}

}  // namespace bench
