/* Measures how long the main window takes to lay its display out again for a new size: the
scale and offsets worked out, every label, panel and font of the display moved and sized.
The window is taken through a round of screen sizes (1024x768, 1920x1080, 3840x2160,
1366x768, 1280x1024, 800x600, back to 1024x768) ROUNDS times: with the display as it starts,
with the main timer panel toggled, and with the settings panel open; each step is
timed from the resize until the window has the new size and its layout is done, and then
again with the first paint at that size.

  bench_relayout [ROUNDS] (default 20)

It runs under the offscreen platform with quiet services in a temporary settings directory.
It prints median, p99 and max in milliseconds per phase. The exit status is 1 when a
relayout with its paint took 100 ms or more (a tenth of a clock tick), 0 otherwise.
*/
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/AppWindows.h"
#include "app/CCUnit.h"

#include "QuietServices.h"

namespace {

struct Figures {
    double median = 0, p99 = 0, max = 0;
};

Figures Analyse(std::vector<double> ms) {
    Figures f;
    if (ms.empty()) return f;
    std::sort(ms.begin(), ms.end());
    f.median = ms[ms.size() / 2];
    f.p99 = ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.99))];
    f.max = ms.back();
    return f;
}

// Resizes the window and waits (in the event loop) until it has the size; returns the time.
// A window that does not take the size within 5 s (its minimum is larger) ends the run.
double Resize(TForm1* form, const QSize& size, bool paint) {
    QElapsedTimer t;
    t.start();
    form->resize(size);
    while (form->size() != size) {
        QCoreApplication::processEvents();
        if (t.elapsed() > 5000) {
            std::fprintf(stderr, "the window does not take %dx%d: it stays %dx%d\n", size.width(),
                         size.height(), form->width(), form->height());
            std::exit(1);
        }
    }
    QCoreApplication::sendPostedEvents();
    if (paint) form->repaint();
    return double(t.nsecsElapsed()) / 1e6;
}

void Print(const char* what, const Figures& f) {
    std::printf("  %-44s median %7.2f  p99 %7.2f  max %7.2f ms\n", what, f.median, f.p99, f.max);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    int rounds = 20;
    if (argc > 1) {
        bool ok = false;
        rounds = QString::fromLocal8Bit(argv[1]).toInt(&ok);
        if (!ok || rounds < 1) {
            std::fprintf(stderr, "usage: bench_relayout [ROUNDS>=1]\n");
            return 2;
        }
    }

    QTemporaryDir config, work;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QDir::setCurrent(work.path());
    RealPlatform real;
    bench::QuietServices quiet(real.platform());
    AppWindows windows(real.platform(), true);
    TForm1* form = windows.Form1.get();
    form->CheckBox32->setChecked(false);  // no scheduled close during the run
    form->setGeometry(QRect(0, 0, 1024, 768));
    form->show();
    QCoreApplication::processEvents();

    const QList<QSize> sizes = {QSize(1920, 1080), QSize(3840, 2160), QSize(1366, 768),
                                QSize(1280, 1024), QSize(800, 600),   QSize(1024, 768)};
    struct Phase {
        const char* name;
        std::function<void()> enter, leave;
    };
    const std::vector<Phase> phases = {
        {"display as started", [] {}, [] {}},
        {"main timer panel toggled", [form] { form->SpeedButton21Click(); },
         [form] { form->SpeedButton21Click(); }},
        {"settings panel open", [form] { form->SpeedButton2Click(); },
         [form] { form->SpeedButton2Click(); }},
    };
    std::printf("relayout benchmark: %d round(s) of %lld sizes per phase\n", rounds,
                static_cast<long long>(sizes.size()));
    bool ok = true;
    for (const Phase& phase : phases) {
        phase.enter();
        QCoreApplication::processEvents();
        std::vector<double> layout, painted;
        for (int r = 0; r < rounds; ++r)
            for (const QSize& s : sizes) {
                layout.push_back(Resize(form, s, false));
                // Back and forth to the same size: the second resize is timed with its paint.
                Resize(form, s + QSize(0, -1), false);
                painted.push_back(Resize(form, s, true));
            }
        std::printf("%s:\n", phase.name);
        Print("relayout", Analyse(layout));
        const Figures withPaint = Analyse(painted);
        Print("relayout and first paint", withPaint);
        ok = ok && withPaint.max < 100;
        phase.leave();
    }
    return ok ? 0 : 1;
}
