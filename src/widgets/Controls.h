// The form controls the windows are built from: Qt widgets with the few properties of the
// designer's controls that the program relies on (a background colour that can follow the
// container's colour, a font colour, see-through labels, a click event on any control, a
// key-down event that runs before the key's character is typed, a progress bar whose position
// stays within its range).
//
// Fonts are designed at 120 pixels per inch: a size of 72 points is a character height of
// 120 pixels on every screen.
#pragma once

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolButton>

#include "platform/Colors.h"

// ---- fonts -------------------------------------------------------------------------------

// Size in points at 120 pixels per inch.
int FontSize(const QFont& font);
void SetFontSize(QFont& font, int points);
// Turns the point sizes that a designer form sets into pixel sizes at 120 pixels per inch,
// for root and every widget below it that has a font of its own.
void ConvertDesignFonts(QWidget* root);
// While it lives, a font that a widget is given in points is turned into its pixel size at
// 120 pixels per inch as it is set (as ConvertDesignFonts does afterwards). A form built
// inside it lays out its texts and measures its labels once, at their real sizes, instead of
// first at the point sizes (each size of each face is a font to load) and again after the
// conversion.
class DesignFontScope : public QObject {
  public:
    DesignFontScope();
    ~DesignFontScope() override;
    DesignFontScope(const DesignFontScope&) = delete;
    DesignFontScope& operator=(const DesignFontScope&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
// Installs the substitutions that map the Windows face names to installed CJK faces.
void RegisterFontSubstitutions();
// The font a font dialog opens on for a control's font: the installed face and the style that
// the control really shows (a stored Windows name such as "宋体-方正超大字符集" is not a face
// the dialog lists), its size in points.
QFont DialogFont(const QFont& shown);
// The control's new font after the dialog, opened on `preset`, returned `chosen`: the chosen
// size and style, and the chosen face's name, unless the face is the one the dialog opened
// on, when the control keeps the name it had (a confirmation without change leaves the
// control exactly as it was).
QFont FontFromDialog(const QFont& control, const QFont& preset, const QFont& chosen);

// ---- colours ------------------------------------------------------------------------------

// Background colour and font colour of a control. A control whose ParentColor is on shows
// (and reports) its container's colour and follows it when it changes.
class ColorControl {
  public:
    explicit ColorControl(QWidget* self) : self_(self) {}
    virtual ~ColorControl() = default;

    TColor Color() const;
    void setColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void setParentColor(bool on);
    TColor FontColor() const { return fontColor_; }
    void setFontColor(TColor color);

    // The container's colour changed (or this control moved to another container).
    void containerColorChanged();
    // Finds the colour control of a widget, if it is one.
    static ColorControl* of(QWidget* w);

  protected:
    virtual void applyColors();
    void notifyChildren();

    QWidget* self_;
    TColor color_ = clr::BtnFace;
    TColor fontColor_ = clr::WindowText;
    bool parentColor_ = false;
};

// A click: the left button pressed and released again over the control.
class ClickTracker {
  public:
    void press(QMouseEvent* e);
    // True when this release completes a click on self.
    bool release(QWidget* self, QMouseEvent* e);

  private:
    bool pressed_ = false;
};

#define KVTMR_COLOR_PROPERTIES                                  \
    Q_PROPERTY(int Color READ Color WRITE setColor)             \
    Q_PROPERTY(int FontColor READ FontColor WRITE setFontColor) \
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE setParentColor)

// A panel: a plain rectangle of its colour; a click on its bare area is its Click event.
class TPanel : public QFrame, public ColorControl {
    Q_OBJECT
    KVTMR_COLOR_PROPERTIES
  public:
    explicit TPanel(QWidget* parent = nullptr);
  Q_SIGNALS:
    void Click();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    ClickTracker click_;
};

// A label. Transparent: the background is not painted. AutoSize: the label takes the size
// of its text whenever the text or the font changes, keeping its top-left corner.
class TLabel : public QLabel, public ColorControl {
    Q_OBJECT
    KVTMR_COLOR_PROPERTIES
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
  public:
    explicit TLabel(QWidget* parent = nullptr);
    bool Transparent() const { return transparent_; }
    void setTransparent(bool on);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    void setCaption(const QString& text);
    void adjustBounds();
    // A one-line text wider than the label is drawn smaller, whole and centred, rather than
    // cut off at both ends (the board's title with a session's times).
    void setShrinkToFit(bool on);
  Q_SIGNALS:
    void Click();

  protected:
    void applyColors() override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    bool transparent_ = false;
    bool autoSize_ = false;
    bool shrinkToFit_ = false;
    ClickTracker click_;
};

// A one-line edit box.
//  - MaxLength limits what the operator puts in, whichever way it arrives (typed, pasted,
//    dropped, composed by an input method): an insertion is cut to the room left, and one
//    that leaves no room changes nothing. The program's own writes (setText) are never cut.
//  - KeyDown runs before the key's character goes into the box; the character still goes
//    into this box even when the handler moved the focus elsewhere.
//  - AutoSelect: the whole text is selected when the box gets the focus by keyboard or by
//    the program (not by a mouse click).
class TEdit : public QLineEdit, public ColorControl {
    Q_OBJECT
    KVTMR_COLOR_PROPERTIES
    Q_PROPERTY(int MaxLength READ MaxLength WRITE setMaxLength)
  public:
    explicit TEdit(QWidget* parent = nullptr);
    int MaxLength() const { return maxLength_; }
    void setMaxLength(int n) { maxLength_ = n; }
    // A write by the program: taken as it stands, whatever MaxLength says.
    void setText(const QString& text);
    // Selects the first character and replaces it with nothing (nothing when empty).
    void deleteFirstChar();
  Q_SIGNALS:
    void Click();
    void KeyDown(int key);

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    class InputLimit;
    int maxLength_ = 0;
    bool programWrite_ = false;
    QString accepted_;  // the text before the edit being checked
};

// A push button with a glyph; MouseMove while the mouse moves over it.
class TBitBtn : public QPushButton {
    Q_OBJECT
  public:
    explicit TBitBtn(QWidget* parent = nullptr);
  Q_SIGNALS:
    void MouseMove();

  protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
};

// A group box; MouseMove while the mouse moves over its bare area.
class TGroupBox : public QGroupBox {
    Q_OBJECT
  public:
    explicit TGroupBox(QWidget* parent = nullptr);
  Q_SIGNALS:
    void MouseMove();

  protected:
    void mouseMoveEvent(QMouseEvent* e) override;
};

// An image control without a picture: only a place, a size, a hint and a Click event.
class TClickArea : public QWidget {
    Q_OBJECT
  public:
    explicit TClickArea(QWidget* parent = nullptr);
  Q_SIGNALS:
    void Click();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    ClickTracker click_;
};

// A progress bar from 0 to Max whose position always lies within the range: a position set
// beyond it is held at the nearest end, as the platform bar does.
class TProgressBar : public QProgressBar {
    Q_OBJECT
    Q_PROPERTY(int Max READ Max WRITE setMax)
    Q_PROPERTY(int Position READ Position WRITE setPosition)
  public:
    explicit TProgressBar(QWidget* parent = nullptr);
    int Max() const { return max_; }
    void setMax(int max);
    int Position() const { return position_; }
    void setPosition(int position);

  private:
    void show_();
    int max_ = 100;
    int position_ = 0;
};

// An editable drop-down list; Text is the edit text.
class TComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit TComboBox(QWidget* parent = nullptr);
    QString Text() const { return currentText(); }
    void setText(const QString& text);
};

// A one-line label for a text that may be longer than its room: it shows the text elided in
// the middle so that it fits, and keeps the whole text as its tool tip and its accessible
// description (a screen reader reads it whole). It never asks for more width.
class TElidedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TElidedLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    QString fullText() const { return full_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void elide();
    QString full_;
};

// A status bar with fixed sections.
class TStatusBar : public QStatusBar {
    Q_OBJECT
    Q_PROPERTY(QString Panel0 READ panel0 WRITE setPanel0)
  public:
    explicit TStatusBar(QWidget* parent = nullptr);
    int sectionCount() const { return int(sections_.size()); }
    QString sectionText(int i) const;
    void setSectionText(int i, const QString& text);
    int sectionWidth(int i) const;
    QString panel0() const { return sectionText(0); }
    void setPanel0(const QString& t) { setSectionText(0, t); }
    // A warning after the sections, in the rest of the line; hidden while it is empty.
    void setNotice(const QString& text);
    QString notice() const;
    // The warnings about files that cannot be saved, each under its source ("count", "log"),
    // in red after the other warning, in the order of their sources; one source's text is
    // replaced or, empty, removed.
    void setFileNotice(const QString& source, const QString& text);
    QString fileNotice() const;

  private:
    QList<QLabel*> sections_;
    TElidedLabel* notice_;
    TElidedLabel* fileNotice_;
    QMap<QString, QString> fileNotices_;
};

// Checks or unchecks one radio button by itself (unchecking is allowed even when it is the
// checked button of its group, as the designer's radio buttons allow).
void SetRadioChecked(QRadioButton* button, bool checked);
