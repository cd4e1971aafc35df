// Everything that waits for a person: message boxes and the file, font and colour choosers.
// A modal box runs a nested event loop, so the timers go on ticking while it is open.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

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

    // Runs f as soon as none of these boxes is open: at once when none is, otherwise from the
    // event loop after the last open one has been answered. A message that waits for this
    // never covers the box the operator is reading.
    void whenIdle(std::function<void()> f);
    // How many boxes are open now (a box opened while another waits is nested in it).
    int openBoxes() const { return open_; }

    // Information box, caption "提示信息", button OK.
    virtual void information(const QString& text) = 0;
    // Confirmation, caption "提示信息", buttons OK and Cancel; true on OK.
    virtual bool confirm(const QString& text) = 0;
    // Information question with the buttons Yes and No; true on Yes.
    virtual bool question(const QString& text) = 0;
    // A question, caption "提示信息", with buttons of its own ("替换", "追加", "取消"): the
    // index of the button pressed. The last button is also the answer of Esc and of the close
    // box.
    virtual int choose(const QString& text, const QStringList& buttons) = 0;
    // The standard error box that carries conversion and file errors.
    virtual void error(const QString& text) = 0;

    // File chooser opened on current; the chosen full path, or nothing when cancelled. filters:
    // the kinds of file offered, as "CSV 文件 (*.csv)"; none: every file.
    virtual std::optional<QString> openFile(const QString& current,
                                            const QStringList& filters = {}) = 0;
    // A place to save a file, opened on current, with a choice among the filters (the formats
    // the file may be written in, as "CSV 文件，UTF-8 (*.csv)"): the full path (with the
    // filter's suffix when it had none) and the index of the filter chosen. Nothing when
    // cancelled.
    struct SaveChoice {
        QString path;
        int filter = 0;
    };
    virtual std::optional<SaveChoice> saveFile(const QString& current,
                                               const QStringList& filters) = 0;
    // Font chooser opened on current.font (sizes in points); the font colour is chosen right
    // after it, opened on current.color. Nothing when the font dialog is cancelled.
    virtual std::optional<FontChoice> chooseFont(const FontChoice& current) = 0;
    virtual std::optional<TColor> chooseColor(TColor current) = 0;

  protected:
    // Held by an implementation for as long as one of its boxes is open.
    class OpenBox {
      public:
        explicit OpenBox(Dialogs& dialogs);
        ~OpenBox();
        OpenBox(const OpenBox&) = delete;
        OpenBox& operator=(const OpenBox&) = delete;

      private:
        Dialogs& dialogs_;
    };

  private:
    int open_ = 0;
    std::vector<std::function<void()>> waiting_;
};
