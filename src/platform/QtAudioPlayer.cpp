// The real audio player.
//
// PCM WAV files (all the default sounds) are played through our own QAudioSink stream: the
// file's samples go to the sound server unchanged, the position is known to the frame and the
// end is the moment the server's playback clock has passed the last frame handed to it, so
// state() says Stopped as soon as a sound has really ended and stop() can keep the exact
// place heard. Qt 6.4's QMediaPlayer, measured on the same files (bench/bench_audio_state),
// does worse on each of these: with the GStreamer backend a sound starts 120-170 ms after
// play() (over a second on the first play in a fresh sound server), and now and then a
// replayed one is never heard or stays Playing long after its end; with the FFmpeg backend
// Stopped comes 60-80 ms before the real end and a resume loses about 160 ms.
//
// Anything else (MP3, Ogg, WAV codings other than 8/16/24/32-bit integer and 32-bit float
// PCM) goes to QMediaPlayer.
// Its stop() is a pause, since QMediaPlayer::stop() rewinds. Setting KVTMR_AUDIO_BACKEND to
// "mediaplayer" sends every file there, for comparing the two.
#include "platform/QtAudioPlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QAudioSink>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QtEndian>
#include <algorithm>
#include <cstring>

#include "platform/Errors.h"

namespace {

// How much audio the sink keeps queued at the server. Large enough that a busy GUI thread
// does not starve it; it does not delay the end report, which follows the playback clock.
constexpr qint64 kSinkBufferUs = 250'000;
// How often a playing sink is given data and checked for its end.
constexpr int kPollMs = 25;
// Tolerance on the playback clock at the end: the server counts in whole microseconds.
constexpr qint64 kEndSlackUs = 2'000;
// When the clock stops short of the end (a stream the server dropped), the run is taken as
// ended this long after the last frame was handed over plus the queued amount.
constexpr qint64 kDrainGraceMs = 500;

QString OpenErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot open the sound file \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

// The absolute path of a file name given relative to the working directory or with native
// separators; a name written with backslashes (a setting carried over from Windows) is tried
// with slashes when no file has the name as written.
QString ResolvePath(const QString& name) {
    QString path = QDir::fromNativeSeparators(name);
    if (path.contains(u'\\') && !QFileInfo::exists(path)) {
        QString slashed = path;
        slashed.replace(u'\\', u'/');
        if (QFileInfo::exists(slashed)) path = slashed;
    }
    return QFileInfo(path).absoluteFilePath();
}

// --- WAV header ------------------------------------------------------------------------

struct WavInfo {
    QAudioFormat format;      // what the sink is given
    int fileSampleBytes = 0;  // bytes of one sample in the file: 3 for 24-bit, which the sink
                              // gets widened to 32-bit
    qint64 dataOffset = 0;
    qint64 frames = 0;
};

quint16 Le16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 Le32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

// Reads the RIFF header of a PCM or IEEE-float WAV: 8-bit unsigned, 16/24/32-bit signed or
// 32-bit float samples. Returns false for anything else, which is then left to QMediaPlayer.
bool ReadWavHeader(QFile& file, WavInfo& info) {
    const qint64 fileSize = file.size();
    char riff[12];
    if (!file.seek(0) || file.read(riff, 12) != 12) return false;
    if (memcmp(riff, "RIFF", 4) != 0 || memcmp(riff + 8, "WAVE", 4) != 0) return false;

    bool haveFormat = false;
    quint16 tag = 0, channels = 0, bits = 0, blockAlign = 0;
    quint32 rate = 0;
    qint64 pos = 12;
    while (pos + 8 <= fileSize) {
        char head[8];
        if (!file.seek(pos) || file.read(head, 8) != 8) return false;
        const qint64 chunkSize = Le32(head + 4);
        const qint64 body = pos + 8;
        if (memcmp(head, "fmt ", 4) == 0) {
            if (chunkSize < 16) return false;
            char fmt[40] = {};
            const qint64 want = std::min<qint64>(chunkSize, sizeof fmt);
            if (file.read(fmt, want) != want) return false;
            tag = Le16(fmt);
            channels = Le16(fmt + 2);
            rate = Le32(fmt + 4);
            blockAlign = Le16(fmt + 12);
            bits = Le16(fmt + 14);
            if (tag == 0xFFFE) {  // WAVE_FORMAT_EXTENSIBLE: the real tag opens the subformat
                if (want < 40) return false;
                tag = Le16(fmt + 24);
            }
            haveFormat = true;
        } else if (memcmp(head, "data", 4) == 0) {
            if (!haveFormat) return false;
            QAudioFormat::SampleFormat sample = QAudioFormat::Unknown;
            if (tag == 1 && bits == 8)
                sample = QAudioFormat::UInt8;
            else if (tag == 1 && bits == 16)
                sample = QAudioFormat::Int16;
            else if (tag == 1 && (bits == 24 || bits == 32))
                sample = QAudioFormat::Int32;
            else if (tag == 3 && bits == 32)
                sample = QAudioFormat::Float;
            if (sample == QAudioFormat::Unknown || channels == 0 || channels > 8 || rate < 1000 ||
                rate > 384000)
                return false;
            info.format.setSampleFormat(sample);
            info.format.setChannelCount(channels);
            info.format.setSampleRate(int(rate));
            info.fileSampleBytes = bits / 8;
            const int frameBytes = info.fileSampleBytes * channels;
            if (blockAlign != frameBytes) return false;
            // A writer that streamed the file may have left the size unset or too large.
            qint64 size = chunkSize;
            if (size == 0 || size == 0xFFFFFFFF || body + size > fileSize) size = fileSize - body;
            info.dataOffset = body;
            info.frames = size / frameBytes;
            return true;
        }
        pos = body + chunkSize + (chunkSize & 1);
    }
    return false;
}

// --- The two ways of playing -----------------------------------------------------------

class Playback {
  public:
    virtual ~Playback() = default;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual PlayerState state() const = 0;
};

// PCM WAV through QAudioSink in push mode. One run goes from play() to stop() or to the end,
// on a sink of its own: Qt 6.4's PulseAudio sink, started again after a stop, now and then
// stops pulling data for good, and a fresh sink costs only a stream. The sink's
// processedUSecs() is the server's playback clock of the run (it stands still while the
// stream starves), so the heard position is the run's first frame plus that time.
// Positions are counted in frames.
class SinkPlayback final : public Playback {
  public:
    SinkPlayback(const QString& path, const WavInfo& info) : info_(info), file_(path) {
        if (!file_.open(QIODevice::ReadOnly))
            throw PlayerError(OpenErrorText(path, file_.errorString()));
        fileFrameBytes_ = info_.fileSampleBytes * info_.format.channelCount();
        poll_.setInterval(kPollMs);
        QObject::connect(&poll_, &QTimer::timeout, [this] { tick(); });
    }
    ~SinkPlayback() override { halt(); }

    void play() override {
        if (running_) {
            if (!runEnded()) return;
            endRun();
        }
        if (info_.frames == 0) return;
        if (position_ >= info_.frames) position_ = 0;
        runStart_ = position_;
        fed_ = position_;
        drainedAt_.invalidate();
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) return;  // no sound output at all: nothing to play on
        sink_ = std::make_unique<QAudioSink>(device, info_.format);
        sink_->setBufferSize(info_.format.bytesForDuration(kSinkBufferUs));
        out_ = sink_->start();
        if (!out_ || sink_->state() == QAudio::StoppedState) {  // no usable output device
            halt();
            return;
        }
        clockBase_ = sink_->processedUSecs();
        running_ = true;
        feed();
        poll_.start();
    }

    void stop() override {
        if (!running_) return;
        if (runEnded()) {
            endRun();
            return;
        }
        const qint64 heard = runStart_ + info_.format.framesForDuration(playedUs());
        position_ = std::clamp(heard, runStart_, fed_);
        halt();
    }

    PlayerState state() const override {
        return running_ && !runEnded() ? PlayerState::Playing : PlayerState::Stopped;
    }

  private:
    qint64 playedUs() const { return std::max<qint64>(0, sink_->processedUSecs() - clockBase_); }

    // True once every frame of the run has been handed over and played.
    bool runEnded() const {
        if (sink_->state() == QAudio::StoppedState) return true;  // the server dropped us
        if (fed_ < info_.frames) return false;
        const qint64 runUs = info_.format.durationForFrames(info_.frames - runStart_);
        if (playedUs() + kEndSlackUs >= runUs) return true;
        return drainedAt_.isValid() && drainedAt_.elapsed() > kSinkBufferUs / 1000 + kDrainGraceMs;
    }

    // Hands the sink as many frames of the file as it has room for, and after the last one,
    // silence until the run is over. The silence lets a sound shorter than the sink's buffer
    // start (the server waits for a full buffer), and the stream never runs dry while it
    // exists: Qt 6.4's PulseAudio sink reports running dry from the server's thread, which
    // crashes when it meets the sink being deleted on ours. The end is still told by the
    // file's last frame; the silence after it is cut off when the run ends.
    void feed() {
        const int sinkFrameBytes = info_.format.bytesPerFrame();
        const qint64 room = std::min(sink_->bytesFree() / sinkFrameBytes, info_.frames - fed_);
        if (room > 0 && file_.seek(info_.dataOffset + fed_ * fileFrameBytes_)) {
            QByteArray chunk = file_.read(room * fileFrameBytes_);
            const qint64 frames = chunk.size() / fileFrameBytes_;
            if (frames == 0) info_.frames = fed_;  // the file shrank: the rest is gone
            chunk.truncate(frames * fileFrameBytes_);
            if (info_.fileSampleBytes == 3) chunk = Widen24(chunk);
            const qint64 written = frames == 0 ? 0 : out_->write(chunk);
            if (written > 0) fed_ += written / sinkFrameBytes;
        }
        if (fed_ >= info_.frames) {
            const qint64 bytes = sink_->bytesFree();
            const char silence = info_.format.sampleFormat() == QAudioFormat::UInt8 ? '\x80' : 0;
            if (bytes >= sinkFrameBytes)
                out_->write(QByteArray(bytes - bytes % sinkFrameBytes, silence));
        }
    }

    // 24-bit little-endian samples to 32-bit ones.
    static QByteArray Widen24(const QByteArray& in) {
        QByteArray out(in.size() / 3 * 4, Qt::Uninitialized);
        const char* s = in.constData();
        char* d = out.data();
        for (qsizetype i = 0, n = in.size() / 3; i < n; ++i, s += 3, d += 4) {
            d[0] = 0;
            d[1] = s[0];
            d[2] = s[1];
            d[3] = s[2];
        }
        return out;
    }

    void tick() {
        if (!running_) return;
        feed();
        if (fed_ >= info_.frames && !drainedAt_.isValid()) drainedAt_.start();
        if (runEnded()) endRun();
    }

    void endRun() {
        position_ = info_.frames;
        halt();
    }

    void halt() {
        running_ = false;
        poll_.stop();
        out_ = nullptr;
        if (sink_) {
            sink_->stop();
            sink_.reset();
        }
    }

    WavInfo info_;
    QFile file_;
    int fileFrameBytes_ = 1;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* out_ = nullptr;  // the sink's, valid while it runs
    QTimer poll_;
    bool running_ = false;
    qint64 position_ = 0;   // the frame where the next play starts
    qint64 runStart_ = 0;   // the frame where the current run started
    qint64 fed_ = 0;        // the frames handed to the sink so far, counted from the file's start
    qint64 clockBase_ = 0;  // the sink's clock when the run started
    QElapsedTimer drainedAt_;
};

// Any other file through QMediaPlayer.
class MediaPlayback final : public Playback {
  public:
    explicit MediaPlayback(const QString& path) {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            throw PlayerError(OpenErrorText(path, probe.errorString()));
        probe.close();
        player_.setAudioOutput(&output_);
        QObject::connect(&player_, &QMediaPlayer::errorOccurred,
                         [this](QMediaPlayer::Error, const QString&) { failed_ = true; });
        player_.setSource(QUrl::fromLocalFile(path));
    }
    ~MediaPlayback() override {
        player_.stop();
        player_.setSource(QUrl());
    }

    void play() override {
        if (failed_) return;
        const qint64 duration = player_.duration();
        if (player_.mediaStatus() == QMediaPlayer::EndOfMedia ||
            (duration > 0 && player_.position() >= duration))
            player_.setPosition(0);
        stopped_ = false;
        player_.play();
    }

    void stop() override {
        // QMediaPlayer::stop() rewinds; a pause keeps the place for the next play().
        stopped_ = true;
        if (player_.playbackState() == QMediaPlayer::PlayingState) player_.pause();
    }

    PlayerState state() const override {
        if (failed_) return PlayerState::Stopped;
        switch (player_.playbackState()) {
            case QMediaPlayer::PlayingState:
                return PlayerState::Playing;
            case QMediaPlayer::PausedState:
                return stopped_ ? PlayerState::Stopped : PlayerState::Paused;
            case QMediaPlayer::StoppedState:
                return PlayerState::Stopped;
        }
        return PlayerState::Other;
    }

  private:
    QMediaPlayer player_;
    QAudioOutput output_;
    bool stopped_ = false;
    bool failed_ = false;
};

bool MediaPlayerForced() {
    return qEnvironmentVariable("KVTMR_AUDIO_BACKEND")
               .compare(QStringLiteral("mediaplayer"), Qt::CaseInsensitive) == 0;
}

// --- The player ------------------------------------------------------------------------

class QtAudioPlayer final : public AudioPlayer {
  public:
    void setFileName(const QString& path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }

    void close() override { playback_.reset(); }

    void open() override {
        playback_.reset();
        const QString path = ResolvePath(fileName_);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw PlayerError(OpenErrorText(path, file.errorString()));
        WavInfo info;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        // With no output device at all the sink is kept: its play() then does nothing.
        const bool wav = !MediaPlayerForced() && ReadWavHeader(file, info) &&
                         (device.isNull() || device.isFormatSupported(info.format));
        file.close();
        if (wav)
            playback_ = std::make_unique<SinkPlayback>(path, info);
        else
            playback_ = std::make_unique<MediaPlayback>(path);
    }

    void play() override {
        if (playback_) playback_->play();
    }
    void stop() override {
        if (playback_) playback_->stop();
    }
    PlayerState state() const override {
        return playback_ ? playback_->state() : PlayerState::Stopped;
    }

  private:
    QString fileName_;
    std::unique_ptr<Playback> playback_;
};

}  // namespace

std::unique_ptr<AudioPlayer> CreateAudioPlayer() {
    return std::make_unique<QtAudioPlayer>();
}
