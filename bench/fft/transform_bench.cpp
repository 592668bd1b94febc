// Time of one forward plus one inverse transform, per element of the array,
// at the lengths the products use.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "fft/real_fft.h"

namespace {

void forwardAndInverse(benchmark::State& state)
{
    const auto k = static_cast<std::int32_t>(state.range(0));
    const std::size_t n = std::size_t{1} << k;
    std::vector<double> x(n, 0.0);
    std::mt19937_64 random(k);
    for (std::size_t i = 0; i < n / 2; ++i) x[i] = static_cast<double>(random() % 10000);

    // The inverse gives back the lower half (to rounding), so the array can
    // go round again without being reloaded.
    for (auto _ : state) {
        calvorn::realFftForward(k, x);
        calvorn::realFftInverse(k, x);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    // Seconds per element of one forward plus one inverse (shown as e.g. "12.3ns").
    state.counters["per_element"] = benchmark::Counter(
        static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(forwardAndInverse)->Arg(12)->Arg(16)->Arg(20)->Arg(22)->Arg(24)->Unit(benchmark::kMillisecond);

} // namespace
