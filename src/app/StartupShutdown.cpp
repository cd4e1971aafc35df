// The main window's start-up, the exit command and the close handler.
#include <QApplication>
#include <QFileInfo>

#include "app/CCUnit.h"
#include "platform/Dialogs.h"
#include "settings/SettingsFile.h"
#include "timing/TimeFields.h"

namespace {
const QString kWindowCaption = QStringLiteral("澄屿计时器  V2.01");
const QString kApplicationTitle = QStringLiteral("澄屿计时器 V2.01");
}  // namespace

void TForm1::FormCreate() {
    // 1. The directory that holds the settings file.
    windowsDir = platform.location->directory();

    // 2. The operator's settings, or the factory defaults written out at once.
    if (QFileInfo::exists(SettingsFilePath())) {
        ClearSettingsRecord(Settings);
        ClearSettingsPanel();
        try {
            ReadSettingsFile(SettingsFilePath(), Settings);
        } catch (...) {
            // The file is left as it is; closing will not overwrite it.
            settingsLoadFailed_ = true;
            throw;
        }
        ApplySettings();
    } else {
        ClearSettingsPanel();
        LoadFactoryDefaults(Settings);
        ApplySettings();
        WriteSettingsFile(SettingsFilePath(), Settings);
    }

    // 3. Application title.
    SetApplicationTitle(kApplicationTitle);

    // 4. Background music.
    StartBackgroundMusic();

    // 5. and 6. Today's date into the clock and the scheduled date, the time into the clock.
    const QDateTime now = platform.time->now();
    const QDate today = now.date();
    Edit13->setText(QString::number(today.year()));
    Edit47->setText(QString::number(today.year()));
    Edit14->setText(QString::number(today.month()));
    Edit48->setText(QString::number(today.month()));
    Edit15->setText(QString::number(today.day()));
    Edit49->setText(QString::number(today.day()));
    Edit25->setText(QString::number(now.time().hour()));
    Edit26->setText(QString::number(now.time().minute()));
    Edit27->setText(QString::number(now.time().second()));

    // 7. Two-digit forms.
    PadClockFields();
    PadScheduleFields();

    // 8. Preparation timer.
    if (RadioButton2->isChecked()) {
        unitSeconds(Edit9, ComboBox3, prepSeconds);
        ProgressBar2->setMax(prepSeconds);
        Label14->setCaption(QStringLiteral("预备倒计时"));
    }
    if (RadioButton1->isChecked()) {
        unitSeconds(Edit9, ComboBox3, prepCountUpTarget);
        ProgressBar2->setMax(prepCountUpTarget);
        prepSeconds = 0;
        Label14->setCaption(QStringLiteral("预备计时"));
    }
    ProgressBar2->setPosition(prepSeconds);
    secondsToFields(prepSeconds, prepDigits_);

    // 9. Main timer.
    if (RadioButton2->isChecked()) {
        unitSeconds(Edit10, ComboBox5, mainSeconds);
        ProgressBar1->setMax(mainSeconds);
        Label13->setCaption(QStringLiteral("倒计时"));
    }
    if (RadioButton1->isChecked()) {
        unitSeconds(Edit10, ComboBox5, mainCountUpTarget);
        ProgressBar1->setMax(mainCountUpTarget);
        mainSeconds = 0;
        Label13->setCaption(QStringLiteral("计时"));
    }
    ProgressBar1->setPosition(mainSeconds);
    secondsToFields(mainSeconds, mainDigits_);
    intervalLimit = ProgressBar1->Max();
    unitSeconds(Edit59, ComboBox2, scheduledTextSeconds);

    // 10. to 12.
    setWindowTitle(kWindowCaption);
    alertState = 1;
    ApplyUsageMode();
}

void TForm1::SpeedButton1Click() {
    if (platform.dialogs->confirm(QStringLiteral("真的退出吗?"))) close();
}

void TForm1::FormClose() {
    StopIfPlaying(MediaPlayer1);
    StopIfPlaying(MediaPlayer2);
    // A file that failed to load stays as the operator has it; the half-empty panel is not
    // written over it.
    if (!settingsLoadFailed_) {
        if (QFileInfo::exists(SettingsFilePath())) {
            CollectSettings();
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
