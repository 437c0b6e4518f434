// Test helper: presses the default button of the next message box that opens, so a test is not
// stuck in it.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace kazuroi::testing {

inline void answerBoxesSoon() {
    QTimer::singleShot(20, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->defaultButton()->click();
        else
            answerBoxesSoon();
    });
}

} // namespace kazuroi::testing
