// The perpetual calendar window "万年历": one month as a grid, paging by month and year, and
// a way back to the home date (today's date when the window was created).
#pragma once

#include <QDate>
#include <QWidget>

#include "ui_wnlp.h"

class TimeSource;
class Dialogs;

class Twnl : public QWidget, public Ui::wnl {
    Q_OBJECT
  public:
    Twnl(TimeSource& time, Dialogs& dialogs, QWidget* parent = nullptr);

    // The home date, taken once when the window is created.
    QString homeYear;   // four characters
    QString homeMonth;  // two characters
    QString homeDay;    // one or two characters

    void FormCreate();
    void BitBtn1Click();  // previous year
    void BitBtn2Click();  // next year
    void BitBtn3Click();  // previous month
    void BitBtn4Click();  // next month
    void BitBtn5Click();  // back to the home date
    void Button1Click();  // close (also Esc)

    // Label1 from the grid: year "年" month "月".
    void WriteCaption(const QString& year);

  private:
    TimeSource& time_;
    Dialogs& dialogs_;
};
