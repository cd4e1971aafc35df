#include "core/SettingsRecord.h"

namespace {

using R = SettingsRecord;
using K = FieldKind;

constexpr FieldValue N(int v) {
    return FieldValue{v, nullptr};
}
constexpr FieldValue S(const char16_t* t) {
    return FieldValue{0, t};
}

// clang-format off
const std::array<FieldDescriptor, kSettingsFieldCount> kFields = {{
    {1, "systemFilePath", K::Text, &R::systemFilePath, S(u"d:\\澄屿计时器\\Kvtmr.exe"), S(u"")},
    {2, "prepSoundOn", K::Flag, &R::prepSoundOn, N(1), N(1)},
    {3, "prepSoundFile", K::Text, &R::prepSoundFile, S(u"Zbksly.wav"), S(u"")},
    {4, "startSoundOn", K::Flag, &R::startSoundOn, N(1), N(1)},
    {5, "startSoundFile", K::Text, &R::startSoundFile, S(u"Ksksly.wav"), S(u"")},
    {6, "intervalSoundOn", K::Flag, &R::intervalSoundOn, N(1), N(1)},
    {7, "intervalSoundFile", K::Text, &R::intervalSoundFile, S(u"Zdjgly.wav"), S(u"")},
    {8, "warningSoundOn", K::Flag, &R::warningSoundOn, N(1), N(1)},
    {9, "warningSoundFile", K::Text, &R::warningSoundFile, S(u"Zbjjly.wav"), S(u"")},
    {10, "timeUpSoundOn", K::Flag, &R::timeUpSoundOn, N(1), N(1)},
    {11, "timeUpSoundFile", K::Text, &R::timeUpSoundFile, S(u"Ksjsly.wav"), S(u"")},
    {12, "backgroundSoundOn", K::Flag, &R::backgroundSoundOn, N(1), N(1)},
    {13, "backgroundSoundFile", K::Text, &R::backgroundSoundFile, S(u"Bjyyly.wav"), S(u"")},
    {14, "titleOn", K::Flag, &R::titleOn, N(0), N(0)},
    {15, "titleText", K::Text, &R::titleText, S(u"忠诚  精武  奉献"), S(u"")},
    {16, "titleFontName", K::FontName, &R::titleFontName, S(u"华文新魏"), S(u"")},
    {17, "titleFontSize", K::FontSize, &R::titleFontSize, N(72), N(72)},
    {18, "titleFrameOn", K::Flag, &R::titleFrameOn, N(0), N(0)},
    {19, "titleBackColor", K::Color, &R::titleBackColor, N(0), N(0)},
    {20, "titleFontColor", K::Color, &R::titleFontColor, N(255), N(255)},
    {21, "titlePosOn", K::Flag, &R::titlePosOn, N(1), N(0)},
    {22, "titleLeft", K::Integer, &R::titleLeft, N(38), N(38)},
    {23, "titleTop", K::Integer, &R::titleTop, N(12), N(12)},
    {24, "promptPosOn", K::Flag, &R::promptPosOn, N(1), N(0)},
    {25, "promptLeft", K::Integer, &R::promptLeft, N(256), N(256)},
    {26, "promptTop", K::Integer, &R::promptTop, N(518), N(518)},
    {27, "promptFontName", K::FontName, &R::promptFontName, S(u"华文新魏"), S(u"")},
    {28, "promptFontSize", K::FontSize, &R::promptFontSize, N(72), N(22)},
    {29, "promptFrameOn", K::Flag, &R::promptFrameOn, N(0), N(0)},
    {30, "promptBackColor", K::Color, &R::promptBackColor, N(0), N(0)},
    {31, "promptFontColor", K::Color, &R::promptFontColor, N(255), N(255)},
    {32, "prepTextOn", K::Flag, &R::prepTextOn, N(1), N(0)},
    {33, "prepText", K::Text, &R::prepText, S(u"预备"), S(u"")},
    {34, "prepTextFontName", K::FontName, &R::prepTextFontName, S(u"宋体"), S(u"")},
    {35, "prepTextFontSize", K::FontSize, &R::prepTextFontSize, N(11), N(22)},
    {36, "prepTextFontColor", K::Color, &R::prepTextFontColor, N(0), N(255)},
    {37, "startTextOn", K::Flag, &R::startTextOn, N(1), N(0)},
    {38, "startText", K::Text, &R::startText, S(u"开始"), S(u"")},
    {39, "startTextFontName", K::FontName, &R::startTextFontName, S(u"宋体"), S(u"")},
    {40, "startTextFontSize", K::FontSize, &R::startTextFontSize, N(11), N(22)},
    {41, "startTextFontColor", K::Color, &R::startTextFontColor, N(0), N(255)},
    {42, "warningTextOn", K::Flag, &R::warningTextOn, N(1), N(0)},
    {43, "warningText", K::Text, &R::warningText, S(u"预报警"), S(u"")},
    {44, "warningTextFontName", K::FontName, &R::warningTextFontName, S(u"宋体"), S(u"")},
    {45, "warningTextFontSize", K::FontSize, &R::warningTextFontSize, N(11), N(22)},
    {46, "warningTextFontColor", K::Color, &R::warningTextFontColor, N(0), N(255)},
    {47, "pauseTextOn", K::Flag, &R::pauseTextOn, N(1), N(0)},
    {48, "pauseText", K::Text, &R::pauseText, S(u"暂停"), S(u"")},
    {49, "pauseTextFontName", K::FontName, &R::pauseTextFontName, S(u"宋体"), S(u"")},
    {50, "pauseTextFontSize", K::FontSize, &R::pauseTextFontSize, N(11), N(22)},
    {51, "pauseTextFontColor", K::Color, &R::pauseTextFontColor, N(0), N(255)},
    {52, "timeUpTextOn", K::Flag, &R::timeUpTextOn, N(1), N(0)},
    {53, "timeUpText", K::Text, &R::timeUpText, S(u"时间到"), S(u"")},
    {54, "timeUpTextFontName", K::FontName, &R::timeUpTextFontName, S(u"宋体"), S(u"")},
    {55, "timeUpTextFontSize", K::FontSize, &R::timeUpTextFontSize, N(11), N(22)},
    {56, "timeUpTextFontColor", K::Color, &R::timeUpTextFontColor, N(0), N(255)},
    {57, "prepDuration", K::Integer, &R::prepDuration, N(1), N(0)},
    {58, "prepDurationUnit", K::Unit, &R::prepDurationUnit, S(u"分钟"), S(u"")},
    {59, "mainDuration", K::Integer, &R::mainDuration, N(1), N(0)},
    {60, "mainDurationUnit", K::Unit, &R::mainDurationUnit, S(u"分钟"), S(u"")},
    {61, "intervalDuration", K::Integer, &R::intervalDuration, N(10), N(0)},
    {62, "intervalDurationUnit", K::Unit, &R::intervalDurationUnit, S(u"秒钟"), S(u"")},
    {63, "warningLead", K::Integer, &R::warningLead, N(5), N(0)},
    {64, "warningLeadUnit", K::Unit, &R::warningLeadUnit, S(u"秒钟"), S(u"")},
    {65, "mainBlinkOn", K::Flag, &R::mainBlinkOn, N(1), N(1)},
    {66, "mainFontName", K::FontName, &R::mainFontName, S(u"宋体-方正超大字符集"), S(u"")},
    {67, "mainFontSize", K::FontSize, &R::mainFontSize, N(72), N(72)},
    {68, "mainFontColor", K::Color, &R::mainFontColor, N(65535), N(65535)},
    {69, "prepBlinkOn", K::Flag, &R::prepBlinkOn, N(1), N(1)},
    {70, "prepFontName", K::FontName, &R::prepFontName, S(u"宋体-方正超大字符集"), S(u"")},
    {71, "prepFontSize", K::FontSize, &R::prepFontSize, N(72), N(72)},
    {72, "prepFontColor", K::Color, &R::prepFontColor, N(255), N(255)},
    {73, "clockBlinkOn", K::Flag, &R::clockBlinkOn, N(1), N(1)},
    {74, "clockFontName", K::FontName, &R::clockFontName, S(u"宋体-方正超大字符集"), S(u"")},
    {75, "clockFontSize", K::FontSize, &R::clockFontSize, N(72), N(72)},
    {76, "clockFontColor", K::Color, &R::clockFontColor, N(65280), N(65280)},
    {77, "boardNormalOn", K::Flag, &R::boardNormalOn, N(1), N(1)},
    {78, "boardNormalColor", K::Color, &R::boardNormalColor, N(0), N(0)},
    {79, "boardWarningOn", K::Flag, &R::boardWarningOn, N(1), N(1)},
    {80, "boardWarningColor", K::Color, &R::boardWarningColor, N(65535), N(65535)},
    {81, "boardTimeUpOn", K::Flag, &R::boardTimeUpOn, N(1), N(1)},
    {82, "boardTimeUpColor", K::Color, &R::boardTimeUpColor, N(16711935), N(16711935)},
    {83, "clockPanelColorOn", K::Flag, &R::clockPanelColorOn, N(1), N(1)},
    {84, "clockPanelColor", K::Color, &R::clockPanelColor, N(0), N(0)},
    {85, "clockPanelPosOn", K::Flag, &R::clockPanelPosOn, N(1), N(1)},
    {86, "clockPanelLeft", K::Integer, &R::clockPanelLeft, N(128), N(128)},
    {87, "clockPanelTop", K::Integer, &R::clockPanelTop, N(8), N(8)},
    {88, "clockFrameOn", K::Flag, &R::clockFrameOn, N(1), N(1)},
    {89, "clockFrameColor", K::Color, &R::clockFrameColor, N(0), N(0)},
    {90, "mainPanelColorOn", K::Flag, &R::mainPanelColorOn, N(1), N(1)},
    {91, "mainPanelColor", K::Color, &R::mainPanelColor, N(0), N(0)},
    {92, "mainPanelPosOn", K::Flag, &R::mainPanelPosOn, N(1), N(1)},
    {93, "mainPanelLeft", K::Integer, &R::mainPanelLeft, N(128), N(128)},
    {94, "mainPanelTop", K::Integer, &R::mainPanelTop, N(328), N(328)},
    {95, "mainFrameOn", K::Flag, &R::mainFrameOn, N(1), N(1)},
    {96, "mainFrameColor", K::Color, &R::mainFrameColor, N(0), N(0)},
    {97, "prepPanelColorOn", K::Flag, &R::prepPanelColorOn, N(1), N(1)},
    {98, "prepPanelColor", K::Color, &R::prepPanelColor, N(0), N(0)},
    {99, "prepPanelPosOn", K::Flag, &R::prepPanelPosOn, N(1), N(1)},
    {100, "prepPanelLeft", K::Integer, &R::prepPanelLeft, N(128), N(128)},
    {101, "prepPanelTop", K::Integer, &R::prepPanelTop, N(328), N(328)},
    {102, "prepFrameOn", K::Flag, &R::prepFrameOn, N(1), N(1)},
    {103, "prepFrameColor", K::Color, &R::prepFrameColor, N(0), N(0)},
    {104, "timeUpFlashOn", K::Flag, &R::timeUpFlashOn, N(1), N(1)},
    {105, "countUpOn", K::Flag, &R::countUpOn, N(0), N(0)},
    {106, "countDownOn", K::Flag, &R::countDownOn, N(1), N(1)},
    {107, "autoDateOn", K::Flag, &R::autoDateOn, N(0), N(1)},
    {108, "autoYear", K::Text, &R::autoYear, S(u"2007"), S(u"")},
    {109, "autoMonth", K::Text, &R::autoMonth, S(u"01"), S(u"")},
    {110, "autoDay", K::Text, &R::autoDay, S(u"01"), S(u"")},
    {111, "autoTimeOn", K::Flag, &R::autoTimeOn, N(1), N(1)},
    {112, "autoHour", K::Text, &R::autoHour, S(u"08"), S(u"")},
    {113, "autoMinute", K::Text, &R::autoMinute, S(u"00"), S(u"")},
    {114, "autoSecond", K::Text, &R::autoSecond, S(u"00"), S(u"")},
    {115, "scheduledCloseOn", K::Flag, &R::scheduledCloseOn, N(1), N(1)},
    {116, "scheduledExitOn", K::Flag, &R::scheduledExitOn, N(0), N(0)},
    {117, "exitKind", K::ExitKind, &R::exitKind, N(2), N(2)},
    {118, "modeTimingOn", K::Flag, &R::modeTimingOn, N(0), N(0)},
    {119, "modeClockOn", K::Flag, &R::modeClockOn, N(1), N(1)},
    {120, "modeBothOn", K::Flag, &R::modeBothOn, N(0), N(0)},
    {121, "scheduledProgramOn", K::Flag, &R::scheduledProgramOn, N(0), N(0)},
    {122, "scheduledProgramPath", K::Text, &R::scheduledProgramPath, S(u" "), S(u"")},
    {123, "parameterOn", K::Flag, &R::parameterOn, N(0), N(0)},
    {124, "parameterPath", K::Text, &R::parameterPath, S(u""), S(u"")},
    {125, "scheduledTextOn", K::Flag, &R::scheduledTextOn, N(1), N(1)},
    {126, "scheduledText", K::Text, &R::scheduledText, S(u"开始交班"), S(u"")},
    {127, "scheduledTextFontName", K::FontName, &R::scheduledTextFontName, S(u"隶书"), S(u"")},
    {128, "scheduledTextFontSize", K::FontSize, &R::scheduledTextFontSize, N(72), N(72)},
    {129, "scheduledTextFontColor", K::Color, &R::scheduledTextFontColor, N(255), N(255)},
    {130, "scheduledTextPosOn", K::Flag, &R::scheduledTextPosOn, N(1), N(1)},
    {131, "scheduledTextLeft", K::Integer, &R::scheduledTextLeft, N(256), N(256)},
    {132, "scheduledTextTop", K::Integer, &R::scheduledTextTop, N(518), N(518)},
    {133, "scheduledTextFrameOn", K::Flag, &R::scheduledTextFrameOn, N(0), N(0)},
    {134, "scheduledTextBackColor", K::Color, &R::scheduledTextBackColor, N(0), N(0)},
    {135, "scheduledTextDuration", K::Integer, &R::scheduledTextDuration, N(5), N(5)},
    {136, "scheduledTextDurationUnit", K::Unit, &R::scheduledTextDurationUnit, S(u"秒钟"), S(u"")},
    {137, "transparencyOn", K::Flag, &R::transparencyOn, N(0), N(0)},
    {138, "transparencyLevel", K::Level, &R::transparencyLevel, N(255), N(255)},
    {139, "musicLoopOn", K::Flag, &R::musicLoopOn, N(1), N(1)},
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
