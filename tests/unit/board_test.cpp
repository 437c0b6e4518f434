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

// A digit in slot 0 and an earlier result in slot 4, both selected, then one operator: the text
// wraps only what the operator needs wrapped, on the side it needs it.
TEST(ExpressionTexts, EachOperatorWrapsOnlyWhatItMust) {
    struct Case {
        void (Form1::*press)(std::int16_t, std::int16_t, float, float);
        const char* digit;
        int digitValue;
        const char* result;
        int resultValue;
        const char* text;
    };
    const Case cases[] = {
        {&Form1::cmd減算_MouseDown, "９", 9, "２×３", 6, "９－２×３"},
        {&Form1::cmd減算_MouseDown, "９", 9, "８÷２", 4, "９－８÷２"},
        {&Form1::cmd減算_MouseDown, "９", 9, "３＋５", 8, "９－(３＋５)"},
        {&Form1::cmd減算_MouseDown, "１", 1, "９－１", 8, "９－１－１"},
        {&Form1::cmd除算_MouseDown, "８", 8, "２×２", 4, "８÷(２×２)"},
        {&Form1::cmd除算_MouseDown, "８", 8, "８÷４", 2, "８÷(８÷４)"},
        {&Form1::cmd除算_MouseDown, "２", 2, "２×４", 8, "２×４÷２"},
        {&Form1::cmd除算_MouseDown, "２", 2, "３＋５", 8, "(３＋５)÷２"},
        {&Form1::cmd乗算_MouseDown, "２", 2, "３＋５", 8, "２×(３＋５)"},
        {&Form1::cmd乗算_MouseDown, "２", 2, "３×３", 9, "２×３×３"},
        {&Form1::cmd乗算_MouseDown, "３", 3, "８÷４", 2, "３×８÷４"},
        {&Form1::cmd加算_MouseDown, "２", 2, "３－１", 2, "２＋３－１"},
        {&Form1::cmd加算_MouseDown, "２", 2, "３×３", 9, "２＋３×３"},
    };
    for (const Case& c : cases) {
        TestForm t;
        Form1& f = t.form;
        f.sub各問初期化();
        for (int i = 0; i < kDigitSlots; ++i)
            f.cmd数字[i].Visible = true;
        f.cmd数字[0].Caption = c.digit;
        f.SlotValues[0] = std::int16_t(c.digitValue);
        f.cmd数字[kResultSlot].Caption = c.result;
        f.cmd数字[kResultSlot].Visible = true;
        f.SlotValues[kResultSlot] = std::int16_t(c.resultValue);
        f.shp選択印[0].Visible = f.shp選択印[kResultSlot].Visible = true;
        f.SelectedCount = 2;
        (f.*c.press)(1, 0, 0, 0);
        EXPECT_EQ(f.cmd数字[kResultSlot].Caption, c.text);
    }
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
