#include "presentation/Unit4.h"

#include "widgets/Controls.h"

TForm4::TForm4(QWidget* parent) : QWidget(parent, Qt::Window) {
    setupUi(this);
    ConvertDesignFonts(this);
    // A title bar with the close box only; it never takes the focus from the main window.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    fitContents();
}

void TForm4::fitContents() {
    Label1->adjustBounds();
    Panel1->move(Label1->x() + Label1->width() + 8, 8);
    setFixedSize(Panel1->x() + Panel1->width() + 8,
                 qMax(Label1->y() + Label1->height(), Panel1->y() + Panel1->height()) + 8);
}
