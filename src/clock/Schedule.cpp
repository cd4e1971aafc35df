// Scheduled actions: the automatic start, the scheduled text and the end actions, the warning
// before the scheduled time, the interval sound by time of day, the background flashing, the
// schedule boxes and their browse buttons, and the end of the desktop session.
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "app/CCUnit.h"
#include "clock/WeekNumbers.h"
#include "platform/Errors.h"
#include "timing/TimeFields.h"

namespace {
int SecondsOfDay(const QTime& t) {
    return t.hour() * 3600 + t.minute() * 60 + t.second();
}
}  // namespace

void TForm1::ScheduleStep(const QDateTime& now) {
    qint64 sum = 0;
    try {
        sum = qint64(StrToInt(Edit50->text())) * 3600 + qint64(StrToInt(Edit51->text())) * 60 +
              StrToInt(Edit52->text());
    } catch (const ConvertError& e) {
        // An empty scheduled hour, minute or second: the schedule waits, reported once.
        if (!scheduleErrorReported_) ReportLater(e.message());
        scheduleErrorReported_ = true;
        lastScheduleSecond_ = QDateTime();
        return;
    }
    scheduleErrorReported_ = false;
    const int scheduledSeconds = int(qBound<qint64>(-2147483647LL, sum, 2147483647LL));

    QDateTime second = now;
    second.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    QList<QDateTime> seconds;
    if (lastScheduleSecond_.isValid()) {
        const qint64 gap = lastScheduleSecond_.secsTo(second);
        if (gap == 0) return;  // this second has been evaluated already
        if (gap > 0 && gap <= kScheduleCatchUpSeconds)
            for (qint64 k = 1; k <= gap; ++k)
                seconds << lastScheduleSecond_.addSecs(k);
    }
    if (seconds.isEmpty()) seconds << second;
    lastScheduleSecond_ = second;
    for (const QDateTime& t : seconds)
        ScheduleAt(t, scheduledSeconds, t == second);
}

void TForm1::ScheduleAt(const QDateTime& t, int scheduledSeconds, bool current) {
    const int nowSeconds = SecondsOfDay(t.time());
    const bool timeMatch = Edit50->text() == TwoDigits(t.time().hour()) &&
                           Edit51->text() == TwoDigits(t.time().minute()) &&
                           Edit52->text() == TwoDigits(t.time().second());
    const bool dateMatch = Edit47->text() == QString::number(t.date().year()) &&
                           Edit48->text() == TwoDigits(t.date().month()) &&
                           Edit49->text() == TwoDigits(t.date().day());
    const bool timeOn = CheckBox18->isChecked();
    const bool dateOn = CheckBox19->isChecked();
    const bool match = timeOn && timeMatch && (!dateOn || dateMatch);

    // 3b. Automatic start.
    if ((RadioButton3->isChecked() || RadioButton8->isChecked()) && match) {
        BitBtn2Click();
        Panel4->show();
        Panel5->show();
    }

    // 3c. Scheduled text and end actions.
    if ((RadioButton4->isChecked() || RadioButton8->isChecked()) && timeOn) {
        if (dateOn) {
            if (match && CheckBox28->isChecked()) {
                alertState = 0;
                ShowScheduledText();
            }
            if (nowSeconds == qint64(scheduledSeconds) + scheduledTextSeconds)
                EndActions(QStringLiteral(" "));
        } else {
            if (match) {
                alertState = 0;
                if (CheckBox28->isChecked()) ShowScheduledText();
            }
            if (nowSeconds == qint64(scheduledSeconds) + scheduledTextSeconds)
                EndActions(QStringLiteral("  "));
        }
    }

    // 4a. The warning before the scheduled time; a blank lead box gives none.
    const bool hasLead = !TrimControl(Edit11->text()).isEmpty();
    if (hasLead) unitSeconds(Edit11, ComboBox7, warningSeconds);
    if (hasLead && qint64(scheduledSeconds) - nowSeconds == warningSeconds) {
        StatusBar1->setSectionText(1, Edit40->text());
        if (CheckBox9->isChecked()) {
            Label45->setCaption(Edit40->text());
            Label45->show();
            Label52->hide();
        }
        if (CheckBox5->isChecked() && SoundExists(Settings.warningSoundFile))
            PlayPromptSound(MediaPlayer1, Settings.warningSoundFile, true, true);
        if (CheckBox14->isChecked()) {
            Panel1->setColor(Label42->Color());
            alertState = 2;
        }
        return;
    }

    // 4b. The interval sound by time of day (only for the second being shown).
    if (!current || TrimControl(Edit12->text()).isEmpty()) return;
    unitSeconds(Edit12, ComboBox1, intervalSeconds);
    if (intervalSeconds > 0 && nowSeconds % intervalSeconds == 0 && CheckBox2->isChecked() &&
        SoundExists(Settings.intervalSoundFile))
        PlayIntervalChime();
}

void TForm1::ShowScheduledText() {
    Label52->move(Settings.scheduledTextLeft,
                  Settings.scheduledTextTop + (ConciseDisplay() ? 80 : 0));
    if (CheckBox27->isChecked()) {
        Label52->show();
        Label45->hide();
    }
    if (CheckBox1->isChecked() && SoundExists(Settings.timeUpSoundFile))
        PlayPromptSound(MediaPlayer1, Settings.timeUpSoundFile, true, true);
}

void TForm1::EndActions(const QString& separator) {
    Q_UNUSED(separator);  // the program gets its parameters as arguments, not a command line
    Label52->hide();
    if (CheckBox26->isChecked()) {
        // The path is resolved once, in the timer's working directory: the file checked is the
        // file started, and it starts in that same directory, so a relative parameter file
        // names the file that was checked too.
        const QFileInfo program(Settings.scheduledProgramPath);
        if (program.isFile()) {
            QStringList arguments;
            if (CheckBox34->isChecked()) {
                // A parameter that names a file is one argument, blanks and all; other
                // parameter texts are split like a command line.
                const QString text = Edit60->text();
                if (QFileInfo(text).isFile())
                    arguments << text;
                else
                    arguments = QProcess::splitCommand(text);
            }
            platform.launcher->startDetached(program.absoluteFilePath(), arguments,
                                             QDir::currentPath());
        }
    }
    if (CheckBox33->isChecked()) ExitSession(Settings.exitKind);
    if (CheckBox32->isChecked()) close();
}

void TForm1::ExitSession(int kind) {
    switch (kind) {
        case 0:
            platform.session->logOff();
            break;
        case 1:
            platform.session->reboot();
            break;
        case 2:
            platform.session->powerOff();
            break;
        default:
            break;
    }
}

void TForm1::FlashStep() {
    if (alertState == 0 && CheckBox16->isChecked()) {
        Panel1->setColor(Panel1->Color() == Label41->Color() ? Label43->Color() : Label41->Color());
        Label52->show();
        Label45->hide();
    } else if (alertState == 2 && CheckBox14->isChecked()) {
        Panel1->setColor(Panel1->Color() == Label41->Color() ? Label42->Color() : Label41->Color());
        Label45->show();
        Label52->hide();
    }
}

void TForm1::BitBtn37Click() {
    if (BrowseInto(Edit55)) Settings.scheduledProgramPath = Edit55->text();
    if (Edit55->text().isEmpty())
        platform.dialogs->information(QStringLiteral("未选择可执行声音文件！请重新选择！"));
}

void TForm1::BitBtn39Click() {
    if (BrowseInto(Edit60)) Settings.parameterPath = Edit60->text();
    if (Edit60->text().isEmpty())
        platform.dialogs->information(QStringLiteral("未选择被执行文件！请重新选择！"));
}

void TForm1::BitBtn36Click() {
    if (BrowseInto(Edit54)) Settings.systemFilePath = Edit54->text();
    if (Edit54->text().isEmpty()) {
        Settings.systemFilePath = QString();
        Edit54->setFocus();
        Edit54->setText(QStringLiteral("kvtmr.exe"));
        platform.dialogs->information(QStringLiteral("文件名不能为空！请重新选择！"));
    }
}
