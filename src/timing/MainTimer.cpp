// The main timer: set, clear, reset, pause, start and the step of Timer1.
#include "app/CCUnit.h"
#include "platform/Errors.h"
#include "timing/TimeFields.h"

void TForm1::Timer1Timer() {
    auto displayAndPrompts = [this] {
        secondsToFields(mainSeconds, mainDigits_);
        ProgressBar1->setPosition(mainSeconds);
        StepSeparators(Edit3, Edit6, CheckBox17->isChecked());
        // A lead-time or interval box left blank means no warning or no interval sound.
        const bool hasLead = !TrimControl(Edit11->text()).isEmpty();
        if (hasLead) unitSeconds(Edit11, ComboBox7, warningSeconds);
        if (hasLead && mainSeconds == warningSeconds) {
            MainWarning();
            return;
        }
        if (TrimControl(Edit12->text()).isEmpty()) return;
        unitSeconds(Edit12, ComboBox1, intervalSeconds);
        if (intervalSeconds > 0 && intervalSeconds < intervalLimit &&
            mainSeconds % intervalSeconds == 0 && CheckBox2->isChecked() &&
            SoundExists(Settings.intervalSoundFile))
            PlayIntervalChime();
    };

    if (RadioButton1->isChecked()) {
        ++mainSeconds;
        if (ProgressBar1->Max() < mainSeconds) {
            MainTimeUp();
            return;
        }
        displayAndPrompts();
    }
    if (RadioButton2->isChecked()) {
        --mainSeconds;
        if (mainSeconds < 0) {
            MainTimeUp();
            return;
        }
        displayAndPrompts();
    }
}

void TForm1::MainWarning() {
    StatusBar1->setSectionText(1, Edit40->text());
    if (CheckBox9->isChecked()) {
        Label45->setCaption(Edit40->text());
        Label45->show();
    }
    if (CheckBox5->isChecked() && SoundExists(Settings.warningSoundFile))
        PlayPromptSound(MediaPlayer1, Settings.warningSoundFile, true, false);
    if (CheckBox14->isChecked()) {
        Panel1->setColor(Label42->Color());
        alertState = 2;
    }
}

void TForm1::MainTimeUp() {
    Timer1->setEnabled(false);
    alertState = 0;
    for (TEdit* sep : {Edit3, Edit6})
        if (sep->text().isEmpty()) sep->setText(kSeparator);
    StatusBar1->setSectionText(1, Edit44->text());
    if (CheckBox11->isChecked()) {
        Label45->setCaption(Edit44->text());
        Label45->show();
    }
    if (CheckBox1->isChecked() && SoundExists(Settings.timeUpSoundFile))
        PlayPromptSound(MediaPlayer1, Settings.timeUpSoundFile, true, false);
    StartBackgroundMusic();
    // The board takes the time-up colour whenever "主板到点" is ticked, in both directions.
    if (CheckBox15->isChecked()) Panel1->setColor(Label43->Color());
    Panel5->hide();
}

void TForm1::BitBtn2Click() {
    if (Timer1->Enabled()) return;
    for (TEdit* d : mainDigits_)
        if (d->text().isEmpty()) d->setText(QStringLiteral("0"));
    for (TEdit* d : mainDigits_)
        d->setReadOnly(true);
    mainSeconds = fieldsToSeconds(mainDigits_);
    ProgressBar1->setPosition(mainSeconds);
    StopIfPlaying(MediaPlayer2);
    ShowPrompt(Edit39->text(), CheckBox8);
    if (CheckBox3->isChecked() && SoundExists(Settings.startSoundFile))
        PlayPromptSound(MediaPlayer1, Settings.startSoundFile, true, false);
    Timer1->setEnabled(true);
    Panel5->hide();
}

void TForm1::BitBtn5Click() {
    if (Timer1->Enabled()) {
        if (platform.dialogs->confirm(QStringLiteral("正在计时，您确定要暂停吗?"))) {
            Timer1->setEnabled(false);
            if (CheckBox10->isChecked()) ShowPrompt(Edit41->text(), CheckBox10);
        }
    }
    StopIfPlaying(MediaPlayer1);
}

void TForm1::BitBtn3Click() {
    if (!Timer1->Enabled() ||
        platform.dialogs->confirm(QStringLiteral("正在计时，您确定要复位吗?"))) {
        Timer1->setEnabled(false);
        for (TEdit* d : mainDigits_)
            d->setReadOnly(false);
        BitBtn6Click();
    }
    StopIfPlaying(MediaPlayer1);
    alertState = 1;
    Panel1->setColor(Label41->Color());
    Settings.musicLoopOn = CheckBox43->isChecked() ? 1 : 0;
}

void TForm1::BitBtn15Click() {
    if (!Timer1->Enabled() ||
        platform.dialogs->confirm(QStringLiteral("正在计时，您确定要清零吗?"))) {
        Timer1->setEnabled(false);
        for (TEdit* d : mainDigits_)
            d->setReadOnly(false);
        const QString zero = QStringLiteral("0");
        const QList<QPair<TEdit*, QString>> boxes = {
            {Edit1, zero}, {Edit2, zero},       {Edit3, kSeparator}, {Edit4, zero},
            {Edit5, zero}, {Edit6, kSeparator}, {Edit7, zero},       {Edit8, zero}};
        for (const auto& [box, text] : boxes)
            box->setText(text);
        mainSeconds = 0;
    }
    StopIfPlaying(MediaPlayer1);
    ProgressBar1->setPosition(0);
    Panel5->show();
}

void TForm1::SpeedButton16Click() {
    if (Timer1->Enabled()) return;
    mainSeconds = fieldsToSeconds(mainDigits_);
    if (const std::optional<int> factor = UnitFactor(ComboBox5->Text()))
        Edit10->setText(QString::number(mainSeconds / *factor));
    ProgressBar1->setMax(mainSeconds);
    ProgressBar1->setPosition(mainSeconds);
}
