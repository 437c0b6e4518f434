// kazuroi: make 10 from four digits.
#include "command_line.h"
#include "game/version.h"
#include "main_window.h"
#include "printable.h"
#include "qt_platform.h"
#include "session_end.h"
#include "widgets.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace {

// Qt's own lines while it opens the display are held back: where there is no display the player
// reads one line of ours, not Qt's advice to reinstall, and otherwise they come out as they were.
struct HeldMessage {
    QtMsgType type;
    QByteArray file, function, category;
    int line;
    QString text;
};
std::vector<HeldMessage> heldMessages;
const char* platformAsked = nullptr;

// One line for a display that is not there: the one Qt tried (from its own line, since -display
// may name it), or none at all.
void sayNoDisplay(const QString& qtLine) {
    const QString tried = qtLine.section(QLatin1String("connect to display"), 1).trimmed();
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    std::string what = "no display was found (DISPLAY and WAYLAND_DISPLAY are unset)";
    if (!tried.isEmpty())
        what = "the display " + kazuroi::printable(tried.toStdString()) + " could not be opened";
    else if (wayland && *wayland)
        what = "DISPLAY is unset, so there is no X11 display, and this Qt cannot use the Wayland "
               "display " +
               kazuroi::printable(wayland) + " (its package qt6-wayland is not installed)";
    std::fprintf(stderr, "kazuroi: %s; start it on an X11 or Wayland desktop\n", what.c_str());
}

// One line for a platform Qt cannot load, named as Qt names it, or as it was asked for.
void sayNoPlatform(const QString& fatalLine) {
    QString name;
    for (const HeldMessage& held : heldMessages)
        if (held.text.startsWith(QLatin1String("Could not find the Qt platform plugin \"")))
            name = held.text.section(u'"', 1, 1);
    if (name.isEmpty() && platformAsked)
        name = QString::fromLocal8Bit(platformAsked);
    const QString available =
        fatalLine.section(QLatin1String("Available platform plugins are:"), 1).trimmed();
    std::fprintf(
        stderr, "kazuroi: the Qt platform '%s' cannot be loaded here%s%s\n",
        kazuroi::printable(name.toStdString()).c_str(), available.isEmpty() ? "" : "; these can: ",
        kazuroi::printable(available.chopped(available.endsWith(u'.') ? 1 : 0).toStdString())
            .c_str());
}

// Puts the held lines out through Qt's own handler, a fatal one last (which ends the program).
void releaseHeldMessages() {
    qInstallMessageHandler(nullptr);
    for (const HeldMessage& held : std::exchange(heldMessages, {}))
        qt_message_output(held.type,
                          QMessageLogContext(held.file.constData(), held.line,
                                             held.function.constData(), held.category.constData()),
                          held.text);
}

void holdBack(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    heldMessages.push_back(
        {type, context.file, context.function, context.category, context.line, text});
    if (type != QtFatalMsg)
        return;
    for (const HeldMessage& held : heldMessages)
        if (held.text.contains(QLatin1String("connect to display")) ||
            held.text.contains(QLatin1String("wl_display"))) {
            sayNoDisplay(held.text);
            std::_Exit(1);
        }
    if (text.contains(QLatin1String("no Qt platform plugin could be initialized"))) {
        sayNoPlatform(text);
        std::_Exit(1);
    }
    releaseHeldMessages();
}

// The platform asked for, by option or in the environment, for a message about it.
const char* platformAskedFor(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return i + 1 < argc ? argv[i + 1] : nullptr;
    return std::getenv("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    if (const auto status = kazuroi::answerCommandLine(argc, argv, std::cout, std::cerr))
        return *status;
    if (const auto status = kazuroi::checkDescriptors(std::cerr))
        return *status;
    kazuroi::checkScaleFactor(std::cerr);
    platformAsked = platformAskedFor(argc, argv);
    // A save beyond the file-size limit then fails with EFBIG, as any failed save, instead of
    // killing the game half-way through it.
    std::signal(SIGXFSZ, SIG_IGN);
    qInstallMessageHandler(holdBack);
    QApplication app(argc, argv);
    releaseHeldMessages();
    // QApplication took its own options out; what it did not take on this platform is refused.
    if (argc > 1)
        return kazuroi::refuseArgument(std::cerr, argv[1]);
    QApplication::setApplicationName(kazuroi::version::kInternalName);
    QApplication::setApplicationVersion(kazuroi::version::kProductVersion);
    QApplication::setDesktopFileName("io.github.kazuroi.kazuroi");
    // The icon built in (the installed theme holds the same images; looking it up costs start-up).
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QString(":/icons/kazuroi-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    kazuroi::substituteJapaneseFonts();
    // Asking every font for its scripts takes a while: the start-up box comes first.
    QTimer::singleShot(0, [] {
        if (const QString warning = kazuroi::missingJapaneseFontWarning(); !warning.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(warning));
    });
    kazuroi::useDefaultFont();

    kazuroi::QtPlatform platform;
    kazuroi::RunningGame game(platform);
    kazuroi::MainWindow window(game, platform);
    platform.setWindow(&window);

    kazuroi::SessionEnd sessionEnd(window);
    if (!window.start())
        return 0;
    return QApplication::exec();
}
