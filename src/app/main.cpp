// Program entry: one copy per user session, five windows, the message loop.
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <csignal>

#include "app/AppWindows.h"
#include "app/CCUnit.h"
#include "platform/FirstFrame.h"
#include "platform/Platform.h"
#include "platform/SingleInstance.h"
#include "widgets/Controls.h"

namespace {

int signalFds[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(signalFds[0], &c, 1);
}

// A request to end (SIGTERM, SIGINT, SIGHUP, as sent when the desktop session ends) closes the
// main window the normal way, so the settings are saved, but without waiting for anyone: no
// message box holds up the end, and a close that cannot save still ends the program.
class EndRequests : public QObject {
  public:
    explicit EndRequests(QObject* parent) : QObject(parent) {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFds) != 0) return;
        auto* notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            char c;
            [[maybe_unused]] ssize_t n = ::read(signalFds[1], &c, 1);
            requested_ = true;
            // Before the main window exists (a message box of the start-up is open): every
            // event loop ends at once, so the start-up runs to its end without waiting and
            // the program ends before its window is shown.
            if (!form_) QCoreApplication::exit(0);
            endNow();
        });
        struct sigaction sa = {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(sig, &sa, nullptr);
        // A file-size limit makes a write fail (and the save report it), not end the program.
        ::signal(SIGXFSZ, SIG_IGN);
    }

    // The main window, once it exists; a request that came earlier is served then.
    void setWindow(TForm1* form) {
        form_ = form;
        if (requested_) endNow();
    }
    // A request came (the program ends without showing its window when it came early).
    bool requested() const { return requested_; }

  private:
    void endNow() {
        if (!form_) return;
        form_->sessionEnding = true;
        if (!form_->close()) QCoreApplication::quit();
    }
    TForm1* form_ = nullptr;
    bool requested_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvtmr"));
    // The desktop entry (and so the icon) the desktop shows for this window.
    QGuiApplication::setDesktopFileName(QStringLiteral(KVTMR_APP_ID));

    // A second copy on the same settings file, while the first runs, shows nothing and ends
    // quietly. A copy that died holds nothing: its lock went with it.
    SingleInstanceLock lock(QStringLiteral("kvtmr"), SettingsDirectory(), RuntimeDirectory());
    if (!lock.tryAcquire()) return 0;

    auto* endRequests = new EndRequests(&app);
    QApplication::setStyle(QStringLiteral("Fusion"));
    RegisterFontSubstitutions();
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    QApplication::setQuitOnLastWindowClosed(false);

    RealPlatform real;
    // The windows that stay hidden (help, about, calendar, font sample) are made once the main
    // window is on screen.
    AppWindows windows(real.platform(), true, AppWindows::Create::MainFirst);
    TForm1* form = windows.Form1.get();
    // The window is gone at once; the program ends when a request it made to the desktop
    // (the end of the session) has been delivered, or a few seconds later at the latest.
    SessionControl* session = real.platform().session;
    QObject::connect(
        form, &TForm1::Closed, &app,
        [session] { session->whenSettled([] { QCoreApplication::quit(); }, 3000); },
        Qt::QueuedConnection);
    endRequests->setWindow(form);
    if (endRequests->requested()) return 0;
    // Maximised on the screen chosen for the display; without a window manager to do it, the
    // window takes the screen by itself.
    form->showOnAudienceScreen();
    // The hidden windows and the watch on the sound server follow once the window is on screen
    // (the windows 2 s after the start at the latest, should it never be shown).
    AfterFirstFrame(form, [&real, &windows] {
        windows.createHiddenWindows();
        real.startAfterFirstFrame();
    });
    QTimer::singleShot(2000, form, [&windows] { windows.createHiddenWindows(); });
    // Asked once the window is up and its clock runs.
    QTimer::singleShot(0, form, [form] { form->Run(&TForm1::ResumeInterruptedCount); });
    const int rc = app.exec();
    Q_UNUSED(rc);
    lock.release();
    return 0;
}
