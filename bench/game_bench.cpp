// Setting one question per stage, one tick of the time limit, one operator press.
#include "game/form1.h"
#include "headless/headless_platform.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

struct Game {
    kazuroi::HeadlessPlatform platform{[](const std::string&) {}};
    kazuroi::Form1 form{platform};
    Game() { form.Form_Load(); }
};

// Mean over the run, and the worst single question (reported as a counter), over 10,000 seeded
// questions of one stage.
void SetQuestion(benchmark::State& state) {
    Game g;
    g.form.StageIndex = std::int16_t(state.range(0));
    double worst = 0;
    std::uint32_t seed = 0;
    for (auto _ : state) {
        g.platform.setSeed(++seed);
        const auto start = std::chrono::steady_clock::now();
        g.form.cmd出題_Click();
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - start;
        worst = std::max(worst, took.count());
    }
    state.counters["worst_us"] = worst;
}
BENCHMARK(SetQuestion)->DenseRange(0, 5)->Iterations(10000)->Unit(benchmark::kMicrosecond);

void TimeLimitTick(benchmark::State& state) {
    Game g;
    g.form.StageIndex = 2;
    g.form.cmd出題_Click();
    for (auto _ : state) {
        // Keep the clock from running out so every tick does the ordinary work.
        g.form.TimeLeft = 1000;
        g.form.tim制限時間タイマ_Timer();
    }
}
BENCHMARK(TimeLimitTick)->Unit(benchmark::kNanosecond);

void OperatorPress(benchmark::State& state) {
    Game g;
    for (auto _ : state) {
        state.PauseTiming();
        g.form.subやり直し();
        g.form.cmd数字_MouseDown(0, 1, 0, 0, 0);
        g.form.cmd数字_MouseDown(1, 1, 0, 0, 0);
        state.ResumeTiming();
        g.form.cmd加算_MouseDown(1, 0, 0, 0);
    }
}
BENCHMARK(OperatorPress)->Unit(benchmark::kNanosecond);

} // namespace
