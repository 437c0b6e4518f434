// A bare Qt Widgets window of kazuroi's size, to compare start-up time, memory and CPU against.
// With --bar it redraws a bar every 10 ms, as a clock would.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("bare window");
    window.setFixedSize(586, 493);
    QLabel label("bare", &window);
    QWidget bar(&window);
    bar.setAutoFillBackground(true);
    bar.setGeometry(432, 408, 90, 41);
    QTimer clock;
    int ticks = 0;
    QObject::connect(&clock, &QTimer::timeout, [&] {
        bar.resize(90 - (++ticks / 15) % 90, 41);
        bar.update();
    });
    if (argc > 1 && std::strcmp(argv[1], "--bar") == 0)
        clock.start(10);
    window.show();
    return QApplication::exec();
}
