// Everything that waits for a person: message boxes and the file, font and colour choosers.
// A modal box runs a nested event loop, so the timers go on ticking while it is open.
#pragma once

#include <QFont>
#include <QString>
#include <optional>

#include "platform/Colors.h"

class QWidget;

// The program's title: the caption of the standard error box. (Not Qt's application display
// name, which Qt would append to every window caption.)
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

struct FontChoice {
    QFont font;
    TColor color = clr::Black;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual void setOwner(QWidget*) {}

    // Information box, caption "提示信息", button OK.
    virtual void information(const QString& text) = 0;
    // Confirmation, caption "提示信息", buttons OK and Cancel; true on OK.
    virtual bool confirm(const QString& text) = 0;
    // Information question with the buttons Yes and No; true on Yes.
    virtual bool question(const QString& text) = 0;
    // The standard error box that carries conversion and file errors.
    virtual void error(const QString& text) = 0;

    // File chooser (no filter); the chosen full path, or nothing when cancelled.
    virtual std::optional<QString> openFile(const QString& current) = 0;
    virtual std::optional<FontChoice> chooseFont(const FontChoice& current) = 0;
    virtual std::optional<TColor> chooseColor(TColor current) = 0;
};
