// kazuroi-script: runs a script of player actions on the headless game and prints a transcript.
#include "script/script_runner.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "-h" || first == "--help") {
        std::cout << "usage: kazuroi-script [FILE]   (reads the script from stdin without FILE)\n";
        return 0;
    }
    if (argc > 2 || (argc == 2 && first.size() > 1 && first[0] == '-')) {
        std::cerr << "usage: kazuroi-script [FILE]   (reads the script from stdin without FILE)\n";
        return 2;
    }
    std::FILE* file = stdin;
    if (argc == 2 && !(file = std::fopen(argv[1], "r"))) {
        std::cerr << "kazuroi-script: cannot open " << argv[1] << ": " << std::strerror(errno)
                  << '\n';
        return 2;
    }
    kazuroi::LineReader lines(file);
    const int status = kazuroi::runScript(lines, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "kazuroi-script: cannot write the transcript\n";
        return 2;
    }
    return status;
}
