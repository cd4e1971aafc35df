#include "settings/SettingsPanel.h"

#include <QCheckBox>
#include <QSlider>

#include "clock/ScheduleClock.h"
#include "core/Errors.h"
#include "core/SettingsFile.h"
#include "core/SettingsRecord.h"
#include "presentation/ColourSwatches.h"
#include "presentation/SoundPrompts.h"
#include "settings/SettingsBinding.h"
#include "timing/MainTimer.h"
#include "timing/PrepTimer.h"
#include "widgets/Controls.h"
#include "widgets/DesignSurface.h"

namespace {

// A stored font (name, size, colour) onto a row of controls, keeping their style.
void SetFontOf(const QList<QWidget*>& row, const QString& name, int size, TColor color) {
    for (QWidget* w : row) {
        QFont f = DesignFont(w);
        f.setFamilies({name});
        SetFontSize(f, size);
        SetDesignFont(w, f);
        if (ColorControl* c = ColorControl::of(w)) c->setFontColor(color);
    }
}

}  // namespace

SettingsPanel::SettingsPanel(const Parts& parts, SettingsRecord& settings, const Controls& controls)
    : binding_(parts.binding),
      main_(parts.main),
      prep_(parts.prep),
      sound_(parts.sound),
      clock_(parts.clock),
      colours_(parts.colours),
      settings_(settings),
      c_(controls) {}

void SettingsPanel::ApplySettings() {
    const SettingsRecord& s = settings_;
    // Every field onto the control it mirrors, in the record's order.
    binding_.applyFields();

    // Then what follows from them, in this order.
    // The title, the prompt label and the scheduled text take their captions and places.
    c_.title->setCaption(c_.titleText->text());
    MoveDesign(c_.title, s.titleLeft, s.titleTop);
    MoveDesign(c_.prompt, s.promptLeft, s.promptTop);
    // Every digit and separator box of the three displays takes its display's font.
    SetFontOf(c_.mainDigitsAndSeparators, s.mainFontName, s.mainFontSize, s.mainFontColor);
    SetFontOf(c_.prepDigitsAndSeparators, s.prepFontName, s.prepFontSize, s.prepFontColor);
    SetFontOf(c_.clockTime, s.clockFontName, s.clockFontSize, s.clockFontColor);
    // The board and the panels take their swatches' colours and their places; the rows of
    // boxes take theirs.
    c_.board->setColor(c_.normalSwatch->Color());
    c_.clockPanel->setColor(c_.clockSwatch->Color());
    MoveDesign(c_.clockPanel, s.clockPanelLeft, s.clockPanelTop);
    colours_.ApplyClockBoxColour();
    c_.timerPanel->setColor(c_.timerSwatch->Color());
    MoveDesign(c_.timerPanel, s.mainPanelLeft, s.mainPanelTop);
    colours_.ApplyTimerBoxColour();
    c_.prepPanel->setColor(c_.prepSwatch->Color());
    MoveDesign(c_.prepPanel, s.prepPanelLeft, s.prepPanelTop);
    colours_.ApplyPrepBoxColour();
    c_.scheduledText->setCaption(c_.scheduledTextBox->text());
    MoveDesign(c_.scheduledText, s.scheduledTextLeft, DesignPos(c_.scheduledText).y());
    MoveDesign(c_.scheduledText, DesignPos(c_.scheduledText).x(), s.scheduledTextTop);
    c_.scheduledText->setColor(s.scheduledTextBackColor);

    // Visibility and placement, from the controls just set.
    c_.title->setCaption(c_.titleText->text());
    c_.title->setVisible(c_.titleOn->isChecked());
    if (c_.titlePosOn->isChecked())
        MoveDesign(c_.title, StrToInt(c_.titleLeft->text()), StrToInt(c_.titleTop->text()));
    MoveDesign(c_.prompt, StrToInt(c_.promptLeft->text()), StrToInt(c_.promptTop->text()));
    c_.prompt->setVisible(c_.promptPosOn->isChecked());
    c_.scheduledText->setCaption(c_.scheduledTextBox->text());
    c_.scheduledText->setVisible(c_.scheduledTextOn->isChecked());
    if (c_.scheduledTextPosOn->isChecked())
        MoveDesign(c_.scheduledText, StrToInt(c_.scheduledTextLeft->text()),
                   StrToInt(c_.scheduledTextTop->text()));
    MoveDesign(c_.clockPanel, DesignPos(c_.clockPanel).x(), s.clockPanelTop);
    MoveDesign(c_.timerPanel, DesignPos(c_.timerPanel).x(), s.mainPanelTop);
    MoveDesign(c_.prepPanel, DesignPos(c_.prepPanel).x(), s.prepPanelTop);
    MoveDesign(c_.clockPanel, s.clockPanelLeft, DesignPos(c_.clockPanel).y());
    MoveDesign(c_.timerPanel, s.mainPanelLeft, DesignPos(c_.timerPanel).y());
    MoveDesign(c_.prepPanel, s.prepPanelLeft, DesignPos(c_.prepPanel).y());
    if (applyUsageMode) applyUsageMode();
    if (c_.transparencyOn->isChecked()) colours_.SetOpacity(c_.level->value());
}

void SettingsPanel::OK() {
    // 1. and 2. The preparation and main durations onto their displays, by the direction.
    prep_.loadDuration(true);
    main_.loadDuration(true);
    // 3. to 5.
    sound_.StartBackgroundMusic();
    clock_.PadClockFields();
    clock_.PadScheduleFields();
    binding_.CollectSettings();
    WriteSettingsFile(settingsFilePath ? settingsFilePath() : QString(), settings_);
    loadFailed_ = false;
    ApplySettings();
    // 6. to 10.
    clock_.loadScheduledTextSeconds();
    main_.takeIntervalLimit();
    if (applyUsageMode) applyUsageMode();
    if (!c_.backgroundOn->isChecked()) sound_.StopIfPlaying(sound_.musicPlayer());
    if (!c_.intervalSoundOn->isChecked()) sound_.StopIfPlaying(sound_.promptPlayer());
    c_.panel->hide();
    // The sounds as now ticked: those that cannot be played are listed once.
    sound_.CheckSoundFiles();
}

void SettingsPanel::Default() {
    binding_.ClearSettingsPanel();
    LoadFactoryDefaults(settings_);
    ApplySettings();
}

void SettingsPanel::Cancel() {
    binding_.ClearSettingsPanel();
    ApplySettings();
}
