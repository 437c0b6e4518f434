// The game's random numbers: a seeded generator giving single-precision values in [0, 1).
#pragma once

#include <cstdint>
#include <random>

namespace kazuroi {

class RandomSource {
  public:
    void seed(std::uint32_t value) { engine_.seed(value); }
    // 24 random bits scaled into [0, 1): every value is exact in single precision and 1.0 never
    // comes up (std::generate_canonical<float> can round up to it).
    float next() { return float(engine_() >> 8) * (1.0f / 16777216.0f); }

  private:
    std::mt19937 engine_{1};
};

} // namespace kazuroi
