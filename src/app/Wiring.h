// The form's controls as each subsystem's wires, by name (Wiring.cpp).
#pragma once

#include "app/DisplayPanels.h"
#include "clock/ScheduleClock.h"
#include "plan/PlanRunner.h"
#include "presentation/ColourSwatches.h"
#include "presentation/SoundPrompts.h"
#include "settings/SettingsPanel.h"
#include "timing/MainTimer.h"
#include "timing/PrepTimer.h"
#include "timing/TimeDisplay.h"

class QMainWindow;
namespace Ui {
class Form1;
}

SoundPrompts::Controls SoundWires(const Ui::Form1& f);
ColourSwatches::Controls ColourWires(const Ui::Form1& f);
TimeDisplay::Controls MainDisplayWires(const Ui::Form1& f);
TimeDisplay::Controls PrepDisplayWires(const Ui::Form1& f);
MainTimer::Controls MainTimerWires(const Ui::Form1& f);
PrepTimer::Controls PrepTimerWires(const Ui::Form1& f);
ScheduleClock::Controls ClockWires(const Ui::Form1& f);
SettingsPanel::Controls SettingsPanelWires(const Ui::Form1& f);
PlanRunner::Controls PlanRunnerWires(const Ui::Form1& f);
DisplayPanels::Controls PanelWires(QMainWindow* Form1, const Ui::Form1& f);
