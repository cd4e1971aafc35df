// The parts of the sound output service that need no sound server: one batch of the file
// check (probe, decoder, time-out), reading what pactl prints, and the operator's texts.
#include <QtTest>

#include "platform/SoundCheck.h"

Q_DECLARE_METATYPE(SoundProblem)
Q_DECLARE_METATYPE(std::optional<bool>)

namespace {

SoundProbe Probe(SoundProbe::Kind kind, const QString& reason = QString()) {
    SoundProbe p;
    p.kind = kind;
    p.reason = reason;
    return p;
}

using K = SoundProbe::Kind;

}  // namespace

class SoundOutputTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void fileCheck_data();
    void fileCheck();
    void pactlMute_data();
    void pactlMute();
    void pactlVolume_data();
    void pactlVolume();
    void pactlEvents_data();
    void pactlEvents();
    void problemsText_data();
    void problemsText();
    void outputStateText_data();
    void outputStateText();
    void watchKeepsLittle_data();
    void watchKeepsLittle();
    void watchCoalescesQueries_data();
    void watchCoalescesQueries();
};

namespace {

// Drives a PactlWatch as the service does: `feed` gives what pactl wrote at `ms`, a query asked
// for runs when its time comes. Returns the times at which queries ran.
struct WatchRun {
    PactlWatch watch;
    qint64 dueMs = -1;
    QList<qint64> queries;
    qint64 gaveUpMs = -1;

    void until(qint64 ms) {
        if (dueMs >= 0 && dueMs <= ms) {
            watch.queried(dueMs);
            queries << dueMs;
            dueMs = -1;
        }
    }
    void feed(const QByteArray& bytes, qint64 ms) {
        until(ms);
        const PactlWatch::Step step = watch.read(bytes, ms);
        if (step.giveUp && gaveUpMs < 0) gaveUpMs = ms;
        if (step.queryInMs >= 0) {
            QVERIFY(dueMs < 0);  // one query asked for at a time
            dueMs = ms + step.queryInMs;
        }
    }
};

const QByteArray kSinkEvent("Event 'change' on sink #0\n");
const QByteArray kStreamEvent("Event 'change' on sink-input #12\n");

}  // namespace

// What pactl writes is kept only up to a line: output without line breaks is no event stream,
// and the watcher gives up on it at once instead of keeping it all.
void SoundOutputTest::watchKeepsLittle_data() {
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<bool>("giveUp");
    QTest::addColumn<int>("queries");
    QTest::newRow("one event") << QList<QByteArray>{kSinkEvent} << false << 1;
    QTest::newRow("an event in three pieces")
        << QList<QByteArray>{"Event 'chan", "ge' on si", "nk #0\n"} << false << 1;
    QTest::newRow("other programs' streams only")
        << QList<QByteArray>{kStreamEvent, kStreamEvent} << false << 0;
    QTest::newRow("a megabyte without a line break")
        << QList<QByteArray>{QByteArray(1 << 20, 'x')} << true << 0;
    QList<QByteArray> drip;
    for (int i = 0; i < 5000; ++i)
        drip << QByteArray("abc");
    QTest::newRow("a line that never ends, three bytes at a time") << drip << true << 0;
    QTest::newRow("a long line, but a line")
        << QList<QByteArray>{QByteArray(4000, 'x') + "\n", kSinkEvent} << false << 1;
}

void SoundOutputTest::watchKeepsLittle() {
    QFETCH(QList<QByteArray>, writes);
    QFETCH(bool, giveUp);
    QFETCH(int, queries);
    WatchRun run;
    qint64 ms = 1000;
    for (const QByteArray& w : writes) {
        run.feed(w, ms);
        QVERIFY(run.watch.pending() <= PactlWatch::kMaxLineBytes);
        ms += 1;
    }
    run.until(ms + 10'000);
    QCOMPARE(run.watch.gaveUp(), giveUp);
    QCOMPARE(run.queries.size(), queries);
    // Once given up, nothing more is asked, whatever comes.
    if (giveUp) {
        run.feed(kSinkEvent, ms + 20'000);
        run.until(ms + 30'000);
        QCOMPARE(run.queries.size(), 0);
    }
}

// Events in bursts and floods: one query at most every 250 ms; a flood that goes on makes the
// watcher give up, a burst does not.
void SoundOutputTest::watchCoalescesQueries_data() {
    QTest::addColumn<int>("eventsPerSecond");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("giveUp");
    QTest::newRow("a volume slider dragged: 50 a second for 20 s") << 50 << 20 << false;
    QTest::newRow("a burst: 5000 in one second") << 5000 << 1 << false;
    QTest::newRow("a flood: 1000 a second") << 1000 << 20 << true;
    QTest::newRow("a flood: 100000 a second") << 100000 << 20 << true;
}

void SoundOutputTest::watchCoalescesQueries() {
    QFETCH(int, eventsPerSecond);
    QFETCH(int, seconds);
    QFETCH(bool, giveUp);
    WatchRun run;
    const qint64 start = 50'000;
    // Written in chunks every 10 ms, as a pipe delivers them.
    const int perChunk = std::max(1, eventsPerSecond / 100);
    QByteArray chunk;
    for (int i = 0; i < perChunk; ++i)
        chunk += kSinkEvent;
    for (qint64 ms = start; ms < start + seconds * 1000; ms += 10) {
        run.feed(chunk, ms);
        if (run.watch.gaveUp()) break;
    }
    run.until(start + seconds * 1000 + 1000);
    QCOMPARE(run.watch.gaveUp(), giveUp);
    if (giveUp) {
        // After some seconds of it, not at the first burst.
        QVERIFY2(run.gaveUpMs - start >= PactlWatch::kFloodSeconds * 1000 &&
                     run.gaveUpMs - start <= (PactlWatch::kFloodSeconds + 2) * 1000,
                 qPrintable(QString::number(run.gaveUpMs - start)));
    }
    const qint64 span = (giveUp ? run.gaveUpMs : start + seconds * 1000) - start;
    QVERIFY(!run.queries.isEmpty());
    QVERIFY2(run.queries.size() <= span / PactlWatch::kQueryGapMs + 1,
             qPrintable(QString::number(run.queries.size())));
    for (qsizetype i = 1; i < run.queries.size(); ++i)
        QVERIFY(run.queries[i] - run.queries[i - 1] >= PactlWatch::kQueryGapMs);
    // The last event is followed by a query: the state after the burst is known.
    if (!giveUp) QVERIFY(run.queries.back() >= start + seconds * 1000 - 10);
}

void SoundOutputTest::fileCheck_data() {
    QTest::addColumn<QList<SoundProbe>>("probes");  // for a.wav, b.mp3, c.ogg
    QTest::addColumn<QList<int>>("decoded");        // decoder verdicts given, in this order
    QTest::addColumn<QStringList>("errors");        // with these errors ("" = it loaded)
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<QList<int>>("toDecode");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QStringList>("problems");  // "path: reason"
    const QString undecided = FileCheck::undecidedReason();

    QTest::newRow("all play") << QList<SoundProbe>{Probe(K::Pcm), Probe(K::Media), Probe(K::Media)}
                              << QList<int>{1, 2} << QStringList{"", ""} << false
                              << QList<int>{1, 2} << true << QStringList{};
    QTest::newRow("the probe says no, in the given order")
        << QList<SoundProbe>{Probe(K::Unplayable, "文件是空的"), Probe(K::Pcm),
                             Probe(K::Unplayable, "不是可识别的声音文件")}
        << QList<int>{} << QStringList{} << false << QList<int>{} << true
        << QStringList{"a.wav: 文件是空的", "c.ogg: 不是可识别的声音文件"};
    QTest::newRow("the decoder says no")
        << QList<SoundProbe>{Probe(K::Pcm), Probe(K::Media), Probe(K::Media)} << QList<int>{2, 1}
        << QStringList{"Could not determine type of stream.", ""} << false << QList<int>{1, 2}
        << true << QStringList{"c.ogg: Could not determine type of stream."};
    QTest::newRow("the first verdict counts")
        << QList<SoundProbe>{Probe(K::Pcm), Probe(K::Media), Probe(K::Pcm)} << QList<int>{1, 1}
        << QStringList{"", "Internal data stream error."} << false << QList<int>{1} << true
        << QStringList{};
    QTest::newRow("still loading: not complete")
        << QList<SoundProbe>{Probe(K::Media), Probe(K::Pcm), Probe(K::Media)} << QList<int>{0}
        << QStringList{""} << false << QList<int>{0, 2} << false << QStringList{};
    QTest::newRow("timed out while loading")
        << QList<SoundProbe>{Probe(K::Media), Probe(K::Pcm), Probe(K::Media)} << QList<int>{0}
        << QStringList{""} << true << QList<int>{0, 2} << false
        << QStringList{"c.ogg: " + undecided};
    QTest::newRow("timed out before the probe came back")
        << QList<SoundProbe>{} << QList<int>{} << QStringList{} << true << QList<int>{} << false
        << QStringList{"a.wav: " + undecided, "b.mp3: " + undecided, "c.ogg: " + undecided};
}

void SoundOutputTest::fileCheck() {
    QFETCH(QList<SoundProbe>, probes);
    QFETCH(QList<int>, decoded);
    QFETCH(QStringList, errors);
    QFETCH(bool, timedOut);
    QFETCH(QList<int>, toDecode);
    QFETCH(bool, complete);
    QFETCH(QStringList, problems);
    FileCheck check({"a.wav", "b.mp3", "c.ogg"});
    QVERIFY(!check.complete());
    if (!probes.isEmpty()) QCOMPARE(check.probed(probes), toDecode);
    for (qsizetype i = 0; i < decoded.size(); ++i)
        check.decoded(decoded[i], errors[i]);
    QCOMPARE(check.complete(), complete);
    QStringList got;
    for (const SoundProblem& p : check.problems(timedOut))
        got << p.path + QStringLiteral(": ") + p.reason;
    QCOMPARE(got, problems);
}

void SoundOutputTest::pactlMute_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<bool>>("muted");
    QTest::newRow("muted") << "Mute: yes\n" << std::optional<bool>(true);
    QTest::newRow("not muted") << "Mute: no\n" << std::optional<bool>(false);
    QTest::newRow("no such sink") << "" << std::optional<bool>();
    QTest::newRow("an error text") << "Failed to get sink information: No such entity\n"
                                   << std::optional<bool>();
}

void SoundOutputTest::pactlMute() {
    QFETCH(QString, text);
    QFETCH(std::optional<bool>, muted);
    QCOMPARE(ParsePactlMute(text), muted);
}

void SoundOutputTest::pactlVolume_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<bool>>("zero");
    QTest::newRow("stereo at 0 %")
        << "Volume: front-left: 0 /   0% / -inf dB,   front-right: 0 /   0% / -inf dB\n"
           "        balance 0.00\n"
        << std::optional<bool>(true);
    QTest::newRow("stereo at 40 %")
        << "Volume: front-left: 26214 /  40% / -23.88 dB,   front-right: 26214 /  40% / -23.88 "
           "dB\n        balance 0.00\n"
        << std::optional<bool>(false);
    QTest::newRow("one channel at 0 %, the other not")
        << "Volume: front-left: 0 /   0% / -inf dB,   front-right: 655 /   1% / -120.00 dB\n"
        << std::optional<bool>(false);
    QTest::newRow("mono at 100 %") << "Volume: mono: 65536 / 100% / 0.00 dB\n"
                                   << std::optional<bool>(false);
    QTest::newRow("no volume line") << "Failed to get sink information\n" << std::optional<bool>();
}

void SoundOutputTest::pactlVolume() {
    QFETCH(QString, text);
    QFETCH(std::optional<bool>, zero);
    QCOMPARE(ParsePactlVolumeZero(text), zero);
}

void SoundOutputTest::pactlEvents_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("concerns");
    QTest::newRow("a sink changed (mute, volume)") << "Event 'change' on sink #0\n" << true;
    QTest::newRow("a sink appeared") << "Event 'new' on sink #3\n" << true;
    QTest::newRow("a sink went") << "Event 'remove' on sink #3\n" << true;
    QTest::newRow("another default") << "Event 'change' on server #-1\n" << true;
    QTest::newRow("a stream of ours came") << "Event 'new' on sink-input #12\n" << false;
    QTest::newRow("a stream changed") << "Event 'change' on sink-input #12\n" << false;
    QTest::newRow("a recording") << "Event 'new' on source-output #4\n" << false;
    QTest::newRow("a client") << "Event 'remove' on client #9\n" << false;
}

void SoundOutputTest::pactlEvents() {
    QFETCH(QString, line);
    QFETCH(bool, concerns);
    QCOMPARE(PactlEventConcernsOutput(line), concerns);
}

void SoundOutputTest::problemsText_data() {
    QTest::addColumn<QList<SoundProblem>>("problems");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QList<SoundProblem>{} << QString();
    QTest::newRow("one") << QList<SoundProblem>{{"/s/x.wav", "不是可识别的声音文件"}}
                         << "无法播放声音文件“/s/x.wav”：不是可识别的声音文件";
    QTest::newRow("two") << QList<SoundProblem>{{"/s/x.wav", "文件是空的"},
                                                {"/s/y.mp3", "Could not detect type of contents"}}
                         << "以下 2 个声音文件无法播放：\n"
                            "无法播放声音文件“/s/x.wav”：文件是空的\n"
                            "无法播放声音文件“/s/y.mp3”：Could not detect type of contents";
}

void SoundOutputTest::problemsText() {
    QFETCH(QList<SoundProblem>, problems);
    QFETCH(QString, text);
    QCOMPARE(SoundProblemsText(problems), text);
}

void SoundOutputTest::outputStateText_data() {
    QTest::addColumn<OutputState>("state");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("ok") << OutputState::Ok << "Speakers" << QString();
    QTest::newRow("missing") << OutputState::Missing << ""
                             << "没有声音输出设备，提示音听不到";
    QTest::newRow("muted") << OutputState::Muted << "HDMI"
                           << "声音输出“HDMI”已静音（或音量为 0），提示音听不到";
}

void SoundOutputTest::outputStateText() {
    QFETCH(OutputState, state);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(OutputStateText(state, name), text);
}

QTEST_GUILESS_MAIN(SoundOutputTest)
#include "unit_sound_output.moc"
