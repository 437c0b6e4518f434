// --help, --version, Qt's own options let through, and a clear refusal of anything else, before
// any window exists.
#include "command_line.h"

#include "game/version.h"

#include <cstring>
#include <string>

namespace kazuroi {

namespace {

// The options QApplication takes from the command line on this system, the X11 platform's
// included, with one dash or two. QApplication removes each (with its value) before the game
// looks at what is left.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},      {"platformpluginpath", true},
    {"platformtheme", true}, {"plugin", true},
    {"display", true},       {"style", true},
    {"stylesheet", true},    {"qwindowgeometry", true},
    {"geometry", true},      {"qwindowtitle", true},
    {"title", true},         {"qwindowicon", true},
    {"icon", true},          {"session", true},
    {"name", true},          {"visual", true},
    {"reverse", false},      {"widgetcount", false},
    {"nograb", false},       {"dograb", false},
    {"testability", false},  {"qdevel", false},
};
// And these with their value after '=' in the same argument.
constexpr const char* kQtOptionsWithEquals[] = {"style=", "stylesheet=", "qmljsdebugger="};

// The option's name without its leading dash or two, or nothing for an argument that is none.
const char* optionName(const char* argument) {
    if (argument[0] != '-' || argument[1] == '\0')
        return nullptr;
    return argument + (argument[1] == '-' ? 2 : 1);
}

const QtOption* qtOption(const char* name) {
    for (const QtOption& option : kQtOptions)
        if (std::strcmp(option.name, name) == 0)
            return &option;
    return nullptr;
}

bool qtOptionWithEquals(const char* name) {
    for (const char* prefix : kQtOptionsWithEquals)
        if (std::strncmp(name, prefix, std::strlen(prefix)) == 0)
            return true;
    return false;
}

bool isOurs(const std::string& option) {
    return option == "--help" || option == "-h" || option == "--version" || option == "-v";
}

int refuse(std::ostream& err, const std::string& what) {
    err << "kazuroi: " << what << "; see kazuroi --help\n";
    return 2;
}

} // namespace

int refuseArgument(std::ostream& err, const std::string& argument) {
    return refuse(err, "unknown argument '" + argument + "'");
}

std::optional<int> answerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err) {
    if (argc < 2)
        return std::nullopt;
    const std::string first = argv[1];
    if (argc == 2 && (first == "--help" || first == "-h")) {
        out << "Usage: kazuroi [--help | --version | Qt's options]\n"
            << version::kProductName << " (kazuroi): make 10 from four digits with + - x /, an "
            << "arithmetic puzzle game.\n\n"
            << "  -h, --help      show this help and exit\n"
            << "  -v, --version   show the version and exit\n\n"
            << "Without an option the game starts; it is played with the mouse. It keeps only\n"
            << "the window's position, in ~/.config/kazuroi/kazuroi.ini. Qt's standard options\n"
            << "(-platform, -display, -style, -qwindowgeometry and the rest that QApplication\n"
            << "takes) are accepted, as are its settings in the environment (QT_QPA_PLATFORM,\n"
            << "QT_SCALE_FACTOR). See kazuroi(6).\n";
        return 0;
    }
    if (argc == 2 && (first == "--version" || first == "-v")) {
        out << version::kInternalName << " (" << version::kProductName << ") "
            << version::kFileVersion << '\n';
        return 0;
    }
    const char* ownOption = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* name = optionName(argv[i]);
        if (isOurs(argv[i])) {
            ownOption = argv[i];
        } else if (const QtOption* option = name ? qtOption(name) : nullptr) {
            if (option->takesValue && ++i == argc)
                return refuse(err, std::string("'") + argv[i - 1] + "' needs a value");
        } else if (!name || !qtOptionWithEquals(name)) {
            return refuseArgument(err, argv[i]);
        }
    }
    if (ownOption)
        return refuse(err, std::string("'") + ownOption + "' takes no other arguments");
    return std::nullopt;
}

} // namespace kazuroi
