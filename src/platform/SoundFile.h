// What a sound file holds, told from its first bytes without decoding it: the header of a WAV
// file and the signatures of the other sound formats. The audio player and the output check
// use it to tell at once that a file will not play, with the reason shown to the operator.
#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// The sample codings the player's own stream plays (all as 32-bit float on the stream).
enum class SampleCoding { UInt8, Int16, Int24, Int32, Float32 };

struct WavFormat {
    SampleCoding coding = SampleCoding::Int16;
    int channels = 0;
    int sampleRate = 0;
    int bytesPerSample = 0;  // in the file
    qint64 dataOffset = 0;   // the first byte of the samples
    qint64 frames = 0;       // whole frames present in the file
    int frameBytes() const { return bytesPerSample * channels; }
};

struct WavHeader {
    enum class Kind {
        Pcm,          // integer or float PCM that the player's stream plays: `format` is set
        OtherCoding,  // a sound WAV of another coding (ADPCM, A-law, MP3, 64-bit float...)
        Broken,       // a RIFF WAVE file that cannot be played: `problem` says why
        NotWav,       // no RIFF WAVE header at all
    };
    Kind kind = Kind::NotWav;
    WavFormat format;
    QString problem;
};

// Reads the RIFF header of a WAV file from the device's start: the chunks up to "data", with
// odd-sized chunks padded as RIFF requires. A data size left 0 or 0xFFFFFFFF by a writer that
// streamed the file, or larger than the file, means the rest of the file. Only the chunk
// headers are read, a seek apart: bytes where a chunk header should be that are no chunk
// identifier, or more than kMaxWavChunks chunks before "data", make the file Broken.
WavHeader ReadWavHeader(QIODevice& file);
constexpr int kMaxWavChunks = 64;

// What the player plays: WAV files (of any coding) of 1 to kMaxSoundChannels channels and
// a sample rate from kMinSoundRate to kMaxSoundRate; ProbeSoundFile gives the others as
// Unplayable, so that the check at start-up and the player agree.
constexpr int kMaxSoundChannels = 8;
constexpr int kMinSoundRate = 1000;
constexpr int kMaxSoundRate = 384000;

// True when the first bytes of a file carry the signature of a sound (or media) format that
// the platform's decoder may play: RIFF, RF64, ID3, an MPEG audio or ADTS frame sync, OggS,
// fLaC, ftyp (MP4, M4A, 3GP), FORM AIFF/AIFC, #!AMR, ASF/WMA, Matroska/WebM, Monkey's Audio,
// WavPack, Sun AU, CAF, MIDI.
bool HasSoundSignature(const QByteArray& head);

struct SoundProbe {
    enum class Kind {
        Pcm,         // a WAV the player's own stream plays: `wav` is set
        Media,       // left to the platform's decoder, which may still fail later
        Unplayable,  // will not play: `reason` says why
    };
    Kind kind = Kind::Unplayable;
    WavFormat wav;
    QString reason;
};

// Opens the file and reads its first bytes (and a WAV's header).
SoundProbe ProbeSoundFile(const QString& path);

// The absolute path of a sound file name given relative to the working directory or with
// native separators; a name written with backslashes (a setting carried over from Windows) is
// tried with slashes when no file has the name as written.
QString ResolveSoundPath(const QString& name);

// The reason shown for a file the platform's decoder gave up on, from the decoder's (English)
// error text: a Chinese reason with that text after it in brackets, e.g.
// "文件格式无法识别（Could not detect type of contents）".
QString MediaErrorReason(const QString& text);

// The text the operator sees for a sound file that cannot be played:
// 无法播放声音文件“<path>”：<reason>
QString SoundFileErrorText(const QString& path, const QString& reason);
