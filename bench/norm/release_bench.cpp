// The carry release of a product's rounded sums (releaseWords) with the sums
// in the nearest caches and with the caches flushed before each round: if
// both take the same time per word, the release is bound by its carry chain,
// not by reading the array, and releasing the words inside the inverse
// transform's last pass (which would save only that reading) cannot gain.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include <algorithm>
#include <span>

#include "norm/digit_split.h"
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

namespace {

// The digit split of the loader: a block of 2^14 words (one work-file block,
// in cache) into its place in a transform array of the given length, all of
// the array's lower half block after block, as a product's load does. The
// array's lines come from memory once its length passes the caches; if the
// time per word stays as with a short array, loading the digits inside the
// first forward pass (which would save only writing and reading them again)
// cannot gain much.
void splitIntoArray(benchmark::State& state)
{
    const auto words = static_cast<std::size_t>(state.range(0));
    constexpr std::size_t block = std::size_t{1} << 14;
    std::vector<std::int32_t> blockWords(block);
    std::mt19937_64 random(7);
    for (std::int32_t& w : blockWords) w = static_cast<std::int32_t>(random() % 100000000);
    std::vector<double> array(4 * words);
    for (auto _ : state) {
        for (std::size_t start = 0; start < words; start += block) {
            const std::size_t count = std::min(block, words - start);
            calvorn::splitWords(std::span<const std::int32_t>(blockWords.data(), count),
                                std::span<double>(array).subspan(2 * start, 2 * count));
        }
        benchmark::ClobberMemory();
    }
    state.counters["per_word"] = benchmark::Counter(static_cast<double>(words),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

// 2^12 words: an array of 128 KiB; 2^19: 16 MiB, a whole product's at 4M.
BENCHMARK(splitIntoArray)->Arg(1 << 12)->Arg(1 << 19)->Unit(benchmark::kMicrosecond);

} // namespace
