// The prompt text of a phase: always in the status line's second section, and in the big
// label Label45 when the phase's check box is ticked.
#pragma once

#include <QString>

class QCheckBox;
class TLabel;
class TStatusBar;

class PromptTexts {
  public:
    PromptTexts(TStatusBar* status, TLabel* label) : status_(status), label_(label) {}
    void show(const QString& text, QCheckBox* labelOn);
    // The status line alone.
    void status(const QString& text);
    TLabel* label() const { return label_; }

  private:
    TStatusBar* status_;
    TLabel* label_;
};
