// Operator availability and the expression texts, checked directly on Form1.
#include "test_form.h"

#include <gtest/gtest.h>

namespace kazuroi {
namespace {

struct Availability {
    bool add, subtract, multiply, divide;
    bool operator==(const Availability&) const = default;
};

Availability availability(const Form1& f) {
    return {f.cmd加算.Enabled, f.cmd減算.Enabled, f.cmd乗算.Enabled, f.cmd除算.Enabled};
}

// Selects the given slots with the given values and recomputes the operator buttons.
Availability select(TestForm& t, std::initializer_list<std::pair<int, int>> slots) {
    Form1& f = t.form;
    for (auto& mark : f.shp選択印)
        mark.Visible = false;
    for (auto [slot, value] : slots) {
        f.SlotValues[slot] = std::int16_t(value);
        f.shp選択印[slot].Visible = true;
    }
    f.SelectedCount = std::int16_t(slots.size());
    f.sub演算子ボタンの有効無効();
    return availability(f);
}

TEST(OperatorAvailability, TwoNumbersDivideOnlyWhenEven) {
    TestForm t;
    const Availability all{true, true, true, true};
    const Availability noDivide{true, true, true, false};
    EXPECT_EQ(select(t, {{0, 6}, {2, 3}}), all);
    EXPECT_EQ(select(t, {{0, 3}, {2, 6}}), all);
    EXPECT_EQ(select(t, {{1, 7}, {3, 3}}), noDivide);
    EXPECT_EQ(select(t, {{1, 4}, {3, 4}}), all);
    EXPECT_EQ(select(t, {{0, 0}, {4, 8}}), noDivide);
    EXPECT_EQ(select(t, {{0, 0}, {1, 0}}), noDivide);
    EXPECT_EQ(select(t, {{2, 1}, {5, 9}}), all);
}

TEST(OperatorAvailability, CountDecidesTheRow) {
    TestForm t;
    const Availability none{false, false, false, false};
    const Availability addMultiply{true, false, true, false};
    EXPECT_EQ(select(t, {}), none);
    EXPECT_EQ(select(t, {{0, 6}}), none);
    EXPECT_EQ(select(t, {{0, 6}, {1, 3}, {2, 2}}), addMultiply);
    // Four keeps whatever three left.
    EXPECT_EQ(select(t, {{0, 6}, {1, 3}, {2, 2}, {3, 1}}), addMultiply);
    t.form.SelectedCount.reset();
    t.form.sub演算子ボタンの有効無効();
    EXPECT_EQ(availability(t.form), none) << "an empty count is 0";
}

TEST(OperatorAvailability, FourLeavesTheButtonsAsTheyWere) {
    TestForm t;
    select(t, {{0, 6}, {1, 3}});
    t.form.SelectedCount = 4;
    t.form.sub演算子ボタンの有効無効();
    EXPECT_EQ(availability(t.form), (Availability{true, true, true, true}));
}

TEST(Parentheses, SumsAndDifferencesOrAnyOperation) {
    TestForm t;
    Form1& f = t.form;
    EXPECT_EQ(f.fnc加減算の括弧付け("３＋５"), "(３＋５)");
    EXPECT_EQ(f.fnc加減算の括弧付け("９－１"), "(９－１)");
    EXPECT_EQ(f.fnc加減算の括弧付け("２×２"), "２×２");
    EXPECT_EQ(f.fnc加減算の括弧付け("２×(３＋５)"), "(２×(３＋５))");
    EXPECT_EQ(f.fnc四則演算の括弧付け("２×２"), "(２×２)");
    EXPECT_EQ(f.fnc四則演算の括弧付け("８÷２"), "(８÷２)");
    EXPECT_EQ(f.fnc四則演算の括弧付け("７"), "７");
    // ASCII + and - are not operators on the board.
    EXPECT_EQ(f.fnc四則演算の括弧付け("1+2-3"), "1+2-3");
}

TEST(FullWidthDigits, EachDigitItsOwnCharacter) {
    TestForm t;
    const char* expected[10] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
    for (int d = 0; d < 10; ++d)
        EXPECT_EQ(t.form.fnc全角数字(std::int16_t(d)), expected[d]);
    EXPECT_EQ(t.form.fnc全角数字(10), "");
    EXPECT_EQ(t.form.fnc全角数字(-1), "");
}

} // namespace
} // namespace kazuroi
