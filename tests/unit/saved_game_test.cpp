// A running game written as text and read back: every text that is not one the game could have
// written is refused with its reason and changes nothing; a text read back plays on as written.
#include "board_solver.h"
#include "script/script_runner.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace kazuroi {
namespace {

struct Runner {
    std::ostringstream transcript;
    ScriptRunner runner{transcript};
    void run(const std::string& script) {
        std::istringstream lines(script);
        runner.run(lines);
    }
};

// A game of Stage 3 half-way through a question: 5 6 7 on the board, 1 and 5 made 6.
std::string halfWayText() {
    Runner r;
    r.run("answer No\nload\nquestion 2 1567\ndown cmd数字(0)\ndown cmd数字(1)\ndown cmd乗算\n"
          "wait 555\n");
    return *r.runner.game().save();
}

// The text with its check made anew, as a hostile text would be made to pass it.
std::string rechecked(std::string text) {
    const std::size_t check = text.rfind("check ");
    text.resize(check);
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    char hex[11];
    std::snprintf(hex, sizeof hex, "0x%08X", hash);
    return text + "check " + hex + "\n";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(SavedGame, EveryTextNotWrittenWholeIsRefusedWithItsReasonAndChangesNothing) {
    const std::string good = halfWayText();
    const struct {
        const char* what;
        std::string text;
        const char* reason;
    } rows[] = {
        {"empty", "", "not a saved game"},
        {"another program's", "[Startup]\nLeft= 100\n", "not a saved game"},
        {"another format", replaced(good, "kazuroi game 1", "kazuroi game 2"),
         "another format (2)"},
        {"cut short", good.substr(0, good.size() / 2), "cut short"},
        {"its last line end lost", good.substr(0, good.size() - 1), "cut short"},
        {"no check", good.substr(0, good.rfind("check ")), "cut short"},
        {"a byte changed", replaced(good, "TimeLeft 13", "TimeLeft 14"), "damaged"},
        {"far too long", good + std::string(20000, '\n'), "longer than"},
        {"a line lost", rechecked(replaced(good, "BlinkPhase 0\n", "")), "BlinkPhase belongs"},
        {"lines swapped",
         rechecked(replaced(good, "NoRedoUsed True\nExtraRefill False",
                            "ExtraRefill False\nNoRedoUsed True")),
         "line 4: ExtraRefill where NoRedoUsed belongs"},
        {"a line more", rechecked(replaced(good, "check", "TimeLeft 5\ncheck")), "more than"},
        {"no value", rechecked(replaced(good, "TickCountdown ", "TickCountdown")),
         "where TickCountdown belongs"},
        {"time beyond a full bar", rechecked(replaced(good, "TimeLeft 13", "TimeLeft 93")),
         "no value TimeLeft"},
        {"a stage past the last", rechecked(replaced(good, "StageIndex 2", "StageIndex 6")),
         "no value StageIndex"},
        {"a digit of 10", rechecked(replaced(good, "SlotValues(2) 6", "SlotValues(2) 10")),
         "no value SlotValues(2)"},
        {"a boolean spelt otherwise", rechecked(replaced(good, "NoRedoUsed True", "NoRedoUsed -1")),
         "no value NoRedoUsed"},
        {"a colour off the bar's way",
         rechecked(replaced(good, "BackColor 0x0000FF00", "BackColor 0x0000FF01")),
         "no value shp制限時間残り.BackColor"},
        {"a quote in a caption",
         rechecked(replaced(good, "(4).Caption \"１×５\"", "(4).Caption \"１\"×５\"")),
         "no value cmd数字(4).Caption"},
        {"brackets that do not pair",
         rechecked(replaced(good, "(4).Caption \"１×５\"", "(4).Caption \"(１×５\"")),
         "no value cmd数字(4).Caption"},
        {"a clock of its own pace",
         rechecked(replaced(good, "タイマ.Interval 10", "タイマ.Interval 1")),
         "no value tim制限時間タイマ.Interval"},
        {"a number written otherwise",
         rechecked(replaced(good, "残り.Width 1341", "残り.Width 1341.0")),
         "no value shp制限時間残り.Width"},
        {"focus on a control that takes none",
         rechecked(replaced(good, "ActiveControl Nothing", "ActiveControl \"lblタイトル\"")),
         "no value Form1.ActiveControl"},
        {"a digit shown as another",
         rechecked(replaced(good, "(2).Caption \"６\"", "(2).Caption \"９\"")),
         "cmd数字(2) shows ９ for the digit 6"},
        {"a result out of sight",
         rechecked(replaced(good, "(4).Visible True", "(4).Visible False")),
         "cmd数字(4) holds a result out of sight"},
        {"a selection that does not count",
         rechecked(replaced(good, "SelectedCount 1", "SelectedCount 2")),
         "the selection counts 2 with 1 marked"},
        {"a refill outside the Extra Stage",
         rechecked(replaced(good, "ExtraRefill False", "ExtraRefill True")), "refills"},
    };
    for (const auto& row : rows) {
        Runner r;
        RunningGame& game = r.runner.game();
        const auto why = game.restore(row.text);
        ASSERT_TRUE(why.has_value()) << row.what;
        EXPECT_NE(why->find(row.reason), std::string::npos) << row.what << ": " << *why;
        // Nothing of it is kept: the game starts as a new one does.
        EXPECT_FALSE(game.started()) << row.what;
        EXPECT_EQ(game.form().TimeLeft, 0) << row.what;
        EXPECT_EQ(game.form().cmd数字[0].Caption, "") << row.what;
        r.run("answer Yes\nload\n");
        EXPECT_EQ(game.form().StageIndex, 0) << row.what;
    }
    Runner r;
    EXPECT_EQ(r.runner.game().restore(good), std::nullopt);
}

// Seeded games of random play: at random moments the game is written, read back into a program
// started anew, and both play the same presses and ticks on; they agree to the last value until a
// new question is drawn (the random generator is the program's own, not the game's).
TEST(SavedGame, ReadBackItPlaysOnAsWritten) {
    int compared = 0;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        std::mt19937 pick(seed);
        Runner original;
        original.run("seed " + std::to_string(seed) + "\nanswer " + (seed % 2 ? "Yes" : "No") +
                     "\nload\n");
        Form1& f = original.runner.form();
        for (int step = 0; step < 400 && !original.runner.finished(); ++step) {
            std::vector<std::string> lines = testing::nextPresses(f);
            if (f.takesInput(f.cmd出題))
                lines = {"click cmd出題"};
            else if (lines.empty() || pick() % 4 == 0)
                lines = {"tick tim制限時間タイマ " + std::to_string(pick() % 40),
                         "tick timアニメーションタイマ 3"};
            const auto saved = original.runner.game().save();
            if (saved && f.ExtraRefill == kFalse && pick() % 8 == 0) {
                Runner restored;
                ASSERT_EQ(restored.runner.game().restore(*saved), std::nullopt) << *saved;
                restored.runner.game().showAll();
                ASSERT_EQ(restored.runner.game().save(), saved);
                for (const std::string& line : lines) {
                    if (line == "click cmd出題")
                        break;
                    original.run(line + "\n");
                    restored.run(line + "\n");
                    ASSERT_EQ(restored.runner.game().save(), original.runner.game().save())
                        << "seed " << seed << " after " << line;
                    ++compared;
                }
                continue;
            }
            for (const std::string& line : lines)
                original.run(line + "\n");
        }
    }
    EXPECT_GT(compared, 300); // moments in play, boxes and stage clears among them
}

} // namespace
} // namespace kazuroi
