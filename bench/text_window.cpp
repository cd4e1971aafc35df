// The second yardstick of the start-up benchmark: the bare window with one line of Chinese text
// in the Song face the timer's texts use, at a display size. It is what any window that shows
// Chinese text pays at least beyond the bare window: fontconfig's set-up, Qt's font database,
// one CJK face with its fallbacks, and the glyphs of one line. It links Qt Widgets alone.
#include <QApplication>
#include <QLabel>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("澄屿计时器  剩余时间 01∶30∶00"));
    QFont font(QStringLiteral("AR PL UMing CN"));
    font.setPixelSize(60);
    window.setFont(font);
    window.setAlignment(Qt::AlignCenter);
    window.setWindowTitle(QStringLiteral("text window"));
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    window.showMaximized();
    return app.exec();
}
