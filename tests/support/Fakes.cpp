#include "Fakes.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include "core/Errors.h"

// ---- FakeTimeSource -------------------------------------------------------------------------

FakeTimeSource::FakeTimeSource(const QDateTime& start) : wallAtZero_(start) {}

QDateTime FakeTimeSource::now() const {
    return wallAtZero_.addMSecs(mono_);
}

quint64 FakeTimeSource::callAt(qint64 dueMs, Callback cb) {
    const quint64 id = ++lastId_;
    calls_.emplace(std::make_pair(qMax(dueMs, mono_), id), std::move(cb));
    return id;
}

void FakeTimeSource::cancel(quint64 id) {
    for (auto it = calls_.begin(); it != calls_.end(); ++it)
        if (it->first.second == id) {
            calls_.erase(it);
            return;
        }
}

void FakeTimeSource::advance(qint64 ms) {
    const qint64 target = mono_ + ms;
    while (!calls_.empty() && calls_.begin()->first.first <= target) {
        auto it = calls_.begin();
        mono_ = qMax(mono_, it->first.first);
        Callback cb = std::move(it->second);
        calls_.erase(it);
        cb();
    }
    mono_ = target;
}

void FakeTimeSource::setNow(const QDateTime& now) {
    wallAtZero_ = now.addMSecs(-mono_);
}

void FakeTimeSource::stall(qint64 ms) {
    mono_ += ms;
}

// ---- FakeDialogs ----------------------------------------------------------------------------

void FakeDialogs::opened(const QString& kind, const QString& text) {
    OpenBox open(*this);
    log.append({kind, text, openBoxes() > 1});
    if (whileOpen) {
        // The callback may itself open a box; it runs once per box at most.
        auto cb = std::move(whileOpen);
        whileOpen = nullptr;
        cb();
    }
}

void FakeDialogs::information(const QString& text) {
    opened(QStringLiteral("information"), text);
}

bool FakeDialogs::confirm(const QString& text) {
    opened(QStringLiteral("confirm"), text);
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

bool FakeDialogs::question(const QString& text) {
    opened(QStringLiteral("question"), text);
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

int FakeDialogs::choose(const QString& text, const QStringList& buttons) {
    opened(QStringLiteral("choose"), text + QStringLiteral(" [") + buttons.join(u'/') + u']');
    if (choices.empty()) return 0;
    const int c = choices.front();
    choices.pop_front();
    return c;
}

void FakeDialogs::error(const QString& text) {
    opened(QStringLiteral("error"), text);
}

std::optional<QString> FakeDialogs::openFile(const QString& current, const QStringList& filters) {
    lastFileCurrent = current;
    lastFileFilters = filters;
    opened(QStringLiteral("openFile"), current);
    if (files.empty()) return std::nullopt;
    const QString f = files.front();
    files.pop_front();
    if (f.isNull()) return std::nullopt;
    return f;
}

std::optional<Dialogs::SaveChoice> FakeDialogs::saveFile(const QString& current,
                                                         const QStringList& filters) {
    lastFileCurrent = current;
    lastFileFilters = filters;
    opened(QStringLiteral("saveFile"), current);
    if (saves.empty()) return std::nullopt;
    auto s = saves.front();
    saves.pop_front();
    return s;
}

std::optional<FontChoice> FakeDialogs::chooseFont(const FontChoice& current) {
    lastFontCurrent = current;
    opened(QStringLiteral("font"), current.font.family());
    if (fonts.empty()) return std::nullopt;
    auto f = fonts.front();
    fonts.pop_front();
    return f;
}

std::optional<TColor> FakeDialogs::chooseColor(TColor current) {
    lastColorCurrent = current;
    opened(QStringLiteral("color"), QString::number(current));
    if (colors.empty()) return std::nullopt;
    auto c = colors.front();
    colors.pop_front();
    return c;
}

QStringList FakeDialogs::texts(const QString& kind) const {
    QStringList out;
    for (const Shown& s : log)
        if (s.kind == kind) out << s.text;
    return out;
}

// ---- FakeAudioPlayer ------------------------------------------------------------------------

void FakeAudioPlayer::setFileName(const QString& path) {
    fileName_ = path;
    calls << QStringLiteral("setFileName ") + path;
}

void FakeAudioPlayer::close() {
    calls << QStringLiteral("close");
    open_ = false;
    state_ = PlayerState::Stopped;
}

void FakeAudioPlayer::open() {
    calls << QStringLiteral("open");
    if (!failNextOpen.isEmpty()) {
        const QString text = failNextOpen;
        failNextOpen.clear();
        throw PlayerError(text);
    }
    const auto bad = unplayable.constFind(QFileInfo(fileName_).fileName());
    if (bad != unplayable.constEnd()) throw PlayerError(*bad);
    open_ = true;
    openFile_ = fileName_;
    state_ = PlayerState::Stopped;
}

void FakeAudioPlayer::play() {
    calls << QStringLiteral("play");
    if (!open_) return;
    state_ = PlayerState::Playing;
    played << QFileInfo(openFile_).fileName();
}

void FakeAudioPlayer::stop() {
    calls << QStringLiteral("stop");
    if (state_ == PlayerState::Playing) state_ = PlayerState::Stopped;
}

PlayerState FakeAudioPlayer::state() const {
    if (onState) onState();
    return state_;
}

void FakeAudioPlayer::finish() {
    if (state_ == PlayerState::Playing) state_ = PlayerState::Stopped;
}

// ---- FakeScreens ----------------------------------------------------------------------------

ScreenInfo MakeScreen(const QString& name, const QRect& geometry, bool primary) {
    ScreenInfo s;
    s.name = name;
    s.model = name + QStringLiteral(" model");
    s.serial = name + QStringLiteral("-0001");
    s.geometry = geometry;
    s.available = geometry;
    s.primary = primary;
    return s;
}

FakeScreens::FakeScreens() {
    list_ << MakeScreen(QStringLiteral("DP-1"), QRect(0, 0, 1024, 768), true);
}

ScreenInfo FakeScreens::screenOf(const QWidget* window) const {
    if (window) {
        const QPoint centre = window->frameGeometry().center();
        for (const ScreenInfo& s : list_)
            if (s.geometry.contains(centre)) return s;
    }
    return ScreenOrPrimary(list_, ScreenInfo());
}

void FakeScreens::fill(QWidget* window, const ScreenInfo& screen) {
    filled << screen;
    filledWindows << window->objectName();
    window->setGeometry(screen.available);
}

std::optional<ScreenInfo> FakeScreens::lastFillOf(const QString& window) const {
    for (qsizetype i = filled.size() - 1; i >= 0; --i)
        if (filledWindows[i] == window) return filled[i];
    return std::nullopt;
}

void FakeScreens::set(const QList<ScreenInfo>& screens) {
    list_ = screens;
    Q_EMIT changed();
}

void FakeAudioPlayer::failLater(const QString& text) {
    calls << QStringLiteral("failLater");
    state_ = PlayerState::Stopped;
    if (OnError) OnError(text);
}

// ---- FakeSoundOutput ------------------------------------------------------------------------

QList<SoundProblem> FakeSoundOutput::problemsOf(const QStringList& paths) const {
    QList<SoundProblem> out;
    for (const QString& p : paths) {
        auto it = problems.find(p);
        if (it != problems.end()) out.append({p, it->second});
    }
    return out;
}

void FakeSoundOutput::checkFiles(const QStringList& paths,
                                 std::function<void(const QList<SoundProblem>&)> done) {
    checked << paths;
    if (answerAtOnce) {
        if (done) done(problemsOf(paths));
    } else {
        waiting_.emplace_back(paths, std::move(done));
    }
}

void FakeSoundOutput::answer() {
    while (!waiting_.empty()) {
        auto [paths, done] = std::move(waiting_.front());
        waiting_.pop_front();
        if (done) done(problemsOf(paths));
    }
}

void FakeSoundOutput::setOutput(OutputState newState, const QString& newName) {
    state = newState;
    name = newName;
    if (OnOutputChanged) OnOutputChanged();
}

// ---- FakePlatform ---------------------------------------------------------------------------

FakePlatform::FakePlatform() {
    location.dir = settingsDir.path();
    location.runtimeDir = runtimeDir.path();
    platform_.time = &time;
    platform_.dialogs = &dialogs;
    platform_.player1 = &player1;
    platform_.player2 = &player2;
    platform_.output = &output;
    platform_.launcher = &launcher;
    platform_.session = &session;
    platform_.location = &location;
    platform_.inhibitor = &inhibitor;
    platform_.screens = &screens;
    platform_.log = &log;
    platform_.siteLink = &siteLink;
    platform_.linkTester = &linkTester;
    platform_.clockStatus = &clockStatus;
}

void FakeSessionLog::append(const QDateTime& when, const QString& event) {
    lines << SessionLogLine(when, event);
}

QStringList FakeSessionLog::events() const {
    QStringList out;
    for (const QString& line : lines)
        out << line.mid(21);  // "yyyy-MM-dd HH:mm:ss  "
    return out;
}

QString FakePlatform::settingsPath() const {
    return QDir(location.dir).filePath(QStringLiteral("kvtmr201.ini"));
}

// ---- FakeSiteLink -----------------------------------------------------------------------------

void FakeSiteLink::open(const LinkSettings& settings) {
    opened << settings;
    setState(LinkState::Connecting,
             QStringLiteral("正在连接 %1:%2").arg(settings.host).arg(settings.port));
    if (connectOnOpen) setState(LinkState::Connected, QStringLiteral("已连接"));
}

void FakeSiteLink::close() {
    ++closes;
    setState(LinkState::Off, QStringLiteral("未连接"));
}

void FakeSiteLink::subscribe(const QString& filter) {
    if (!filter.isEmpty() && !subscriptions.contains(filter)) subscriptions << filter;
}

void FakeSiteLink::publish(const QString& topic, const QByteArray& payload, bool retain,
                           int expirySeconds) {
    const Published p{topic, payload, retain, expirySeconds};
    if (state_ == LinkState::Connected)
        published << p;
    else
        dropped << p;
}

void FakeSiteLink::setState(LinkState state, const QString& why) {
    if (state == state_ && why == why_) return;
    state_ = state;
    why_ = why;
    Q_EMIT stateChanged(state, why);
}

void FakeSiteLink::deliver(const QString& topic, const QByteArray& payload, bool retained) {
    Q_EMIT received(topic, payload, retained);
}

bool FakeSiteLink::subscribedTo(const QString& topic) const {
    for (const QString& f : subscriptions)
        if (TopicMatches(f, topic)) return true;
    return false;
}

QList<QByteArray> FakeSiteLink::payloadsOn(const QString& topic) const {
    QList<QByteArray> out;
    for (const Published& p : published)
        if (p.topic == topic) out << p.payload;
    return out;
}

bool TopicMatches(const QString& filter, const QString& topic) {
    const QStringList f = filter.split(u'/');
    const QStringList t = topic.split(u'/');
    for (qsizetype i = 0; i < f.size(); ++i) {
        if (f[i] == QLatin1String("#")) return true;
        if (i >= t.size()) return false;
        if (f[i] != QLatin1String("+") && f[i] != t[i]) return false;
    }
    return f.size() == t.size();
}

// ---- FakeLinkTester ---------------------------------------------------------------------------

void FakeLinkTester::test(const LinkSettings& settings, QObject* context,
                          std::function<void(bool ok, QString message)> done) {
    asked << settings;
    waiting_.push_back({context, context != nullptr, std::move(done)});
}

void FakeLinkTester::answer(bool ok, const QString& message) {
    if (waiting_.empty()) return;
    Waiting w = std::move(waiting_.front());
    waiting_.pop_front();
    if (w.hasContext && !w.context) return;
    if (w.done) w.done(ok, message);
}

// ---- FakeClockStatus --------------------------------------------------------------------------

void FakeClockStatus::set(ClockSync sync) {
    if (sync == sync_) return;
    sync_ = sync;
    Q_EMIT changed(sync);
}
