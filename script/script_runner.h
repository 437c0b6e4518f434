// Runs a kazuroi script against a real running game on the headless front end and writes its
// transcript.
#pragma once

#include "game/running_game.h"
#include "headless/headless_platform.h"
#include "script_text.h"

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace kazuroi {

class ScriptRunner {
  public:
    // What one line may ask for, so that no script runs for long: an hour of play is far more
    // than any test needs.
    static constexpr long kMaxWait = 600000; // milliseconds
    static constexpr long kMaxTicks = 100000;

    explicit ScriptRunner(std::ostream& out);

    // Runs every line; throws ScriptError naming the line at the first one it cannot run.
    void run(LineReader& lines);
    void run(std::istream& script);
    // Runs one line (no line number in errors).
    void runLine(const std::string& line);

    Form1& form() { return game_->form(); }
    RunningGame& game() { return *game_; }
    bool finished() const { return game_->ended() || game_->closed(); }
    double now() const { return platform_.now(); }

  private:
    struct Line {
        std::vector<std::string> tokens;
        std::string text; // as written, without its comment and surrounding blanks
        const std::string& arg(std::size_t i) const { return tokens[i]; }
    };
    struct Command {
        const char* name;
        std::size_t minArgs, maxArgs;
        const char* usage;
        bool event; // a window event: only after load, and ignored once the program is over
        void (ScriptRunner::*run)(const Line&);
    };
    static const Command kCommands[];

    void seed(const Line& line);
    void random(const Line& line);
    void answer(const Line& line);
    void setting(const Line& line);
    void load(const Line& line);
    void close(const Line& line);
    void press(const Line& line);
    void question(const Line& line);
    void tick(const Line& line);
    void wait(const Line& line);
    void get(const Line& line);
    void set(const Line& line);
    void stored(const Line& line);
    void save(const Line& line);
    void restore(const Line& line);
    void pause(const Line& line);

    // True after printing the line as ignored, once the program is over.
    bool ignoredIfFinished(const Line& line);
    int timerIndex(const Timer& timer);
    // What question setting draws from, kept so that a change can be put back.
    struct DrawState {
        std::int16_t stageIndex;
        decltype(GameState::StageRecords) stageRecords;
        OrderingTable orderings;
    };
    DrawState drawState() const;
    // Puts `before` back and refuses the change when setting a question would now draw for ever.
    void checkQuestionsCanBeSet(const DrawState& before);
    // Every level some four digits have under the current orderings, with or without the digit 0.
    const std::set<int>& levelsOfDigits(bool withZero);

    std::ostream& out_;
    HeadlessPlatform platform_;
    std::unique_ptr<RunningGame> game_;
    std::string saved_; // the game as `save` last wrote it
};

// Runs a whole script as kazuroi-script does: 0 when every line ran, 2 with a message on `err`
// when a line is malformed, too long or unreadable, or memory runs out.
int runScript(LineReader& lines, std::ostream& out, std::ostream& err);

} // namespace kazuroi
