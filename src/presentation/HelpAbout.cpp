// The help and about commands of the main window.
#include "app/CCUnit.h"
#include "presentation/AboutUnit.h"
#include "presentation/HelpUnit.h"

void TForm1::SpeedButton6Click() {
    if (!Form2) return;
    // The guide is copied afresh as plain text, so the help window's own font applies.
    Form2->RichEdit1->clear();
    Form2->RichEdit1->setPlainText(RichEdit1->toPlainText());
    Form2->setVisible(!Form2->isVisible());
}

void TForm1::SpeedButton7Click() {
    if (Form3) Form3->setVisible(!Form3->isVisible());
}
