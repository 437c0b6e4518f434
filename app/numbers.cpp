// Number conversions shared by the logic, the settings store and the script driver.
#include "numbers.h"

#include <charconv>
#include <cmath>
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

template <typename T> static std::string shortest(T value, std::chars_format format) {
    if (value == 0)
        value = 0; // no "-0"
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return std::string(buffer, result.ptr);
}

std::string storedNumberText(float value) {
    const std::string digits = shortest(value, std::chars_format::fixed);
    return digits.front() == '-' ? digits : " " + digits;
}

std::string shortestText(float value) {
    return shortest(value, std::chars_format::fixed);
}
std::string shortestText(double value) {
    return shortest(value, std::chars_format::fixed);
}

} // namespace kazuroi
