// Number conversions the game relies on: single precision, 16-bit rounding, and its text forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kazuroi {

inline float toSingle(double value) {
    return static_cast<float>(value);
}

// Nearest 16-bit integer, halves to even; saturates instead of overflowing.
std::int16_t roundToInt16(double value);

// 16-bit sum that saturates instead of overflowing.
std::int16_t addInt16(std::int16_t a, std::int16_t b);

// The leading decimal number of a text: leading blanks skipped, an optional sign, digits with an
// optional point and exponent. Text without a leading number gives 0.
double leadingNumber(std::string_view text);

// Plain decimal text of a stored number: no exponent, no trailing zeros, one leading blank
// unless negative (" 1500", "-7.5").
std::string storedNumberText(float value);

// Shortest decimal text that reads back as the same value ("1354", "2707.5", "0.1").
std::string shortestText(float value);
std::string shortestText(double value);

} // namespace kazuroi
