#include "clock/wnlp.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

#include "platform/Guard.h"
#include "platform/TimeSource.h"
#include "widgets/Controls.h"

Twnl::Twnl(TimeSource& time, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), time_(time), dialogs_(dialogs) {
    setupUi(this);
    ConvertDesignFonts(this);
    // A fixed border with only the close button, always on top, centred on the screen.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(487, 297);
    Label1->raise();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto bind = [this](QPushButton* button, void (Twnl::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { Guarded(dialogs_, [&] { (this->*handler)(); }); });
    };
    bind(BitBtn1, &Twnl::BitBtn1Click);
    bind(BitBtn2, &Twnl::BitBtn2Click);
    bind(BitBtn3, &Twnl::BitBtn3Click);
    bind(BitBtn4, &Twnl::BitBtn4Click);
    bind(BitBtn5, &Twnl::BitBtn5Click);
    bind(Button1, &Twnl::Button1Click);
    // "退出" is the window's cancel button: Esc presses it.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, Button1, &QPushButton::click);

    Guarded(dialogs_, [this] { FormCreate(); });
}

void Twnl::WriteCaption(const QString& year) {
    Label1->setCaption(year + QStringLiteral("年") + QString::number(Calendar1->value().Month()) +
                       QStringLiteral("月"));
}

void Twnl::FormCreate() {
    // Today's date, taken from the clock.
    const QDate today = time_.now().date();
    homeYear = QStringLiteral("%1").arg(today.year(), 4, 10, QLatin1Char('0'));
    homeMonth = QStringLiteral("%1").arg(today.month(), 2, 10, QLatin1Char('0'));
    homeDay = QString::number(today.day());
    BitBtn5Click();
}

void Twnl::BitBtn1Click() {
    Calendar1->value().prevYear();
    Calendar1->changed();
    WriteCaption(QString::number(Calendar1->value().Year()));
}

void Twnl::BitBtn2Click() {
    Calendar1->value().nextYear();
    Calendar1->changed();
    WriteCaption(QString::number(Calendar1->value().Year()));
}

void Twnl::BitBtn3Click() {
    Calendar1->value().prevMonth();
    Calendar1->changed();
    WriteCaption(QString::number(Calendar1->value().Year()));
}

void Twnl::BitBtn4Click() {
    Calendar1->value().nextMonth();
    Calendar1->changed();
    WriteCaption(QString::number(Calendar1->value().Year()));
}

void Twnl::BitBtn5Click() {
    // Year, month and day in one step: from 31 March or 29 February the restore never passes
    // through a date that does not exist.
    if (Calendar1->value().setDate(homeYear.toInt(), homeMonth.toInt(), homeDay.toInt()))
        Calendar1->changed();
    WriteCaption(homeYear);
}

void Twnl::Button1Click() {
    hide();
}
