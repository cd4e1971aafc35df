#include "presentation/HelpWindows.h"

#include <QTextEdit>

#include "platform/Screens.h"
#include "presentation/AboutUnit.h"
#include "presentation/HelpUnit.h"

void HelpWindows::setWindows(TForm2* help, TForm3* about) {
    help_ = help;
    about_ = about;
    // Framed by the window manager once on screen, each is fitted again with its frame.
    if (help_) helpFrame_ = new FrameWatch(help_, [this] { KeepOnScreen(help_, helpFrame_); });
    if (about_) aboutFrame_ = new FrameWatch(about_, [this] { KeepOnScreen(about_, aboutFrame_); });
}

// The window, frame and all, on the available part of the main window's screen: moved there,
// and made smaller where it is larger (the help window's text scrolls; the about window fits
// any screen of the program).
void HelpWindows::KeepOnScreen(QWidget* window, FrameWatch* frame) {
    if (!window || !frame || !screens_) return;
    const QRect area = screens_->screenOf(main_).available;
    const QRect now = frame->frame();
    const QRect fitted = FitInside(now, area);
    if (fitted != now) frame->placeFrame(fitted);
}

void HelpWindows::ToggleHelp() {
    if (!help_) return;
    // The guide is copied afresh as plain text, so the help window's own font applies.
    help_->RichEdit1->clear();
    help_->RichEdit1->setPlainText(guide_->toPlainText());
    if (help_->isVisible()) {
        help_->hide();
        return;
    }
    if (screens_) BringToScreenOf(*screens_, help_, main_);
    KeepOnScreen(help_, helpFrame_);
    help_->show();
}

void HelpWindows::ToggleAbout() {
    if (!about_) return;
    if (about_->isVisible()) {
        about_->hide();
        return;
    }
    if (screens_) BringToScreenOf(*screens_, about_, main_);
    KeepOnScreen(about_, aboutFrame_);
    about_->show();
}
