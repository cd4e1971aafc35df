// Fakes of the platform services: a settable clock that runs timed callbacks when it is
// advanced, dialogs with queued answers and a log of what they showed, audio players that
// record what they were asked and report a scripted state, a sound output with scripted file
// problems and output state, recorders for the launcher, the session end and the idle
// inhibition, a site link that records what it was asked and delivers what a test says, and a
// clock whose synchronisation a test sets.
#pragma once

#include <QDateTime>
#include <QFont>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <map>
#include <optional>

#include "platform/ClockStatus.h"
#include "platform/Platform.h"
#include "platform/SiteLink.h"

class FakeTimeSource : public TimeSource {
  public:
    explicit FakeTimeSource(const QDateTime& start = QDateTime(QDate(2007, 1, 31),
                                                               QTime(16, 55, 0, 0)));
    QDateTime now() const override;
    qint64 monotonicMs() const override { return mono_; }
    quint64 callAt(qint64 dueMs, Callback cb) override;
    void cancel(quint64 id) override;

    // Moves both clocks on, running every callback that comes due, in order, with the clocks
    // standing at its due time.
    void advance(qint64 ms);
    // Sets the date and time of day (the monotonic clock does not move): a clock jump.
    void setNow(const QDateTime& now);
    // Moves the clocks on without running anything: the event loop was held up.
    void stall(qint64 ms);
    int pending() const { return int(calls_.size()); }

  private:
    QDateTime wallAtZero_;
    qint64 mono_ = 0;
    quint64 lastId_ = 0;
    std::multimap<std::pair<qint64, quint64>, Callback> calls_;
};

class FakeDialogs : public Dialogs {
  public:
    struct Shown {
        QString kind;  // "information", "confirm", "question", "choose", "error", "openFile",
                       // "saveFile", "font", "color"
        QString text;
        bool onTop = false;  // opened while another box was still open
    };
    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    bool question(const QString& text) override;
    int choose(const QString& text, const QStringList& buttons) override;
    void error(const QString& text) override;
    std::optional<QString> openFile(const QString& current, const QStringList& filters) override;
    std::optional<SaveChoice> saveFile(const QString& current, const QStringList& filters) override;
    std::optional<FontChoice> chooseFont(const FontChoice& current) override;
    std::optional<TColor> chooseColor(TColor current) override;

    // Answers for the next questions (confirm and question); true = OK / Yes. When none is
    // queued, the answer is true.
    std::deque<bool> answers;
    // The buttons pressed in the next choices (by index); when none is queued, the first.
    std::deque<int> choices;
    // Results of the next choosers; nothing = cancelled. When none is queued, cancelled.
    std::deque<QString> files;  // a null QString is a cancelled dialog
    std::deque<std::optional<SaveChoice>> saves;
    std::deque<std::optional<FontChoice>> fonts;
    std::deque<std::optional<TColor>> colors;
    // Runs while a box is open (after it is shown, before it is answered), as the box's own
    // event loop would run the timers.
    std::function<void()> whileOpen;

    QList<Shown> log;
    QString lastFileCurrent;
    QStringList lastFileFilters;  // of the last open or save chooser
    std::optional<FontChoice> lastFontCurrent;
    std::optional<TColor> lastColorCurrent;
    QStringList texts(const QString& kind) const;
    int count(const QString& kind) const { return int(texts(kind).size()); }
    void clear() { log.clear(); }

  private:
    void opened(const QString& kind, const QString& text);
};

class FakeAudioPlayer : public AudioPlayer {
  public:
    explicit FakeAudioPlayer(QString name = QString()) : name_(std::move(name)) {}
    void setFileName(const QString& path) override;
    QString fileName() const override { return fileName_; }
    void close() override;
    void open() override;
    void play() override;
    void stop() override;
    PlayerState state() const override;

    // The sound played to its end.
    void finish();
    // The calls made, as "setFileName <path>", "close", "open", "play", "stop".
    QStringList calls;
    // The files that were really started (open + play), in order.
    QStringList played;
    // The next open fails with this text.
    QString failNextOpen;
    // Files (by name) that fail every open, with the text.
    QHash<QString, QString> unplayable;
    // Runs whenever the state is asked for: a test makes the player fail there in ways of
    // its own (anything may be thrown).
    std::function<void()> onState;
    // The file that was opened turns out not to play: OnError runs with the text (as the real
    // player does later, on the GUI thread) and the sound reports Stopped.
    void failLater(const QString& text);
    void clearCalls() {
        calls.clear();
        played.clear();
    }

  private:
    QString name_;
    QString fileName_;
    QString openFile_;
    bool open_ = false;
    PlayerState state_ = PlayerState::Stopped;
};

class FakeSoundOutput : public SoundOutput {
  public:
    void checkFiles(const QStringList& paths,
                    std::function<void(const QList<SoundProblem>&)> done) override;
    OutputState outputState() const override { return state; }
    QString outputName() const override { return name; }

    // The reason given for each path that cannot be played; any other path plays.
    std::map<QString, QString> problems;
    // With answerAtOnce the check answers inside checkFiles; otherwise when answer() is called
    // (the check is still running until then).
    bool answerAtOnce = true;
    // Answers every check still waiting, in the order they were asked.
    void answer();
    int waiting() const { return int(waiting_.size()); }
    // The paths of every check asked for.
    QList<QStringList> checked;

    OutputState state = OutputState::Ok;
    QString name = QStringLiteral("Fake Output");
    // A new state of the default output: OnOutputChanged runs.
    void setOutput(OutputState newState, const QString& newName = QStringLiteral("Fake Output"));

  private:
    QList<SoundProblem> problemsOf(const QStringList& paths) const;
    std::deque<std::pair<QStringList, std::function<void(const QList<SoundProblem>&)>>> waiting_;
};

class FakeLauncher : public ProgramLauncher {
  public:
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory) override {
        started.append({program, arguments});
        directories.append(workingDirectory);
        return true;
    }
    bool openFolder(const QString& path) override {
        folders.append(path);
        return folderOpens;
    }
    QList<std::pair<QString, QStringList>> started;
    QStringList directories;  // the working directory of each start
    QStringList folders;      // the folders shown
    bool folderOpens = true;
};

// The session log's lines, as the real log would write them.
class FakeSessionLog : public SessionLog {
  public:
    void append(const QDateTime& when, const QString& event) override;
    QString folder() const override { return QStringLiteral("/fake/kvtmr-log"); }
    void setProblemHandler(std::function<void(const QString&)> handler) override {
        problemHandler = std::move(handler);
    }
    // Lines cannot be written (the reason), or can again (empty), as the real log tells it.
    void problem(const QString& text) {
        if (problemHandler) problemHandler(text);
    }
    std::function<void(const QString&)> problemHandler;
    QStringList lines;
    // The events only (the lines without their date and time).
    QStringList events() const;
    void clear() { lines.clear(); }
};

class FakeSession : public SessionControl {
  public:
    void logOff() override { requests << QStringLiteral("logOff"); }
    void reboot() override { requests << QStringLiteral("reboot"); }
    void powerOff() override { requests << QStringLiteral("powerOff"); }
    QStringList requests;
};

class FakeLocation : public SettingsLocation {
  public:
    QString directory() const override { return dir; }
    QString runtimeDirectory() const override { return runtimeDir; }
    QString dir;
    QString runtimeDir;
};

class FakeInhibitor : public PowerInhibitor {
  public:
    void setInhibited(bool on) override {
        if (on != on_) changes << on;
        on_ = on;
    }
    bool inhibited() const override { return on_; }
    QList<bool> changes;

  private:
    bool on_ = false;
};

// Screens as a test lays them out: plugged in and out, sized, with the windows filled on them.
class FakeScreens : public ScreenList {
  public:
    FakeScreens();
    QList<ScreenInfo> screens() const override { return list_; }
    ScreenInfo screenOf(const QWidget* window) const override;
    void fill(QWidget* window, const ScreenInfo& screen) override;
    // The screens now (changed() follows).
    void set(const QList<ScreenInfo>& screens);
    // The screen each fill put a window on, in order, and the window's object name.
    QList<ScreenInfo> filled;
    QStringList filledWindows;
    // The screen the last fill put a window (by object name) on, if any.
    std::optional<ScreenInfo> lastFillOf(const QString& window) const;

  private:
    QList<ScreenInfo> list_;
};

// A screen for FakeScreens.
ScreenInfo MakeScreen(const QString& name, const QRect& geometry, bool primary = false);

// A site link without a network. It keeps what it was asked (open, close, subscriptions,
// publishes); a test changes its state and delivers messages, and they arrive at once, as the
// real link's queued calls would arrive in the event loop. Like the real link, it drops what is
// published while it is not connected.
class FakeSiteLink : public SiteLink {
    Q_OBJECT
  public:
    struct Published {
        QString topic;
        QByteArray payload;
        bool retain = false;
        int expirySeconds = 0;
    };
    void open(const LinkSettings& settings) override;
    void close() override;
    void subscribe(const QString& filter) override;
    void unsubscribe(const QString& filter) override { subscriptions.removeOne(filter); }
    void publish(const QString& topic, const QByteArray& payload, bool retain,
                 int expirySeconds = 0) override;
    LinkState state() const override { return state_; }
    QString why() const override { return why_; }

    // The link is now in this state (stateChanged follows when it differs).
    void setState(LinkState state, const QString& why = QString());
    // A message from the broker on a topic (whether subscribed or not: a test of what a
    // foreign message does may send anything).
    void deliver(const QString& topic, const QByteArray& payload, bool retained = false);
    // Whether a topic is matched by one of the subscriptions (MQTT + and # wildcards).
    bool subscribedTo(const QString& topic) const;
    // The payloads published to a topic, in order.
    QList<QByteArray> payloadsOn(const QString& topic) const;

    QList<LinkSettings> opened;  // the settings of every open
    int closes = 0;
    QStringList subscriptions;
    QList<Published> published;  // sent while connected
    QList<Published> dropped;    // published while not connected
    // With connectOnOpen, open() connects at once (Connecting, then Connected).
    bool connectOnOpen = false;

  private:
    LinkState state_ = LinkState::Off;
    QString why_;
};

// True when the MQTT filter matches the topic (+ one level, # the rest).
bool TopicMatches(const QString& filter, const QString& topic);

// The connection test's answers, given by the test.
class FakeLinkTester : public LinkTester {
  public:
    void test(const LinkSettings& settings, QObject* context,
              std::function<void(bool ok, QString message)> done) override;
    // Answers the oldest test still waiting (dropped when its context has gone).
    void answer(bool ok, const QString& message);
    int waiting() const { return int(waiting_.size()); }
    QList<LinkSettings> asked;

  private:
    struct Waiting {
        QPointer<QObject> context;
        bool hasContext;
        std::function<void(bool, QString)> done;
    };
    std::deque<Waiting> waiting_;
};

class FakeClockStatus : public ClockStatus {
    Q_OBJECT
  public:
    ClockSync sync() const override { return sync_; }
    // changed follows when it differs.
    void set(ClockSync sync);

  private:
    ClockSync sync_ = ClockSync::Unknown;
};

// A whole fake platform with a temporary settings directory.
class FakePlatform {
  public:
    FakePlatform();
    Platform& platform() { return platform_; }
    QString settingsPath() const;

    FakeTimeSource time;
    FakeDialogs dialogs;
    FakeAudioPlayer player1{QStringLiteral("MediaPlayer1")};
    FakeAudioPlayer player2{QStringLiteral("MediaPlayer2")};
    FakeSoundOutput output;
    FakeLauncher launcher;
    FakeSession session;
    FakeLocation location;
    FakeInhibitor inhibitor;
    FakeScreens screens;
    FakeSessionLog log;
    FakeSiteLink siteLink;
    FakeLinkTester linkTester;
    FakeClockStatus clockStatus;
    QTemporaryDir settingsDir;
    QTemporaryDir runtimeDir;

  private:
    Platform platform_;
};
