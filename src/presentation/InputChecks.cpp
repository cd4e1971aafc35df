#include "presentation/InputChecks.h"

#include "platform/Dialogs.h"
#include "core/TimeFields.h"
#include "widgets/Controls.h"

void CheckNumberBox(TEdit* box, const QString& resetText, Dialogs& dialogs) {
    if (DigitCheck(box->text())) return;
    box->setText(QString());
    box->setFocus();
    box->setText(resetText);
    dialogs.information(kIllegalInputMessage);
}
