// The shared file-open dialog of the browse buttons: it opens on the file chosen last.
#pragma once

#include <QString>

class Dialogs;
class TEdit;

class OpenDialog {
  public:
    explicit OpenDialog(Dialogs& dialogs) : dialogs_(dialogs) {}

    // The file chosen last.
    QString FileName;

    // The dialog's file into a box: true when a file was chosen (a cancelled dialog changes
    // nothing).
    bool browseInto(TEdit* box);

  private:
    Dialogs& dialogs_;
};
