// Time and file traffic of multiplyNumbers for a whole product (mode 0) and a
// whole square (mode 2), in core (a work area of 8n doubles) and forced out
// of core by smaller work areas, with the block length of a real run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <utility>
#include <string>
#include <unistd.h>

#include "mul/multiply_numbers.h"
#include "storage/block_transfer.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace {

using namespace calvorn;

// A host that lets the products run undisturbed.
class QuietHost : public Host {
public:
    std::uint32_t tickCount() override { return 0; }
    MemoryStatus memoryStatus() override { return {}; }
    void pumpMessages() override {}
    bool stopRequested() const override { return false; }
    void setStopRequested(bool) override {}
    void showError(std::string_view, std::string_view) override {}
    void appendLog(std::string_view) override {}
};

// The work files of one benchmark in a directory of their own, removed after.
class BenchFiles {
public:
    BenchFiles()
        : dir_(std::filesystem::temp_directory_path() / ("calvorn-mul-bench-" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(dir_);
    }
    ~BenchFiles() { std::filesystem::remove_all(dir_); }
    BenchFiles(const BenchFiles&) = delete;
    BenchFiles& operator=(const BenchFiles&) = delete;
    std::string path(const char* name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

// Words 1 .. n+2 (and the rest of their last block) random below 10^8.
void fillRandom(RunContext& run, StoredNumber& number, std::int32_t n, std::uint64_t seed)
{
    std::mt19937_64 random(seed);
    const std::int32_t w = run.size.blockWords;
    for (std::int32_t block = 1; block <= (n + 1) / w + 1; ++block) {
        for (std::int32_t i = 0; i < w; ++i) run.firstBlockBuffer[i] = static_cast<std::int32_t>(random() % 100000000);
        writeBlock(run, number, block, run.firstBlockBuffer);
    }
}

// state.range(0): log2 n; range(1): log2 of the work-area length; range(2):
// mode; range(3): how an out-of-core product forms its pieces (0 as it
// chooses, 1 one by one, 2 one by one with a spectrum in the room, 3 in one
// sweep), with room beyond the work area for another b doubles (none with 1).
void multiply(benchmark::State& state)
{
    const auto n = static_cast<std::int32_t>(std::int64_t{1} << state.range(0));
    const auto b = static_cast<std::int32_t>(std::int64_t{1} << state.range(1));
    const auto mode = static_cast<std::int32_t>(state.range(2));
    const auto forming = static_cast<PieceForming>(state.range(3));
    // The block length of a run of n words.
    const std::int32_t blockWords = n / 4 > largestBlockWords ? largestBlockWords : n / 4;

    QuietHost host;
    BenchFiles files;
    auto run = std::make_unique<RunContext>(host, SizeParameters::withBlockWords(n, blockWords));
    StoredNumber x(files.path("ia.dat")), y(files.path("ib.dat")), z(files.path("it.dat"));
    StoredNumber storeX(files.path("ix.dat")), storeY(files.path("iy.dat"));
    run->spectrumStoreX = &storeX;
    run->spectrumStoreY = &storeY;
    run->pieceForming = forming;
    if (!run->workArea.allocate(b, forming == PieceForming::oneByOne ? 0 : b)) {
        state.SkipWithError("work area not allocated");
        return;
    }
    fillRandom(*run, x, n, 1);
    fillRandom(*run, y, n, 2);
    fillRandom(*run, z, n, 3);

    const TransferCounts before = run->transfers;
    for (auto _ : state) multiplyNumbers(*run, x, y, z, n, mode);

    const double iterations = static_cast<double>(state.iterations());
    const double read = static_cast<double>(run->transfers.blocksRead - before.blocksRead) / iterations;
    const double written = static_cast<double>(run->transfers.blocksWritten - before.blocksWritten) / iterations;
    state.counters["blocks_read"] = read;
    state.counters["blocks_written"] = written;
    state.counters["MB_moved"] = (read + written) * run->size.blockBytes / 1e6;
    state.counters["blocks_K"] = n >= b / 4 ? static_cast<double>(n / (b / 4)) : 0.0;
}

// n = 2^17 and 2^19 words; work areas of 8n (in core), n, and 2^16 doubles
// (the smallest that blocks of 16384 words allow), as each product chooses.
void sizes(benchmark::internal::Benchmark* bench)
{
    for (const std::int64_t log2n : {17, 19})
        for (const std::int64_t mode : {0, 2})
            for (const std::int64_t log2b : {log2n + 3, log2n, std::int64_t{16}})
                bench->Args({log2n, log2b, mode, 0});
}

// The products of an 8M run with a 16 MiB cap (n = 2^20, b = 2^20: four
// blocks) and of a 32M run with a 32 MiB cap (n = 2^22, b = 2^21: eight), a
// whole product and a square, every way of forming the pieces.
void formings(benchmark::internal::Benchmark* bench)
{
    for (const auto& [log2n, log2b] : {std::pair<std::int64_t, std::int64_t>{20, 20}, {22, 21}}) {
        for (const std::int64_t mode : {0, 2}) {
            bench->Args({log2n, log2n + 3, mode, 1});  // in core, for comparison
            for (const std::int64_t forming : {1, 2, 3}) bench->Args({log2n, log2b, mode, forming});
        }
    }
}

BENCHMARK(multiply)->ArgNames({"log2n", "log2b", "mode", "forming"})->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(multiply)
    ->Name("pieces")
    ->ArgNames({"log2n", "log2b", "mode", "forming"})
    ->Apply(formings)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

} // namespace
