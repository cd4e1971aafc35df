// Which panels show: the tool-bar, menu and hot-spot toggles, the concise display and the
// usage mode.
#include <QLayout>

#include "app/CCUnit.h"
#include "clock/wnlp.h"

bool TForm1::ConciseDisplay() const {
    return ToolBar1->isHidden();
}

void TForm1::ApplyUsageMode() {
    if (RadioButton3->isChecked()) {
        Panel3->hide();
        Panel4->show();
        Panel5->hide();
    }
    if (RadioButton4->isChecked()) {
        Panel3->show();
        Panel4->hide();
        Panel5->hide();
    }
    if (RadioButton8->isChecked()) {
        Panel3->show();
        Panel4->show();
        Panel5->hide();
    }
}

void TForm1::Image2Click() {
    // 1. Border: sizeable to none and back.
    const bool wasVisible = isVisible();
    const Qt::WindowStates states = windowState();
    setWindowFlag(Qt::FramelessWindowHint, !(windowFlags() & Qt::FramelessWindowHint));
    if (wasVisible) {
        setWindowState(states);
        show();
    }
    // 2. Menu bar detached or attached.
    MainMenu1->setVisible(MainMenu1->isHidden());
    // 3. Tool bar, and the six movable elements 80 pixels below their stored tops while it
    //    is hidden.
    const int shift = ToolBar1->isHidden() ? 0 : 80;
    ToolBar1->setVisible(ToolBar1->isHidden());
    Label44->move(Label44->x(), Settings.titleTop + shift);
    Label45->move(Label45->x(), Settings.promptTop + shift);
    Label52->move(Label52->x(), Settings.scheduledTextTop + shift);
    Panel3->move(Panel3->x(), Settings.clockPanelTop + shift);
    Panel4->move(Panel4->x(), Settings.mainPanelTop + shift);
    Panel5->move(Panel5->x(), Settings.prepPanelTop + shift);
    // 4. Status bar.
    StatusBar1->setVisible(StatusBar1->isHidden());
    // 5. Repaint, with the client area grown or shrunk by the bars.
    if (layout()) {
        layout()->invalidate();
        layout()->activate();
    }
    layoutClientArea();
    update();
}

void TForm1::SpeedButton2Click() {
    Panel2->move(5, 32);
    if (!Timer1->Enabled() && MediaPlayer1->state() != PlayerState::Playing)
        Panel2->setVisible(Panel2->isHidden());
}

void TForm1::Image3Click() {
    if (!Panel3->isHidden()) {
        Panel3->hide();
        if (!RadioButton8->isChecked() && Panel4->isHidden()) Panel4->show();
    } else {
        if (!RadioButton8->isChecked()) {
            Panel4->hide();
            Panel5->hide();
        }
        Panel3->show();
    }
}

void TForm1::SpeedButton21Click() {
    if (!Panel4->isHidden()) {
        Panel4->hide();
        if (!RadioButton8->isChecked() && Panel5->isHidden()) Panel5->show();
    } else {
        if (!RadioButton8->isChecked()) {
            Panel3->hide();
            Panel5->hide();
        }
        Panel4->show();
    }
}

void TForm1::Image4Click() {
    Panel5->setVisible(Panel5->isHidden());
}

void TForm1::Image5Click() {
    for (QWidget* b : {static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2),
                       static_cast<QWidget*>(BitBtn3), static_cast<QWidget*>(BitBtn5),
                       static_cast<QWidget*>(BitBtn15)})
        b->setVisible(b->isHidden());
}

void TForm1::SpeedButton20Click() {
    if (!wnl) return;
    if (wnl->isVisible()) {
        wnl->hide();
        return;
    }
    wnl->BitBtn5Click();
    wnl->show();
}
