#include "presentation/HelpWindows.h"

#include <QTextEdit>

#include "platform/Screens.h"
#include "presentation/AboutUnit.h"
#include "presentation/HelpUnit.h"

void HelpWindows::setWindows(TForm2* help, TForm3* about) {
    help_ = help;
    about_ = about;
}

void HelpWindows::ToggleHelp() {
    if (!help_) return;
    // The guide is copied afresh as plain text, so the help window's own font applies.
    help_->RichEdit1->clear();
    help_->RichEdit1->setPlainText(guide_->toPlainText());
    if (!help_->isVisible() && screens_) BringToScreenOf(*screens_, help_, main_);
    help_->setVisible(!help_->isVisible());
}

void HelpWindows::ToggleAbout() {
    if (!about_) return;
    if (!about_->isVisible() && screens_) BringToScreenOf(*screens_, about_, main_);
    about_->setVisible(!about_->isVisible());
}
