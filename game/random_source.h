// The game's random numbers: a seeded generator giving single-precision values in [0, 1), after
// any values queued to come first (a script or a test choosing what the game draws).
#pragma once

#include <cstdint>
#include <deque>
#include <random>

namespace kazuroi {

class RandomSource {
  public:
    void seed(std::uint32_t value) { engine_.seed(value); }
    void queue(float value) { queued_.push_back(value); }
    // 24 random bits scaled into [0, 1): every value is exact in single precision and 1.0 never
    // comes up (std::generate_canonical<float> can round up to it).
    float next() {
        if (queued_.empty())
            return float(engine_() >> 8) * (1.0f / 16777216.0f);
        const float value = queued_.front();
        queued_.pop_front();
        return value;
    }

  private:
    std::mt19937 engine_{1};
    std::deque<float> queued_;
};

} // namespace kazuroi
