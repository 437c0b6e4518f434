// --help, --version, Qt's own options let through, and a clear refusal of anything else, before
// any window exists; and what the environment must give the game before it starts.
#include "command_line.h"

#include "printable.h"

#include "game/version.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

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
// The options whose value Qt reads as a file: only a regular file will do (Qt would wait for ever
// on a FIFO, and read a device without end).
constexpr const char* kFileOptions[] = {"stylesheet", "qwindowicon", "icon"};

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

bool isFileOption(const std::string& name) {
    for (const char* option : kFileOptions)
        if (name == option)
            return true;
    return false;
}

// Why FILE will not do as the value of a Qt option that reads a file, or nothing.
std::optional<std::string> notARegularFile(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return std::string(std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return std::string("not a regular file");
    return std::nullopt;
}

} // namespace

int refuseArgument(std::ostream& err, const std::string& argument) {
    return refuse(err, "unknown argument '" + printable(argument) + "'");
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
        std::optional<std::string> file; // the value of an option that names a file
        std::string given = argv[i];     // the option as given, with its value
        if (isOurs(argv[i])) {
            ownOption = argv[i];
        } else if (const QtOption* option = name ? qtOption(name) : nullptr) {
            if (option->takesValue && ++i == argc)
                return refuse(err, "'" + printable(argv[i - 1]) + "' needs a value");
            if (option->takesValue && isFileOption(name)) {
                file = argv[i];
                given += std::string(" ") + argv[i];
            }
        } else if (!name || !qtOptionWithEquals(name)) {
            return refuseArgument(err, argv[i]);
        } else if (const char* equals = std::strchr(name, '=');
                   isFileOption(std::string(name, equals))) {
            file = equals + 1;
        }
        if (file)
            if (const auto why = notARegularFile(*file))
                return refuse(err, "'" + printable(given) + "' names no file Qt can read (" + *why +
                                       ")");
    }
    if (ownOption)
        return refuse(err, "'" + printable(ownOption) + "' takes no other arguments");
    return std::nullopt;
}

void checkScaleFactor(std::ostream& err) {
    const char* scale = std::getenv("QT_SCALE_FACTOR");
    if (!scale || !*scale)
        return;
    char* end = nullptr;
    const double factor = std::strtod(scale, &end);
    if (*end == '\0' && std::isfinite(factor) && factor > 0)
        return;
    err << "kazuroi: QT_SCALE_FACTOR=" << printable(scale)
        << " is ignored: the scale must be a number above 0\n";
    ::unsetenv("QT_SCALE_FACTOR");
}

std::optional<int> checkDescriptors(std::ostream& err) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return std::nullopt;
    if (limit.rlim_cur < kDescriptorsWanted && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, kDescriptorsWanted);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    long open = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds))
            open += entry->d_name[0] != '.';
        ::closedir(fds);
        --open; // the folder's own
    }
    if (limit.rlim_cur == RLIM_INFINITY || long(limit.rlim_cur) - open >= kDescriptorsNeeded)
        return std::nullopt;
    err << "kazuroi: only " << limit.rlim_cur << " files may be open at once (ulimit -n), " << open
        << " of them already are, and the game needs " << kDescriptorsNeeded
        << " more; raise the limit (ulimit -n 1024)\n";
    return 1;
}

} // namespace kazuroi
