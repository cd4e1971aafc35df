// The main window as the form describes it, before start-up: every named control with its
// class, container, place, size, text, font, colours, hint, visibility and state; the status
// line, the timers, the tool bar, the main menu, the five windows, the stacking of the three
// display panels, the keyboard accelerators of the timer panels and the command bindings.
#include <QAbstractEventDispatcher>
#include <QStyleOptionGroupBox>
#include <QtTest>

#include <optional>

#include "AppFixture.h"
#include "clock/wnlp.h"
#include "plan/PlanWindow.h"
#include "presentation/AboutUnit.h"
#include "presentation/HelpUnit.h"
#include "presentation/Unit4.h"

namespace {

// ---- the expected form, control by control ------------------------------------------------

struct Geo {
    int x, y;
    int w = -1;  // -1: only the place is fixed (the control takes the size of its text)
    int h = -1;
};

struct FormFont {
    const char* family;  // nullptr: only the height is fixed
    int px;
    bool bold = false;
    bool italic = false;
};

struct FormControl {
    const char* name;
    const char* cls;
    const char* parent;
    std::optional<Geo> geom{};
    const char* text = nullptr;  // caption, edit text, title or the combo box's edit text
    std::optional<FormFont> font{};
    std::optional<TColor> color{};
    std::optional<TColor> fontColor{};
    const char* hint = nullptr;
    bool hidden = false;
    std::optional<bool> checked{};
    int maxLength = -1;
    std::optional<bool> readOnly{};
    std::optional<bool> transparent{};
};

constexpr const char* kSep = "\u2236";  // the separator glyph of the time displays
constexpr const char* kDigitFont = "宋体-方正超大字符集";
constexpr const char* kKai = "楷体_GB2312";

// Clock panel boxes: read-only, black, lime text.
FormControl ClockBox(const char* name, Geo g, const char* text, FormFont font, int maxLength = -1) {
    return {.name = name,
            .cls = "TEdit",
            .parent = "Panel3",
            .geom = g,
            .text = text,
            .font = font,
            .color = clr::Black,
            .fontColor = clr::Lime,
            .maxLength = maxLength,
            .readOnly = true};
}

// Clock panel labels: transparent, Kai face, yellow.
FormControl ClockLabel(const char* name, Geo g, const char* text, int px) {
    return {.name = name,
            .cls = "TLabel",
            .parent = "Panel3",
            .geom = g,
            .text = text,
            .font = FormFont{kKai, px},
            .fontColor = clr::Yellow,
            .transparent = true};
}

// A digit or separator box of a timer panel.
FormControl TimerBox(const char* name, const char* panel, int left, bool separator) {
    const bool prep = QByteArray(panel) == "Panel5";
    return {.name = name,
            .cls = "TEdit",
            .parent = panel,
            .geom = Geo{left, 56, separator ? 131 : 72, 149},
            .text = separator ? kSep : "0",
            .font = FormFont{kDigitFont, 125, true},
            .color = prep ? clr::Lime : clr::Blue,
            .fontColor = prep ? clr::Red : clr::Yellow,
            .maxLength = separator ? -1 : 1,
            .readOnly = separator ? std::optional<bool>(true) : std::nullopt};
}

FormControl TimerButton(const char* name, const char* panel, int left, const char* text,
                        const char* hint) {
    const bool prep = QByteArray(panel) == "Panel5";
    return {
        .name = name,
        .cls = "TBitBtn",
        .parent = panel,
        .geom = Geo{left, 262},
        .text = text,
        .font = prep ? std::optional<FormFont>(FormFont{"宋体", 17, false, true}) : std::nullopt,
        .hint = hint};
}

FormControl In(const char* group, const char* name, const char* cls, const char* text,
               std::optional<bool> checked = std::nullopt) {
    return {.name = name, .cls = cls, .parent = group, .text = text, .checked = checked};
}

FormControl Group(const char* name, Geo g, const char* title) {
    return {.name = name, .cls = "TGroupBox", .parent = "Panel2", .geom = g, .text = title};
}

FormControl Swatch(const char* name, TColor color) {
    return {.name = name,
            .cls = "TLabel",
            .parent = "GroupBox11",
            .geom = std::nullopt,
            .text = "",
            .color = color,
            .transparent = false};
}

const QList<FormControl>& Form() {
    static const QList<FormControl> form = [] {
        QList<FormControl> f;
        // Top level of the client area.
        f << FormControl{.name = "ToolBar1", .cls = "TPanel", .parent = "centralwidget"};
        f << FormControl{
            .name = "Panel1", .cls = "TPanel", .parent = "centralwidget", .color = clr::Black};
        f << FormControl{.name = "Panel2",
                         .cls = "TPanel",
                         .parent = "centralwidget",
                         .geom = Geo{4, 32, 1008, 622},
                         .color = clr::GradientInactiveCaption,
                         .hidden = true};
        f << FormControl{.name = "StatusBar1", .cls = "TStatusBar", .parent = "Form1"};
        f << FormControl{.name = "MainMenu1", .cls = "QMenuBar", .parent = "Form1"};

        // The display area.
        f << FormControl{.name = "Image2",
                         .cls = "TClickArea",
                         .parent = "Panel1",
                         .geom = Geo{946, 10, 59, 65},
                         .hint = "开关除考试倒计时面板外的其它控件"};
        f << FormControl{.name = "Label44",
                         .cls = "TLabel",
                         .parent = "Panel1",
                         .geom = Geo{56, 12, 905, 128},
                         .text = "忠诚   精武  奉献",
                         .font = FormFont{"华文新魏", 125},
                         .fontColor = clr::Red,
                         .transparent = true};
        f << FormControl{.name = "Label45",
                         .cls = "TLabel",
                         .parent = "Panel1",
                         .geom = Geo{256, 500},
                         .text = "提        示",
                         .font = FormFont{"华文新魏", 120},
                         .fontColor = clr::Red,
                         .hidden = true,
                         .transparent = true};
        f << FormControl{.name = "Label52",
                         .cls = "TLabel",
                         .parent = "Panel1",
                         .geom = Geo{264, 500},
                         .text = "开始交班",
                         .font = FormFont{"隶书", 125},
                         .color = clr::Black,
                         .fontColor = clr::Red,
                         .hidden = true,
                         .transparent = true};
        f << FormControl{.name = "Panel3",
                         .cls = "TPanel",
                         .parent = "Panel1",
                         .geom = Geo{120, 160, 768, 298},
                         .font = FormFont{"宋体", 28},
                         .color = clr::Teal};
        f << FormControl{.name = "Panel4",
                         .cls = "TPanel",
                         .parent = "Panel1",
                         .geom = Geo{120, 160, 768, 298},
                         .color = clr::Olive,
                         .hidden = true};
        f << FormControl{.name = "Panel5",
                         .cls = "TPanel",
                         .parent = "Panel1",
                         .geom = Geo{120, 160, 768, 298},
                         .color = clr::Navy,
                         .hidden = true};
        f << FormControl{.name = "RichEdit1",
                         .cls = "QTextEdit",
                         .parent = "Panel1",
                         .geom = Geo{1024, 41, 953, 256},
                         .font = FormFont{"宋体", 28},
                         .hidden = true};

        // The clock panel.
        f << ClockLabel("Label6", {37, 15, 46, 45}, "公", 45);
        f << ClockLabel("Label7", {37, 90, 46, 45}, "历", 45);
        f << ClockBox("Edit13", {118, 5, 129, 66}, "2006", {"宋体", 60}, 4);
        f << ClockLabel("Label8", {251, 6}, "年", 60);
        f << ClockBox("Edit14", {380, 5, 66, 66}, "12", {"宋体", 60}, 2);
        f << ClockLabel("Label9", {459, 6}, "月", 60);
        f << ClockBox("Edit15", {587, 5, 66, 66}, "31", {"宋体", 60}, 2);
        f << ClockLabel("Label10", {659, 6}, "日", 60);
        f << ClockLabel("Label20", {117, 78}, "第", 60);
        f << ClockBox("Edit29", {180, 77, 66, 66}, "41", {nullptr, 60}, 2);
        f << ClockLabel("Label23", {251, 79}, "周", 60);
        f << ClockLabel("Label21", {317, 79}, "第", 60);
        f << ClockBox("Edit30", {380, 77, 66, 66}, "2", {nullptr, 60}, 2);
        f << ClockLabel("Label22", {459, 79}, "周", 60);
        f << ClockLabel("Label11", {533, 87, 120, 60}, "星期", 60);
        f << ClockBox("Edit16", {658, 77, 66, 66}, "五", {nullptr, 60});
        f << ClockBox("Edit25", {40, 150, 128, 141}, "00", {kDigitFont, 120, true});
        f << ClockBox("Edit28", {179, 150, 128, 141}, kSep, {kDigitFont, 120, true});
        f << ClockBox("Edit26", {318, 150, 128, 141}, "00", {kDigitFont, 120, true});
        f << ClockBox("Edit31", {457, 150, 128, 141}, kSep, {kDigitFont, 120, true});
        f << ClockBox("Edit27", {596, 150, 128, 141}, "00", {kDigitFont, 120, true});
        f << FormControl{.name = "Image3",
                         .cls = "TClickArea",
                         .parent = "Panel3",
                         .geom = Geo{720, 10, 41, 55},
                         .hint = "开关时钟面板"};

        // The main timer panel and the preparation panel.
        f << FormControl{.name = "Label13",
                         .cls = "TLabel",
                         .parent = "Panel4",
                         .geom = Geo{308, 10, 143, 39},
                         .text = "计时",
                         .font = FormFont{"宋体", 37, true},
                         .fontColor = clr::Red,
                         .transparent = true};
        f << FormControl{.name = "Label14",
                         .cls = "TLabel",
                         .parent = "Panel5",
                         .geom = Geo{274, 10, 207, 39},
                         .text = "预备计时",
                         .font = FormFont{"宋体", 37, true},
                         .fontColor = clr::Red,
                         .transparent = true};
        const struct {
            const char* main;
            const char* prep;
            int left;
            bool separator;
        } boxes[] = {{"Edit1", "Edit17", 42, false},  {"Edit2", "Edit18", 112, false},
                     {"Edit3", "Edit19", 181, true},  {"Edit4", "Edit20", 310, false},
                     {"Edit5", "Edit21", 379, false}, {"Edit6", "Edit22", 449, true},
                     {"Edit7", "Edit23", 577, false}, {"Edit8", "Edit24", 647, false}};
        for (const auto& b : boxes) {
            f << TimerBox(b.main, "Panel4", b.left, b.separator);
            f << TimerBox(b.prep, "Panel5", b.left, b.separator);
        }
        for (const char* bar : {"ProgressBar1", "ProgressBar2"})
            f << FormControl{.name = bar,
                             .cls = "TProgressBar",
                             .parent = bar == QByteArray("ProgressBar1") ? "Panel4" : "Panel5",
                             .geom = Geo{42, 214, 675, 36}};
        f << TimerButton("BitBtn1", "Panel4", 42, "&S设置", "设置当前显示时间长为考试倒计时时长");
        f << TimerButton("BitBtn15", "Panel4", 189, "&C清零", "将所有设置清除到零");
        f << TimerButton("BitBtn3", "Panel4", 337, "&R复位", "恢复考试倒计时到提示音面板设置时长");
        f << TimerButton("BitBtn5", "Panel4", 485, "P暂停", "暂时停止考试倒计时");
        f << TimerButton("BitBtn2", "Panel4", 625, "&T计时", "开始考试倒计时");
        f << TimerButton("BitBtn11", "Panel5", 42, "&H设置", "设置当前显示时间长为准备倒计时时长");
        f << TimerButton("BitBtn16", "Panel5", 189, "&Q清零", "将所有设置清除到零");
        f << TimerButton("BitBtn12", "Panel5", 337, "&F复位", "恢复准备倒计时到提示音面板设置时长");
        f << TimerButton("BitBtn13", "Panel5", 485, "&Z暂停", "暂时停止准备倒计时");
        f << TimerButton("BitBtn14", "Panel5", 633, "&J计时", "开始准备倒计时");
        f << FormControl{.name = "Image6",
                         .cls = "TClickArea",
                         .parent = "Panel4",
                         .geom = Geo{720, 2},
                         .hint = "开关时钟面板"};
        f << FormControl{.name = "Image5",
                         .cls = "TClickArea",
                         .parent = "Panel4",
                         .geom = Geo{720, 216},
                         .hint = "开关准备倒计时面板"};
        f << FormControl{.name = "Image4",
                         .cls = "TClickArea",
                         .parent = "Panel5",
                         .geom = Geo{712, 2},
                         .hint = "开关准备倒计时面板"};

        // The settings panel.
        const char* g = "GroupBox7";
        f << Group(g, {5, 7, 452, 154}, "定时设置");
        f << In(g, "CheckBox26", "QCheckBox", "定时执行程序", false) << In(g, "Edit55", "TEdit", "")
          << In(g, "BitBtn37", "TBitBtn", "浏览");
        f << In(g, "CheckBox34", "QCheckBox", "定时执行参数", false) << In(g, "Edit60", "TEdit", "")
          << In(g, "BitBtn39", "TBitBtn", "浏览");
        f << In(g, "CheckBox27", "QCheckBox", "定时提示文字", true)
          << In(g, "Edit56", "TEdit", "开始交班");
        FormControl fontButton = In(g, "BitBtn38", "TBitBtn", "字体");
        fontButton.hint = "设置到点提示信息的字体";
        f << fontButton;
        f << In(g, "Label50", "TLabel", "系统文件路径")
          << In(g, "Edit54", "TEdit", "d:\\澄屿计时器\\kvtmr.exe")
          << In(g, "BitBtn36", "TBitBtn", "浏览");

        g = "GroupBox1";
        f << Group(g, {5, 167, 452, 202}, "提示音选择及设置");
        const struct {
            const char *check, *caption, *edit, *browse, *listen;
        } sounds[] = {{"CheckBox4", "预备", "Edit32", "BitBtn9", "BitBtn19"},
                      {"CheckBox3", "开始", "Edit33", "BitBtn8", "BitBtn21"},
                      {"CheckBox2", "间隔", "Edit34", "BitBtn7", "BitBtn22"},
                      {"CheckBox5", "预警", "Edit35", "BitBtn10", "BitBtn23"},
                      {"CheckBox1", "到点", "Edit36", "BitBtn4", "BitBtn24"},
                      {"CheckBox6", "背景", "Edit37", "BitBtn18", "BitBtn20"}};
        for (const auto& s : sounds)
            f << In(g, s.check, "QCheckBox", s.caption, true) << In(g, s.edit, "TEdit", "")
              << In(g, s.browse, "TBitBtn", "浏览") << In(g, s.listen, "TBitBtn", "试听");
        f << In(g, "CheckBox43", "QCheckBox", "循环", true);

        g = "GroupBox3";
        f << Group(g, {5, 379, 396, 230}, "提示文字选择及设置");
        f << In(g, "CheckBox12", "QCheckBox", "标题", true)
          << In(g, "Edit46", "TEdit", "忠诚  精武  奉献");
        fontButton = In(g, "BitBtn28", "TBitBtn", "字体");
        fontButton.hint = "设置标题字体";
        f << fontButton;
        f << In(g, "CheckBox7", "QCheckBox", "预备", true) << In(g, "Edit38", "TEdit", "预备");
        f << In(g, "CheckBox8", "QCheckBox", "开始", true) << In(g, "Edit39", "TEdit", "开始");
        f << In(g, "CheckBox9", "QCheckBox", "预警", true) << In(g, "Edit40", "TEdit", "准备");
        f << In(g, "CheckBox10", "QCheckBox", "暂停", true) << In(g, "Edit41", "TEdit", "暂停");
        f << In(g, "CheckBox11", "QCheckBox", "到点", true) << In(g, "Edit44", "TEdit", "时间到");
        fontButton = In(g, "BitBtn25", "TBitBtn", "字体");
        fontButton.hint = "设置所有提示信息的字体";
        f << fontButton;
        for (const char* hiddenButton :
             {"BitBtn30", "BitBtn31", "BitBtn32", "BitBtn33", "BitBtn34"})
            f << FormControl{.name = hiddenButton, .cls = "TBitBtn", .parent = g, .hidden = true};

        g = "GroupBox5";
        f << Group(g, {405, 379, 228, 230}, "控件位置设置");
        f << In(g, "Label15", "TLabel", "控件选择") << In(g, "Label5", "TLabel", "左边距")
          << In(g, "Label12", "TLabel", "顶边距");
        const struct {
            const char *check, *caption, *left, *leftText, *top, *topText;
        } positions[] = {{"CheckBox35", "时钟面板", "Edit61", "120", "Edit62", "160"},
                         {"CheckBox36", "计时面板", "Edit63", "120", "Edit64", "160"},
                         {"CheckBox37", "预备面板", "Edit65", "120", "Edit66", "160"},
                         {"CheckBox28", "定时提示", "Edit57", "256", "Edit58", "518"},
                         {"CheckBox20", "计时提示", "Edit42", "256", "Edit43", "518"},
                         {"CheckBox21", "标题位置", "Edit45", "38", "Edit53", "12"}};
        for (const auto& p : positions)
            f << In(g, p.check, "QCheckBox", p.caption, true) << In(g, p.left, "TEdit", p.leftText)
              << In(g, p.top, "TEdit", p.topText);

        g = "GroupBox11";
        f << Group(g, {461, 7, 172, 362}, "背景颜色设置");
        const struct {
            const char *check, *caption, *swatch;
            TColor color;
        } swatches[] = {{"CheckBox13", "主板正常", "Label41", clr::Black},
                        {"CheckBox14", "主板预警", "Label42", clr::Yellow},
                        {"CheckBox15", "主板到点", "Label43", clr::Fuchsia},
                        {"CheckBox22", "时钟面板", "Label47", clr::Black},
                        {"CheckBox23", "计时面板", "Label48", clr::Black},
                        {"CheckBox24", "预备面板", "Label49", clr::Black},
                        {"CheckBox38", "时钟字框", "Label27", clr::Black},
                        {"CheckBox39", "计时字框", "Label28", clr::Black},
                        {"CheckBox40", "预备字框", "Label29", clr::Black},
                        {"CheckBox30", "标题字框", "Label56", clr::Black},
                        {"CheckBox31", "提示字框", "Label57", clr::Black},
                        {"CheckBox29", "定时字框", "Label55", clr::Black}};
        for (const auto& s : swatches)
            f << In(g, s.check, "QCheckBox", s.caption, true) << Swatch(s.swatch, s.color);

        g = "GroupBox2";
        f << Group(g, {637, 7, 244, 178}, "时长及单位设置");
        const struct {
            const char *label, *caption, *edit, *number, *combo, *unit;
        } durations[] = {{"Label2", "预备时长", "Edit9", "1", "ComboBox3", "分钟"},
                         {"Label3", "计时时长", "Edit10", "2", "ComboBox5", "分钟"},
                         {"Label1", "提示间隔", "Edit12", "10", "ComboBox1", "秒钟"},
                         {"Label4", "预报时长", "Edit11", "30", "ComboBox7", "秒钟"},
                         {"Label58", "定时提示时长", "Edit59", "5", "ComboBox2", "秒钟"}};
        for (const auto& d : durations)
            f << In(g, d.label, "TLabel", d.caption) << In(g, d.edit, "TEdit", d.number)
              << In(g, d.combo, "TComboBox", d.unit);

        g = "GroupBox4";
        f << Group(g, {637, 192, 364, 89}, "定时日期和时间选择设置");
        f << In(g, "CheckBox19", "QCheckBox", "自动计时日期", false);
        FormControl year = In(g, "Edit47", "TEdit", "2006");
        year.maxLength = 4;
        f << year;
        f << In(g, "CheckBox18", "QCheckBox", "自动计时时间", true);
        const struct {
            const char *edit, *text;
        } scheduleBoxes[] = {{"Edit48", "12"},
                             {"Edit49", "01"},
                             {"Edit50", "08"},
                             {"Edit51", "00"},
                             {"Edit52", "00"}};
        for (const auto& b : scheduleBoxes) {
            FormControl box = In(g, b.edit, "TEdit", b.text);
            box.maxLength = 2;
            f << box;
        }

        g = "GroupBox9";
        f << Group(g, {637, 288, 364, 81}, "系统设置");
        f << In(g, "CheckBox16", "QCheckBox", "到点背景闪烁", true)
          << In(g, "CheckBox32", "QCheckBox", "定时关闭", true)
          << In(g, "CheckBox33", "QCheckBox", "定时执行", false)
          << In(g, "RadioButton5", "QRadioButton", "定时注销", false)
          << In(g, "RadioButton6", "QRadioButton", "定时重启", false)
          << In(g, "RadioButton7", "QRadioButton", "定时关机", true);

        g = "GroupBox6";
        f << Group(g, {637, 379, 364, 118}, "计时显示选择及设置");
        f << In(g, "CheckBox17", "QCheckBox", "主计时分隔符闪动", true)
          << In(g, "BitBtn29", "TBitBtn", "计时字体")
          << In(g, "CheckBox25", "QCheckBox", "预备计时分隔符闪动", true)
          << In(g, "BitBtn35", "TBitBtn", "预备计时字体")
          << In(g, "CheckBox41", "QCheckBox", "时钟分隔符闪动", true)
          << In(g, "BitBtn40", "TBitBtn", "时钟字体");

        g = "GroupBox12";
        f << Group(g, {637, 504, 364, 65}, "窗体透明设置");
        f << In(g, "CheckBox42", "QCheckBox", "窗体透明度", true)
          << In(g, "TrackBar1", "QSlider", nullptr) << In(g, "Label19", "TLabel", "0")
          << In(g, "Label25", "TLabel", "255");

        g = "GroupBox8";
        f << Group(g, {885, 7, 116, 98}, "使用方式");
        f << In(g, "RadioButton3", "QRadioButton", "计时", false)
          << In(g, "RadioButton4", "QRadioButton", "时钟", true)
          << In(g, "RadioButton8", "QRadioButton", "同显", false);

        g = "GroupBox10";
        f << Group(g, {885, 112, 116, 73}, "计时方式");
        f << In(g, "RadioButton1", "QRadioButton", "正计时", false)
          << In(g, "RadioButton2", "QRadioButton", "倒计时", true);

        const struct {
            const char* name;
            int left;
            const char* text;
        } panelButtons[] = {
            {"BitBtn26", 674, "&R默认"}, {"BitBtn27", 782, "&C取消"}, {"BitBtn6", 890, "&O确定"}};
        for (const auto& b : panelButtons)
            f << FormControl{.name = b.name,
                             .cls = "TBitBtn",
                             .parent = "Panel2",
                             .geom = Geo{b.left, 580, 76, 28},
                             .text = b.text};
        return f;
    }();
    return form;
}

const FormControl* FindControl(const QString& name) {
    for (const FormControl& s : Form())
        if (QString::fromUtf8(s.name) == name) return &s;
    return nullptr;
}

QString TextOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    return QStringLiteral("<no text>");
}

// ---- the tool bar and the menu -----------------------------------------------------------

struct ToolButtonForm {
    const char* bar;
    const char* button;
    const char* hint;
};

const ToolButtonForm kToolBar[] = {
    {"CoolBar1", "SpeedButton1", "退出"},
    {"CoolBar1", "SpeedButton2", "开/关设置面板"},
    {"CoolBar1", "SpeedButton8", "开/关时钟面板"},
    {"CoolBar1", "SpeedButton21", "开/关计时面板"},
    {"CoolBar1", "SpeedButton9", "开/关预备计时面板"},
    {"CoolBar1", "SpeedButton18", "开/关背景音乐"},
    {"CoolBar1", "SpeedButton19", "简洁显示开关"},
    {"CoolBar1", "SpeedButton20", "开/关万年历"},
    {"CoolBar2", "SpeedButton11", "设置当前显示时间长为预备计时时长"},
    {"CoolBar2", "SpeedButton10", "将所有设置清除到零"},
    {"CoolBar2", "SpeedButton3", "恢复预备计时到提示音面板设置时长"},
    {"CoolBar2", "SpeedButton4", "暂时停止预备计时"},
    {"CoolBar2", "SpeedButton5", "开始预备计时"},
    {"CoolBar4", "SpeedButton16", "设置当前显示时间长为计时时长"},
    {"CoolBar4", "SpeedButton15", "将所有设置清除到零"},
    {"CoolBar4", "SpeedButton12", "恢复计时到提示音面板设置时长"},
    {"CoolBar4", "SpeedButton13", "暂时停止计时"},
    {"CoolBar4", "SpeedButton14", "开始计时"},
    {"CoolBar3", "SpeedButton6", "帮助"},
    {"CoolBar3", "SpeedButton7", "关于"},
};

struct MenuItemForm {
    const char* menu;
    const char* item;
    const char* caption;  // "-": a separator
    const char* hint;     // nullptr: no hint of its own
};

const MenuItemForm kMenu[] = {
    {"N1", "N2", "开/关设置面板", "开/关提示音设置面板"},
    {"N1", "N11", "开/关时钟面板", "开/关时钟面板"},
    {"N1", "N26", "开/关计时面板", nullptr},
    {"N1", "N12", "开/关预备计时面板", "开/关准备倒计时面板"},
    {"N1", "N23", "开/关背景音乐", "开/关背景音乐"},
    {"N1", "N24", "简洁显示开关", "简洁显示开关"},
    {"N1", "N25", "开/关万年历", "开/关万年历"},
    {"N1", "N14", "-", nullptr},
    {"N1", "N3", "退出系统", nullptr},
    {"N15", "N21", "设置", "设置当前显示时间长为准备倒计时时长"},
    {"N15", "N19", "清零", "将所有设置清除到零"},
    {"N15", "N18", "复位", "恢复准备倒计时到提示音面板设置时长"},
    {"N15", "N17", "暂停", "暂时停止准备倒计时"},
    {"N15", "N16", "计时", "开始准备倒计时"},
    {"N4", "N20", "设置", "设置当前显示时间长为考试倒计时时长"},
    {"N4", "N13", "清零", "将所有设置清除到零"},
    {"N4", "N5", "复位", "恢复考试倒计时到提示音面板设置时长"},
    {"N4", "N6", "暂停", "暂时停止考试倒计时"},
    {"N4", "N7", "计时", "开始考试倒计时"},
    {"N8", "N9", "使用帮助", nullptr},
    {"N8", "N10", "关于", nullptr},
};

// ---- the commands and their handlers ------------------------------------------------------

using Handler = void (TForm1::*)();
struct CommandForm {
    const char* control;
    Handler handler;
};

const CommandForm kCommands[] = {
    // tool bar
    {"SpeedButton1", &TForm1::SpeedButton1Click},
    {"SpeedButton2", &TForm1::SpeedButton2Click},
    {"SpeedButton8", &TForm1::Image3Click},
    {"SpeedButton21", &TForm1::SpeedButton21Click},
    {"SpeedButton9", &TForm1::Image4Click},
    {"SpeedButton18", &TForm1::SpeedButton18Click},
    {"SpeedButton19", &TForm1::Image2Click},
    {"SpeedButton20", &TForm1::SpeedButton20Click},
    {"SpeedButton11", &TForm1::SpeedButton11Click},
    {"SpeedButton10", &TForm1::BitBtn16Click},
    {"SpeedButton3", &TForm1::BitBtn12Click},
    {"SpeedButton4", &TForm1::BitBtn13Click},
    {"SpeedButton5", &TForm1::BitBtn14Click},
    {"SpeedButton16", &TForm1::SpeedButton16Click},
    {"SpeedButton15", &TForm1::BitBtn15Click},
    {"SpeedButton12", &TForm1::BitBtn3Click},
    {"SpeedButton13", &TForm1::BitBtn5Click},
    {"SpeedButton14", &TForm1::BitBtn2Click},
    {"SpeedButton6", &TForm1::SpeedButton6Click},
    {"SpeedButton7", &TForm1::SpeedButton7Click},
    // main menu
    {"N2", &TForm1::SpeedButton2Click},
    {"N11", &TForm1::Image3Click},
    {"N26", &TForm1::SpeedButton21Click},
    {"N12", &TForm1::Image4Click},
    {"N23", &TForm1::SpeedButton18Click},
    {"N24", &TForm1::Image2Click},
    {"N25", &TForm1::SpeedButton20Click},
    {"N3", &TForm1::SpeedButton1Click},
    {"N21", &TForm1::SpeedButton11Click},
    {"N19", &TForm1::BitBtn16Click},
    {"N18", &TForm1::BitBtn12Click},
    {"N17", &TForm1::BitBtn13Click},
    {"N16", &TForm1::BitBtn14Click},
    {"N20", &TForm1::SpeedButton16Click},
    {"N13", &TForm1::BitBtn15Click},
    {"N5", &TForm1::BitBtn3Click},
    {"N6", &TForm1::BitBtn5Click},
    {"N7", &TForm1::BitBtn2Click},
    {"N9", &TForm1::SpeedButton6Click},
    {"N10", &TForm1::SpeedButton7Click},
    // panel buttons
    {"BitBtn1", &TForm1::SpeedButton16Click},
    {"BitBtn15", &TForm1::BitBtn15Click},
    {"BitBtn3", &TForm1::BitBtn3Click},
    {"BitBtn5", &TForm1::BitBtn5Click},
    {"BitBtn2", &TForm1::BitBtn2Click},
    {"BitBtn11", &TForm1::SpeedButton11Click},
    {"BitBtn16", &TForm1::BitBtn16Click},
    {"BitBtn12", &TForm1::BitBtn12Click},
    {"BitBtn13", &TForm1::BitBtn13Click},
    {"BitBtn14", &TForm1::BitBtn14Click},
    // hot spots and the bare display
    {"Panel1", &TForm1::Image2Click},
    {"Image2", &TForm1::Image2Click},
    {"Image3", &TForm1::Image3Click},
    {"Image6", &TForm1::SpeedButton21Click},
    {"Image4", &TForm1::Image4Click},
    {"Image5", &TForm1::Image5Click},
    // settings panel
    {"BitBtn6", &TForm1::BitBtn6Click},
    {"BitBtn26", &TForm1::BitBtn26Click},
    {"BitBtn27", &TForm1::BitBtn27Click},
};

QDateTime Afternoon() {
    return QDateTime(QDate(2007, 3, 14), QTime(14, 30, 3));
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void controls_data();
    void controls();
    void clientArea();
    void unitLists();
    void controlsInsideTheirGroups();
    void scheduleUnitLabels();
    void sliderAndBars();
    void statusLineTimersAndWindow();
    void toolBar();
    void mainMenu();
    void addedMenuItemsRunTheirCommands();
    void fiveWindows_data();
    void fiveWindows();
    void displayPanelStacking();
    void accelerators_data();
    void accelerators();
    void pauseHasNoAccelerator();
    void settingsPanelOwnsTheKeys_data();
    void settingsPanelOwnsTheKeys();
    void commandBindings_data();
    void commandBindings();
};

void LayoutTest::controls_data() {
    QTest::addColumn<QString>("name");
    for (const FormControl& s : Form())
        QTest::newRow(s.name) << QString::fromUtf8(s.name);
}

void LayoutTest::controls() {
    QFETCH(QString, name);
    const FormControl* expected = FindControl(name);
    QVERIFY(expected);
    AppFixture app(Afternoon(), /*runStartUp=*/false);
    auto* w = app->findChild<QWidget*>(name);
    QVERIFY2(w, qPrintable(name));

    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), QString::fromUtf8(expected->cls));
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), QString::fromUtf8(expected->parent));

    if (expected->geom) {
        const Geo& g = *expected->geom;
        QCOMPARE(w->pos(), QPoint(g.x, g.y));
        if (g.w >= 0) QCOMPARE(w->size(), QSize(g.w, g.h));
    }
    if (expected->text) QCOMPARE(TextOf(w), QString::fromUtf8(expected->text));
    if (expected->font) {
        const QFont f = w->font();
        if (expected->font->family) QCOMPARE(f.family(), QString::fromUtf8(expected->font->family));
        QCOMPARE(f.pixelSize(), expected->font->px);
        QCOMPARE(f.bold(), expected->font->bold);
        QCOMPARE(f.italic(), expected->font->italic);
    }
    if (expected->color) QCOMPARE(w->property("Color").toInt(), *expected->color);
    if (expected->fontColor) QCOMPARE(w->property("FontColor").toInt(), *expected->fontColor);
    if (expected->hint) QCOMPARE(w->toolTip(), QString::fromUtf8(expected->hint));
    QCOMPARE(w->isHidden(), expected->hidden);
    if (expected->checked) {
        auto* b = qobject_cast<QAbstractButton*>(w);
        QVERIFY(b);
        QCOMPARE(b->isChecked(), *expected->checked);
    }
    if (expected->maxLength >= 0) QCOMPARE(w->property("MaxLength").toInt(), expected->maxLength);
    if (expected->readOnly)
        QCOMPARE(qobject_cast<QLineEdit*>(w)->isReadOnly(), *expected->readOnly);
    if (expected->transparent)
        QCOMPARE(w->property("Transparent").toBool(), *expected->transparent);
}

// The tool bar runs along the top of the client area; the display area fills the rest of it;
// the status line sits at the bottom.
void LayoutTest::clientArea() {
    AppFixture app(Afternoon(), false);
    TForm1* f = app.f();
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QWidget* client = f->centralWidget();
    QCOMPARE(f->ToolBar1->geometry(), QRect(0, 0, client->width(), 29));
    QCOMPARE(f->Panel1->geometry(), QRect(0, 29, client->width(), client->height() - 29));
    QCOMPARE(f->StatusBar1->height(), 19);
    QCOMPARE(f->StatusBar1->geometry().bottom(), f->rect().bottom());
    QVERIFY(f->StatusBar1->geometry().top() > client->geometry().bottom());
    // The settings panel, at its place, lies inside the client area over the display.
    QVERIFY(client->rect().contains(f->Panel2->geometry()));
    f->hide();
}

// Every control of a settings group lies inside the group's frame: below its title, within
// its borders.
void LayoutTest::controlsInsideTheirGroups() {
    AppFixture app(Afternoon(), false);
    TForm1* f = app.f();
    f->setGeometry(0, 0, 1024, 738);
    f->show();
    f->Panel2->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    const auto groups = f->Panel2->findChildren<TGroupBox*>();
    QCOMPARE(groups.size(), 12);
    for (TGroupBox* g : groups) {
        QStyleOptionGroupBox option;
        option.initFrom(g);
        option.text = g->title();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect contents = g->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                          QStyle::SC_GroupBoxContents, g);
        QVERIFY(!contents.isEmpty());
        const auto children = g->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget* c : children) {
            if (c->isHidden()) continue;
            const QString where = g->objectName() + QLatin1Char('/') + c->objectName();
            QVERIFY2(g->rect().contains(c->geometry()), qPrintable(where));
            QVERIFY2(c->y() >= contents.top() - 4, qPrintable(where));
            QVERIFY2(c->geometry().bottom() <= contents.bottom() + 4, qPrintable(where));
        }
    }
    f->hide();
}

// Each unit choice lists the three units, sorted.
void LayoutTest::unitLists() {
    AppFixture app(Afternoon(), false);
    for (TComboBox* c :
         {app->ComboBox3, app->ComboBox5, app->ComboBox1, app->ComboBox7, app->ComboBox2}) {
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        QCOMPARE(items, (QStringList{QStringLiteral("分钟"), QStringLiteral("秒钟"),
                                     QStringLiteral("小时")}));
        QVERIFY(c->isEditable());
    }
}

// The unit words of the scheduled date and time stand in the group beside their boxes.
void LayoutTest::scheduleUnitLabels() {
    AppFixture app(Afternoon(), false);
    const struct {
        TEdit* box;
        const char* word;
    } rows[] = {{app->Edit47, "年"}, {app->Edit48, "月"}, {app->Edit49, "日"},
                {app->Edit50, "时"}, {app->Edit51, "分"}, {app->Edit52, "秒"}};
    const auto labels = app->GroupBox4->findChildren<QLabel*>();
    for (const auto& r : rows) {
        const QLabel* found = nullptr;
        for (const QLabel* l : labels)
            if (l->text() == QString::fromUtf8(r.word)) found = l;
        QVERIFY2(found, r.word);
        // Right of its box, on the same line.
        QVERIFY(found->x() >= r.box->geometry().right());
        QVERIFY(found->geometry().center().y() >= r.box->y());
        QVERIFY(found->geometry().center().y() <= r.box->geometry().bottom() + 4);
    }
}

void LayoutTest::sliderAndBars() {
    AppFixture app(Afternoon(), false);
    QCOMPARE(app->TrackBar1->minimum(), 0);
    QCOMPARE(app->TrackBar1->maximum(), 255);
    QCOMPARE(app->TrackBar1->value(), 255);
    QCOMPARE(app->TrackBar1->orientation(), Qt::Horizontal);
    for (TProgressBar* bar : {app->ProgressBar1, app->ProgressBar2}) {
        QCOMPARE(bar->Max(), 100);
        QCOMPARE(bar->Position(), 0);
    }
    // The end labels stand at the ends of the slider.
    QVERIFY(app->Label19->geometry().right() <= app->TrackBar1->x() + 4);
    QVERIFY(app->Label25->x() >= app->TrackBar1->geometry().right() - 4);
    // The fixed-size title label does not follow its text.
    QCOMPARE(app->Label44->property("AutoSize").toBool(), false);
    QVERIFY(app->Label44->alignment() & Qt::AlignHCenter);
    QVERIFY(app->Label45->alignment() & Qt::AlignHCenter);
    QVERIFY(app->Label52->alignment() & Qt::AlignHCenter);
    QVERIFY(app->Label13->alignment() & Qt::AlignHCenter);
    QVERIFY(app->Label14->alignment() & Qt::AlignHCenter);
    // The help text rides along in the display area.
    QVERIFY(app->RichEdit1->toPlainText().contains(QStringLiteral("澄屿计时器使用帮助")));
}

void LayoutTest::statusLineTimersAndWindow() {
    AppFixture app(Afternoon(), false);
    TForm1* f = app.f();
    QCOMPARE(f->StatusBar1->sectionCount(), 2);
    QCOMPARE(f->StatusBar1->sectionWidth(0), 400);
    QCOMPARE(f->StatusBar1->sectionWidth(1), 200);
    QCOMPARE(f->StatusBar1->sectionText(0), QStringLiteral("  澄屿工作室  2007年1月31日16:55"));
    QCOMPARE(f->StatusBar1->sectionText(1), QString());
    QVERIFY(f->statusBar() == f->StatusBar1);
    QVERIFY(f->menuBar() == f->MainMenu1);

    QCOMPARE(f->Timer1->Enabled(), false);
    QCOMPARE(f->Timer2->Enabled(), false);
    QCOMPARE(f->Timer3->Enabled(), true);
    for (TTimer* t : {f->Timer1, f->Timer2, f->Timer3})
        QCOMPARE(t->Interval(), 1000);
    QVERIFY(f->MediaPlayer1 == &app.fake.player1);
    QVERIFY(f->MediaPlayer2 == &app.fake.player2);

    QCOMPARE(f->objectName(), QStringLiteral("Form1"));
    QCOMPARE(f->windowTitle(), QStringLiteral("澄屿计时器  V2.01 "));
    QCOMPARE(f->size(), QSize(1024, 738));
    QCOMPARE(f->font().family(), QStringLiteral("宋体"));
    QCOMPARE(f->font().pixelSize(), 18);
    QCOMPARE(f->Opacity(), 255);
    QCOMPARE(f->windowOpacity(), 1.0);
}

void LayoutTest::toolBar() {
    AppFixture app(Afternoon(), false);
    TForm1* f = app.f();
    // The four button bars, left to right.
    const QStringList barOrder = {QStringLiteral("CoolBar1"), QStringLiteral("CoolBar2"),
                                  QStringLiteral("CoolBar4"), QStringLiteral("CoolBar3")};
    int lastRight = -1;
    for (const QString& name : barOrder) {
        auto* bar = f->findChild<QWidget*>(name);
        QVERIFY2(bar, qPrintable(name));
        QCOMPARE(bar->parentWidget(), f->ToolBar1);
        QVERIFY2(bar->x() > lastRight, qPrintable(name));
        lastRight = bar->geometry().right();
    }
    QCOMPARE(f->findChild<QWidget*>(QStringLiteral("CoolBar2"))->toolTip(),
             QStringLiteral("考试倒计时操作"));
    QCOMPARE(f->findChild<QWidget*>(QStringLiteral("CoolBar4"))->toolTip(),
             QStringLiteral("考试倒计时操作"));

    // Every button: in its bar, in order, flat, 23 x 22, with its hint and a glyph.
    QString bar;
    int lastX = -1;
    for (const ToolButtonForm& s : kToolBar) {
        auto* button = f->findChild<QToolButton*>(QString::fromLatin1(s.button));
        QVERIFY2(button, s.button);
        QCOMPARE(button->parentWidget()->objectName(), QString::fromLatin1(s.bar));
        if (bar != QString::fromLatin1(s.bar)) {
            bar = QString::fromLatin1(s.bar);
            lastX = -1;
        }
        QVERIFY2(button->x() > lastX, s.button);
        lastX = button->geometry().right();
        QCOMPARE(button->size(), QSize(23, 22));
        QVERIFY(button->autoRaise());
        QCOMPARE(button->toolTip(), QString::fromUtf8(s.hint));
        QVERIFY(!button->icon().isNull());
        QVERIFY(!button->isHidden());
    }
    // No other buttons in the bars.
    QCOMPARE(f->ToolBar1->findChildren<QToolButton*>().size(), int(std::size(kToolBar)));
}

void LayoutTest::mainMenu() {
    AppFixture app(Afternoon(), false);
    TForm1* f = app.f();
    const struct {
        const char* name;
        const char* title;
    } menus[] = {{"N1", "系统"}, {"N15", "预备计时操作"}, {"N4", "正式计时操作"}, {"N8", "帮助"}};
    const QList<QAction*> top = f->MainMenu1->actions();
    QCOMPARE(top.size(), int(std::size(menus)));
    for (int i = 0; i < top.size(); ++i) {
        QMenu* menu = top[i]->menu();
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QString::fromLatin1(menus[i].name));
        QCOMPARE(menu->title(), QString::fromUtf8(menus[i].title));
        QVERIFY(menu->toolTipsVisible());
        // The drop-down items are drawn in the menu bar's font.
        QCOMPARE(QFontInfo(menu->font()).pixelSize(), QFontInfo(f->MainMenu1->font()).pixelSize());
        QCOMPARE(QFontInfo(menu->font()).pixelSize(), 18);
    }
    for (const auto& m : menus) {
        auto* menu = f->findChild<QMenu*>(QString::fromLatin1(m.name));
        QList<const MenuItemForm*> expected;
        for (const MenuItemForm& item : kMenu)
            if (QByteArray(item.menu) == m.name) expected << &item;
        QList<QAction*> items = menu->actions();
        // The menu 系统 also lists the screens the display can fill, in a submenu of its own
        // just before the separator, and opens the day's plan and the exam-site link's settings.
        if (QByteArray(m.name) == "N1") {
            const auto screens = std::find_if(items.begin(), items.end(), [](QAction* a) {
                return a->menu() && a->menu()->objectName() == QStringLiteral("N27");
            });
            QVERIFY(screens != items.end());
            QCOMPARE((*screens)->text(), QStringLiteral("显示屏幕"));
            // And the day's plan, right after the screens: the given items keep their places.
            const auto plan = screens + 1;
            QCOMPARE((*plan)->objectName(), QStringLiteral("N29"));
            QCOMPARE((*plan)->text(), QStringLiteral("考试安排"));
            QVERIFY(!(*plan)->toolTip().isEmpty());
            // And the swap of the display (F11) after the plan.
            const auto swap = plan + 1;
            QCOMPARE((*swap)->objectName(), QStringLiteral("N30"));
            QCOMPARE((*swap)->text(), QStringLiteral("全屏显示切换"));
            QCOMPARE((*swap)->shortcut(), QKeySequence(Qt::Key_F11));
            QVERIFY(!(*swap)->toolTip().isEmpty());
            // Then the exam-site link's settings, just before the separator.
            const auto site = swap + 1;
            QCOMPARE((*site)->objectName(), QStringLiteral("N31"));
            QCOMPARE((*site)->text(), QStringLiteral("考点联网"));
            QVERIFY(!(*site)->toolTip().isEmpty());
            QCOMPARE((*(site + 1))->objectName(), QStringLiteral("N14"));
            items.erase(screens, site + 1);
        }
        // The menu 帮助 also opens the folder of the session log, between the help and about.
        if (QByteArray(m.name) == "N8") {
            QVERIFY(items.size() == 3);
            QCOMPARE(items[1]->objectName(), QStringLiteral("N28"));
            QCOMPARE(items[1]->text(), QStringLiteral("计时记录"));
            QVERIFY(!items[1]->toolTip().isEmpty());
            items.removeAt(1);
        }
        QCOMPARE(items.size(), expected.size());
        for (int i = 0; i < items.size(); ++i) {
            const MenuItemForm& s = *expected[i];
            QCOMPARE(items[i]->objectName(), QString::fromLatin1(s.item));
            if (QByteArray(s.caption) == "-") {
                QVERIFY2(items[i]->isSeparator(), s.item);
                continue;
            }
            QVERIFY(!items[i]->isSeparator());
            QCOMPARE(items[i]->text(), QString::fromUtf8(s.caption));
            // Without a hint of its own an item shows its caption as the tool tip.
            QCOMPARE(items[i]->toolTip(),
                     s.hint ? QString::fromUtf8(s.hint) : QString::fromUtf8(s.caption));
        }
    }
}

// The items added to the given menus (the log's folder, the day's plan, the swap of the
// display) each run their command when chosen.
void LayoutTest::addedMenuItemsRunTheirCommands() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    f->showOnAudienceScreen();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    f->findChild<QAction*>(QStringLiteral("N28"))->trigger();
    QCOMPARE(app.fake.launcher.folders.size(), 1);
    f->findChild<QAction*>(QStringLiteral("N29"))->trigger();
    auto* plan = f->findChild<PlanWindow*>();
    QVERIFY(plan);
    QVERIFY(plan->isVisible());
    plan->hide();
    QVERIFY(!f->audienceWindow()->isVisible());
    f->findChild<QAction*>(QStringLiteral("N30"))->trigger();
    QVERIFY(f->audienceWindow()->isVisible());
    f->findChild<QAction*>(QStringLiteral("N30"))->trigger();
    QVERIFY(!f->audienceWindow()->isVisible());
}

// The program makes the main window first and the hidden ones after its first frame; until
// then the commands that show them do nothing.
void LayoutTest::fiveWindows_data() {
    QTest::addColumn<bool>("mainFirst");
    QTest::newRow("all at once") << false;
    QTest::newRow("main window first") << true;
}

void LayoutTest::fiveWindows() {
    QFETCH(bool, mainFirst);
    AppFixture app(Afternoon(), false);
    if (mainFirst) {
        app.destroy();
        app.app = std::make_unique<AppWindows>(app.fake.platform(), false,
                                               AppWindows::Create::MainFirst);
        QCOMPARE(app.app->creationOrder, QStringList{QStringLiteral("Form1")});
        QVERIFY(!app.app->Form2 && !app.app->Form1->Form2 && !app.app->Form1->wnl);
        int commands = 0;
        for (QAction* a : app.f()->findChildren<QAction*>())
            if (a->text() == QStringLiteral("使用帮助") || a->text() == QStringLiteral("关于") ||
                a->text() == QStringLiteral("开/关万年历")) {
                a->trigger();
                ++commands;
            }
        QVERIFY(commands >= 3);
        app.app->createHiddenWindows();
        TForm2* help = app.app->Form2.get();
        app.app->createHiddenWindows();
        QCOMPARE(app.app->Form2.get(), help);
    }
    AppWindows& w = *app.app;
    QCOMPARE(w.creationOrder,
             (QStringList{QStringLiteral("Form1"), QStringLiteral("Form2"), QStringLiteral("Form3"),
                          QStringLiteral("wnl"), QStringLiteral("Form4")}));
    const struct {
        QWidget* window;
        const char* cls;
        const char* name;
        const char* caption;
    } windows[] = {{w.Form2.get(), "TForm2", "Form2", "使用帮助"},
                   {w.Form3.get(), "TForm3", "Form3", "关于"},
                   {w.wnl.get(), "Twnl", "wnl", "万年历"},
                   {w.Form4.get(), "TForm4", "Form4", "示例"}};
    QCOMPARE(QString::fromLatin1(w.Form1->metaObject()->className()), QStringLiteral("TForm1"));
    for (const auto& x : windows) {
        QVERIFY(x.window);
        QCOMPARE(QString::fromLatin1(x.window->metaObject()->className()),
                 QString::fromLatin1(x.cls));
        QCOMPARE(x.window->objectName(), QString::fromLatin1(x.name));
        QCOMPARE(x.window->windowTitle(), QString::fromUtf8(x.caption));
        QVERIFY(x.window->isWindow());
        QVERIFY(x.window->isHidden());
    }
    // The main window knows the same four windows.
    QVERIFY(w.Form1->Form2 == w.Form2.get());
    QVERIFY(w.Form1->Form3 == w.Form3.get());
    QVERIFY(w.Form1->wnl == w.wnl.get());
    QVERIFY(w.Form1->Form4 == w.Form4.get());
}

// The three display panels share one place; the preparation panel lies on top, then the main
// timer panel, then the clock panel.
void LayoutTest::displayPanelStacking() {
    AppFixture app(Afternoon(), false);
    TForm1* f = app.f();
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    auto topPanelAt = [f](QPoint p) -> QWidget* {
        for (QWidget* w = f->Panel1->childAt(p); w; w = w->parentWidget())
            if (w == f->Panel3 || w == f->Panel4 || w == f->Panel5) return w;
        return nullptr;
    };
    // A bare spot of the panels (right of the digits, above the hot spots' rows).
    const QPoint spot = f->Panel3->geometry().topLeft() + QPoint(5, 290);
    QCOMPARE(topPanelAt(spot), f->Panel3);
    f->Panel4->show();
    QCOMPARE(topPanelAt(spot), f->Panel4);
    f->Panel5->show();
    QCOMPARE(topPanelAt(spot), f->Panel5);
    f->Panel4->hide();
    QCOMPARE(topPanelAt(spot), f->Panel5);
    f->Panel5->hide();
    f->Panel4->show();
    QCOMPARE(topPanelAt(spot), f->Panel4);
    f->hide();
}

// ---- keyboard accelerators of the timer panels -------------------------------------------

namespace {

struct AcceleratorCase {
    const char* button;
    Qt::Key key;
    std::function<void(AppFixture&)> prepare;
    std::function<void(AppFixture&)> verify;
};

QStringList Digits(const TForm1::Digits& d) {
    QStringList s;
    for (TEdit* e : d)
        s << e->text();
    return s;
}

const std::map<QString, AcceleratorCase>& AcceleratorCases() {
    static const std::map<QString, AcceleratorCase> cases = {
        {QStringLiteral("Alt+S sets the main duration"),
         {"BitBtn1", Qt::Key_S, [](AppFixture& a) { a->Edit4->setText(QStringLiteral("2")); },
          [](AppFixture& a) {
              QCOMPARE(a->ProgressBar1->Max(), 21 * 60);
              QCOMPARE(a->Edit10->text(), QStringLiteral("21"));
          }}},
        {QStringLiteral("Alt+C clears the main display"),
         {"BitBtn15", Qt::Key_C, [](AppFixture& a) { a->Edit8->setText(QStringLiteral("5")); },
          [](AppFixture& a) {
              QCOMPARE(Digits(a->MainDigits()), QStringList(6, QStringLiteral("0")));
              QCOMPARE(a->mainSeconds, 0);
          }}},
        {QStringLiteral("Alt+R resets the main display"),
         {"BitBtn3", Qt::Key_R, [](AppFixture& a) { a->Edit4->setText(QStringLiteral("4")); },
          [](AppFixture& a) {
              QCOMPARE(Digits(a->MainDigits()).join(QString()), QStringLiteral("000100"));
              QCOMPARE(a->mainSeconds, 60);
          }}},
        {QStringLiteral("Alt+T starts the main timer"),
         {"BitBtn2", Qt::Key_T, [](AppFixture&) {},
          [](AppFixture& a) {
              QVERIFY(a->Timer1->Enabled());
              QCOMPARE(a->StatusBar1->sectionText(1), QStringLiteral("开始"));
          }}},
        {QStringLiteral("Alt+H sets the preparation duration"),
         {"BitBtn11", Qt::Key_H, [](AppFixture& a) { a->Edit21->setText(QStringLiteral("3")); },
          [](AppFixture& a) {
              QCOMPARE(a->ProgressBar2->Max(), 3 * 60);
              QCOMPARE(a->Edit9->text(), QStringLiteral("3"));
          }}},
        {QStringLiteral("Alt+Q clears the preparation display"),
         {"BitBtn16", Qt::Key_Q, [](AppFixture& a) { a->Edit24->setText(QStringLiteral("7")); },
          [](AppFixture& a) {
              QCOMPARE(Digits(a->PrepDigits()), QStringList(6, QStringLiteral("0")));
              QCOMPARE(a->prepSeconds, 0);
          }}},
        {QStringLiteral("Alt+F resets the preparation display"),
         {"BitBtn12", Qt::Key_F, [](AppFixture& a) { a->Edit21->setText(QStringLiteral("3")); },
          [](AppFixture& a) {
              QCOMPARE(Digits(a->PrepDigits()).join(QString()), QStringLiteral("000100"));
          }}},
        {QStringLiteral("Alt+Z pauses the preparation count-down"),
         {"BitBtn13", Qt::Key_Z, [](AppFixture& a) { a->BitBtn14Click(); },
          [](AppFixture& a) {
              QVERIFY(!a->Timer2->Enabled());
              QCOMPARE(a.fake.dialogs.texts(QStringLiteral("confirm")),
                       QStringList{QStringLiteral("正在预备倒计时，您确定要暂停吗?")});
          }}},
        {QStringLiteral("Alt+J starts the preparation count-down"),
         {"BitBtn14", Qt::Key_J, [](AppFixture&) {},
          [](AppFixture& a) {
              QVERIFY(a->Timer2->Enabled());
              QCOMPARE(a->StatusBar1->sectionText(1), QStringLiteral("预备"));
          }}},
    };
    return cases;
}

// A button pressed by its accelerator comes up and clicks after a short animation; this runs
// that step at once instead of waiting for it.
void FinishPressedButtons(QWidget* root) {
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
        if (!b->isDown()) continue;
        for (const auto& t : QAbstractEventDispatcher::instance()->registeredTimers(b)) {
            QTimerEvent step(t.timerId);
            QCoreApplication::sendEvent(b, &step);
        }
    }
}

// The main window on screen and active, with both timer panels showing.
void ShowBothTimerPanels(AppFixture& app) {
    TForm1* f = app.f();
    f->Run(&TForm1::SpeedButton21Click);  // the main timer panel instead of the clock
    f->Run(&TForm1::Image4Click);         // and the preparation panel
    QVERIFY(!f->Panel4->isHidden());
    QVERIFY(!f->Panel5->isHidden());
    f->show();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
}

}  // namespace

void LayoutTest::accelerators_data() {
    QTest::addColumn<QString>("name");
    for (const auto& [name, c] : AcceleratorCases())
        QTest::newRow(qPrintable(name)) << name;
}

void LayoutTest::accelerators() {
    QFETCH(QString, name);
    const AcceleratorCase& c = AcceleratorCases().at(name);
    AppFixture app(Afternoon());
    ShowBothTimerPanels(app);
    if (QTest::currentTestFailed()) return;
    c.prepare(app);
    app.fake.dialogs.clear();
    auto* button = app->findChild<QAbstractButton*>(QString::fromLatin1(c.button));
    QVERIFY(button);
    QSignalSpy pressed(button, &QAbstractButton::pressed);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::keyClick(app.f(), c.key, Qt::AltModifier);
    QCOMPARE(pressed.size(), 1);
    FinishPressedButtons(app.f());
    QCOMPARE(clicked.size(), 1);
    c.verify(app);
    app->hide();
}

// "P暂停" has no accelerator: Alt+P does not ask to pause a running main timer.
void LayoutTest::pauseHasNoAccelerator() {
    AppFixture app(Afternoon());
    ShowBothTimerPanels(app);
    app->BitBtn2Click();
    QVERIFY(app->Timer1->Enabled());
    app.fake.dialogs.clear();
    QTest::keyClick(app.f(), Qt::Key_P, Qt::AltModifier);
    QVERIFY(!app->BitBtn5->isDown());
    FinishPressedButtons(app.f());
    QVERIFY(app->Timer1->Enabled());
    QCOMPARE(app.fake.dialogs.count(QStringLiteral("confirm")), 0);
    // The button itself still pauses.
    app.fake.dialogs.answers = {true};
    app->BitBtn5->click();
    QVERIFY(!app->Timer1->Enabled());
    app->hide();
}

// While the settings panel is open, Alt+R, Alt+C and Alt+O are its own 默认, 取消 and 确定 in
// every usage mode, and no key, Tab and Space included, reaches a control it covers.
void LayoutTest::settingsPanelOwnsTheKeys_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("button");
    const struct {
        const char* mode;
        const char* name;
    } modes[] = {{"RadioButton3", "计时"}, {"RadioButton4", "时钟"}, {"RadioButton8", "同显"}};
    const struct {
        Qt::Key key;
        const char* button;
    } keys[] = {{Qt::Key_R, "BitBtn26"}, {Qt::Key_C, "BitBtn27"}, {Qt::Key_O, "BitBtn6"}};
    for (const auto& m : modes)
        for (const auto& k : keys)
            QTest::addRow("%s, %s", m.name, k.button)
                << QString::fromLatin1(m.mode) << int(k.key) << QString::fromLatin1(k.button);
}

void LayoutTest::settingsPanelOwnsTheKeys() {
    QFETCH(QString, mode);
    QFETCH(int, key);
    QFETCH(QString, button);
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    f->findChild<QRadioButton*>(mode)->setChecked(true);
    QVERIFY(f->Run(&TForm1::BitBtn6Click));
    f->show();
    QApplication::setActiveWindow(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    const QStringList shown = {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                               QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("0")};
    for (int i = 0; i < 6; ++i)
        f->MainDigits()[i]->setText(shown[i]);
    f->SpeedButton2Click();
    QVERIFY(f->Panel2->isVisible());
    app.fake.dialogs.clear();

    auto* target = f->findChild<QAbstractButton*>(button);
    QSignalSpy clicked(target, &QAbstractButton::clicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
    FinishPressedButtons(f);
    QCOMPARE(clicked.size(), 1);
    if (f->Panel2->isVisible()) {
        // The same key again, then Space: still the panel's button, nothing beneath it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
        FinishPressedButtons(f);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        FinishPressedButtons(f);
        QVERIFY(clicked.size() >= 2);
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            QVERIFY2(!f->Panel1->isAncestorOf(focus) && focus != f->Panel1,
                     qPrintable(focus->objectName()));
        }
        QStringList digits;
        for (TEdit* d : f->MainDigits())
            digits << d->text();
        QCOMPARE(digits, shown);
        QCOMPARE(app.fake.dialogs.count(QStringLiteral("confirm")), 0);
    } else {
        // 确定 closed the panel: the display is the operator's again.
        QVERIFY(f->Panel1->isEnabled());
    }
    f->hide();
}

// ---- the command bindings ------------------------------------------------------------------

void LayoutTest::commandBindings_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("command");
    for (int i = 0; i < int(std::size(kCommands)); ++i)
        QTest::newRow(kCommands[i].control) << QString::fromLatin1(kCommands[i].control) << i;
}

void LayoutTest::commandBindings() {
    QFETCH(QString, control);
    QFETCH(int, command);
    QList<Handler> bound;
    for (const TForm1::Binding& b : TForm1::Bindings())
        if (QString::fromLatin1(b.control) == control && b.event == TForm1::Event::Click)
            bound << b.handler;
    QCOMPARE(bound.size(), 1);
    QVERIFY2(bound.first() == kCommands[command].handler, qPrintable(control));
    // The bound control exists in the window.
    AppFixture app(Afternoon(), false);
    QVERIFY(app->findChild<QObject*>(control));
}

QTEST_MAIN(LayoutTest)
#include "behaviour_layout.moc"
