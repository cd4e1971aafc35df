// The main window's start-up, the exit command and the close handler.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>

#include "app/CCUnit.h"
#include "core/Files.h"
#include "core/Options.h"
#include "core/SettingsFile.h"
#include "plan/Plan.h"
#include "platform/Dialogs.h"
#include "platform/Guard.h"
#include "site/RoomLink.h"

namespace {
const QString kWindowCaption = QStringLiteral("澄屿计时器  V2.01");
const QString kApplicationTitle = QStringLiteral("澄屿计时器 V2.01");

// Where a state that could not be brought up to date is noted when the settings folder
// cannot be written at all: in the runtime folder, under the settings folder's identity.
QString StaleStateMarker(const QString& runtimeDir, const QString& settingsDir) {
    const QString key = FolderKey(settingsDir);
    if (runtimeDir.isEmpty() || key.isEmpty()) return QString();
    return QDir(runtimeDir).filePath(QStringLiteral("kvtmr-state-%1.stale").arg(key));
}
}  // namespace

void TForm1::FormCreate() {
    // 1. The directory that holds the settings file, and beside it the state of a running
    //    count.
    windowsDir = platform.location->directory();
    keeper_.setStatePath(QDir(windowsDir).filePath(kCountStateFileName),
                         StaleStateMarker(platform.location->runtimeDirectory(), windowsDir));
    // The temporary files of saves that a kill or a power cut interrupted.
    for (const QString& name : {kSettingsFileName, kOptionsFileName, kCountStateFileName,
                                kPlanFileName, kPlanStateFileName, kSiteStateFileName})
        RemoveStaleTemporaries(QDir(windowsDir).filePath(name));
    // Whether the settings can be saved at all (a read-only or full folder, a file-size
    // limit): the program starts all the same and says so.
    const int unwritable = ProbeWritable(SettingsFilePath());
    keeper_.note(QStringLiteral("程序启动"));
    if (unwritable) {
        const QString reason = WriteErrorText(unwritable);
        keeper_.note(QStringLiteral("设置文件夹不能写入（%1）").arg(reason));
        reports_.later(QStringLiteral("设置文件夹%1不能写入（%2）：本次运行中的设置不能保存，"
                                      "计时状态也不能保存（程序意外中断后不能恢复计时），请检查！")
                           .arg(QDir::toNativeSeparators(
                                    QFileInfo(ResolveLinks(SettingsFilePath())).absolutePath()),
                                reason));
    }

    // 2. The operator's settings, or the factory defaults written out at once.
    if (QFileInfo::exists(SettingsFilePath())) {
        ClearSettingsRecord(Settings);
        binding_.ClearSettingsPanel();
        try {
            ReadSettingsFile(SettingsFilePath(), Settings);
        } catch (...) {
            // The file is left as it is; closing will not overwrite it.
            settingsPanel_.setLoadFailed(true);
            throw;
        }
        settingsPanel_.ApplySettings();
    } else {
        binding_.ClearSettingsPanel();
        LoadFactoryDefaults(Settings);
        settingsPanel_.ApplySettings();
        // A folder that cannot be written (told above) does not stop the start-up.
        try {
            WriteSettingsFile(SettingsFilePath(), Settings);
        } catch (const FileWriteError&) {
            if (!unwritable) throw;
        }
    }

    // 3. Application title.
    SetApplicationTitle(kApplicationTitle);

    // 4. Background music; then whether the ticked sounds will be heard: the files that
    //    cannot be played come in one message, a missing or muted output on the status line.
    sound_.StartBackgroundMusic();
    sound_.CheckSoundFiles();
    sound_.ShowOutputState();

    // 5. to 7. Today's date into the clock and the scheduled date, the time into the clock,
    //    their two-digit forms.
    clock_.showStartTime(platform.time->now());
    clock_.PadClockFields();
    clock_.PadScheduleFields();

    // 8. and 9. The preparation and main timers at their durations.
    prepTimer_.loadDuration(false);
    mainTimer_.loadDuration(false);
    mainTimer_.takeIntervalLimit();
    clock_.loadScheduledTextSeconds();

    // 10. to 12.
    setWindowTitle(kWindowCaption);
    mainTimer_.setAlertState(1);
    panels_.ApplyUsageMode();

    // 13. The day's plan beside the settings, and the sessions it has started.
    loadPlan();

    // 14. The exam-site link, when it is on: it connects by itself, nothing waits for it.
    startSiteLink();
}

void TForm1::loadPlan() {
    const QDir dir(windowsDir);
    planRunner_.setStatePath(dir.filePath(kPlanStateFileName));
    planRunner_.setPlanPath(dir.filePath(kPlanFileName));
    planRunner_.setRoom(Options(dir.filePath(kOptionsFileName)).value(QStringLiteral("site/room")));
    const bool enabled = planRunner_.enabled();
    const FileRead read = ReadRegularFile(dir.filePath(kPlanFileName), kMaxPlanBytes);
    if (read.status == FileRead::Status::Missing) return;
    const PlanRead plan = read.ok() ? DecodePlan(read.bytes) : PlanRead{};
    if (!plan.plan) {
        // The file stays as it is (a plan saved later replaces it); nothing of it runs.
        const QString why = read.ok() ? plan.error : QStringLiteral("文件无法读取或过大");
        keeper_.note(QStringLiteral("考试安排文件未能读取：%1").arg(why));
        reports_.later(QStringLiteral("考试安排文件%1未能读取，本次不按考试安排计时：%2")
                           .arg(kPlanFileName, why));
        return;
    }
    planRunner_.setPlan(*plan.plan, enabled, false);
}

void TForm1::ResumeInterruptedCount() {
    // A session of the plan that runs now goes on without a question; any other count that a
    // crash interrupted is offered.
    if (planRunner_.resumeOnStart(keeper_.saved())) return;
    if (resumeOfficeCount()) return;
    keeper_.offerRecovery();
}

// A count that followed the office's order when the program stopped goes on from that order,
// without a question: the order is kept beside the settings, so this needs no network. A count
// the operator had taken over since is the room's own, and is offered as any other.
bool TForm1::resumeOfficeCount() {
    const auto saved = keeper_.saved();
    if (!saved || saved->source != CountSource::Office) return false;
    const SiteState site = ReadSiteState(QDir(windowsDir).filePath(kSiteStateFileName));
    if (!site.applied) return false;
    const Anchor& a = site.applied->anchor;
    if (a.phase != CountPhase::Prep && a.phase != CountPhase::Main) return false;
    const qint64 now = platform.time->now().toMSecsSinceEpoch();
    // A preparation that ran out handed over to a main count the order does not hold.
    if (a.phase == CountPhase::Prep && a.endedAt(now)) return false;
    // An order whose count ended longer ago than the count itself lasted is history.
    if (a.running() && now > a.endMs() + qint64(a.duration) * 1000) return false;
    if (a.paused && now - a.atMs > kPausedKeptMs) return false;
    keeper_.note(QStringLiteral("恢复计时：按考务中心第%1版指令继续").arg(site.appliedRev));
    if (a.phase == CountPhase::Prep) {
        prepTimer_.follow(a, now, CountSource::Office, std::nullopt, false);
    } else {
        if (prepTimer_.running() || prepTimer_.paused()) prepTimer_.stopQuietly();
        mainTimer_.follow(a, now, CountSource::Office, std::nullopt, false);
    }
    return true;
}

void TForm1::SpeedButton1Click() {
    if (platform.dialogs->confirm(QStringLiteral("真的退出吗?"))) close();
}

void TForm1::N28Click() {
    const QString folder = platform.log ? platform.log->folder() : QString();
    if (folder.isEmpty() || !platform.launcher->openFolder(folder))
        platform.dialogs->information(
            QStringLiteral("不能打开计时记录文件夹，请在文件管理器中打开：%1").arg(folder));
}

void TForm1::FormClose() {
    sound_.StopIfPlaying(MediaPlayer1);
    sound_.StopIfPlaying(MediaPlayer2);
    // A file that failed to load stays as the operator has it; the half-empty panel is not
    // written over it.
    if (!settingsPanel_.loadFailed()) {
        if (QFileInfo::exists(SettingsFilePath())) {
            binding_.CollectSettings();
            if (!saveSettingsAtClose()) return;  // the operator stays
        } else if (!unattendedEnd()) {
            platform.dialogs->information(
                QStringLiteral("参数设置文件kvtmr201.ini不存在，当前设置不能保存，请检查！"));
        }
    }
    finishClose();
}

// The settings written at the close; false when the operator chose to stay because they
// cannot be. An unattended end passes the failure on (it is logged and the program ends).
bool TForm1::saveSettingsAtClose() {
    try {
        WriteSettingsFile(SettingsFilePath(), Settings);
        return true;
    } catch (const FileWriteError& e) {
        if (unattendedEnd()) throw;
        const QString reason = WriteErrorText(e.error());
        const bool leave = platform.dialogs->confirm(
            QStringLiteral("设置不能保存到%1（%2）。\n\n"
                           "按“确定”不保存设置，退出程序；\n"
                           "按“取消”不退出，可先腾出磁盘空间或改正文件夹的权限，再退出。")
                .arg(QDir::toNativeSeparators(SettingsFilePath()), reason));
        if (leave)
            keeper_.note(
                QStringLiteral("设置未能保存（%1），按操作员的选择不保存退出").arg(reason));
        return leave;
    }
}

void TForm1::finishClose() {
    // The operator's or the schedule's end: a count still running is not taken up again at
    // the next start. The end of the session or a signal keeps it.
    if (sessionEnding) {
        keeper_.close(true);
        keeper_.note(QStringLiteral("程序退出（会话结束或终止信号）"));
    } else {
        keeper_.close(false);
        keeper_.note(QStringLiteral("程序退出"));
    }
    // The office sees the room leave (offline), not lose its link.
    if (roomLink_) roomLink_->close();
    closedForGood_ = true;
    // Closed for good: nothing ticks and nothing sounds any more.
    sound_.CloseSounds();
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    Timer3->setEnabled(false);
    Q_EMIT Closed();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!unattendedEnd()) {
        // The operator's close: a box that does not convert shows why and the window stays,
        // so that it can be put right; settings that cannot be written are the operator's
        // choice: closed without them, or stay to free the disk.
        Run(&TForm1::FormClose);
        if (closedForGood_)
            event->accept();
        else
            event->ignore();
        return;
    }
    // The schedule's close, the end of the session, a signal: nobody is there to answer a
    // box, so a failure is noted in the session log and the program ends all the same.
    QString message;
    if (!CatchError([this] { FormClose(); }, message)) {
        keeper_.note(QStringLiteral("设置未能保存：%1").arg(message));
        qWarning("kvtmr: the settings were not saved: %s", qPrintable(message));
        finishClose();
    }
    event->accept();
}
