#include "presentation/FontButtons.h"

#include "platform/Dialogs.h"
#include "platform/Screens.h"
#include "presentation/Unit4.h"
#include "widgets/Controls.h"
#include "widgets/DesignSurface.h"

void FontButtons::setSampleWindow(TForm4* sample) {
    sample_ = sample;
    // The window manager frames the sample only once it shows: its place is worked out again
    // with the frame it then has.
    watch_ = sample_ ? new FrameWatch(sample_, [this] { placeSample(); }) : nullptr;
}

void FontButtons::ChooseFont(QWidget* source, const QList<QWidget*>& targets) {
    // The dialog opens on the face, size and style that the source really shows; what comes
    // back changes only what the operator changed in it.
    FontChoice current;
    current.font = DialogFont(DesignFont(source));
    if (ColorControl* c = ColorControl::of(source)) current.color = c->FontColor();
    const std::optional<FontChoice> chosen = dialogs_.chooseFont(current);
    if (!chosen) return;
    const QFont font = FontFromDialog(DesignFont(source), current.font, chosen->font);
    for (QWidget* target : targets) {
        SetDesignFont(target, font);
        if (ColorControl* c = ColorControl::of(target)) c->setFontColor(chosen->color);
    }
}

void FontButtons::ShowFontSample(const QString& kind, const QString& sample, QWidget* groupBox,
                                 QWidget* button, QWidget* source) {
    if (!sample_) return;
    TForm4* form = sample_;
    form->setWindowTitle(kind + QStringLiteral("示例"));
    const QFont font = DesignFont(source);
    const TColor color =
        ColorControl::of(source) ? ColorControl::of(source)->FontColor() : clr::WindowText;
    form->Label1->setFontColor(color);
    form->Label1->setFont(font);
    form->Label1->setCaption(sample);
    form->fitContents();
    group_ = groupBox;
    button_ = button;
    placeSample();
    form->show();
    form->raise();
    // A window shown for the first time may learn the size of its frame only now.
    placeSample();
    form->Label3->setText(font.family());
    form->Label5->setText(QString::number(FontSize(font)));
    form->Label7->setColor(color);
}

// The sum of the places of Panel1, Panel2, the group and the button (each in its parent), less
// the sample's width, plus 30 below: the place of the sample's frame, counted from the main
// window's frame, its right edge at the button's left edge. Where the screen would cut the
// sample off at its left edge, its left edge goes to the button's right edge instead (a sample
// over its own button would take the button's click); and it is moved wholly onto the screen.
QRect FontButtons::SamplePlace(QWidget* groupBox, QWidget* button) const {
    const QSize size = watch_ ? watch_->frame().size() : QSize();
    const QPoint origin = window_->frameGeometry().topLeft();
    const int buttonLeft = origin.x() + panel1_->x() + panel2_->x() + groupBox->x() + button->x();
    const int top = origin.y() + panel1_->y() + panel2_->y() + groupBox->y() + button->y() + 30;
    QRect place(QPoint(buttonLeft - size.width(), top), size);
    if (!screens_) return place;
    const QRect area = screens_->screenOf(window_).available;
    if (area.isEmpty()) return place;
    if (place.left() < area.left())
        place.moveLeft(button->mapToGlobal(QPoint(button->width(), 0)).x());
    return FitInside(place, area);
}

void FontButtons::placeSample() {
    if (!sample_ || !group_ || !button_) return;
    watch_->placeFrame(SamplePlace(group_, button_));
}

void FontButtons::ShowSampleOf(QWidget* button) {
    for (const Sample& s : samples_)
        if (s.button == button) ShowFontSample(s.kind, s.text, s.groupBox, button, s.source);
}

void FontButtons::HideSample() {
    if (sample_) sample_->hide();
}
