// kvtmr-console, 澄屿考务台: the exam office's view of every room of its site and the orders
// it gives them, over the site's broker.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "console/ConsoleLogin.h"
#include "console/ConsoleRecord.h"
#include "console/ConsoleWindow.h"
#include "console/SiteModel.h"
#include "platform/Platform.h"
#include "widgets/Controls.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvtmr-console"));
    QGuiApplication::setDesktopFileName(QStringLiteral(KVTMR_CONSOLE_APP_ID));
    QApplication::setStyle(QStringLiteral("Fusion"));
    RegisterFontSubstitutions();
    SetApplicationTitle(QStringLiteral("澄屿考务台"));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    RealPlatform real;
    Platform& p = real.platform();
    SiteModel model(*p.siteLink, *p.time);
    ConsoleRecord record(ConsoleRecordPath());
    Options options(ConsoleOptionsPath());
    ConsoleWindow window(
        model, record,
        ConsoleWindow::Services{
            *p.siteLink, *p.time, *p.dialogs, p.linkTester, p.player1,
            p.soundDir.isEmpty() ? QString() : p.soundDir + QStringLiteral("/Zbjjly.wav")});
    p.dialogs->setOwner(&window);
    window.show();
    window.start(options);
    const int rc = app.exec();
    record.flush(2000);
    return rc;
}
