// The settings record on the window's side: which control each of the 139 fields mirrors and
// in which way, one typed binding that copies the panel into the record (collect) and the
// record into the panel (the plain part of applying the settings), and the emptying of the
// panel's texts.
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <variant>
#include <vector>

#include "core/SettingsRecord.h"

class ColorControl;
class QAbstractButton;
class QObject;
class QRadioButton;
class QSlider;
class QWidget;
class TComboBox;
class TEdit;

class SettingsBinding {
  public:
    // A flag: a check box or radio button checked (1) or not (0).
    struct Check {
        int SettingsRecord::*field;
        QAbstractButton* box;
    };
    // A text box's text as it stands.
    struct Text {
        QString SettingsRecord::*field;
        TEdit* box;
    };
    // A unit box's edit text.
    struct Unit {
        QString SettingsRecord::*field;
        TComboBox* box;
    };
    // A number box's text as a number (the collect stops on a box that holds none).
    struct Number {
        int SettingsRecord::*field;
        TEdit* box;
    };
    // The face, the size in points, the colour of a control's font.
    struct FontName {
        QString SettingsRecord::*field;
        QWidget* control;
    };
    struct FontSize {
        int SettingsRecord::*field;
        QWidget* control;
    };
    struct FontColor {
        int SettingsRecord::*field;
        ColorControl* control;
    };
    // A colour: a swatch's or a label's. A swatch of a row of boxes first takes the colour
    // that its boxes really show (shown), so that this is what is stored.
    struct Color {
        int SettingsRecord::*field;
        ColorControl* swatch;
        ColorControl* shown;
    };
    // 0, 1 or 2 for the three radio buttons of the session end; any other value leaves them.
    struct ExitKind {
        int SettingsRecord::*field;
        std::array<QRadioButton*, 3> buttons;
    };
    // The slider's position.
    struct Level {
        int SettingsRecord::*field;
        QSlider* slider;
    };
    using Row = std::variant<Check, Text, Unit, Number, FontName, FontSize, FontColor, Color,
                             ExitKind, Level>;

    // form: the window whose controls are bound, found by their names.
    SettingsBinding(QWidget* form, SettingsRecord& record);

    // The rows, one per field, in the record's order.
    const std::vector<Row>& rows() const { return rows_; }

    // Empties the texts of the panel's 47 text controls (check boxes, fonts, colours and the
    // slider are not touched).
    void ClearSettingsPanel();
    // The panel and the display properties into the record, field by field in order.
    void CollectSettings();
    // Every field onto its control, in the record's order.
    void applyFields();

  private:
    SettingsRecord& record_;
    std::vector<Row> rows_;
    QList<QObject*> cleared_;
};
