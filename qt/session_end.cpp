// Signals and a destroyed window become the window's end, on the event loop's own thread.
#include "session_end.h"

#include "main_window.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace kazuroi {

namespace {

// A signal handler may do almost nothing: it writes a byte that the event loop then reads. Both
// ends never block: once a byte is waiting, more say nothing new, so a flood of signals fills
// nothing and stops no thread.
std::atomic<int> signalWriteEnd{-1};
int signalReadEnd = -1;

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (const int fd = signalWriteEnd.load(); fd >= 0) [[maybe_unused]]
        const auto sent = ::send(fd, &byte, 1, MSG_NOSIGNAL);
    errno = saved;
}

// Everything the signals wrote so far, so that one wake-up answers them all.
void drainSignals() {
    char bytes[256];
    while (::read(signalReadEnd, bytes, sizeof bytes) > 0) {
    }
}

} // namespace

SessionEnd::SessionEnd(MainWindow& window) : window_(window) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) == 0) {
        signalReadEnd = ends[0];
        signalWriteEnd = ends[1];
        notifier_ = new QSocketNotifier(signalReadEnd, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            drainSignals();
            window_.endFromOutside();
        });
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGTERM, SIGHUP, SIGINT})
            ::sigaction(signal, &action, nullptr);
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
}

// The handlers stay: a signal that comes while the program winds down is swallowed, so it ends
// with the status it was ending with.
SessionEnd::~SessionEnd() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (const int fd = signalWriteEnd.exchange(-1); fd >= 0) {
        delete notifier_;
        ::close(fd);
        ::close(signalReadEnd);
        signalReadEnd = -1;
    }
}

bool SessionEnd::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
        return false;
    const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
    if (destroyed->window == window_.winId())
        QTimer::singleShot(0, &window_, [this] { window_.endFromOutside(); });
    return false;
}

} // namespace kazuroi
