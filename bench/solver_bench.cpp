// How long the level rating takes: every digit string, and the two full searches.
#include "app/form1.h"
#include "app/headless/headless_platform.h"

#include <benchmark/benchmark.h>

namespace {

struct Rated {
    kazuroi::HeadlessPlatform platform{[](const std::string&) {}};
    kazuroi::Form1 form{platform};
    Rated() { form.sub順列作成(); }
    void digits(int n) {
        form.SlotValues[0] = std::int16_t(n / 1000);
        form.SlotValues[1] = std::int16_t(n / 100 % 10);
        form.SlotValues[2] = std::int16_t(n / 10 % 10);
        form.SlotValues[3] = std::int16_t(n % 10);
    }
};

void RateAllDigitStrings(benchmark::State& state) {
    Rated r;
    for (auto _ : state) {
        int sum = 0;
        for (int n = 0; n < 10000; ++n) {
            r.digits(n);
            sum += r.form.fncレベル判定();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(RateAllDigitStrings)->Unit(benchmark::kMillisecond);

void RateOne(benchmark::State& state) {
    Rated r;
    r.digits(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(r.form.fncレベル判定());
}
// 9646 is a special set (level 6); 3488 can make no 10 (-1), the full search.
BENCHMARK(RateOne)->Arg(9646)->Arg(3488)->Unit(benchmark::kNanosecond);

} // namespace
