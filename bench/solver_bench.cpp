// How long the level rating takes: every digit string, each one alone, and the two full searches.
#include "game/form1.h"
#include "game/solver/level_rating.h"
#include "headless/headless_platform.h"

#include <benchmark/benchmark.h>

namespace {

kazuroi::OrderingTable builtOrderings() {
    kazuroi::HeadlessPlatform platform{[](const std::string&) {}};
    kazuroi::Form1 form{platform};
    form.sub順列作成();
    return form.Orderings;
}

kazuroi::Digits digitsOf(int n) {
    return {std::int16_t(n / 1000), std::int16_t(n / 100 % 10), std::int16_t(n / 10 % 10),
            std::int16_t(n % 10)};
}

// What kazuroi-levels and the script driver do.
void RateAllDigitStrings(benchmark::State& state) {
    const auto orderings = builtOrderings();
    for (auto _ : state)
        benchmark::DoNotOptimize(kazuroi::rateEveryDigitString(orderings));
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(RateAllDigitStrings)->Unit(benchmark::kMillisecond);

// What question setting does: one search per draw, nothing shared between them.
void RateEachDigitStringAlone(benchmark::State& state) {
    const auto orderings = builtOrderings();
    for (auto _ : state) {
        int sum = 0;
        for (int n = 0; n < 10000; ++n)
            sum += kazuroi::rateDigits(digitsOf(n), orderings);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(RateEachDigitStringAlone)->Unit(benchmark::kMillisecond);

void RateOne(benchmark::State& state) {
    const auto orderings = builtOrderings();
    const auto digits = digitsOf(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(kazuroi::rateDigits(digits, orderings));
}
// 9646 is a special set (level 6); 3488 can make no 10 (-1), the full search.
BENCHMARK(RateOne)->Arg(9646)->Arg(3488)->Unit(benchmark::kNanosecond);

} // namespace
