// The settings panel's copy operations between the panel and the settings record, and its
// OK, Default and Cancel commands.
#include <QCheckBox>
#include <QRadioButton>
#include <QSlider>

#include "app/CCUnit.h"
#include "platform/Errors.h"
#include "settings/SettingsFile.h"
#include "timing/TimeFields.h"

namespace {

// Font name and size onto a control, keeping its style.
void SetFontNameSize(QWidget* w, const QString& name, int size) {
    QFont f = w->font();
    f.setFamilies({name});
    SetFontSize(f, size);
    w->setFont(f);
}

void SetFontOf(QWidget* w, const QString& name, int size, TColor color) {
    SetFontNameSize(w, name, size);
    if (ColorControl* c = ColorControl::of(w)) c->setFontColor(color);
}

bool On(int flag) {
    return flag == 1;
}

}  // namespace

void TForm1::ClearSettingsPanel() {
    const QList<QObject*> controls = {
        Edit54,    Edit32, Edit33,    Edit34, Edit35,    Edit36,  Edit37,    Edit46,
        Label44,   Edit45, Edit53,    Edit42, Edit43,    Label45, Edit38,    Edit39,
        Edit40,    Edit41, Edit44,    Edit9,  ComboBox3, Edit10,  ComboBox5, Edit12,
        ComboBox1, Edit11, ComboBox7, Edit61, Edit62,    Edit63,  Edit64,    Edit65,
        Edit66,    Edit47, Edit48,    Edit49, Edit50,    Edit51,  Edit52,    Edit55,
        Edit60,    Edit56, Label52,   Edit57, Edit58,    Edit59,  ComboBox2};
    for (QObject* o : controls) {
        if (auto* edit = qobject_cast<TEdit*>(o))
            edit->setText(QString());
        else if (auto* label = qobject_cast<TLabel*>(o))
            label->setCaption(QString());
        else if (auto* combo = qobject_cast<TComboBox*>(o))
            combo->setText(QString());
    }
}

void TForm1::CollectSettings() {
    for (const FieldDescriptor& f : SettingsFields()) {
        QWidget* control = findChild<QWidget*>(QString::fromLatin1(f.control));
        Q_ASSERT_X(control, "CollectSettings", f.control);
        int* number = nullptr;
        QString* text = nullptr;
        if (auto p = std::get_if<int SettingsRecord::*>(&f.member))
            number = &(Settings.*(*p));
        else
            text = &(Settings.*(std::get<QString SettingsRecord::*>(f.member)));

        switch (f.aspect) {
            case MirrorAspect::Checked:
                *number = static_cast<QAbstractButton*>(control)->isChecked() ? 1 : 0;
                break;
            case MirrorAspect::Text:
                if (auto* combo = qobject_cast<TComboBox*>(control))
                    *text = combo->Text();
                else
                    *text = static_cast<TEdit*>(control)->text();
                break;
            case MirrorAspect::Number:
                *number = StrToInt(static_cast<TEdit*>(control)->text());
                break;
            case MirrorAspect::FontName:
                *text = control->font().family();
                break;
            case MirrorAspect::FontSize:
                *number = FontSize(control->font());
                break;
            case MirrorAspect::FontColor:
                *number = ColorControl::of(control)->FontColor();
                break;
            case MirrorAspect::Color:
                // The frame swatches first take the colour the boxes really show.
                if (control == Label27) Label27->setColor(Edit13->Color());
                if (control == Label28) Label28->setColor(Edit1->Color());
                if (control == Label29) Label29->setColor(Edit17->Color());
                *number = ColorControl::of(control)->Color();
                break;
            case MirrorAspect::ExitKind:
                if (RadioButton5->isChecked())
                    *number = 0;
                else if (RadioButton6->isChecked())
                    *number = 1;
                else if (RadioButton7->isChecked())
                    *number = 2;
                break;
            case MirrorAspect::Position:
                *number = TrackBar1->value();
                break;
        }
    }
}

void TForm1::ApplySettings() {
    const SettingsRecord& s = Settings;
    // 1. System file and the six sounds.
    Edit54->setText(s.systemFilePath);
    const struct {
        QCheckBox* check;
        TEdit* box;
        int on;
        const QString& file;
    } sounds[] = {
        {CheckBox4, Edit32, s.prepSoundOn, s.prepSoundFile},
        {CheckBox3, Edit33, s.startSoundOn, s.startSoundFile},
        {CheckBox2, Edit34, s.intervalSoundOn, s.intervalSoundFile},
        {CheckBox5, Edit35, s.warningSoundOn, s.warningSoundFile},
        {CheckBox1, Edit36, s.timeUpSoundOn, s.timeUpSoundFile},
        {CheckBox6, Edit37, s.backgroundSoundOn, s.backgroundSoundFile},
    };
    for (const auto& snd : sounds) {
        snd.check->setChecked(On(snd.on));
        snd.box->setText(snd.file);
    }

    // 2. Title.
    CheckBox12->setChecked(On(s.titleOn));
    Edit46->setText(s.titleText);
    Label44->setCaption(Edit46->text());
    SetFontNameSize(Label44, s.titleFontName, s.titleFontSize);
    CheckBox30->setChecked(On(s.titleFrameOn));
    Label44->setColor(s.titleBackColor);
    Label44->setFontColor(s.titleFontColor);
    CheckBox21->setChecked(On(s.titlePosOn));
    Edit45->setText(QString::number(s.titleLeft));
    Edit53->setText(QString::number(s.titleTop));
    Label44->move(s.titleLeft, s.titleTop);

    // 3. Prompt label.
    CheckBox20->setChecked(On(s.promptPosOn));
    Edit42->setText(QString::number(s.promptLeft));
    Edit43->setText(QString::number(s.promptTop));
    Label45->move(s.promptLeft, s.promptTop);
    SetFontNameSize(Label45, s.promptFontName, s.promptFontSize);
    CheckBox31->setChecked(On(s.promptFrameOn));
    Label45->setColor(s.promptBackColor);
    Label45->setFontColor(s.promptFontColor);

    // 4. The five prompt texts.
    const struct {
        QCheckBox* check;
        TEdit* box;
        int on;
        const QString& text;
        const QString& font;
        int size;
        int color;
    } prompts[] = {
        {CheckBox7, Edit38, s.prepTextOn, s.prepText, s.prepTextFontName, s.prepTextFontSize,
         s.prepTextFontColor},
        {CheckBox8, Edit39, s.startTextOn, s.startText, s.startTextFontName, s.startTextFontSize,
         s.startTextFontColor},
        {CheckBox9, Edit40, s.warningTextOn, s.warningText, s.warningTextFontName,
         s.warningTextFontSize, s.warningTextFontColor},
        {CheckBox10, Edit41, s.pauseTextOn, s.pauseText, s.pauseTextFontName, s.pauseTextFontSize,
         s.pauseTextFontColor},
        {CheckBox11, Edit44, s.timeUpTextOn, s.timeUpText, s.timeUpTextFontName,
         s.timeUpTextFontSize, s.timeUpTextFontColor},
    };
    for (const auto& p : prompts) {
        p.check->setChecked(On(p.on));
        p.box->setText(p.text);
        SetFontOf(p.box, p.font, p.size, p.color);
    }

    // 5. Durations.
    Edit9->setText(QString::number(s.prepDuration));
    ComboBox3->setText(s.prepDurationUnit);
    Edit10->setText(QString::number(s.mainDuration));
    ComboBox5->setText(s.mainDurationUnit);
    Edit12->setText(QString::number(s.intervalDuration));
    ComboBox1->setText(s.intervalDurationUnit);
    Edit11->setText(QString::number(s.warningLead));
    ComboBox7->setText(s.warningLeadUnit);

    // 6. Digit fonts.
    CheckBox17->setChecked(On(s.mainBlinkOn));
    for (TEdit* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8})
        SetFontOf(e, s.mainFontName, s.mainFontSize, s.mainFontColor);
    CheckBox25->setChecked(On(s.prepBlinkOn));
    for (TEdit* e : {Edit17, Edit18, Edit19, Edit20, Edit21, Edit22, Edit23, Edit24})
        SetFontOf(e, s.prepFontName, s.prepFontSize, s.prepFontColor);
    CheckBox41->setChecked(On(s.clockBlinkOn));
    for (TEdit* e : {Edit25, Edit26, Edit27, Edit28, Edit31})
        SetFontOf(e, s.clockFontName, s.clockFontSize, s.clockFontColor);

    // 7. Main display colours.
    CheckBox13->setChecked(On(s.boardNormalOn));
    Label41->setColor(s.boardNormalColor);
    Panel1->setColor(Label41->Color());
    CheckBox14->setChecked(On(s.boardWarningOn));
    Label42->setColor(s.boardWarningColor);
    CheckBox15->setChecked(On(s.boardTimeUpOn));
    Label43->setColor(s.boardTimeUpColor);

    // 8. Clock panel.
    CheckBox22->setChecked(On(s.clockPanelColorOn));
    Label47->setColor(s.clockPanelColor);
    Panel3->setColor(Label47->Color());
    CheckBox35->setChecked(On(s.clockPanelPosOn));
    Edit61->setText(QString::number(s.clockPanelLeft));
    Edit62->setText(QString::number(s.clockPanelTop));
    Panel3->move(s.clockPanelLeft, s.clockPanelTop);
    CheckBox38->setChecked(On(s.clockFrameOn));
    Label27->setColor(s.clockFrameColor);
    ApplyClockBoxColour();

    // 9. Main timer panel.
    CheckBox23->setChecked(On(s.mainPanelColorOn));
    Label48->setColor(s.mainPanelColor);
    Panel4->setColor(Label48->Color());
    CheckBox36->setChecked(On(s.mainPanelPosOn));
    Edit63->setText(QString::number(s.mainPanelLeft));
    Edit64->setText(QString::number(s.mainPanelTop));
    Panel4->move(s.mainPanelLeft, s.mainPanelTop);
    CheckBox39->setChecked(On(s.mainFrameOn));
    Label28->setColor(s.mainFrameColor);
    ApplyTimerBoxColour();

    // 10. Preparation panel.
    CheckBox24->setChecked(On(s.prepPanelColorOn));
    Label49->setColor(s.prepPanelColor);
    Panel5->setColor(Label49->Color());
    CheckBox37->setChecked(On(s.prepPanelPosOn));
    Edit65->setText(QString::number(s.prepPanelLeft));
    Edit66->setText(QString::number(s.prepPanelTop));
    Panel5->move(s.prepPanelLeft, s.prepPanelTop);
    CheckBox40->setChecked(On(s.prepFrameOn));
    Label29->setColor(s.prepFrameColor);
    ApplyPrepBoxColour();

    // 11. Flashing, direction, schedule, system.
    CheckBox16->setChecked(On(s.timeUpFlashOn));
    SetRadioChecked(RadioButton1, On(s.countUpOn));
    SetRadioChecked(RadioButton2, On(s.countDownOn));
    CheckBox19->setChecked(On(s.autoDateOn));
    Edit47->setText(s.autoYear);
    Edit48->setText(s.autoMonth);
    Edit49->setText(s.autoDay);
    CheckBox18->setChecked(On(s.autoTimeOn));
    Edit50->setText(s.autoHour);
    Edit51->setText(s.autoMinute);
    Edit52->setText(s.autoSecond);
    CheckBox32->setChecked(On(s.scheduledCloseOn));
    CheckBox33->setChecked(On(s.scheduledExitOn));

    // 12. Exit kind: any other value leaves the group as it is.
    if (s.exitKind == 0) RadioButton5->setChecked(true);
    if (s.exitKind == 1) RadioButton6->setChecked(true);
    if (s.exitKind == 2) RadioButton7->setChecked(true);

    // 13. Usage mode, each button on its own, in this order.
    SetRadioChecked(RadioButton3, On(s.modeTimingOn));
    SetRadioChecked(RadioButton4, On(s.modeClockOn));
    SetRadioChecked(RadioButton8, On(s.modeBothOn));

    // 14. Scheduled program.
    CheckBox26->setChecked(On(s.scheduledProgramOn));
    Edit55->setText(s.scheduledProgramPath);
    CheckBox34->setChecked(On(s.parameterOn));
    Edit60->setText(s.parameterPath);

    // 15. Scheduled text.
    CheckBox27->setChecked(On(s.scheduledTextOn));
    Edit56->setText(s.scheduledText);
    Label52->setCaption(Edit56->text());
    SetFontOf(Label52, s.scheduledTextFontName, s.scheduledTextFontSize, s.scheduledTextFontColor);
    CheckBox28->setChecked(On(s.scheduledTextPosOn));
    Edit57->setText(QString::number(s.scheduledTextLeft));
    Label52->move(s.scheduledTextLeft, Label52->y());
    Edit58->setText(QString::number(s.scheduledTextTop));
    Label52->move(Label52->x(), s.scheduledTextTop);
    CheckBox29->setChecked(On(s.scheduledTextFrameOn));
    Label52->setColor(s.scheduledTextBackColor);
    Label55->setColor(s.scheduledTextBackColor);
    Edit59->setText(QString::number(s.scheduledTextDuration));
    ComboBox2->setText(s.scheduledTextDurationUnit);

    // 16. Transparency and the music loop.
    CheckBox42->setChecked(On(s.transparencyOn));
    TrackBar1->setValue(s.transparencyLevel);
    CheckBox43->setChecked(On(s.musicLoopOn));

    // 17. Visibility and placement, from the controls just set.
    Label44->setCaption(Edit46->text());
    Label44->setVisible(CheckBox12->isChecked());
    if (CheckBox21->isChecked()) Label44->move(StrToInt(Edit45->text()), StrToInt(Edit53->text()));
    Label45->move(StrToInt(Edit42->text()), StrToInt(Edit43->text()));
    Label45->setVisible(CheckBox20->isChecked());
    Label52->setCaption(Edit56->text());
    Label52->setVisible(CheckBox27->isChecked());
    if (CheckBox28->isChecked()) Label52->move(StrToInt(Edit57->text()), StrToInt(Edit58->text()));
    Panel3->move(Panel3->x(), s.clockPanelTop);
    Panel4->move(Panel4->x(), s.mainPanelTop);
    Panel5->move(Panel5->x(), s.prepPanelTop);
    Panel3->move(s.clockPanelLeft, Panel3->y());
    Panel4->move(s.mainPanelLeft, Panel4->y());
    Panel5->move(s.prepPanelLeft, Panel5->y());
    ApplyUsageMode();
    if (CheckBox42->isChecked()) SetOpacity(TrackBar1->value());
}

// The preparation and main durations onto their displays, by the counting direction.
void TForm1::BitBtn6Click() {
    // 1. Preparation duration.
    if (RadioButton2->isChecked()) {
        unitSeconds(Edit9, ComboBox3, prepSeconds);
        ProgressBar2->setMax(prepSeconds);
        Label14->setText(QStringLiteral("预备倒计时"));
    }
    if (RadioButton1->isChecked()) {
        unitSeconds(Edit9, ComboBox3, prepCountUpTarget);
        prepSeconds = 0;
        ProgressBar2->setMax(prepCountUpTarget);
        Label14->setText(QStringLiteral("预备计时"));
    }
    ProgressBar2->setPosition(prepSeconds);
    secondsToFields(prepSeconds, prepDigits_);
    Edit19->setText(kSeparator);
    Edit22->setText(kSeparator);

    // 2. Main duration.
    if (RadioButton2->isChecked()) {
        unitSeconds(Edit10, ComboBox5, mainSeconds);
        ProgressBar1->setMax(mainSeconds);
        Label13->setText(QStringLiteral("倒计时"));
    }
    if (RadioButton1->isChecked()) {
        unitSeconds(Edit10, ComboBox5, mainCountUpTarget);
        mainSeconds = 0;
        ProgressBar1->setMax(mainCountUpTarget);
        Label13->setText(QStringLiteral("计时"));
    }
    ProgressBar1->setPosition(mainSeconds);
    secondsToFields(mainSeconds, mainDigits_);
    Edit3->setText(kSeparator);
    Edit6->setText(kSeparator);

    // 3. to 5.
    StartBackgroundMusic();
    PadClockFields();
    PadScheduleFields();
    CollectSettings();
    WriteSettingsFile(SettingsFilePath(), Settings);
    settingsLoadFailed_ = false;
    ApplySettings();

    // 6. to 10.
    unitSeconds(Edit59, ComboBox2, scheduledTextSeconds);
    intervalLimit = ProgressBar1->Max();
    ApplyUsageMode();
    if (!CheckBox6->isChecked()) StopIfPlaying(MediaPlayer2);
    if (!CheckBox2->isChecked()) StopIfPlaying(MediaPlayer1);
    Panel2->hide();
}

void TForm1::BitBtn26Click() {
    ClearSettingsPanel();
    LoadFactoryDefaults(Settings);
    ApplySettings();
}

void TForm1::BitBtn27Click() {
    ClearSettingsPanel();
    ApplySettings();
}
