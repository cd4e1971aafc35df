// Prompt texts on the display, the six font buttons and the font sample window.
#include "app/CCUnit.h"
#include "presentation/Unit4.h"

void TForm1::ShowPrompt(const QString& text, QCheckBox* labelOn) {
    StatusBar1->setSectionText(1, text);
    if (labelOn->isChecked()) {
        Label45->setCaption(text);
        Label45->show();
    }
}

void TForm1::ChooseFont(QWidget* source, const QList<QWidget*>& targets) {
    // The dialog opens on the face, size and style that the source really shows; what comes
    // back changes only what the operator changed in it.
    FontChoice current;
    current.font = DialogFont(source->font());
    if (ColorControl* c = ColorControl::of(source)) current.color = c->FontColor();
    const std::optional<FontChoice> chosen = platform.dialogs->chooseFont(current);
    if (!chosen) return;
    const QFont font = FontFromDialog(source->font(), current.font, chosen->font);
    for (QWidget* target : targets) {
        target->setFont(font);
        if (ColorControl* c = ColorControl::of(target)) c->setFontColor(chosen->color);
    }
}

void TForm1::BitBtn28Click() {
    ChooseFont(Label44, {Label44});
}
void TForm1::BitBtn25Click() {
    ChooseFont(Label45, {Label45});
}
void TForm1::BitBtn38Click() {
    ChooseFont(Label52, {Label52});
}

void TForm1::BitBtn29Click() {
    if (Form4) Form4->hide();
    ChooseFont(Edit1, {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8});
}

void TForm1::BitBtn35Click() {
    ChooseFont(Edit17, {Edit17, Edit18, Edit19, Edit20, Edit21, Edit22, Edit23, Edit24});
}

void TForm1::BitBtn40Click() {
    ChooseFont(Edit25, {Edit25, Edit26, Edit27, Edit28, Edit31});
}

void TForm1::ShowFontSample(const QString& kind, const QString& sample, QWidget* groupBox,
                            QWidget* button, QWidget* source) {
    if (!Form4) return;
    Form4->setWindowTitle(kind + QStringLiteral("示例"));
    const QFont font = source->font();
    const TColor color =
        ColorControl::of(source) ? ColorControl::of(source)->FontColor() : clr::WindowText;
    Form4->Label1->setFontColor(color);
    Form4->Label1->setFont(font);
    Form4->Label1->setCaption(sample);
    Form4->fitContents();
    // The sum of the places of Panel1, Panel2, the group and the button (each in its parent),
    // less the sample's width, plus 30 below: the place of the sample's frame, counted from
    // the main window's frame. It is the same place at every showing, and the sample is
    // raised above the main window every time.
    const auto place = [&] {
        const int left = Panel1->x() + Panel2->x() + groupBox->x() + button->x() -
                         Form4->frameGeometry().width();
        const int top = Panel1->y() + Panel2->y() + groupBox->y() + button->y() + 30;
        return frameGeometry().topLeft() + QPoint(left, top);
    };
    Form4->move(place());
    Form4->show();
    Form4->raise();
    // A window shown for the first time may learn the size of its frame only now.
    if (Form4->frameGeometry().topLeft() != place()) Form4->move(place());
    Form4->Label3->setText(font.family());
    Form4->Label5->setText(QString::number(FontSize(font)));
    Form4->Label7->setColor(color);
}

void TForm1::BitBtn29MouseMove() {
    ShowFontSample(QStringLiteral("计时字"), QStringLiteral("00"), GroupBox6, BitBtn29, Edit1);
}

void TForm1::BitBtn35MouseMove() {
    ShowFontSample(QStringLiteral("预备计时字"), QStringLiteral("00"), GroupBox6, BitBtn35, Edit17);
}

void TForm1::BitBtn40MouseMove() {
    ShowFontSample(QStringLiteral("时钟字"), QStringLiteral("00"), GroupBox6, BitBtn40, Edit25);
}

void TForm1::BitBtn28MouseMove() {
    ShowFontSample(QStringLiteral("标题字"), QStringLiteral("示"), GroupBox3, BitBtn28, Label44);
}

void TForm1::BitBtn25MouseMove() {
    ShowFontSample(QStringLiteral("提示字"), QStringLiteral("示"), GroupBox3, BitBtn25, Label45);
}

void TForm1::BitBtn38MouseMove() {
    ShowFontSample(QStringLiteral("定时提示字"), QStringLiteral("示"), GroupBox7, BitBtn38,
                   Label52);
}

void TForm1::GroupBox3MouseMove() {
    if (Form4) Form4->hide();
}

void TForm1::GroupBox6MouseMove() {
    if (Form4) Form4->hide();
}

void TForm1::GroupBox7MouseMove() {
    if (Form4) Form4->hide();
}
