#include "app/DisplayPanels.h"

#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QRadioButton>
#include <QWindow>

#include "clock/wnlp.h"
#include "platform/Screens.h"
#include "platform/TTimer.h"
#include "presentation/SoundPrompts.h"
#include "core/SettingsRecord.h"
#include "widgets/Controls.h"
#include "widgets/DesignSurface.h"

void DisplayPanels::setCalendar(Twnl* calendar) {
    calendar_ = calendar;
}

bool DisplayPanels::ConciseDisplay() const {
    return c_.toolBar->isHidden();
}

void DisplayPanels::ApplyUsageMode() {
    if (c_.modeTiming->isChecked()) {
        c_.clockPanel->hide();
        c_.timerPanel->show();
        c_.prepPanel->hide();
    }
    if (c_.modeClock->isChecked()) {
        c_.clockPanel->show();
        c_.timerPanel->hide();
        c_.prepPanel->hide();
    }
    if (c_.modeBoth->isChecked()) {
        c_.clockPanel->show();
        c_.timerPanel->show();
        c_.prepPanel->hide();
    }
}

namespace {

// The border of a window on screen changes in place. Set through the widget, new flags hide
// the window and show it again, and on the way a window manager forgets that it was maximised.
void SetFrameless(QWidget* w, bool frameless) {
    Qt::WindowFlags flags = w->windowFlags();
    flags.setFlag(Qt::FramelessWindowHint, frameless);
    if (QWindow* handle = w->windowHandle()) {
        w->overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        w->setWindowFlags(flags);
    }
}

}  // namespace

void DisplayPanels::toggleConcise() {
    QMainWindow* w = c_.window;
    // 1. Border: sizeable to none and back. Without its border the window covers the whole
    //    screen; with it again, it has the state it had before (maximised, as it starts).
    const bool frameless = !(w->windowFlags() & Qt::FramelessWindowHint);
    if (frameless) statesBefore_ = w->windowState() & ~(Qt::WindowFullScreen | Qt::WindowActive);
    SetFrameless(w, frameless);
    w->setWindowState(frameless ? statesBefore_ | Qt::WindowFullScreen : statesBefore_);
    // What the window manager reports from here on, until the window is there, is on the way.
    moving_ = true;
    // 2. Menu bar detached or attached.
    c_.menu->setVisible(c_.menu->isHidden());
    // 3. Tool bar, and the six movable elements 80 pixels below their stored tops while it
    //    is hidden.
    const int shift = c_.toolBar->isHidden() ? 0 : 80;
    c_.toolBar->setVisible(c_.toolBar->isHidden());
    const std::pair<QWidget*, int> movable[] = {{c_.title, settings_.titleTop},
                                                {c_.prompt, settings_.promptTop},
                                                {c_.scheduledText, settings_.scheduledTextTop},
                                                {c_.clockPanel, settings_.clockPanelTop},
                                                {c_.timerPanel, settings_.mainPanelTop},
                                                {c_.prepPanel, settings_.prepPanelTop}};
    for (const auto& [w, top] : movable)
        MoveDesign(w, DesignPos(w).x(), top + shift);
    // 4. Status bar.
    c_.status->setVisible(c_.status->isHidden());
    // 5. Repaint, with the client area grown or shrunk by the bars.
    if (w->layout()) {
        w->layout()->invalidate();
        w->layout()->activate();
    }
    if (relayout) relayout();
    w->update();
}

bool DisplayPanels::ConciseMoving(Qt::WindowStates now) {
    if (!moving_) return false;
    const Qt::WindowStates full = Qt::WindowMaximized | Qt::WindowFullScreen;
    const bool there = ConciseDisplay() ? bool(now & Qt::WindowFullScreen)
                                        : (now & full) == (statesBefore_ & full);
    if (there) moving_ = false;
    return true;
}

void DisplayPanels::toggleSettings() {
    c_.settingsPanel->move(5, 32);
    if (!mainTimer_.Enabled() && !sound_.promptPlaying())
        c_.settingsPanel->setVisible(c_.settingsPanel->isHidden());
}

void DisplayPanels::toggleClock() {
    if (!c_.clockPanel->isHidden()) {
        c_.clockPanel->hide();
        if (!c_.modeBoth->isChecked() && c_.timerPanel->isHidden()) c_.timerPanel->show();
    } else {
        if (!c_.modeBoth->isChecked()) {
            c_.timerPanel->hide();
            c_.prepPanel->hide();
        }
        c_.clockPanel->show();
    }
}

void DisplayPanels::toggleTimer() {
    if (!c_.timerPanel->isHidden()) {
        c_.timerPanel->hide();
        if (!c_.modeBoth->isChecked() && c_.prepPanel->isHidden()) c_.prepPanel->show();
    } else {
        if (!c_.modeBoth->isChecked()) {
            c_.clockPanel->hide();
            c_.prepPanel->hide();
        }
        c_.timerPanel->show();
    }
}

void DisplayPanels::togglePrep() {
    c_.prepPanel->setVisible(c_.prepPanel->isHidden());
}

void DisplayPanels::toggleTimerButtons() {
    for (QWidget* b : c_.timerButtons)
        b->setVisible(b->isHidden());
}

void DisplayPanels::toggleCalendar() {
    if (!calendar_) return;
    if (calendar_->isVisible()) {
        calendar_->hide();
        return;
    }
    calendar_->BitBtn5Click();
    if (screens_) BringToScreenOf(*screens_, calendar_, c_.window);
    calendar_->show();
}
