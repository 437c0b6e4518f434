// The time limit: the remaining time, the bar that follows it, its colours, and the time-out.
#include "game/form1.h"
#include "game/numbers.h"

#include <cstdint>

namespace kazuroi {

namespace {

// Widths of the drawn bar, in twips, below which it turns red or yellow, blinks, or times out.
constexpr float kRedBelow = 400;
constexpr float kYellowBelow = 800;
constexpr float kBlinkBelow = 200;
constexpr float kTimeOutBelow = 20;
// A drain step on every eleventh tick: the countdown runs 10 down to 0, then reloads.
constexpr std::int16_t kTicksBetweenDrains = 10;
// The bar grows quickly toward the time left and shrinks slowly.
constexpr double kGrowStep = 10;
constexpr double kShrinkStep = 1;
// The refill before the Extra Stage ends when the bar is this close to full.
constexpr double kRefillSlack = 5;
// In each cycle of 16 blinking ticks the bar is hidden in phases 0-4.
constexpr int kBlinkPhases = 16;
constexpr int kLastHiddenPhase = 4;

// Moves each channel of a colour 5 steps toward the target, blue first.
std::int32_t fadeToward(std::int32_t colour, std::int32_t target) {
    auto c = static_cast<std::uint32_t>(colour);
    const auto t = static_cast<std::uint32_t>(target);
    for (int shift : {16, 8, 0}) {
        const std::uint32_t have = (c >> shift) & 0xFF;
        const std::uint32_t want = (t >> shift) & 0xFF;
        if (have < want)
            c += 5u << shift;
        else if (have > want)
            c -= 5u << shift;
    }
    return static_cast<std::int32_t>(c);
}

const char* timeOutMessage(std::int16_t stage, std::int16_t solved) {
    if (stage < kFinalStage)
        return "話にならんな";
    if (solved > 15)
        return "ネバったのになー";
    if (solved >= 6)
        return "修行が足らんわ";
    return "出直して来い";
}

} // namespace

void Form1::sub残り時間加算(const std::int16_t& amount) {
    if (StageParams[StageIndex].TimeLimitOn == kFalse)
        return;
    if (amount < 0) {
        const std::int16_t sum = addInt16(TimeLeft, amount);
        TimeLeft = sum < 0 ? std::int16_t(0) : sum;
    } else {
        const float full = shp制限時間表示枠.Width;
        if (int(TimeLeft) + int(amount) > full)
            TimeLeft = roundToInt16(full);
        else
            TimeLeft = addInt16(TimeLeft, amount);
    }
}

void Form1::tim制限時間タイマ_Timer() {
    Control& bar = shp制限時間残り;

    if (ExtraRefill != kFalse) {
        if (toSingle(double(bar.Width) + kRefillSlack) > shp制限時間表示枠.Width) {
            tim制限時間タイマ.Enabled = false;
            ExtraRefill = kFalse;
            cmd出題_Click();
        }
    } else if (TickCountdown >= 1) {
        --TickCountdown;
    } else {
        TickCountdown = kTicksBetweenDrains;
        sub残り時間加算(StageParams[StageIndex].DrainStep);
    }

    const float w = bar.Width;
    const std::int16_t t = TimeLeft;
    if (w < t) {
        const float grown = toSingle(double(w) + kGrowStep);
        bar.Width = grown < t ? grown : float(t);
    } else if (w > t) {
        if (w < kTimeOutBelow) {
            ask(timeOutMessage(StageIndex, SolvedCount), "かずろい", MessageButtons::Ok);
            platform_.endProgram();
            return;
        }
        bar.Width = toSingle(double(w) - kShrinkStep);
    }

    if (bar.Width < kRedBelow)
        BarColour = kRed;
    else if (bar.Width < kYellowBelow)
        BarColour = kYellow;
    else
        BarColour = kGreen;

    if (bar.Width < kBlinkBelow) {
        BlinkPhase = static_cast<std::int16_t>((BlinkPhase + 1) & (kBlinkPhases - 1));
        bar.Visible = BlinkPhase > kLastHiddenPhase;
    } else if (!bar.Visible) {
        bar.Visible = true;
    }

    if (bar.BackColor != BarColour)
        bar.BackColor = fadeToward(bar.BackColor, BarColour);
}

} // namespace kazuroi
