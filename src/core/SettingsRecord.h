// The settings record: every option of the settings panel and the display properties the
// panel's buttons change, 139 fields in a fixed order that is also the settings file's line
// order. One table of field descriptors (line, name, kind, member, factory default, cleared
// value) drives the defaults, the cleared values and the file; the window's side of the
// record, which control each field mirrors, is the settings binding's.
#pragma once

#include <QString>
#include <array>
#include <variant>

struct SettingsRecord {
    QString systemFilePath{};             // 1
    int prepSoundOn{};                    // 2
    QString prepSoundFile{};              // 3
    int startSoundOn{};                   // 4
    QString startSoundFile{};             // 5
    int intervalSoundOn{};                // 6
    QString intervalSoundFile{};          // 7
    int warningSoundOn{};                 // 8
    QString warningSoundFile{};           // 9
    int timeUpSoundOn{};                  // 10
    QString timeUpSoundFile{};            // 11
    int backgroundSoundOn{};              // 12
    QString backgroundSoundFile{};        // 13
    int titleOn{};                        // 14
    QString titleText{};                  // 15
    QString titleFontName{};              // 16
    int titleFontSize{};                  // 17
    int titleFrameOn{};                   // 18
    int titleBackColor{};                 // 19
    int titleFontColor{};                 // 20
    int titlePosOn{};                     // 21
    int titleLeft{};                      // 22
    int titleTop{};                       // 23
    int promptPosOn{};                    // 24
    int promptLeft{};                     // 25
    int promptTop{};                      // 26
    QString promptFontName{};             // 27
    int promptFontSize{};                 // 28
    int promptFrameOn{};                  // 29
    int promptBackColor{};                // 30
    int promptFontColor{};                // 31
    int prepTextOn{};                     // 32
    QString prepText{};                   // 33
    QString prepTextFontName{};           // 34
    int prepTextFontSize{};               // 35
    int prepTextFontColor{};              // 36
    int startTextOn{};                    // 37
    QString startText{};                  // 38
    QString startTextFontName{};          // 39
    int startTextFontSize{};              // 40
    int startTextFontColor{};             // 41
    int warningTextOn{};                  // 42
    QString warningText{};                // 43
    QString warningTextFontName{};        // 44
    int warningTextFontSize{};            // 45
    int warningTextFontColor{};           // 46
    int pauseTextOn{};                    // 47
    QString pauseText{};                  // 48
    QString pauseTextFontName{};          // 49
    int pauseTextFontSize{};              // 50
    int pauseTextFontColor{};             // 51
    int timeUpTextOn{};                   // 52
    QString timeUpText{};                 // 53
    QString timeUpTextFontName{};         // 54
    int timeUpTextFontSize{};             // 55
    int timeUpTextFontColor{};            // 56
    int prepDuration{};                   // 57
    QString prepDurationUnit{};           // 58
    int mainDuration{};                   // 59
    QString mainDurationUnit{};           // 60
    int intervalDuration{};               // 61
    QString intervalDurationUnit{};       // 62
    int warningLead{};                    // 63
    QString warningLeadUnit{};            // 64
    int mainBlinkOn{};                    // 65
    QString mainFontName{};               // 66
    int mainFontSize{};                   // 67
    int mainFontColor{};                  // 68
    int prepBlinkOn{};                    // 69
    QString prepFontName{};               // 70
    int prepFontSize{};                   // 71
    int prepFontColor{};                  // 72
    int clockBlinkOn{};                   // 73
    QString clockFontName{};              // 74
    int clockFontSize{};                  // 75
    int clockFontColor{};                 // 76
    int boardNormalOn{};                  // 77
    int boardNormalColor{};               // 78
    int boardWarningOn{};                 // 79
    int boardWarningColor{};              // 80
    int boardTimeUpOn{};                  // 81
    int boardTimeUpColor{};               // 82
    int clockPanelColorOn{};              // 83
    int clockPanelColor{};                // 84
    int clockPanelPosOn{};                // 85
    int clockPanelLeft{};                 // 86
    int clockPanelTop{};                  // 87
    int clockFrameOn{};                   // 88
    int clockFrameColor{};                // 89
    int mainPanelColorOn{};               // 90
    int mainPanelColor{};                 // 91
    int mainPanelPosOn{};                 // 92
    int mainPanelLeft{};                  // 93
    int mainPanelTop{};                   // 94
    int mainFrameOn{};                    // 95
    int mainFrameColor{};                 // 96
    int prepPanelColorOn{};               // 97
    int prepPanelColor{};                 // 98
    int prepPanelPosOn{};                 // 99
    int prepPanelLeft{};                  // 100
    int prepPanelTop{};                   // 101
    int prepFrameOn{};                    // 102
    int prepFrameColor{};                 // 103
    int timeUpFlashOn{};                  // 104
    int countUpOn{};                      // 105
    int countDownOn{};                    // 106
    int autoDateOn{};                     // 107
    QString autoYear{};                   // 108
    QString autoMonth{};                  // 109
    QString autoDay{};                    // 110
    int autoTimeOn{};                     // 111
    QString autoHour{};                   // 112
    QString autoMinute{};                 // 113
    QString autoSecond{};                 // 114
    int scheduledCloseOn{};               // 115
    int scheduledExitOn{};                // 116
    int exitKind{};                       // 117
    int modeTimingOn{};                   // 118
    int modeClockOn{};                    // 119
    int modeBothOn{};                     // 120
    int scheduledProgramOn{};             // 121
    QString scheduledProgramPath{};       // 122
    int parameterOn{};                    // 123
    QString parameterPath{};              // 124
    int scheduledTextOn{};                // 125
    QString scheduledText{};              // 126
    QString scheduledTextFontName{};      // 127
    int scheduledTextFontSize{};          // 128
    int scheduledTextFontColor{};         // 129
    int scheduledTextPosOn{};             // 130
    int scheduledTextLeft{};              // 131
    int scheduledTextTop{};               // 132
    int scheduledTextFrameOn{};           // 133
    int scheduledTextBackColor{};         // 134
    int scheduledTextDuration{};          // 135
    QString scheduledTextDurationUnit{};  // 136
    int transparencyOn{};                 // 137
    int transparencyLevel{};              // 138
    int musicLoopOn{};                    // 139
};

// What a field holds; a text kind is written trimmed and read as it stands, every other kind
// is a signed decimal integer.
enum class FieldKind { Flag, Integer, Text, Unit, FontName, FontSize, Color, ExitKind, Level };

struct FieldValue {
    int number = 0;
    const char16_t* text = nullptr;  // set for the text kinds
};

struct FieldDescriptor {
    int line;
    const char* name;
    FieldKind kind;
    std::variant<int SettingsRecord::*, QString SettingsRecord::*> member;
    FieldValue factory;  // LoadFactoryDefaults
    FieldValue cleared;  // ClearSettingsRecord
};

constexpr int kSettingsFieldCount = 139;

const std::array<FieldDescriptor, kSettingsFieldCount>& SettingsFields();

bool IsTextKind(FieldKind kind);

// A field's value as its file line would hold it before trimming: the text, or the decimal.
QString FieldText(const SettingsRecord& record, const FieldDescriptor& field);

// Sets every field to its cleared value.
void ClearSettingsRecord(SettingsRecord& record);
// Sets every field to its factory default.
void LoadFactoryDefaults(SettingsRecord& record);
