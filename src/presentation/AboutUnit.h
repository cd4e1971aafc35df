// The about window: the program's name over a picture.
#pragma once

#include <QWidget>

#include "ui_AboutUnit.h"

class TForm3 : public QWidget, public Ui::Form3 {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
};
