// The main window's start-up, the exit command and the close handler.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>

#include "app/CCUnit.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "settings/Options.h"
#include "settings/SettingsFile.h"

namespace {
const QString kWindowCaption = QStringLiteral("澄屿计时器  V2.01");
const QString kApplicationTitle = QStringLiteral("澄屿计时器 V2.01");
}  // namespace

void TForm1::FormCreate() {
    // 1. The directory that holds the settings file, and beside it the state of a running
    //    count.
    windowsDir = platform.location->directory();
    keeper_.setStatePath(QDir(windowsDir).filePath(kCountStateFileName));
    // The temporary files of saves that a kill or a power cut interrupted.
    for (const QString& name : {kSettingsFileName, kOptionsFileName, kCountStateFileName})
        RemoveStaleTemporaries(QDir(windowsDir).filePath(name));
    keeper_.note(QStringLiteral("程序启动"));

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
        WriteSettingsFile(SettingsFilePath(), Settings);
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
    mainTimer_.intervalLimit = ProgressBar1->Max();
    clock_.loadScheduledTextSeconds();

    // 10. to 12.
    setWindowTitle(kWindowCaption);
    mainTimer_.alertState = 1;
    panels_.ApplyUsageMode();
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
            WriteSettingsFile(SettingsFilePath(), Settings);
        } else if (!unattendedEnd()) {
            platform.dialogs->information(
                QStringLiteral("参数设置文件kvtmr201.ini不存在，当前设置不能保存，请检查！"));
        }
    }
    finishClose();
}

void TForm1::finishClose() {
    // The operator's or the schedule's end: a count still running is not taken up again at
    // the next start. The end of the session or a signal keeps it.
    if (sessionEnding) {
        keeper_.note(QStringLiteral("程序退出（会话结束或终止信号）"));
    } else {
        keeper_.forget();
        keeper_.note(QStringLiteral("程序退出"));
    }
    // Closed for good: nothing ticks and nothing sounds any more.
    sound_.CloseSounds();
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    Timer3->setEnabled(false);
    Q_EMIT Closed();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!unattendedEnd()) {
        // The operator's close: a close that cannot save shows why and the window stays, so
        // that the box or the folder can be put right.
        if (Run(&TForm1::FormClose))
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
