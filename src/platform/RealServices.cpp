// The real services of the platform layer.
#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/AudioDevices.h"
#include "platform/AudioPlayer.h"
#include "platform/ClockStatus.h"
#include "platform/DesktopSession.h"
#include "platform/FileSessionLog.h"
#include "platform/Platform.h"
#include "platform/QtAudioPlayer.h"
#include "platform/QtSoundOutput.h"
#include "platform/RealScreens.h"
#include "platform/SiteLink.h"

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
        OpenBox open(*this);
        QMessageBox box(QMessageBox::Information, kCaption, text, QMessageBox::Ok, owner_);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
    }

    bool confirm(const QString& text) override {
        OpenBox open(*this);
        QMessageBox box(QMessageBox::Question, kCaption, text,
                        QMessageBox::Ok | QMessageBox::Cancel, owner_);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
        box.setDefaultButton(QMessageBox::Ok);
        return box.exec() == QMessageBox::Ok;
    }

    bool question(const QString& text) override {
        OpenBox open(*this);
        QMessageBox box(QMessageBox::Information, kCaption, text,
                        QMessageBox::Yes | QMessageBox::No, owner_);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        return box.exec() == QMessageBox::Yes;
    }

    int choose(const QString& text, const QStringList& buttons) override {
        OpenBox open(*this);
        QMessageBox box(QMessageBox::Question, kCaption, text, QMessageBox::NoButton, owner_);
        QList<QPushButton*> pressed;
        for (const QString& b : buttons)
            pressed << box.addButton(b, QMessageBox::ActionRole);
        if (!pressed.isEmpty()) {
            box.setDefaultButton(pressed.constFirst());
            box.setEscapeButton(pressed.constLast());
        }
        box.exec();
        const int i = int(pressed.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
        return i >= 0 ? i : int(buttons.size()) - 1;
    }

    void error(const QString& text) override {
        OpenBox open(*this);
        QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, owner_);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
    }

    std::optional<QString> openFile(const QString& current, const QStringList& filters) override {
        OpenBox open(*this);
        QFileDialog dialog(owner_, QStringLiteral("打开"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        if (!filters.isEmpty()) dialog.setNameFilters(filters);
        if (!current.isEmpty()) dialog.selectFile(current);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    }

    std::optional<SaveChoice> saveFile(const QString& current,
                                       const QStringList& filters) override {
        OpenBox open(*this);
        QFileDialog dialog(owner_, QStringLiteral("保存"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        // A name typed without a suffix gets the one of the chosen filter ("*.csv" -> "csv").
        const auto suffixOf = [](const QString& filter) {
            static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
            return pattern.match(filter).captured(1);
        };
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            dialog.setDefaultSuffix(suffixOf(filters.constFirst()));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog, suffixOf](const QString& filter) {
                                 dialog.setDefaultSuffix(suffixOf(filter));
                             });
        }
        if (!current.isEmpty()) dialog.selectFile(current);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        SaveChoice choice;
        choice.path = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
        choice.filter = std::max(0, int(filters.indexOf(dialog.selectedNameFilter())));
        return choice;
    }

    std::optional<FontChoice> chooseFont(const FontChoice& current) override {
        OpenBox open(*this);
        bool ok = false;
        const QFont chosen =
            QFontDialog::getFont(&ok, current.font, owner_, QStringLiteral("字体"));
        if (!ok) return std::nullopt;
        FontChoice result;
        result.font = chosen;
        result.color = current.color;
        // The font dialog has no colour: the colour is chosen right after it.
        QColor c =
            QColorDialog::getColor(ToQColor(current.color), owner_, QStringLiteral("字体颜色"));
        if (c.isValid()) result.color = FromQColor(c);
        return result;
    }

    std::optional<TColor> chooseColor(TColor current) override {
        OpenBox open(*this);
        QColor c = QColorDialog::getColor(ToQColor(current), owner_, QStringLiteral("颜色"));
        if (!c.isValid()) return std::nullopt;
        return FromQColor(c);
    }

  private:
    QPointer<QWidget> owner_;
};

class RealLauncher : public ProgramLauncher {
  public:
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory) override {
        return QProcess::startDetached(program, arguments, workingDirectory);
    }
    bool openFolder(const QString& path) override {
        QDir().mkpath(path);
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

class RealLocation : public SettingsLocation {
  public:
    QString directory() const override { return SettingsDirectory(); }
    QString runtimeDirectory() const override { return RuntimeDirectory(); }
};

// How long the desktop's services are given to answer.
constexpr int kDesktopTimeoutMs = 5000;
// How often the clock's synchronisation is asked for.
constexpr int kClockPollMs = 30000;

// The default sounds of an installed or copied program are in <prefix>/share/kvtmr/sounds,
// beside its bin/. Only a program that runs inside the build tree (which has no such
// directory) plays the sounds of its source tree.
QString FindSoundDir() {
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString inPrefix =
        QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/kvtmr/sounds")));
    if (QFileInfo(inPrefix).isDir()) return inPrefix;
    const QString buildTree = QFileInfo(QStringLiteral(KVTMR_BUILD_DIR)).canonicalFilePath();
    const QString program = QFileInfo(programDir).canonicalFilePath();
    if (!buildTree.isEmpty() && (program == buildTree || program.startsWith(buildTree + u'/')))
        return QStringLiteral(KVTMR_SOUND_DIR);
    return inPrefix;
}

}  // namespace

QString SettingsDirectory() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty()) dir = QDir::homePath();
    QDir().mkpath(dir);
    return dir;
}

QString RuntimeDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SessionLogFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty()) dir = QDir::home().filePath(QStringLiteral(".local/share/kvtmr"));
    return dir;
}

struct RealPlatform::Impl {
    RealTimeSource time;
    RealDialogs dialogs;
    std::unique_ptr<AudioPlayer> player1 = CreateAudioPlayer();
    std::unique_ptr<AudioPlayer> player2 = CreateAudioPlayer();
    std::unique_ptr<SoundOutput> output = CreateSoundOutput();
    RealLauncher launcher;
    LogindSession session{QDBusConnection::systemBus(), kDesktopTimeoutMs};
    RealLocation location;
    DesktopInhibitor inhibitor{QDBusConnection::systemBus(), QDBusConnection::sessionBus(),
                               kDesktopTimeoutMs};
    RealScreens screens;
    FileSessionLog log{SessionLogFolder(), QDate::currentDate()};
    std::unique_ptr<SiteLink> siteLink = CreateSiteLink();
    MosquittoLinkTester linkTester;
    TimedateClockStatus clockStatus{QDBusConnection::systemBus(), kClockPollMs, kDesktopTimeoutMs};
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
    platform_.screens = &impl_->screens;
    platform_.log = &impl_->log;
    platform_.siteLink = impl_->siteLink.get();
    platform_.linkTester = &impl_->linkTester;
    platform_.clockStatus = &impl_->clockStatus;
    platform_.soundDir = FindSoundDir();
}

void RealPlatform::startAfterFirstFrame() {
    BeginWatchingSoundOutput(*impl_->output);
}

RealPlatform::~RealPlatform() {
    impl_.reset();
    if (!EndAudioDevicesLookup()) {
        // The sound server took the connection and has not answered since the start: Qt
        // Multimedia's clean-up would hold the exit until the server lets go (30 s), and the
        // lookup would then go on in a library already cleaned up. Everything of ours is saved
        // and closed by now: the process ends here.
        std::fflush(nullptr);
        std::_Exit(0);
    }
}
