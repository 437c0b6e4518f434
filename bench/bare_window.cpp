// A bare Qt Widgets window of kazuroi's size, to compare start-up time and memory against.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("bare window");
    window.setFixedSize(586, 493);
    QLabel label("bare", &window);
    window.show();
    return QApplication::exec();
}
