/* Measures what the console's once-a-second redraw costs with a site of ROOMS rooms (default
200): the wall of tiles painted at 1920x860 (the wall's part of a full-HD screen) and the
table's remaining-time column changed and painted at the same size, SECONDS times, the clock
moved a second before each. The rooms' reports arrive once, as a console that has just logged
in receives them; a third of them are paused, a few have problems.

  bench_console_wall [ROOMS] [SECONDS]

It runs under the offscreen platform. It prints median, p99 and max in milliseconds of each
step. The exit status is 1 when a step took 100 ms or more (a tenth of the second it redraws
every second), 0 otherwise.
*/
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Fakes.h"
#include "console/RoomViews.h"
#include "console/SiteModel.h"

namespace {

struct Stats {
    double median, p99, max;
};
Stats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) { return v[size_t(q * double(v.size() - 1))]; };
    return {at(0.5), at(0.99), v.back()};
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rooms = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 120;

    FakeTimeSource time;
    FakeSiteLink link;
    link.connectOnOpen = true;
    link.open(LinkSettings{});
    SiteModel model(link, time);
    model.watch(QStringLiteral("bench"), QStringLiteral("office1"), false);
    const qint64 now = time.now().toMSecsSinceEpoch();
    for (int i = 0; i < rooms; ++i) {
        Reported r;
        r.atMs = now;
        r.room = QStringLiteral("R%1").arg(i + 101);
        r.source = CountSource::Plan;
        r.anchor.phase = CountPhase::Main;
        r.anchor.duration = 9000;
        r.anchor.value = 5400 - i;
        r.anchor.atMs = now - 1000 * i;
        r.anchor.paused = i % 3 == 0;
        r.shown = DisplayText(r.anchor.valueAt(now));
        r.title = QStringLiteral("语文");
        r.clockSynced = true;
        r.clockOffsetMs = i % 17 == 0 ? 420 : 10;
        r.output = i % 29 == 0 ? OutputHealth::Muted : OutputHealth::Ok;
        r.screen.full = true;
        link.deliver(RoomTopic(QStringLiteral("bench"), r.room, QStringLiteral("presence")),
                     "online", true);
        link.deliver(RoomTopic(QStringLiteral("bench"), r.room, QStringLiteral("reported")),
                     EncodeReported(r), true);
    }

    TileWall wall(model);
    wall.resize(1920, 860);
    RoomTableModel tableModel(model);
    RoomFilter filter(model);
    filter.setSourceModel(&tableModel);
    QTableView table;
    table.setModel(&filter);
    table.setSortingEnabled(true);
    table.resize(1920, 860);
    table.resizeColumnsToContents();  // as the window does once the rooms have come
    QImage image(1920, 860, QImage::Format_RGB32);

    std::vector<double> wallMs, tableMs;
    QElapsedTimer t;
    for (int s = 0; s < seconds; ++s) {
        time.advance(1000);
        t.start();
        wall.render(&image);
        wallMs.push_back(double(t.nsecsElapsed()) / 1e6);
        t.start();
        tableModel.tick();
        table.render(&image);
        tableMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const Stats w = Summarise(wallMs), tb = Summarise(tableMs);
    std::printf("rooms %d, %d seconds\n", rooms, seconds);
    std::printf("wall  paint          median %.2f ms  p99 %.2f ms  max %.2f ms\n", w.median, w.p99,
                w.max);
    std::printf("table tick and paint median %.2f ms  p99 %.2f ms  max %.2f ms\n", tb.median,
                tb.p99, tb.max);
    return w.max >= 100 || tb.max >= 100 ? 1 : 0;
}
