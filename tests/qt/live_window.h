// Test helper: the real window on the Qt platform, started as the program starts it, with the
// start-up box answered so a test is never stuck in it.
#pragma once

#include "app/qt/main_window.h"
#include "app/qt/qt_platform.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace kazuroi::testing {

// Presses the default button of the next message box that opens.
inline void answerBoxesSoon() {
    QTimer::singleShot(20, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->defaultButton()->click();
        else
            answerBoxesSoon();
    });
}

struct LiveWindow {
    QtPlatform platform;
    Form1 form{platform};
    MainWindow window{form, platform};

    LiveWindow() {
        platform.setWindow(&window);
        answerBoxesSoon();
        window.start();
    }
    QWidget* widget(const Control& c) { return window.widgetFor(c); }
};

} // namespace kazuroi::testing
