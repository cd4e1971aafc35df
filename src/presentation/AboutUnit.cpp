#include "presentation/AboutUnit.h"

#include <QPixmap>

#include "widgets/Controls.h"

TForm3::TForm3(QWidget* parent) : QWidget(parent, Qt::Window) {
    setupUi(this);
    ConvertDesignFonts(this);
    // The form gives a top-level window its size only; its place is set here.
    move(192, 114);
    Label1->adjustBounds();
    Label4->adjustBounds();
    // The window takes the size of its picture.
    setFixedSize(Image1->size());
}

// The picture is decoded when the window is first shown: most runs never open it, and its
// decoding would hold up the main window's start.
void TForm3::showEvent(QShowEvent* event) {
    if (Image1->pixmap().isNull()) Image1->setPixmap(QPixmap(QStringLiteral(":/kvtmr/about.jpg")));
    QWidget::showEvent(event);
}
