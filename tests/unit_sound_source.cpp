// A sound decoded while it plays: the window of decoded frames a reader reads from, driven by a
// decoder of the test's own that answers every request at once (a ramp of frame numbers), so
// that what a reader gets can be checked frame by frame, and so can the memory the window takes,
// the passes from the beginning a loop asks for, and the end of a sound whose length was not
// known.
#include <QtTest>
#include <thread>

#include "platform/SoundSource.h"

namespace {

// Decodes a sound of `length` frames whose samples are their frame numbers (one channel), in
// buffers of `chunk` frames, whenever the source asks, as long as the source takes them.
class RampDecoder {
  public:
    RampDecoder(DecodedSource& source, qint64 length, qint64 chunk)
        : source_(source), length_(length), chunk_(chunk) {
        source_.setRequests({[this] { more(); }, [this] { restart(); }});
    }
    void more() {
        ++moreAsked;
        while (position_ < length_ && source_.wantsMore()) {
            const qint64 n = std::min(chunk_, length_ - position_);
            std::vector<float> s(static_cast<size_t>(n));
            for (qint64 i = 0; i < n; ++i)
                s[size_t(i)] = float(position_ + i);
            source_.append(s.data(), n);
            position_ += n;
            maxWindow = std::max(maxWindow, source_.windowFrames());
        }
        if (position_ >= length_ && !ended_) {
            ended_ = true;
            source_.passEnded();
        }
    }
    void restart() {
        ++restarts;
        position_ = 0;
        ended_ = false;
        source_.passStarted();
        more();
    }
    int moreAsked = 0;
    int restarts = 0;
    qint64 maxWindow = 0;

  private:
    DecodedSource& source_;
    qint64 length_;
    qint64 chunk_;
    qint64 position_ = 0;
    bool ended_ = false;
};

// True when `out` holds the frames [from, from + count) of the ramp.
bool IsRamp(const std::vector<float>& out, qint64 from, qint64 count) {
    if (qint64(out.size()) != count) return false;
    for (qint64 i = 0; i < count; ++i)
        if (out[size_t(i)] != float(from + i)) return false;
    return true;
}

}  // namespace

class SoundSourceTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void readsInOrderToTheEnd_data();
    void readsInOrderToTheEnd();
    void headWithoutWaiting();
    void windowStaysBounded();
    void loopGoesBackToTheBeginning_data();
    void loopGoesBackToTheBeginning();
    void stoppedPlaceIsKept();
    void failureReachesTheReader();
    void abortLetsAWaitingReaderGo();
};

void SoundSourceTest::readsInOrderToTheEnd_data() {
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("chunk");
    QTest::addColumn<qint64>("read");
    QTest::newRow("long, small buffers") << qint64(100'000) << qint64(576) << qint64(3307);
    QTest::newRow("long, reads larger than the buffers")
        << qint64(50'000) << qint64(384) << qint64(5000);
    QTest::newRow("shorter than the head") << qint64(1000) << qint64(576) << qint64(700);
    QTest::newRow("one frame") << qint64(1) << qint64(576) << qint64(3307);
}

void SoundSourceTest::readsInOrderToTheEnd() {
    QFETCH(qint64, length);
    QFETCH(qint64, chunk);
    QFETCH(qint64, read);
    DecodedSource source(1, 22050, 6615, 44100, 4410);
    RampDecoder decoder(source, length, chunk);
    QCOMPARE(source.format().frames, SoundSource::kUnknownFrames);
    std::vector<float> out;
    qint64 from = 0;
    for (;;) {
        const qint64 got = source.read(from, read, out);
        QVERIFY(got >= 0);
        if (got == 0) break;
        QVERIFY2(IsRamp(out, from, got), qPrintable(QStringLiteral("at %1").arg(from)));
        // Fewer frames than asked for only at the end of the sound.
        if (got < read) QCOMPARE(from + got, length);
        from += got;
    }
    QCOMPARE(from, length);
    QCOMPARE(source.format().frames, length);
    QCOMPARE(source.read(length, read, out), qint64(0));
}

void SoundSourceTest::headWithoutWaiting() {
    DecodedSource source(2, 1000, 300, 10'000, 1000);
    std::vector<float> samples(2 * 500);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(i);
    std::vector<float> out;
    QVERIFY(!source.fromHead(0, 10, out));  // nothing decoded yet
    source.append(samples.data(), 200);
    QVERIFY(!source.headReady());
    QVERIFY(source.fromHead(0, 200, out));
    QVERIFY(!source.fromHead(100, 101, out));
    source.append(samples.data() + 400, 300);
    QVERIFY(source.headReady());
    // The head is the first 300 frames of the first pass, both channels interleaved.
    QVERIFY(source.fromHead(250, 50, out));
    QCOMPARE(out.size(), size_t(100));
    QCOMPARE(out.front(), 500.0f);  // frame 250 = samples[400 + 2 * 50]
    QVERIFY(!source.fromHead(250, 51, out));
    QVERIFY(!source.fromHead(-1, 10, out));
}

void SoundSourceTest::windowStaysBounded() {
    // Ten minutes at 22050 Hz through a window of ten seconds.
    const qint64 rate = 22050, length = 600 * rate, capacity = 10 * rate, history = 2 * rate;
    DecodedSource source(1, int(rate), rate * 3 / 10, capacity, history);
    RampDecoder decoder(source, length, 576);
    std::vector<float> out;
    for (qint64 from = 0; from < length;) {
        const qint64 got = source.read(from, 3307, out);
        QVERIFY(got > 0);
        QVERIFY(IsRamp(out, from, got));
        from += got;
    }
    // Never more than the window and one buffer of the decoder at a time.
    QVERIFY2(decoder.maxWindow <= capacity + 576, qPrintable(QString::number(decoder.maxWindow)));
    QCOMPARE(decoder.restarts, 0);
}

void SoundSourceTest::loopGoesBackToTheBeginning_data() {
    QTest::addColumn<qint64>("length");
    QTest::addColumn<int>("restarts");
    // A sound that fits the window is played again from memory; a longer one is decoded again.
    QTest::newRow("fits the window") << qint64(30'000) << 0;
    QTest::newRow("longer than the window") << qint64(300'000) << 1;
}

void SoundSourceTest::loopGoesBackToTheBeginning() {
    QFETCH(qint64, length);
    QFETCH(int, restarts);
    DecodedSource source(1, 22050, 6615, 44100, 4410);
    RampDecoder decoder(source, length, 576);
    decoder.more();  // the beginning is decoded before the sound is played
    QVERIFY(source.headReady());
    std::vector<float> out;
    for (int pass = 0; pass < 2; ++pass) {
        // A run from the beginning: the head first, then the rest.
        QVERIFY(source.fromHead(0, 3307, out));
        QVERIFY(IsRamp(out, 0, 3307));
        for (qint64 from = 3307; from < length;) {
            const qint64 got = source.read(from, 3307, out);
            QVERIFY2(got > 0, qPrintable(QStringLiteral("pass %1 at %2").arg(pass).arg(from)));
            QVERIFY(IsRamp(out, from, got));
            from += got;
        }
        QCOMPARE(source.read(length, 3307, out), qint64(0));
    }
    QCOMPARE(decoder.restarts, restarts);
    QCOMPARE(source.format().frames, length);
}

void SoundSourceTest::stoppedPlaceIsKept() {
    // A run stopped after 60 s of a long sound goes on from the place heard, a buffer before the
    // place fed, without decoding the sound again.
    const qint64 rate = 22050, capacity = 10 * rate, history = 2 * rate;
    DecodedSource source(1, int(rate), 6615, capacity, history);
    RampDecoder decoder(source, 120 * rate, 576);
    std::vector<float> out;
    qint64 from = 0;
    while (from < 60 * rate)
        from += source.read(from, 3307, out);
    const qint64 heard = from - 3307;
    QCOMPARE(source.read(heard, 3307, out), qint64(3307));
    QVERIFY(IsRamp(out, heard, 3307));
    QCOMPARE(decoder.restarts, 0);
}

void SoundSourceTest::failureReachesTheReader() {
    DecodedSource source(1, 22050, 100, 44100, 4410);
    RampDecoder decoder(source, 1'000'000, 576);
    std::vector<float> out;
    QCOMPARE(source.read(0, 1000, out), qint64(1000));
    source.fail(QStringLiteral("文件无法解码（Internal data stream error.）"));
    QCOMPARE(source.read(1000, 1000, out), qint64(-1));
    QCOMPARE(source.errorString(), QStringLiteral("文件无法解码（Internal data stream error.）"));
    QVERIFY(!source.wantsMore());
}

void SoundSourceTest::abortLetsAWaitingReaderGo() {
    // A decoder that never answers: the reader waits until the sound is closed.
    DecodedSource source(1, 22050, 100, 44100, 4410);
    qint64 got = 0;
    std::thread reader([&] {
        std::vector<float> out;
        got = source.read(0, 1000, out);
    });
    source.abort();
    reader.join();
    QCOMPARE(got, qint64(-1));
}

QTEST_GUILESS_MAIN(SoundSourceTest)
#include "unit_sound_source.moc"
