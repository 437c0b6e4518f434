// Which operators may be applied to the current selection.
#include "game/form1.h"

#include <cmath>
#include <vector>

namespace kazuroi {

void Form1::sub演算子ボタンの有効無効() {
    const int count = SelectedCount.value_or(0);
    if (count == 0 || count == 1) {
        cmd加算.Enabled = false;
        cmd減算.Enabled = false;
        cmd乗算.Enabled = false;
        cmd除算.Enabled = false;
    } else if (count == 2) {
        cmd加算.Enabled = true;
        cmd減算.Enabled = true;
        cmd乗算.Enabled = true;
        cmd除算.Enabled = fnc除算可否() != kFalse;
    } else if (count == 3) {
        cmd加算.Enabled = true;
        cmd減算.Enabled = false;
        cmd乗算.Enabled = true;
        cmd除算.Enabled = false;
    }
    // Four selected is only reached from three, whose setting stays.
}

Bool16 Form1::fnc除算可否() {
    std::vector<double> values;
    for (int i = 0; i < kSlots; ++i)
        if (selected(i))
            values.push_back(SlotValues[i]);
    if (values.size() < 2)
        return kFalse;
    const double a = values[0];
    const double b = values[1];
    if (a == 0 || b == 0)
        return kFalse;
    if (a > b)
        return std::floor(a / b) * b == a ? kTrue : kFalse;
    return std::floor(b / a) * a == b ? kTrue : kFalse;
}

} // namespace kazuroi
