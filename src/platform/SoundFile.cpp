#include "platform/SoundFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

quint16 Le16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 Le32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

WavHeader Broken(const QString& problem) {
    WavHeader h;
    h.kind = WavHeader::Kind::Broken;
    h.problem = QStringLiteral("WAV 文件已损坏：") + problem;
    return h;
}

// A chunk identifier is four printable ASCII characters (a blank may pad a short one).
bool IsChunkId(const char* id) {
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E) return false;
    return id[0] != ' ';
}

bool Starts(const QByteArray& head, qsizetype at, const char* sig) {
    const qsizetype n = qsizetype(std::strlen(sig));
    return head.size() >= at + n && std::memcmp(head.constData() + at, sig, size_t(n)) == 0;
}

}  // namespace

WavHeader ReadWavHeader(QIODevice& file) {
    const qint64 fileSize = file.size();
    char riff[12];
    if (!file.seek(0) || file.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return {};

    bool haveFormat = false;
    quint16 tag = 0, channels = 0, bits = 0, blockAlign = 0;
    quint32 rate = 0;
    qint64 pos = 12;
    // Only the chunk headers are read, each found by a seek over the chunk before it: a file
    // that is mostly something else than a WAV's few chunks is given up on, never walked.
    for (int chunk = 0;; ++chunk) {
        char head[8];
        if (pos + 8 > fileSize || !file.seek(pos) || file.read(head, 8) != 8)
            return Broken(haveFormat ? QStringLiteral("没有 data 块")
                                     : QStringLiteral("没有 fmt 块"));
        if (!IsChunkId(head)) return Broken(QStringLiteral("第 %1 字节处不是块头").arg(pos));
        if (chunk >= kMaxWavChunks)
            return Broken(QStringLiteral("data 块之前的块超过 %1 个").arg(kMaxWavChunks));
        const qint64 chunkSize = Le32(head + 4);
        const qint64 body = pos + 8;
        if (std::memcmp(head, "fmt ", 4) == 0) {
            char fmt[40] = {};
            const qint64 want = std::min<qint64>(chunkSize, sizeof fmt);
            if (chunkSize < 16 || body + chunkSize > fileSize || file.read(fmt, want) != want)
                return Broken(QStringLiteral("fmt 块不完整"));
            tag = Le16(fmt);
            channels = Le16(fmt + 2);
            rate = Le32(fmt + 4);
            blockAlign = Le16(fmt + 12);
            bits = Le16(fmt + 14);
            if (tag == 0xFFFE) {  // WAVE_FORMAT_EXTENSIBLE: the real tag opens the subformat
                if (want < 40) return Broken(QStringLiteral("扩展格式的 fmt 块不完整"));
                tag = Le16(fmt + 24);
            }
            haveFormat = true;
        } else if (std::memcmp(head, "data", 4) == 0) {
            if (!haveFormat) return Broken(QStringLiteral("data 块在 fmt 块之前"));
            WavHeader h;
            WavFormat& f = h.format;
            if (tag == 1 && bits == 8)
                f.coding = SampleCoding::UInt8;
            else if (tag == 1 && bits == 16)
                f.coding = SampleCoding::Int16;
            else if (tag == 1 && bits == 24)
                f.coding = SampleCoding::Int24;
            else if (tag == 1 && bits == 32)
                f.coding = SampleCoding::Int32;
            else if (tag == 3 && bits == 32)
                f.coding = SampleCoding::Float32;
            else {
                h.kind = WavHeader::Kind::OtherCoding;
                f.channels = channels;
                f.sampleRate = int(std::min<quint32>(rate, 0x7FFFFFFF));
                return h;
            }
            if (channels == 0) return Broken(QStringLiteral("声道数为 0"));
            if (rate == 0) return Broken(QStringLiteral("采样率为 0"));
            f.channels = channels;
            f.sampleRate = int(std::min<quint32>(rate, 0x7FFFFFFF));
            f.bytesPerSample = bits / 8;
            if (blockAlign != f.frameBytes())
                return Broken(QStringLiteral("块对齐为 %1 字节，%2 声道 %3 位的样本应为 %4 字节")
                                  .arg(blockAlign)
                                  .arg(channels)
                                  .arg(bits)
                                  .arg(f.frameBytes()));
            // A writer that streamed the file may have left the size unset or too large.
            qint64 size = chunkSize;
            if (size == 0 || size == 0xFFFFFFFF || body + size > fileSize) size = fileSize - body;
            f.dataOffset = body;
            f.frames = size / f.frameBytes();
            if (f.frames == 0) return Broken(QStringLiteral("没有声音数据"));
            h.kind = WavHeader::Kind::Pcm;
            return h;
        }
        pos = body + chunkSize + (chunkSize & 1);
    }
}

bool HasSoundSignature(const QByteArray& head) {
    const auto byte = [&](qsizetype i) { return i < head.size() ? quint8(head[i]) : 0; };
    if (Starts(head, 0, "RIFF") || Starts(head, 0, "RF64") || Starts(head, 0, "BW64")) return true;
    if (Starts(head, 0, "ID3")) return true;  // MP3 with a tag
    // An MPEG audio frame (MP1/2/3) or an ADTS frame (AAC): eleven or twelve set sync bits.
    if (byte(0) == 0xFF && (byte(1) & 0xE0) == 0xE0) return true;
    if (Starts(head, 0, "OggS") || Starts(head, 0, "fLaC")) return true;
    if (Starts(head, 4, "ftyp")) return true;  // MP4, M4A, 3GP
    if (Starts(head, 0, "FORM") && (Starts(head, 8, "AIFF") || Starts(head, 8, "AIFC")))
        return true;
    if (Starts(head, 0, "#!AMR")) return true;
    if (Starts(head, 0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11")) return true;  // ASF: WMA
    if (Starts(head, 0, "\x1A\x45\xDF\xA3")) return true;                  // Matroska, WebM
    if (Starts(head, 0, "MAC ") || Starts(head, 0, "wvpk")) return true;   // Monkey's, WavPack
    if (Starts(head, 0, ".snd") || Starts(head, 0, "caff")) return true;   // Sun AU, CAF
    if (Starts(head, 0, "MThd")) return true;                              // MIDI
    return false;
}

SoundProbe ProbeSoundFile(const QString& path) {
    SoundProbe probe;
    const QFileInfo info(path);
    if (!info.exists()) {
        probe.reason = QStringLiteral("文件不存在");
        return probe;
    }
    if (!info.isFile()) {
        probe.reason = QStringLiteral("不是文件");
        return probe;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        probe.reason = QStringLiteral("无法打开文件（%1）").arg(file.errorString());
        return probe;
    }
    if (file.size() == 0) {
        probe.reason = QStringLiteral("文件是空的");
        return probe;
    }
    const QByteArray head = file.read(16);
    if (head.isEmpty()) {
        probe.reason = QStringLiteral("无法读取文件（%1）").arg(file.errorString());
        return probe;
    }
    if (!HasSoundSignature(head)) {
        probe.reason = QStringLiteral("不是可识别的声音文件");
        return probe;
    }
    const WavHeader wav = ReadWavHeader(file);
    if (wav.kind == WavHeader::Kind::Pcm || wav.kind == WavHeader::Kind::OtherCoding) {
        // What the player can play, the same for the check at start-up.
        const WavFormat& f = wav.format;
        if (f.channels > kMaxSoundChannels) {
            probe.reason = QStringLiteral("WAV 文件有 %1 个声道，只能播放 1 至 %2 个声道的声音")
                               .arg(f.channels)
                               .arg(kMaxSoundChannels);
            return probe;
        }
        if (f.sampleRate != 0 && (f.sampleRate < kMinSoundRate || f.sampleRate > kMaxSoundRate)) {
            probe.reason = QStringLiteral("WAV 文件的采样率为 %1 Hz，只能播放 %2 至 %3 Hz 的声音")
                               .arg(f.sampleRate)
                               .arg(kMinSoundRate)
                               .arg(kMaxSoundRate);
            return probe;
        }
    }
    switch (wav.kind) {
        case WavHeader::Kind::Pcm:
            probe.kind = SoundProbe::Kind::Pcm;
            probe.wav = wav.format;
            return probe;
        case WavHeader::Kind::Broken:
            probe.reason = wav.problem;
            return probe;
        case WavHeader::Kind::OtherCoding:
        case WavHeader::Kind::NotWav:
            break;
    }
    probe.kind = SoundProbe::Kind::Media;
    return probe;
}

QString ResolveSoundPath(const QString& name) {
    QString path = QDir::fromNativeSeparators(name);
    if (path.contains(u'\\') && !QFileInfo::exists(path)) {
        QString slashed = path;
        slashed.replace(u'\\', u'/');
        if (QFileInfo::exists(slashed)) path = slashed;
    }
    return QFileInfo(path).absoluteFilePath();
}

QString SoundFileErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("无法播放声音文件“%1”：%2").arg(QDir::toNativeSeparators(path), reason);
}

QString MediaErrorReason(const QString& text) {
    // The decoder's own words stay after the Chinese, for whoever looks into it further.
    struct Known {
        const char* english;
        const char* chinese;
    };
    static const Known known[] = {
        {"Could not detect type of contents", "文件格式无法识别"},
        {"Internal data stream error", "文件无法解码（可能已损坏，或格式不受支持）"},
        {"general stream error", "文件无法解码（可能已损坏）"},
        {"File access denied", "没有读取文件的权限"},
        {"Permission denied", "没有读取文件的权限"},
        {"Could not open resource for reading", "无法打开文件"},
        {"Resource not found", "找不到文件"},
        {"No such file", "找不到文件"},
        {"missing a plug-in", "缺少播放这种格式所需的解码器"},
        {"No decoder available", "缺少播放这种格式所需的解码器"},
        {"Could not decode stream", "文件无法解码"},
        {"Could not demultiplex stream", "文件无法解析（可能已损坏）"},
        {"Stream doesn't contain enough data", "文件中的声音数据不足"},
        {"not an audio", "文件中没有声音"},
        {"Could not open audio device", "无法打开声音输出设备"},
    };
    const QString detail = text.trimmed();
    if (detail.isEmpty()) return QStringLiteral("文件无法解码");
    for (const Known& k : known)
        if (detail.contains(QLatin1String(k.english), Qt::CaseInsensitive))
            return QStringLiteral("%1（%2）").arg(QString::fromUtf8(k.chinese), detail);
    // A text in another language (the platform's translation) is shown as it is, after ours.
    return QStringLiteral("文件无法解码（%1）").arg(detail);
}
