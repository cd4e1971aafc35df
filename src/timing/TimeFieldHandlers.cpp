// The digit boxes of the two time displays and the duration boxes of the settings panel.
#include "app/CCUnit.h"
#include "platform/Errors.h"
#include "timing/TimeFields.h"

void TForm1::secondsToFields(int value, const Digits& digits) {
    const std::array<int, 6> d = SecondsToDigits(value);
    for (int i = 0; i < 6; ++i)
        digits[i]->setText(QString::number(d[i]));
}

int TForm1::fieldsToSeconds(const Digits& digits) const {
    std::array<int, 6> d{};
    for (int i = 0; i < 6; ++i)
        d[i] = StrToInt(digits[i]->text());
    return DigitsToSeconds(d);
}

void TForm1::unitSeconds(TEdit* number, TComboBox* unit, int& target) const {
    if (const std::optional<int> factor = UnitFactor(unit->Text()))
        target = ScaleDuration(StrToInt(number->text()), *factor);
}

void TForm1::DigitChange(TEdit* box) {
    // A blank is refused like any other non-digit: a digit box holds a digit or nothing.
    const QString text = box->text();
    if (DigitCheck(text) && (text.isEmpty() || !TrimControl(text).isEmpty())) return;
    // The whole refused text goes in one step, so emptying the box runs this check once more
    // (on the empty text, which passes) and the message comes once, however the text came.
    box->setFocus();
    box->setText(QString());
    platform.dialogs->information(kIllegalInputMessage);
}

void TForm1::DigitClick(TEdit* box, TTimer* gate, const Digits& digits) {
    if (gate->Enabled()) return;
    StopIfPlaying(MediaPlayer1);
    for (TEdit* d : digits)
        d->setReadOnly(false);
    box->deleteFirstChar();
    for (TEdit* d : digits)
        if (d != box && d->text().isEmpty()) d->setText(QStringLiteral("0"));
}

void TForm1::DigitKeyDown(TEdit* box, TTimer* gate, const Digits& digits) {
    if (gate->Enabled()) return;
    for (int i = 0; i + 1 < 6; ++i)
        if (digits[i] == box) {
            digits[i + 1]->setFocus();
            return;
        }
}

void TForm1::CheckNumberBox(TEdit* box, const QString& resetText) {
    if (DigitCheck(box->text())) return;
    box->setText(QString());
    box->setFocus();
    box->setText(resetText);
    platform.dialogs->information(kIllegalInputMessage);
}

void TForm1::Edit3Click() {
    if (!Timer1->Enabled() && MediaPlayer1->state() != PlayerState::Playing) Edit4->setFocus();
}

void TForm1::Edit6Click() {
    if (!Timer1->Enabled() && MediaPlayer1->state() != PlayerState::Playing) Edit7->setFocus();
}

void TForm1::Edit19Click() {
    if (!Timer2->Enabled() && MediaPlayer1->state() != PlayerState::Playing) Edit20->setFocus();
}

void TForm1::Edit22Click() {
    if (!Timer2->Enabled() && MediaPlayer1->state() != PlayerState::Playing) Edit23->setFocus();
}

void TForm1::StepSeparators(TEdit* first, TEdit* second, bool blink) {
    for (TEdit* sep : {first, second})
        sep->setText(blink && !sep->text().isEmpty() ? QString() : kSeparator);
}
