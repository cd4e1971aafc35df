#include "settings/SettingsBinding.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QSlider>
#include <stdexcept>

#include "core/Errors.h"
#include "widgets/Controls.h"
#include "widgets/DesignSurface.h"

namespace {

using R = SettingsRecord;
using B = SettingsBinding;

// Finds a bound control of the form by its name; a form without it is a programming error.
template <class T>
T* Find(QWidget* form, const char* name) {
    T* control = form->findChild<T*>(QString::fromLatin1(name));
    if (!control) throw std::logic_error(std::string("settings binding: no control ") + name);
    return control;
}

ColorControl* FindColor(QWidget* form, const char* name) {
    ColorControl* c = ColorControl::of(Find<QWidget>(form, name));
    if (!c) throw std::logic_error(std::string("settings binding: no colour on ") + name);
    return c;
}

std::vector<B::Row> MakeRows(QWidget* form) {
    const auto Check = [form](int R::*f, const char* n) {
        return B::Row(B::Check{f, Find<QAbstractButton>(form, n)});
    };
    const auto Text = [form](QString R::*f, const char* n) {
        return B::Row(B::Text{f, Find<TEdit>(form, n)});
    };
    const auto Unit = [form](QString R::*f, const char* n) {
        return B::Row(B::Unit{f, Find<TComboBox>(form, n)});
    };
    const auto Number = [form](int R::*f, const char* n) {
        return B::Row(B::Number{f, Find<TEdit>(form, n)});
    };
    const auto FontName = [form](QString R::*f, const char* n) {
        return B::Row(B::FontName{f, Find<QWidget>(form, n)});
    };
    const auto FontSize = [form](int R::*f, const char* n) {
        return B::Row(B::FontSize{f, Find<QWidget>(form, n)});
    };
    const auto FontColor = [form](int R::*f, const char* n) {
        return B::Row(B::FontColor{f, FindColor(form, n)});
    };
    const auto Color = [form](int R::*f, const char* n, const char* shown = nullptr) {
        return B::Row(B::Color{f, FindColor(form, n), shown ? FindColor(form, shown) : nullptr});
    };
    const auto ExitKind = [form](int R::*f, std::array<const char*, 3> n) {
        return B::Row(B::ExitKind{f,
                                  {Find<QRadioButton>(form, n[0]), Find<QRadioButton>(form, n[1]),
                                   Find<QRadioButton>(form, n[2])}});
    };
    const auto Level = [form](int R::*f, const char* n) {
        return B::Row(B::Level{f, Find<QSlider>(form, n)});
    };
    // clang-format off
    return {
        Text(&R::systemFilePath, "Edit54"),  // 1
        Check(&R::prepSoundOn, "CheckBox4"),  // 2
        Text(&R::prepSoundFile, "Edit32"),  // 3
        Check(&R::startSoundOn, "CheckBox3"),  // 4
        Text(&R::startSoundFile, "Edit33"),  // 5
        Check(&R::intervalSoundOn, "CheckBox2"),  // 6
        Text(&R::intervalSoundFile, "Edit34"),  // 7
        Check(&R::warningSoundOn, "CheckBox5"),  // 8
        Text(&R::warningSoundFile, "Edit35"),  // 9
        Check(&R::timeUpSoundOn, "CheckBox1"),  // 10
        Text(&R::timeUpSoundFile, "Edit36"),  // 11
        Check(&R::backgroundSoundOn, "CheckBox6"),  // 12
        Text(&R::backgroundSoundFile, "Edit37"),  // 13
        Check(&R::titleOn, "CheckBox12"),  // 14
        Text(&R::titleText, "Edit46"),  // 15
        FontName(&R::titleFontName, "Label44"),  // 16
        FontSize(&R::titleFontSize, "Label44"),  // 17
        Check(&R::titleFrameOn, "CheckBox30"),  // 18
        Color(&R::titleBackColor, "Label44"),  // 19
        FontColor(&R::titleFontColor, "Label44"),  // 20
        Check(&R::titlePosOn, "CheckBox21"),  // 21
        Number(&R::titleLeft, "Edit45"),  // 22
        Number(&R::titleTop, "Edit53"),  // 23
        Check(&R::promptPosOn, "CheckBox20"),  // 24
        Number(&R::promptLeft, "Edit42"),  // 25
        Number(&R::promptTop, "Edit43"),  // 26
        FontName(&R::promptFontName, "Label45"),  // 27
        FontSize(&R::promptFontSize, "Label45"),  // 28
        Check(&R::promptFrameOn, "CheckBox31"),  // 29
        Color(&R::promptBackColor, "Label45"),  // 30
        FontColor(&R::promptFontColor, "Label45"),  // 31
        Check(&R::prepTextOn, "CheckBox7"),  // 32
        Text(&R::prepText, "Edit38"),  // 33
        FontName(&R::prepTextFontName, "Edit38"),  // 34
        FontSize(&R::prepTextFontSize, "Edit38"),  // 35
        FontColor(&R::prepTextFontColor, "Edit38"),  // 36
        Check(&R::startTextOn, "CheckBox8"),  // 37
        Text(&R::startText, "Edit39"),  // 38
        FontName(&R::startTextFontName, "Edit39"),  // 39
        FontSize(&R::startTextFontSize, "Edit39"),  // 40
        FontColor(&R::startTextFontColor, "Edit39"),  // 41
        Check(&R::warningTextOn, "CheckBox9"),  // 42
        Text(&R::warningText, "Edit40"),  // 43
        FontName(&R::warningTextFontName, "Edit40"),  // 44
        FontSize(&R::warningTextFontSize, "Edit40"),  // 45
        FontColor(&R::warningTextFontColor, "Edit40"),  // 46
        Check(&R::pauseTextOn, "CheckBox10"),  // 47
        Text(&R::pauseText, "Edit41"),  // 48
        FontName(&R::pauseTextFontName, "Edit41"),  // 49
        FontSize(&R::pauseTextFontSize, "Edit41"),  // 50
        FontColor(&R::pauseTextFontColor, "Edit41"),  // 51
        Check(&R::timeUpTextOn, "CheckBox11"),  // 52
        Text(&R::timeUpText, "Edit44"),  // 53
        FontName(&R::timeUpTextFontName, "Edit44"),  // 54
        FontSize(&R::timeUpTextFontSize, "Edit44"),  // 55
        FontColor(&R::timeUpTextFontColor, "Edit44"),  // 56
        Number(&R::prepDuration, "Edit9"),  // 57
        Unit(&R::prepDurationUnit, "ComboBox3"),  // 58
        Number(&R::mainDuration, "Edit10"),  // 59
        Unit(&R::mainDurationUnit, "ComboBox5"),  // 60
        Number(&R::intervalDuration, "Edit12"),  // 61
        Unit(&R::intervalDurationUnit, "ComboBox1"),  // 62
        Number(&R::warningLead, "Edit11"),  // 63
        Unit(&R::warningLeadUnit, "ComboBox7"),  // 64
        Check(&R::mainBlinkOn, "CheckBox17"),  // 65
        FontName(&R::mainFontName, "Edit1"),  // 66
        FontSize(&R::mainFontSize, "Edit1"),  // 67
        FontColor(&R::mainFontColor, "Edit1"),  // 68
        Check(&R::prepBlinkOn, "CheckBox25"),  // 69
        FontName(&R::prepFontName, "Edit17"),  // 70
        FontSize(&R::prepFontSize, "Edit17"),  // 71
        FontColor(&R::prepFontColor, "Edit17"),  // 72
        Check(&R::clockBlinkOn, "CheckBox41"),  // 73
        FontName(&R::clockFontName, "Edit25"),  // 74
        FontSize(&R::clockFontSize, "Edit25"),  // 75
        FontColor(&R::clockFontColor, "Edit25"),  // 76
        Check(&R::boardNormalOn, "CheckBox13"),  // 77
        Color(&R::boardNormalColor, "Label41"),  // 78
        Check(&R::boardWarningOn, "CheckBox14"),  // 79
        Color(&R::boardWarningColor, "Label42"),  // 80
        Check(&R::boardTimeUpOn, "CheckBox15"),  // 81
        Color(&R::boardTimeUpColor, "Label43"),  // 82
        Check(&R::clockPanelColorOn, "CheckBox22"),  // 83
        Color(&R::clockPanelColor, "Label47"),  // 84
        Check(&R::clockPanelPosOn, "CheckBox35"),  // 85
        Number(&R::clockPanelLeft, "Edit61"),  // 86
        Number(&R::clockPanelTop, "Edit62"),  // 87
        Check(&R::clockFrameOn, "CheckBox38"),  // 88
        Color(&R::clockFrameColor, "Label27", "Edit13"),  // 89
        Check(&R::mainPanelColorOn, "CheckBox23"),  // 90
        Color(&R::mainPanelColor, "Label48"),  // 91
        Check(&R::mainPanelPosOn, "CheckBox36"),  // 92
        Number(&R::mainPanelLeft, "Edit63"),  // 93
        Number(&R::mainPanelTop, "Edit64"),  // 94
        Check(&R::mainFrameOn, "CheckBox39"),  // 95
        Color(&R::mainFrameColor, "Label28", "Edit1"),  // 96
        Check(&R::prepPanelColorOn, "CheckBox24"),  // 97
        Color(&R::prepPanelColor, "Label49"),  // 98
        Check(&R::prepPanelPosOn, "CheckBox37"),  // 99
        Number(&R::prepPanelLeft, "Edit65"),  // 100
        Number(&R::prepPanelTop, "Edit66"),  // 101
        Check(&R::prepFrameOn, "CheckBox40"),  // 102
        Color(&R::prepFrameColor, "Label29", "Edit17"),  // 103
        Check(&R::timeUpFlashOn, "CheckBox16"),  // 104
        Check(&R::countUpOn, "RadioButton1"),  // 105
        Check(&R::countDownOn, "RadioButton2"),  // 106
        Check(&R::autoDateOn, "CheckBox19"),  // 107
        Text(&R::autoYear, "Edit47"),  // 108
        Text(&R::autoMonth, "Edit48"),  // 109
        Text(&R::autoDay, "Edit49"),  // 110
        Check(&R::autoTimeOn, "CheckBox18"),  // 111
        Text(&R::autoHour, "Edit50"),  // 112
        Text(&R::autoMinute, "Edit51"),  // 113
        Text(&R::autoSecond, "Edit52"),  // 114
        Check(&R::scheduledCloseOn, "CheckBox32"),  // 115
        Check(&R::scheduledExitOn, "CheckBox33"),  // 116
        ExitKind(&R::exitKind, {"RadioButton5", "RadioButton6", "RadioButton7"}),  // 117
        Check(&R::modeTimingOn, "RadioButton3"),  // 118
        Check(&R::modeClockOn, "RadioButton4"),  // 119
        Check(&R::modeBothOn, "RadioButton8"),  // 120
        Check(&R::scheduledProgramOn, "CheckBox26"),  // 121
        Text(&R::scheduledProgramPath, "Edit55"),  // 122
        Check(&R::parameterOn, "CheckBox34"),  // 123
        Text(&R::parameterPath, "Edit60"),  // 124
        Check(&R::scheduledTextOn, "CheckBox27"),  // 125
        Text(&R::scheduledText, "Edit56"),  // 126
        FontName(&R::scheduledTextFontName, "Label52"),  // 127
        FontSize(&R::scheduledTextFontSize, "Label52"),  // 128
        FontColor(&R::scheduledTextFontColor, "Label52"),  // 129
        Check(&R::scheduledTextPosOn, "CheckBox28"),  // 130
        Number(&R::scheduledTextLeft, "Edit57"),  // 131
        Number(&R::scheduledTextTop, "Edit58"),  // 132
        Check(&R::scheduledTextFrameOn, "CheckBox29"),  // 133
        Color(&R::scheduledTextBackColor, "Label55"),  // 134
        Number(&R::scheduledTextDuration, "Edit59"),  // 135
        Unit(&R::scheduledTextDurationUnit, "ComboBox2"),  // 136
        Check(&R::transparencyOn, "CheckBox42"),  // 137
        Level(&R::transparencyLevel, "TrackBar1"),  // 138
        Check(&R::musicLoopOn, "CheckBox43"),  // 139
    };
    // clang-format on
}

// Font name and size onto a control's font as designed, keeping the rest of it.
void SetFamily(QWidget* w, const QString& name) {
    QFont f = DesignFont(w);
    f.setFamilies({name});
    SetDesignFont(w, f);
}

void SetPoints(QWidget* w, int points) {
    QFont f = DesignFont(w);
    SetFontSize(f, points);
    SetDesignFont(w, f);
}

bool On(int flag) {
    return flag == 1;
}

}  // namespace

SettingsBinding::SettingsBinding(QWidget* form, SettingsRecord& record)
    : record_(record), rows_(MakeRows(form)) {
    for (const char* name :
         {"Edit54",  "Edit32",    "Edit33", "Edit34",    "Edit35",   "Edit36",    "Edit37",
          "Edit46",  "Label44",   "Edit45", "Edit53",    "Edit42",   "Edit43",    "Label45",
          "Edit38",  "Edit39",    "Edit40", "Edit41",    "Edit44",   "Edit9",     "ComboBox3",
          "Edit10",  "ComboBox5", "Edit12", "ComboBox1", "Edit11",   "ComboBox7", "Edit61",
          "Edit62",  "Edit63",    "Edit64", "Edit65",    "Edit66",   "Edit47",    "Edit48",
          "Edit49",  "Edit50",    "Edit51", "Edit52",    "Edit55",   "Edit60",    "Edit56",
          "Label52", "Edit57",    "Edit58", "Edit59",    "ComboBox2"})
        cleared_ << Find<QObject>(form, name);
}

void SettingsBinding::ClearSettingsPanel() {
    for (QObject* o : cleared_) {
        if (auto* edit = qobject_cast<TEdit*>(o))
            edit->setText(QString());
        else if (auto* label = qobject_cast<TLabel*>(o))
            label->setCaption(QString());
        else if (auto* combo = qobject_cast<TComboBox*>(o))
            combo->setText(QString());
    }
}

void SettingsBinding::CollectSettings() {
    R& r = record_;
    for (const Row& row : rows_) {
        std::visit(
            [&r](const auto& b) {
                using T = std::decay_t<decltype(b)>;
                if constexpr (std::is_same_v<T, Check>) {
                    r.*b.field = b.box->isChecked() ? 1 : 0;
                } else if constexpr (std::is_same_v<T, Text>) {
                    r.*b.field = b.box->text();
                } else if constexpr (std::is_same_v<T, Unit>) {
                    r.*b.field = b.box->Text();
                } else if constexpr (std::is_same_v<T, Number>) {
                    r.*b.field = StrToInt(b.box->text());
                } else if constexpr (std::is_same_v<T, FontName>) {
                    r.*b.field = DesignFont(b.control).family();
                } else if constexpr (std::is_same_v<T, FontSize>) {
                    r.*b.field = ::FontSize(DesignFont(b.control));
                } else if constexpr (std::is_same_v<T, FontColor>) {
                    r.*b.field = b.control->FontColor();
                } else if constexpr (std::is_same_v<T, Color>) {
                    if (b.shown) b.swatch->setColor(b.shown->Color());
                    r.*b.field = b.swatch->Color();
                } else if constexpr (std::is_same_v<T, ExitKind>) {
                    for (int kind = 0; kind < 3; ++kind)
                        if (b.buttons[kind]->isChecked()) {
                            r.*b.field = kind;
                            break;
                        }
                } else if constexpr (std::is_same_v<T, Level>) {
                    r.*b.field = b.slider->value();
                }
            },
            row);
    }
}

void SettingsBinding::applyFields() {
    const R& r = record_;
    for (const Row& row : rows_) {
        std::visit(
            [&r](const auto& b) {
                using T = std::decay_t<decltype(b)>;
                if constexpr (std::is_same_v<T, Check>) {
                    // A radio button is checked or unchecked on its own, in the record's order.
                    if (auto* radio = qobject_cast<QRadioButton*>(b.box))
                        SetRadioChecked(radio, On(r.*b.field));
                    else
                        b.box->setChecked(On(r.*b.field));
                } else if constexpr (std::is_same_v<T, Text>) {
                    b.box->setText(r.*b.field);
                } else if constexpr (std::is_same_v<T, Unit>) {
                    b.box->setText(r.*b.field);
                } else if constexpr (std::is_same_v<T, Number>) {
                    b.box->setText(QString::number(r.*b.field));
                } else if constexpr (std::is_same_v<T, FontName>) {
                    SetFamily(b.control, r.*b.field);
                } else if constexpr (std::is_same_v<T, FontSize>) {
                    SetPoints(b.control, r.*b.field);
                } else if constexpr (std::is_same_v<T, FontColor>) {
                    b.control->setFontColor(r.*b.field);
                } else if constexpr (std::is_same_v<T, Color>) {
                    b.swatch->setColor(r.*b.field);
                } else if constexpr (std::is_same_v<T, ExitKind>) {
                    const int kind = r.*b.field;
                    if (kind >= 0 && kind < 3) b.buttons[kind]->setChecked(true);
                } else if constexpr (std::is_same_v<T, Level>) {
                    b.slider->setValue(r.*b.field);
                }
            },
            row);
    }
}
