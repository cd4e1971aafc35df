#include "clock/ScheduleClock.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRadioButton>

#include "core/Errors.h"
#include "core/SettingsRecord.h"
#include "core/TimeFields.h"
#include "core/WeekNumbers.h"
#include "platform/Dialogs.h"
#include "platform/Reports.h"
#include "platform/Services.h"
#include "platform/TimeSource.h"
#include "presentation/OpenDialog.h"
#include "presentation/PromptTexts.h"
#include "presentation/SoundPrompts.h"
#include "timing/MainTimer.h"
#include "timing/TimeDisplay.h"
#include "widgets/Controls.h"
#include "widgets/DesignSurface.h"

namespace {

int SecondsOfDay(const QTime& t) {
    return t.hour() * 3600 + t.minute() * 60 + t.second();
}

// "0" in front of a one-character text: from 1 to 9 in a month or day box, from 0 to 9 in an
// hour, minute or second box.
void Pad(TEdit* month, TEdit* day, TEdit* hour, TEdit* minute, TEdit* second) {
    const std::pair<TEdit*, char> boxes[] = {
        {month, '1'}, {day, '1'}, {hour, '0'}, {minute, '0'}, {second, '0'}};
    for (const auto& [box, low] : boxes) {
        const QString t = box->text();
        if (t.size() == 1 && t[0] >= QLatin1Char(low) && t[0] <= u'9')
            box->setText(QStringLiteral("0") + t);
    }
}

}  // namespace

ScheduleClock::ScheduleClock(const Services& services, MainTimer& main, SoundPrompts& sound,
                             PromptTexts& prompts, SettingsRecord& settings,
                             const Controls& controls)
    : time_(services.time),
      dialogs_(services.dialogs),
      reports_(services.reports),
      openDialog_(services.openDialog),
      launcher_(services.launcher),
      session_(services.session),
      main_(main),
      sound_(sound),
      prompts_(prompts),
      settings_(settings),
      c_(controls) {}

void ScheduleClock::loadScheduledTextSeconds() {
    unitSeconds(c_.textDurationBox, c_.textDurationUnit, scheduledTextSeconds_);
}

// ---- the clock panel ------------------------------------------------------------------------

void ScheduleClock::showStartTime(const QDateTime& now) {
    const QDate today = now.date();
    c_.year->setText(QString::number(today.year()));
    c_.autoYear->setText(QString::number(today.year()));
    c_.month->setText(QString::number(today.month()));
    c_.autoMonth->setText(QString::number(today.month()));
    c_.day->setText(QString::number(today.day()));
    c_.autoDay->setText(QString::number(today.day()));
    c_.hour->setText(QString::number(now.time().hour()));
    c_.minute->setText(QString::number(now.time().minute()));
    c_.second->setText(QString::number(now.time().second()));
}

void ScheduleClock::PadClockFields() {
    Pad(c_.month, c_.day, c_.hour, c_.minute, c_.second);
}

void ScheduleClock::PadScheduleFields() {
    Pad(c_.autoMonth, c_.autoDay, c_.autoHour, c_.autoMinute, c_.autoSecond);
}

void ScheduleClock::tick() {
    const QDateTime now = time_.now();
    const QDate date = now.date();
    const QTime time = now.time();

    // 1. and 2. Date and time; the minute and hour digits are redrawn at once when they change.
    c_.year->setText(QString::number(date.year()));
    c_.month->setText(TwoDigits(date.month()));
    c_.day->setText(TwoDigits(date.day()));
    c_.hour->setText(TwoDigits(time.hour()));
    c_.minute->setText(TwoDigits(time.minute()));
    c_.second->setText(TwoDigits(time.second()));
    if (c_.second->text() == QStringLiteral("00")) c_.minute->repaint();
    if (c_.minute->text() == QStringLiteral("00")) c_.hour->repaint();

    // 3. and 4. The schedule, the warning before it or else the interval sound.
    scheduleStep(now);

    // 5. Weekday and week numbers.
    c_.weekday->setText(WeekdayNumeral(date));
    c_.weekOfMonth->setText(WeekText(WeekOfMonth(date)));
    c_.weekOfYear->setText(WeekText(WeekOfYear(date)));

    // 6. Background flashing.
    flashStep();

    // 7. Separators.
    StepSeparators(c_.firstSep, c_.secondSep, c_.clockBlink->isChecked());

    // 8. Background music loop.
    sound_.BackgroundLoopCheck();
}

// ---- the schedule ---------------------------------------------------------------------------

void ScheduleClock::scheduleStep(const QDateTime& now) {
    qint64 sum = 0;
    try {
        sum = qint64(StrToInt(c_.autoHour->text())) * 3600 +
              qint64(StrToInt(c_.autoMinute->text())) * 60 + StrToInt(c_.autoSecond->text());
    } catch (const ConvertError& e) {
        // An empty scheduled hour, minute or second: the schedule waits, reported once.
        if (!scheduleErrorReported_) reports_.later(e.message());
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
        scheduleAt(t, scheduledSeconds, t == second);
}

void ScheduleClock::scheduleAt(const QDateTime& t, int scheduledSeconds, bool current) {
    const int nowSeconds = SecondsOfDay(t.time());
    const bool timeMatch = c_.autoHour->text() == TwoDigits(t.time().hour()) &&
                           c_.autoMinute->text() == TwoDigits(t.time().minute()) &&
                           c_.autoSecond->text() == TwoDigits(t.time().second());
    const bool dateMatch = c_.autoYear->text() == QString::number(t.date().year()) &&
                           c_.autoMonth->text() == TwoDigits(t.date().month()) &&
                           c_.autoDay->text() == TwoDigits(t.date().day());
    const bool timeOn = c_.timeOn->isChecked();
    const bool dateOn = c_.dateOn->isChecked();
    const bool match = timeOn && timeMatch && (!dateOn || dateMatch);

    // 3b. Automatic start.
    if ((c_.modeTiming->isChecked() || c_.modeBoth->isChecked()) && match) {
        if (!main_.running()) tell(QStringLiteral("定时自动计时"));
        main_.start();
        c_.timerPanel->show();
        c_.prepPanel->show();
    }

    // 3c. Scheduled text and end actions.
    if ((c_.modeClock->isChecked() || c_.modeBoth->isChecked()) && timeOn) {
        if (dateOn) {
            if (match && c_.textStepOn->isChecked()) {
                main_.setAlertState(0);
                showScheduledText();
            }
            if (nowSeconds == qint64(scheduledSeconds) + scheduledTextSeconds_)
                endActions(QStringLiteral(" "));
        } else {
            if (match) {
                main_.setAlertState(0);
                if (c_.textStepOn->isChecked()) showScheduledText();
            }
            if (nowSeconds == qint64(scheduledSeconds) + scheduledTextSeconds_)
                endActions(QStringLiteral("  "));
        }
    }

    // 4a. The warning before the scheduled time; a blank lead box gives none.
    // A box that does not convert is reported once and skipped; the tick goes on without it.
    const std::optional<int> lead = main_.tickLeadSeconds();
    if (lead && qint64(scheduledSeconds) - nowSeconds == *lead) {
        tell(QStringLiteral("定时预警：%1").arg(c_.warningText->text()));
        prompts_.status(c_.warningText->text());
        if (c_.warningTextOn->isChecked()) {
            c_.prompt->setCaption(c_.warningText->text());
            c_.prompt->show();
            c_.scheduledText->hide();
        }
        if (c_.warningSoundOn->isChecked() && sound_.SoundExists(settings_.warningSoundFile))
            sound_.PlayPromptSound(sound_.promptPlayer(), settings_.warningSoundFile,
                                   SoundFlag::SuspendLoop | SoundFlag::StopBackgroundFirst);
        if (c_.boardWarningOn->isChecked()) {
            c_.board->setColor(c_.warningSwatch->Color());
            main_.setAlertState(2);
        }
        return;
    }

    // 4b. The interval sound by time of day (only for the second being shown).
    if (!current) return;
    const std::optional<int> interval = main_.tickIntervalSeconds();
    if (!interval) return;
    if (*interval > 0 && nowSeconds % *interval == 0 && c_.intervalSoundOn->isChecked() &&
        sound_.SoundExists(settings_.intervalSoundFile))
        sound_.PlayIntervalChime();
}

void ScheduleClock::showScheduledText() {
    tell(
        QStringLiteral("定时提示文字：%1")
            .arg(c_.textOn->isChecked() ? c_.scheduledText->text() : QStringLiteral("（不显示）")));
    const bool concise = conciseDisplay && conciseDisplay();
    MoveDesign(c_.scheduledText, settings_.scheduledTextLeft,
               settings_.scheduledTextTop + (concise ? 80 : 0));
    if (c_.textOn->isChecked()) {
        c_.scheduledText->show();
        c_.prompt->hide();
    }
    if (c_.timeUpSoundOn->isChecked() && sound_.SoundExists(settings_.timeUpSoundFile))
        sound_.PlayPromptSound(sound_.promptPlayer(), settings_.timeUpSoundFile,
                               SoundFlag::SuspendLoop | SoundFlag::StopBackgroundFirst);
}

void ScheduleClock::endActions(const QString& separator) {
    Q_UNUSED(separator);  // the program gets its parameters as arguments, not a command line
    c_.scheduledText->hide();
    if (c_.programOn->isChecked()) {
        // The path is resolved once, in the timer's working directory: the file checked is the
        // file started, and it starts in that same directory, so a relative parameter file
        // names the file that was checked too.
        const QFileInfo program(settings_.scheduledProgramPath);
        if (program.isFile()) {
            QStringList arguments;
            if (c_.parameterOn->isChecked()) {
                // A parameter that names a file is one argument, blanks and all; other
                // parameter texts are split like a command line.
                const QString text = c_.parameterBox->text();
                if (QFileInfo(text).isFile())
                    arguments << text;
                else
                    arguments = QProcess::splitCommand(text);
            }
            const bool started =
                launcher_.startDetached(program.absoluteFilePath(), arguments, QDir::currentPath());
            tell(QStringLiteral("定时执行程序：%1%2")
                     .arg(program.absoluteFilePath(),
                          started ? QString() : QStringLiteral("（未能启动）")));
        } else {
            tell(QStringLiteral("定时执行程序：%1（文件不存在）")
                     .arg(settings_.scheduledProgramPath));
        }
    }
    if (c_.exitOn->isChecked()) {
        static const QString kinds[] = {QStringLiteral("定时注销"), QStringLiteral("定时重启"),
                                        QStringLiteral("定时关机")};
        if (settings_.exitKind >= 0 && settings_.exitKind <= 2) tell(kinds[settings_.exitKind]);
        ExitSession(settings_.exitKind);
    }
    if (c_.closeOn->isChecked() && closeWindow) {
        tell(QStringLiteral("定时关闭"));
        closeWindow();
    }
}

void ScheduleClock::ExitSession(int kind) {
    switch (kind) {
        case 0:
            session_.logOff();
            break;
        case 1:
            session_.reboot();
            break;
        case 2:
            session_.powerOff();
            break;
        default:
            break;
    }
}

void ScheduleClock::flashStep() {
    TPanel* board = c_.board;
    if (main_.alertState() == 0 && c_.flashOn->isChecked()) {
        board->setColor(board->Color() == c_.normalSwatch->Color() ? c_.timeUpSwatch->Color()
                                                                   : c_.normalSwatch->Color());
        c_.scheduledText->show();
        c_.prompt->hide();
    } else if (main_.alertState() == 2 && c_.boardWarningOn->isChecked()) {
        board->setColor(board->Color() == c_.normalSwatch->Color() ? c_.warningSwatch->Color()
                                                                   : c_.normalSwatch->Color());
        c_.prompt->show();
        c_.scheduledText->hide();
    }
}

// ---- the browse buttons of the schedule group ----------------------------------------------

void ScheduleClock::browseProgram() {
    if (openDialog_.browseInto(c_.programBox))
        settings_.scheduledProgramPath = c_.programBox->text();
    if (c_.programBox->text().isEmpty())
        dialogs_.information(QStringLiteral("未选择可执行声音文件！请重新选择！"));
}

void ScheduleClock::browseParameter() {
    if (openDialog_.browseInto(c_.parameterBox)) settings_.parameterPath = c_.parameterBox->text();
    if (c_.parameterBox->text().isEmpty())
        dialogs_.information(QStringLiteral("未选择被执行文件！请重新选择！"));
}

void ScheduleClock::browseSystemFile() {
    if (openDialog_.browseInto(c_.systemFileBox))
        settings_.systemFilePath = c_.systemFileBox->text();
    if (c_.systemFileBox->text().isEmpty()) {
        settings_.systemFilePath = QString();
        c_.systemFileBox->setFocus();
        c_.systemFileBox->setText(QStringLiteral("kvtmr.exe"));
        dialogs_.information(QStringLiteral("文件名不能为空！请重新选择！"));
    }
}
