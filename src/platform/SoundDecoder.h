// The platform's decoder (Qt's QAudioDecoder, GStreamer underneath) filling a DecodedSource with
// a sound file that is not a PCM WAV (MP3, Ogg, FLAC, ...). It lives on a media thread
// (MediaThread.h): it is made, used and destroyed there, and its decoding never holds the
// user-interface thread. It decodes the sound's beginning at once and then only as far ahead
// of the place being played as the source's window takes, and goes back to the beginning when
// the source asks for that.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class DecodedSource;
class MediaThread;

class SoundDecoder {
  public:
    struct Callbacks {
        // The beginning of the sound is decoded: it can be played from the source.
        std::function<void(std::shared_ptr<DecodedSource>)> ready;
        // The file will not play (before ready; later failures reach the source's readers):
        // the reason as the operator reads it, the decoder's own words after it.
        std::function<void(const QString& reason)> failed;
    };
    // Starts decoding `path` on the calling thread, which must be `thread`'s.
    static std::shared_ptr<SoundDecoder> Start(const QString& path, MediaThread& thread,
                                               Callbacks callbacks);
    virtual ~SoundDecoder() = default;

    // How much of the beginning is decoded before ready, and how long that may take.
    static constexpr qint64 kHeadUs = 1'600'000;
    static constexpr int kHeadTimeoutMs = 5000;
    // The source's window: at most this many seconds of decoded sound, and at most this many
    // bytes of samples; the seconds before the place read that are kept.
    static constexpr qint64 kWindowSeconds = 30;
    static constexpr qint64 kWindowBytes = 16 << 20;
    static constexpr qint64 kHistorySeconds = 2;

  protected:
    SoundDecoder() = default;
};
