// The script driver: tokens, malformed lines, and the clock that `wait` runs.
#include "script/script_runner.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace kazuroi {
namespace {

std::string run(const std::string& script) {
    std::ostringstream out;
    ScriptRunner runner(out);
    std::istringstream in(script);
    runner.run(in);
    return out.str();
}

std::string errorOf(const std::string& script) {
    try {
        run(script);
    } catch (const ScriptError& e) {
        return e.what();
    }
    return "no error";
}

// Each escape inside quotes, and a backslash anywhere else.
TEST(Tokenize, EveryEscapeInQuotes) {
    const struct {
        const char* line;
        std::string token;
    } rows[] = {
        {R"(x "a\"b")", "\"a\"b"}, {R"(x "a\\b")", "\"a\\b"}, {R"(x "a\rb")", "\"a\rb"},
        {R"(x "a\nb")", "\"a\nb"}, {R"(x "a\tb")", "\"atb"},  {R"(x "\\")", "\"\\"},
        {R"(x "\r\n")", "\"\r\n"}, {R"(x a\rb)", "a\\rb"},    {R"(x "")", "\""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(tokenize(row.line), (std::vector<std::string>{"x", row.token})) << row.line;
    EXPECT_THROW(tokenize(R"(x "a\")"), ScriptError) << "an escaped quote ends nothing";
}

TEST(Tokenize, BlanksQuotesAndComments) {
    EXPECT_EQ(tokenize("  get   TimeLeft  # comment"),
              (std::vector<std::string>{"get", "TimeLeft"}));
    EXPECT_EQ(tokenize("setting Left \" 1500\""),
              (std::vector<std::string>{"setting", "Left", "\" 1500"}));
    EXPECT_EQ(tokenize("set x \"a\\\"b\""), (std::vector<std::string>{"set", "x", "\"a\"b"}));
    EXPECT_TRUE(tokenize("# only a comment").empty());
    EXPECT_THROW(tokenize("setting Left \"open"), ScriptError);
}

TEST(MalformedLines, NameTheLineAndWhatIsWrong) {
    EXPECT_EQ(errorOf("load\nfly away"), "line 2: unknown command 'fly'");
    EXPECT_EQ(errorOf("get Nonsense"), "line 1: unknown name 'Nonsense'");
    EXPECT_EQ(errorOf("get SlotValues(7)"), "line 1: index out of range in 'SlotValues(7)'");
    EXPECT_EQ(errorOf("get cmd数字(9).Caption"), "line 1: unknown name 'cmd数字(9).Caption'");
    EXPECT_EQ(errorOf("get lbl正誤.Colour"), "line 1: unknown property in 'lbl正誤.Colour'");
    EXPECT_EQ(errorOf("random 1"), "line 1: random value '1' is not in [0, 1)");
    EXPECT_EQ(errorOf("random -0.1"), "line 1: random value '-0.1' is not in [0, 1)");
    EXPECT_EQ(errorOf("answer Maybe"), "line 1: answer must be Yes or No");
    EXPECT_EQ(errorOf("set TimeLeft lots"), "line 1: 'lots' is not a 16-bit integer for TimeLeft");
    EXPECT_EQ(errorOf("set SlotValues(0) 12"),
              "line 1: '12' is not a digit 0 to 9 for SlotValues(0)");
    EXPECT_EQ(errorOf("set lblステージ.Caption Stage"),
              "line 1: 'Stage' is not a quoted text for lblステージ.Caption");
    EXPECT_EQ(errorOf("set Form1.Height 10"), "line 1: 'Form1.Height' can only be read");
    EXPECT_EQ(errorOf("load\ndown cmd出題"), "line 2: 'cmd出題' has no MouseDown handler");
    EXPECT_EQ(errorOf("load\nclick cmd加算"), "line 2: 'cmd加算' has no Click handler");
    EXPECT_EQ(errorOf("load\nload"), "line 2: the window is already loaded");
    EXPECT_EQ(errorOf("get"), "line 1: usage: get NAME");
    EXPECT_EQ(errorOf("load\nquestion 6 1234"), "line 2: question needs a stage 0 to 5");
    EXPECT_EQ(errorOf("load\nquestion 2 12x4"), "line 2: question needs four digits, not '12x4'");
    EXPECT_EQ(errorOf("load\nquestion 2 1158"), "line 2: '1158' cannot make 10");
    EXPECT_EQ(errorOf("load\nset StageRecords(0).ZeroWeight 0\nquestion 0 5500"),
              "line 3: stage 0 never draws the digit 0");
}

// Nothing a script asks may run for ever or fail without saying so.
TEST(MalformedLines, NothingHangsOrFailsSilently) {
    EXPECT_EQ(errorOf("click cmd出題"), "line 1: 'click cmd出題' before load");
    EXPECT_EQ(errorOf("tick tim制限時間タイマ"), "line 1: 'tick tim制限時間タイマ' before load");
    EXPECT_EQ(errorOf("load\ntick tim制限時間タイマ many"),
              "line 2: tick count must be a whole number 0 to 100000");
    EXPECT_EQ(errorOf("load\nwait 600001"), "line 2: wait needs milliseconds 0 to 600000");
    // Every level a stage can draw must be one some digits have: -1 to 1 also draws 0.
    EXPECT_EQ(errorOf("load\nset StageRecords(0).MinLevel -1"),
              "line 2: '-1' for StageRecords(0).MinLevel would make stage 0 draw level 0, "
              "which no four digits have");
    EXPECT_EQ(errorOf("load\nset StageIndex 6"),
              "line 2: '6' for StageIndex would make stage 6 draw level 0, which no four digits "
              "have");
    EXPECT_EQ(errorOf("load\nset StageRecords(4).MaxLevel 7"),
              "line 2: '7' for StageRecords(4).MaxLevel would make stage 4 draw level 7, which no "
              "four digits have");
    // Level -1 can be drawn (some digits cannot make 10); a stage behind the current one is
    // checked when the game is put back into it.
    EXPECT_EQ(errorOf("load\nset StageIndex 5\nset StageRecords(0).MinLevel -1\n"
                      "set StageRecords(0).MaxLevel -1\nset StageIndex 0"),
              "no error");
    // A refused change is put back.
    std::ostringstream transcript;
    ScriptRunner runner(transcript);
    runner.runLine("load");
    EXPECT_THROW(runner.runLine("set StageIndex 6"), ScriptError);
    EXPECT_EQ(runner.form().StageIndex, 0);
    EXPECT_THROW(runner.runLine("set StageRecords(4).MaxLevel 7"), ScriptError);
    EXPECT_EQ(runner.form().StageRecords[4].MaxLevel, 5);
    const std::string longLine(LineReader::kMaxLine + 1, '#');
    EXPECT_EQ(errorOf("load\n" + longLine + "\nget TimeLeft"), "line 2: longer than 1048576 bytes");
    // A byte-order mark, as some editors begin a file with, is none of the first line; anywhere
    // else it is text like any other.
    EXPECT_EQ(run("\xEF\xBB\xBFget StageIndex\n"), "StageIndex = 0\n");
    EXPECT_EQ(errorOf("get StageIndex\n\xEF\xBB\xBFget StageIndex\n"),
              "line 2: unknown command '\xEF\xBB\xBFget'");

    std::FILE* folder = std::fopen("/", "r"); // opens, but every read fails
    ASSERT_NE(folder, nullptr);
    LineReader unreadable(folder);
    std::ostringstream out, err;
    EXPECT_EQ(runScript(unreadable, out, err), 2);
    EXPECT_EQ(err.str(), "line 1: the script could not be read\n");
    std::fclose(folder);
}

// Every limit the driver sets, at its edge and one past it on each side: the value on the
// limit is taken, the one past it refused with an error, never taken or cut to fit.
TEST(Bounds, EachLimitTakesItsEdgeAndRefusesOnePast) {
    struct Row {
        const char* before; // lines run first
        std::string line;
        bool taken;
    };
    const std::string line(LineReader::kMaxLine, ' ');
    const Row rows[] = {
        {"", "set StageIndex 0", true},
        {"", "set StageIndex 6", true},
        {"", "set StageIndex -1", false},
        {"", "set StageIndex 7", false},
        {"", "set StageRecords(0).ZeroWeight 0", true},
        {"", "set StageRecords(0).ZeroWeight 1", true},
        {"", "set StageRecords(0).ZeroWeight -0.000001", false},
        {"", "set StageRecords(0).ZeroWeight 1.000001", false},
        {"", "set SlotValues(3) 0", true},
        {"", "set SlotValues(3) 9", true},
        {"", "set SlotValues(3) -1", false},
        {"", "set SlotValues(3) 10", false},
        {"", "set SlotValues(0) 9", true},
        {"", "set SlotValues(-1) 0", false},
        {"", "set SlotValues(7) 0", false},
        {"", "set SlotValues(4) 10", true},
        {"", "set SlotValues(5) -32768", true},
        {"", "set StageRecords(0).MinLevel 1", true},
        {"", "set StageRecords(6).MinLevel 1", true},
        {"", "set StageRecords(-1).MinLevel 1", false},
        {"", "set StageRecords(7).MinLevel 1", false},
        {"", "set StageParams(0).DrainStep 0", true},
        {"", "set StageParams(-1).DrainStep 0", false},
        {"", "set Orderings(0,0) 0", true},
        {"", "set Orderings(-1,0) 0", false},
        {"", "set Orderings(0,-1) 0", false},
        {"", "get cmd数字(0).Caption", true},
        {"", "get cmd数字(5).Caption", true},
        {"", "get cmd数字(-1).Caption", false},
        {"", "get cmd数字(6).Caption", false},
        {"", "get shp選択印(0).Visible", true},
        {"", "get shp選択印(5).Visible", true},
        {"", "get shp選択印(6).Visible", false},
        {"load\n", "set StageRecords(5).MinLevel 1", true},
        {"load\n", "set StageRecords(5).MinLevel 0", false}, // the Extra Stage could draw level 0
        {"", "set SlotValues(6) -32768", true},
        {"", "set SlotValues(6) 32767", true},
        {"", "set SlotValues(6) -32769", false},
        {"", "set SlotValues(6) 32768", false},
        {"", "set TimeLeft 32767", true},
        {"", "set TimeLeft 32768", false},
        {"", "set Orderings(24,4) 0", true},
        {"", "set Orderings(0,0) 3", true},
        {"", "set Orderings(0,0) -1", false},
        {"", "set Orderings(0,0) 4", false},
        {"", "set Orderings(25,0) 0", false},
        {"", "set Orderings(0,5) 0", false},
        {"", "set StageParams(6).DrainStep 0", true},
        {"", "set StageParams(7).DrainStep 0", false},
        {"", "set SelectedCount -32768", true},
        {"", "set SelectedCount 32768", false},
        {"", "set tim制限時間タイマ.Interval 0", true},
        {"", "set tim制限時間タイマ.Interval 2147483647", true},
        {"", "set tim制限時間タイマ.Interval -1", false},
        {"", "set tim制限時間タイマ.Interval 2147483648", false},
        {"", "set lbl正誤.ForeColor 0xFFFFFFFF", true},
        {"", "set lbl正誤.ForeColor 0x100000000", false},
        {"", "set Form1.Left 3.4e38", true},
        {"", "set Form1.Left 3.5e38", false},
        {"", "seed 4294967295", true},
        {"", "seed 4294967296", false},
        {"", "seed -1", false},
        {"", "random 0 0.99999994", true},
        {"", "random 1", false},
        {"", "random -0.000001", false},
        {"load\n", "question 0 1234", true},
        {"load\n", "question 5 4669", true},
        {"load\n", "question -1 1234", false},
        {"load\n", "question 6 1234", false},
        {"load\n", "wait 0", true},
        {"load\n", "wait 600000", true},
        {"load\n", "wait -1", false},
        {"load\n", "wait 600001", false},
        {"answer No\nload\n", "tick tim制限時間タイマ 0", true},
        {"answer No\nload\n", "tick tim制限時間タイマ 100000", true},
        {"answer No\nload\n", "tick tim制限時間タイマ -1", false},
        {"answer No\nload\n", "tick tim制限時間タイマ 100001", false},
        {"", "get TimeLeft" + line.substr(12), true},
        {"", "get TimeLeft" + line.substr(11), false},
    };
    for (const Row& row : rows) {
        const std::string script = row.before + row.line + "\n";
        const std::string error = errorOf(script);
        EXPECT_EQ(error == "no error", row.taken) << row.line.substr(0, 60) << ": " << error;
    }
}

TEST(Input, OnlyToLiveControls) {
    const std::string out =
        run("load\ndown cmd数字(4)\nset frm問題.Enabled False\ndown cmd数字(0)\n"
            "click cmd出題\ntick tim制限時間タイマ\n");
    EXPECT_NE(out.find("ignored: down cmd数字(4)\n"), std::string::npos);
    EXPECT_NE(out.find("ignored: down cmd数字(0)\n"), std::string::npos);
    EXPECT_NE(out.find("ignored: click cmd出題\n"), std::string::npos);
    EXPECT_NE(out.find("ignored: tick tim制限時間タイマ\n"), std::string::npos);
}

// Both timers' ticks over a run of mixed commands (waits of every length, single ticks, a timer
// switched off and on, a new interval) against a plain model of the clock: a timer fires each
// time its interval has passed since it last fired or was started; a tick command fires it now;
// a change to Enabled or Interval starts its interval afresh. Each timer's ticks are counted by
// what one tick does: the bar grows by 10 twips, the panel moves a step.
TEST(Wait, TicksAsAPlainClockGivesThem) {
    std::ostringstream out;
    ScriptRunner runner(out);
    for (const char* line :
         {"answer No", "load", "set StageParams(2).DrainStep 0",
          "set shp制限時間表示枠.Width 32000", "set TimeLeft 32000", "set shp制限時間残り.Width 0",
          "set AnimationStep -32000", "set timアニメーションタイマ.Interval 70"})
        runner.runLine(line);
    struct Model {
        bool on;
        long interval, due = 0, ticks = 0;
    };
    Model bar{true, 10}, panel{true, 70};
    for (Model* m : {&bar, &panel})
        m->due = long(runner.now()) + m->interval;
    long now = long(runner.now());
    std::mt19937 random(2026);
    for (int step = 0; step < 400; ++step) {
        const int kind = int(random() % 6);
        const bool first = random() % 2;
        Model& m = first ? bar : panel;
        const std::string timer = first ? "tim制限時間タイマ" : "timアニメーションタイマ";
        if (kind <= 2) {
            const long ms = long(random() % (kind == 0 ? 3 : 200));
            runner.runLine("wait " + std::to_string(ms));
            for (Model* t : {&bar, &panel})
                for (; t->on && t->due <= now + ms; t->due += t->interval)
                    ++t->ticks;
            now += ms;
        } else if (kind == 3) {
            runner.runLine("tick " + timer);
            if (m.on) {
                ++m.ticks;
                m.due = now + m.interval;
            }
        } else if (kind == 4) {
            m.on = !m.on;
            runner.runLine("set " + timer + ".Enabled " + (m.on ? "True" : "False"));
            m.due = now + m.interval;
        } else {
            m.interval = 5 + long(random() % 90);
            runner.runLine("set " + timer + ".Interval " + std::to_string(m.interval));
            m.due = now + m.interval;
        }
        ASSERT_EQ(runner.form().shp制限時間残り.Width, float(10 * bar.ticks)) << "step " << step;
        ASSERT_EQ(runner.form().AnimationStep, -32000 + panel.ticks) << "step " << step;
    }
}

TEST(Wait, DeliversTicksAtTheirIntervals) {
    std::ostringstream out;
    ScriptRunner runner(out);
    runner.runLine("answer No");
    runner.runLine("load");
    const auto countdown = [&] { return runner.form().TickCountdown; };
    runner.runLine("wait 9");
    EXPECT_EQ(countdown(), 10);
    runner.runLine("wait 1");
    EXPECT_EQ(countdown(), 9);
    runner.runLine("wait 35");
    EXPECT_EQ(countdown(), 6);
    EXPECT_EQ(runner.now(), 45);
    // A timer switched off and on again starts its interval afresh.
    runner.runLine("set tim制限時間タイマ.Enabled False");
    runner.runLine("wait 100");
    EXPECT_EQ(countdown(), 6);
    runner.runLine("set tim制限時間タイマ.Enabled True");
    runner.runLine("wait 9");
    EXPECT_EQ(countdown(), 6);
    runner.runLine("wait 1");
    EXPECT_EQ(countdown(), 5);
}

} // namespace
} // namespace kazuroi
