// The carry release of a product's rounded sums (releaseWords) with the sums
// in the nearest caches and with the caches flushed before each round: if
// both take the same time per word, the release is bound by its carry chain,
// not by reading the array, and releasing the words inside the inverse
// transform's last pass (which would save only that reading) cannot gain.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "norm/word_release.h"

namespace {

// Sums as a product of that many words leaves them: whole numbers up to about
// 10^8 times the words, so every word carries into the next.
std::vector<double> productSums(std::size_t words)
{
    std::vector<double> e(2 * words + 8);
    std::mt19937_64 random(words);
    const std::uint64_t largest = 100000000ull * words;
    for (double& v : e) v = static_cast<double>(random() % largest);
    return e;
}

void releaseWarm(benchmark::State& state)
{
    const auto words = static_cast<std::size_t>(state.range(0));
    const std::vector<double> e = productSums(words);
    std::vector<std::int32_t> slots(words - 2);
    for (auto _ : state) benchmark::DoNotOptimize(calvorn::releaseWords(e, 2, slots, 0.0));
    state.counters["per_word"] = benchmark::Counter(static_cast<double>(words),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void releaseCold(benchmark::State& state)
{
    const auto words = static_cast<std::size_t>(state.range(0));
    const std::vector<double> e = productSums(words);
    std::vector<std::int32_t> slots(words - 2);
    std::vector<double> flush(std::size_t{64} << 17); // 64 MiB, past every cache
    for (auto _ : state) {
        state.PauseTiming();
        for (double& v : flush) v += 1.0;
        benchmark::ClobberMemory();
        state.ResumeTiming();
        benchmark::DoNotOptimize(calvorn::releaseWords(e, 2, slots, 0.0));
    }
    state.counters["per_word"] = benchmark::Counter(static_cast<double>(words),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

// 2^12 words: 64 KiB of sums, in the level-2 cache; 2^20: 16 MiB, as at 4M.
BENCHMARK(releaseWarm)->Arg(1 << 12)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
// Each round flushes 64 MiB first: a fixed number of rounds.
BENCHMARK(releaseCold)->Arg(1 << 12)->Arg(1 << 20)->Iterations(40)->Unit(benchmark::kMicrosecond);

} // namespace
