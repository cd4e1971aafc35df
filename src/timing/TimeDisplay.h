// A time display: six one-digit boxes read as H H ∶ M M ∶ S S, two separator boxes and a
// progress bar, gated by its timer (the boxes take input only while the timer is off). Both
// the main timer and the preparation timer show their value on one.
#pragma once

#include <QString>
#include <array>

class Dialogs;
class QRadioButton;
class SoundPrompts;
class TLabel;
class Reports;
class TComboBox;
class TEdit;
class TProgressBar;
class TTimer;

class TimeDisplay {
  public:
    using Digits = std::array<TEdit*, 6>;
    struct Controls {
        Digits digits;           // hours tens and units, minutes tens and units, seconds ...
        TEdit* firstSeparator;   // between the hours and the minutes
        TEdit* secondSeparator;  // between the minutes and the seconds
        TProgressBar* bar;
    };
    TimeDisplay(const Controls& controls, TTimer& gate, SoundPrompts& sound, Dialogs& dialogs);

    const Digits& digits() const { return digits_; }
    TProgressBar* bar() const { return bar_; }
    TEdit* firstSeparator() const { return first_; }
    TEdit* secondSeparator() const { return second_; }

    // The value into the six digit boxes (hours tens may take two or more characters).
    void secondsToFields(int value);
    // The six digit boxes as seconds; throws ConvertError for a box that holds no number.
    int fieldsToSeconds() const;

    // The digit boxes' handlers.
    void digitChange(TEdit* box);
    void digitClick(TEdit* box);
    void digitKeyDown(TEdit* box);
    // A click on a separator moves the focus to the digit after it (timer off, no prompt
    // sound playing).
    void separatorClick(TEdit* separator);

    // Each separator flips between "∶" and empty (blink), or both show "∶".
    void stepSeparators(bool blink);
    // Both separators show "∶".
    void showSeparators();
    // An empty separator gets "∶" back.
    void restoreSeparators();
    // Every empty digit box gets "0".
    void fillEmptyDigits();
    // All six digits "0", both separators "∶".
    void clear();
    void setReadOnly(bool readOnly);

    // Where a timer's duration comes from: the counting direction, the duration and unit
    // boxes of the settings panel, and the panel heading with its two captions.
    struct Duration {
        QRadioButton* countUp;
        QRadioButton* countDown;
        TEdit* box;
        TComboBox* unit;
        TLabel* heading;
        QString downCaption;
        QString upCaption;
    };
    // The duration onto the display: counting down the value is the duration and the bar's
    // maximum; counting up the value is 0 and the duration (kept in countUpTarget) the bar's
    // maximum. separators: both separators show "∶" afterwards.
    void loadDuration(const Duration& d, int& seconds, int& countUpTarget, bool separators);

  private:
    Digits digits_;
    TEdit* first_;
    TEdit* second_;
    TProgressBar* bar_;
    TTimer& gate_;
    SoundPrompts& sound_;
    Dialogs& dialogs_;
};

// Each separator flips between "∶" and empty (blink), or both show "∶".
void StepSeparators(TEdit* first, TEdit* second, bool blink);

// Durations of the settings panel: a number box and its unit box ("秒钟", "分钟", "小时").
// The target becomes the duration in seconds, or stays as it is for any other unit text.
void unitSeconds(TEdit* number, TComboBox* unit, int& target);
// The same inside a tick: false when the box does not convert (the target stays), its error
// reported once for each text the box holds, so the rest of the tick goes on.
bool tickUnitSeconds(TEdit* number, TComboBox* unit, int& target, Reports& reports);
// A duration in seconds back into its number box, in the unit the unit box shows (the
// remainder dropped); any other unit text leaves the box as it is.
void writeDuration(int seconds, TEdit* number, TComboBox* unit);
