#include "presentation/AboutUnit.h"

#include <QPixmap>

#include "widgets/Controls.h"

TForm3::TForm3(QWidget* parent) : QWidget(parent, Qt::Window) {
    setupUi(this);
    ConvertDesignFonts(this);
    // The form gives a top-level window its size only; its place is set here.
    move(192, 114);
    Image1->setPixmap(QPixmap(QStringLiteral(":/kvtmr/about.jpg")));
    Label1->adjustBounds();
    Label4->adjustBounds();
    // The window takes the size of its picture.
    setFixedSize(Image1->size());
}
