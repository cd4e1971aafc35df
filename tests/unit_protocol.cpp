// The site link's topics and payloads without a broker: each payload's round trip, the office's
// and the rooms' examples read as written, malformed, oversized, wrongly typed and foreign
// messages refused with a reason, ten thousand mutated payloads read without a crash, and the
// clock probe's offset.
#include <QRandomGenerator>
#include <QtTest>

#include "site/Protocol.h"

namespace {

qint64 At(const char* iso) {
    return *ParseInstant(QString::fromLatin1(iso));
}

Anchor SampleAnchor() {
    Anchor a;
    a.phase = CountPhase::Main;
    a.duration = 9000;
    a.value = 5400;
    a.atMs = At("2026-12-10T10:30:00.000+08:00");
    a.session = QStringLiteral("d1-yuwen");
    return a;
}

Reported SampleReport() {
    Reported r;
    r.atMs = At("2026-12-10T10:30:05.120+08:00");
    r.room = QStringLiteral("A101");
    r.source = CountSource::Plan;
    r.appliedRev = 12;
    r.anchor = SampleAnchor();
    r.shown = QStringLiteral("01∶29∶55");
    r.alert = 1;
    r.title = QStringLiteral("语文");
    r.clockSynced = true;
    r.clockOffsetMs = -3;
    r.output = OutputHealth::Muted;
    r.lastPrompt =
        Reported::Prompt{QStringLiteral("Ksksly.wav"), true, At("2026-12-10T09:00:00.010+08:00")};
    r.screen = {QStringLiteral("HDMI-1"), 1920, 1080, true};
    r.version = QStringLiteral("2.1.0");
    r.host = QStringLiteral("exam-a101");
    return r;
}

}  // namespace

class ProtocolTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void topics_data();
    void topics();
    void roundTrips();
    void documentedExamples();
    void refused_data();
    void refused();
    void mutatedPayloads();
    void probe();
};

void ProtocolTest::topics_data() {
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("room");
    QTest::addColumn<QString>("leaf");  // empty: refused
    QTest::newRow("plan") << "kvtmr/v1/s1/plan"
                          << ""
                          << "plan";
    QTest::newRow("office presence") << "kvtmr/v1/s1/office/presence"
                                     << ""
                                     << "office/presence";
    QTest::newRow("a room's report") << "kvtmr/v1/s1/room/A101/reported"
                                     << "A101"
                                     << "reported";
    QTest::newRow("a room's probe answer") << "kvtmr/v1/s1/room/A101/tpong"
                                           << "A101"
                                           << "tpong";
    QTest::newRow("another site") << "kvtmr/v1/s2/plan"
                                  << ""
                                  << "";
    QTest::newRow("another version") << "kvtmr/v2/s1/plan"
                                     << ""
                                     << "";
    QTest::newRow("an unknown leaf") << "kvtmr/v1/s1/room/A101/secret"
                                     << ""
                                     << "";
    QTest::newRow("a room id with a dot") << "kvtmr/v1/s1/room/A.1/reported"
                                          << ""
                                          << "";
    QTest::newRow("deeper") << "kvtmr/v1/s1/room/A101/reported/x"
                            << ""
                            << "";
    QTest::newRow("the room level empty") << "kvtmr/v1/s1/room//reported"
                                          << ""
                                          << "";
}

void ProtocolTest::topics() {
    QFETCH(QString, topic);
    QFETCH(QString, room);
    QFETCH(QString, leaf);
    const auto parts = ParseTopic(QStringLiteral("s1"), topic);
    QCOMPARE(bool(parts), !leaf.isEmpty());
    if (parts) {
        QCOMPARE(parts->room, room);
        QCOMPARE(parts->leaf, leaf);
    }
    QCOMPARE(RoomTopic(QStringLiteral("s1"), QStringLiteral("A101"), QStringLiteral("desired")),
             QStringLiteral("kvtmr/v1/s1/room/A101/desired"));
}

void ProtocolTest::roundTrips() {
    const Reported r = SampleReport();
    QCOMPARE(DecodeReported(EncodeReported(r)), r);
    Reported bare = r;
    bare.clockOffsetMs.reset();
    bare.lastPrompt.reset();
    QCOMPARE(DecodeReported(EncodeReported(bare)), bare);

    const Desired d{12, QStringLiteral("office1"), QStringLiteral("停电10分钟"), SampleAnchor()};
    QCOMPARE(DecodeDesired(EncodeDesired(d)), d);
    for (auto kind : {Command::Kind::SoundTest, Command::Kind::Identify, Command::Kind::ShowText}) {
        const Command c{QStringLiteral("c-7"), kind,
                        kind == Command::Kind::ShowText ? QStringLiteral("请停笔") : QString(),
                        QStringLiteral("office1")};
        QCOMPARE(DecodeCommand(EncodeCommand(c)), c);
    }
    const Ack a{DesiredAckId(12), false, QStringLiteral("晚到：按10:12:00补应用")};
    QCOMPARE(DecodeAck(EncodeAck(a)), a);
    RoomEvent e{At("2026-12-10T10:12:00.500+08:00"), QStringLiteral("A101"),
                RoomEvent::Kind::LateApply, QStringLiteral("按10:12:00补应用"), SampleAnchor()};
    QCOMPARE(DecodeEvent(EncodeEvent(e)), e);
    e.anchor.reset();
    e.kind = RoomEvent::Kind::ClockStepped;
    QCOMPARE(DecodeEvent(EncodeEvent(e)), e);
    const Probe p{3, At("2026-12-10T10:00:00.000+08:00"), At("2026-12-10T10:00:00.120+08:00"),
                  At("2026-12-10T10:00:00.121+08:00")};
    QCOMPARE(DecodePong(EncodePong(p)), p);
    QCOMPARE(DecodePing(EncodePing(p))->t0, p.t0);
    QCOMPARE(DecodePresence(EncodePresence(Presence::Offline)), Presence::Offline);
    QCOMPARE(DecodePresence("gone"), std::nullopt);
}

void ProtocolTest::documentedExamples() {
    // As another program (the office's, a test client) writes them.
    const auto d = DecodeDesired(
        R"({"v":1, "rev":12, "by":"office1", "why":"停电10分钟", "anchor":{"phase":"main",
            "countUp":false, "duration":9000, "value":5400, "at":"2026-12-10T10:30:00.000+08:00",
            "paused":false, "session":"d1-yuwen"}})");
    QVERIFY(d);
    QCOMPARE(d->anchor, SampleAnchor());
    const auto r = DecodeReported(
        R"({"v":1, "at":"2026-12-10T10:30:05.120+08:00", "room":"A101", "source":"office",
            "appliedRev":12, "anchor":{"phase":"main", "countUp":false, "duration":9000,
            "value":5400, "at":"2026-12-10T10:30:00.000+08:00", "paused":false,
            "session":"d1-yuwen"}, "shown":"01∶30∶00", "alert":1, "title":"语文",
            "clock":{"synced":true, "offsetMs":-3},
            "audio":{"output":"ok", "lastPrompt":{"file":"Ksksly.wav","ok":true,
                     "at":"2026-12-10T09:00:00.000+08:00"}},
            "screen":{"name":"HDMI-1", "width":1920, "height":1080, "full":true},
            "app":{"version":"2.1.0", "host":"exam-a101"}, "future":"ignored"})");
    QVERIFY(r);
    QCOMPARE(r->source, CountSource::Office);
    QCOMPARE(r->clockOffsetMs, -3);
    QCOMPARE(r->screen.width, 1920);
}

void ProtocolTest::refused_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("kind");
    const QByteArray anchor =
        R"("anchor":{"phase":"main","countUp":false,"duration":60,"value":30,"at":"2026-12-10T10:30:00.000+08:00"})";
    QTest::newRow("not JSON") << QByteArray("{") << "desired";
    QTest::newRow("an array") << QByteArray("[1]") << "desired";
    QTest::newRow("version 2") << QByteArray(R"({"v":2,"rev":1,)" + anchor + "}") << "desired";
    QTest::newRow("no version") << QByteArray(R"({"rev":1,)" + anchor + "}") << "desired";
    QTest::newRow("rev 0") << QByteArray(R"({"v":1,"rev":0,)" + anchor + "}") << "desired";
    QTest::newRow("rev a text") << QByteArray(R"({"v":1,"rev":"3",)" + anchor + "}") << "desired";
    QTest::newRow("rev a fraction")
        << QByteArray(R"({"v":1,"rev":3.5,)" + anchor + "}") << "desired";
    QTest::newRow("no anchor") << QByteArray(R"({"v":1,"rev":3})") << "desired";
    QTest::newRow("an unknown phase")
        << QByteArray(R"({"v":1,"rev":3,)" + QByteArray(anchor).replace("main", "lunch") + "}")
        << "desired";
    QTest::newRow("a value beyond the duration")
        << QByteArray(R"({"v":1,"rev":3,)" +
                      QByteArray(anchor).replace("\"value\":30", "\"value\":61") + "}")
        << "desired";
    QTest::newRow("a negative duration")
        << QByteArray(R"({"v":1,"rev":3,)" +
                      QByteArray(anchor).replace("\"duration\":60", "\"duration\":-1") + "}")
        << "desired";
    QTest::newRow("an instant without its zone")
        << QByteArray(R"({"v":1,"rev":3,)" + QByteArray(anchor).replace("+08:00", "") + "}")
        << "desired";
    QTest::newRow("oversized") << QByteArray(R"({"v":1,"rev":3,"why":")" + QByteArray(70000, 'x') +
                                             R"(",)" + anchor + "}")
                               << "desired";
    QTest::newRow("an unknown order")
        << QByteArray(R"({"v":1,"id":"1","cmd":"format-disk"})") << "cmd";
    QTest::newRow("an order without id") << QByteArray(R"({"v":1,"cmd":"identify"})") << "cmd";
    QTest::newRow("show-text without text")
        << QByteArray(R"({"v":1,"id":"1","cmd":"show-text"})") << "cmd";
    QTest::newRow("show-text too long")
        << QByteArray(R"({"v":1,"id":"1","cmd":"show-text","text":")" + QByteArray(300, 'a') +
                      "\"}")
        << "cmd";
    QTest::newRow("a report of a foreign room id")
        << QByteArray(
               R"({"v":1,"at":"2026-12-10T10:30:00.000+08:00","room":"../x","source":"local",)" +
               anchor + R"(,"shown":"x","alert":1})")
        << "reported";
    QTest::newRow("a report with alert 5")
        << QByteArray(
               R"({"v":1,"at":"2026-12-10T10:30:00.000+08:00","room":"A1","source":"local",)" +
               anchor + R"(,"shown":"x","alert":5})")
        << "reported";
    QTest::newRow("a report with a bad output")
        << QByteArray(
               R"({"v":1,"at":"2026-12-10T10:30:00.000+08:00","room":"A1","source":"local",)" +
               anchor + R"(,"shown":"x","alert":1,"audio":{"output":"loud"}})")
        << "reported";
    QTest::newRow("a pong answered before it was asked")
        << QByteArray(
               R"({"v":1,"id":1,"t0":"2026-12-10T10:30:00.000+08:00","t1":"2026-12-10T10:30:00.100+08:00","t2":"2026-12-10T10:30:00.000+08:00"})")
        << "tpong";
}

void ProtocolTest::refused() {
    QFETCH(QByteArray, payload);
    QFETCH(QString, kind);
    QString why;
    bool read = false;
    if (kind == QLatin1String("desired")) read = bool(DecodeDesired(payload, &why));
    if (kind == QLatin1String("cmd")) read = bool(DecodeCommand(payload, &why));
    if (kind == QLatin1String("reported")) read = bool(DecodeReported(payload, &why));
    if (kind == QLatin1String("tpong")) read = bool(DecodePong(payload, &why));
    QVERIFY(!read);
    QVERIFY(!why.isEmpty());
}

// Valid payloads with bytes flipped, cut, doubled and spliced: each either reads as a whole
// payload whose fields are in range, or is refused; none crashes.
void ProtocolTest::mutatedPayloads() {
    const QList<QByteArray> seeds = {
        EncodeReported(SampleReport()),
        EncodeDesired({12, QStringLiteral("office1"), QStringLiteral("why"), SampleAnchor()}),
        EncodeCommand(
            {QStringLiteral("c1"), Command::Kind::ShowText, QStringLiteral("请停笔"), {}}),
        EncodeEvent({At("2026-12-10T10:12:00.000+08:00"),
                     QStringLiteral("A1"),
                     RoomEvent::Kind::TimeUp,
                     {},
                     SampleAnchor()}),
        EncodePong({1, 1, 2, 3}),
    };
    QRandomGenerator rng(20261210);
    int read = 0;
    for (int i = 0; i < 10000; ++i) {
        QByteArray p = seeds[i % seeds.size()];
        const int edits = 1 + int(rng.bounded(4));
        for (int k = 0; k < edits && !p.isEmpty(); ++k) {
            const int at = int(rng.bounded(p.size()));
            switch (rng.bounded(5)) {
                case 0:
                    p[at] = char(rng.bounded(256));
                    break;
                case 1:
                    p.truncate(at);
                    break;
                case 2:
                    p.insert(at, p.mid(at, int(rng.bounded(40))));
                    break;
                case 3:
                    p.insert(at, "\"value\":-99999999999,");
                    break;
                default:
                    p.remove(at, int(rng.bounded(8)));
                    break;
            }
        }
        if (const auto r = DecodeReported(p)) {
            ++read;
            QVERIFY(r->anchor.value >= 0 && r->anchor.value <= r->anchor.duration);
            QVERIFY(r->anchor.duration <= kMaxCountSeconds);
            QVERIFY(ValidRoomId(r->room));
        }
        if (const auto d = DecodeDesired(p)) {
            ++read;
            QVERIFY(d->rev >= 1);
            QVERIFY(d->anchor.value <= d->anchor.duration);
        }
        if (DecodeCommand(p)) ++read;
        if (DecodeEvent(p)) ++read;
        if (DecodePong(p)) ++read;
    }
    // Some mutations leave a payload whole (a changed letter in a title): both ways were taken.
    QVERIFY(read > 0 && read < 10000);
}

void ProtocolTest::probe() {
    // The office's clock is 500 ms ahead; the message takes 20 ms each way, the office answers
    // after 1 ms.
    const qint64 t0 = 1'000'000;
    const Probe answer{1, t0, t0 + 20 + 500, t0 + 21 + 500};
    const ProbeResult r = ProbeOffset(answer, t0 + 41);
    QCOMPARE(r.offsetMs, 500);
    QCOMPARE(r.rttMs, 40);
}

QTEST_APPLESS_MAIN(ProtocolTest)
#include "unit_protocol.moc"
