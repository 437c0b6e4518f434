// Number conversions shared by the logic, the settings store and the script driver.
#include "numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kazuroi {

std::int16_t roundToInt16(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value); // the default rounding mode sends halves to even
    if (rounded >= std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    if (rounded <= std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(rounded);
}

std::int16_t addInt16(std::int16_t a, std::int16_t b) {
    const int sum = int(a) + int(b);
    if (sum > std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    if (sum < std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(sum);
}

double leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        number += text[i++];
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        number += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            number += text[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            number.append(text.substr(i, j - i));
            while (j < text.size() && text[j] >= '0' && text[j] <= '9')
                number += text[j++];
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

namespace {

template <typename T> T readBack(const std::string& text);
template <> float readBack<float>(const std::string& text) {
    return std::strtof(text.c_str(), nullptr);
}
template <> double readBack<double>(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

// Plain decimal with the fewest digits after the point that read back as the same value, and of
// those (printf rounds correctly) the nearest: the text std::to_chars gives in fixed form, made
// without it, since not every standard library has it for floating point.
template <typename T> std::string shortest(T value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    if (value == 0)
        return "0"; // no "-0"
    // Fewer digits than the first significant one's place cannot read back as the value.
    const int first = int(-std::floor(std::log10(std::fabs(double(value)))));
    std::string text;
    for (int digits = std::max(0, first - 1);; ++digits) {
        const int size = std::snprintf(nullptr, 0, "%.*f", digits, double(value));
        text.resize(std::size_t(size) + 1);
        std::snprintf(text.data(), text.size(), "%.*f", digits, double(value));
        text.resize(std::size_t(size));
        if (readBack<T>(text) == value)
            return text;
    }
}

} // namespace

std::string storedNumberText(float value) {
    const std::string digits = shortest(value);
    return digits.front() == '-' ? digits : " " + digits;
}

std::string shortestText(float value) {
    return shortest(value);
}
std::string shortestText(double value) {
    return shortest(value);
}

} // namespace kazuroi
