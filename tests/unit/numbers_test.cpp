// Reading and writing the stored position, and the 16-bit rounding the game relies on.
#include "game/numbers.h"
#include "test_form.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>

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

// The text is the one std::to_chars gives in fixed form, on every kind of value.
TEST(ShortestText, MatchesToCharsInFixedForm) {
    std::mt19937 pick(7);
    const auto check = [](auto value) {
        char buffer[2048];
        const auto end =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
        const std::string expected = value == 0 ? "0" : std::string(buffer, end.ptr);
        EXPECT_EQ(shortestText(value), expected) << double(value);
    };
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t bits = std::uint32_t(pick());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (std::isfinite(f) && std::fabs(f) > 1e-20f) // tiny ones take long and never occur
            check(f);
        check(double(pick() % 2000000) / 8 - 100000);
        check(std::ldexp(double(pick()) / 4294967296.0, int(pick() % 120) - 60));
    }
    for (float f : {0.1f, 1e30f, -3.4e38f, 16777217.0f, 2707.5f, 1e-7f})
        check(f);
}

TEST(ShortestText, PrintsTheShortestExactForm) {
    EXPECT_EQ(shortestText(1354.0f), "1354");
    EXPECT_EQ(shortestText(-7159.5f), "-7159.5");
    EXPECT_EQ(shortestText(0.1), "0.1");
    EXPECT_EQ(shortestText(-0.0f), "0");
}

} // namespace
} // namespace kazuroi

namespace kazuroi {
namespace {

// Blanks before the number are spaces and tabs, in any mix; one sign may follow them, and
// nothing may stand between the sign and the digits. Any other leading character ends the read.
TEST(LeadingNumber, SkipsEveryBlankAndSignButNothingElse) {
    for (const char* blanks : {"", " ", "\t", "  ", "\t\t", " \t", "\t ", " \t \t "}) {
        const std::string b = blanks;
        EXPECT_EQ(leadingNumber(b + "15"), 15) << '"' << b << '"';
        EXPECT_EQ(leadingNumber(b + "+15"), 15) << '"' << b << '"';
        EXPECT_EQ(leadingNumber(b + "-15"), -15) << '"' << b << '"';
        EXPECT_EQ(leadingNumber(b + "-.5"), -0.5) << '"' << b << '"';
        for (const char* unread : {"+ 15", "- 15", "+\t15", "++15", "--15", "+-15", "-+15"})
            EXPECT_EQ(leadingNumber(b + unread), 0) << '"' << b + unread << '"';
    }
    for (const char* other : {"\n15", "\r15", "\v15", "\f15",
                              "\xE3\x80\x80"
                              "15",
                              "_15", "\"15"})
        EXPECT_EQ(leadingNumber(other), 0) << '"' << other << '"';
}

// The window's place as the Load handler reads it, in every form a hand or another program may
// store it: exponents in either case, signs, blanks, fifteen significant digits, and the
// largest coordinate the game keeps (32767 pixels) with one past it, which is read as 0.
TEST(StoredPlace, ReadInEveryFormAHandOrAProgramWrites) {
    const struct {
        const char* text;
        float left;
    } rows[] = {
        {" 1500", 1500},       {"1500", 1500},        {"1.5E3", 1500},
        {"1.5e3", 1500},       {"15E+2", 1500},       {"150000e-2", 1500},
        {"+1500", 1500},       {"-1500", -1500},      {"\t 1500", 1500},
        {" \t-1.5E3x", -1500}, {"1500.25", 1500.25f}, {"1234.56789012345", 1234.56789012345f},
        {"491505", 491505},    {"-491505", -491505},  {"491505.0000001", 0},
        {"491520", 0},         {"-491520", 0},        {"123456789012345", 0},
        {"4.91505E5", 491505}, {"4.9152E5", 0},
    };
    for (const auto& row : rows) {
        TestForm t;
        t.platform.writeSetting(kSettingsApplication, kSettingsSection, "Left", row.text);
        t.platform.writeSetting(kSettingsApplication, kSettingsSection, "Top", row.text);
        t.form.Form_Load();
        EXPECT_EQ(t.form.Left, row.left) << '"' << row.text << '"';
        EXPECT_EQ(t.form.Top, row.left) << '"' << row.text << '"';
    }
}

} // namespace
} // namespace kazuroi
