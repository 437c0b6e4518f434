// The level rating: four digits against the catalogue of 53 expression templates.
#include "app/form1.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace kazuroi {

namespace {

using V = std::int16_t;

// What one evaluation of a template may watch: a product that comes out 0, and a division that
// does not come out exact. Both flags start afresh for every ordering of every template.
struct Evaluation {
    Form1& form;
    Bool16 zero = kFalse;
    Bool16 ok = kTrue;

    V mul(V x, V y) { return form.fnc乗算(x, y, zero); }
    V div(V x, V y) { return form.fnc除算(x, y, ok); }
};

using Computation = V (*)(Evaluation& e, V A, V B, V C, V D);

struct Template {
    int number;
    const char* label; // names the template; no effect on the result
    Computation value;
    V baseLevel;
    V zeroLevel; // 0: the template watches no product
};

#define KZ(expr)                                                                                   \
    [](Evaluation& e, V A, V B, V C, V D) -> V {                                                   \
        (void)e;                                                                                   \
        return V(expr);                                                                            \
    }

// clang-format off
// mul/div are the watched product and exact division; a bare * is a product nobody watches.
constexpr Template kCatalogue[] = {
    { 1, "A + B + C + D   ", KZ(A + B + C + D),                            1, 0},
    { 2, "A + B + C - D   ", KZ(A + B + C - D),                            1, 0},
    { 3, "A + B - C - D   ", KZ(A + B - C - D),                            1, 0},
    { 4, "A + B + C * D   ", KZ(A + B + e.mul(C, D)),                      2, 1},
    { 5, "A + B + C / D   ", KZ(A + B + e.div(C, D)),                      2, 0},
    { 6, "A + B - C * D   ", KZ(A + B - e.mul(C, D)),                      2, 1},
    { 7, "A + B - C / D   ", KZ(A + B - e.div(C, D)),                      2, 0},
    { 8, "A - B + C * D   ", KZ(A - B + e.mul(C, D)),                      2, 1},
    { 9, "A - B + C / D   ", KZ(A - B + e.div(C, D)),                      2, 0},
    {10, "-A -B + C * D   ", KZ(e.mul(C, D) - (A + B)),                    2, 1},
    {11, "A + B * (C+D)   ", KZ(A + e.mul(B, V(C + D))),                   3, 1},
    {12, "A + B / (C+D)   ", KZ(A + e.div(B, V(C + D))),                   3, 0},
    {13, "A + B * (C-D)   ", KZ(A + e.mul(B, V(C - D))),                   3, 1},
    {14, "A + B / (C-D)   ", KZ(A + e.div(B, V(C - D))),                   3, 0},
    {15, "-A +B * (C-D)   ", KZ(e.mul(B, V(C - D)) - A),                   3, 1},
    {16, "-A +B * (C+D)   ", KZ(e.mul(B, V(C + D)) - A),                   3, 1},
    {17, "A + B * C * D   ", KZ(A + e.mul(e.mul(B, C), D)),                3, 1},
    {18, "A + B * C / D   ", KZ(A + e.div(e.mul(B, C), D)),                3, 1},
    // 19 divides the whole of A + B ÷ C by D, not just B ÷ C: the levels players have always
    // met were rated this way, and "fixing" it moves questions between stages.
    {19, "A + B / C / D   ", KZ(e.div(V(A + e.div(B, C)), D)),             3, 0},
    {20, "-A +B * C * D   ", KZ(e.mul(e.mul(B, C), D) - A),                3, 1},
    {21, "A * B * C * D   ", KZ(A * B * C * D),                            3, 0},
    {22, "A * B * C / D   ", KZ(e.div(V(A * B * C), D)),                   3, 0},
    {23, "A * B / C / D   ", KZ(e.div(e.div(V(A * B), C), D)),             3, 0},
    {24, "A +(B -C) / D   ", KZ(A + e.div(V(B - C), D)),                   3, 0},
    {25, "A +(B +C) / D   ", KZ(A + e.div(V(B + C), D)),                   3, 0},
    {26, "A * (B+C+D)     ", KZ(A * (B + C + D)),                          4, 0},
    {27, "A * (B+C-D)     ", KZ(A * (B + C - D)),                          4, 0},
    {28, "A * (B-C-D)     ", KZ(A * (B - C - D)),                          4, 0},
    {29, "(A+B) * (C+D)   ", KZ((A + B) * (C + D)),                        4, 0},
    {30, "(A+B) / (C+D)   ", KZ(e.div(V(A + B), V(C + D))),                4, 0},
    {31, "(A+B) * (C-D)   ", KZ((A + B) * (C - D)),                        4, 0},
    {32, "(A+B) / (C-D)   ", KZ(e.div(V(A + B), V(C - D))),                4, 0},
    {33, "(A+B) * C * D   ", KZ((A + B) * C * D),                          4, 0},
    {34, "(A+B) * C / D   ", KZ(e.div(V((A + B) * C), D)),                 4, 0},
    {35, "(A-B) * C * D   ", KZ((A - B) * C * D),                          4, 0},
    // 36 takes B × C from A before dividing (A − B × C is at most 9, so like 50 it never makes
    // 10); it stays as it is and where it is, for the same reason as 19.
    {36, "(A-B) * C / D   ", KZ(e.div(V(A - B * C), D)),                   4, 0},
    {37, "A * B + C * D   ", KZ(e.mul(A, B) + e.mul(C, D)),                4, 2},
    {38, "A * B + C / D   ", KZ(e.mul(A, B) + e.div(C, D)),                4, 2},
    {39, "A / B + C / D   ", KZ(e.div(A, B) + e.div(C, D)),                4, 0},
    {40, "A * B - C * D   ", KZ(e.mul(A, B) - e.mul(C, D)),                4, 2},
    {41, "A * B - C / D   ", KZ(e.mul(A, B) - e.div(C, D)),                4, 2},
    {42, "(A*B + C) * D   ", KZ(e.mul(V(e.mul(A, B) + C), D)),             5, 2},
    {43, "(A/B + C) * D   ", KZ(e.mul(V(e.div(A, B) + C), D)),             5, 2},
    {44, "(A*B + C) / D   ", KZ(e.div(V(e.mul(A, B) + C), D)),             5, 2},
    {45, "(A*B - C) * D   ", KZ(e.mul(V(e.mul(A, B) - C), D)),             5, 2},
    {46, "(A/B - C) * D   ", KZ(e.mul(V(e.div(A, B) - C), D)),             5, 2},
    {47, "(A*B - C) / D   ", KZ(e.div(V(e.mul(A, B) - C), D)),             5, 2},
    {48, "(-A*B +C) * D   ", KZ(e.mul(V(C + e.mul(V(-A), B)), D)),         5, 2},
    {49, "(-A/B +C) * D   ", KZ(e.mul(V(C - e.div(A, B)), D)),             5, 2},
    {50, "(-A*B +C) / D   ", KZ(e.div(V(C - e.mul(A, B)), D)),             5, 2},
    {51, "-A +B * C / D   ", KZ(e.div(e.mul(B, C), D) - A),                5, 2},
    {52, "A /(B -C) * D   ", KZ(e.mul(e.div(A, V(B - C)), D)),             4, 2},
    {53, "A /(B +C) * D   ", KZ(e.mul(e.div(A, V(B + C)), D)),             4, 2},
};

// Tested before any template, whatever the templates would give.
constexpr V kSpecialSets[4][4] = {{4, 6, 6, 9}, {6, 6, 9, 9}, {3, 3, 6, 8}, {3, 4, 6, 6}};
// clang-format on

#undef KZ

} // namespace

std::int16_t Form1::fnc乗算(const std::int16_t& x, const std::int16_t& y, Bool16& zero) {
    const auto product = static_cast<std::int16_t>(x * y);
    if (product == 0)
        zero = kTrue;
    return product;
}

// The catalogue only ever divides by small numbers (a digit, or two digits added or taken apart),
// and hardware division is the slowest step of the search: for those, multiplying by a rounded-up
// 2^32 / d gives the exact quotient of any 16-bit dividend.
constexpr int kInverses = 64;
constexpr auto kInverse = [] {
    std::array<std::uint64_t, kInverses> inverse{};
    for (std::uint64_t d = 1; d < kInverses; ++d)
        inverse[d] = ((std::uint64_t(1) << 32) + d - 1) / d;
    return inverse;
}();

// Exact divisibility is what ⌊x ÷ y⌋ × y = x tests for these small integers, negatives included.
std::int16_t Form1::fnc除算(const std::int16_t& x, const std::int16_t& y, Bool16& ok) {
    if (y != 0) {
        const int n = x < 0 ? -x : x;
        const int d = y < 0 ? -y : y;
        const int q = d < kInverses ? int((std::uint64_t(n) * kInverse[d]) >> 32) : n / d;
        if (q * d == n)
            return static_cast<std::int16_t>((x < 0) != (y < 0) ? -q : q);
    }
    ok = kFalse;
    return -99;
}

namespace {

// The operands of every ordering; with repeated digits, each distinct arrangement once, since
// equal operands give equal finds.
struct Arrangements {
    V operand[24][4];
    int count = 0;
};

// One template over every arrangement, its computation known at compile time so that it is
// inlined into the loop. True when the search ends here, with `level` its result.
template <std::size_t I> bool searchTemplate(Form1& form, const Arrangements& a, V& level) {
    constexpr Template t = kCatalogue[I];
    for (int r = 0; r < a.count; ++r) {
        const V* o = a.operand[r];
        Evaluation e{form};
        if (t.value(e, o[0], o[1], o[2], o[3]) != 10 || e.ok == kFalse)
            continue;
        if (t.zeroLevel != 0 && e.zero != kFalse) {
            level = t.zeroLevel;
            return true;
        }
        if (t.baseLevel == 1) {
            level = 1;
            return true;
        }
        if (level == -1 || level > t.baseLevel)
            level = t.baseLevel;
    }
    return false;
}

// The lowest level any template after the I-th can give; once the level found is no higher,
// nothing later can change the result. A watched product can only be 0 in a find when a digit is 0
// (every other way to a zero product leaves a value far from 10), so without a 0 only the base
// levels count.
constexpr V lowestAfter(std::size_t last, bool zeroDigit) {
    V lowest = 99;
    for (std::size_t i = last + 1; i < std::size(kCatalogue); ++i) {
        const Template& t = kCatalogue[i];
        const bool zeroCounts = zeroDigit && t.zeroLevel != 0;
        lowest = std::min(lowest, zeroCounts ? std::min(t.baseLevel, t.zeroLevel) : t.baseLevel);
    }
    return lowest;
}

template <std::size_t I> bool settled(V level, bool zeroDigit) {
    constexpr V withZero = lowestAfter(I, true);
    constexpr V withoutZero = lowestAfter(I, false);
    return level != -1 && level <= (zeroDigit ? withZero : withoutZero);
}

template <std::size_t... I>
V searchCatalogue(Form1& form, const Arrangements& a, bool zeroDigit, std::index_sequence<I...>) {
    V level = -1;
    ((searchTemplate<I>(form, a, level) || settled<I>(level, zeroDigit)) || ...);
    return level;
}

} // namespace

std::int16_t Form1::fncレベル判定() {
    const V* d = SlotValues.data();
    const bool repeated = d[0] == d[1] || d[0] == d[2] || d[0] == d[3] || d[1] == d[2] ||
                          d[1] == d[3] || d[2] == d[3];
    Arrangements a;
    for (int r = 0; r < 24; ++r) {
        V* o = a.operand[a.count];
        for (int p = 0; p < 4; ++p)
            o[p] = SlotValues[Orderings[r][p]];
        bool seen = false;
        for (int q = 0; repeated && q < a.count && !seen; ++q)
            seen = std::equal(o, o + 4, a.operand[q]);
        if (!seen)
            ++a.count;
    }

    for (const auto& set : kSpecialSets)
        for (int r = 0; r < a.count; ++r)
            if (std::equal(set, set + 4, a.operand[r]))
                return 6;

    const bool zeroDigit = d[0] == 0 || d[1] == 0 || d[2] == 0 || d[3] == 0;
    return searchCatalogue(*this, a, zeroDigit, std::make_index_sequence<std::size(kCatalogue)>());
}

} // namespace kazuroi
