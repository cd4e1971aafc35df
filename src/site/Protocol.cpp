#include "site/Protocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QString kPrefix = QStringLiteral("kvtmr/v1/");

// The fields of a JSON object read one by one; the first that does not read says why.
class Fields {
  public:
    Fields(const QJsonObject& o, QString* error) : o_(o), error_(error) {}
    bool ok() const { return ok_; }

    QString text(const char* key, int maxChars, bool required = true) {
        const QJsonValue v = o_.value(QLatin1String(key));
        if (v.isUndefined() && !required) return {};
        if (!v.isString() || v.toString().size() > maxChars) return fail(key), QString();
        return v.toString();
    }
    qint64 number(const char* key, qint64 lo, qint64 hi, bool required = true, qint64 absent = 0) {
        const QJsonValue v = o_.value(QLatin1String(key));
        if (v.isUndefined() && !required) return absent;
        const double d = v.toDouble();
        if (!v.isDouble() || d != double(qint64(d)) || d < double(lo) || d > double(hi))
            return fail(key), 0;
        return qint64(d);
    }
    bool flag(const char* key, bool required = true, bool absent = false) {
        const QJsonValue v = o_.value(QLatin1String(key));
        if (v.isUndefined() && !required) return absent;
        if (!v.isBool()) return fail(key), false;
        return v.toBool();
    }
    qint64 instant(const char* key, bool required = true) {
        const QJsonValue v = o_.value(QLatin1String(key));
        if (v.isUndefined() && !required) return 0;
        const auto t = v.isString() ? ParseInstant(v.toString()) : std::nullopt;
        if (!t) return fail(key), 0;
        return *t;
    }
    QJsonObject object(const char* key, bool required = true) {
        const QJsonValue v = o_.value(QLatin1String(key));
        if (v.isUndefined() && !required) return {};
        if (!v.isObject()) return fail(key), QJsonObject();
        return v.toObject();
    }
    bool has(const char* key) const { return o_.contains(QLatin1String(key)); }
    void fail(const char* key) {
        if (ok_ && error_) *error_ = QStringLiteral("字段“%1”缺少或不正确").arg(QLatin1String(key));
        ok_ = false;
    }
    void failWith(const QString& why) {
        if (ok_ && error_) *error_ = why;
        ok_ = false;
    }

  private:
    QJsonObject o_;
    QString* error_;
    bool ok_ = true;
};

// The payload as a JSON object of version 1.
std::optional<QJsonObject> Payload(const QByteArray& payload, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    if (payload.size() > kMaxPayloadBytes) return fail(QStringLiteral("消息超过64 KB"));
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &e);
    if (e.error != QJsonParseError::NoError || !doc.isObject())
        return fail(QStringLiteral("消息不是JSON对象"));
    const QJsonValue v = doc.object().value(QStringLiteral("v"));
    if (!v.isDouble() || v.toDouble() != 1.0) return fail(QStringLiteral("消息版本不是1"));
    return doc.object();
}

QByteArray Compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject AnchorObject(const Anchor& a) {
    QJsonObject o;
    o.insert(QStringLiteral("phase"), PhaseName(a.phase));
    o.insert(QStringLiteral("countUp"), a.countUp);
    o.insert(QStringLiteral("duration"), a.duration);
    o.insert(QStringLiteral("value"), a.value);
    o.insert(QStringLiteral("at"), InstantText(a.atMs));
    o.insert(QStringLiteral("paused"), a.paused);
    if (!a.session.isEmpty()) o.insert(QStringLiteral("session"), a.session);
    return o;
}

std::optional<Anchor> ReadAnchor(const QJsonObject& o, QString* error) {
    Fields f(o, error);
    Anchor a;
    const auto phase = PhaseFromName(f.text("phase", 16));
    if (!phase) f.fail("phase");
    a.countUp = f.flag("countUp");
    a.duration = int(f.number("duration", 0, kMaxCountSeconds));
    a.value = int(f.number("value", 0, kMaxCountSeconds));
    a.atMs = f.instant("at");
    a.paused = f.flag("paused", false);
    a.session = f.text("session", 64, false);
    if (f.ok() && a.value > a.duration) f.failWith(QStringLiteral("计时值超过时长"));
    if (!f.ok()) return std::nullopt;
    a.phase = *phase;
    return a;
}

template <typename E, size_t N>
std::optional<E> ByName(const QString& name, const std::pair<E, const char*> (&table)[N]) {
    for (const auto& [e, n] : table)
        if (name == QLatin1String(n)) return e;
    return std::nullopt;
}
template <typename E, size_t N>
QString NameOf(E e, const std::pair<E, const char*> (&table)[N]) {
    for (const auto& [k, n] : table)
        if (k == e) return QString::fromLatin1(n);
    return {};
}

constexpr std::pair<CountSource, const char*> kSources[] = {
    {CountSource::Plan, "plan"}, {CountSource::Office, "office"}, {CountSource::Local, "local"}};
constexpr std::pair<OutputHealth, const char*> kOutputs[] = {
    {OutputHealth::Ok, "ok"}, {OutputHealth::Missing, "missing"}, {OutputHealth::Muted, "muted"}};
constexpr std::pair<Command::Kind, const char*> kCommands[] = {
    {Command::Kind::SoundTest, "sound-test"},
    {Command::Kind::Identify, "identify"},
    {Command::Kind::ShowText, "show-text"}};
constexpr std::pair<RoomEvent::Kind, const char*> kEvents[] = {
    {RoomEvent::Kind::Warning, "warning"},
    {RoomEvent::Kind::TimeUp, "time-up"},
    {RoomEvent::Kind::PromptFailed, "prompt-failed"},
    {RoomEvent::Kind::LocalOverride, "local-override"},
    {RoomEvent::Kind::ScreenLost, "screen-lost"},
    {RoomEvent::Kind::ClockStepped, "clock-stepped"},
    {RoomEvent::Kind::LateApply, "late-apply"}};

constexpr qint64 kMaxInt = 2147483647;

}  // namespace

bool ValidSiteId(const QString& id) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_-]{1,32}$"));
    return re.match(id).hasMatch();
}

bool ValidRoomId(const QString& id) {
    return ValidSiteId(id);
}

QString SiteTopic(const QString& site, const QString& rest) {
    return kPrefix + site + QLatin1Char('/') + rest;
}

QString RoomTopic(const QString& site, const QString& room, const QString& rest) {
    return SiteTopic(site, QStringLiteral("room/%1/%2").arg(room, rest));
}

std::optional<TopicParts> ParseTopic(const QString& site, const QString& topic) {
    const QString head = kPrefix + site + QLatin1Char('/');
    if (!topic.startsWith(head)) return std::nullopt;
    const QStringList parts = topic.mid(head.size()).split(u'/');
    if (parts.size() == 1 && parts[0] == QLatin1String("plan")) return TopicParts{{}, parts[0]};
    if (parts.size() == 2 && parts[0] == QLatin1String("office") &&
        parts[1] == QLatin1String("presence"))
        return TopicParts{{}, QStringLiteral("office/presence")};
    static const QStringList leaves = {QStringLiteral("presence"), QStringLiteral("reported"),
                                       QStringLiteral("desired"),  QStringLiteral("cmd"),
                                       QStringLiteral("ack"),      QStringLiteral("event"),
                                       QStringLiteral("tping"),    QStringLiteral("tpong")};
    if (parts.size() == 3 && parts[0] == QLatin1String("room") && ValidRoomId(parts[1]) &&
        leaves.contains(parts[2]))
        return TopicParts{parts[1], parts[2]};
    return std::nullopt;
}

QByteArray EncodePresence(Presence p) {
    return p == Presence::Online ? QByteArray("online") : QByteArray("offline");
}

std::optional<Presence> DecodePresence(const QByteArray& payload) {
    if (payload == "online") return Presence::Online;
    if (payload == "offline") return Presence::Offline;
    return std::nullopt;
}

QByteArray EncodeAnchorJson(const Anchor& a) {
    return Compact(AnchorObject(a));
}

QString SourceName(CountSource s) {
    return NameOf(s, kSources);
}
std::optional<CountSource> SourceFromName(const QString& name) {
    return ByName(name, kSources);
}
QString OutputHealthName(OutputHealth o) {
    return NameOf(o, kOutputs);
}
QString CommandName(Command::Kind k) {
    return NameOf(k, kCommands);
}
QString EventName(RoomEvent::Kind k) {
    return NameOf(k, kEvents);
}

// ---- reported -------------------------------------------------------------------------------

bool Reported::operator==(const Reported& o) const {
    auto prompt = [](const std::optional<Prompt>& p) {
        return p ? std::tuple(true, p->file, p->ok, p->atMs)
                 : std::tuple(false, QString(), false, qint64(0));
    };
    return atMs == o.atMs && room == o.room && source == o.source && appliedRev == o.appliedRev &&
           anchor == o.anchor && shown == o.shown && alert == o.alert && title == o.title &&
           clockSynced == o.clockSynced && clockOffsetMs == o.clockOffsetMs && output == o.output &&
           prompt(lastPrompt) == prompt(o.lastPrompt) && screen.name == o.screen.name &&
           screen.width == o.screen.width && screen.height == o.screen.height &&
           screen.full == o.screen.full && version == o.version && host == o.host;
}

QByteArray EncodeReported(const Reported& r) {
    QJsonObject o;
    o.insert(QStringLiteral("v"), 1);
    o.insert(QStringLiteral("at"), InstantText(r.atMs));
    o.insert(QStringLiteral("room"), r.room);
    o.insert(QStringLiteral("source"), SourceName(r.source));
    o.insert(QStringLiteral("appliedRev"), r.appliedRev);
    o.insert(QStringLiteral("anchor"), AnchorObject(r.anchor));
    o.insert(QStringLiteral("shown"), r.shown);
    o.insert(QStringLiteral("alert"), r.alert);
    o.insert(QStringLiteral("title"), r.title);
    QJsonObject clock;
    clock.insert(QStringLiteral("synced"), r.clockSynced);
    if (r.clockOffsetMs) clock.insert(QStringLiteral("offsetMs"), *r.clockOffsetMs);
    o.insert(QStringLiteral("clock"), clock);
    QJsonObject audio;
    audio.insert(QStringLiteral("output"), OutputHealthName(r.output));
    if (r.lastPrompt) {
        QJsonObject p;
        p.insert(QStringLiteral("file"), r.lastPrompt->file);
        p.insert(QStringLiteral("ok"), r.lastPrompt->ok);
        p.insert(QStringLiteral("at"), InstantText(r.lastPrompt->atMs));
        audio.insert(QStringLiteral("lastPrompt"), p);
    }
    o.insert(QStringLiteral("audio"), audio);
    QJsonObject screen;
    screen.insert(QStringLiteral("name"), r.screen.name);
    screen.insert(QStringLiteral("width"), r.screen.width);
    screen.insert(QStringLiteral("height"), r.screen.height);
    screen.insert(QStringLiteral("full"), r.screen.full);
    o.insert(QStringLiteral("screen"), screen);
    QJsonObject app;
    app.insert(QStringLiteral("version"), r.version);
    app.insert(QStringLiteral("host"), r.host);
    o.insert(QStringLiteral("app"), app);
    return Compact(o);
}

std::optional<Reported> DecodeReported(const QByteArray& payload, QString* error) {
    const auto o = Payload(payload, error);
    if (!o) return std::nullopt;
    Fields f(*o, error);
    Reported r;
    r.atMs = f.instant("at");
    r.room = f.text("room", 32);
    if (f.ok() && !ValidRoomId(r.room)) f.fail("room");
    const auto source = SourceFromName(f.text("source", 16));
    if (f.ok() && !source) f.fail("source");
    r.appliedRev = int(f.number("appliedRev", 0, kMaxInt, false));
    const QJsonObject anchor = f.object("anchor");
    r.shown = f.text("shown", 32);
    r.alert = int(f.number("alert", 0, 2));
    r.title = f.text("title", 200, false);
    const QJsonObject clock = f.object("clock", false);
    const QJsonObject audio = f.object("audio", false);
    const QJsonObject screen = f.object("screen", false);
    const QJsonObject app = f.object("app", false);
    if (!f.ok()) return std::nullopt;
    r.source = *source;
    const auto a = ReadAnchor(anchor, error);
    if (!a) return std::nullopt;
    r.anchor = *a;

    Fields c(clock, error);
    r.clockSynced = c.flag("synced", false);
    if (c.has("offsetMs")) r.clockOffsetMs = int(c.number("offsetMs", -86'400'000, 86'400'000));
    Fields au(audio, error);
    const QString output = au.text("output", 16, false);
    if (!output.isEmpty()) {
        const auto health = ByName(output, kOutputs);
        if (!health)
            au.fail("output");
        else
            r.output = *health;
    }
    const QJsonObject prompt = au.object("lastPrompt", false);
    Fields sc(screen, error);
    r.screen.name = sc.text("name", 64, false);
    r.screen.width = int(sc.number("width", 0, 100000, false));
    r.screen.height = int(sc.number("height", 0, 100000, false));
    r.screen.full = sc.flag("full", false);
    Fields ap(app, error);
    r.version = ap.text("version", 32, false);
    r.host = ap.text("host", 255, false);
    if (!c.ok() || !au.ok() || !sc.ok() || !ap.ok()) return std::nullopt;
    if (!prompt.isEmpty()) {
        Fields p(prompt, error);
        Reported::Prompt lp;
        lp.file = p.text("file", 1024);
        lp.ok = p.flag("ok");
        lp.atMs = p.instant("at", false);
        if (!p.ok()) return std::nullopt;
        r.lastPrompt = lp;
    }
    return r;
}

// ---- desired, commands, acks, events ----------------------------------------------------------

QByteArray EncodeDesired(const Desired& d) {
    QJsonObject o;
    o.insert(QStringLiteral("v"), 1);
    o.insert(QStringLiteral("rev"), d.rev);
    o.insert(QStringLiteral("by"), d.by);
    o.insert(QStringLiteral("why"), d.why);
    o.insert(QStringLiteral("anchor"), AnchorObject(d.anchor));
    return Compact(o);
}

std::optional<Desired> DecodeDesired(const QByteArray& payload, QString* error) {
    const auto o = Payload(payload, error);
    if (!o) return std::nullopt;
    Fields f(*o, error);
    Desired d;
    d.rev = int(f.number("rev", 1, kMaxInt));
    d.by = f.text("by", 64, false);
    d.why = f.text("why", 200, false);
    const QJsonObject anchor = f.object("anchor");
    if (!f.ok()) return std::nullopt;
    const auto a = ReadAnchor(anchor, error);
    if (!a) return std::nullopt;
    d.anchor = *a;
    return d;
}

QByteArray EncodeCommand(const Command& c) {
    QJsonObject o;
    o.insert(QStringLiteral("v"), 1);
    o.insert(QStringLiteral("id"), c.id);
    o.insert(QStringLiteral("cmd"), CommandName(c.kind));
    if (c.kind == Command::Kind::ShowText) o.insert(QStringLiteral("text"), c.text);
    o.insert(QStringLiteral("by"), c.by);
    return Compact(o);
}

std::optional<Command> DecodeCommand(const QByteArray& payload, QString* error) {
    const auto o = Payload(payload, error);
    if (!o) return std::nullopt;
    Fields f(*o, error);
    Command c;
    c.id = f.text("id", 64);
    if (f.ok() && c.id.isEmpty()) f.fail("id");
    const auto kind = ByName(f.text("cmd", 32), kCommands);
    if (f.ok() && !kind) f.fail("cmd");
    c.by = f.text("by", 64, false);
    if (f.ok() && *kind == Command::Kind::ShowText) c.text = f.text("text", 200);
    if (!f.ok()) return std::nullopt;
    c.kind = *kind;
    return c;
}

QString DesiredAckId(int rev) {
    return QStringLiteral("desired:%1").arg(rev);
}

QByteArray EncodeAck(const Ack& a) {
    QJsonObject o;
    o.insert(QStringLiteral("v"), 1);
    o.insert(QStringLiteral("id"), a.id);
    o.insert(QStringLiteral("ok"), a.ok);
    o.insert(QStringLiteral("detail"), a.detail);
    return Compact(o);
}

std::optional<Ack> DecodeAck(const QByteArray& payload, QString* error) {
    const auto o = Payload(payload, error);
    if (!o) return std::nullopt;
    Fields f(*o, error);
    Ack a;
    a.id = f.text("id", 64);
    a.ok = f.flag("ok");
    a.detail = f.text("detail", 500, false);
    if (!f.ok()) return std::nullopt;
    return a;
}

QByteArray EncodeEvent(const RoomEvent& e) {
    QJsonObject o;
    o.insert(QStringLiteral("v"), 1);
    o.insert(QStringLiteral("at"), InstantText(e.atMs));
    o.insert(QStringLiteral("room"), e.room);
    o.insert(QStringLiteral("kind"), EventName(e.kind));
    o.insert(QStringLiteral("detail"), e.detail);
    if (e.anchor) o.insert(QStringLiteral("anchor"), AnchorObject(*e.anchor));
    return Compact(o);
}

std::optional<RoomEvent> DecodeEvent(const QByteArray& payload, QString* error) {
    const auto o = Payload(payload, error);
    if (!o) return std::nullopt;
    Fields f(*o, error);
    RoomEvent e;
    e.atMs = f.instant("at");
    e.room = f.text("room", 32);
    if (f.ok() && !ValidRoomId(e.room)) f.fail("room");
    const auto kind = ByName(f.text("kind", 32), kEvents);
    if (f.ok() && !kind) f.fail("kind");
    e.detail = f.text("detail", 500, false);
    const QJsonObject anchor = f.object("anchor", false);
    if (!f.ok()) return std::nullopt;
    e.kind = *kind;
    if (!anchor.isEmpty()) {
        const auto a = ReadAnchor(anchor, error);
        if (!a) return std::nullopt;
        e.anchor = a;
    }
    return e;
}

// ---- the clock probe ------------------------------------------------------------------------

QByteArray EncodePing(const Probe& p) {
    QJsonObject o;
    o.insert(QStringLiteral("v"), 1);
    o.insert(QStringLiteral("id"), p.id);
    o.insert(QStringLiteral("t0"), InstantText(p.t0));
    return Compact(o);
}

QByteArray EncodePong(const Probe& p) {
    QJsonObject o;
    o.insert(QStringLiteral("v"), 1);
    o.insert(QStringLiteral("id"), p.id);
    o.insert(QStringLiteral("t0"), InstantText(p.t0));
    o.insert(QStringLiteral("t1"), InstantText(p.t1));
    o.insert(QStringLiteral("t2"), InstantText(p.t2));
    return Compact(o);
}

std::optional<Probe> DecodePing(const QByteArray& payload, QString* error) {
    const auto o = Payload(payload, error);
    if (!o) return std::nullopt;
    Fields f(*o, error);
    Probe p;
    p.id = int(f.number("id", 0, kMaxInt));
    p.t0 = f.instant("t0");
    if (!f.ok()) return std::nullopt;
    return p;
}

std::optional<Probe> DecodePong(const QByteArray& payload, QString* error) {
    const auto o = Payload(payload, error);
    if (!o) return std::nullopt;
    Fields f(*o, error);
    Probe p;
    p.id = int(f.number("id", 0, kMaxInt));
    p.t0 = f.instant("t0");
    p.t1 = f.instant("t1");
    p.t2 = f.instant("t2");
    if (f.ok() && p.t2 < p.t1) f.failWith(QStringLiteral("t2早于t1"));
    if (!f.ok()) return std::nullopt;
    return p;
}

ProbeResult ProbeOffset(const Probe& a, qint64 t3) {
    const qint64 offset = ((a.t1 - a.t0) + (a.t2 - t3)) / 2;
    const qint64 rtt = (t3 - a.t0) - (a.t2 - a.t1);
    return {offset, std::max<qint64>(0, rtt)};
}
