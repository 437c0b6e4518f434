// Writes a kazuroi-script script that plays one whole game, Stage 1 through the Extra Stage, with
// every answer found by the board-solver test helper. Usage: make_whole_game [SEED]
#include "script/script_runner.h"
#include "unit/board_solver.h"

#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    const std::string seed = argc > 1 ? argv[1] : "2026";
    std::ostringstream transcript;
    kazuroi::ScriptRunner runner(transcript);
    kazuroi::Form1& f = runner.form();
    const auto run = [&](const std::string& line) {
        std::cout << line << '\n';
        runner.runLine(line);
    };

    std::cout << "# One whole game from start-up to the Extra Stage's last message, made by\n"
                 "# tests/tools/make_whole_game.cpp (seed "
              << seed << "): every answer found on the live board.\n";
    run("seed " + seed);
    run("answer Yes");
    run("load");
    int stage = -1;
    for (int guard = 0; guard < 5000 && !runner.finished(); ++guard) {
        if (f.StageIndex != stage && f.takesInput(f.cmd数字[0])) {
            stage = f.StageIndex;
            run("get lblステージ.Caption");
            run("get TimeLeft");
        }
        if (f.takesInput(f.cmd出題)) {
            run("click cmd出題");
            continue;
        }
        const std::vector<std::string> presses = kazuroi::testing::nextPresses(f);
        if (presses.empty()) {
            run("wait 100"); // the panel falling, or the bar refilling before the Extra Stage
            continue;
        }
        for (const std::string& press : presses) {
            run("wait 150");
            run(press);
        }
        if (f.lbl正誤.Visible)
            run("get SolvedCount");
    }
    return runner.finished() ? 0 : 1;
}
