// Telling a sound file's kind from its first bytes: the WAV header reader on synthetic headers
// (every PCM coding, the extensible format, odd chunks, the data sizes writers leave, broken
// and truncated files) and the probe that says why a file will not play.
#include <unistd.h>
#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "platform/SoundFile.h"

Q_DECLARE_METATYPE(WavHeader::Kind)
Q_DECLARE_METATYPE(SampleCoding)
Q_DECLARE_METATYPE(SoundProbe::Kind)

namespace {

QByteArray U16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray U32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray Chunk(const char* id, const QByteArray& body, bool pad = true) {
    QByteArray c = QByteArray(id, 4) + U32(quint32(body.size())) + body;
    if (pad && body.size() % 2) c += '\0';
    return c;
}

// A "fmt " body: the 16 bytes of WAVEFORMAT.
QByteArray Fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits, int blockAlign = -1) {
    const quint16 align = blockAlign >= 0 ? quint16(blockAlign) : quint16(channels * bits / 8);
    return U16(tag) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits);
}

// WAVE_FORMAT_EXTENSIBLE: cbSize 22, valid bits, channel mask, the subformat GUID.
QByteArray FmtExtensible(quint16 subTag, quint16 channels, quint32 rate, quint16 bits) {
    const QByteArray guidTail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return Fmt(0xFFFE, channels, rate, bits) + U16(22) + U16(bits) + U32(3) + U16(subTag) +
           guidTail;
}

QByteArray Riff(const QByteArray& chunks, const char* form = "WAVE") {
    return QByteArray("RIFF") + U32(quint32(4 + chunks.size())) + QByteArray(form, 4) + chunks;
}

// A data chunk whose size field says `declared` over `actual` bytes of samples.
QByteArray Data(quint32 declared, int actual) {
    return QByteArray("data") + U32(declared) + QByteArray(actual, '\x11');
}

QByteArray Pcm16Stereo(int frames) {
    return Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Chunk("data", QByteArray(frames * 4, 'a')));
}

// A file of `size` bytes that begins with `head` and holds zeros after it, read through a
// device that counts the reads and the bytes read.
class CountingDevice : public QIODevice {
  public:
    CountingDevice(QByteArray head, qint64 size) : head_(std::move(head)), size_(size) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return size_; }
    int reads = 0;
    qint64 bytesRead = 0;

  protected:
    qint64 readData(char* data, qint64 max) override {
        ++reads;
        const qint64 n = std::min(max, size_ - pos());
        for (qint64 i = 0; i < n; ++i) {
            const qint64 at = pos() + i;
            data[i] = at < head_.size() ? head_[qsizetype(at)] : '\0';
        }
        bytesRead += std::max<qint64>(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray head_;
    qint64 size_;
};

}  // namespace

class SoundFileTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void wavHeader_data();
    void wavHeader();
    void probe_data();
    void probe();
    void unreadableFile();
    void errorText();
    void headerReaderSeeks_data();
    void headerReaderSeeks();
    void decoderReasons_data();
    void decoderReasons();
};

void SoundFileTest::wavHeader_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<WavHeader::Kind>("kind");
    QTest::addColumn<SampleCoding>("coding");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bytesPerSample");
    QTest::addColumn<qint64>("dataOffset");
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<QString>("problem");  // a part of it, for a broken file

    using K = WavHeader::Kind;
    using C = SampleCoding;
    const auto pcm = [](const char* name, const QByteArray& bytes, C coding, int channels, int rate,
                        int sampleBytes, qint64 offset, qint64 frames) {
        QTest::newRow(name) << bytes << K::Pcm << coding << channels << rate << sampleBytes
                            << offset << frames << QString();
    };
    const auto other = [](const char* name, const QByteArray& bytes, K kind,
                          const QString& problem = QString()) {
        QTest::newRow(name) << bytes << kind << C::Int16 << 0 << 0 << 0 << qint64(0) << qint64(0)
                            << problem;
    };

    pcm("8-bit mono", Riff(Chunk("fmt ", Fmt(1, 1, 8000, 8)) + Chunk("data", QByteArray(100, 'x'))),
        C::UInt8, 1, 8000, 1, 44, 100);
    pcm("16-bit stereo", Pcm16Stereo(100), C::Int16, 2, 44100, 2, 44, 100);
    pcm("24-bit stereo",
        Riff(Chunk("fmt ", Fmt(1, 2, 48000, 24)) + Chunk("data", QByteArray(600, 'x'))), C::Int24,
        2, 48000, 3, 44, 100);
    pcm("32-bit mono",
        Riff(Chunk("fmt ", Fmt(1, 1, 96000, 32)) + Chunk("data", QByteArray(400, 'x'))), C::Int32,
        1, 96000, 4, 44, 100);
    pcm("32-bit float",
        Riff(Chunk("fmt ", Fmt(3, 2, 22050, 32)) + Chunk("data", QByteArray(800, 'x'))), C::Float32,
        2, 22050, 4, 44, 100);
    pcm("extensible 16-bit",
        Riff(Chunk("fmt ", FmtExtensible(1, 2, 44100, 16)) + Chunk("data", QByteArray(40, 'x'))),
        C::Int16, 2, 44100, 2, 12 + 8 + 40 + 8, 10);
    pcm("extensible float",
        Riff(Chunk("fmt ", FmtExtensible(3, 1, 48000, 32)) + Chunk("data", QByteArray(40, 'x'))),
        C::Float32, 1, 48000, 4, 12 + 8 + 40 + 8, 10);
    pcm("fmt of 18 bytes (cbSize 0)",
        Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16) + U16(0)) + Chunk("data", QByteArray(20, 'x'))),
        C::Int16, 1, 22050, 2, 12 + 8 + 18 + 8, 10);
    pcm("odd chunk before fmt",
        Riff(Chunk("LIST", "abc") + Chunk("fmt ", Fmt(1, 1, 22050, 16)) +
             Chunk("data", QByteArray(20, 'x'))),
        C::Int16, 1, 22050, 2, 12 + 12 + 24 + 8, 10);
    pcm("odd chunks between fmt and data",
        Riff(Chunk("fmt ", Fmt(1, 1, 22050, 16)) + Chunk("fact", "12345") +
             Chunk("JUNK", QByteArray(1, 'j')) + Chunk("data", QByteArray(20, 'x'))),
        C::Int16, 1, 22050, 2, 36 + 14 + 10 + 8, 10);
    pcm("data size 0: the rest of the file",
        Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Data(0, 400)), C::Int16, 2, 44100, 2, 44, 100);
    pcm("data size 0xFFFFFFFF: the rest of the file",
        Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Data(0xFFFFFFFF, 400)), C::Int16, 2, 44100, 2,
        44, 100);
    pcm("data size beyond the file: the rest of it",
        Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Data(4000, 402)), C::Int16, 2, 44100, 2, 44,
        100);
    pcm("truncated in the samples: whole frames only",
        Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Data(400, 250)), C::Int16, 2, 44100, 2, 44, 62);
    pcm("data size not a whole number of frames",
        Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16)) + Data(403, 403)), C::Int16, 2, 44100, 2, 44, 100);

    other("ADPCM", Riff(Chunk("fmt ", Fmt(2, 1, 22050, 4, 256)) + Chunk("data", "xxxx")),
          K::OtherCoding);
    other("A-law", Riff(Chunk("fmt ", Fmt(6, 1, 8000, 8)) + Chunk("data", "xxxx")), K::OtherCoding);
    other("64-bit float", Riff(Chunk("fmt ", Fmt(3, 1, 8000, 64)) + Chunk("data", "xxxxxxxx")),
          K::OtherCoding);
    other("12-bit PCM", Riff(Chunk("fmt ", Fmt(1, 1, 8000, 12, 2)) + Chunk("data", "xxxx")),
          K::OtherCoding);

    other("missing fmt", Riff(Chunk("data", QByteArray(20, 'x'))), K::Broken,
          QStringLiteral("data 块在 fmt 块之前"));
    other("nothing after WAVE", Riff(QByteArray()), K::Broken, QStringLiteral("没有 fmt 块"));
    other("fmt without data", Riff(Chunk("fmt ", Fmt(1, 1, 8000, 16))), K::Broken,
          QStringLiteral("没有 data 块"));
    other("wrong block align",
          Riff(Chunk("fmt ", Fmt(1, 2, 44100, 16, 2)) + Chunk("data", QByteArray(40, 'x'))),
          K::Broken, QStringLiteral("块对齐为 2 字节"));
    other("fmt shorter than 16 bytes",
          Riff(Chunk("fmt ", Fmt(1, 1, 8000, 16).left(14)) + Chunk("data", "xxxx")), K::Broken,
          QStringLiteral("fmt 块不完整"));
    other("extensible fmt cut short",
          Riff(Chunk("fmt ", FmtExtensible(1, 1, 8000, 16).left(24)) + Chunk("data", "xxxx")),
          K::Broken, QStringLiteral("扩展格式"));
    other("truncated inside fmt", Riff(Chunk("fmt ", Fmt(1, 1, 8000, 16))).left(30), K::Broken,
          QStringLiteral("fmt 块不完整"));
    other("truncated inside a chunk header",
          Riff(Chunk("fmt ", Fmt(1, 1, 8000, 16)) + Chunk("data", "xxxx")).left(40), K::Broken,
          QStringLiteral("没有 data 块"));
    other("no samples at all", Riff(Chunk("fmt ", Fmt(1, 1, 8000, 16)) + Data(0, 0)), K::Broken,
          QStringLiteral("没有声音数据"));
    other("no channels", Riff(Chunk("fmt ", Fmt(1, 0, 8000, 16, 0)) + Chunk("data", "xxxx")),
          K::Broken, QStringLiteral("声道数为 0"));
    other("rate 0", Riff(Chunk("fmt ", Fmt(1, 1, 0, 16)) + Chunk("data", "xxxx")), K::Broken,
          QStringLiteral("采样率为 0"));

    other("RIFF header cut short", QByteArray("RIFF\x10\0\0\0WA", 10), K::NotWav);
    other("RIFF AVI", Riff(Chunk("avih", "xxxx"), "AVI "), K::NotWav);
    other("text", QByteArray("hello, this is text\n"), K::NotWav);
}

void SoundFileTest::wavHeader() {
    QFETCH(QByteArray, bytes);
    QFETCH(WavHeader::Kind, kind);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const WavHeader h = ReadWavHeader(buffer);
    QCOMPARE(h.kind, kind);
    if (kind == WavHeader::Kind::Pcm) {
        QFETCH(SampleCoding, coding);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, bytesPerSample);
        QFETCH(qint64, dataOffset);
        QFETCH(qint64, frames);
        QCOMPARE(h.format.coding, coding);
        QCOMPARE(h.format.channels, channels);
        QCOMPARE(h.format.sampleRate, rate);
        QCOMPARE(h.format.bytesPerSample, bytesPerSample);
        QCOMPARE(h.format.dataOffset, dataOffset);
        QCOMPARE(h.format.frames, frames);
        // The offset found is where the samples really begin.
        QCOMPARE(bytes.mid(dataOffset - 8, 4), QByteArray("data"));
    }
    if (kind == WavHeader::Kind::Broken) {
        QFETCH(QString, problem);
        QVERIFY2(h.problem.contains(problem), qPrintable(h.problem));
        QVERIFY(h.problem.startsWith(QStringLiteral("WAV 文件已损坏：")));
    }
}

void SoundFileTest::probe_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<SoundProbe::Kind>("kind");
    QTest::addColumn<QString>("reason");
    using K = SoundProbe::Kind;
    QTest::newRow("PCM WAV") << Pcm16Stereo(10) << K::Pcm << QString();
    QTest::newRow("empty") << QByteArray() << K::Unplayable << QStringLiteral("文件是空的");
    QTest::newRow("a text file named .wav") << QByteArray("just some words\n") << K::Unplayable
                                            << QStringLiteral("不是可识别的声音文件");
    QTest::newRow("two bytes") << QByteArray("ID") << K::Unplayable
                               << QStringLiteral("不是可识别的声音文件");
    QTest::newRow("a WAV with a broken header")
        << Riff(Chunk("data", "xxxx")) << K::Unplayable << QStringLiteral("WAV 文件已损坏");
    QTest::newRow("ADPCM WAV") << Riff(Chunk("fmt ", Fmt(2, 1, 22050, 4, 256)) +
                                       Chunk("data", "xxxx"))
                               << K::Media << QString();
    QTest::newRow("MP3 with ID3") << QByteArray("ID3\x04\0\0\0\0\0\x10", 10) << K::Media
                                  << QString();
    QTest::newRow("MP3 frame") << QByteArray("\xFF\xFB\x90\x64\0\0", 6) << K::Media << QString();
    QTest::newRow("AAC ADTS") << QByteArray("\xFF\xF1\x50\x80\0\0", 6) << K::Media << QString();
    QTest::newRow("Ogg") << QByteArray("OggS\0\x02\0\0", 8) << K::Media << QString();
    QTest::newRow("FLAC") << QByteArray("fLaC\0\0\0\x22", 8) << K::Media << QString();
    QTest::newRow("M4A") << QByteArray(
                                "\0\0\0\x20"
                                "ftypM4A \0\0\0\0",
                                16)
                         << K::Media << QString();
    QTest::newRow("AIFF") << QByteArray(
                                 "FORM\0\0\0\x40"
                                 "AIFFCOMM",
                                 16)
                          << K::Media << QString();
    QTest::newRow("WMA") << QByteArray("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9", 10) << K::Media
                         << QString();
    QTest::newRow("a FORM that is no AIFF")
        << QByteArray(
               "FORM\0\0\0\x40"
               "ILBMBMHD",
               16)
        << K::Unplayable << QStringLiteral("不是可识别的声音文件");
    QTest::newRow("a PNG picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << K::Unplayable
                                   << QStringLiteral("不是可识别的声音文件");
    // What the player plays, the check says: the same limits for both.
    const auto wav = [](quint16 channels, quint32 rate) {
        return Riff(Chunk("fmt ", Fmt(1, channels, rate, 16)) +
                    Chunk("data", QByteArray(10 * channels * 2, 'a')));
    };
    QTest::newRow("8 channels") << wav(8, 48000) << K::Pcm << QString();
    QTest::newRow("96 channels") << wav(96, 22050) << K::Unplayable
                                 << QStringLiteral("WAV 文件有 96 个声道，只能播放 1 至 8 个声道");
    QTest::newRow("9 channels") << wav(9, 22050) << K::Unplayable
                                << QStringLiteral("只能播放 1 至 8 个声道");
    QTest::newRow("ADPCM of 96 channels")
        << Riff(Chunk("fmt ", Fmt(2, 96, 22050, 4, 256)) + Chunk("data", "xxxx")) << K::Unplayable
        << QStringLiteral("96 个声道");
    QTest::newRow("rate 500 Hz") << wav(1, 500) << K::Unplayable
                                 << QStringLiteral("采样率为 500 Hz，只能播放 1000 至 384000 Hz");
    QTest::newRow("rate 768 kHz") << wav(2, 768000) << K::Unplayable
                                  << QStringLiteral("采样率为 768000 Hz");
    QTest::newRow("rate 384 kHz") << wav(2, 384000) << K::Pcm << QString();
}

void SoundFileTest::probe() {
    QFETCH(QByteArray, bytes);
    QFETCH(SoundProbe::Kind, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.wav"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const SoundProbe p = ProbeSoundFile(path);
    QCOMPARE(p.kind, kind);
    QVERIFY2(p.reason.contains(reason), qPrintable(p.reason));
    QCOMPARE(p.reason.isEmpty(), kind != SoundProbe::Kind::Unplayable);
    if (kind == SoundProbe::Kind::Pcm) QCOMPARE(p.wav.frames, qint64(10));
}

void SoundFileTest::unreadableFile() {
    QTemporaryDir dir;
    QCOMPARE(ProbeSoundFile(dir.filePath(QStringLiteral("none.wav"))).reason,
             QStringLiteral("文件不存在"));
    QCOMPARE(ProbeSoundFile(dir.path()).reason, QStringLiteral("不是文件"));
    if (::geteuid() == 0) QSKIP("root reads a file without read permission");
    const QString path = dir.filePath(QStringLiteral("locked.wav"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(Pcm16Stereo(10));
    f.close();
    QVERIFY(f.setPermissions(QFileDevice::WriteOwner));
    const SoundProbe p = ProbeSoundFile(path);
    QCOMPARE(p.kind, SoundProbe::Kind::Unplayable);
    QVERIFY2(p.reason.startsWith(QStringLiteral("无法打开文件（")), qPrintable(p.reason));
}

void SoundFileTest::errorText() {
    QCOMPARE(SoundFileErrorText(QStringLiteral("/s/x.wav"), QStringLiteral("不是可识别的声音文件")),
             QStringLiteral("无法播放声音文件“/s/x.wav”：不是可识别的声音文件"));
}

void SoundFileTest::headerReaderSeeks_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("problem");
    const QByteArray fmt = Chunk("fmt ", Fmt(1, 1, 22050, 16));
    // The header says the RIFF chunk is huge; after "fmt " nothing but zeros, where a writer
    // that died left the rest of the file.
    QTest::newRow("no data chunk, 64 MB of zeros")
        << QByteArray("RIFF") + U32(0xFFFFFFF0) + QByteArray("WAVE") + fmt
        << qint64(64) * 1024 * 1024 << QStringLiteral("不是块头");
    QTest::newRow("no data chunk, 2 GB of zeros")
        << QByteArray("RIFF") + U32(0xFFFFFFF0) + QByteArray("WAVE") + fmt
        << qint64(2) * 1024 * 1024 * 1024 << QStringLiteral("不是块头");
    // Chunks of nothing, one after the other: a header that goes on and on.
    QByteArray empties;
    for (int i = 0; i < 100'000; ++i)
        empties += Chunk("JUNK", QByteArray());
    QTest::newRow("100000 empty chunks before data")
        << QByteArray("RIFF") + U32(0xFFFFFFF0) + QByteArray("WAVE") + fmt + empties
        << qint64(12 + fmt.size() + empties.size() + 1000) << QStringLiteral("超过 64 个");
    // A big chunk is passed with one seek, whatever it holds.
    QTest::newRow("a 1 GB chunk before data")
        << QByteArray("RIFF") + U32(0xFFFFFFF0) + QByteArray("WAVE") + fmt + QByteArray("LIST") +
               U32(0x40000000)
        << qint64(1) * 1024 * 1024 * 1024 + 100 << QStringLiteral("不是块头");
}

void SoundFileTest::headerReaderSeeks() {
    QFETCH(QByteArray, head);
    QFETCH(qint64, size);
    QFETCH(QString, problem);
    CountingDevice device(head, size);
    QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    const WavHeader h = ReadWavHeader(device);
    QCOMPARE(h.kind, WavHeader::Kind::Broken);
    QVERIFY2(h.problem.contains(problem), qPrintable(h.problem));
    // Chunk headers only: a few reads of a few bytes, never the file's body.
    QVERIFY2(device.reads <= 2 * (kMaxWavChunks + 4), qPrintable(QString::number(device.reads)));
    QVERIFY2(device.bytesRead <= 64 * (kMaxWavChunks + 4),
             qPrintable(QString::number(device.bytesRead)));
}

void SoundFileTest::decoderReasons_data() {
    QTest::addColumn<QString>("decoder");
    QTest::addColumn<QString>("reason");
    QTest::newRow("type") << QStringLiteral("Could not detect type of contents")
                          << QStringLiteral(
                                 "文件格式无法识别（Could not detect type of contents）");
    QTest::newRow("stream") << QStringLiteral("Internal data stream error.")
                            << QStringLiteral(
                                   "文件无法解码（可能已损坏，或格式不受支持）"
                                   "（Internal data stream error.）");
    QTest::newRow("access") << QStringLiteral("File access denied")
                            << QStringLiteral("没有读取文件的权限（File access denied）");
    QTest::newRow("plug-in") << QStringLiteral("Your GStreamer installation is missing a plug-in.")
                             << QStringLiteral(
                                    "缺少播放这种格式所需的解码器（Your GStreamer "
                                    "installation is missing a plug-in.）");
    QTest::newRow("unknown words") << QStringLiteral("Something else went wrong")
                                   << QStringLiteral("文件无法解码（Something else went wrong）");
    QTest::newRow("nothing said") << QString() << QStringLiteral("文件无法解码");
}

void SoundFileTest::decoderReasons() {
    QFETCH(QString, decoder);
    QFETCH(QString, reason);
    QCOMPARE(MediaErrorReason(decoder), reason);
}

QTEST_GUILESS_MAIN(SoundFileTest)
#include "unit_sound_file.moc"
