// The preparation timer: its commands, the step of Timer2 and the hand-over to the main timer.
#include "app/CCUnit.h"
#include "timing/TimeFields.h"

void TForm1::Timer2Timer() {
    auto show = [this] {
        secondsToFields(prepSeconds, prepDigits_);
        ProgressBar2->setPosition(prepSeconds);
        StepSeparators(Edit19, Edit22, CheckBox25->isChecked());
    };
    if (RadioButton1->isChecked()) {
        // Counting up, the bar's position is the value between steps.
        prepSeconds = ProgressBar2->Position() + 1;
        if (prepSeconds > ProgressBar2->Max()) {
            PrepHandOver();
            return;
        }
        show();
    }
    if (RadioButton2->isChecked()) {
        --prepSeconds;
        if (prepSeconds < 0) {
            PrepHandOver();
            return;
        }
        show();
    }
}

void TForm1::PrepHandOver() {
    Timer2->setEnabled(false);
    for (TEdit* sep : {Edit19, Edit22})
        if (sep->text().isEmpty()) sep->setText(kSeparator);
    if (SoundExists(Settings.startSoundFile))
        PlayPromptSound(MediaPlayer1, Settings.startSoundFile, true, false);
    BitBtn2Click();
}

void TForm1::BitBtn14Click() {
    StopIfPlaying(MediaPlayer2);
    if (Timer2->Enabled()) return;
    ShowPrompt(Edit38->text(), CheckBox7);
    if (CheckBox4->isChecked() && SoundExists(Settings.prepSoundFile))
        PlayPromptSound(MediaPlayer1, Settings.prepSoundFile, false, false);
    for (TEdit* d : prepDigits_)
        if (d->text().isEmpty()) d->setText(QStringLiteral("0"));
    for (TEdit* d : prepDigits_)
        d->setReadOnly(true);
    prepSeconds = fieldsToSeconds(prepDigits_);
    ProgressBar2->setPosition(prepSeconds);
    Timer2->setEnabled(true);
}

void TForm1::BitBtn13Click() {
    if (Timer2->Enabled()) {
        if (platform.dialogs->confirm(QStringLiteral("正在预备倒计时，您确定要暂停吗?")))
            Timer2->setEnabled(false);
        if (Panel5->isHidden()) Panel5->show();
    }
    StopIfPlaying(MediaPlayer1);
}

void TForm1::BitBtn12Click() {
    if (!Timer2->Enabled() ||
        platform.dialogs->confirm(QStringLiteral("正在预备倒计时，您确定要复位吗?"))) {
        Timer2->setEnabled(false);
        for (TEdit* d : prepDigits_)
            d->setReadOnly(false);
        BitBtn6Click();
    }
    StopIfPlaying(MediaPlayer1);
    Settings.musicLoopOn = CheckBox43->isChecked() ? 1 : 0;
}

void TForm1::BitBtn16Click() {
    if (!Timer2->Enabled() ||
        platform.dialogs->confirm(QStringLiteral("正在倒计时，您确定要复位吗?"))) {
        Timer2->setEnabled(false);
        if (Panel5->isHidden()) Panel5->show();
        for (TEdit* d : prepDigits_)
            d->setReadOnly(false);
        for (TEdit* d : prepDigits_)
            d->setText(QStringLiteral("0"));
        Edit19->setText(kSeparator);
        Edit22->setText(kSeparator);
        prepSeconds = 0;
    }
    StopIfPlaying(MediaPlayer1);
    ProgressBar2->setPosition(0);
}

void TForm1::SpeedButton11Click() {
    if (Timer2->Enabled()) return;
    if (Panel5->isHidden()) Panel5->show();
    prepSeconds = fieldsToSeconds(prepDigits_);
    if (const std::optional<int> factor = UnitFactor(ComboBox3->Text()))
        Edit9->setText(QString::number(prepSeconds / *factor));
    ProgressBar2->setMax(prepSeconds);
    ProgressBar2->setPosition(prepSeconds);
}
