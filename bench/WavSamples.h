// The samples of a 16-bit PCM WAV (the format of the default sounds), for the audio benchmarks'
// references: the header read by the player's own reader.
#pragma once

#include <QFile>
#include <QString>
#include <QtEndian>
#include <cstdlib>
#include <vector>

#include "platform/SoundFile.h"

namespace bench {

struct WavSamples {
    int channels = 0;
    int rate = 0;
    std::vector<qint16> samples;  // interleaved
    double durationMs() const {
        return channels && rate ? double(samples.size() / channels) * 1000.0 / rate : 0;
    }
    // The magnitude of sample i, 0..1, and the time of its frame in ms.
    double level(size_t i) const { return std::abs(samples[i]) / 32768.0; }
    double timeOf(size_t i) const { return double(i / channels) * 1000.0 / rate; }
};

// False when the file cannot be read or is not a 16-bit PCM WAV.
inline bool ReadWavSamples(const QString& path, WavSamples& out) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const WavHeader header = ReadWavHeader(f);
    if (header.kind != WavHeader::Kind::Pcm || header.format.coding != SampleCoding::Int16)
        return false;
    if (!f.seek(header.format.dataOffset)) return false;
    const QByteArray data = f.read(header.format.frames * header.format.frameBytes());
    out.channels = header.format.channels;
    out.rate = header.format.sampleRate;
    out.samples.resize(size_t(data.size() / 2));
    const auto* s = reinterpret_cast<const uchar*>(data.constData());
    for (size_t i = 0; i < out.samples.size(); ++i)
        out.samples[i] = qFromLittleEndian<qint16>(s + 2 * i);
    return true;
}

}  // namespace bench
