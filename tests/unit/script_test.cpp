// The script driver: tokens, malformed lines, and the clock that `wait` runs.
#include "app/headless/script_runner.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(errorOf("down cmd出題"), "line 1: 'cmd出題' has no MouseDown handler");
    EXPECT_EQ(errorOf("click cmd加算"), "line 1: 'cmd加算' has no Click handler");
    EXPECT_EQ(errorOf("tick tim制限時間タイマ many"),
              "line 1: tick count must be a whole number 0 to 100000000");
    EXPECT_EQ(errorOf("load\nload"), "line 2: the window is already loaded");
    EXPECT_EQ(errorOf("get"), "line 1: usage: get NAME");
    EXPECT_EQ(errorOf("set StageRecords(0).MinLevel 0"),
              "line 1: '0' is not a level -1 to 6 for StageRecords(0).MinLevel");
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
