// Reading and writing the stored position, and the 16-bit rounding the game relies on.
#include "app/numbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kazuroi {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
    struct Case {
        const char* text;
        double value;
    };
    for (const Case c : {Case{"100", 100}, Case{" 1500", 1500}, Case{"-7.5", -7.5},
                         Case{"  12abc", 12}, Case{"abc", 0}, Case{"", 0}, Case{"nan", 0},
                         Case{"+3", 3}, Case{".5", 0.5}, Case{"1.", 1}, Case{"2e3", 2000},
                         Case{"2e", 2}, Case{"-", 0}, Case{" - 5", 0}, Case{"12 34", 12}}) {
        EXPECT_EQ(leadingNumber(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_TRUE(std::isinf(leadingNumber("1e999")));
}

TEST(StoredNumberText, BlankBeforeZeroOrPositiveMinusBeforeNegative) {
    EXPECT_EQ(storedNumberText(1500), " 1500");
    EXPECT_EQ(storedNumberText(0), " 0");
    EXPECT_EQ(storedNumberText(-0.0f), " 0");
    EXPECT_EQ(storedNumberText(-7.5f), "-7.5");
    EXPECT_EQ(storedNumberText(2707.5f), " 2707.5");
    EXPECT_EQ(storedNumberText(1e9f), " 1000000000");
    EXPECT_EQ(leadingNumber(storedNumberText(960)), 960);
}

TEST(RoundToInt16, HalvesGoToEvenAndRangeSaturates) {
    EXPECT_EQ(roundToInt16(1354.5), 1354);
    EXPECT_EQ(roundToInt16(1355.5), 1356);
    EXPECT_EQ(roundToInt16(-2.5), -2);
    EXPECT_EQ(roundToInt16(3500.0), 3500);
    EXPECT_EQ(roundToInt16(1e9), 32767);
    EXPECT_EQ(roundToInt16(-1e9), -32768);
    EXPECT_EQ(roundToInt16(NAN), 0);
    EXPECT_EQ(addInt16(32000, 5000), 32767);
    EXPECT_EQ(addInt16(-32000, -5000), -32768);
}

TEST(ShortestText, PrintsTheShortestExactForm) {
    EXPECT_EQ(shortestText(1354.0f), "1354");
    EXPECT_EQ(shortestText(-7159.5f), "-7159.5");
    EXPECT_EQ(shortestText(0.1), "0.1");
    EXPECT_EQ(shortestText(-0.0f), "0");
}

} // namespace
} // namespace kazuroi
