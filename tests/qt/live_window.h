// Test helper: the real window on the Qt platform, started as the program starts it, with the
// start-up box answered so a test is never stuck in it.
#pragma once

#include "qt/main_window.h"
#include "qt/qt_platform.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace kazuroi::testing {

// Presses the default button of the next message box that opens, unless `stop` is set first.
inline void answerBoxesSoon(std::shared_ptr<bool> stop) {
    QTimer::singleShot(20, [stop] {
        if (*stop)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->defaultButton()->click();
        else
            answerBoxesSoon(stop);
    });
}

struct LiveWindow {
    QtPlatform platform;
    RunningGame game{platform};
    Form1& form = game.form();
    MainWindow window{game, platform};

    LiveWindow() {
        platform.setWindow(&window);
        const auto started = std::make_shared<bool>(false);
        answerBoxesSoon(started); // the start-up box, and no later one
        window.start();
        *started = true;
    }
    // A program end leaves Qt's loops told to quit, and every later box would close at once:
    // running the application's loop for a moment clears that for the next test.
    ~LiveWindow() {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    QWidget* widget(const Control& c) { return window.widgetFor(c); }
};

} // namespace kazuroi::testing
