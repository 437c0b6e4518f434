// Seeded games of random presses, ticks and waits, checking the board's invariants after every
// event. A failure prints the seed and a kazuroi-script script that replays it.
#include "board_solver.h"
#include "script/script_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <sstream>

namespace kazuroi {
namespace {

// Reads a caption as arithmetic: full-width digits, ＋－×÷, parentheses; × and ÷ bind tighter,
// each evaluated left to right. Division must come out whole.
class CaptionReader {
  public:
    explicit CaptionReader(const std::string& text) : text_(text) {}
    std::optional<long> value() {
        const auto v = sum();
        return v && pos_ == text_.size() ? v : std::nullopt;
    }

  private:
    bool take(const char* symbol) {
        const std::string s = symbol;
        if (text_.compare(pos_, s.size(), s) != 0)
            return false;
        pos_ += s.size();
        return true;
    }
    std::optional<long> sum() {
        auto left = product();
        while (left) {
            if (take("＋")) {
                const auto right = product();
                left = right ? std::optional(*left + *right) : std::nullopt;
            } else if (take("－")) {
                const auto right = product();
                left = right ? std::optional(*left - *right) : std::nullopt;
            } else {
                break;
            }
        }
        return left;
    }
    std::optional<long> product() {
        auto left = operand();
        while (left) {
            if (take("×")) {
                const auto right = operand();
                left = right ? std::optional(*left * *right) : std::nullopt;
            } else if (take("÷")) {
                const auto right = operand();
                if (!right || *right == 0 || *left % *right != 0)
                    return std::nullopt;
                left = *left / *right;
            } else {
                break;
            }
        }
        return left;
    }
    std::optional<long> operand() {
        if (take("(")) {
            const auto inner = sum();
            return inner && take(")") ? inner : std::nullopt;
        }
        static const char* digits[10] = {"０", "１", "２", "３", "４",
                                         "５", "６", "７", "８", "９"};
        for (int d = 0; d < 10; ++d)
            if (take(digits[d]))
                return d;
        return std::nullopt;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

struct Game {
    std::ostringstream transcript;
    ScriptRunner runner{transcript};
    std::vector<std::string> lines;

    void run(const std::string& line) {
        lines.push_back(line);
        runner.runLine(line);
    }
    std::string script() const {
        std::string text;
        for (const auto& line : lines)
            text += line + "\n";
        return text;
    }
};

// Every invariant the board keeps; empty when all hold.
std::string brokenInvariant(Form1& f, std::int16_t& stageSeen) {
    int live = 0, marks = 0;
    for (int i = 0; i < 6; ++i) {
        live += f.cmd数字[i].Visible && f.cmd数字[i].Enabled;
        marks += f.shp選択印[i].Visible;
        if (f.cmd数字[i].Visible && f.SlotValues[i] < 0)
            return "negative value in slot " + std::to_string(i);
    }
    if (live > 4)
        return "more than four live numbers";
    if (live > 0 && f.SelectedCount.value_or(0) != marks)
        return "selection count " + std::to_string(f.SelectedCount.value_or(0)) + " but " +
               std::to_string(marks) + " marks";

    const int count = f.SelectedCount.value_or(0);
    bool add = false, subtract = false, multiply = false, divide = false;
    if (count == 2) {
        std::vector<int> values;
        for (int i = 0; i < 6; ++i)
            if (f.shp選択印[i].Visible)
                values.push_back(f.SlotValues[i]);
        add = subtract = multiply = true;
        divide = values.size() >= 2 && values[0] != 0 && values[1] != 0 &&
                 std::max(values[0], values[1]) % std::min(values[0], values[1]) == 0;
    } else if (count >= 3) {
        add = multiply = true;
    }
    if (live > 0 && (f.cmd加算.Enabled != add || f.cmd減算.Enabled != subtract ||
                     f.cmd乗算.Enabled != multiply || f.cmd除算.Enabled != divide))
        return "operator buttons do not match the selection";

    for (int i = 4; i < 6; ++i) {
        if (!f.cmd数字[i].Visible || f.cmd数字[i].Caption.empty())
            continue;
        const auto value = CaptionReader(f.cmd数字[i].Caption).value();
        if (!value || *value != f.SlotValues[i])
            return "slot " + std::to_string(i) + " reads '" + f.cmd数字[i].Caption +
                   "' but holds " + std::to_string(f.SlotValues[i]);
    }
    if (f.TimeLeft < 0 || f.TimeLeft > f.shp制限時間表示枠.Width)
        return "TimeLeft out of range: " + std::to_string(f.TimeLeft);
    if (f.StageIndex < stageSeen)
        return "stage moved back";
    stageSeen = f.StageIndex;
    return "";
}

// Plays seeded games until `events` events have run; returns a failure report or "".
std::string play(std::uint32_t seed, long events) {
    std::mt19937 pick(seed);
    const auto chance = [&](int percent) { return int(pick() % 100) < percent; };
    long done = 0;
    for (std::uint32_t game = 0; done < events; ++game) {
        Game g;
        Form1& f = g.runner.form();
        g.run("seed " + std::to_string(seed * 7919u + game));
        g.run(std::string("answer ") + (chance(50) ? "Yes" : "No"));
        g.run("load");
        std::int16_t stage = f.StageIndex;
        while (!g.runner.finished() && done < events) {
            std::vector<std::string> live;
            for (int i = 0; i < 6; ++i)
                if (f.takesInput(f.cmd数字[i]))
                    live.push_back("down cmd数字(" + std::to_string(i) + ")");
            for (Control* op : {&f.cmd加算, &f.cmd減算, &f.cmd乗算, &f.cmd除算})
                if (f.takesInput(*op))
                    live.push_back("down " + op->Name);
            const int roll = int(pick() % 100);
            std::string broken;
            const auto run = [&](const std::string& line) {
                g.run(line);
                ++done;
                if (broken.empty())
                    broken = brokenInvariant(f, stage);
            };
            if (roll < 25 && !live.empty()) {
                // Play toward 10 now and then, so stage clears and the last stages come up.
                for (const std::string& press : testing::nextPresses(f))
                    run(press);
            } else if (roll < 60 && !live.empty())
                run(live[pick() % live.size()]);
            else if (roll < 66 && f.takesInput(f.cmd出題))
                run("click cmd出題");
            else if (roll < 69 && f.takesInput(f.cmdやり直し))
                run("click cmdやり直し");
            else if (roll < 90)
                run("tick tim制限時間タイマ");
            else
                run("wait " + std::to_string(pick() % (chance(5) ? 20000 : 300)));
            if (!broken.empty())
                return "seed " + std::to_string(seed) + ": " + broken + "\n" + g.script();
        }
    }
    return "";
}

long eventCount() {
    const char* text = std::getenv("KAZUROI_RANDOM_EVENTS");
    return text ? std::atol(text) : 20000;
}

TEST(RandomPlay, InvariantsHoldAfterEveryEvent) {
    const long events = eventCount();
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const std::string failure = play(seed, events / 4);
        EXPECT_EQ(failure, "");
    }
}

TEST(RandomPlay, CaptionReaderReadsTheBoardsNotation) {
    EXPECT_EQ(CaptionReader("２×(３＋５)").value(), 16);
    EXPECT_EQ(CaptionReader("９－１－３").value(), 5);
    EXPECT_EQ(CaptionReader("８÷(２×２)").value(), 2);
    EXPECT_EQ(CaptionReader("２×３＋４").value(), 10);
    EXPECT_EQ(CaptionReader("８÷３").value(), std::nullopt);
    EXPECT_EQ(CaptionReader("(３＋").value(), std::nullopt);
}

} // namespace
} // namespace kazuroi
