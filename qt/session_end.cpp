// Signals and a destroyed window become the window's end, on the event loop's own thread.
#include "session_end.h"

#include "main_window.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace kazuroi {

namespace {

// A signal handler may do almost nothing: it writes a byte that the event loop then reads.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SessionEnd::SessionEnd(MainWindow& window) : window_(window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            char byte;
            [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
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

SessionEnd::~SessionEnd() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        std::signal(signal, SIG_DFL);
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
