#include "app/AppWindows.h"

#include "app/CCUnit.h"
#include "clock/wnlp.h"
#include "presentation/AboutUnit.h"
#include "presentation/HelpUnit.h"
#include "presentation/Unit4.h"

AppWindows::AppWindows(Platform& platform, bool runStartUp, Create create) : platform_(platform) {
    Form1 = std::make_unique<TForm1>(platform);
    creationOrder << Form1->objectName();
    if (runStartUp) Form1->Run(&TForm1::FormCreate);
    if (create == Create::All) createHiddenWindows();
}

void AppWindows::createHiddenWindows() {
    if (Form2) return;
    Form2 = std::make_unique<TForm2>();
    creationOrder << Form2->objectName();
    Form3 = std::make_unique<TForm3>();
    creationOrder << Form3->objectName();
    wnl = std::make_unique<Twnl>(*platform_.time, *platform_.dialogs);
    creationOrder << wnl->objectName();
    Form4 = std::make_unique<TForm4>();
    creationOrder << Form4->objectName();
    Form1->attachWindows(Form2.get(), Form3.get(), wnl.get(), Form4.get());
}

AppWindows::~AppWindows() {
    // The main window goes last: the others may still be referred to by it until then.
    Form4.reset();
    wnl.reset();
    Form3.reset();
    Form2.reset();
    Form1.reset();
}
