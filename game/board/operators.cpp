// Applying an operator: the selected numbers become one result, written as its expression.
#include "game/form1.h"
#include "game/numbers.h"

namespace kazuroi {

namespace {

const char* const kPlus = "＋";
const char* const kMinus = "－";
const char* const kTimes = "×";
const char* const kDivide = "÷";

bool containsAny(const std::string& text, std::initializer_list<const char*> symbols) {
    for (const char* symbol : symbols)
        if (text.find(symbol) != std::string::npos)
            return true;
    return false;
}

// Board arithmetic is 16-bit; out of range saturates rather than wrapping.
std::int16_t toBoard(double value) {
    return roundToInt16(value);
}

} // namespace

std::string Form1::fnc加減算の括弧付け(const std::string& text) {
    return containsAny(text, {kMinus, kPlus}) ? "(" + text + ")" : text;
}

std::string Form1::fnc四則演算の括弧付け(const std::string& text) {
    return containsAny(text, {kMinus, kPlus, kTimes, kDivide}) ? "(" + text + ")" : text;
}

// Operands are taken in slot order, never in the order the player selected them.
std::vector<Form1::Operand> Form1::consumeSelected() {
    std::vector<Operand> operands;
    for (int i = 0; i < kSlots; ++i) {
        if (!selected(i))
            continue;
        shp選択印[i].Visible = false;
        cmd数字[i].Enabled = false;
        operands.push_back({SlotValues[i], cmd数字[i].Caption});
        if (i >= kResultSlot)
            cmd数字[i].Caption = "";
        if (i == kSecondResultSlot)
            cmd数字[i].Visible = false;
    }
    return operands;
}

namespace {

struct Pair {
    std::int16_t largerValue, smallerValue;
    std::string larger, smaller;
};

// The two operands of a subtraction or division, larger first; with equal values the lower slot
// comes first. A missing operand reads as 0 with an empty caption.
template <typename Operands> Pair largerFirst(const Operands& operands) {
    const auto at = [&](std::size_t i) {
        return i < operands.size() ? operands[i] : typename Operands::value_type{0, ""};
    };
    const auto first = at(0);
    const auto second = at(1);
    if (first.value < second.value)
        return {second.value, first.value, second.caption, first.caption};
    return {first.value, second.value, first.caption, second.caption};
}

} // namespace

// The operators' MouseDown takes any mouse button anywhere on the button: Button, Shift, X and Y
// are passed with the event and go unread.
void Form1::cmd加算_MouseDown(std::int16_t, std::int16_t, float, float) {
    double sum = 0;
    std::string text;
    bool first = true;
    for (const Operand& o : consumeSelected()) {
        text += (first ? "" : kPlus) + o.caption;
        sum += o.value;
        first = false;
    }
    finishOperation(toBoard(sum), text);
}

void Form1::cmd乗算_MouseDown(std::int16_t, std::int16_t, float, float) {
    double product = 1;
    std::string text;
    bool first = true;
    for (const Operand& o : consumeSelected()) {
        text += (first ? "" : kTimes) + fnc加減算の括弧付け(o.caption);
        product = toBoard(product * o.value);
        first = false;
    }
    finishOperation(toBoard(product), text);
}

void Form1::cmd減算_MouseDown(std::int16_t, std::int16_t, float, float) {
    const Pair p = largerFirst(consumeSelected());
    finishOperation(toBoard(double(p.largerValue) - p.smallerValue),
                    p.larger + kMinus + fnc加減算の括弧付け(p.smaller));
}

void Form1::cmd除算_MouseDown(std::int16_t, std::int16_t, float, float) {
    const Pair p = largerFirst(consumeSelected());
    // Only offered when it comes out even, so the rounding never changes the quotient.
    finishOperation(toBoard(double(p.largerValue) / double(p.smallerValue)),
                    fnc加減算の括弧付け(p.larger) + kDivide + fnc四則演算の括弧付け(p.smaller));
}

void Form1::finishOperation(std::int16_t value, std::string text) {
    sub計算結果の配置(value, text);
    sub演算子ボタンの有効無効();
    sub正誤判定();
}

void Form1::sub計算結果の配置(std::int16_t& value, std::string& text) {
    const int first = kResultSlot;
    const int second = kSecondResultSlot;
    if (resultSlotFree()) {
        cmd数字[first].Caption = text;
        SlotValues[first] = value;
        cmd数字[first].Enabled = true;
        shp選択印[first].Visible = true;
        cmd数字[first].Visible = true;
        SelectedCount = 1;
        // A single digit left beside the result is pre-selected: one more press finishes.
        if (const std::vector<int> free = freeDigits(); free.size() == 1)
            select(free.front());
    } else {
        cmd数字[second].Caption = text;
        SlotValues[second] = value;
        cmd数字[second].Enabled = true;
        shp選択印[second].Visible = true;
        cmd数字[second].Visible = true;
        shp選択印[first].Visible = true;
        SelectedCount = 2;
    }
}

} // namespace kazuroi
