// Setting a question: the per-question reset, the draw of four digits at a target level.
#include "game/form1.h"

#include <algorithm>
#include <cmath>

namespace kazuroi {

namespace {

std::string stars(int level) {
    const int filled = std::clamp(level, 0, 5);
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += i < filled ? "★" : "☆";
    return text;
}

} // namespace

void Form1::sub各問初期化() {
    lblステージ.Caption = StageRecords[StageIndex].Name;
    for (int i = 0; i < kSlots; ++i)
        emptySlot(i);
    lbl正誤.Visible = false;
    cmd出題.Enabled = false;
    frmステージクリア.Visible = false;
    SelectedCount = 0;
    sub演算子ボタンの有効無効();
}

void Form1::sub出題() {
    const StageRecord& stage = StageRecords[StageIndex];
    const double levels = double(stage.MaxLevel) - stage.MinLevel + 1;
    const auto target =
        static_cast<std::int16_t>(stage.MinLevel + std::floor(double(platform_.random()) * levels));

    std::int16_t level = 0;
    do {
        for (int i = 0; i < kDigitSlots; ++i) {
            const float r = platform_.random();
            const double digit = std::floor(10.0 - (stage.ZeroWeight + 9.0) * double(r));
            SlotValues[i] = static_cast<std::int16_t>(std::min(digit, 9.0)); // 10 only for r = 0
            cmd数字[i].Caption = fnc全角数字(SlotValues[i]);
            cmd数字[i].Visible = true;
        }
        level = fncレベル判定();
    } while (level != target);

    lblレベル.Caption = StageIndex > kFinalStage ? "★☆★☆★" : stars(level);
    cmdやり直し.Enabled = true;
    if (StageParams[StageIndex].TimeLimitOn != kFalse) {
        tim制限時間タイマ.Enabled = true;
        shp制限時間表示枠.Visible = true;
        shp制限時間残り.Visible = true;
    }
}

std::string Form1::fnc全角数字(std::int16_t d) {
    static const std::string kDigits = "０１２３４５６７８９"; // three bytes each
    if (d < 0 || d > 9)
        return "";
    return kDigits.substr(std::size_t(d) * 3, 3);
}

void Form1::cmd出題_Click() {
    sub各問初期化();
    sub出題();
}

} // namespace kazuroi
