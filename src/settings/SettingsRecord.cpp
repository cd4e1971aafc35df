#include "settings/SettingsRecord.h"

namespace {

using R = SettingsRecord;
using K = FieldKind;
using M = MirrorAspect;

constexpr FieldValue N(int v) {
    return FieldValue{v, nullptr};
}
constexpr FieldValue S(const char16_t* t) {
    return FieldValue{0, t};
}

// clang-format off
const std::array<FieldDescriptor, kSettingsFieldCount> kFields = {{
    {1, "systemFilePath", K::Text, &R::systemFilePath, "Edit54", M::Text, S(u"d:\\澄屿计时器\\Kvtmr.exe"), S(u"")},
    {2, "prepSoundOn", K::Flag, &R::prepSoundOn, "CheckBox4", M::Checked, N(1), N(1)},
    {3, "prepSoundFile", K::Text, &R::prepSoundFile, "Edit32", M::Text, S(u"Zbksly.wav"), S(u"")},
    {4, "startSoundOn", K::Flag, &R::startSoundOn, "CheckBox3", M::Checked, N(1), N(1)},
    {5, "startSoundFile", K::Text, &R::startSoundFile, "Edit33", M::Text, S(u"Ksksly.wav"), S(u"")},
    {6, "intervalSoundOn", K::Flag, &R::intervalSoundOn, "CheckBox2", M::Checked, N(1), N(1)},
    {7, "intervalSoundFile", K::Text, &R::intervalSoundFile, "Edit34", M::Text, S(u"Zdjgly.wav"), S(u"")},
    {8, "warningSoundOn", K::Flag, &R::warningSoundOn, "CheckBox5", M::Checked, N(1), N(1)},
    {9, "warningSoundFile", K::Text, &R::warningSoundFile, "Edit35", M::Text, S(u"Zbjjly.wav"), S(u"")},
    {10, "timeUpSoundOn", K::Flag, &R::timeUpSoundOn, "CheckBox1", M::Checked, N(1), N(1)},
    {11, "timeUpSoundFile", K::Text, &R::timeUpSoundFile, "Edit36", M::Text, S(u"Ksjsly.wav"), S(u"")},
    {12, "backgroundSoundOn", K::Flag, &R::backgroundSoundOn, "CheckBox6", M::Checked, N(1), N(1)},
    {13, "backgroundSoundFile", K::Text, &R::backgroundSoundFile, "Edit37", M::Text, S(u"Bjyyly.wav"), S(u"")},
    {14, "titleOn", K::Flag, &R::titleOn, "CheckBox12", M::Checked, N(0), N(0)},
    {15, "titleText", K::Text, &R::titleText, "Edit46", M::Text, S(u"忠诚  精武  奉献"), S(u"")},
    {16, "titleFontName", K::FontName, &R::titleFontName, "Label44", M::FontName, S(u"华文新魏"), S(u"")},
    {17, "titleFontSize", K::FontSize, &R::titleFontSize, "Label44", M::FontSize, N(72), N(72)},
    {18, "titleFrameOn", K::Flag, &R::titleFrameOn, "CheckBox30", M::Checked, N(0), N(0)},
    {19, "titleBackColor", K::Color, &R::titleBackColor, "Label44", M::Color, N(0), N(0)},
    {20, "titleFontColor", K::Color, &R::titleFontColor, "Label44", M::FontColor, N(255), N(255)},
    {21, "titlePosOn", K::Flag, &R::titlePosOn, "CheckBox21", M::Checked, N(1), N(0)},
    {22, "titleLeft", K::Integer, &R::titleLeft, "Edit45", M::Number, N(38), N(38)},
    {23, "titleTop", K::Integer, &R::titleTop, "Edit53", M::Number, N(12), N(12)},
    {24, "promptPosOn", K::Flag, &R::promptPosOn, "CheckBox20", M::Checked, N(1), N(0)},
    {25, "promptLeft", K::Integer, &R::promptLeft, "Edit42", M::Number, N(256), N(256)},
    {26, "promptTop", K::Integer, &R::promptTop, "Edit43", M::Number, N(518), N(518)},
    {27, "promptFontName", K::FontName, &R::promptFontName, "Label45", M::FontName, S(u"华文新魏"), S(u"")},
    {28, "promptFontSize", K::FontSize, &R::promptFontSize, "Label45", M::FontSize, N(72), N(22)},
    {29, "promptFrameOn", K::Flag, &R::promptFrameOn, "CheckBox31", M::Checked, N(0), N(0)},
    {30, "promptBackColor", K::Color, &R::promptBackColor, "Label45", M::Color, N(0), N(0)},
    {31, "promptFontColor", K::Color, &R::promptFontColor, "Label45", M::FontColor, N(255), N(255)},
    {32, "prepTextOn", K::Flag, &R::prepTextOn, "CheckBox7", M::Checked, N(1), N(0)},
    {33, "prepText", K::Text, &R::prepText, "Edit38", M::Text, S(u"预备"), S(u"")},
    {34, "prepTextFontName", K::FontName, &R::prepTextFontName, "Edit38", M::FontName, S(u"宋体"), S(u"")},
    {35, "prepTextFontSize", K::FontSize, &R::prepTextFontSize, "Edit38", M::FontSize, N(11), N(22)},
    {36, "prepTextFontColor", K::Color, &R::prepTextFontColor, "Edit38", M::FontColor, N(0), N(255)},
    {37, "startTextOn", K::Flag, &R::startTextOn, "CheckBox8", M::Checked, N(1), N(0)},
    {38, "startText", K::Text, &R::startText, "Edit39", M::Text, S(u"开始"), S(u"")},
    {39, "startTextFontName", K::FontName, &R::startTextFontName, "Edit39", M::FontName, S(u"宋体"), S(u"")},
    {40, "startTextFontSize", K::FontSize, &R::startTextFontSize, "Edit39", M::FontSize, N(11), N(22)},
    {41, "startTextFontColor", K::Color, &R::startTextFontColor, "Edit39", M::FontColor, N(0), N(255)},
    {42, "warningTextOn", K::Flag, &R::warningTextOn, "CheckBox9", M::Checked, N(1), N(0)},
    {43, "warningText", K::Text, &R::warningText, "Edit40", M::Text, S(u"预报警"), S(u"")},
    {44, "warningTextFontName", K::FontName, &R::warningTextFontName, "Edit40", M::FontName, S(u"宋体"), S(u"")},
    {45, "warningTextFontSize", K::FontSize, &R::warningTextFontSize, "Edit40", M::FontSize, N(11), N(22)},
    {46, "warningTextFontColor", K::Color, &R::warningTextFontColor, "Edit40", M::FontColor, N(0), N(255)},
    {47, "pauseTextOn", K::Flag, &R::pauseTextOn, "CheckBox10", M::Checked, N(1), N(0)},
    {48, "pauseText", K::Text, &R::pauseText, "Edit41", M::Text, S(u"暂停"), S(u"")},
    {49, "pauseTextFontName", K::FontName, &R::pauseTextFontName, "Edit41", M::FontName, S(u"宋体"), S(u"")},
    {50, "pauseTextFontSize", K::FontSize, &R::pauseTextFontSize, "Edit41", M::FontSize, N(11), N(22)},
    {51, "pauseTextFontColor", K::Color, &R::pauseTextFontColor, "Edit41", M::FontColor, N(0), N(255)},
    {52, "timeUpTextOn", K::Flag, &R::timeUpTextOn, "CheckBox11", M::Checked, N(1), N(0)},
    {53, "timeUpText", K::Text, &R::timeUpText, "Edit44", M::Text, S(u"时间到"), S(u"")},
    {54, "timeUpTextFontName", K::FontName, &R::timeUpTextFontName, "Edit44", M::FontName, S(u"宋体"), S(u"")},
    {55, "timeUpTextFontSize", K::FontSize, &R::timeUpTextFontSize, "Edit44", M::FontSize, N(11), N(22)},
    {56, "timeUpTextFontColor", K::Color, &R::timeUpTextFontColor, "Edit44", M::FontColor, N(0), N(255)},
    {57, "prepDuration", K::Integer, &R::prepDuration, "Edit9", M::Number, N(1), N(0)},
    {58, "prepDurationUnit", K::Unit, &R::prepDurationUnit, "ComboBox3", M::Text, S(u"分钟"), S(u"")},
    {59, "mainDuration", K::Integer, &R::mainDuration, "Edit10", M::Number, N(1), N(0)},
    {60, "mainDurationUnit", K::Unit, &R::mainDurationUnit, "ComboBox5", M::Text, S(u"分钟"), S(u"")},
    {61, "intervalDuration", K::Integer, &R::intervalDuration, "Edit12", M::Number, N(10), N(0)},
    {62, "intervalDurationUnit", K::Unit, &R::intervalDurationUnit, "ComboBox1", M::Text, S(u"秒钟"), S(u"")},
    {63, "warningLead", K::Integer, &R::warningLead, "Edit11", M::Number, N(5), N(0)},
    {64, "warningLeadUnit", K::Unit, &R::warningLeadUnit, "ComboBox7", M::Text, S(u"秒钟"), S(u"")},
    {65, "mainBlinkOn", K::Flag, &R::mainBlinkOn, "CheckBox17", M::Checked, N(1), N(1)},
    {66, "mainFontName", K::FontName, &R::mainFontName, "Edit1", M::FontName, S(u"宋体-方正超大字符集"), S(u"")},
    {67, "mainFontSize", K::FontSize, &R::mainFontSize, "Edit1", M::FontSize, N(72), N(72)},
    {68, "mainFontColor", K::Color, &R::mainFontColor, "Edit1", M::FontColor, N(65535), N(65535)},
    {69, "prepBlinkOn", K::Flag, &R::prepBlinkOn, "CheckBox25", M::Checked, N(1), N(1)},
    {70, "prepFontName", K::FontName, &R::prepFontName, "Edit17", M::FontName, S(u"宋体-方正超大字符集"), S(u"")},
    {71, "prepFontSize", K::FontSize, &R::prepFontSize, "Edit17", M::FontSize, N(72), N(72)},
    {72, "prepFontColor", K::Color, &R::prepFontColor, "Edit17", M::FontColor, N(255), N(255)},
    {73, "clockBlinkOn", K::Flag, &R::clockBlinkOn, "CheckBox41", M::Checked, N(1), N(1)},
    {74, "clockFontName", K::FontName, &R::clockFontName, "Edit25", M::FontName, S(u"宋体-方正超大字符集"), S(u"")},
    {75, "clockFontSize", K::FontSize, &R::clockFontSize, "Edit25", M::FontSize, N(72), N(72)},
    {76, "clockFontColor", K::Color, &R::clockFontColor, "Edit25", M::FontColor, N(65280), N(65280)},
    {77, "boardNormalOn", K::Flag, &R::boardNormalOn, "CheckBox13", M::Checked, N(1), N(1)},
    {78, "boardNormalColor", K::Color, &R::boardNormalColor, "Label41", M::Color, N(0), N(0)},
    {79, "boardWarningOn", K::Flag, &R::boardWarningOn, "CheckBox14", M::Checked, N(1), N(1)},
    {80, "boardWarningColor", K::Color, &R::boardWarningColor, "Label42", M::Color, N(65535), N(65535)},
    {81, "boardTimeUpOn", K::Flag, &R::boardTimeUpOn, "CheckBox15", M::Checked, N(1), N(1)},
    {82, "boardTimeUpColor", K::Color, &R::boardTimeUpColor, "Label43", M::Color, N(16711935), N(16711935)},
    {83, "clockPanelColorOn", K::Flag, &R::clockPanelColorOn, "CheckBox22", M::Checked, N(1), N(1)},
    {84, "clockPanelColor", K::Color, &R::clockPanelColor, "Label47", M::Color, N(0), N(0)},
    {85, "clockPanelPosOn", K::Flag, &R::clockPanelPosOn, "CheckBox35", M::Checked, N(1), N(1)},
    {86, "clockPanelLeft", K::Integer, &R::clockPanelLeft, "Edit61", M::Number, N(128), N(128)},
    {87, "clockPanelTop", K::Integer, &R::clockPanelTop, "Edit62", M::Number, N(8), N(8)},
    {88, "clockFrameOn", K::Flag, &R::clockFrameOn, "CheckBox38", M::Checked, N(1), N(1)},
    {89, "clockFrameColor", K::Color, &R::clockFrameColor, "Label27", M::Color, N(0), N(0)},
    {90, "mainPanelColorOn", K::Flag, &R::mainPanelColorOn, "CheckBox23", M::Checked, N(1), N(1)},
    {91, "mainPanelColor", K::Color, &R::mainPanelColor, "Label48", M::Color, N(0), N(0)},
    {92, "mainPanelPosOn", K::Flag, &R::mainPanelPosOn, "CheckBox36", M::Checked, N(1), N(1)},
    {93, "mainPanelLeft", K::Integer, &R::mainPanelLeft, "Edit63", M::Number, N(128), N(128)},
    {94, "mainPanelTop", K::Integer, &R::mainPanelTop, "Edit64", M::Number, N(328), N(328)},
    {95, "mainFrameOn", K::Flag, &R::mainFrameOn, "CheckBox39", M::Checked, N(1), N(1)},
    {96, "mainFrameColor", K::Color, &R::mainFrameColor, "Label28", M::Color, N(0), N(0)},
    {97, "prepPanelColorOn", K::Flag, &R::prepPanelColorOn, "CheckBox24", M::Checked, N(1), N(1)},
    {98, "prepPanelColor", K::Color, &R::prepPanelColor, "Label49", M::Color, N(0), N(0)},
    {99, "prepPanelPosOn", K::Flag, &R::prepPanelPosOn, "CheckBox37", M::Checked, N(1), N(1)},
    {100, "prepPanelLeft", K::Integer, &R::prepPanelLeft, "Edit65", M::Number, N(128), N(128)},
    {101, "prepPanelTop", K::Integer, &R::prepPanelTop, "Edit66", M::Number, N(328), N(328)},
    {102, "prepFrameOn", K::Flag, &R::prepFrameOn, "CheckBox40", M::Checked, N(1), N(1)},
    {103, "prepFrameColor", K::Color, &R::prepFrameColor, "Label29", M::Color, N(0), N(0)},
    {104, "timeUpFlashOn", K::Flag, &R::timeUpFlashOn, "CheckBox16", M::Checked, N(1), N(1)},
    {105, "countUpOn", K::Flag, &R::countUpOn, "RadioButton1", M::Checked, N(0), N(0)},
    {106, "countDownOn", K::Flag, &R::countDownOn, "RadioButton2", M::Checked, N(1), N(1)},
    {107, "autoDateOn", K::Flag, &R::autoDateOn, "CheckBox19", M::Checked, N(0), N(1)},
    {108, "autoYear", K::Text, &R::autoYear, "Edit47", M::Text, S(u"2007"), S(u"")},
    {109, "autoMonth", K::Text, &R::autoMonth, "Edit48", M::Text, S(u"01"), S(u"")},
    {110, "autoDay", K::Text, &R::autoDay, "Edit49", M::Text, S(u"01"), S(u"")},
    {111, "autoTimeOn", K::Flag, &R::autoTimeOn, "CheckBox18", M::Checked, N(1), N(1)},
    {112, "autoHour", K::Text, &R::autoHour, "Edit50", M::Text, S(u"08"), S(u"")},
    {113, "autoMinute", K::Text, &R::autoMinute, "Edit51", M::Text, S(u"00"), S(u"")},
    {114, "autoSecond", K::Text, &R::autoSecond, "Edit52", M::Text, S(u"00"), S(u"")},
    {115, "scheduledCloseOn", K::Flag, &R::scheduledCloseOn, "CheckBox32", M::Checked, N(1), N(1)},
    {116, "scheduledExitOn", K::Flag, &R::scheduledExitOn, "CheckBox33", M::Checked, N(0), N(0)},
    {117, "exitKind", K::ExitKind, &R::exitKind, "RadioButton5", M::ExitKind, N(2), N(2)},
    {118, "modeTimingOn", K::Flag, &R::modeTimingOn, "RadioButton3", M::Checked, N(0), N(0)},
    {119, "modeClockOn", K::Flag, &R::modeClockOn, "RadioButton4", M::Checked, N(1), N(1)},
    {120, "modeBothOn", K::Flag, &R::modeBothOn, "RadioButton8", M::Checked, N(0), N(0)},
    {121, "scheduledProgramOn", K::Flag, &R::scheduledProgramOn, "CheckBox26", M::Checked, N(0), N(0)},
    {122, "scheduledProgramPath", K::Text, &R::scheduledProgramPath, "Edit55", M::Text, S(u" "), S(u"")},
    {123, "parameterOn", K::Flag, &R::parameterOn, "CheckBox34", M::Checked, N(0), N(0)},
    {124, "parameterPath", K::Text, &R::parameterPath, "Edit60", M::Text, S(u""), S(u"")},
    {125, "scheduledTextOn", K::Flag, &R::scheduledTextOn, "CheckBox27", M::Checked, N(1), N(1)},
    {126, "scheduledText", K::Text, &R::scheduledText, "Edit56", M::Text, S(u"开始交班"), S(u"")},
    {127, "scheduledTextFontName", K::FontName, &R::scheduledTextFontName, "Label52", M::FontName, S(u"隶书"), S(u"")},
    {128, "scheduledTextFontSize", K::FontSize, &R::scheduledTextFontSize, "Label52", M::FontSize, N(72), N(72)},
    {129, "scheduledTextFontColor", K::Color, &R::scheduledTextFontColor, "Label52", M::FontColor, N(255), N(255)},
    {130, "scheduledTextPosOn", K::Flag, &R::scheduledTextPosOn, "CheckBox28", M::Checked, N(1), N(1)},
    {131, "scheduledTextLeft", K::Integer, &R::scheduledTextLeft, "Edit57", M::Number, N(256), N(256)},
    {132, "scheduledTextTop", K::Integer, &R::scheduledTextTop, "Edit58", M::Number, N(518), N(518)},
    {133, "scheduledTextFrameOn", K::Flag, &R::scheduledTextFrameOn, "CheckBox29", M::Checked, N(0), N(0)},
    {134, "scheduledTextBackColor", K::Color, &R::scheduledTextBackColor, "Label55", M::Color, N(0), N(0)},
    {135, "scheduledTextDuration", K::Integer, &R::scheduledTextDuration, "Edit59", M::Number, N(5), N(5)},
    {136, "scheduledTextDurationUnit", K::Unit, &R::scheduledTextDurationUnit, "ComboBox2", M::Text, S(u"秒钟"), S(u"")},
    {137, "transparencyOn", K::Flag, &R::transparencyOn, "CheckBox42", M::Checked, N(0), N(0)},
    {138, "transparencyLevel", K::Level, &R::transparencyLevel, "TrackBar1", M::Position, N(255), N(255)},
    {139, "musicLoopOn", K::Flag, &R::musicLoopOn, "CheckBox43", M::Checked, N(1), N(1)},
}};
// clang-format on

void Assign(SettingsRecord& record, const FieldDescriptor& field, const FieldValue& value) {
    if (auto p = std::get_if<int SettingsRecord::*>(&field.member))
        record.*(*p) = value.number;
    else
        record.*(std::get<QString SettingsRecord::*>(field.member)) =
            value.text ? QString::fromUtf16(value.text) : QString();
}

}  // namespace

const std::array<FieldDescriptor, kSettingsFieldCount>& SettingsFields() {
    return kFields;
}

bool IsTextKind(FieldKind kind) {
    return kind == FieldKind::Text || kind == FieldKind::Unit || kind == FieldKind::FontName;
}

QString FieldText(const SettingsRecord& record, const FieldDescriptor& field) {
    if (auto p = std::get_if<int SettingsRecord::*>(&field.member))
        return QString::number(record.*(*p));
    return record.*(std::get<QString SettingsRecord::*>(field.member));
}

void ClearSettingsRecord(SettingsRecord& record) {
    for (const FieldDescriptor& f : kFields)
        Assign(record, f, f.cleared);
}

void LoadFactoryDefaults(SettingsRecord& record) {
    for (const FieldDescriptor& f : kFields)
        Assign(record, f, f.factory);
}
