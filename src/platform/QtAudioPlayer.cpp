// The real audio player.
//
// PCM WAV files (all the default sounds) play through our own QAudioSink streams; anything else
// (MP3, Ogg, WAV codings other than 8/16/24/32-bit integer and 32-bit float PCM) goes to
// QMediaPlayer. KVTMR_AUDIO_BACKEND=mediaplayer sends every file there, for comparing the two.
//
// How a PCM sound is heard at the moment play() is called
//
// Each player keeps its stream to the sound server open between sounds instead of making one
// per play: making a stream takes several round trips to the server, on the GUI thread at the
// step, each waiting until the server and then the GUI thread get a core, and on a desktop an
// output left without streams is suspended and must wake up first. Between sounds the stream is
// left dry, not fed with silence: a dry stream costs nothing, keeps the output from being
// suspended, and when frames come again the server plays them at once (PulseAudio rewinds its
// output buffer at the end of an underrun), whereas frames queued behind silence would wait for the
// silence to play out. A stream is fed again only for a run: the first frames of the sound fill the
// server's whole buffer as soon as play() asks.
//
// A feeding thread per player makes the streams, closes them and keeps a run fed; it wakes
// only while a run needs frames (about every half buffer) or when the GUI thread asks, so a
// stalled GUI thread neither starves a sound nor delays its end, and an idle player wakes
// nothing at all. The thread runs no Qt event loop (so the sink's own 20 ms tick timer never
// fires); it delivers the sinks' queued signals itself. On the GUI thread, open() reads the
// header and the first 300 ms of samples, play() hands the first frames over itself when a
// stream is ready (a write into the server's socket: no wait for the thread to be scheduled),
// and stop() and state() only change or read the shared playback logic. They share one lock
// with the thread, which holds it only for such non-blocking steps, never while it reads the
// file or makes or closes a stream, so the GUI thread never waits for the server or the disk.
//
// A stopped run's stream still queues up to a buffer of the sound, which must not be heard, and
// Qt's sink cannot drop it: that stream is closed (the server then silences it at once) and the
// next run takes a spare stream the thread keeps ready for the player's format. A stream whose
// run played to its end is dry and is used again.
//
// The playback logic (Playback.h) knows where a sound is from the server's playback clock
// (QAudioSink::processedUSecs, which counts the frames played, interpolated between the
// server's reports) bounded by the time since the run's first frames went in: the clock may
// run ahead right after a dry stream is fed, until the server's next report. So state() says
// Stopped as soon as a sound has really ended, and stop() keeps the place heard.
//
// The sound follows the desktop's default output: it is looked up again for every sound (Qt
// 6.4 reports devices added and removed, not another default), and when it changed the spare
// streams are made again on the new default and the next run leaves its stream on the old
// output for one on the new. A stream whose output disappears is moved by PulseAudio to
// another output, where it plays on; one that cannot be moved fails, and its run ends
// (Stopped). All callbacks to the window (OnError) run on the GUI thread.
#include "platform/QtAudioPlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QAudioSink>
#include <QCoreApplication>
#include <QFile>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSemaphore>
#include <QThread>
#include <QUrl>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "core/Errors.h"
#include "platform/Playback.h"
#include "platform/SoundFile.h"

namespace {

// The server buffer a stream asks for: large enough that a busy machine does not starve it,
// while the onset does not depend on it (a dry stream plays new frames at once) and a stop
// does not either (the stream is closed).
constexpr qint64 kStreamBufferUs = 150'000;
// How much of a sound's beginning is read (and converted) when it is opened, so that the first
// frames of a run from the beginning go to the stream straight from memory.
constexpr qint64 kHeadUs = 300'000;
// How long the feeding thread waits before it tries again to make a stream that failed.
constexpr qint64 kStreamRetryUs = 1'000'000;
// While a run waits for its stream the thread looks again this often.
constexpr qint64 kWaitPollUs = 5'000;

qint64 NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

QAudioFormat StreamFormat(int channels, int rate) {
    QAudioFormat f;
    f.setSampleFormat(QAudioFormat::Float);
    f.setChannelCount(channels);
    f.setSampleRate(rate);
    return f;
}

// --- The samples of a WAV file, as floats ------------------------------------------------

class WavSource {
  public:
    WavSource(const QString& path, const WavFormat& format) : format_(format), file_(path) {
        if (!file_.open(QIODevice::ReadOnly))
            throw PlayerError(SoundFileErrorText(
                path, QStringLiteral("无法打开文件（%1）").arg(file_.errorString())));
        const qint64 frames = std::min(format.frames, kHeadUs * format.sampleRate / 1'000'000);
        headFrames_ = std::max<qint64>(0, read(0, frames, head_));
    }

    // The frames [from, from + count) from the beginning read at open, when they lie there.
    bool fromHead(qint64 from, qint64 count, std::vector<float>& out) const {
        if (from < 0 || from + count > headFrames_) return false;
        const auto* first = head_.data() + from * format_.channels;
        out.assign(first, first + count * format_.channels);
        return true;
    }
    const WavFormat& format() const { return format_; }
    QString errorString() const { return file_.errorString(); }

    // Reads up to `count` frames from frame `from` into `out`; returns the frames read, fewer
    // at the end of the file, -1 on a read error.
    qint64 read(qint64 from, qint64 count, std::vector<float>& out) {
        const int frameBytes = format_.frameBytes();
        if (!file_.seek(format_.dataOffset + from * frameBytes)) return -1;
        raw_.resize(qsizetype(count * frameBytes));
        const qint64 got = file_.read(raw_.data(), count * frameBytes);
        if (got < 0) return -1;
        const qint64 frames = got / frameBytes;
        const qint64 n = frames * format_.channels;
        out.resize(size_t(n));
        const char* s = raw_.constData();
        float* d = out.data();
        switch (format_.coding) {
            case SampleCoding::UInt8:
                for (qint64 i = 0; i < n; ++i)
                    d[i] = (float(quint8(s[i])) - 128.0f) / 128.0f;
                break;
            case SampleCoding::Int16:
                for (qint64 i = 0; i < n; ++i)
                    d[i] = float(qFromLittleEndian<qint16>(s + 2 * i)) / 32768.0f;
                break;
            case SampleCoding::Int24:
                for (qint64 i = 0; i < n; ++i) {
                    const auto* p = reinterpret_cast<const quint8*>(s + 3 * i);
                    const qint32 v =
                        qint32(quint32(p[0]) << 8 | quint32(p[1]) << 16 | quint32(p[2]) << 24) >> 8;
                    d[i] = float(v) / 8388608.0f;
                }
                break;
            case SampleCoding::Int32:
                for (qint64 i = 0; i < n; ++i)
                    d[i] = float(double(qFromLittleEndian<qint32>(s + 4 * i)) / 2147483648.0);
                break;
            case SampleCoding::Float32:
                for (qint64 i = 0; i < n; ++i)
                    d[i] = qFromLittleEndian<float>(s + 4 * i);
                break;
        }
        return frames;
    }

  private:
    WavFormat format_;
    QFile file_;
    QByteArray raw_;
    std::vector<float> head_;
    qint64 headFrames_ = 0;
};

// --- A stream over QAudioSink ------------------------------------------------------------

// Made, written to and closed on the feeding thread; its clock and free space are also read on
// the GUI thread, always under the player's lock.
class SinkStream final : public AudioStream {
  public:
    // nullptr when the output does not take the stream.
    static std::unique_ptr<SinkStream> Make(const QAudioDevice& device, int channels, int rate,
                                            quint64 generation) {
        auto s = std::unique_ptr<SinkStream>(new SinkStream(channels, rate, generation));
        const QAudioFormat format = StreamFormat(channels, rate);
        s->sink_ = std::make_unique<QAudioSink>(device, format);
        s->sink_->setBufferSize(format.bytesForDuration(kStreamBufferUs));
        s->out_ = s->sink_->start();
        if (!s->out_ || s->sink_->state() == QAudio::StoppedState ||
            s->sink_->error() != QAudio::NoError)
            return nullptr;
        s->frameBytes_ = format.bytesPerFrame();
        s->bufferFrames_ = s->sink_->bufferSize() / s->frameBytes_;
        return s;
    }
    ~SinkStream() override {
        // Closing the server's stream silences whatever it still queues.
        if (sink_) sink_->stop();
    }

    int channels() const override { return channels_; }
    int sampleRate() const override { return rate_; }
    quint64 generation() const { return generation_; }

    qint64 framesFree() override {
        if (failed_ || sink_->state() == QAudio::StoppedState) return -1;
        // A stream the server has dropped has no writable size (-1).
        const qint64 bytes = sink_->bytesFree();
        if (bytes < 0) failed_ = true;
        return failed_ ? -1 : bytes / frameBytes_;
    }
    qint64 write(const float* samples, qint64 frames) override {
        const qint64 free = framesFree();
        if (free <= 0) return 0;  // never write to a failed or full stream
        frames = std::min(frames, free);
        const qint64 bytes =
            out_->write(reinterpret_cast<const char*>(samples), frames * frameBytes_);
        if (bytes < 0) {
            failed_ = true;
            return 0;
        }
        return bytes / frameBytes_;
    }
    qint64 framesPlayed() override { return sink_->processedUSecs() * rate_ / 1'000'000; }
    qint64 bufferFrames() const override { return bufferFrames_; }

  private:
    SinkStream(int channels, int rate, quint64 generation)
        : channels_(channels), rate_(rate), generation_(generation) {}
    int channels_;
    int rate_;
    quint64 generation_;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* out_ = nullptr;  // the sink's
    int frameBytes_ = 1;
    qint64 bufferFrames_ = 1;
    bool failed_ = false;
};

// --- The PCM path: the playback logic, its streams and the feeding thread ----------------

class SinkEngine final : public StreamPool {
  public:
    // Reports a file that turned out not to play (a read error) to the GUI thread.
    explicit SinkEngine(std::function<void(const QString&)> failed)
        : failed_(std::move(failed)), thread_(this) {
        thread_.start();
    }
    ~SinkEngine() override = default;

    // Ends the feeding thread, which closes the streams. False when it did not end within
    // `ms` (stuck in a sound server that does not answer): the engine must then be left alone.
    bool shutdown(int ms) {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.release();
        return thread_.wait(ms);
    }

    void setDevice(const QAudioDevice& device) {
        {
            std::lock_guard lock(mutex_);
            if (device.id() == device_.id() && device.isNull() == device_.isNull()) return;
            device_ = device;
            ++generation_;
            retryAtUs_ = 0;
            if (spare_) graveyard_.push_back(std::move(spare_));
        }
        wake_.release();
    }

    void open(const QString& path, const WavFormat& format) {
        auto source = std::make_shared<WavSource>(path, format);
        {
            std::lock_guard lock(mutex_);
            source_ = std::move(source);
            path_ = path;
            logic_.open({format.channels, format.sampleRate, format.frames}, NowUs());
            // A spare stream of this format is made now, before it is needed.
            wantChannels_ = format.channels;
            wantRate_ = format.sampleRate;
        }
        wake_.release();
    }
    void close() {
        {
            std::lock_guard lock(mutex_);
            logic_.close(NowUs());
            source_.reset();
        }
        wake_.release();
    }
    void play() {
        {
            std::lock_guard lock(mutex_);
            const qint64 now = NowUs();
            logic_.play(now);
            // The first frames go over from here when they can: from the sound's beginning,
            // read at open, to a stream that is ready. Otherwise the feeding thread starts it.
            const FeedPlan plan = logic_.plan(now);
            if (plan.frames > 0 && source_ && source_->fromHead(plan.from, plan.frames, first_))
                logic_.feed(now, plan, first_.data(), plan.frames);
        }
        wake_.release();
    }
    void stop() {
        {
            std::lock_guard lock(mutex_);
            logic_.stop(NowUs());
        }
        wake_.release();
    }
    PlayerState state() {
        std::lock_guard lock(mutex_);
        return logic_.state(NowUs());
    }

    // StreamPool, called by the logic under the lock.
    std::unique_ptr<AudioStream> take(int channels, int rate) override {
        wantChannels_ = channels;
        wantRate_ = rate;
        if (spare_ && spare_->channels() == channels && spare_->sampleRate() == rate &&
            spare_->generation() == generation_)
            return std::move(spare_);
        return nullptr;
    }
    bool current(const AudioStream& stream) const override {
        return static_cast<const SinkStream&>(stream).generation() == generation_;
    }
    bool hasOutput() const override { return !device_.isNull(); }
    void retire(std::unique_ptr<AudioStream> stream) override {
        graveyard_.push_back(std::move(stream));
    }

  private:
    class Thread final : public QThread {
      public:
        explicit Thread(SinkEngine* engine) : engine_(engine) {}
        void run() override { engine_->work(); }

      private:
        SinkEngine* engine_;
    };

    bool spareWanted(qint64 now) const {
        if (wantChannels_ <= 0 || device_.isNull() || now < retryAtUs_) return false;
        return !spare_ || spare_->channels() != wantChannels_ ||
               spare_->sampleRate() != wantRate_ || spare_->generation() != generation_;
    }

    // Waits, without the lock, until woken or `us` have passed (for ever when negative).
    void sleep(std::unique_lock<std::mutex>& lock, qint64 us) {
        lock.unlock();
        if (us < 0)
            wake_.acquire();
        else
            wake_.tryAcquire(1, int((us + 999) / 1000));
        wake_.tryAcquire(wake_.available());  // one wake-up serves all that came meanwhile
        lock.lock();
    }

    // The feeding thread.
    void work() {
        std::vector<float> samples;
        FeedPlan last;
        std::unique_lock lock(mutex_);
        while (!quit_) {
            QCoreApplication::sendPostedEvents();  // the sinks' queued signals
            const qint64 now = NowUs();
            if (!graveyard_.empty() || spareWanted(now)) {
                std::vector<std::unique_ptr<AudioStream>> dead = std::move(graveyard_);
                graveyard_.clear();
                if (spare_ && spareWanted(now)) dead.push_back(std::move(spare_));
                const bool make = spareWanted(now);
                const QAudioDevice device = device_;
                const int channels = wantChannels_, rate = wantRate_;
                const quint64 generation = generation_;
                lock.unlock();
                dead.clear();
                std::unique_ptr<SinkStream> made;
                if (make) made = SinkStream::Make(device, channels, rate, generation);
                lock.lock();
                if (make && !made) retryAtUs_ = NowUs() + kStreamRetryUs;
                if (made) {
                    if (spare_) graveyard_.push_back(std::move(spare_));
                    spare_ = std::move(made);
                }
                continue;
            }
            const FeedPlan plan = logic_.plan(now);
            if (plan.frames > 0) {
                const bool again = plan.run == last.run && plan.from == last.from;
                last = plan;
                if (again) {  // no progress on the last try: the stream took nothing
                    sleep(lock, kWaitPollUs);
                    last = {};
                    continue;
                }
                std::shared_ptr<WavSource> source = source_;
                if (source && source->fromHead(plan.from, plan.frames, samples)) {
                    logic_.feed(now, plan, samples.data(), plan.frames);
                    continue;
                }
                const QString path = path_;
                lock.unlock();
                const qint64 got = source ? source->read(plan.from, plan.frames, samples) : -1;
                if (got < 0 && source) {
                    const QString why = QStringLiteral("读取失败（%1）").arg(source->errorString());
                    failed_(SoundFileErrorText(path, why));
                }
                lock.lock();
                logic_.feed(NowUs(), plan, samples.data(), std::max<qint64>(0, got));
                continue;
            }
            const qint64 due = logic_.nextFeedUs(now);
            sleep(lock, due < 0 ? -1 : std::max(due - now, kWaitPollUs));
        }
        // The streams are closed on the thread that made them.
        logic_.close(NowUs());
        logic_.dropStream();
        std::vector<std::unique_ptr<AudioStream>> dead = std::move(graveyard_);
        graveyard_.clear();
        if (spare_) dead.push_back(std::move(spare_));
        lock.unlock();
        dead.clear();
    }

    std::function<void(const QString&)> failed_;
    mutable std::mutex mutex_;
    // Woken by a release. A semaphore, not a condition variable: its timed wait is a relative
    // one, so a clock that jumps (as under libfaketime in the end-to-end tests) cannot stretch
    // it, whereas a condition variable waits for a deadline on the monotonic clock.
    QSemaphore wake_;
    Playback logic_{*this};
    std::shared_ptr<WavSource> source_;
    std::vector<float> first_;  // the GUI thread's conversion buffer
    QString path_;
    QAudioDevice device_ = QMediaDevices::defaultAudioOutput();
    quint64 generation_ = 1;
    std::unique_ptr<SinkStream> spare_;
    std::vector<std::unique_ptr<AudioStream>> graveyard_;
    int wantChannels_ = 0;
    int wantRate_ = 0;
    qint64 retryAtUs_ = 0;
    bool quit_ = false;
    Thread thread_;
};

// --- Any other file through QMediaPlayer -------------------------------------------------

class MediaPlayback {
  public:
    MediaPlayback(const QString& path, std::function<void(const QString&)> failed)
        : path_(path), failed_(std::move(failed)) {
        player_.setAudioOutput(&output_);
        QObject::connect(&player_, &QMediaPlayer::mediaStatusChanged, &player_,
                         [this](QMediaPlayer::MediaStatus s) {
                             if (s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::BufferedMedia)
                                 loaded_ = true;
                         });
        // Reported once, after the call that caused it has returned; a resource error on a
        // file that had loaded is the output going away, not the file.
        QObject::connect(
            &player_, &QMediaPlayer::errorOccurred, &player_,
            [this](QMediaPlayer::Error error, const QString& text) {
                const bool wasFailed = broken_;
                broken_ = true;
                if (wasFailed || (loaded_ && error == QMediaPlayer::ResourceError)) return;
                const QString reason = text.isEmpty() ? QStringLiteral("无法解码") : text;
                QMetaObject::invokeMethod(
                    &player_, [this, reason] { failed_(SoundFileErrorText(path_, reason)); },
                    Qt::QueuedConnection);
            });
        player_.setSource(QUrl::fromLocalFile(path));
    }
    ~MediaPlayback() {
        player_.stop();
        player_.setSource(QUrl());
    }

    void setDevice(const QAudioDevice& device) { output_.setDevice(device); }

    void play() {
        if (broken_) return;
        const qint64 duration = player_.duration();
        if (player_.mediaStatus() == QMediaPlayer::EndOfMedia ||
            (duration > 0 && player_.position() >= duration))
            player_.setPosition(0);
        stopped_ = false;
        player_.play();
    }

    void stop() {
        // QMediaPlayer::stop() rewinds; a pause keeps the place for the next play().
        stopped_ = true;
        if (player_.playbackState() == QMediaPlayer::PlayingState) player_.pause();
    }

    PlayerState state() const {
        if (broken_) return PlayerState::Stopped;
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
    QString path_;
    std::function<void(const QString&)> failed_;
    QMediaPlayer player_;
    QAudioOutput output_{QMediaDevices::defaultAudioOutput()};
    bool stopped_ = false;
    bool loaded_ = false;
    bool broken_ = false;
};

bool MediaPlayerForced() {
    return qEnvironmentVariable("KVTMR_AUDIO_BACKEND")
               .compare(QStringLiteral("mediaplayer"), Qt::CaseInsensitive) == 0;
}

// --- The player ------------------------------------------------------------------------

class QtAudioPlayer final : public AudioPlayer {
  public:
    QtAudioPlayer() {
        engine_ = std::make_unique<SinkEngine>([this](const QString& text) {
            QMetaObject::invokeMethod(
                &context_, [this, text] { report(text); }, Qt::QueuedConnection);
        });
        // The media devices are watched on the GUI thread.
        QObject::connect(&devices_, &QMediaDevices::audioOutputsChanged, &context_,
                         [this] { outputsChanged(); });
    }
    ~QtAudioPlayer() override {
        media_.reset();
        // A feeding thread stuck in a sound server that does not answer must not hold up the
        // end of the program: it is left to the process's exit.
        if (!engine_->shutdown(2000)) (void)engine_.release();
    }

    void setFileName(const QString& path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }

    void close() override {
        engine_->close();
        media_.reset();
    }

    void open() override {
        close();
        const QString path = ResolveSoundPath(fileName_);
        const SoundProbe probe = ProbeSoundFile(path);
        if (probe.kind == SoundProbe::Kind::Unplayable)
            throw PlayerError(SoundFileErrorText(path, probe.reason));
        const QAudioDevice device = followDefault();
        // With no output device at all the stream path is kept: its play() then does nothing.
        if (probe.kind == SoundProbe::Kind::Pcm && !MediaPlayerForced() &&
            (device.isNull() ||
             device.isFormatSupported(StreamFormat(probe.wav.channels, probe.wav.sampleRate))))
            engine_->open(path, probe.wav);
        else
            media_ = std::make_unique<MediaPlayback>(path, [this](const QString& t) { report(t); });
    }

    void play() override {
        followDefault();
        if (media_)
            media_->play();
        else
            engine_->play();
    }
    void stop() override {
        if (media_)
            media_->stop();
        else
            engine_->stop();
    }
    PlayerState state() const override {
        if (media_) return media_->state();
        return engine_->state();
    }

  private:
    // Qt 6.4 reports changes of the device list but not of the default output alone, so the
    // default is looked up again (a copy from Qt's device list, no call to the server) for
    // every sound, and the next run goes to it.
    QAudioDevice followDefault() {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.id() != device_.id() || device.isNull() != device_.isNull()) {
            device_ = device;
            engine_->setDevice(device);
            if (media_) media_->setDevice(device);
        }
        return device;
    }
    void outputsChanged() { followDefault(); }
    // On the GUI thread.
    void report(const QString& text) {
        if (OnError) OnError(text);
    }

    QString fileName_;
    QObject context_;  // lives on the GUI thread: the target of the thread's reports
    QMediaDevices devices_;
    QAudioDevice device_ = QMediaDevices::defaultAudioOutput();  // the one the sounds go to
    std::unique_ptr<SinkEngine> engine_;
    std::unique_ptr<MediaPlayback> media_;
};

}  // namespace

std::unique_ptr<AudioPlayer> CreateAudioPlayer() {
    return std::make_unique<QtAudioPlayer>();
}
