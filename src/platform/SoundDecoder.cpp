#include "platform/SoundDecoder.h"

#include <QAudioBuffer>
#include <QAudioDecoder>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "platform/MediaThread.h"
#include "platform/SoundFile.h"
#include "platform/SoundSource.h"

namespace {

class QtSoundDecoder final : public SoundDecoder,
                             public std::enable_shared_from_this<QtSoundDecoder> {
  public:
    QtSoundDecoder(const QString& path, MediaThread& thread, Callbacks callbacks)
        : path_(path), thread_(thread), callbacks_(std::move(callbacks)) {}

    ~QtSoundDecoder() override {
        // A reader still waiting for frames is let go.
        if (source_) source_->abort();
    }

    void start() {
        if (!decoder_.isSupported()) {
            fail(QStringLiteral("没有可用的声音解码器"));
            return;
        }
        QObject::connect(&decoder_, &QAudioDecoder::bufferReady, &decoder_, [this] { pull(); });
        QObject::connect(&decoder_, &QAudioDecoder::finished, &decoder_, [this] {
            eos_ = true;
            pull();
        });
        QObject::connect(&decoder_, qOverload<QAudioDecoder::Error>(&QAudioDecoder::error),
                         &decoder_, [this](QAudioDecoder::Error) { decoderFailed(); });
        timeout_.setSingleShot(true);
        QObject::connect(&timeout_, &QTimer::timeout, &decoder_, [this] {
            if (!readyGiven_)
                fail(QStringLiteral("%1 秒内未能解码出声音").arg(kHeadTimeoutMs / 1000));
        });
        timeout_.start(kHeadTimeoutMs);
        decoder_.setSource(QUrl::fromLocalFile(path_));
        decoder_.start();
    }

  private:
    // Takes the decoded buffers while the source's window has room.
    void pull() {
        while (!done_ && decoder_.bufferAvailable()) {
            if (source_ && !source_->wantsMore()) break;
            const QAudioBuffer buffer = decoder_.read();
            if (!buffer.isValid()) break;
            if (!take(buffer)) return;
        }
        if (done_) return;
        if (eos_ && !decoder_.bufferAvailable()) {
            eos_ = false;
            if (!source_) {
                fail(QStringLiteral("文件中没有声音"));
                return;
            }
            source_->passEnded();
        }
        if (!readyGiven_ && source_ && source_->headReady()) {
            readyGiven_ = true;
            timeout_.stop();
            if (callbacks_.ready) callbacks_.ready(source_);
        }
    }

    bool take(const QAudioBuffer& buffer) {
        const QAudioFormat format = buffer.format();
        const int channels = format.channelCount();
        const int rate = format.sampleRate();
        if (!source_) {
            if (channels < 1 || channels > kMaxSoundChannels) {
                fail(QStringLiteral("声音有 %1 个声道，只能播放 1 至 %2 个声道的声音")
                         .arg(channels)
                         .arg(kMaxSoundChannels));
                return false;
            }
            if (rate < kMinSoundRate || rate > kMaxSoundRate) {
                fail(QStringLiteral("声音的采样率为 %1 Hz，只能播放 %2 至 %3 Hz 的声音")
                         .arg(rate)
                         .arg(kMinSoundRate)
                         .arg(kMaxSoundRate));
                return false;
            }
            makeSource(channels, rate);
        } else if (channels != channels_ || rate != rate_) {
            failLater(QStringLiteral("声音的格式在文件中途改变"));
            return false;
        }
        const qint64 frames = buffer.frameCount();
        samples_.resize(size_t(frames * channels));
        float* d = samples_.data();
        const qint64 n = frames * channels;
        switch (format.sampleFormat()) {
            case QAudioFormat::UInt8: {
                const quint8* s = buffer.constData<quint8>();
                for (qint64 i = 0; i < n; ++i)
                    d[i] = (float(s[i]) - 128.0f) / 128.0f;
                break;
            }
            case QAudioFormat::Int16: {
                const qint16* s = buffer.constData<qint16>();
                for (qint64 i = 0; i < n; ++i)
                    d[i] = float(s[i]) / 32768.0f;
                break;
            }
            case QAudioFormat::Int32: {
                const qint32* s = buffer.constData<qint32>();
                for (qint64 i = 0; i < n; ++i)
                    d[i] = float(double(s[i]) / 2147483648.0);
                break;
            }
            case QAudioFormat::Float: {
                const float* s = buffer.constData<float>();
                std::copy(s, s + n, d);
                break;
            }
            default:
                failLater(QStringLiteral("解码器给出了不认识的样本格式"));
                return false;
        }
        source_->append(d, frames);
        return true;
    }

    void makeSource(int channels, int rate) {
        channels_ = channels;
        rate_ = rate;
        const qint64 capacity = std::max<qint64>(
            rate, std::min(kWindowSeconds * rate, kWindowBytes / (qint64(channels) * 4)));
        source_ = std::make_shared<DecodedSource>(channels, rate, kHeadUs * rate / 1'000'000,
                                                  capacity, kHistorySeconds * rate);
        // The readers' requests come from the player's threads: they are posted here.
        const std::weak_ptr<QtSoundDecoder> weak = shared_from_this();
        MediaThread* thread = &thread_;
        source_->setRequests({[weak, thread] {
                                  thread->post([weak] {
                                      if (auto d = weak.lock()) d->pull();
                                  });
                              },
                              [weak, thread] {
                                  thread->post([weak] {
                                      if (auto d = weak.lock()) d->restart();
                                  });
                              }});
    }

    // A new pass from the beginning.
    void restart() {
        if (done_ || !source_) return;
        decoder_.stop();
        eos_ = false;
        source_->passStarted();
        decoder_.start();
    }

    void decoderFailed() {
        const QString reason = MediaErrorReason(decoder_.errorString());
        if (readyGiven_)
            failLater(reason);
        else
            fail(reason);
    }

    // Before ready: the file does not play at all.
    void fail(const QString& reason) {
        if (done_) return;
        done_ = true;
        timeout_.stop();
        if (source_) source_->fail(reason);
        if (!readyGiven_ && callbacks_.failed) callbacks_.failed(reason);
    }
    // While it plays: the readers learn it.
    void failLater(const QString& reason) {
        if (!readyGiven_) {
            fail(reason);
            return;
        }
        done_ = true;
        source_->fail(reason);
    }

    QString path_;
    MediaThread& thread_;
    Callbacks callbacks_;
    QAudioDecoder decoder_;
    QTimer timeout_;
    std::shared_ptr<DecodedSource> source_;
    std::vector<float> samples_;
    int channels_ = 0;
    int rate_ = 0;
    bool eos_ = false;
    bool readyGiven_ = false;
    bool done_ = false;
};

}  // namespace

std::shared_ptr<SoundDecoder> SoundDecoder::Start(const QString& path, MediaThread& thread,
                                                  Callbacks callbacks) {
    auto decoder = std::make_shared<QtSoundDecoder>(path, thread, std::move(callbacks));
    decoder->start();
    return decoder;
}
