#include "presentation/FontButtons.h"

#include "platform/Dialogs.h"
#include "presentation/Unit4.h"
#include "widgets/Controls.h"
#include "widgets/DesignSurface.h"

void FontButtons::setSampleWindow(TForm4* sample) {
    sample_ = sample;
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
    // The sum of the places of Panel1, Panel2, the group and the button (each in its parent),
    // less the sample's width, plus 30 below: the place of the sample's frame, counted from
    // the main window's frame. It is the same place at every showing, and the sample is
    // raised above the main window every time.
    const auto place = [&] {
        const int left = panel1_->x() + panel2_->x() + groupBox->x() + button->x() -
                         form->frameGeometry().width();
        const int top = panel1_->y() + panel2_->y() + groupBox->y() + button->y() + 30;
        return window_->frameGeometry().topLeft() + QPoint(left, top);
    };
    form->move(place());
    form->show();
    form->raise();
    // A window shown for the first time may learn the size of its frame only now.
    if (form->frameGeometry().topLeft() != place()) form->move(place());
    form->Label3->setText(font.family());
    form->Label5->setText(QString::number(FontSize(font)));
    form->Label7->setColor(color);
}

void FontButtons::ShowSampleOf(QWidget* button) {
    for (const Sample& s : samples_)
        if (s.button == button) ShowFontSample(s.kind, s.text, s.groupBox, button, s.source);
}

void FontButtons::HideSample() {
    if (sample_) sample_->hide();
}
