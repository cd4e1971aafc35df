/* Measures what the audience's screen costs: how long the audience window takes to draw the
display once, at the projector sizes 1024x768, 1920x1080 and 3840x2160, the display as
started and with the main timer and preparation panels showing. It is drawn once each time
the display changes (at least every clock second; twice a second while the separators or
the background flash). Beside it, for comparison, the other way to get the same picture: the
display grabbed into a picture of its own size and that picture scaled to the projector.

  bench_audience_draw [ROUNDS] (default 50)

It runs under the offscreen platform with quiet services in a temporary settings directory,
the operator's window at 1366x768. It prints median, p99 and max in milliseconds per size.
The exit status is 1 when one drawing at 1920x1080 or less took 100 ms or more (a tenth of a
clock tick).
*/
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
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

double Time(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

void Print(const QString& what, const Figures& f) {
    std::printf("  %-44s median %7.2f  p99 %7.2f  max %7.2f ms\n", qPrintable(what), f.median,
                f.p99, f.max);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    int rounds = 50;
    if (argc > 1) {
        bool ok = false;
        rounds = QString::fromLocal8Bit(argv[1]).toInt(&ok);
        if (!ok || rounds < 1) {
            std::fprintf(stderr, "usage: bench_audience_draw [ROUNDS>=1]\n");
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
    form->setGeometry(QRect(0, 0, 1366, 768));
    form->show();
    QCoreApplication::processEvents();
    AudienceWindow* audience = form->audienceWindow();
    if (!audience) {
        std::fprintf(stderr, "no audience window\n");
        return 1;
    }

    const QList<QSize> sizes = {QSize(1024, 768), QSize(1920, 1080), QSize(3840, 2160)};
    struct Phase {
        const char* name;
        std::function<void()> enter;
    };
    const std::vector<Phase> phases = {{"display as started", [] {}},
                                       {"main timer and preparation panels", [form] {
                                            form->SpeedButton21Click();
                                            form->Image4Click();
                                        }}};
    std::printf("audience drawing benchmark: %d round(s) per size\n", rounds);
    bool ok = true;
    for (const Phase& phase : phases) {
        phase.enter();
        QCoreApplication::processEvents();
        std::printf("%s:\n", phase.name);
        for (const QSize& size : sizes) {
            std::vector<double> drawn, grabbed;
            for (int r = 0; r < rounds; ++r) {
                drawn.push_back(Time([&] { audience->picture(size); }));
                grabbed.push_back(Time([&] {
                    const QRect part = audience->shownRect();
                    form->Panel1->grab(part).scaled(size, Qt::KeepAspectRatio,
                                                    Qt::SmoothTransformation);
                }));
            }
            const Figures d = Analyse(drawn);
            Print(QStringLiteral("drawn at %1x%2").arg(size.width()).arg(size.height()), d);
            Print(
                QStringLiteral("grabbed and scaled to %1x%2").arg(size.width()).arg(size.height()),
                Analyse(grabbed));
            if (size.width() <= 1920) ok = ok && d.max < 100;
        }
    }
    return ok ? 0 : 1;
}
