// Test helper: finds the presses that bring the live board one operation closer to 10, using only
// what the board allows (larger minus smaller, exact division).
#pragma once

#include "game/form1.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace kazuroi::testing {

inline std::vector<long> combine(long a, long b) {
    std::vector<long> results = {a + b, std::max(a, b) - std::min(a, b), a * b};
    if (a != 0 && b != 0 && std::max(a, b) % std::min(a, b) == 0)
        results.push_back(std::max(a, b) / std::min(a, b));
    return results;
}

inline bool canMakeTen(const std::vector<long>& values) {
    if (values.size() == 1)
        return values[0] == 10;
    for (std::size_t i = 0; i < values.size(); ++i)
        for (std::size_t j = i + 1; j < values.size(); ++j)
            for (long r : combine(values[i], values[j])) {
                std::vector<long> rest;
                for (std::size_t k = 0; k < values.size(); ++k)
                    if (k != i && k != j)
                        rest.push_back(values[k]);
                rest.push_back(r);
                if (canMakeTen(rest))
                    return true;
            }
    return false;
}

// The script lines for the next operation toward 10: presses that make the selection exactly the
// two operands, then the operator. Empty when the board can no longer make 10.
inline std::vector<std::string> nextPresses(const Form1& f) {
    std::vector<int> live;
    for (int i = 0; i < 6; ++i)
        if (f.takesInput(f.cmd数字[i]))
            live.push_back(i);
    const char* operators[4] = {"down cmd加算", "down cmd減算", "down cmd乗算", "down cmd除算"};
    for (std::size_t a = 0; a < live.size(); ++a)
        for (std::size_t b = a + 1; b < live.size(); ++b) {
            const long x = f.SlotValues[live[a]], y = f.SlotValues[live[b]];
            const std::vector<long> results = combine(x, y);
            for (std::size_t op = 0; op < results.size(); ++op) {
                std::vector<long> rest;
                for (int slot : live)
                    if (slot != live[a] && slot != live[b])
                        rest.push_back(f.SlotValues[slot]);
                rest.push_back(results[op]);
                if (!canMakeTen(rest))
                    continue;
                // Letting go of slot 4 selects the free digits, so settle the marks in passes.
                std::vector<bool> marked(6);
                for (int i = 0; i < 6; ++i)
                    marked[i] = f.shp選択印[i].Visible;
                std::vector<std::string> presses;
                for (int pass = 0; pass < 3; ++pass)
                    for (int slot : live) {
                        const bool wanted = slot == live[a] || slot == live[b];
                        if (marked[slot] == wanted)
                            continue;
                        presses.push_back("down cmd数字(" + std::to_string(slot) + ")");
                        marked[slot] = wanted;
                        if (slot == 4 && !wanted)
                            for (int j = 0; j < 4; ++j)
                                if (f.cmd数字[j].Enabled && !marked[j])
                                    marked[j] = true;
                    }
                presses.push_back(operators[op]);
                return presses;
            }
        }
    return {};
}

} // namespace kazuroi::testing
