// Stage clear: the falling panel, and what follows it up to the closing messages.
#include "game/form1.h"
#include "game/numbers.h"

namespace kazuroi {

namespace {

const char* const kPraiseTitle = "やるなー。";
// More than enough to fill the clock to a full bar, whatever is left of it.
constexpr std::int16_t kExtraRefill = 5000;

} // namespace

void Form1::subステージクリア() {
    frmステージクリア.Top = -frmステージクリア.Height;
    AnimationStep = -23;
    frmステージクリア.Visible = true;
    timアニメーションタイマ.Interval = 70;
    timアニメーションタイマ.Enabled = true;
    timアニメーションタイマ_Timer(); // the first step replaces the top before anything is painted
}

// n³ − 100n is 0 at −10, 0 and 10: the panel drops in, bounces about the middle and falls out.
void Form1::timアニメーションタイマ_Timer() {
    const float h = frmステージクリア.Height;
    const float H = OuterHeight();
    const std::int16_t n = AnimationStep;
    const std::int16_t hundredN = roundToInt16(100.0 * n);
    const double top = double(n) * n * n + (double(H) - h) / 2 - hundredN;
    frmステージクリア.Top = toSingle(top);
    AnimationStep = addInt16(AnimationStep, 1);

    if (frmステージクリア.Top > OuterHeight()) {
        timアニメーションタイマ.Enabled = false;
        sub次ステージ();
    }
}

void Form1::sub次ステージ() {
    StageIndex = addInt16(StageIndex, 1);
    if (StageIndex < kExtraStage) {
        SolvedCount = 0;
        cmd出題.Enabled = true;
        platform_.setFocus(cmd出題);
    } else if (StageIndex == kExtraStage) {
        if (NoRedoUsed != kFalse) {
            ask("天才ちゃうか。\r\nもう1問出したろ。", kPraiseTitle, MessageButtons::Ok);
            sub残り時間加算(kExtraRefill);
            SolvedCount = kQuestionsPerStage - 1; // one right answer clears the Extra Stage
            ExtraRefill = kTrue;
            tim制限時間タイマ.Enabled = true;
        } else {
            ask("また遊んだろ。", kPraiseTitle, MessageButtons::Ok);
            platform_.endProgram();
        }
    } else {
        ask("かずろいマスターの称号を与えよう。", kPraiseTitle, MessageButtons::Ok);
        ask("要らんって？ ^^;", kPraiseTitle, MessageButtons::Ok);
        ask("また遊んだろ。", kPraiseTitle, MessageButtons::Ok);
        platform_.endProgram();
    }
}

} // namespace kazuroi
