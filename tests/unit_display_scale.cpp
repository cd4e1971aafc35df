// The display's scale on screens of every size: one uniform scale, the design centred, the
// form's own places and sizes at 1024 × 768, the stored positions mapped from design pixels.
#include <QtTest>

#include "core/DisplayScale.h"

namespace {
// The display's part of a 1024 × 768 screen (the menu, tool and status bars take 72 pixels),
// and the part of it that holds the design's controls.
const QSize kCanvas(1024, 696);
const QSize kContent(1016, 625);
// The clock panel at its factory place, 768 × 298.
const QRect kClockPanel(128, 8, 768, 298);
}  // namespace

class DisplayScaleTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void screens_data();
    void screens();
};

void DisplayScaleTest::screens_data() {
    QTest::addColumn<QSize>("area");  // the display on that screen, maximised
    QTest::addColumn<double>("scale");
    QTest::addColumn<QPointF>("offset");
    QTest::addColumn<QRect>("clockPanel");  // where the clock panel lands
    QTest::addColumn<int>("digitPixels");   // a 120-pixel (72-point) digit font
    QTest::newRow("1024 x 768: the form itself")
        << QSize(1024, 696) << 1.0 << QPointF(0, 0) << kClockPanel << 120;
    QTest::newRow("1024 x 768 under a title bar: still the form")
        << QSize(1024, 677) << 1.0 << QPointF(0, 0) << kClockPanel << 120;
    QTest::newRow("1920 x 1080") << QSize(1920, 1008) << 1008.0 / 696 << QPointF(218.483, 0)
                                 << QRect(404, 12, 1112, 431) << 174;
    QTest::newRow("3840 x 2160") << QSize(3840, 2088) << 3.0 << QPointF(384, 0)
                                 << QRect(768, 24, 2304, 894) << 360;
    QTest::newRow("1366 x 768: centred, unscaled")
        << QSize(1366, 696) << 1.0 << QPointF(171, 0) << QRect(299, 8, 768, 298) << 120;
    QTest::newRow("1280 x 1024") << QSize(1280, 952) << 1.25 << QPointF(0, 41)
                                 << QRect(160, 51, 960, 373) << 150;
    QTest::newRow("800 x 600: smaller than the form")
        << QSize(800, 528) << 528.0 / 696 << QPointF(11.586, 0) << QRect(109, 6, 582, 226) << 91;
}

void DisplayScaleTest::screens() {
    QFETCH(QSize, area);
    QFETCH(double, scale);
    QFETCH(QPointF, offset);
    QFETCH(QRect, clockPanel);
    QFETCH(int, digitPixels);
    const DisplayScale d = ScaleFor(area, kCanvas, kContent);
    QVERIFY(qAbs(d.s - scale) < 1e-9);
    QVERIFY2(qAbs(d.offset.x() - offset.x()) < 0.01 && qAbs(d.offset.y() - offset.y()) < 0.01,
             qPrintable(QStringLiteral("offset %1,%2").arg(d.offset.x()).arg(d.offset.y())));
    QCOMPARE(d.map(kClockPanel), clockPanel);
    QCOMPARE(d.length(120), digitPixels);
    // The whole canvas lies within the area, centred, at the scale's size.
    const QRect canvas = d.map(QRect(QPoint(0, 0), kCanvas));
    QVERIFY(QRect(QPoint(0, 0), area).contains(canvas) || d.s == 1.0);
    // A control inside a scaled panel is placed from the panel's corner, without the offset.
    QCOMPARE(d.mapInside(QRect(0, 0, 100, 50)).topLeft(), QPoint(0, 0));
}

QTEST_GUILESS_MAIN(DisplayScaleTest)
#include "unit_display_scale.moc"
