// What setting a question and redo put back: after a right answer and 次の問題, and after a wrong
// answer and やり直す, every control shows as it did when the stage's first question was set.
#include "board_solver.h"
#include "test_form.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace kazuroi {
namespace {

// Each control's caption, enabled, visible and colours; the digits' captions and the stars,
// which each question sets afresh, only where `withDigits` asks for them. The judgement label
// is given its text and colour whenever it is shown, so while hidden they are left out.
std::map<std::string, std::string> shown(Form1& f, bool withDigits) {
    std::map<std::string, std::string> state;
    for (const Control* c : f.controls()) {
        const bool digit = c->Name.rfind("cmd数字(", 0) == 0 && c->Name < "cmd数字(4)";
        const bool hiddenJudgement = c == &f.lbl正誤 && !c->Visible;
        std::ostringstream line;
        if ((withDigits || !(digit || c == &f.lblレベル)) && !hiddenJudgement)
            line << '"' << c->Caption << "\" ";
        line << c->Enabled << c->Visible;
        if (!hiddenJudgement)
            line << ' ' << std::hex << c->BackColor << ' ' << c->ForeColor;
        state[c->Name] = line.str();
    }
    return state;
}

// The controls that show otherwise, each with what it showed and what it shows.
std::string differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after) {
    std::string text;
    for (const auto& [name, was] : before)
        if (after.at(name) != was)
            text += name + ": " + was + " -> " + after.at(name) + "\n";
    return text;
}

void press(Form1& f, const std::string& line) {
    std::istringstream words(line);
    std::string event, name;
    words >> event >> name;
    Control& c = *f.findControl(name);
    ASSERT_TRUE(f.takesInput(c)) << line;
    (event == "down" ? f.mouseDownHandler(c) : f.clickHandler(c))();
}

void solve(Form1& f) {
    while (f.inPlay(0) || f.inPlay(1) || f.inPlay(2) || f.inPlay(3) || f.cmd数字[5].Visible) {
        const auto presses = testing::nextPresses(f);
        ASSERT_FALSE(presses.empty()) << "no way to 10";
        for (const std::string& p : presses)
            press(f, p);
    }
}

// Every number added together: the end of a question, right only when the digits sum to 10.
void addAll(Form1& f) {
    for (int i = 0; i < kDigitSlots; ++i)
        if (!f.selected(i))
            press(f, "down cmd数字(" + std::to_string(i) + ")");
    press(f, "down cmd加算");
}

TEST(QuestionSetting, PutsBackWhatTheStagesFirstQuestionShowed) {
    for (std::int16_t stage = 0; stage <= kFinalStage; ++stage) {
        TestForm t;
        Form1& f = t.form;
        t.platform.setSeed(std::uint32_t(40 + stage));
        f.Form_Load();
        f.StageIndex = stage;
        f.TimeLeft = 1500; // the clock may not run out meanwhile, nor change the bar's colour
        f.cmd出題_Click();
        const auto first = shown(f, false);
        for (int question = 0; question < 3; ++question) {
            // A wrong answer (unless the digits sum to 10), then its redo: the question as it
            // was set, its digits included.
            const auto set = shown(f, true);
            addAll(f);
            if (f.lbl正誤.Caption == "×やり直し") {
                press(f, "click cmdやり直し");
                EXPECT_EQ(differences(set, shown(f, true)), "") << "stage " << stage << ", redo";
                solve(f);
            }
            ASSERT_EQ(f.lbl正誤.Caption, "○正解");
            press(f, "click cmd出題");
            EXPECT_EQ(differences(first, shown(f, false)), "") << "stage " << stage << ", next";
        }
    }
}

} // namespace
} // namespace kazuroi
