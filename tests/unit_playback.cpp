// The playback logic of the audio player's own stream path, against a fake stream whose
// playback clock the test moves: the frames handed over, the end, the place a stop keeps and
// where play goes on, the streams it takes and gives back, and what a stalled GUI thread or a
// late feeding thread does to a sound. Time is the test's own: nothing here waits.
#include <QtTest>
#include <map>
#include <vector>

#include "platform/Playback.h"

namespace {

constexpr int kRate = 1000;   // one frame per millisecond keeps the arithmetic readable
constexpr qint64 kMs = 1000;  // microseconds

// A stream that plays what it is given at one frame per ms once started, as the server would:
// the test says how far the server has played (`played`), which never passes what was written.
class FakeStream final : public AudioStream {
  public:
    FakeStream(int id, int channels, int rate, qint64 buffer)
        : id(id), channels_(channels), rate_(rate), buffer_(buffer) {}
    int channels() const override { return channels_; }
    int sampleRate() const override { return rate_; }
    qint64 framesFree() override { return failed ? -1 : buffer_ - (written() - played); }
    qint64 write(const float* s, qint64 frames) override {
        if (failed) return 0;
        frames = std::min(frames, buffer_ - (written() - played));
        samples.insert(samples.end(), s, s + frames * channels_);
        return frames;
    }
    qint64 framesPlayed() override { return std::min(std::max(played, clockFloor), written()); }
    qint64 bufferFrames() const override { return buffer_; }

    qint64 written() const { return qint64(samples.size()) / channels_; }
    // The sample of channel 0 at frame `i` of all the stream was given.
    float at(qint64 i) const { return samples[size_t(i * channels_)]; }

    const int id;
    std::vector<float> samples;
    qint64 played = 0;
    // The server's clock reports at least this much (clamped to what was written): the report
    // right after a dry stream was given its first frames.
    qint64 clockFloor = 0;
    bool failed = false;

  private:
    int channels_;
    int rate_;
    qint64 buffer_;
};

class FakePool final : public StreamPool {
  public:
    std::unique_ptr<AudioStream> take(int channels, int rate) override {
        ++takes;
        if (!ready) return nullptr;
        auto s = std::make_unique<FakeStream>(++made, channels, rate, buffer);
        live.push_back(s.get());
        generationOf[s.get()] = generation;
        return s;
    }
    bool current(const AudioStream& s) const override { return generationOf.at(&s) == generation; }
    bool hasOutput() const override { return output; }
    void retire(std::unique_ptr<AudioStream> s) override {
        auto* f = static_cast<FakeStream*>(s.get());
        live.erase(std::find(live.begin(), live.end(), f));
        retiredIds.push_back(f->id);
        retired.push_back(std::move(s));
    }

    FakeStream* stream() const { return live.empty() ? nullptr : live.back(); }

    bool ready = true;
    bool output = true;
    qint64 buffer = 100;  // frames (ms)
    int generation = 1;
    int made = 0;
    int takes = 0;
    std::vector<FakeStream*> live;
    std::map<const AudioStream*, int> generationOf;
    std::vector<int> retiredIds;
    std::vector<std::unique_ptr<AudioStream>> retired;
};

// The logic, its pool and a sound whose every sample holds its own frame number.
struct Rig {
    explicit Rig(qint64 frames, int channels = 1) : channels(channels) {
        logic.open({channels, kRate, frames}, 0);
        sound.resize(size_t(frames * channels));
        for (qint64 i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                sound[size_t(i * channels + c)] = float(i);
    }
    // The feeding thread's turn at `ms`: as many plans and feeds as there is room for.
    void feed(qint64 ms) {
        for (int guard = 0; guard < 100; ++guard) {
            const FeedPlan p = logic.plan(ms * kMs);
            if (p.frames == 0) return;
            const qint64 n = std::min(p.frames, shortFile >= 0 ? shortFile - p.from : p.frames);
            logic.feed(ms * kMs, p, sound.data() + p.from * channels, std::max<qint64>(0, n));
        }
        QFAIL("the feeding side never settles");
    }
    // The server plays up to `ms` on a stream started at `startMs` (written frames only), its
    // clock `ppm` parts per million faster than the system's.
    void serverAt(qint64 ms, qint64 startMs, qint64 ppm = 0) {
        FakeStream* s = pool.stream();
        if (!s) return;
        const qint64 elapsed = std::max<qint64>(0, ms - startMs);
        s->played = std::min(s->written(), elapsed + elapsed * ppm / 1'000'000);
    }
    PlayerState state(qint64 ms) { return logic.state(ms * kMs); }

    int channels;
    FakePool pool;
    Playback logic{pool};
    std::vector<float> sound;
    qint64 shortFile = -1;  // the file holds only this many frames when read
};

}  // namespace

Q_DECLARE_METATYPE(PlayerState)

class PlaybackTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void neverOpenedIsStopped();
    void playsToItsEnd_data();
    void playsToItsEnd();
    void stopKeepsTheHeardPlace_data();
    void stopKeepsTheHeardPlace();
    void playAfterTheEndStartsAgain();
    void stalledGuiThread();
    void lateFeedingThreadDelaysTheEnd();
    void streamsTakenAndGivenBack_data();
    void streamsTakenAndGivenBack();
    void outputGoneEndsTheRun();
    void noStream_data();
    void noStream();
    void fileShorterThanItsHeader();
};

void PlaybackTest::neverOpenedIsStopped() {
    FakePool pool;
    Playback logic(pool);
    QCOMPARE(logic.state(0), PlayerState::Stopped);
    logic.play(0);
    QCOMPARE(logic.state(0), PlayerState::Stopped);
    QCOMPARE(logic.plan(0).frames, qint64(0));
    QCOMPARE(pool.takes, 0);
}

void PlaybackTest::playsToItsEnd_data() {
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<int>("channels");
    QTest::addColumn<qint64>("clockFloor");
    QTest::addColumn<qint64>("ppm");
    QTest::newRow("longer than the buffer") << qint64(1000) << 1 << qint64(0) << qint64(0);
    QTest::newRow("stereo") << qint64(750) << 2 << qint64(0) << qint64(0);
    QTest::newRow("shorter than the buffer: padded") << qint64(40) << 1 << qint64(0) << qint64(0);
    QTest::newRow("server clock ahead after the first write")
        << qint64(500) << 1 << qint64(100) << qint64(0);
    // 20 s of sound on an output 500 ppm fast ends 10 ms before 20 s of system time.
    QTest::newRow("output clock fast") << qint64(20000) << 1 << qint64(0) << qint64(500);
    QTest::newRow("output clock slow") << qint64(20000) << 1 << qint64(0) << qint64(-500);
}

void PlaybackTest::playsToItsEnd() {
    QFETCH(qint64, frames);
    QFETCH(int, channels);
    QFETCH(qint64, clockFloor);
    QFETCH(qint64, ppm);
    Rig rig(frames, channels);
    rig.logic.play(0);
    QCOMPARE(rig.state(0), PlayerState::Playing);
    rig.feed(0);
    FakeStream* s = rig.pool.stream();
    QVERIFY(s);
    // The first frames fill the whole buffer at once, from the sound's beginning; a sound
    // shorter than the buffer is followed by silence up to it.
    QCOMPARE(s->written(), rig.pool.buffer);
    for (qint64 i = 0; i < std::min(frames, rig.pool.buffer); ++i)
        QCOMPARE(s->at(i), float(i));
    if (frames < rig.pool.buffer) QCOMPARE(s->at(frames), 0.0f);
    s->clockFloor = clockFloor;

    // The server plays a frame a ms (by its own clock); the feeding side runs when asked.
    // `end`: when the server plays the last frame, in system time.
    const qint64 end = frames * 1'000'000 / (1'000'000 + ppm);
    qint64 next = rig.logic.nextFeedUs(0) / kMs;
    for (qint64 t = 1; t < end - 2; ++t) {
        rig.serverAt(t, 0, ppm);
        if (t >= next && next >= 0) {
            rig.feed(t);
            next = rig.logic.nextFeedUs(t * kMs) / kMs;
        }
        QVERIFY2(s->written() > s->played || s->played >= frames,
                 qPrintable(QStringLiteral("ran dry at %1 ms").arg(t)));
        if (rig.state(t) != PlayerState::Playing) QFAIL(qPrintable(QStringLiteral("%1").arg(t)));
    }
    // Every frame went over once, in order.
    for (qint64 i = 0; i < frames; ++i)
        QCOMPARE(s->at(i), float(i));
    // Stopped within the 2 ms the server's clock is trusted to at the end, not before.
    rig.serverAt(end - 3, 0, ppm);
    QCOMPARE(rig.state(end - 3), PlayerState::Playing);
    rig.serverAt(end, 0, ppm);
    QCOMPARE(rig.state(end), PlayerState::Stopped);
    QCOMPARE(rig.logic.position(end), frames);
}

void PlaybackTest::stopKeepsTheHeardPlace_data() {
    QTest::addColumn<qint64>("stopAt");      // ms after the first frames went over
    QTest::addColumn<qint64>("serverLag");   // the server started this much later
    QTest::addColumn<qint64>("clockFloor");  // its clock reports at least this much
    QTest::addColumn<qint64>("heard");       // the frame kept
    QTest::newRow("early, clock ahead: the time since the start bounds it")
        << qint64(30) << qint64(0) << qint64(100) << qint64(30);
    QTest::newRow("in the middle") << qint64(420) << qint64(0) << qint64(0) << qint64(420);
    QTest::newRow("server started late: its clock rules")
        << qint64(420) << qint64(15) << qint64(0) << qint64(405);
    QTest::newRow("just before the end") << qint64(995) << qint64(0) << qint64(0) << qint64(995);
}

void PlaybackTest::stopKeepsTheHeardPlace() {
    QFETCH(qint64, stopAt);
    QFETCH(qint64, serverLag);
    QFETCH(qint64, clockFloor);
    QFETCH(qint64, heard);
    const qint64 t0 = 50;
    Rig rig(1000);
    rig.logic.play(t0 * kMs);
    rig.feed(t0);
    FakeStream* first = rig.pool.stream();
    first->clockFloor = clockFloor;
    for (qint64 t = t0; t <= t0 + stopAt; t += 10) {
        rig.serverAt(t, t0 + serverLag);
        rig.feed(t);
    }
    rig.serverAt(t0 + stopAt, t0 + serverLag);
    rig.logic.stop((t0 + stopAt) * kMs);
    QCOMPARE(rig.state(t0 + stopAt), PlayerState::Stopped);
    QCOMPARE(rig.logic.position(t0 + stopAt), heard);
    // The stream still queued frames past the place: it goes, and is never written to again.
    QCOMPARE(rig.pool.retiredIds, std::vector<int>{first->id});
    const qint64 writtenAtStop = first->written();
    QCOMPARE(rig.logic.plan((t0 + stopAt + 5) * kMs).frames, qint64(0));

    // Play goes on, on a fresh stream, exactly from the frame heard.
    const qint64 t1 = t0 + stopAt + 2000;
    rig.logic.play(t1 * kMs);
    QCOMPARE(rig.state(t1), PlayerState::Playing);
    rig.feed(t1);
    FakeStream* second = rig.pool.stream();
    QVERIFY(second != first);
    QCOMPARE(first->written(), writtenAtStop);
    QVERIFY(second->written() > 0);
    QCOMPARE(second->at(0), float(heard));
    // It ends after the rest only.
    const qint64 rest = 1000 - heard;
    for (qint64 t = t1; t < t1 + rest; t += 10) {
        rig.serverAt(t, t1);
        rig.feed(t);
    }
    rig.serverAt(t1 + rest - 3, t1);
    QCOMPARE(rig.state(t1 + rest - 3), PlayerState::Playing);
    rig.serverAt(t1 + rest, t1);
    QCOMPARE(rig.state(t1 + rest), PlayerState::Stopped);
    for (qint64 i = 0; i < rest; ++i)
        QCOMPARE(second->at(i), float(heard + i));
}

void PlaybackTest::playAfterTheEndStartsAgain() {
    Rig rig(300);
    rig.logic.play(0);
    for (qint64 t = 0; t <= 300; t += 10) {
        rig.serverAt(t, 0);
        rig.feed(t);
    }
    QCOMPARE(rig.state(300), PlayerState::Stopped);
    // A stop after the end changes nothing.
    rig.logic.stop(310 * kMs);
    QCOMPARE(rig.logic.position(310 * kMs), qint64(300));
    FakeStream* s = rig.pool.stream();
    const qint64 before = s->written();
    rig.logic.play(1000 * kMs);
    rig.feed(1000);
    // From the beginning, on the same (dry) stream.
    QCOMPARE(rig.pool.stream(), s);
    QVERIFY(rig.pool.retiredIds.empty());
    QCOMPARE(s->at(before), 0.0f);
    QCOMPARE(s->at(before + 50), 50.0f);
}

// The GUI thread asks nothing for seconds while a sound plays (a modal box, a long repaint):
// the feeding side alone keeps the stream fed, and the first question after the stall gets
// the true answer without any tick of its own having run.
void PlaybackTest::stalledGuiThread() {
    Rig rig(2000);
    rig.logic.play(0);
    rig.feed(0);
    FakeStream* s = rig.pool.stream();
    qint64 next = rig.logic.nextFeedUs(0) / kMs;
    int feeds = 0;
    for (qint64 t = 1; t <= 2000; ++t) {
        rig.serverAt(t, 0);
        QVERIFY2(s->written() > s->played || s->played >= 2000,
                 qPrintable(QStringLiteral("ran dry at %1 ms").arg(t)));
        if (next >= 0 && t >= next) {
            rig.feed(t);
            ++feeds;
            next = rig.logic.nextFeedUs(t * kMs) / kMs;
        }
    }
    QVERIFY(feeds >= 2000 / rig.pool.buffer);
    QCOMPARE(rig.logic.nextFeedUs(2000 * kMs), qint64(-1));  // nothing left to feed
    QCOMPARE(s->written(), qint64(2000));
    rig.serverAt(7000, 0);
    QCOMPARE(rig.state(7000), PlayerState::Stopped);
    QCOMPARE(rig.logic.position(7000 * kMs), qint64(2000));
}

// The feeding thread is held up longer than the buffer lasts: the server plays what it has and
// waits; the sound is not over until its last frame has been played.
void PlaybackTest::lateFeedingThreadDelaysTheEnd() {
    Rig rig(500);
    rig.logic.play(0);
    rig.feed(0);
    FakeStream* s = rig.pool.stream();
    // Nothing more is fed until 300 ms: the server stops at the 100 frames it had.
    rig.serverAt(300, 0);
    QCOMPARE(s->played, qint64(100));
    QCOMPARE(rig.state(300), PlayerState::Playing);
    QCOMPARE(rig.logic.position(300 * kMs), qint64(100));
    // Fed again, it plays the rest from 300 ms on.
    for (qint64 t = 300; t < 695; t += 10) {
        s->played = std::min(s->written(), 100 + (t - 300));
        rig.feed(t);
    }
    s->played = std::min(s->written(), qint64(100 + 395));
    QCOMPARE(rig.state(695), PlayerState::Playing);
    s->played = std::min(s->written(), qint64(100 + 400));
    QCOMPARE(rig.state(700), PlayerState::Stopped);
    for (qint64 i = 0; i < 500; ++i)
        QCOMPARE(s->at(i), float(i));
}

void PlaybackTest::streamsTakenAndGivenBack_data() {
    QTest::addColumn<QString>("between");
    QTest::addColumn<bool>("sameStream");
    QTest::newRow("a later play of the same sound") << QStringLiteral("nothing") << true;
    QTest::newRow("another sound of the same format") << QStringLiteral("open") << true;
    QTest::newRow("another sound, another rate") << QStringLiteral("rate") << false;
    QTest::newRow("the default output changed") << QStringLiteral("device") << false;
    QTest::newRow("the stream failed while dry") << QStringLiteral("failed") << false;
    QTest::newRow("a play while the padding still plays") << QStringLiteral("soon") << false;
}

void PlaybackTest::streamsTakenAndGivenBack() {
    QFETCH(QString, between);
    QFETCH(bool, sameStream);
    Rig rig(40);  // shorter than the buffer: followed by 60 ms of silence
    rig.logic.play(0);
    rig.feed(0);
    FakeStream* first = rig.pool.stream();
    rig.serverAt(45, 0);
    QCOMPARE(rig.state(45), PlayerState::Stopped);
    qint64 when = 500;
    int rate = kRate;
    if (between == QLatin1String("open")) rig.logic.open({1, kRate, 40}, 200 * kMs);
    if (between == QLatin1String("rate")) {
        rate = 2 * kRate;
        rig.logic.open({1, rate, 80}, 200 * kMs);
        rig.sound.assign(80, 0.0f);
        QCOMPARE(rig.pool.retiredIds, std::vector<int>{first->id});  // given back at open
    }
    if (between == QLatin1String("device")) ++rig.pool.generation;
    if (between == QLatin1String("failed")) first->failed = true;
    if (between == QLatin1String("soon")) when = 60;  // the silence plays until 100 ms
    rig.serverAt(when, 0);
    rig.logic.play(when * kMs);
    rig.feed(when);
    FakeStream* now = rig.pool.stream();
    QVERIFY(now);
    QCOMPARE(now == first, sameStream);
    QCOMPARE(now->sampleRate(), rate);
    QCOMPARE(rig.pool.made, sameStream ? 1 : 2);
    QCOMPARE(rig.pool.retiredIds.size(), size_t(sameStream ? 0 : 1));
    QCOMPARE(rig.state(when), PlayerState::Playing);
}

// The output under a playing sound disappears (the stream fails): the run ends at once and
// keeps the place heard; the next play takes a new stream.
void PlaybackTest::outputGoneEndsTheRun() {
    Rig rig(1000);
    rig.logic.play(0);
    for (qint64 t = 0; t <= 300; t += 10) {
        rig.serverAt(t, 0);
        rig.feed(t);
    }
    FakeStream* s = rig.pool.stream();
    s->failed = true;
    QCOMPARE(rig.state(301), PlayerState::Stopped);
    QCOMPARE(rig.logic.position(301 * kMs), qint64(300));
    QCOMPARE(rig.pool.retiredIds, std::vector<int>{s->id});
    rig.logic.play(400 * kMs);
    rig.feed(400);
    QVERIFY(rig.pool.stream() != nullptr);
    QCOMPARE(rig.pool.stream()->at(0), 300.0f);
}

void PlaybackTest::noStream_data() {
    QTest::addColumn<bool>("output");
    QTest::addColumn<qint64>("askedAtMs");
    QTest::addColumn<PlayerState>("state");
    QTest::newRow("no output at all") << false << qint64(0) << PlayerState::Stopped;
    QTest::newRow("stream still being made") << true << qint64(100) << PlayerState::Playing;
    QTest::newRow("no stream came in time") << true << qint64(3100) << PlayerState::Stopped;
}

void PlaybackTest::noStream() {
    QFETCH(bool, output);
    QFETCH(qint64, askedAtMs);
    QFETCH(PlayerState, state);
    Rig rig(500);
    rig.pool.ready = false;
    rig.pool.output = output;
    rig.logic.play(0);
    rig.feed(0);
    QCOMPARE(rig.state(askedAtMs), state);
    // Nothing was heard: a later play starts from the same place.
    rig.logic.stop(askedAtMs * kMs);
    QCOMPARE(rig.logic.position(askedAtMs * kMs), qint64(0));
}

void PlaybackTest::fileShorterThanItsHeader() {
    Rig rig(1000);
    rig.shortFile = 150;  // the file was cut after the header was read
    rig.logic.play(0);
    for (qint64 t = 0; t <= 200; t += 10) {
        rig.serverAt(t, 0);
        rig.feed(t);
    }
    QCOMPARE(rig.pool.stream()->written(), qint64(150));
    rig.serverAt(150, 0);
    QCOMPARE(rig.state(150), PlayerState::Stopped);
    QCOMPARE(rig.logic.position(150 * kMs), qint64(150));
}

QTEST_GUILESS_MAIN(PlaybackTest)
#include "unit_playback.moc"
