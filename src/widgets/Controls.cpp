#include "widgets/Controls.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>
#include <QValidator>
#include <QtMath>
#include <algorithm>

// ---- fonts -------------------------------------------------------------------------------

int FontSize(const QFont& font) {
    if (font.pixelSize() > 0) return qRound(font.pixelSize() * 72.0 / 120.0);
    return qRound(font.pointSizeF());
}

void SetFontSize(QFont& font, int points) {
    font.setPixelSize(qMax(1, qRound(points * 120.0 / 72.0)));
}

namespace {
// A font of the widget's own in points takes its pixel size.
void ConvertDesignFont(QWidget* widget) {
    if (widget->testAttribute(Qt::WA_SetFont) && widget->font().pointSizeF() > 0) {
        QFont f = widget->font();
        SetFontSize(f, qRound(f.pointSizeF()));
        widget->setFont(f);
    }
}
}  // namespace

void ConvertDesignFonts(QWidget* root) {
    if (!root) return;
    ConvertDesignFont(root);
    const auto children = root->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        ConvertDesignFonts(child);
}

DesignFontScope::DesignFontScope() {
    QCoreApplication::instance()->installEventFilter(this);
}

DesignFontScope::~DesignFontScope() {
    QCoreApplication::instance()->removeEventFilter(this);
}

// Every font set on a widget is told to it by a FontChange event, before the widget itself
// reacts to it: the font is converted there, and the widget then sees the converted one.
bool DesignFontScope::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FontChange && watched->isWidgetType())
        ConvertDesignFont(static_cast<QWidget*>(watched));
    return false;
}

void RegisterFontSubstitutions() {
    // AR PL UMing has the proportions of the Song faces the form was designed with: its digits
    // are as wide as they are high, its line height is its size.
    const QStringList song = {QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
                              QStringLiteral("Noto Sans CJK SC")};
    const QStringList kai = {QStringLiteral("AR PL UKai CN"), QStringLiteral("Noto Serif CJK SC"),
                             QStringLiteral("Noto Sans CJK SC")};
    const QStringList sans = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")};
    for (const char* name : {"宋体", "新宋体", "SimSun"})
        QFont::insertSubstitutions(QString::fromUtf8(name), song);
    // The face of the big time digits: a serif with a true bold whose digits are half as wide
    // as they are high, so that "00" fills a clock box and each digit its own box; the
    // separator glyph comes from the Song face.
    QFont::insertSubstitutions(QString::fromUtf8("宋体-方正超大字符集"),
                               QStringList{QStringLiteral("Liberation Serif")} + song);
    for (const char* name : {"华文新魏", "隶书", "楷体_GB2312", "华文隶书", "楷体", "黑体"})
        QFont::insertSubstitutions(QString::fromUtf8(name), kai);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
}

QFont DialogFont(const QFont& shown) {
    const QFontInfo info(shown);
    QFont f(info.family());
    f.setPointSize(qMax(1, FontSize(shown)));
    f.setWeight(QFont::Weight(info.weight()));
    f.setItalic(info.italic());
    f.setUnderline(shown.underline());
    f.setStrikeOut(shown.strikeOut());
    // The face's own name of the style shown, so that the dialog selects that style and not
    // the first one whose name merely begins the same ("Bold Italic" for "Bold").
    if (!info.styleName().isEmpty()) f.setStyleName(info.styleName());
    return f;
}

QFont FontFromDialog(const QFont& control, const QFont& preset, const QFont& chosen) {
    QFont f = control;
    if (chosen.family().compare(preset.family(), Qt::CaseInsensitive) != 0)
        f.setFamilies({chosen.family()});
    if (FontSize(chosen) != FontSize(preset)) SetFontSize(f, qMax(1, FontSize(chosen)));
    if (chosen.weight() != preset.weight()) f.setWeight(chosen.weight());
    if (chosen.italic() != preset.italic()) f.setItalic(chosen.italic());
    f.setUnderline(chosen.underline());
    f.setStrikeOut(chosen.strikeOut());
    return f;
}

// ---- colours ------------------------------------------------------------------------------

ColorControl* ColorControl::of(QWidget* w) {
    return dynamic_cast<ColorControl*>(w);
}

TColor ColorControl::Color() const {
    if (parentColor_) {
        for (QWidget* p = self_->parentWidget(); p; p = p->parentWidget())
            if (ColorControl* c = of(p)) return c->Color();
        return clr::BtnFace;
    }
    return color_;
}

void ColorControl::setColor(TColor color) {
    color_ = color;
    parentColor_ = false;
    applyColors();
    notifyChildren();
}

void ColorControl::setParentColor(bool on) {
    parentColor_ = on;
    applyColors();
    notifyChildren();
}

void ColorControl::setFontColor(TColor color) {
    fontColor_ = color;
    applyColors();
}

void ColorControl::containerColorChanged() {
    if (!parentColor_) return;
    applyColors();
    notifyChildren();
}

void ColorControl::notifyChildren() {
    const auto children = self_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        if (ColorControl* c = of(child)) c->containerColorChanged();
}

void ColorControl::applyColors() {
    QPalette pal = self_->palette();
    const QColor bg = ToQColor(Color());
    const QColor fg = ToQColor(fontColor_);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Window, bg);
        pal.setColor(group, QPalette::Base, bg);
        pal.setColor(group, QPalette::WindowText, fg);
        pal.setColor(group, QPalette::Text, fg);
    }
    self_->setPalette(pal);
    self_->setAutoFillBackground(true);
    self_->update();
}

// ---- clicks -------------------------------------------------------------------------------

void ClickTracker::press(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
    e->accept();
}

bool ClickTracker::release(QWidget* self, QMouseEvent* e) {
    e->accept();
    const bool click =
        pressed_ && e->button() == Qt::LeftButton && self->rect().contains(e->position().toPoint());
    pressed_ = false;
    return click;
}

// ---- TPanel -------------------------------------------------------------------------------

TPanel::TPanel(QWidget* parent) : QFrame(parent), ColorControl(this) {
    setFrameShape(QFrame::NoFrame);
    applyColors();
}

void TPanel::mousePressEvent(QMouseEvent* e) {
    click_.press(e);
}

void TPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (click_.release(this, e)) Q_EMIT Click();
}

// ---- TLabel -------------------------------------------------------------------------------

TLabel::TLabel(QWidget* parent) : QLabel(parent), ColorControl(this) {
    applyColors();
}

void TLabel::applyColors() {
    ColorControl::applyColors();
    setAutoFillBackground(!transparent_);
}

void TLabel::setTransparent(bool on) {
    transparent_ = on;
    applyColors();
}

void TLabel::setAutoSize(bool on) {
    autoSize_ = on;
    adjustBounds();
}

void TLabel::setShrinkToFit(bool on) {
    shrinkToFit_ = on;
    update();
}

void TLabel::paintEvent(QPaintEvent* e) {
    const QRect room = contentsRect();
    const qreal natural = QFontMetricsF(font()).horizontalAdvance(text());
    if (!shrinkToFit_ || wordWrap() || natural <= room.width() || room.width() <= 0) {
        QLabel::paintEvent(e);
        return;
    }
    const qreal k = room.width() / natural;
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(foregroundRole()));
    p.translate(room.topLeft());
    p.scale(k, k);
    p.drawText(QRectF(0, 0, natural, room.height() / k),
               int(Qt::AlignHCenter | (alignment() & Qt::AlignVertical_Mask)), text());
}

void TLabel::setCaption(const QString& text) {
    setText(text);
    adjustBounds();
}

void TLabel::adjustBounds() {
    if (!autoSize_) return;
    const QFontMetrics fm(font());
    const QString t = text().isEmpty() ? QStringLiteral(" ") : text();
    const int w = qMax(1, fm.horizontalAdvance(t));
    resize(w, fm.height());
}

void TLabel::changeEvent(QEvent* e) {
    QLabel::changeEvent(e);
    if (e->type() == QEvent::FontChange) adjustBounds();
}

void TLabel::mousePressEvent(QMouseEvent* e) {
    click_.press(e);
}

void TLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (click_.release(this, e)) Q_EMIT Click();
}

// ---- TEdit --------------------------------------------------------------------------------

// Every edit of the operator's passes here before it reaches the box (a program write too,
// which is let through). An insertion that would make the text longer than MaxLength is cut
// to the room left; when nothing of it fits, the edit is refused and the box stays as it was.
class TEdit::InputLimit : public QValidator {
  public:
    explicit InputLimit(TEdit* edit) : QValidator(edit), edit_(edit) {}

    State validate(QString& text, int& pos) const override {
        const int max = edit_->maxLength_;
        if (edit_->programWrite_ || max <= 0 || text.size() <= max) return Acceptable;
        const QString& old = edit_->accepted_;
        // The inserted run lies between what the old and the new text share at both ends.
        qsizetype prefix = 0;
        while (prefix < text.size() && prefix < old.size() && text[prefix] == old[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < text.size() - prefix && suffix < old.size() - prefix &&
               text[text.size() - 1 - suffix] == old[old.size() - 1 - suffix])
            ++suffix;
        const qsizetype inserted = text.size() - prefix - suffix;
        const qsizetype kept = qBound<qsizetype>(0, max - (text.size() - inserted), inserted);
        const QString result = text.left(prefix + kept) + text.right(suffix);
        if (result == old) return Invalid;
        text = result;
        pos = int(prefix + kept);
        return Acceptable;
    }

  private:
    TEdit* edit_;
};

TEdit::TEdit(QWidget* parent) : QLineEdit(parent), ColorControl(this) {
    color_ = clr::Window;
    fontColor_ = clr::WindowText;
    applyColors();
    // First of all the box's connections, so the text is known before any handler runs.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) { accepted_ = t; });
    setValidator(new InputLimit(this));
}

void TEdit::setText(const QString& text) {
    programWrite_ = true;
    QLineEdit::setText(text);
    programWrite_ = false;
}

void TEdit::deleteFirstChar() {
    if (text().isEmpty()) return;
    const bool ro = isReadOnly();
    setReadOnly(false);
    setSelection(0, 1);
    del();
    setReadOnly(ro);
}

void TEdit::keyPressEvent(QKeyEvent* e) {
    // The handler may move the focus on; the key's character still goes into this box and
    // replaces what was selected here, so a selection that the focus change dropped is put
    // back first.
    const int selStart = selectionStart();
    const int selLength = selectionLength();
    Q_EMIT KeyDown(e->key());
    if (selLength > 0 && !hasSelectedText()) setSelection(selStart, selLength);
    QLineEdit::keyPressEvent(e);
}

void TEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    // Selected when entered by Tab or by the program, not by a click nor by the window
    // becoming active.
    const Qt::FocusReason r = e->reason();
    if (r == Qt::TabFocusReason || r == Qt::BacktabFocusReason || r == Qt::OtherFocusReason)
        selectAll();
}

void TEdit::mouseReleaseEvent(QMouseEvent* e) {
    QLineEdit::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton) Q_EMIT Click();
}

// ---- TBitBtn, TGroupBox, TClickArea -------------------------------------------------------

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {
    setMouseTracking(true);
    setAutoDefault(false);
}

void TBitBtn::mouseMoveEvent(QMouseEvent* e) {
    QPushButton::mouseMoveEvent(e);
    e->accept();  // the move is the button's, not its group box's
    Q_EMIT MouseMove();
}

void TBitBtn::enterEvent(QEnterEvent* e) {
    QPushButton::enterEvent(e);
    Q_EMIT MouseMove();
}

TGroupBox::TGroupBox(QWidget* parent) : QGroupBox(parent) {
    setMouseTracking(true);
}

void TGroupBox::mouseMoveEvent(QMouseEvent* e) {
    QGroupBox::mouseMoveEvent(e);
    // Only a move over the bare area counts; moves over a control inside are passed up here
    // by controls that do not take them.
    if (!childAt(e->position().toPoint())) Q_EMIT MouseMove();
}

TClickArea::TClickArea(QWidget* parent) : QWidget(parent) {}

void TClickArea::mousePressEvent(QMouseEvent* e) {
    click_.press(e);
}

void TClickArea::mouseReleaseEvent(QMouseEvent* e) {
    if (click_.release(this, e)) Q_EMIT Click();
}

// ---- TProgressBar -------------------------------------------------------------------------

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    show_();
}

void TProgressBar::setMax(int max) {
    max_ = qMax(0, max);
    position_ = qBound(0, position_, max_);
    show_();
}

void TProgressBar::setPosition(int position) {
    position_ = qBound(0, position, max_);
    show_();
}

void TProgressBar::show_() {
    // A range of 0..0 would make the bar an endless busy indicator: show it empty instead.
    if (max_ == 0) {
        setRange(0, 1);
        setValue(0);
    } else {
        setRange(0, max_);
        setValue(position_);
    }
}

// ---- TComboBox ----------------------------------------------------------------------------

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void TComboBox::setText(const QString& text) {
    setEditText(text);
}

// ---- TElidedLabel -------------------------------------------------------------------------

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TElidedLabel::setFullText(const QString& text) {
    full_ = text;
    setToolTip(text);
    setAccessibleDescription(text);
    elide();
}

QSize TElidedLabel::sizeHint() const {
    return {0, QLabel::sizeHint().height()};
}

QSize TElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void TElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) elide();
}

void TElidedLabel::elide() {
    const int room = std::max(0, contentsRect().width() - 2 * margin() - 2 * indent());
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, room);
    if (shown != text()) setText(shown);
}

// ---- TStatusBar ---------------------------------------------------------------------------

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    const int widths[] = {400, 200};
    for (int w : widths) {
        auto* l = new QLabel(this);
        l->setFixedWidth(w);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        addWidget(l);
        sections_.append(l);
    }
    notice_ = new TElidedLabel(this);
    notice_->setObjectName(QStringLiteral("StatusNotice"));
    notice_->setAccessibleName(QStringLiteral("声音输出状态"));
    QPalette red = notice_->palette();
    red.setColor(QPalette::WindowText, QColor(0xc0, 0, 0));
    notice_->setPalette(red);
    // The notice takes what room is left and never widens the window: a text longer than the
    // room (a long device name, an 800-pixel screen) is elided in the middle; the tool tip and
    // the accessible description have it whole.
    notice_->hide();
    addWidget(notice_, 1);
    // The files' warnings share the rest of the line with it, each cut at its end when both
    // show (their tool tips have them whole).
    fileNotice_ = new TElidedLabel(this);
    fileNotice_->setObjectName(QStringLiteral("StatusFileNotice"));
    fileNotice_->setAccessibleName(QStringLiteral("文件保存状态"));
    fileNotice_->setPalette(red);
    fileNotice_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    fileNotice_->hide();
    addWidget(fileNotice_, 1);
}

void TStatusBar::setFileNotice(const QString& source, const QString& text) {
    if (text.isEmpty())
        fileNotices_.remove(source);
    else
        fileNotices_.insert(source, text);
    const QString all = QStringList(fileNotices_.values()).join(QStringLiteral("；"));
    fileNotice_->setFullText(all);
    fileNotice_->setVisible(!all.isEmpty());
}

QString TStatusBar::fileNotice() const {
    return fileNotice_->fullText();
}

void TStatusBar::setNotice(const QString& text) {
    notice_->setFullText(text);
    notice_->setVisible(!text.isEmpty());
}

QString TStatusBar::notice() const {
    return notice_->fullText();
}

QString TStatusBar::sectionText(int i) const {
    return (i >= 0 && i < sections_.size()) ? sections_[i]->text() : QString();
}

void TStatusBar::setSectionText(int i, const QString& text) {
    if (i >= 0 && i < sections_.size()) sections_[i]->setText(text);
}

int TStatusBar::sectionWidth(int i) const {
    return (i >= 0 && i < sections_.size()) ? sections_[i]->width() : 0;
}

// ---- radio buttons ------------------------------------------------------------------------

void SetRadioChecked(QRadioButton* button, bool checked) {
    if (button->isChecked() == checked) return;
    if (checked) {
        button->setChecked(true);
        return;
    }
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}
