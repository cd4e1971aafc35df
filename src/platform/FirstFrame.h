// The start-up's work that the operator does not need at the first sight of the window follows
// the window's first frame instead of holding it up.
#pragma once

#include <functional>

class QWidget;

// Runs `job` once, on the GUI thread, right after `window` (shown already) has been drawn on
// screen for the first time: after the event that exposed it, whose handling paints the window
// and hands the picture to the window system. A window exposed already runs it at the next
// turn of the event loop. Nothing runs when the window goes away first.
void AfterFirstFrame(QWidget* window, std::function<void()> job);
