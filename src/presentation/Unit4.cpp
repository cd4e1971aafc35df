#include "presentation/Unit4.h"

#include "widgets/Controls.h"

TForm4::TForm4(QWidget* parent) : QWidget(parent, Qt::Window) {
    setupUi(this);
    ConvertDesignFonts(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
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
