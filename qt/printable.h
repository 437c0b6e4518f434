// Text from outside the game as a terminal line may show it.
#pragma once

#include <string>
#include <string_view>

namespace kazuroi {

// Control characters and bytes that are no UTF-8 as \xNN; everything else as it is.
std::string printable(std::string_view text);

} // namespace kazuroi
