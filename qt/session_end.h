// Ending from outside the window: SIGTERM or SIGHUP (a logout, `kill`) and the window being
// destroyed by another X client both end the game as closing the window does.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

class QSocketNotifier;

namespace kazuroi {

class MainWindow;

class SessionEnd : public QObject, public QAbstractNativeEventFilter {
  public:
    // Installs the signal handlers and the X event filter for this window; one per program.
    explicit SessionEnd(MainWindow& window);
    ~SessionEnd() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    MainWindow& window_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kazuroi
