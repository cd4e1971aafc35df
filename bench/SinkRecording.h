// Recording of a PulseAudio sink's monitor for the audio benchmarks: parec's raw samples, with
// each sample's time on the benchmark's own monotonic clock.
//
// The time line is fixed from the moments parec's data arrives: a chunk arrives after its last
// sample was rendered, so the earliest such bound over all chunks maps sample numbers to times.
// The null sink renders up to one block (its configured latency, a few ms with a low-latency
// stream on it) ahead of its clock, so the mapping is known to about that much.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QtEndian>
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

    size_t size() const { return samples_.size(); }
    double timeOf(size_t index) const { return originMs_ + double(index) * 1000.0 / kRate; }
    size_t indexAt(double ms) const {
        const double i = (ms - originMs_) * kRate / 1000.0;
        return i <= 0 ? 0 : std::min(samples_.size(), size_t(i));
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
    }

    QProcess parec_;
    QByteArray pending_;
    std::vector<qint16> samples_;
    double originMs_ = 1e300;
};

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
