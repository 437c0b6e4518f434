// --help, --version, and a clear refusal of anything else, before any window exists.
#include "command_line.h"

#include "game/version.h"

#include <string>

namespace kazuroi {

std::optional<int> answerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err) {
    if (argc < 2)
        return std::nullopt;
    const std::string option = argv[1];
    if (argc == 2 && (option == "--help" || option == "-h")) {
        out << "Usage: kazuroi [--help | --version]\n"
            << version::kProductName << " (kazuroi): make 10 from four digits with + - x /, an "
            << "arithmetic puzzle game.\n\n"
            << "  -h, --help      show this help and exit\n"
            << "  -v, --version   show the version and exit\n\n"
            << "Without an option the game starts; it is played with the mouse. It keeps only\n"
            << "the window's position, in ~/.config/kazuroi/kazuroi.ini. Qt's own settings\n"
            << "come from the environment (QT_QPA_PLATFORM, QT_SCALE_FACTOR), not from the\n"
            << "command line. See kazuroi(6).\n";
        return 0;
    }
    if (argc == 2 && (option == "--version" || option == "-v")) {
        out << version::kInternalName << " (" << version::kProductName << ") "
            << version::kFileVersion << '\n';
        return 0;
    }
    // An option of its own followed by more is refused for what follows it.
    const bool known =
        option == "--help" || option == "-h" || option == "--version" || option == "-v";
    err << "kazuroi: unknown argument '" << (known ? argv[2] : option) << "'; see kazuroi --help\n";
    return 2;
}

} // namespace kazuroi
