#include "presentation/HelpUnit.h"

#include <QFile>
#include <QResizeEvent>

#include "widgets/Controls.h"

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window) {
    setupUi(this);
    ConvertDesignFonts(this);
    // The form gives a top-level window its size only; its place is set here.
    move(5, 119);
    // Only the system menu with its close box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    textMargins_ =
        QMargins(RichEdit1->x(), RichEdit1->y(), width() - RichEdit1->geometry().right() - 1,
                 height() - RichEdit1->geometry().bottom() - 1);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void TForm2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RichEdit1->setGeometry(rect().marginsRemoved(textMargins_));
}

QString HelpText() {
    QFile file(QStringLiteral(":/kvtmr/helptext.txt"));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}
