// The clock tick and the clock panel.
#include "app/CCUnit.h"
#include "clock/WeekNumbers.h"
#include "timing/TimeFields.h"

namespace {

// "0" in front of a one-character text whose value is from low to 9.
void Pad(TEdit* box, int low) {
    const QString t = box->text();
    if (t.size() == 1 && t[0] >= QLatin1Char('0' + low) && t[0] <= u'9')
        box->setText(QStringLiteral("0") + t);
}
}  // namespace

void TForm1::PadClockFields() {
    Pad(Edit14, 1);
    Pad(Edit15, 1);
    Pad(Edit25, 0);
    Pad(Edit26, 0);
    Pad(Edit27, 0);
}

void TForm1::PadScheduleFields() {
    Pad(Edit48, 1);
    Pad(Edit49, 1);
    Pad(Edit50, 0);
    Pad(Edit51, 0);
    Pad(Edit52, 0);
}

void TForm1::Timer3Timer() {
    const QDateTime now = platform.time->now();
    const QDate date = now.date();
    const QTime time = now.time();

    // 1. and 2. Date and time; the minute and hour digits are redrawn at once when they change.
    Edit13->setText(QString::number(date.year()));
    Edit14->setText(TwoDigits(date.month()));
    Edit15->setText(TwoDigits(date.day()));
    Edit25->setText(TwoDigits(time.hour()));
    Edit26->setText(TwoDigits(time.minute()));
    Edit27->setText(TwoDigits(time.second()));
    if (Edit27->text() == QStringLiteral("00")) Edit26->repaint();
    if (Edit26->text() == QStringLiteral("00")) Edit25->repaint();

    // 3. and 4. The schedule, the warning before it or else the interval sound.
    ScheduleStep(now);

    // 5. Weekday and week numbers.
    Edit16->setText(WeekdayNumeral(date));
    Edit30->setText(WeekText(WeekOfMonth(date)));
    Edit29->setText(WeekText(WeekOfYear(date)));

    // 6. Background flashing.
    FlashStep();

    // 7. Separators.
    StepSeparators(Edit28, Edit31, CheckBox41->isChecked());

    // 8. Background music loop.
    BackgroundLoopCheck();
}
