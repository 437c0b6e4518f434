// The digit orderings and the level rating.
#include "game/solver/level_rating.h"
#include "test_form.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kazuroi {
namespace {

std::string row(const Form1& form, int r) {
    std::string text;
    for (int p = 0; p < 4; ++p)
        text += char('0' + form.Orderings[r][p]);
    return text;
}

TEST(Orderings, RowsComeInLexicographicOrder) {
    TestForm t;
    t.form.sub順列作成();
    const char* expected[24] = {"0123", "0132", "0213", "0231", "0312", "0321", "1023", "1032",
                                "1203", "1230", "1302", "1320", "2013", "2031", "2103", "2130",
                                "2301", "2310", "3012", "3021", "3102", "3120", "3201", "3210"};
    for (int r = 0; r < 24; ++r)
        EXPECT_EQ(row(t.form, r), expected[r]) << "row " << r;
}

TEST(Orderings, EveryRowIsAPermutationAndTheSpareCellsStayZero) {
    TestForm t;
    t.form.sub順列作成();
    std::set<std::string> rows;
    for (int r = 0; r < 24; ++r) {
        std::string sorted = row(t.form, r);
        rows.insert(sorted);
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, "0123");
        EXPECT_EQ(t.form.Orderings[r][4], 0);
    }
    EXPECT_EQ(rows.size(), 24u);
    for (int p = 0; p < 5; ++p)
        EXPECT_EQ(t.form.Orderings[24][p], 0);
}

TEST(Orderings, GeneratorRestoresItsWorkingArrayAndCountsTwentyFour) {
    TestForm t;
    std::array<std::int16_t, 5> w = {0, 1, 2, 3, 0};
    std::int16_t count = 0;
    t.form.sub順列生成(w, 0, 3, count);
    EXPECT_EQ(count, 24);
    EXPECT_EQ(w, (std::array<std::int16_t, 5>{0, 1, 2, 3, 0}));
}

TEST(LevelRating, NamedCases) {
    const std::map<std::string, int> cases = {{"1234", 1},  {"5555", 1},  {"4607", 1}, {"0025", 2},
                                              {"1123", 3},  {"2234", 4},  {"2334", 5}, {"9999", 5},
                                              {"9646", 6},  {"2367", 5},  {"2358", 5}, {"3488", -1},
                                              {"1158", -1}, {"0000", -1}, {"1111", -1}};
    for (const auto& [digits, level] : cases) {
        TestForm t;
        t.digits(digits.c_str());
        EXPECT_EQ(t.form.fncレベル判定(), level) << digits;
    }
}

TEST(LevelRating, SpecialSetsInAnyOrderAreLevelSix) {
    for (const char* set : {"4669", "6699", "3368", "3466"}) {
        std::string digits = set;
        do {
            TestForm t;
            t.digits(digits.c_str());
            EXPECT_EQ(t.form.fncレベル判定(), 6) << digits;
        } while (std::next_permutation(digits.begin(), digits.end()));
    }
}

TEST(LevelRating, TotalsOverEveryDigitString) {
    TestForm t;
    t.form.sub順列作成();
    std::map<int, int> totals;
    for (int n = 0; n < 10000; ++n) {
        t.form.SlotValues[0] = std::int16_t(n / 1000);
        t.form.SlotValues[1] = std::int16_t(n / 100 % 10);
        t.form.SlotValues[2] = std::int16_t(n / 10 % 10);
        t.form.SlotValues[3] = std::int16_t(n % 10);
        ++totals[t.form.fncレベル判定()];
    }
    const std::map<int, int> expected = {{-1, 1925}, {1, 3495}, {2, 2624}, {3, 1430},
                                         {4, 269},   {5, 215},  {6, 42}};
    EXPECT_EQ(totals, expected);
}

// Rating every string at once shares the work between the orders of one set of digits, which is
// sound only while the table holds every arrangement: with any other table each string is
// rated alone, as the game itself would rate it.
TEST(LevelRating, EveryStringAtOnceAsEachAlone) {
    TestForm t;
    t.form.sub順列作成();
    OrderingTable shuffled = t.form.Orderings;
    std::swap(shuffled[0], shuffled[23]);
    std::swap(shuffled[5], shuffled[11]);
    OrderingTable repeated = t.form.Orderings;
    repeated[7] = repeated[3]; // one arrangement twice, another missing
    OrderingTable identity{};
    for (int r = 0; r < 24; ++r)
        identity[r] = {0, 1, 2, 3, 0};
    for (const OrderingTable& table : {t.form.Orderings, shuffled, repeated, identity}) {
        const auto all = rateEveryDigitString(table);
        for (int n = 0; n < 10000; ++n) {
            const Digits d = {std::int16_t(n / 1000), std::int16_t(n / 100 % 10),
                              std::int16_t(n / 10 % 10), std::int16_t(n % 10)};
            ASSERT_EQ(all[std::size_t(n)], rateDigits(d, table)) << n;
        }
    }
}

TEST(LevelRating, LeavesTheBoardAlone) {
    TestForm t;
    t.digits("2367");
    t.form.SlotValues[4] = 77;
    const auto before = t.form.SlotValues;
    const auto orderings = t.form.Orderings;
    t.form.fncレベル判定();
    EXPECT_EQ(t.form.SlotValues, before);
    EXPECT_EQ(t.form.Orderings, orderings);
}

TEST(Multiplication, SetsTheZeroFlagOnlyForAZeroProduct) {
    TestForm t;
    Bool16 zero = kFalse;
    EXPECT_EQ(t.form.fnc乗算(3, 4, zero), 12);
    EXPECT_EQ(zero, kFalse);
    EXPECT_EQ(t.form.fnc乗算(0, 9, zero), 0);
    EXPECT_EQ(zero, kTrue);
    EXPECT_EQ(t.form.fnc乗算(2, 5, zero), 10);
    EXPECT_EQ(zero, kTrue) << "never set back to false";
}

TEST(Division, ExactQuotientsOnlyNegativesIncluded) {
    TestForm t;
    struct Case {
        std::int16_t x, y, quotient;
        bool ok;
    };
    for (const Case c : {Case{6, 3, 2, true}, Case{-6, 3, -2, true}, Case{6, -3, -2, true},
                         Case{0, 7, 0, true}, Case{-7, 2, -99, false}, Case{8, 3, -99, false},
                         Case{1, 5, -99, false}, Case{5, 0, -99, false}, Case{0, 0, -99, false}}) {
        Bool16 ok = kTrue;
        EXPECT_EQ(t.form.fnc除算(c.x, c.y, ok), c.quotient) << c.x << " / " << c.y;
        EXPECT_EQ(ok != kFalse, c.ok) << c.x << " / " << c.y;
    }
}

} // namespace
} // namespace kazuroi

namespace kazuroi {
namespace {

// The quick path for small divisors must agree with plain division for every 16-bit dividend.
TEST(Division, AgreesWithPlainDivisionEverywhere) {
    TestForm t;
    for (int y = -70; y <= 70; ++y) {
        for (int x = -32768; x <= 32767; ++x) {
            Bool16 ok = kTrue;
            const std::int16_t q = t.form.fnc除算(std::int16_t(x), std::int16_t(y), ok);
            const bool exact = y != 0 && x % y == 0;
            ASSERT_EQ(ok != kFalse, exact) << x << " / " << y;
            ASSERT_EQ(q, exact ? std::int16_t(x / y) : -99) << x << " / " << y;
        }
    }
}

} // namespace
} // namespace kazuroi
