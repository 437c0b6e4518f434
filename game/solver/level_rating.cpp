// The level rating: four digits against the catalogue of 53 expression templates.
#include "level_rating.h"

#include "game/form1.h"

#include <algorithm>
#include <utility>

namespace kazuroi {

namespace {

using Number = std::int16_t;

// What one evaluation of a template may watch: a product that comes out 0, and a division that
// does not come out exact. Both flags start afresh for every ordering of every template.
struct Evaluation {
    Bool16 zero = kFalse;
    Bool16 ok = kTrue;

    Number mul(Number x, Number y) { return watchedProduct(x, y, zero); }
    Number div(Number x, Number y) { return exactQuotient(x, y, ok); }
};

using Computation = Number (*)(Evaluation& e, Number A, Number B, Number C, Number D);

struct Template {
    int number; // the order the templates are tried in, checked below
    Computation value;
    Number baseLevel;
    Number zeroLevel; // 0: the template watches no product
};

#define TEMPLATE(expr)                                                                             \
    [](Evaluation& e, Number A, Number B, Number C, Number D) -> Number {                          \
        (void)e;                                                                                   \
        return Number(expr);                                                                       \
    }

// clang-format off
// mul/div are the watched product and exact division; a bare * is a product nobody watches.
// Each row's comment is the template's label.
constexpr Template kCatalogue[] = {
    { 1, TEMPLATE(A + B + C + D),                            1, 0}, // "A + B + C + D   "
    { 2, TEMPLATE(A + B + C - D),                            1, 0}, // "A + B + C - D   "
    { 3, TEMPLATE(A + B - C - D),                            1, 0}, // "A + B - C - D   "
    { 4, TEMPLATE(A + B + e.mul(C, D)),                      2, 1}, // "A + B + C * D   "
    { 5, TEMPLATE(A + B + e.div(C, D)),                      2, 0}, // "A + B + C / D   "
    { 6, TEMPLATE(A + B - e.mul(C, D)),                      2, 1}, // "A + B - C * D   "
    { 7, TEMPLATE(A + B - e.div(C, D)),                      2, 0}, // "A + B - C / D   "
    { 8, TEMPLATE(A - B + e.mul(C, D)),                      2, 1}, // "A - B + C * D   "
    { 9, TEMPLATE(A - B + e.div(C, D)),                      2, 0}, // "A - B + C / D   "
    {10, TEMPLATE(e.mul(C, D) - (A + B)),                    2, 1}, // "-A -B + C * D   "
    {11, TEMPLATE(A + e.mul(B, Number(C + D))),              3, 1}, // "A + B * (C+D)   "
    {12, TEMPLATE(A + e.div(B, Number(C + D))),              3, 0}, // "A + B / (C+D)   "
    {13, TEMPLATE(A + e.mul(B, Number(C - D))),              3, 1}, // "A + B * (C-D)   "
    {14, TEMPLATE(A + e.div(B, Number(C - D))),              3, 0}, // "A + B / (C-D)   "
    {15, TEMPLATE(e.mul(B, Number(C - D)) - A),              3, 1}, // "-A +B * (C-D)   "
    {16, TEMPLATE(e.mul(B, Number(C + D)) - A),              3, 1}, // "-A +B * (C+D)   "
    {17, TEMPLATE(A + e.mul(e.mul(B, C), D)),                3, 1}, // "A + B * C * D   "
    {18, TEMPLATE(A + e.div(e.mul(B, C), D)),                3, 1}, // "A + B * C / D   "
    // 19 divides the whole of A + B ÷ C by D, not just B ÷ C as its label reads. For digits 0-9
    // both forms give every string the same level; the catalogue's form is kept.
    {19, TEMPLATE(e.div(Number(A + e.div(B, C)), D)),        3, 0}, // "A + B / C / D   "
    {20, TEMPLATE(e.mul(e.mul(B, C), D) - A),                3, 1}, // "-A +B * C * D   "
    {21, TEMPLATE(A * B * C * D),                            3, 0}, // "A * B * C * D   "
    {22, TEMPLATE(e.div(Number(A * B * C), D)),              3, 0}, // "A * B * C / D   "
    {23, TEMPLATE(e.div(e.div(Number(A * B), C), D)),        3, 0}, // "A * B / C / D   "
    {24, TEMPLATE(A + e.div(Number(B - C), D)),              3, 0}, // "A +(B -C) / D   "
    {25, TEMPLATE(A + e.div(Number(B + C), D)),              3, 0}, // "A +(B +C) / D   "
    {26, TEMPLATE(A * (B + C + D)),                          4, 0}, // "A * (B+C+D)     "
    {27, TEMPLATE(A * (B + C - D)),                          4, 0}, // "A * (B+C-D)     "
    {28, TEMPLATE(A * (B - C - D)),                          4, 0}, // "A * (B-C-D)     "
    {29, TEMPLATE((A + B) * (C + D)),                        4, 0}, // "(A+B) * (C+D)   "
    {30, TEMPLATE(e.div(Number(A + B), Number(C + D))),      4, 0}, // "(A+B) / (C+D)   "
    {31, TEMPLATE((A + B) * (C - D)),                        4, 0}, // "(A+B) * (C-D)   "
    {32, TEMPLATE(e.div(Number(A + B), Number(C - D))),      4, 0}, // "(A+B) / (C-D)   "
    {33, TEMPLATE((A + B) * C * D),                          4, 0}, // "(A+B) * C * D   "
    {34, TEMPLATE(e.div(Number((A + B) * C), D)),            4, 0}, // "(A+B) * C / D   "
    {35, TEMPLATE((A - B) * C * D),                          4, 0}, // "(A-B) * C * D   "
    // 36 takes B × C from A before dividing (A − B × C is at most 9, so like 50 it never makes
    // 10). Computed as its label reads, it would rate 60 strings (2358, 2367, ...) at level 4
    // instead of 5 and bring them into Stage 4, whose questions are meant to be easier.
    {36, TEMPLATE(e.div(Number(A - B * C), D)),              4, 0}, // "(A-B) * C / D   "
    {37, TEMPLATE(e.mul(A, B) + e.mul(C, D)),                4, 2}, // "A * B + C * D   "
    {38, TEMPLATE(e.mul(A, B) + e.div(C, D)),                4, 2}, // "A * B + C / D   "
    {39, TEMPLATE(e.div(A, B) + e.div(C, D)),                4, 0}, // "A / B + C / D   "
    {40, TEMPLATE(e.mul(A, B) - e.mul(C, D)),                4, 2}, // "A * B - C * D   "
    {41, TEMPLATE(e.mul(A, B) - e.div(C, D)),                4, 2}, // "A * B - C / D   "
    {42, TEMPLATE(e.mul(Number(e.mul(A, B) + C), D)),        5, 2}, // "(A*B + C) * D   "
    {43, TEMPLATE(e.mul(Number(e.div(A, B) + C), D)),        5, 2}, // "(A/B + C) * D   "
    {44, TEMPLATE(e.div(Number(e.mul(A, B) + C), D)),        5, 2}, // "(A*B + C) / D   "
    {45, TEMPLATE(e.mul(Number(e.mul(A, B) - C), D)),        5, 2}, // "(A*B - C) * D   "
    {46, TEMPLATE(e.mul(Number(e.div(A, B) - C), D)),        5, 2}, // "(A/B - C) * D   "
    {47, TEMPLATE(e.div(Number(e.mul(A, B) - C), D)),        5, 2}, // "(A*B - C) / D   "
    {48, TEMPLATE(e.mul(Number(C + e.mul(Number(-A), B)), D)), 5, 2}, // "(-A*B +C) * D   "
    {49, TEMPLATE(e.mul(Number(C - e.div(A, B)), D)),        5, 2}, // "(-A/B +C) * D   "
    {50, TEMPLATE(e.div(Number(C - e.mul(A, B)), D)),        5, 2}, // "(-A*B +C) / D   "
    {51, TEMPLATE(e.div(e.mul(B, C), D) - A),                5, 2}, // "-A +B * C / D   "
    {52, TEMPLATE(e.mul(e.div(A, Number(B - C)), D)),        4, 2}, // "A /(B -C) * D   "
    {53, TEMPLATE(e.mul(e.div(A, Number(B + C)), D)),        4, 2}, // "A /(B +C) * D   "
};

// Tested before any template, whatever the templates would give.
constexpr Number kSpecialSets[4][4] = {{4, 6, 6, 9}, {6, 6, 9, 9}, {3, 3, 6, 8}, {3, 4, 6, 6}};
// clang-format on

#undef TEMPLATE

// The search stops early on the strength of this order, so a row lost or moved must not build.
constexpr bool numberedInOrder() {
    for (std::size_t i = 0; i < std::size(kCatalogue); ++i)
        if (kCatalogue[i].number != int(i) + 1)
            return false;
    return std::size(kCatalogue) == 53;
}
static_assert(numberedInOrder());

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

// The operands of every ordering; with repeated digits, each distinct arrangement once, since
// equal operands give equal finds.
struct Arrangements {
    Number operand[24][4];
    int count = 0;
};

Arrangements arrange(const Digits& d, const OrderingTable& orderings) {
    const bool repeated = d[0] == d[1] || d[0] == d[2] || d[0] == d[3] || d[1] == d[2] ||
                          d[1] == d[3] || d[2] == d[3];
    Arrangements a;
    std::uint64_t seen[24]; // each arrangement's operands packed into one word, to compare at once
    for (int r = 0; r < 24; ++r) {
        Number* o = a.operand[a.count];
        std::uint64_t key = 0;
        for (int p = 0; p < 4; ++p) {
            o[p] = d[std::size_t(orderings[r][p])];
            key = key << 16 | std::uint16_t(o[p]);
        }
        if (repeated && std::find(seen, seen + a.count, key) != seen + a.count)
            continue;
        seen[a.count++] = key;
    }
    return a;
}

// One template over every arrangement, its computation known at compile time so that it is
// inlined into the loop. True when the search ends here, with `level` its result.
template <std::size_t I> bool searchTemplate(const Arrangements& a, Number& level) {
    constexpr Template t = kCatalogue[I];
    for (int r = 0; r < a.count; ++r) {
        const Number* o = a.operand[r];
        Evaluation e;
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
constexpr Number lowestAfter(std::size_t last, bool zeroDigit) {
    Number lowest = 99;
    for (std::size_t i = last + 1; i < std::size(kCatalogue); ++i) {
        const Template& t = kCatalogue[i];
        const bool zeroCounts = zeroDigit && t.zeroLevel != 0;
        lowest = std::min(lowest, zeroCounts ? std::min(t.baseLevel, t.zeroLevel) : t.baseLevel);
    }
    return lowest;
}

template <std::size_t I> bool settled(Number level, bool zeroDigit) {
    constexpr Number withZero = lowestAfter(I, true);
    constexpr Number withoutZero = lowestAfter(I, false);
    return level != -1 && level <= (zeroDigit ? withZero : withoutZero);
}

template <std::size_t... I>
Number searchCatalogue(const Arrangements& a, bool zeroDigit, std::index_sequence<I...>) {
    Number level = -1;
    ((searchTemplate<I>(a, level) || settled<I>(level, zeroDigit)) || ...);
    return level;
}

} // namespace

std::int16_t watchedProduct(std::int16_t x, std::int16_t y, Bool16& zero) {
    const auto product = static_cast<std::int16_t>(x * y);
    if (product == 0)
        zero = kTrue;
    return product;
}

// Exact divisibility is what ⌊x ÷ y⌋ × y = x tests for these small integers, negatives included.
std::int16_t exactQuotient(std::int16_t x, std::int16_t y, Bool16& ok) {
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

std::int16_t rateDigits(const Digits& digits, const OrderingTable& orderings) {
    const Arrangements a = arrange(digits, orderings);
    for (const auto& set : kSpecialSets)
        for (int r = 0; r < a.count; ++r)
            if (std::equal(set, set + 4, a.operand[r]))
                return 6;
    const bool zeroDigit = std::find(digits.begin(), digits.end(), 0) != digits.end();
    return searchCatalogue(a, zeroDigit, std::make_index_sequence<std::size(kCatalogue)>());
}

namespace {

// True when the rows are the 24 arrangements of the four positions, in whatever order. Then a
// string's level is that of the same digits in any order: the search finds the lowest level of all
// its finds, whichever arrangement comes first.
bool everyArrangement(const OrderingTable& orderings) {
    std::array<bool, 256> seen{};
    for (int r = 0; r < 24; ++r) {
        unsigned code = 0, positions = 0;
        for (int p = 0; p < 4; ++p) {
            const auto position = unsigned(orderings[r][p]);
            if (position > 3)
                return false;
            positions |= 1u << position;
            code = code * 4 + position;
        }
        if (positions != 0xF || seen[code])
            return false;
        seen[code] = true;
    }
    return true;
}

} // namespace

std::array<std::int16_t, 10000> rateEveryDigitString(const OrderingTable& orderings) {
    const bool anyOrder = everyArrangement(orderings);
    std::array<std::int16_t, 10000> levels{};
    for (int n = 0; n < 10000; ++n) {
        const Digits digits = {Number(n / 1000), Number(n / 100 % 10), Number(n / 10 % 10),
                               Number(n % 10)};
        Digits rising = digits;
        std::sort(rising.begin(), rising.end());
        // The digits in rising order are the smallest string of the set, rated before this one.
        const int lowest = rising[0] * 1000 + rising[1] * 100 + rising[2] * 10 + rising[3];
        levels[std::size_t(n)] =
            anyOrder && lowest < n ? levels[std::size_t(lowest)] : rateDigits(digits, orderings);
    }
    return levels;
}

std::int16_t Form1::fncレベル判定() {
    return rateDigits({SlotValues[0], SlotValues[1], SlotValues[2], SlotValues[3]}, Orderings);
}

std::int16_t Form1::fnc乗算(const std::int16_t& x, const std::int16_t& y, Bool16& zero) {
    return watchedProduct(x, y, zero);
}

std::int16_t Form1::fnc除算(const std::int16_t& x, const std::int16_t& y, Bool16& ok) {
    return exactQuotient(x, y, ok);
}

} // namespace kazuroi
