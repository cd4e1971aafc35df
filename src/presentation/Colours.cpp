// Colours, see-through frames, the window's transparency and the position boxes.
#include "app/CCUnit.h"
#include "timing/TimeFields.h"

QList<TEdit*> TForm1::ClockBoxes() const {
    return {Edit13, Edit14, Edit15, Edit16, Edit25, Edit26, Edit27, Edit28, Edit29, Edit30, Edit31};
}

QList<TEdit*> TForm1::TimerBoxes() const {
    return {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8};
}

QList<TEdit*> TForm1::PrepBoxes() const {
    return {Edit17, Edit18, Edit19, Edit20, Edit21, Edit22, Edit23, Edit24};
}

void TForm1::ApplyClockBoxColour() {
    for (TEdit* e : ClockBoxes())
        e->setColor(Label27->Color());
}

void TForm1::ApplyTimerBoxColour() {
    for (TEdit* e : TimerBoxes())
        e->setColor(Label28->Color());
}

void TForm1::ApplyPrepBoxColour() {
    for (TEdit* e : PrepBoxes())
        e->setColor(Label29->Color());
}

void TForm1::SwatchClick(int row) {
    enum Kind { Board, BoardAlert, Panel, Boxes, PrepBoxesKind, Frame };
    struct Row {
        QCheckBox* check;
        TLabel* swatch;
        Kind kind;
        ColorControl* target;
        const char16_t* question;
        TLabel* frame() const { return dynamic_cast<TLabel*>(target); }
    };
    const Row rows[] = {
        {CheckBox13, Label41, Board, Panel1, u"是否将主面板设为透明？"},
        {CheckBox14, Label42, BoardAlert, Panel1, u"是否将主面板设为透明？"},
        {CheckBox15, Label43, BoardAlert, Panel1, u"是否将主面板设为透明？"},
        {CheckBox22, Label47, Panel, Panel3, u"是否将时钟面板设为透明？"},
        {CheckBox23, Label48, Panel, Panel4, u"是否将计时面板设为透明？"},
        {CheckBox24, Label49, Panel, Panel5, u"是否将预备计时面板设为透明？"},
        {CheckBox38, Label27, Boxes, nullptr, u"是否将时钟字框设为透明？"},
        {CheckBox39, Label28, Boxes, nullptr, u"是否将计时字框设为透明？"},
        {CheckBox40, Label29, PrepBoxesKind, nullptr, u"是否将预备计时字框设为透明？"},
        {CheckBox30, Label56, Frame, Label44, u"是否将标题字框设为透明？"},
        {CheckBox31, Label57, Frame, Label45, u"是否将提示字框设为透明？"},
        {CheckBox29, Label55, Frame, Label52, u"是否将提示字框设为透明？"},
    };
    if (row < 0 || row >= int(std::size(rows))) return;
    const Row& r = rows[row];
    const QList<TEdit*> boxes = row == 6 ? ClockBoxes() : row == 7 ? TimerBoxes() : PrepBoxes();

    if (!r.check->isChecked()) {
        if (!platform.dialogs->question(QString::fromUtf16(r.question))) return;
        r.swatch->setTransparent(true);
        switch (r.kind) {
            case Board:
            case BoardAlert:
            case Panel:
                r.target->setParentColor(true);
                break;
            case Boxes:
            case PrepBoxesKind:
                for (TEdit* e : boxes)
                    e->setParentColor(true);
                break;
            case Frame:
                r.frame()->setTransparent(true);
                break;
        }
        return;
    }

    // Ticked: the swatch and the target get a colour of their own, then the colour dialog.
    r.swatch->setTransparent(false);
    switch (r.kind) {
        case Board:
        case BoardAlert:
        case Panel:
            r.target->setColor(r.target->Color());
            break;
        case Boxes:
            for (TEdit* e : boxes)
                e->setColor(e->Color());
            break;
        case PrepBoxesKind:
            break;
        case Frame:
            r.frame()->setTransparent(false);
            break;
    }
    const std::optional<TColor> chosen = platform.dialogs->chooseColor(r.swatch->Color());
    if (!chosen) return;
    r.swatch->setColor(*chosen);
    switch (r.kind) {
        case Board:
        case Panel:
        case Frame:
            r.target->setColor(r.swatch->Color());
            break;
        case BoardAlert:
            break;  // the board takes it at the warning point or at time-up
        case Boxes:
            if (row == 6)
                ApplyClockBoxColour();
            else
                ApplyTimerBoxColour();
            break;
        case PrepBoxesKind:
            ApplyPrepBoxColour();
            break;
    }
}

void TForm1::SetOpacity(int alpha) {
    opacity_ = qBound(0, alpha, 255);
    setWindowOpacity(opacity_ / 255.0);
}

void TForm1::TrackBar1Change() {
    if (CheckBox42->isChecked()) SetOpacity(TrackBar1->value());
}

void TForm1::Edit42Change() {
    CheckNumberBox(Edit42, QStringLiteral("256"));
}
void TForm1::Edit43Change() {
    CheckNumberBox(Edit43, QStringLiteral("518"));
}
void TForm1::Edit57Change() {
    CheckNumberBox(Edit57, QStringLiteral("1"));
}
void TForm1::Edit58Change() {
    CheckNumberBox(Edit58, QStringLiteral("1"));
}
