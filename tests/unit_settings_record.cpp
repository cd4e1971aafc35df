// The settings record: every field's factory default and cleared value, in file order.
#include <QtTest>

#include "settings/SettingsRecord.h"

class SettingsRecordTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void fieldsInOrder();
    void defaultsAndCleared_data();
    void defaultsAndCleared();
};

// The fields of the record in order, with their factory default and cleared value.
struct Row {
    int line;
    const char* name;
    const char* factory;
    const char* cleared;
};
// clang-format off
const Row kRows[] = {
    {1, "systemFilePath", "d:\\澄屿计时器\\Kvtmr.exe", ""},
    {2, "prepSoundOn", "1", "1"}, {3, "prepSoundFile", "Zbksly.wav", ""},
    {4, "startSoundOn", "1", "1"}, {5, "startSoundFile", "Ksksly.wav", ""},
    {6, "intervalSoundOn", "1", "1"}, {7, "intervalSoundFile", "Zdjgly.wav", ""},
    {8, "warningSoundOn", "1", "1"}, {9, "warningSoundFile", "Zbjjly.wav", ""},
    {10, "timeUpSoundOn", "1", "1"}, {11, "timeUpSoundFile", "Ksjsly.wav", ""},
    {12, "backgroundSoundOn", "1", "1"}, {13, "backgroundSoundFile", "Bjyyly.wav", ""},
    {14, "titleOn", "0", "0"}, {15, "titleText", "忠诚  精武  奉献", ""},
    {16, "titleFontName", "华文新魏", ""}, {17, "titleFontSize", "72", "72"},
    {18, "titleFrameOn", "0", "0"}, {19, "titleBackColor", "0", "0"},
    {20, "titleFontColor", "255", "255"}, {21, "titlePosOn", "1", "0"},
    {22, "titleLeft", "38", "38"}, {23, "titleTop", "12", "12"},
    {24, "promptPosOn", "1", "0"}, {25, "promptLeft", "256", "256"},
    {26, "promptTop", "518", "518"}, {27, "promptFontName", "华文新魏", ""},
    {28, "promptFontSize", "72", "22"}, {29, "promptFrameOn", "0", "0"},
    {30, "promptBackColor", "0", "0"}, {31, "promptFontColor", "255", "255"},
    {32, "prepTextOn", "1", "0"}, {33, "prepText", "预备", ""},
    {34, "prepTextFontName", "宋体", ""}, {35, "prepTextFontSize", "11", "22"},
    {36, "prepTextFontColor", "0", "255"}, {37, "startTextOn", "1", "0"},
    {38, "startText", "开始", ""}, {39, "startTextFontName", "宋体", ""},
    {40, "startTextFontSize", "11", "22"}, {41, "startTextFontColor", "0", "255"},
    {42, "warningTextOn", "1", "0"}, {43, "warningText", "预报警", ""},
    {44, "warningTextFontName", "宋体", ""}, {45, "warningTextFontSize", "11", "22"},
    {46, "warningTextFontColor", "0", "255"}, {47, "pauseTextOn", "1", "0"},
    {48, "pauseText", "暂停", ""}, {49, "pauseTextFontName", "宋体", ""},
    {50, "pauseTextFontSize", "11", "22"}, {51, "pauseTextFontColor", "0", "255"},
    {52, "timeUpTextOn", "1", "0"}, {53, "timeUpText", "时间到", ""},
    {54, "timeUpTextFontName", "宋体", ""}, {55, "timeUpTextFontSize", "11", "22"},
    {56, "timeUpTextFontColor", "0", "255"}, {57, "prepDuration", "1", "0"},
    {58, "prepDurationUnit", "分钟", ""}, {59, "mainDuration", "1", "0"},
    {60, "mainDurationUnit", "分钟", ""}, {61, "intervalDuration", "10", "0"},
    {62, "intervalDurationUnit", "秒钟", ""}, {63, "warningLead", "5", "0"},
    {64, "warningLeadUnit", "秒钟", ""}, {65, "mainBlinkOn", "1", "1"},
    {66, "mainFontName", "宋体-方正超大字符集", ""}, {67, "mainFontSize", "72", "72"},
    {68, "mainFontColor", "65535", "65535"}, {69, "prepBlinkOn", "1", "1"},
    {70, "prepFontName", "宋体-方正超大字符集", ""}, {71, "prepFontSize", "72", "72"},
    {72, "prepFontColor", "255", "255"}, {73, "clockBlinkOn", "1", "1"},
    {74, "clockFontName", "宋体-方正超大字符集", ""}, {75, "clockFontSize", "72", "72"},
    {76, "clockFontColor", "65280", "65280"}, {77, "boardNormalOn", "1", "1"},
    {78, "boardNormalColor", "0", "0"}, {79, "boardWarningOn", "1", "1"},
    {80, "boardWarningColor", "65535", "65535"}, {81, "boardTimeUpOn", "1", "1"},
    {82, "boardTimeUpColor", "16711935", "16711935"}, {83, "clockPanelColorOn", "1", "1"},
    {84, "clockPanelColor", "0", "0"}, {85, "clockPanelPosOn", "1", "1"},
    {86, "clockPanelLeft", "128", "128"}, {87, "clockPanelTop", "8", "8"},
    {88, "clockFrameOn", "1", "1"}, {89, "clockFrameColor", "0", "0"},
    {90, "mainPanelColorOn", "1", "1"}, {91, "mainPanelColor", "0", "0"},
    {92, "mainPanelPosOn", "1", "1"}, {93, "mainPanelLeft", "128", "128"},
    {94, "mainPanelTop", "328", "328"}, {95, "mainFrameOn", "1", "1"},
    {96, "mainFrameColor", "0", "0"}, {97, "prepPanelColorOn", "1", "1"},
    {98, "prepPanelColor", "0", "0"}, {99, "prepPanelPosOn", "1", "1"},
    {100, "prepPanelLeft", "128", "128"}, {101, "prepPanelTop", "328", "328"},
    {102, "prepFrameOn", "1", "1"}, {103, "prepFrameColor", "0", "0"},
    {104, "timeUpFlashOn", "1", "1"}, {105, "countUpOn", "0", "0"},
    {106, "countDownOn", "1", "1"}, {107, "autoDateOn", "0", "1"},
    {108, "autoYear", "2007", ""}, {109, "autoMonth", "01", ""}, {110, "autoDay", "01", ""},
    {111, "autoTimeOn", "1", "1"}, {112, "autoHour", "08", ""}, {113, "autoMinute", "00", ""},
    {114, "autoSecond", "00", ""}, {115, "scheduledCloseOn", "1", "1"},
    {116, "scheduledExitOn", "0", "0"}, {117, "exitKind", "2", "2"},
    {118, "modeTimingOn", "0", "0"}, {119, "modeClockOn", "1", "1"}, {120, "modeBothOn", "0", "0"},
    {121, "scheduledProgramOn", "0", "0"}, {122, "scheduledProgramPath", " ", ""},
    {123, "parameterOn", "0", "0"}, {124, "parameterPath", "", ""},
    {125, "scheduledTextOn", "1", "1"}, {126, "scheduledText", "开始交班", ""},
    {127, "scheduledTextFontName", "隶书", ""}, {128, "scheduledTextFontSize", "72", "72"},
    {129, "scheduledTextFontColor", "255", "255"}, {130, "scheduledTextPosOn", "1", "1"},
    {131, "scheduledTextLeft", "256", "256"}, {132, "scheduledTextTop", "518", "518"},
    {133, "scheduledTextFrameOn", "0", "0"}, {134, "scheduledTextBackColor", "0", "0"},
    {135, "scheduledTextDuration", "5", "5"}, {136, "scheduledTextDurationUnit", "秒钟", ""},
    {137, "transparencyOn", "0", "0"}, {138, "transparencyLevel", "255", "255"},
    {139, "musicLoopOn", "1", "1"},
};
// clang-format on

void SettingsRecordTest::fieldsInOrder() {
    const auto& fields = SettingsFields();
    QCOMPARE(int(std::size(kRows)), kSettingsFieldCount);
    for (int i = 0; i < kSettingsFieldCount; ++i) {
        QCOMPARE(fields[i].line, i + 1);
        QCOMPARE(QString::fromLatin1(fields[i].name), QString::fromLatin1(kRows[i].name));
    }
}

void SettingsRecordTest::defaultsAndCleared_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("factory");
    QTest::addColumn<QString>("cleared");
    for (const Row& r : kRows)
        QTest::newRow(r.name) << r.line << QString::fromUtf8(r.factory)
                              << QString::fromUtf8(r.cleared);
}

void SettingsRecordTest::defaultsAndCleared() {
    QFETCH(int, line);
    QFETCH(QString, factory);
    QFETCH(QString, cleared);
    const FieldDescriptor& field = SettingsFields()[line - 1];

    // Start from values that match neither column, so every field must really be set.
    SettingsRecord record;
    for (const FieldDescriptor& f : SettingsFields()) {
        if (auto p = std::get_if<int SettingsRecord::*>(&f.member))
            record.*(*p) = -77;
        else
            record.*(std::get<QString SettingsRecord::*>(f.member)) = QStringLiteral("junk");
    }
    LoadFactoryDefaults(record);
    QCOMPARE(FieldText(record, field), factory);
    ClearSettingsRecord(record);
    QCOMPARE(FieldText(record, field), cleared);
}

QTEST_GUILESS_MAIN(SettingsRecordTest)
#include "unit_settings_record.moc"
