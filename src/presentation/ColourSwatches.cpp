#include "presentation/ColourSwatches.h"

#include <QCheckBox>
#include <QSlider>

#include "platform/Dialogs.h"
#include "widgets/Controls.h"

void ColourSwatches::ApplyClockBoxColour() {
    for (TEdit* e : c_.clockBoxes)
        e->setColor(c_.clockSwatch->Color());
}

void ColourSwatches::ApplyTimerBoxColour() {
    for (TEdit* e : c_.timerBoxes)
        e->setColor(c_.timerSwatch->Color());
}

void ColourSwatches::ApplyPrepBoxColour() {
    for (TEdit* e : c_.prepBoxes)
        e->setColor(c_.prepSwatch->Color());
}

const QList<TEdit*>& ColourSwatches::boxesOf(Kind kind) const {
    if (kind == Kind::ClockBoxes) return c_.clockBoxes;
    if (kind == Kind::TimerBoxes) return c_.timerBoxes;
    return c_.prepBoxes;
}

void ColourSwatches::SwatchClick(int row) {
    if (row < 0 || row >= kRows) return;
    const Row& r = c_.rows[row];
    auto* frame = dynamic_cast<TLabel*>(r.target);

    if (!r.check->isChecked()) {
        if (!dialogs_.question(QString::fromUtf16(r.question))) return;
        r.swatch->setTransparent(true);
        switch (r.kind) {
            case Kind::Board:
            case Kind::BoardAlert:
            case Kind::Panel:
                r.target->setParentColor(true);
                break;
            case Kind::ClockBoxes:
            case Kind::TimerBoxes:
            case Kind::PrepBoxes:
                for (TEdit* e : boxesOf(r.kind))
                    e->setParentColor(true);
                break;
            case Kind::Frame:
                frame->setTransparent(true);
                break;
        }
        return;
    }

    // Ticked: the swatch and the target get a colour of their own, then the colour dialog.
    r.swatch->setTransparent(false);
    switch (r.kind) {
        case Kind::Board:
        case Kind::BoardAlert:
        case Kind::Panel:
            r.target->setColor(r.target->Color());
            break;
        case Kind::ClockBoxes:
        case Kind::TimerBoxes:
            for (TEdit* e : boxesOf(r.kind))
                e->setColor(e->Color());
            break;
        case Kind::PrepBoxes:
            break;
        case Kind::Frame:
            frame->setTransparent(false);
            break;
    }
    const std::optional<TColor> chosen = dialogs_.chooseColor(r.swatch->Color());
    if (!chosen) return;
    r.swatch->setColor(*chosen);
    switch (r.kind) {
        case Kind::Board:
        case Kind::Panel:
        case Kind::Frame:
            r.target->setColor(r.swatch->Color());
            break;
        case Kind::BoardAlert:
            break;  // the board takes it at the warning point or at time-up
        case Kind::ClockBoxes:
            ApplyClockBoxColour();
            break;
        case Kind::TimerBoxes:
            ApplyTimerBoxColour();
            break;
        case Kind::PrepBoxes:
            ApplyPrepBoxColour();
            break;
    }
}

void ColourSwatches::SetOpacity(int alpha) {
    opacity_ = qBound(0, alpha, 255);
    window_->setWindowOpacity(opacity_ / 255.0);
    if (opacityChanged) opacityChanged(opacity_ / 255.0);
}

void ColourSwatches::TrackBar1Change() {
    if (c_.transparencyOn->isChecked()) SetOpacity(c_.level->value());
}
