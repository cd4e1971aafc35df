// The settings record: every field's factory default and cleared value, in file order.
#include <QtTest>

#include "Golden.h"
#include "core/Errors.h"
#include "core/SettingsRecord.h"

class SettingsRecordTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void fieldsInOrder();
    void defaultsAndCleared_data();
    void defaultsAndCleared();
};

// The fields of the record in order, with their cleared value (the factory defaults are the
// factory settings file's lines).
struct Row {
    int line;
    const char* name;
    const char* cleared;
};
// clang-format off
const Row kRows[] = {
    {1, "systemFilePath", ""},
    {2, "prepSoundOn", "1"}, {3, "prepSoundFile", ""},
    {4, "startSoundOn", "1"}, {5, "startSoundFile", ""},
    {6, "intervalSoundOn", "1"}, {7, "intervalSoundFile", ""},
    {8, "warningSoundOn", "1"}, {9, "warningSoundFile", ""},
    {10, "timeUpSoundOn", "1"}, {11, "timeUpSoundFile", ""},
    {12, "backgroundSoundOn", "1"}, {13, "backgroundSoundFile", ""},
    {14, "titleOn", "0"}, {15, "titleText", ""},
    {16, "titleFontName", ""}, {17, "titleFontSize", "72"},
    {18, "titleFrameOn", "0"}, {19, "titleBackColor", "0"},
    {20, "titleFontColor", "255"}, {21, "titlePosOn", "0"},
    {22, "titleLeft", "38"}, {23, "titleTop", "12"},
    {24, "promptPosOn", "0"}, {25, "promptLeft", "256"},
    {26, "promptTop", "518"}, {27, "promptFontName", ""},
    {28, "promptFontSize", "22"}, {29, "promptFrameOn", "0"},
    {30, "promptBackColor", "0"}, {31, "promptFontColor", "255"},
    {32, "prepTextOn", "0"}, {33, "prepText", ""},
    {34, "prepTextFontName", ""}, {35, "prepTextFontSize", "22"},
    {36, "prepTextFontColor", "255"}, {37, "startTextOn", "0"},
    {38, "startText", ""}, {39, "startTextFontName", ""},
    {40, "startTextFontSize", "22"}, {41, "startTextFontColor", "255"},
    {42, "warningTextOn", "0"}, {43, "warningText", ""},
    {44, "warningTextFontName", ""}, {45, "warningTextFontSize", "22"},
    {46, "warningTextFontColor", "255"}, {47, "pauseTextOn", "0"},
    {48, "pauseText", ""}, {49, "pauseTextFontName", ""},
    {50, "pauseTextFontSize", "22"}, {51, "pauseTextFontColor", "255"},
    {52, "timeUpTextOn", "0"}, {53, "timeUpText", ""},
    {54, "timeUpTextFontName", ""}, {55, "timeUpTextFontSize", "22"},
    {56, "timeUpTextFontColor", "255"}, {57, "prepDuration", "0"},
    {58, "prepDurationUnit", ""}, {59, "mainDuration", "0"},
    {60, "mainDurationUnit", ""}, {61, "intervalDuration", "0"},
    {62, "intervalDurationUnit", ""}, {63, "warningLead", "0"},
    {64, "warningLeadUnit", ""}, {65, "mainBlinkOn", "1"},
    {66, "mainFontName", ""}, {67, "mainFontSize", "72"},
    {68, "mainFontColor", "65535"}, {69, "prepBlinkOn", "1"},
    {70, "prepFontName", ""}, {71, "prepFontSize", "72"},
    {72, "prepFontColor", "255"}, {73, "clockBlinkOn", "1"},
    {74, "clockFontName", ""}, {75, "clockFontSize", "72"},
    {76, "clockFontColor", "65280"}, {77, "boardNormalOn", "1"},
    {78, "boardNormalColor", "0"}, {79, "boardWarningOn", "1"},
    {80, "boardWarningColor", "65535"}, {81, "boardTimeUpOn", "1"},
    {82, "boardTimeUpColor", "16711935"}, {83, "clockPanelColorOn", "1"},
    {84, "clockPanelColor", "0"}, {85, "clockPanelPosOn", "1"},
    {86, "clockPanelLeft", "128"}, {87, "clockPanelTop", "8"},
    {88, "clockFrameOn", "1"}, {89, "clockFrameColor", "0"},
    {90, "mainPanelColorOn", "1"}, {91, "mainPanelColor", "0"},
    {92, "mainPanelPosOn", "1"}, {93, "mainPanelLeft", "128"},
    {94, "mainPanelTop", "328"}, {95, "mainFrameOn", "1"},
    {96, "mainFrameColor", "0"}, {97, "prepPanelColorOn", "1"},
    {98, "prepPanelColor", "0"}, {99, "prepPanelPosOn", "1"},
    {100, "prepPanelLeft", "128"}, {101, "prepPanelTop", "328"},
    {102, "prepFrameOn", "1"}, {103, "prepFrameColor", "0"},
    {104, "timeUpFlashOn", "1"}, {105, "countUpOn", "0"},
    {106, "countDownOn", "1"}, {107, "autoDateOn", "1"},
    {108, "autoYear", ""}, {109, "autoMonth", ""}, {110, "autoDay", ""},
    {111, "autoTimeOn", "1"}, {112, "autoHour", ""}, {113, "autoMinute", ""},
    {114, "autoSecond", ""}, {115, "scheduledCloseOn", "1"},
    {116, "scheduledExitOn", "0"}, {117, "exitKind", "2"},
    {118, "modeTimingOn", "0"}, {119, "modeClockOn", "1"}, {120, "modeBothOn", "0"},
    {121, "scheduledProgramOn", "0"}, {122, "scheduledProgramPath", ""},
    {123, "parameterOn", "0"}, {124, "parameterPath", ""},
    {125, "scheduledTextOn", "1"}, {126, "scheduledText", ""},
    {127, "scheduledTextFontName", ""}, {128, "scheduledTextFontSize", "72"},
    {129, "scheduledTextFontColor", "255"}, {130, "scheduledTextPosOn", "1"},
    {131, "scheduledTextLeft", "256"}, {132, "scheduledTextTop", "518"},
    {133, "scheduledTextFrameOn", "0"}, {134, "scheduledTextBackColor", "0"},
    {135, "scheduledTextDuration", "5"}, {136, "scheduledTextDurationUnit", ""},
    {137, "transparencyOn", "0"}, {138, "transparencyLevel", "255"},
    {139, "musicLoopOn", "1"},
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
    QTest::addColumn<QString>("factory");  // the line of the factory settings file
    QTest::addColumn<QString>("cleared");
    const QList<QByteArray> lines = FactorySettingsFile().split('\n');
    QStringDecoder gbk("GB18030");
    for (const Row& r : kRows)
        QTest::newRow(r.name) << r.line << QString(gbk(lines[r.line - 1].chopped(1)))
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
    // A text default stands in the file without blanks at its ends: the program path's
    // default is one blank, which the file holds as an empty line.
    const QString text = FieldText(record, field);
    QCOMPARE(IsTextKind(field.kind) ? TrimControl(text) : text, factory);
    if (line == 122) QCOMPARE(text, QStringLiteral(" "));
    ClearSettingsRecord(record);
    QCOMPARE(FieldText(record, field), cleared);
}

QTEST_GUILESS_MAIN(SettingsRecordTest)
#include "unit_settings_record.moc"
