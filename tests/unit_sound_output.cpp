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
};

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
