// The real audio player.
//
// Every sound plays through our own QAudioSink streams. PCM WAV files (all the default sounds:
// 8/16/24/32-bit integer and 32-bit float) are read straight from the disk; any other file
// (MP3, Ogg, FLAC, WAV codings such as ADPCM) is decoded while it plays by Qt's QAudioDecoder
// (SoundDecoder.h) into a window of samples (SoundSource.h). KVTMR_AUDIO_BACKEND=decoder sends
// the WAV files through the decoder too, for comparing the two.
//
// No QMediaPlayer plays a sound: Qt 6.4's GStreamer player seeks while it loads, with the
// duration it does not know yet (0) as the end, and when its decoder was quick the sound then
// ends at once without a sample heard; and stopping a player whose file failed waits a second.
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
// Nothing here reads a file, makes a stream or runs a decoder on the GUI thread. Each player
// has a media thread (MediaThread.h): open() only posts the file to it, and returns. The media
// thread probes the file (ProbeSoundFile), reads a PCM sound's header and the beginning of
// its samples (kHeadUs), or decodes the beginning of any other file, and hands the sound to the
// stream engine; a file that will not play is reported through OnError. play(), stop() and state()
// right after open() act on what was asked (a play asked while the file is still read starts
// it as soon as it is ready, and the sound reports Playing meanwhile).
//
// A feeding thread per player makes the streams, closes them and keeps a run fed; it wakes
// only while a run needs frames (about every half buffer) or when another thread asks, so a
// stalled GUI thread neither starves a sound nor delays its end, and an idle player wakes
// nothing at all. The thread runs no Qt event loop (so the sink's own 20 ms tick timer never
// fires); it delivers the sinks' queued signals itself. play() hands the first frames over
// itself when a stream is ready (a write into the server's socket: no wait for the feeding
// thread to be scheduled), and stop() and state() only change or read the shared playback
// logic. They share one lock with the thread, which holds it only for such non-blocking
// steps, never while it reads the file or makes or closes a stream, so the GUI thread never
// waits for the server or the disk.
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
#include <QAudioSink>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

#include "core/Errors.h"
#include "platform/AudioDevices.h"
#include "platform/MediaThread.h"
#include "platform/Playback.h"
#include "platform/SoundDecoder.h"
#include "platform/SoundFile.h"
#include "platform/SoundSource.h"

namespace {

// The server buffer a stream asks for: large enough that a busy machine does not starve it and
// that the feeding thread, which tops it up when about half of it has played, wakes only a few
// times a second while the music plays; the onset does not depend on it (a dry stream plays new
// frames at once) and a stop does not either (the stream is closed). The server grants about
// half of it (it takes the rest as the output's own latency).
constexpr qint64 kStreamBufferUs = 800'000;
// How much of a sound's beginning is read (and converted) when it is opened, so that the first
// frames of a run from the beginning, which fill the stream's whole buffer, go to the stream
// straight from memory.
constexpr qint64 kHeadUs = 1'600'000;
// How long after a sound read before is opened again its file is looked at for a change.
constexpr int kRecheckDelayMs = 200;
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

class WavSource final : public SoundSource {
  public:
    WavSource(const QString& path, const WavFormat& format)
        : format_(format), file_(path), path_(path) {
        if (!file_.open(QIODevice::ReadOnly))
            throw PlayerError(QStringLiteral("无法打开文件（%1）").arg(file_.errorString()));
        const QFileInfo info(path);
        size_ = info.size();
        modified_ = info.lastModified();
        const qint64 frames = std::min(format.frames, kHeadUs * format.sampleRate / 1'000'000);
        headFrames_ = std::max<qint64>(0, read(0, frames, head_));
    }

    const QString& path() const { return path_; }
    // Whether the file has changed (or gone) since it was opened; found by recheck(), off the
    // GUI thread.
    bool stale() const { return stale_; }
    void recheck() {
        const QFileInfo info(path_);
        if (!info.exists() || info.size() != size_ || info.lastModified() != modified_)
            stale_ = true;
    }

    SoundFormat format() const override {
        return {format_.channels, format_.sampleRate, format_.frames};
    }
    // The frames [from, from + count) from the beginning read at open, when they lie there.
    bool fromHead(qint64 from, qint64 count, std::vector<float>& out) const override {
        if (from < 0 || from + count > headFrames_) return false;
        const auto* first = head_.data() + from * format_.channels;
        out.assign(first, first + count * format_.channels);
        return true;
    }
    QString errorString() const override {
        return QStringLiteral("读取失败（%1）").arg(file_.errorString());
    }

    // Reads up to `count` frames from frame `from` into `out`; returns the frames read, fewer
    // at the end of the file, -1 on a read error.
    qint64 read(qint64 from, qint64 count, std::vector<float>& out) override {
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
    QString path_;
    qint64 size_ = 0;
    QDateTime modified_;
    std::atomic<bool> stale_{false};
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
        thread_.setObjectName(QStringLiteral("kvtmr-feed"));
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
            if (deviceKnown_ && device.id() == device_.id() && device.isNull() == device_.isNull())
                return;
            deviceKnown_ = true;
            device_ = device;
            ++generation_;
            retryAtUs_ = 0;
            if (spare_) graveyard_.push_back(std::move(spare_));
        }
        wake_.release();
    }

    // A sound made ready by the caller (a WavSource has opened the file and read its
    // beginning, a DecodedSource has its beginning decoded).
    void open(const QString& path, std::shared_ptr<SoundSource> source) {
        const SoundFormat format = source->format();
        {
            std::lock_guard lock(mutex_);
            source_ = std::move(source);
            path_ = path;
            logic_.open(format, NowUs());
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
    // Until the devices are known, a sound waits for its stream as for one being made.
    bool hasOutput() const override { return !deviceKnown_ || !device_.isNull(); }
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
                std::shared_ptr<SoundSource> source = source_;
                if (source && source->fromHead(plan.from, plan.frames, samples)) {
                    logic_.feed(now, plan, samples.data(), plan.frames);
                    continue;
                }
                const QString path = path_;
                lock.unlock();
                // May wait for the disk or the decoder.
                const qint64 got = source ? source->read(plan.from, plan.frames, samples) : -1;
                lock.lock();
                // A sound closed meanwhile is not reported.
                if (got < 0 && source && source == source_)
                    failed_(SoundFileErrorText(path, source->errorString()));
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
    std::shared_ptr<SoundSource> source_;
    std::vector<float> first_;  // the GUI thread's conversion buffer
    QString path_;
    QAudioDevice device_;
    bool deviceKnown_ = false;  // device_ is the default output (setDevice was called)
    quint64 generation_ = 1;
    std::unique_ptr<SinkStream> spare_;
    std::vector<std::unique_ptr<AudioStream>> graveyard_;
    int wantChannels_ = 0;
    int wantRate_ = 0;
    qint64 retryAtUs_ = 0;
    bool quit_ = false;
    Thread thread_;
};

// --- One open() of the player ----------------------------------------------------------

// What the player knows of the sound opened last. The file is probed on the player's media
// thread and made ready there (a PCM WAV read from the disk, anything else decoded); the
// engine then plays it. Shared by the GUI thread and the media thread under its lock, which is
// never held while a file is read or a decoder made or destroyed.
struct Session {
    enum class Phase { Probing, Ready, Failed, Closed };
    std::mutex mutex;
    Phase phase = Phase::Probing;
    bool playWanted = false;  // play() while the file is still being made ready
    QString name;             // as given to setFileName
    // A PCM sound read from the disk: the next open of the same name plays it again at once.
    std::shared_ptr<WavSource> pcm;
    bool decoding = false;  // the sound is decoded (a decoder was made)
    // Made, used and destroyed on the media thread only.
    std::shared_ptr<SoundDecoder> decoder;
};

bool DecoderForced() {
    return qEnvironmentVariable("KVTMR_AUDIO_BACKEND")
               .compare(QStringLiteral("decoder"), Qt::CaseInsensitive) == 0;
}

// --- The player ------------------------------------------------------------------------

class QtAudioPlayer final : public AudioPlayer {
  public:
    QtAudioPlayer() : media_(std::make_unique<MediaThread>(QStringLiteral("kvtmr-sound"))) {
        context_ = new QObject;
        engine_ = std::make_unique<SinkEngine>(reporter());
        // The media devices are watched on the GUI thread, once they are known.
        WhenAudioDevicesKnown(&lifetime_, [this] {
            devices_ = std::make_unique<QMediaDevices>();
            QObject::connect(devices_.get(), &QMediaDevices::audioOutputsChanged, context_,
                             [this] { outputsChanged(); });
            device_ = QMediaDevices::defaultAudioOutput();
            engine_->setDevice(device_);
        });
    }
    ~QtAudioPlayer() override {
        close();
        // The engine first: a feeding thread waiting for the decoder is let go by close().
        // Threads stuck in a sound server that does not answer must not hold up the end of
        // the program: what they use is left to the process's exit.
        const bool engineEnded = engine_->shutdown(2000);
        const bool mediaEnded = media_->finish(MediaThread::kEndWaitMs);
        if (!engineEnded || !mediaEnded) {
            (void)engine_.release();
            (void)media_.release();
            return;  // the context too: the threads may still post to it
        }
        delete context_;
    }

    void setFileName(const QString& path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }

    void close() override {
        const std::shared_ptr<Session> s = std::move(session_);
        if (!s) {
            engine_->close();
            return;
        }
        Session::Phase was;
        bool decoding;
        {
            std::lock_guard lock(s->mutex);
            was = s->phase;
            decoding = s->decoding;
            s->phase = Session::Phase::Closed;
        }
        if (was == Session::Phase::Ready) engine_->close();
        // A decoder goes on the thread that made it (one may still be made while the file is
        // being probed).
        if (was == Session::Phase::Probing || decoding) media_->post([s] { s->decoder.reset(); });
    }

    // Returns at once: the file is read on the media thread. A file that will not play is
    // reported through OnError, and the sound reports Stopped.
    //
    // The PCM sound opened last is played again without reading it again when the same name is
    // opened (the interval chime every ten seconds: its onset then owes nothing to the media
    // thread), unless the media thread has seen the file change since; it looks again after
    // every such open, so a file changed meanwhile is read afresh at the next one.
    void open() override {
        std::shared_ptr<WavSource> again;
        if (session_) {
            std::lock_guard lock(session_->mutex);
            if (session_->name == fileName_ && session_->pcm && !session_->pcm->stale())
                again = session_->pcm;
        }
        close();
        auto s = std::make_shared<Session>();
        s->name = fileName_;
        session_ = s;
        followDefault();
        if (again) {
            engine_->open(again->path(), again);
            s->pcm = again;
            s->phase = Session::Phase::Ready;
            // Looked at once the sound has started, so as not to compete with its onset.
            MediaThread* media = media_.get();
            QTimer::singleShot(kRecheckDelayMs, context_,
                               [media, again] { media->post([again] { again->recheck(); }); });
            return;
        }
        SinkEngine* engine = engine_.get();
        MediaThread* thread = media_.get();
        media_->post(
            [s, engine, thread, failed = reporter()] { Load(s, *engine, *thread, failed); });
    }

    void play() override {
        followDefault();
        if (!session_) return;
        std::lock_guard lock(session_->mutex);
        switch (session_->phase) {
            case Session::Phase::Probing:
                session_->playWanted = true;
                return;
            case Session::Phase::Ready:
                engine_->play();
                return;
            case Session::Phase::Failed:
            case Session::Phase::Closed:
                return;
        }
    }

    void stop() override {
        if (!session_) return;
        std::lock_guard lock(session_->mutex);
        switch (session_->phase) {
            case Session::Phase::Probing:
                session_->playWanted = false;
                return;
            case Session::Phase::Ready:
                engine_->stop();
                return;
            case Session::Phase::Failed:
            case Session::Phase::Closed:
                return;
        }
    }

    PlayerState state() const override {
        if (!session_) return engine_->state();
        std::lock_guard lock(session_->mutex);
        switch (session_->phase) {
            case Session::Phase::Probing:
                return session_->playWanted ? PlayerState::Playing : PlayerState::Stopped;
            case Session::Phase::Ready:
                return engine_->state();
            case Session::Phase::Failed:
            case Session::Phase::Closed:
                return PlayerState::Stopped;
        }
        return PlayerState::Other;
    }

  private:
    // A report for the GUI thread, from any thread: OnError runs there.
    std::function<void(const QString&)> reporter() {
        QObject* context = context_;
        return [this, context](const QString& text) {
            QMetaObject::invokeMethod(
                context, [this, text] { report(text); }, Qt::QueuedConnection);
        };
    }

    // On the media thread: probes the file and makes its samples ready for the engine (read
    // from the disk, or decoded), unless the player was closed meanwhile.
    static void Load(const std::shared_ptr<Session>& s, SinkEngine& engine, MediaThread& thread,
                     const std::function<void(const QString&)>& failed) {
        const QString path = ResolveSoundPath(s->name);
        const auto fail = [s, failed, path](const QString& reason) {
            {
                std::lock_guard lock(s->mutex);
                if (s->phase != Session::Phase::Probing) return;
                s->phase = Session::Phase::Failed;
            }
            failed(SoundFileErrorText(path, reason));
        };
        // The samples are ready: the engine takes them, and a play asked meanwhile starts.
        const auto ready = [s, &engine, path](std::shared_ptr<SoundSource> source) {
            std::lock_guard lock(s->mutex);
            if (s->phase != Session::Phase::Probing) return;
            engine.open(path, std::move(source));
            s->phase = Session::Phase::Ready;
            if (s->playWanted) engine.play();
        };
        {
            std::lock_guard lock(s->mutex);
            if (s->phase != Session::Phase::Probing) return;
        }
        const SoundProbe probe = ProbeSoundFile(path);
        if (probe.kind == SoundProbe::Kind::Unplayable) {
            fail(probe.reason);
            return;
        }
        if (probe.kind == SoundProbe::Kind::Pcm && !DecoderForced()) {
            std::shared_ptr<WavSource> source;
            try {
                source = std::make_shared<WavSource>(path, probe.wav);
            } catch (const PlayerError& e) {
                fail(e.message());
                return;
            }
            {
                std::lock_guard lock(s->mutex);
                s->pcm = source;
            }
            ready(std::move(source));
            return;
        }
        // The engine outlives the decoder: the player destroys the decoders before the engine.
        {
            std::lock_guard lock(s->mutex);
            s->decoding = true;
        }
        s->decoder = SoundDecoder::Start(path, thread, {ready, fail});
    }

    // Qt 6.4 reports changes of the device list but not of the default output alone, so the
    // default is looked up again (a copy from Qt's device list, no call to the server) for
    // every sound, and the next run goes to it.
    void followDefault() {
        if (!devices_) return;  // not known yet: the engine is told when they are
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.id() != device_.id() || device.isNull() != device_.isNull()) {
            device_ = device;
            engine_->setDevice(device);
        }
    }
    void outputsChanged() { followDefault(); }
    // On the GUI thread.
    void report(const QString& text) {
        if (OnError) OnError(text);
    }

    QString fileName_;
    QObject* context_ = nullptr;  // lives on the GUI thread: the target of the threads' reports
    QObject lifetime_;            // gone with the player, even when its threads are left behind
    std::unique_ptr<QMediaDevices> devices_;  // once the devices are known
    QAudioDevice device_;                     // the one the sounds go to
    std::unique_ptr<MediaThread> media_;
    std::unique_ptr<SinkEngine> engine_;
    std::shared_ptr<Session> session_;
};

}  // namespace

std::unique_ptr<AudioPlayer> CreateAudioPlayer() {
    return std::make_unique<QtAudioPlayer>();
}
