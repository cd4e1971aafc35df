#include "presentation/PromptTexts.h"

#include <QCheckBox>

#include "widgets/Controls.h"

void PromptTexts::show(const QString& text, QCheckBox* labelOn) {
    status(text);
    if (labelOn->isChecked()) {
        label_->setCaption(text);
        label_->show();
    }
}

void PromptTexts::status(const QString& text) {
    status_->setSectionText(1, text);
}
