// Text from outside the game, escaped where a terminal would take it as a command or show it
// garbled.
#include "printable.h"

#include <cstdio>

namespace kazuroi {

namespace {

// The length of the UTF-8 sequence that starts TEXT, or 0 for a byte that starts none.
std::size_t sequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto follows = [&](std::size_t n) {
        if (text.size() < n)
            return false;
        for (std::size_t i = 1; i < n; ++i)
            if ((byte(i) & 0xC0) != 0x80)
                return false;
        return true;
    };
    const unsigned char lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF)
        return follows(2) ? 2 : 0;
    if (lead == 0xE0)
        return follows(3) && byte(1) >= 0xA0 ? 3 : 0;
    if (lead >= 0xE1 && lead <= 0xEF)
        return follows(3) && !(lead == 0xED && byte(1) >= 0xA0) ? 3 : 0;
    if (lead == 0xF0)
        return follows(4) && byte(1) >= 0x90 ? 4 : 0;
    if (lead >= 0xF1 && lead <= 0xF4)
        return follows(4) && !(lead == 0xF4 && byte(1) >= 0x90) ? 4 : 0;
    return 0;
}

} // namespace

std::string printable(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        std::size_t length = c >= 0x20 && c < 0x7F ? 1 : c >= 0x80 ? sequenceLength(text) : 0;
        if (length == 0) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
            length = 1;
        } else {
            out += text.substr(0, length);
        }
        text.remove_prefix(length);
    }
    return out;
}

} // namespace kazuroi
