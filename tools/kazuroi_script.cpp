// kazuroi-script: runs a script of player actions on the headless game and prints a transcript.
#include "app/headless/script_runner.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
        std::cerr << "usage: kazuroi-script [FILE]   (reads the script from stdin without FILE)\n";
        return 2;
    }
    std::ifstream file;
    if (argc == 2) {
        file.open(argv[1]);
        if (!file) {
            std::cerr << "kazuroi-script: cannot open " << argv[1] << '\n';
            return 2;
        }
    }
    kazuroi::ScriptRunner runner(std::cout);
    try {
        runner.run(argc == 2 ? static_cast<std::istream&>(file) : std::cin);
    } catch (const kazuroi::ScriptError& e) {
        std::cout.flush();
        std::cerr << e.what() << '\n';
        return 2;
    }
    return 0;
}
