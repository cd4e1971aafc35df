// The yardstick of the start-up benchmark: the least a Qt Widgets program does to show a
// maximised window with a title, at the screen's size as the timer's window takes it (without
// a window manager nobody else gives it that size). It links Qt Widgets alone.
#include <QApplication>
#include <QScreen>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    window.showMaximized();
    return app.exec();
}
