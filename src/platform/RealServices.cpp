// The real services of the platform layer.
#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <map>

#include "platform/AudioPlayer.h"
#include "platform/Controls.h"
#include "platform/Platform.h"
#include "platform/QtAudioPlayer.h"
#include "platform/QtSoundOutput.h"

namespace {
QString& Title() {
    static QString title = QStringLiteral("kvtmr");
    return title;
}
}  // namespace

void SetApplicationTitle(const QString& title) {
    Title() = title;
}
QString ApplicationTitle() {
    return Title();
}

namespace {

const QString kCaption = QStringLiteral("提示信息");

class RealTimeSource : public TimeSource {
  public:
    RealTimeSource() { clock_.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 monotonicMs() const override { return clock_.elapsed(); }

    quint64 callAt(qint64 dueMs, Callback cb) override {
        const quint64 id = ++lastId_;
        auto* timer = new QTimer;
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [this, id, cb = std::move(cb)] {
            auto it = timers_.find(id);
            if (it != timers_.end()) {
                it->second->deleteLater();
                timers_.erase(it);
            }
            cb();
        });
        timers_[id] = timer;
        timer->start(int(qMax<qint64>(0, dueMs - clock_.elapsed())));
        return id;
    }

    void cancel(quint64 id) override {
        auto it = timers_.find(id);
        if (it == timers_.end()) return;
        it->second->stop();
        it->second->deleteLater();
        timers_.erase(it);
    }

    ~RealTimeSource() override {
        for (auto& [id, t] : timers_)
            delete t;
    }

  private:
    QElapsedTimer clock_;
    quint64 lastId_ = 0;
    std::map<quint64, QTimer*> timers_;
};

class RealDialogs : public Dialogs {
  public:
    void setOwner(QWidget* owner) override { owner_ = owner; }

    void information(const QString& text) override {
        QMessageBox box(QMessageBox::Information, kCaption, text, QMessageBox::Ok, owner_);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
    }

    bool confirm(const QString& text) override {
        QMessageBox box(QMessageBox::Question, kCaption, text,
                        QMessageBox::Ok | QMessageBox::Cancel, owner_);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
        box.setDefaultButton(QMessageBox::Ok);
        return box.exec() == QMessageBox::Ok;
    }

    bool question(const QString& text) override {
        QMessageBox box(QMessageBox::Information, kCaption, text,
                        QMessageBox::Yes | QMessageBox::No, owner_);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        return box.exec() == QMessageBox::Yes;
    }

    void error(const QString& text) override {
        QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, owner_);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
    }

    std::optional<QString> openFile(const QString& current) override {
        QFileDialog dialog(owner_, QStringLiteral("打开"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        if (!current.isEmpty()) dialog.selectFile(current);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    }

    std::optional<FontChoice> chooseFont(const FontChoice& current) override {
        // The dialog works in the screen's points; the program's sizes are points at
        // 120 pixels per inch.
        QFont shown = current.font;
        shown.setPointSize(qMax(1, FontSize(current.font)));
        bool ok = false;
        QFont chosen = QFontDialog::getFont(&ok, shown, owner_, QStringLiteral("字体"));
        if (!ok) return std::nullopt;
        FontChoice result;
        const int points = qRound(chosen.pointSizeF());
        result.font = chosen;
        SetFontSize(result.font, qMax(1, points));
        result.color = current.color;
        // The font dialog has no colour: the colour is chosen right after it.
        QColor c =
            QColorDialog::getColor(ToQColor(current.color), owner_, QStringLiteral("字体颜色"));
        if (c.isValid()) result.color = FromQColor(c);
        return result;
    }

    std::optional<TColor> chooseColor(TColor current) override {
        QColor c = QColorDialog::getColor(ToQColor(current), owner_, QStringLiteral("颜色"));
        if (!c.isValid()) return std::nullopt;
        return FromQColor(c);
    }

  private:
    QPointer<QWidget> owner_;
};

class RealLauncher : public ProgramLauncher {
  public:
    bool startDetached(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments, QFileInfo(program).absolutePath());
    }
};

// systemd-logind over D-Bus, without interactive authentication.
class RealSession : public SessionControl {
  public:
    void logOff() override {
        QDBusInterface manager(kService, kPath, kManager, QDBusConnection::systemBus());
        QDBusReply<QDBusObjectPath> session = manager.call(
            QStringLiteral("GetSessionByPID"), quint32(QCoreApplication::applicationPid()));
        QString path = session.isValid() ? session.value().path()
                                         : QStringLiteral("/org/freedesktop/login1/session/auto");
        QDBusInterface s(kService, path, QStringLiteral("org.freedesktop.login1.Session"),
                         QDBusConnection::systemBus());
        s.call(QDBus::NoBlock, QStringLiteral("Terminate"));
    }
    void reboot() override { callManager(QStringLiteral("Reboot")); }
    void powerOff() override { callManager(QStringLiteral("PowerOff")); }

  private:
    void callManager(const QString& method) {
        QDBusInterface manager(kService, kPath, kManager, QDBusConnection::systemBus());
        manager.call(QDBus::NoBlock, method, false);
    }
    const QString kService = QStringLiteral("org.freedesktop.login1");
    const QString kPath = QStringLiteral("/org/freedesktop/login1");
    const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
};

class RealLocation : public SettingsLocation {
  public:
    QString directory() const override {
        QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        if (dir.isEmpty()) dir = QDir::homePath();
        QDir().mkpath(dir);
        return dir;
    }
};

// Asks logind to hold off idle and sleep, and the desktop's screen saver to stay away, while
// a count runs. Both are best effort: without a desktop bus nothing happens.
class RealInhibitor : public PowerInhibitor {
  public:
    void setInhibited(bool on) override {
        if (on == on_) return;
        on_ = on;
        if (on) {
            QDBusInterface manager(
                QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
            if (manager.isValid()) {
                QDBusReply<QDBusUnixFileDescriptor> fd = manager.call(
                    QStringLiteral("Inhibit"), QStringLiteral("idle:sleep"),
                    QStringLiteral("kvtmr"), QStringLiteral("计时进行中"), QStringLiteral("block"));
                if (fd.isValid()) fd_ = fd.value();
            }
            QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"),
                                 QStringLiteral("/org/freedesktop/ScreenSaver"),
                                 QStringLiteral("org.freedesktop.ScreenSaver"),
                                 QDBusConnection::sessionBus());
            if (saver.isValid()) {
                QDBusReply<quint32> cookie =
                    saver.call(QStringLiteral("Inhibit"), QStringLiteral("kvtmr"),
                               QStringLiteral("计时进行中"));
                if (cookie.isValid()) cookie_ = cookie.value();
            }
        } else {
            fd_ = QDBusUnixFileDescriptor();  // closing the descriptor ends the inhibition
            if (cookie_) {
                QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"),
                                     QStringLiteral("/org/freedesktop/ScreenSaver"),
                                     QStringLiteral("org.freedesktop.ScreenSaver"),
                                     QDBusConnection::sessionBus());
                if (saver.isValid())
                    saver.call(QDBus::NoBlock, QStringLiteral("UnInhibit"), cookie_);
                cookie_ = 0;
            }
        }
    }
    bool inhibited() const override { return on_; }

  private:
    bool on_ = false;
    QDBusUnixFileDescriptor fd_;
    quint32 cookie_ = 0;
};

QString FindSoundDir() {
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath())
                                      .filePath(QStringLiteral("../share/kvtmr/sounds"));
    if (QFileInfo(besideProgram).isDir()) return QDir(besideProgram).absolutePath();
    return QStringLiteral(KVTMR_SOUND_DIR);
}

}  // namespace

struct RealPlatform::Impl {
    RealTimeSource time;
    RealDialogs dialogs;
    std::unique_ptr<AudioPlayer> player1 = CreateAudioPlayer();
    std::unique_ptr<AudioPlayer> player2 = CreateAudioPlayer();
    std::unique_ptr<SoundOutput> output = CreateSoundOutput();
    RealLauncher launcher;
    RealSession session;
    RealLocation location;
    RealInhibitor inhibitor;
};

RealPlatform::RealPlatform() : impl_(std::make_unique<Impl>()) {
    platform_.time = &impl_->time;
    platform_.dialogs = &impl_->dialogs;
    platform_.player1 = impl_->player1.get();
    platform_.player2 = impl_->player2.get();
    platform_.output = impl_->output.get();
    platform_.launcher = &impl_->launcher;
    platform_.session = &impl_->session;
    platform_.location = &impl_->location;
    platform_.inhibitor = &impl_->inhibitor;
    platform_.soundDir = FindSoundDir();
}

RealPlatform::~RealPlatform() = default;
