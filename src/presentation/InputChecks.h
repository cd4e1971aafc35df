// The digits-only check of the number boxes (durations, schedule, positions).
#pragma once

#include <QString>

class Dialogs;
class TEdit;

// A number box holds digits or nothing: any other text is replaced by the box's reset text,
// in one step, with the message.
void CheckNumberBox(TEdit* box, const QString& resetText, Dialogs& dialogs);
