// The yardstick of the start-up benchmark: a Qt program that shows one empty frameless
// window of the docked bar's size, and nothing else.
#include <QApplication>
#include <QScreen>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.setGeometry(0, screen.height() - 46, screen.width(), 46);
    window.show();
    return QApplication::exec();
}
