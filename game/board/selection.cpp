// The board's slots: selecting numbers, the selection count the operators rely on, and an empty
// slot as a fresh board has it.
#include "game/form1.h"

#include <algorithm>
#include <limits>

namespace kazuroi {

void Form1::addToSelectedCount(int delta) {
    const int count = SelectedCount.value_or(0) + delta; // empty counts as 0
    SelectedCount = static_cast<std::int16_t>(std::clamp<int>(
        count, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

void Form1::select(int slot) {
    shp選択印[slot].Visible = true;
    addToSelectedCount(+1);
}

void Form1::deselect(int slot) {
    shp選択印[slot].Visible = false;
    addToSelectedCount(-1);
}

std::vector<int> Form1::freeDigits() const {
    std::vector<int> free;
    for (int j = 0; j < kDigitSlots; ++j)
        if (inPlay(j) && !selected(j))
            free.push_back(j);
    return free;
}

void Form1::emptySlot(int slot) {
    cmd数字[slot].Visible = false;
    cmd数字[slot].Caption = "";
    cmd数字[slot].Enabled = true;
    cmd数字[slot].BackColor = kButtonFace;
    shp選択印[slot].Visible = false;
}

// Button, Shift, X and Y come with every MouseDown; any button selects, wherever it is pressed.
void Form1::cmd数字_MouseDown(std::int16_t Index, std::int16_t /*Button*/, std::int16_t /*Shift*/,
                              float /*X*/, float /*Y*/) {
    if (Index < 0 || Index >= kSlots)
        return;
    if (!selected(Index)) {
        select(Index);
    } else {
        deselect(Index);
        // Letting go of the running result offers every digit still in play instead.
        if (Index == kResultSlot)
            for (int j : freeDigits())
                select(j);
    }
    sub演算子ボタンの有効無効();
}

} // namespace kazuroi
