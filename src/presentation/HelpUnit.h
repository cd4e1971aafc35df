// The help window: the built-in user guide, read-only and scrollable.
#pragma once

#include <QWidget>

#include "ui_HelpUnit.h"

class TForm2 : public QWidget, public Ui::Form2 {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);

  protected:
    // The text box keeps its margins in a window made smaller than the form (a small screen).
    void resizeEvent(QResizeEvent* event) override;

  private:
    QMargins textMargins_;
};

// The user guide as the main window's hidden text box carries it.
QString HelpText();
