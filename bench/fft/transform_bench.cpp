// Time of one forward plus one inverse transform, per element of the array,
// at the lengths the products use: through the drivers (the fastest lane path
// of this machine) in natural and in the products' spectrum order, and on
// each lane path this machine can run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "fft/lane_paths.h"
#include "fft/real_fft.h"

namespace {

std::vector<double> randomDigits(std::int32_t k)
{
    const std::size_t n = std::size_t{1} << k;
    std::vector<double> x(n, 0.0);
    std::mt19937_64 random(static_cast<std::uint64_t>(k));
    for (std::size_t i = 0; i < n / 2; ++i) x[i] = static_cast<double>(random() % 10000);
    return x;
}

// Seconds per element of one forward plus one inverse (shown as e.g. "12.3ns").
void countPerElement(benchmark::State& state, std::size_t n)
{
    state.counters["per_element"] = benchmark::Counter(
        static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void forwardAndInverse(benchmark::State& state)
{
    const auto k = static_cast<std::int32_t>(state.range(0));
    std::vector<double> x = randomDigits(k);
    calvorn::fft::TransformPlans plans;
    const calvorn::fft::TransformPlan& plan = plans.forLength(k);
    // The inverse gives back the lower half (to rounding), so the array can
    // go round again without being reloaded.
    for (auto _ : state) {
        calvorn::realFftForward(plan, x);
        calvorn::realFftInverse(plan, x);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    countPerElement(state, x.size());
}

BENCHMARK(forwardAndInverse)->Arg(12)->Arg(16)->Arg(20)->Arg(22)->Arg(24)->Unit(benchmark::kMillisecond);

// The same with the spectrum in the products' order, as every product uses
// the transforms: no exchange of pairs in bit-reversed order.
void productForwardAndInverse(benchmark::State& state)
{
    const auto k = static_cast<std::int32_t>(state.range(0));
    std::vector<double> x = randomDigits(k);
    calvorn::fft::TransformPlans plans;
    const calvorn::fft::TransformPlan& plan = plans.forLength(k);
    for (auto _ : state) {
        calvorn::productFftForward(plan, x);
        calvorn::productFftInverse(plan, x);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    countPerElement(state, x.size());
}

BENCHMARK(productForwardAndInverse)->Arg(16)->Arg(20)->Arg(22)->Arg(24)->Unit(benchmark::kMillisecond);

// A square as the in-core products form it: forward, the element-wise square
// and inverse in one descent of the pass tree. The digits are reloaded each
// round (the square of the round before would grow without bound); the load
// is timed too, as in a product.
void productSquareInOneDescent(benchmark::State& state)
{
    const auto k = static_cast<std::int32_t>(state.range(0));
    const std::vector<double> digits = randomDigits(k);
    std::vector<double> x = digits;
    calvorn::fft::TransformPlans plans;
    const calvorn::fft::TransformPlan& plan = plans.forLength(k);
    for (auto _ : state) {
        std::copy(digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(digits.size() / 2), x.begin());
        calvorn::productFftSquare(plan, x);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    countPerElement(state, x.size());
}

BENCHMARK(productSquareInOneDescent)->Arg(16)->Arg(20)->Arg(22)->Arg(24)->Unit(benchmark::kMillisecond);

// Arguments: the lane path (0 one lane, 1 two, 2 four, 3 eight, 4 eight lowered
// to the baseline instruction set) and k.
void forwardAndInverseOnPath(benchmark::State& state)
{
    const auto path = static_cast<calvorn::fft::LanePath>(state.range(0));
    const auto k = static_cast<std::int32_t>(state.range(1));
    if (!calvorn::fft::lanePathUsable(path)) {
        state.SkipWithError("this processor cannot run the lane path");
        return;
    }
    std::vector<double> x = randomDigits(k);
    calvorn::fft::TransformPlans plans(path);
    const calvorn::fft::TransformPlan& plan = plans.forLength(k);
    for (auto _ : state) {
        calvorn::fft::forwardTransform(plan, path, x);
        calvorn::fft::inverseTransform(plan, path, x);
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    countPerElement(state, x.size());
}

BENCHMARK(forwardAndInverseOnPath)->ArgsProduct({{0, 1, 2, 3, 4}, {12, 16, 20, 22}})->Unit(benchmark::kMillisecond);

} // namespace
