#include "presentation/OpenDialog.h"

#include "platform/Dialogs.h"
#include "widgets/Controls.h"

bool OpenDialog::browseInto(TEdit* box) {
    const std::optional<QString> chosen = dialogs_.openFile(FileName);
    if (!chosen) return false;
    FileName = *chosen;
    box->setText(FileName);
    return true;
}
