// The level rating: four digits against the catalogue of 53 expression templates.
#include "app/form1.h"

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
const Template kCatalogue[] = {
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
const V kSpecialSets[4][4] = {{4, 6, 6, 9}, {6, 6, 9, 9}, {3, 3, 6, 8}, {3, 4, 6, 6}};
// clang-format on

#undef KZ

} // namespace

std::int16_t Form1::fnc乗算(const std::int16_t& x, const std::int16_t& y, Bool16& zero) {
    const auto product = static_cast<std::int16_t>(x * y);
    if (product == 0)
        zero = kTrue;
    return product;
}

// Exact divisibility is what ⌊x ÷ y⌋ × y = x tests for these small integers, negatives included.
std::int16_t Form1::fnc除算(const std::int16_t& x, const std::int16_t& y, Bool16& ok) {
    if (y != 0 && x % y == 0)
        return static_cast<std::int16_t>(x / y);
    ok = kFalse;
    return -99;
}

std::int16_t Form1::fncレベル判定() {
    std::int16_t level = -1;

    V operand[24][4];
    for (int r = 0; r < 24; ++r)
        for (int p = 0; p < 4; ++p)
            operand[r][p] = SlotValues[Orderings[r][p] & 3];

    for (const auto& set : kSpecialSets)
        for (const auto& o : operand)
            if (o[0] == set[0] && o[1] == set[1] && o[2] == set[2] && o[3] == set[3])
                return 6;

    for (const Template& t : kCatalogue) {
        for (const auto& o : operand) {
            Evaluation e{*this};
            if (t.value(e, o[0], o[1], o[2], o[3]) != 10 || e.ok == kFalse)
                continue;
            if (t.zeroLevel != 0 && e.zero != kFalse)
                return t.zeroLevel;
            if (t.baseLevel == 1)
                return 1;
            if (level == -1 || level > t.baseLevel)
                level = t.baseLevel;
        }
    }
    return level;
}

} // namespace kazuroi
