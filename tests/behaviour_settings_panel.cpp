// The settings panel's OK, Default and Cancel commands and its copy operations.
#include <QtTest>

#include "AppFixture.h"
#include "Golden.h"
#include "core/SettingsFile.h"

namespace {

const QDateTime kStart(QDate(2007, 1, 31), QTime(16, 55, 2));

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

SettingsRecord Saved(const AppFixture& app) {
    SettingsRecord r;
    ReadSettingsFile(app.fake.settingsPath(), r);
    return r;
}

QString Shown(const TForm1::Digits& digits) {
    QString s;
    for (TEdit* e : digits)
        s += e->text();
    return s;
}

}  // namespace

class SettingsPanelTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void okSavesAppliesAndHides();
    void okWithUnknownUnitKeepsValue();
    void okCountingUp();
    void okFailures_data();
    void okFailures();
    void okCannotWriteFile();
    void defaultThenCloseStoresDefaults();
    void cancelRestoresRecordKeepsBrowsedSounds();
    void opacityOnlyWithTransparencyTicked_data();
    void opacityOnlyWithTransparencyTicked();
    void bothModeFlagsEndOnClock();
    void flagValuesOtherThanOne();
    void exitKindOutOfRangeLeavesGroup();
    void clearedRecordApplied();
    void collectTakesFrameColoursFromBoxes();
    void musicLoopFlagAndCancel();
    void bindingFollowsTheRecord();
    void everyFieldRoundTripsThroughThePanel();
};

void SettingsPanelTest::okSavesAppliesAndHides() {
    AppFixture app(kStart);
    app->SpeedButton2Click();
    QVERIFY(!app->Panel2->isHidden());
    app->Edit10->setText(QStringLiteral("90"));
    app->ComboBox5->setText(QStringLiteral("秒钟"));
    app->Edit9->setText(QStringLiteral("2"));
    app->Edit46->setText(QStringLiteral("  期中考试  "));
    app->CheckBox12->setChecked(true);
    app->Edit62->setText(QStringLiteral("20"));
    SetRadioChecked(app->RadioButton3, true);
    app->Edit50->setText(QStringLiteral("9"));
    app.fake.player2.clearCalls();
    app->BitBtn6->click();
    QVERIFY(app.fake.dialogs.log.isEmpty());
    QVERIFY(app->Panel2->isHidden());
    QCOMPARE(app->mainSeconds, 90);
    QCOMPARE(app->ProgressBar1->Max(), 90);
    QCOMPARE(app->intervalLimit, 90);
    QCOMPARE(Shown(app->MainDigits()), QStringLiteral("000130"));
    QCOMPARE(app->prepSeconds, 120);
    QCOMPARE(Shown(app->PrepDigits()), QStringLiteral("000200"));
    QCOMPARE(app->Edit50->text(), QStringLiteral("09"));
    QCOMPARE(app->Panel3->y(), 20);
    QVERIFY(app->Panel3->isHidden());
    QVERIFY(!app->Panel4->isHidden());
    QVERIFY(!app->Label44->isHidden());
    QCOMPARE(app->Label44->text(), QStringLiteral("  期中考试  "));
    // The background music restarted from its beginning.
    QCOMPARE(app.fake.player2.played, QStringList{QStringLiteral("Bjyyly.wav")});
    const SettingsRecord saved = Saved(app);
    QCOMPARE(saved.mainDuration, 90);
    QCOMPARE(saved.mainDurationUnit, QStringLiteral("秒钟"));
    QCOMPARE(saved.titleText, QStringLiteral("期中考试"));
    QCOMPARE(saved.clockPanelTop, 20);
    QCOMPARE(saved.autoHour, QStringLiteral("09"));
    QCOMPARE(saved.modeTimingOn, 1);
    QCOMPARE(saved.modeClockOn, 0);
}

void SettingsPanelTest::okWithUnknownUnitKeepsValue() {
    AppFixture app(kStart);
    app->Edit10->setText(QStringLiteral("5"));
    app->ComboBox5->setText(QStringLiteral("分"));
    app->Edit9->setText(QStringLiteral("7"));
    app->ComboBox3->setText(QStringLiteral("seconds"));
    app->BitBtn6Click();
    QCOMPARE(app->mainSeconds, 60);
    QCOMPARE(app->ProgressBar1->Max(), 60);
    QCOMPARE(Shown(app->MainDigits()), QStringLiteral("000100"));
    QCOMPARE(app->prepSeconds, 60);
}

void SettingsPanelTest::okCountingUp() {
    AppFixture app(kStart);
    SetRadioChecked(app->RadioButton1, true);
    app->Edit10->setText(QStringLiteral("3"));
    app->BitBtn6Click();
    QCOMPARE(app->mainSeconds, 0);
    QCOMPARE(app->prepSeconds, 0);
    QCOMPARE(Shown(app->MainDigits()), QStringLiteral("000000"));
    QCOMPARE(Shown(app->PrepDigits()), QStringLiteral("000000"));
    QCOMPARE(app->ProgressBar1->Max(), 180);
    QCOMPARE(app->ProgressBar1->Position(), 0);
    QCOMPARE(app->ProgressBar2->Max(), 60);
    QCOMPARE(app->Label13->text(), QStringLiteral("计时"));
    QCOMPARE(app->Label14->text(), QStringLiteral("预备计时"));
    QCOMPARE(app->Edit3->text(), QStringLiteral("∶"));
}

void SettingsPanelTest::okFailures_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("recordTouched");
    QTest::newRow("main duration, before the collect") << QStringLiteral("Edit10") << false;
    QTest::newRow("preparation duration") << QStringLiteral("Edit9") << false;
    QTest::newRow("a position, in the collect") << QStringLiteral("Edit64") << true;
    QTest::newRow("scheduled text duration") << QStringLiteral("Edit59") << true;
}

void SettingsPanelTest::okFailures() {
    QFETCH(QString, box);
    QFETCH(bool, recordTouched);
    AppFixture app(kStart);
    const QByteArray before = ReadAll(app.fake.settingsPath());
    app->SpeedButton2Click();
    app->Edit46->setText(QStringLiteral("新标题"));
    app->findChild<TEdit*>(box)->setText(QString());
    app->BitBtn6->click();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")),
             QStringList{QStringLiteral("'' is not a valid integer value")});
    QVERIFY(!app->Panel2->isHidden());
    QCOMPARE(ReadAll(app.fake.settingsPath()), before);
    QCOMPARE(app->Settings.titleText == QStringLiteral("新标题"), recordTouched);
}

void SettingsPanelTest::okCannotWriteFile() {
    AppFixture app(kStart);
    app->SpeedButton2Click();
    // The settings directory has become a plain file: nothing can be created in it.
    app->windowsDir = app.makeFile(QStringLiteral("not-a-directory"));
    app->Edit46->setText(QStringLiteral("新标题"));
    app->CheckBox12->setChecked(true);
    app->Label44->hide();
    app->BitBtn6->click();
    QCOMPARE(app.fake.dialogs.texts(QStringLiteral("error")),
             QStringList{QStringLiteral("Cannot create file %1").arg(app->SettingsFilePath())});
    QVERIFY(!app->Panel2->isHidden());
    QVERIFY(app->Label44->isHidden());  // not applied
    QCOMPARE(app->Settings.titleText, QStringLiteral("新标题"));
}

void SettingsPanelTest::defaultThenCloseStoresDefaults() {
    AppFixture app(kStart);
    app->Edit10->setText(QStringLiteral("45"));
    app->BitBtn6Click();
    QCOMPARE(Saved(app).mainDuration, 45);
    app->SpeedButton2Click();
    app->Edit11->setText(QStringLiteral("9"));
    const QByteArray before = ReadAll(app.fake.settingsPath());
    app->BitBtn26->click();
    QVERIFY(!app->Panel2->isHidden());
    QCOMPARE(app->Edit10->text(), QStringLiteral("1"));
    QCOMPARE(app->Edit11->text(), QStringLiteral("5"));
    QCOMPARE(ReadAll(app.fake.settingsPath()), before);  // Default does not write
    QVERIFY(app->close());
    SettingsRecord defaults;
    DecodeSettings(FactorySettingsFile(), defaults);
    SettingsRecord saved = Saved(app);
    // The fields the start-up replaces (today's date) aside, the file holds the defaults.
    saved.autoYear = defaults.autoYear;
    saved.autoMonth = defaults.autoMonth;
    saved.autoDay = defaults.autoDay;
    QCOMPARE(EncodeSettings(saved), FactorySettingsFile());
}

void SettingsPanelTest::cancelRestoresRecordKeepsBrowsedSounds() {
    AppFixture app(kStart);
    app->SpeedButton2Click();
    app->Edit10->setText(QStringLiteral("77"));
    app->Edit56->setText(QStringLiteral("交接"));
    app->CheckBox16->setChecked(false);
    const QString chosen = app.makeFile(QStringLiteral("chime.wav"));
    app.fake.dialogs.files = {chosen};
    app->BitBtn7Click();
    QCOMPARE(app->Edit34->text(), chosen);
    app->BitBtn27->click();
    QVERIFY(!app->Panel2->isHidden());
    QCOMPARE(app->Edit10->text(), QStringLiteral("1"));
    QCOMPARE(app->Edit56->text(), QStringLiteral("开始交班"));
    QCOMPARE(app->Label52->text(), QStringLiteral("开始交班"));
    QVERIFY(app->CheckBox16->isChecked());
    // The browse button wrote the record directly, so Cancel keeps it.
    QCOMPARE(app->Edit34->text(), chosen);
    // Cancel empties the prompt label before applying.
    QCOMPARE(app->Label45->text(), QString());
}

void SettingsPanelTest::opacityOnlyWithTransparencyTicked_data() {
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("expected");
    QTest::newRow("unticked: unchanged") << false << 255;
    QTest::newRow("ticked: from the slider") << true << 100;
}

void SettingsPanelTest::opacityOnlyWithTransparencyTicked() {
    QFETCH(bool, ticked);
    QFETCH(int, expected);
    AppFixture app(kStart);
    app->TrackBar1->setValue(100);
    QCOMPARE(app->Opacity(), 255);
    app->CheckBox42->setChecked(ticked);
    for (auto command : {&TForm1::BitBtn6Click, &TForm1::BitBtn27Click}) {
        app->TrackBar1->setValue(100);
        (app.f()->*command)();
        QCOMPARE(app->Opacity(), expected);
    }
}

void SettingsPanelTest::bothModeFlagsEndOnClock() {
    AppFixture app(kStart);
    app->Settings.modeTimingOn = 1;
    app->Settings.modeClockOn = 1;
    app->Settings.modeBothOn = 0;
    app->BitBtn27Click();
    QVERIFY(!app->RadioButton3->isChecked());
    QVERIFY(app->RadioButton4->isChecked());
    QVERIFY(!app->Panel3->isHidden());
    QVERIFY(app->Panel4->isHidden());
}

void SettingsPanelTest::flagValuesOtherThanOne() {
    AppFixture app(kStart);
    app->Settings.timeUpFlashOn = 2;
    app->Settings.backgroundSoundOn = -1;
    app->Settings.musicLoopOn = 1;
    app->BitBtn27Click();
    QVERIFY(!app->CheckBox16->isChecked());
    QVERIFY(!app->CheckBox6->isChecked());
    QVERIFY(app->CheckBox43->isChecked());
}

void SettingsPanelTest::exitKindOutOfRangeLeavesGroup() {
    AppFixture app(kStart);
    app->RadioButton6->setChecked(true);
    app->Settings.exitKind = 7;
    app->BitBtn27Click();
    QVERIFY(app->RadioButton6->isChecked());
    app->CollectSettings();
    QCOMPARE(app->Settings.exitKind, 1);
}

void SettingsPanelTest::clearedRecordApplied() {
    AppFixture app(kStart);
    ClearSettingsRecord(app->Settings);
    app->BitBtn27Click();
    QVERIFY(app->Edit32->text().isEmpty());
    QVERIFY(app->ComboBox5->Text().isEmpty());
    QVERIFY(app->CheckBox19->isChecked());
    QCOMPARE(FontSize(app->Edit38->font()), 22);
    QCOMPARE(app->Edit38->FontColor(), clr::Red);
    // The prompt label shows by its check box with whatever caption it has: empty here.
    app->Settings.promptPosOn = 1;
    app->BitBtn27Click();
    QVERIFY(!app->Label45->isHidden());
    QCOMPARE(app->Label45->text(), QString());
}

void SettingsPanelTest::collectTakesFrameColoursFromBoxes() {
    AppFixture app(kStart);
    // The timer boxes follow their panel's colour: what is stored is the colour they show.
    app->Panel4->setColor(clr::Navy);
    for (TEdit* e : app->TimerBoxes())
        e->setParentColor(true);
    app->CollectSettings();
    QCOMPARE(app->Settings.mainFrameColor, clr::Navy);
    QCOMPARE(app->Label28->Color(), clr::Navy);
}

void SettingsPanelTest::musicLoopFlagAndCancel() {
    AppFixture app(kStart);
    QCOMPARE(app->Settings.musicLoopOn, 1);
    app->BitBtn2Click();  // the start sound clears the loop flag
    QCOMPARE(app->Settings.musicLoopOn, 0);
    app->BitBtn27Click();
    QVERIFY(!app->CheckBox43->isChecked());
    app->CheckBox43->setChecked(true);
    app->Timer1->setEnabled(false);
    app->BitBtn6Click();
    QCOMPARE(app->Settings.musicLoopOn, 1);
}

// One row of the panel's binding per field of the record, in the record's order, each of the
// field's kind.
void SettingsPanelTest::bindingFollowsTheRecord() {
    AppFixture app(kStart, false);
    const auto& rows = app->settingsBinding().rows();
    QCOMPARE(int(rows.size()), kSettingsFieldCount);
    using B = SettingsBinding;
    for (int i = 0; i < kSettingsFieldCount; ++i) {
        const FieldDescriptor& f = SettingsFields()[i];
        const auto sameMember = [&f](auto member) {
            using M = decltype(member);
            const M* p = std::get_if<M>(&f.member);
            return p && *p == member;
        };
        const bool same = std::visit([&](const auto& b) { return sameMember(b.field); }, rows[i]);
        QVERIFY2(same, f.name);
        const bool kindMatches = [&] {
            switch (f.kind) {
                case FieldKind::Flag:
                    return std::holds_alternative<B::Check>(rows[i]);
                case FieldKind::Integer:
                    return std::holds_alternative<B::Number>(rows[i]);
                case FieldKind::Text:
                    return std::holds_alternative<B::Text>(rows[i]);
                case FieldKind::Unit:
                    return std::holds_alternative<B::Unit>(rows[i]);
                case FieldKind::FontName:
                    return std::holds_alternative<B::FontName>(rows[i]);
                case FieldKind::FontSize:
                    return std::holds_alternative<B::FontSize>(rows[i]);
                case FieldKind::Color:
                    return std::holds_alternative<B::Color>(rows[i]) ||
                           std::holds_alternative<B::FontColor>(rows[i]);
                case FieldKind::ExitKind:
                    return std::holds_alternative<B::ExitKind>(rows[i]);
                case FieldKind::Level:
                    return std::holds_alternative<B::Level>(rows[i]);
            }
            return false;
        }();
        QVERIFY2(kindMatches, f.name);
    }
}

// A record in which no two fields of a kind agree goes onto the panel and back unchanged: each
// field has a control of its own and is read from it as it was written.
void SettingsPanelTest::everyFieldRoundTripsThroughThePanel() {
    AppFixture app(kStart);
    SettingsRecord r;
    DecodeSettings(FactorySettingsFile(), r);
    int n = 0;
    for (const FieldDescriptor& f : SettingsFields()) {
        ++n;
        if (auto p = std::get_if<int SettingsRecord::*>(&f.member)) {
            switch (f.kind) {
                case FieldKind::Flag:
                    r.*(*p) = n % 2;
                    break;
                case FieldKind::FontSize:
                    r.*(*p) = 10 + n % 50;
                    break;
                case FieldKind::Level:
                    r.*(*p) = 200;
                    break;
                case FieldKind::ExitKind:
                    r.*(*p) = 1;
                    break;
                default:  // positions, durations, colours
                    r.*(*p) = 100 + n;
            }
        } else if (f.kind == FieldKind::Text && f.line >= 108 && f.line <= 114) {
            // The scheduled date and time take digits only.
            r.*(std::get<QString SettingsRecord::*>(f.member)) = QString::number(n);
        } else if (f.kind == FieldKind::Text) {
            r.*(std::get<QString SettingsRecord::*>(f.member)) = QStringLiteral("文字%1").arg(n);
        } else if (f.kind == FieldKind::FontName) {
            r.*(std::get<QString SettingsRecord::*>(f.member)) = QStringLiteral("字体%1").arg(n);
        } else {
            r.*(std::get<QString SettingsRecord::*>(f.member)) = QStringLiteral("单位%1").arg(n);
        }
    }
    // The radio groups hold one button each.
    r.countUpOn = 1;
    r.countDownOn = 0;
    r.modeTimingOn = 0;
    r.modeClockOn = 0;
    r.modeBothOn = 1;
    // The digit rows show the swatch colours the record gives them.
    app->Settings = r;
    app->ApplySettings();
    app->Settings = SettingsRecord();
    app->CollectSettings();
    for (const FieldDescriptor& f : SettingsFields())
        QCOMPARE(FieldText(app->Settings, f), FieldText(r, f));
}

QTEST_MAIN(SettingsPanelTest)
#include "behaviour_settings_panel.moc"
