// The level rating as a function of four digits and the orderings alone: what Form1's rating,
// the levels tool and the script driver all call.
#pragma once

#include "game/game_state.h"

#include <array>
#include <cstdint>

namespace kazuroi {

using Digits = std::array<std::int16_t, 4>;

// The two watched steps of a template: a product, which raises `zero` when it is 0, and an exact
// division, which gives -99 and lowers `ok` when it does not come out whole (or divides by 0).
std::int16_t watchedProduct(std::int16_t x, std::int16_t y, Bool16& zero);
std::int16_t exactQuotient(std::int16_t x, std::int16_t y, Bool16& ok);

// 6 for the special sets, 1-5 for the lowest level at which a template makes 10, -1 for none.
std::int16_t rateDigits(const Digits& digits, const OrderingTable& orderings);

// Every digit string 0000-9999, indexed by its value, rated under one table of orderings.
std::array<std::int16_t, 10000> rateEveryDigitString(const OrderingTable& orderings);

} // namespace kazuroi
