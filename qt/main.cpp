// kazuroi: make 10 from four digits.
#include "command_line.h"
#include "game/version.h"
#include "main_window.h"
#include "qt_platform.h"
#include "session_end.h"
#include "widgets.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    if (const auto status = kazuroi::answerCommandLine(argc, argv, std::cout, std::cerr))
        return *status;
    // A save beyond the file-size limit then fails with EFBIG, as any failed save, instead of
    // killing the game half-way through it.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
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
    QFont base(QStringLiteral("MS UI Gothic"));
    base.setPixelSize(12);
    QApplication::setFont(base);

    kazuroi::QtPlatform platform;
    kazuroi::Form1 form(platform);
    kazuroi::MainWindow window(form, platform);
    platform.setWindow(&window);

    kazuroi::SessionEnd sessionEnd(window);
    if (!window.start())
        return 0;
    return QApplication::exec();
}
