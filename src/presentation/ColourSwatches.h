// Colours, see-through frames and the window's transparency: the twelve swatches of the
// colour group, the colouring of the three rows of digit boxes, and the opacity slider.
#pragma once

#include <functional>

#include <QList>
#include <array>

class Dialogs;
class QCheckBox;
class QSlider;
class QWidget;
class ColorControl;
class TEdit;
class TLabel;
class TPanel;

class ColourSwatches {
  public:
    // One row of the colour group: its check box, its swatch and what it colours.
    enum class Kind { Board, BoardAlert, Panel, ClockBoxes, TimerBoxes, PrepBoxes, Frame };
    struct Row {
        QCheckBox* check;
        TLabel* swatch;
        Kind kind;
        ColorControl* target;  // the panel or label; none for the rows of boxes
        const char16_t* question;
    };
    static constexpr int kRows = 12;
    struct Controls {
        // In the order of their handlers, each its check box, swatch and target:
        // CheckBox13 Label41 Panel1, CheckBox14 Label42 Panel1, CheckBox15 Label43 Panel1,
        // CheckBox22 Label47 Panel3, CheckBox23 Label48 Panel4, CheckBox24 Label49 Panel5,
        // CheckBox38 Label27, CheckBox39 Label28, CheckBox40 Label29,
        // CheckBox30 Label56 Label44, CheckBox31 Label57 Label45, CheckBox29 Label55 Label52
        std::array<Row, kRows> rows;
        // Edit13, Edit14, Edit15, Edit16, Edit25, Edit26, Edit27, Edit28, Edit29, Edit30, Edit31
        QList<TEdit*> clockBoxes;
        QList<TEdit*> timerBoxes;  // Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8
        // Edit17, Edit18, Edit19, Edit20, Edit21, Edit22, Edit23, Edit24
        QList<TEdit*> prepBoxes;
        TLabel* clockSwatch;        // Label27
        TLabel* timerSwatch;        // Label28
        TLabel* prepSwatch;         // Label29
        QCheckBox* transparencyOn;  // CheckBox42
        QSlider* level;             // TrackBar1
    };
    ColourSwatches(QWidget* window, Dialogs& dialogs, const Controls& controls)
        : window_(window), dialogs_(dialogs), c_(controls) {}

    void ApplyClockBoxColour();
    void ApplyTimerBoxColour();
    void ApplyPrepBoxColour();
    const QList<TEdit*>& ClockBoxes() const { return c_.clockBoxes; }
    const QList<TEdit*>& TimerBoxes() const { return c_.timerBoxes; }
    const QList<TEdit*>& PrepBoxes() const { return c_.prepBoxes; }

    // A click on a swatch (row 0 is Label41, row 11 Label55).
    void SwatchClick(int row);

    // The opacity set through the slider (0 to 255); the window starts opaque.
    int Opacity() const { return opacity_; }
    void SetOpacity(int alpha);
    void TrackBar1Change();
    // The display shown elsewhere as well (the audience's screen) takes the same opacity.
    std::function<void(double)> opacityChanged;

  private:
    const QList<TEdit*>& boxesOf(Kind kind) const;
    QWidget* window_;
    Dialogs& dialogs_;
    Controls c_;
    int opacity_ = 255;
};
