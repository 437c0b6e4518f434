// Selecting numbers on the board, and the selection count the operators rely on.
#include "game/form1.h"

#include <algorithm>
#include <limits>

namespace kazuroi {

void Form1::addToSelectedCount(int delta) {
    const int count = SelectedCount.value_or(0) + delta; // empty counts as 0
    SelectedCount = static_cast<std::int16_t>(std::clamp<int>(
        count, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

void Form1::cmd数字_MouseDown(std::int16_t Index, std::int16_t /*Button*/, std::int16_t /*Shift*/,
                              float /*X*/, float /*Y*/) {
    if (Index < 0 || Index >= kSlots)
        return;
    if (!shp選択印[Index].Visible) {
        shp選択印[Index].Visible = true;
        addToSelectedCount(+1);
    } else {
        shp選択印[Index].Visible = false;
        addToSelectedCount(-1);
        // Letting go of the running result offers every digit still in play instead.
        if (Index == kResultSlot) {
            for (int j = 0; j < kDigitSlots; ++j) {
                if (cmd数字[j].Enabled && !shp選択印[j].Visible) {
                    shp選択印[j].Visible = true;
                    addToSelectedCount(+1);
                }
            }
        }
    }
    sub演算子ボタンの有効無効();
}

} // namespace kazuroi
