// The font sample window: a sample text in a font, with its name, size and colour. The main
// window shows and hides it; its close box hides it too.
#pragma once

#include <QWidget>

#include "ui_Unit4.h"

class TForm4 : public QWidget, public Ui::Form4 {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);
    // Takes the size of its contents.
    void fitContents();
};
