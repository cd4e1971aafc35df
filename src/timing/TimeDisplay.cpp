#include "timing/TimeDisplay.h"

#include <QRadioButton>

#include "core/Errors.h"
#include "core/TimeFields.h"
#include "platform/Dialogs.h"
#include "platform/Reports.h"
#include "platform/TTimer.h"
#include "presentation/SoundPrompts.h"
#include "widgets/Controls.h"

TimeDisplay::TimeDisplay(const Controls& c, TTimer& gate, SoundPrompts& sound, Dialogs& dialogs)
    : digits_(c.digits),
      first_(c.firstSeparator),
      second_(c.secondSeparator),
      bar_(c.bar),
      gate_(gate),
      sound_(sound),
      dialogs_(dialogs) {}

void TimeDisplay::secondsToFields(int value) {
    const std::array<int, 6> d = SecondsToDigits(value);
    for (int i = 0; i < 6; ++i)
        digits_[i]->setText(QString::number(d[i]));
}

int TimeDisplay::fieldsToSeconds() const {
    std::array<int, 6> d{};
    for (int i = 0; i < 6; ++i)
        d[i] = StrToInt(digits_[i]->text());
    return DigitsToSeconds(d);
}

void TimeDisplay::digitChange(TEdit* box) {
    // A blank is refused like any other non-digit: a digit box holds a digit or nothing.
    const QString text = box->text();
    if (DigitCheck(text) && (text.isEmpty() || !TrimControl(text).isEmpty())) return;
    // The whole refused text goes in one step, so emptying the box runs this check once more
    // (on the empty text, which passes) and the message comes once, however the text came.
    box->setFocus();
    box->setText(QString());
    dialogs_.information(kIllegalInputMessage);
}

void TimeDisplay::digitClick(TEdit* box) {
    if (gate_.Enabled()) return;
    sound_.StopIfPlaying(sound_.promptPlayer());
    for (TEdit* d : digits_)
        d->setReadOnly(false);
    box->deleteFirstChar();
    for (TEdit* d : digits_)
        if (d != box && d->text().isEmpty()) d->setText(QStringLiteral("0"));
}

void TimeDisplay::digitKeyDown(TEdit* box) {
    if (gate_.Enabled()) return;
    for (int i = 0; i + 1 < 6; ++i)
        if (digits_[i] == box) {
            digits_[i + 1]->setFocus();
            return;
        }
}

void TimeDisplay::separatorClick(TEdit* separator) {
    if (gate_.Enabled() || sound_.promptPlaying()) return;
    if (separator == first_) digits_[2]->setFocus();
    if (separator == second_) digits_[4]->setFocus();
}

void TimeDisplay::stepSeparators(bool blink) {
    StepSeparators(first_, second_, blink);
}

void StepSeparators(TEdit* first, TEdit* second, bool blink) {
    for (TEdit* sep : {first, second})
        sep->setText(blink && !sep->text().isEmpty() ? QString() : kSeparator);
}

void TimeDisplay::showSeparators() {
    first_->setText(kSeparator);
    second_->setText(kSeparator);
}

void TimeDisplay::restoreSeparators() {
    for (TEdit* sep : {first_, second_})
        if (sep->text().isEmpty()) sep->setText(kSeparator);
}

void TimeDisplay::fillEmptyDigits() {
    for (TEdit* d : digits_)
        if (d->text().isEmpty()) d->setText(QStringLiteral("0"));
}

void TimeDisplay::clear() {
    // In the order of the boxes: hours, separator, minutes, separator, seconds.
    const QString zero = QStringLiteral("0");
    digits_[0]->setText(zero);
    digits_[1]->setText(zero);
    first_->setText(kSeparator);
    digits_[2]->setText(zero);
    digits_[3]->setText(zero);
    second_->setText(kSeparator);
    digits_[4]->setText(zero);
    digits_[5]->setText(zero);
}

void TimeDisplay::setReadOnly(bool readOnly) {
    for (TEdit* d : digits_)
        d->setReadOnly(readOnly);
}

void TimeDisplay::loadDuration(const Duration& d, int& seconds, int& countUpTarget,
                               bool separators) {
    if (d.countDown->isChecked()) {
        unitSeconds(d.box, d.unit, seconds);
        bar_->setMax(seconds);
        d.heading->setCaption(d.downCaption);
    }
    if (d.countUp->isChecked()) {
        unitSeconds(d.box, d.unit, countUpTarget);
        seconds = 0;
        bar_->setMax(countUpTarget);
        d.heading->setCaption(d.upCaption);
    }
    bar_->setPosition(seconds);
    secondsToFields(seconds);
    if (separators) showSeparators();
}

void unitSeconds(TEdit* number, TComboBox* unit, int& target) {
    if (const std::optional<int> factor = UnitFactor(unit->Text()))
        target = ScaleDuration(StrToInt(number->text()), *factor);
}

bool tickUnitSeconds(TEdit* number, TComboBox* unit, int& target, Reports& reports) {
    try {
        unitSeconds(number, unit, target);
    } catch (const ConvertError& e) {
        reports.once(number->objectName(), e.message());
        return false;
    }
    reports.settled(number->objectName());
    return true;
}

void writeDuration(int seconds, TEdit* number, TComboBox* unit) {
    if (const std::optional<int> factor = UnitFactor(unit->Text()))
        number->setText(QString::number(seconds / *factor));
}
