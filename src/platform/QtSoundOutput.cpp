// The real sound output service.
//
// The default output comes from QMediaDevices, once the devices are known (AudioDevices.h):
// until then the output counts as there, and a change is told when they are. Qt 6.4 tells of
// devices added and removed but neither of another default chosen nor of mute, so the server is
// also watched with `pactl subscribe` (pulseaudio-utils; it works with PulseAudio and with
// pipewire-pulse): every event on a sink or on the server is followed, after a short pause that
// lets a burst of events settle and never more often than every 250 ms (PactlWatch in
// SoundCheck.h), by `pactl get-sink-mute` and `pactl get-sink-volume` on @DEFAULT_SINK@, both
// asynchronous QProcesses killed after kQueryTimeoutMs or when they write more than an answer. What
// pactl writes is not trusted: output that is no event stream (no line breaks) or a flood of events
// makes the watcher give up for good, keeping the mute as last known. A default sink that is muted
// or at 0 % is reported Muted. Without pactl (or while it cannot reach the server) mute cannot be
// told: the state is then Ok or Missing only, the default device is looked at every
// kPollMs, and a pactl that stopped is started again with a growing pause.
//
// checkFiles probes each file (ProbeSoundFile: nothing that needs the server), then decodes
// the beginning of the files the probe leaves to the decoder, as the player would (nothing
// plays), all on a media thread of its own and within kCheckTimeoutMs: the GUI thread only
// gets the verdicts.
#include "platform/QtSoundOutput.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <list>
#include <memory>

#include "platform/AudioDevices.h"
#include "platform/MediaThread.h"
#include "platform/SoundCheck.h"
#include "platform/SoundDecoder.h"
#include "platform/SoundFile.h"

namespace {

constexpr int kQueryTimeoutMs = 2000;
constexpr int kPollMs = 3000;
constexpr int kRestartFirstMs = 5000;
constexpr int kRestartMaxMs = 300'000;
constexpr int kBeginLatestMs = 2000;

class QtSoundOutput final : public SoundOutput {
  public:
    QtSoundOutput() {
        WhenAudioDevicesKnown(&context_, [this] {
            devices_ = std::make_unique<QMediaDevices>();
            QObject::connect(devices_.get(), &QMediaDevices::audioOutputsChanged, &context_,
                             [this] { refresh(); });
            refresh();
        });
        settle_.setSingleShot(true);
        QObject::connect(&settle_, &QTimer::timeout, &context_, [this] {
            watch_.queried(clock_.elapsed());
            queryMute();
        });
        clock_.start();
        poll_.setInterval(kPollMs);
        QObject::connect(&poll_, &QTimer::timeout, &context_, [this] { refresh(); });
        restart_.setSingleShot(true);
        QObject::connect(&restart_, &QTimer::timeout, &context_, [this] { startWatching(); });
        // The server is watched from the main window's first frame on (begin()): pactl's
        // processes would otherwise start, and take a core, while the window is being built.
        // At the latest it begins kBeginLatestMs after the start.
        QTimer::singleShot(kBeginLatestMs, &context_, [this] { begin(); });
    }

    void begin() {
        if (begun_) return;
        begun_ = true;
        pactl_ = QStandardPaths::findExecutable(QStringLiteral("pactl"));
        if (pactl_.isEmpty())
            poll_.start();
        else
            startWatching();
    }

    ~QtSoundOutput() override {
        // The decoders go on the thread that made them, before it ends.
        for (const auto& b : batches_)
            media_.post([decoders = b->decoders] { decoders->clear(); });
        media_.finish(MediaThread::kEndWaitMs);
        batches_.clear();
        for (QProcess* p : {&subscribe_, &mute_, &volume_}) {
            p->disconnect();
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(500);
            }
        }
    }

    OutputState outputState() const override { return state_; }
    QString outputName() const override { return name_; }

    void checkFiles(const QStringList& paths,
                    std::function<void(const QList<SoundProblem>&)> done) override {
        auto batch = std::make_shared<Batch>(paths, std::move(done));
        batches_.push_back(batch);
        std::weak_ptr<Batch> weak = batch;
        QTimer::singleShot(kCheckTimeoutMs, batch->context.get(), [this, weak] {
            if (auto b = weak.lock()) finish(b, true);
        });
        // The files are read and decoded on the media thread; the verdicts come back to the
        // GUI thread.
        media_.post([paths, weak, this] {
            QList<SoundProbe> probes;
            for (const QString& p : paths)
                probes << ProbeSoundFile(ResolveSoundPath(p));
            QMetaObject::invokeMethod(
                &context_,
                [this, weak, probes] {
                    if (auto b = weak.lock()) probed(b, probes);
                },
                Qt::QueuedConnection);
        });
    }

  private:
    // The decoders of one check, made and destroyed on the media thread.
    using Decoders = std::vector<std::shared_ptr<SoundDecoder>>;

    struct Batch {
        Batch(const QStringList& paths, std::function<void(const QList<SoundProblem>&)> done)
            : check(paths),
              done(std::move(done)),
              context(std::make_unique<QObject>()),
              decoders(std::make_shared<Decoders>()) {}
        FileCheck check;
        std::function<void(const QList<SoundProblem>&)> done;
        std::unique_ptr<QObject> context;  // owns the timeout
        std::shared_ptr<Decoders> decoders;
        bool finished = false;
    };

    void probed(const std::shared_ptr<Batch>& b, const QList<SoundProbe>& probes) {
        const QList<int> toDecode = b->check.probed(probes);
        if (b->check.complete()) {
            finish(b, false);
            return;
        }
        std::weak_ptr<Batch> weak = b;
        // A verdict from the media thread, for the GUI thread.
        const auto verdict = [this, weak](int i, const QString& error) {
            QMetaObject::invokeMethod(
                &context_,
                [this, weak, i, error] {
                    auto batch = weak.lock();
                    if (!batch || batch->finished) return;
                    batch->check.decoded(i, error);
                    if (batch->check.complete()) finish(batch, false);
                },
                Qt::QueuedConnection);
        };
        QStringList paths;
        for (int i : toDecode)
            paths << ResolveSoundPath(b->check.paths()[i]);
        MediaThread* thread = &media_;
        const std::shared_ptr<Decoders> decoders = b->decoders;
        media_.post([toDecode, paths, verdict, decoders, thread] {
            for (qsizetype k = 0; k < toDecode.size(); ++k) {
                const int i = toDecode[k];
                decoders->push_back(SoundDecoder::Start(
                    paths[k], *thread,
                    {[verdict, i](std::shared_ptr<DecodedSource>) { verdict(i, QString()); },
                     [verdict, i](const QString& reason) { verdict(i, reason); }}));
            }
        });
    }

    void finish(const std::shared_ptr<Batch>& b, bool timedOut) {
        if (b->finished) return;
        b->finished = true;
        const QList<SoundProblem> problems = b->check.problems(timedOut);
        // The decoders go on the thread that made them, the context once the event that got
        // here is done with.
        media_.post([decoders = b->decoders] { decoders->clear(); });
        b->context.release()->deleteLater();
        batches_.remove(b);
        if (b->done) b->done(problems);
    }

    // --- The default output ---------------------------------------------------------------

    void update() {
        if (!devices_) return;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        name_ = device.isNull() ? QString() : device.description();
        state_ = device.isNull() ? OutputState::Missing
                                 : (muted_ ? OutputState::Muted : OutputState::Ok);
    }

    void refresh() {
        const OutputState before = state_;
        const QString name = name_;
        update();
        if ((state_ != before || name_ != name) && OnOutputChanged) OnOutputChanged();
    }

    void startWatching() {
        subscribe_.disconnect();
        watch_ = PactlWatch();
        QObject::connect(&subscribe_, &QProcess::readyReadStandardOutput, &context_, [this] {
            restartMs_ = 0;  // it reached the server
            const PactlWatch::Step step =
                watch_.read(subscribe_.readAllStandardOutput(), clock_.elapsed());
            if (step.giveUp)
                giveUp();
            else if (step.queryInMs >= 0)
                settle_.start(step.queryInMs);
        });
        QObject::connect(&subscribe_, &QProcess::started, &context_, [this] {
            poll_.stop();
            queryMute();
        });
        QObject::connect(&subscribe_, &QProcess::finished, &context_, [this] { watchingEnded(); });
        QObject::connect(&subscribe_, &QProcess::errorOccurred, &context_,
                         [this](QProcess::ProcessError e) {
                             if (e == QProcess::FailedToStart) watchingEnded();
                         });
        subscribe_.setStandardInputFile(QProcess::nullDevice());
        subscribe_.setStandardErrorFile(QProcess::nullDevice());
        subscribe_.start(pactl_, {QStringLiteral("subscribe")});
    }

    // pactl wrote what is no event stream, or floods: it is stopped and not started again. The
    // device alone is followed from now on; the output's mute stays as last known.
    void giveUp() {
        subscribe_.disconnect();
        settle_.stop();
        restart_.stop();
        subscribe_.kill();
        poll_.start();
        qWarning(
            "kvtmr: 'pactl subscribe' floods or writes what is no event stream; the "
            "output's mute is no longer followed");
    }

    // pactl could not reach the server or went away: the device alone is followed, and pactl
    // is tried again later.
    void watchingEnded() {
        if (muted_) {
            muted_ = false;
            refresh();
        }
        poll_.start();
        restartMs_ = restartMs_ == 0 ? kRestartFirstMs : std::min(2 * restartMs_, kRestartMaxMs);
        restart_.start(restartMs_);
    }

    void queryMute() {
        if (mute_.state() != QProcess::NotRunning || volume_.state() != QProcess::NotRunning) {
            again_ = true;  // asked while a query runs: once more when it is done
            return;
        }
        again_ = false;
        muteAnswer_.reset();
        volumeAnswer_.reset();
        pendingQueries_ = 0;
        const QString sink = QStringLiteral("@DEFAULT_SINK@");
        runQuery(mute_, QStringLiteral("get-sink-mute"), sink);
        runQuery(volume_, QStringLiteral("get-sink-volume"), sink);
    }

    void runQuery(QProcess& p, const QString& command, const QString& sink) {
        p.disconnect();
        ++pendingQueries_;
        // A query that writes more than an answer is stopped; its answer counts as unknown.
        QObject::connect(&p, &QProcess::readyReadStandardOutput, &context_, [&p] {
            if (p.bytesAvailable() > kMaxQueryOutputBytes) p.kill();
        });
        auto* timeout = new QTimer(&p);
        timeout->setSingleShot(true);
        QObject::connect(timeout, &QTimer::timeout, &p, [&p] { p.kill(); });
        QObject::connect(&p, &QProcess::finished, &context_, [this, &p, timeout] {
            timeout->deleteLater();
            const QString out = QString::fromUtf8(p.read(kMaxQueryOutputBytes));
            if (&p == &mute_)
                muteAnswer_ = p.exitCode() == 0 ? ParsePactlMute(out) : std::nullopt;
            else
                volumeAnswer_ = p.exitCode() == 0 ? ParsePactlVolumeZero(out) : std::nullopt;
            queryDone();
        });
        QObject::connect(&p, &QProcess::errorOccurred, &context_,
                         [this, timeout](QProcess::ProcessError e) {
                             if (e != QProcess::FailedToStart) return;
                             timeout->deleteLater();
                             queryDone();
                         });
        p.setStandardInputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(pactl_, {command, sink});
        timeout->start(kQueryTimeoutMs);
    }

    void queryDone() {
        if (--pendingQueries_ > 0) return;
        muted_ = muteAnswer_.value_or(false) || volumeAnswer_.value_or(false);
        refresh();
        if (again_) queryMute();
    }

    QObject context_;  // the GUI thread's target for all the signals here
    MediaThread media_{QStringLiteral("kvtmr-check")};
    std::unique_ptr<QMediaDevices> devices_;  // once the devices are known
    bool begun_ = false;
    QString pactl_;
    QProcess subscribe_;
    QProcess mute_;
    QProcess volume_;
    QTimer settle_;  // the query asked for by the events
    PactlWatch watch_;
    QElapsedTimer clock_;
    QTimer poll_;
    QTimer restart_;
    int restartMs_ = 0;
    int pendingQueries_ = 0;
    bool again_ = false;
    std::optional<bool> muteAnswer_;
    std::optional<bool> volumeAnswer_;
    bool muted_ = false;
    OutputState state_ = OutputState::Ok;
    QString name_;
    std::list<std::shared_ptr<Batch>> batches_;
};

}  // namespace

void BeginWatchingSoundOutput(SoundOutput& output) {
    if (auto* real = dynamic_cast<QtSoundOutput*>(&output)) real->begin();
}

std::unique_ptr<SoundOutput> CreateSoundOutput() {
    return std::make_unique<QtSoundOutput>();
}
