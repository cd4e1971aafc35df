// The main window's start-up, the exit command and the close handler.
#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/CCUnit.h"
#include "platform/Dialogs.h"
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

    // 4. Background music.
    sound_.StartBackgroundMusic();

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
    // The operator's or the schedule's end: a count still running is not taken up again at
    // the next start. The end of the session or a signal keeps it.
    if (sessionEnding) {
        keeper_.note(QStringLiteral("程序退出（会话结束或终止信号）"));
    } else {
        keeper_.forget();
        keeper_.note(QStringLiteral("程序退出"));
    }
    sound_.StopIfPlaying(MediaPlayer1);
    sound_.StopIfPlaying(MediaPlayer2);
    // A file that failed to load stays as the operator has it; the half-empty panel is not
    // written over it.
    if (!settingsPanel_.loadFailed()) {
        if (QFileInfo::exists(SettingsFilePath())) {
            binding_.CollectSettings();
            WriteSettingsFile(SettingsFilePath(), Settings);
        } else if (!sessionEnding) {
            platform.dialogs->information(
                QStringLiteral("参数设置文件kvtmr201.ini不存在，当前设置不能保存，请检查！"));
        }
    }
    // Closed for good: nothing ticks any more.
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    Timer3->setEnabled(false);
    Q_EMIT Closed();
}
