// Whole runs of the calculation driver: "pi_data.txt" byte for byte against
// MPFR's digits of pi at several sizes and work-area lengths, the progress
// log, the sizing of the work area, and every way a run can end early (stop,
// memory, non-convergence, wrong digits, failing disk) leaving no work file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <vector>

#include "driver/pi_computation.h"
#include "driver/progress_lines.h"
#include "driver/work_area_sizing.h"
#include "driver/work_fingerprint.h"
#include "mpfr_pi_digits.h"
#include "pi_data_layout.h"
#include "support/fake_host.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

using test::FakeHost;
using test::ScratchDirectory;
using Names = std::vector<std::string>;

// The correct "pi_data.txt" of 2^p digits: MPFR's digits laid out by the
// digest tool's own layout, written apart from the program's output code.
std::string correctPiData(std::int32_t p)
{
    const std::string digits = tools::piDigitsFromMpfr(std::size_t{1} << p);
    return tools::piDataText(digits[0], std::string_view(digits).substr(1));
}

std::string fileText(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Outcome {
    int result = -1;
    RunSummary summary;
    double seconds = 0.0;
};

Outcome runPi(Host& host, std::int32_t p)
{
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    const RunClock clock(host);
    outcome.result = runPiComputation(host, p, clock, outcome.summary);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

// A memory status whose budget is exactly a work area of `length` doubles.
MemoryStatus memoryFor(std::int32_t length)
{
    const std::uint64_t bytes = (static_cast<std::uint64_t>(length) + 5) * 8;
    return {5000000 + bytes, bytes};
}

// A fake host that also does something of its own after every block transfer.
class PumpHookHost : public FakeHost {
public:
    void pumpMessages() override
    {
        FakeHost::pumpMessages();
        if (hook) hook();
    }
    std::function<void()> hook;
};

// Writes `value` over word j (from 1) of a work file, if the file is that long.
void overwriteWord(const char* name, std::int64_t j, std::int32_t value)
{
    std::FILE* file = std::fopen(name, "r+b");
    if (file == nullptr) return;
    if (std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) >= j * 4) {
        std::fseek(file, static_cast<long>((j - 1) * 4), SEEK_SET);
        std::fwrite(&value, sizeof value, 1, file);
    }
    std::fclose(file);
}

bool exists(const char* name) { return std::filesystem::exists(name); }

// ---------------------------------------------------------------------------

TEST(WorkAreaSizing, BudgetAndHalving)
{
    // Total less 5000000, or the available memory when that is larger.
    EXPECT_EQ(memoryBudget({24ull << 30, 20ull << 30}), (24ull << 30) - 5000000);
    EXPECT_EQ(memoryBudget({1000000000, 1500000000}), 1500000000u);
    EXPECT_EQ(memoryBudget({3000000, 1000000}), 1000000u);

    const SizeParameters k16 = SizeParameters::forExponent(14);
    EXPECT_EQ(workAreaLengthFor(k16, 24ull << 30), 16384);
    EXPECT_EQ(workAreaLengthFor(k16, 131112), 16384);
    EXPECT_EQ(workAreaLengthFor(k16, 131111), 8192);
    // Four blocks of 512 words is the least the out-of-core products can use.
    EXPECT_EQ(workAreaLengthFor(k16, 16424), 2048);
    EXPECT_EQ(workAreaLengthFor(k16, 16423), 0);

    const SizeParameters m32 = SizeParameters::forExponent(25);
    EXPECT_EQ(workAreaLengthFor(m32, 100000000), 8388608);
    // Budgets past 4 GiB do not wrap.
    EXPECT_EQ(workAreaLengthFor(m32, memoryBudget({6ull << 30, 5ull << 30})), 33554432);
    EXPECT_EQ(workAreaLengthFor(m32, 65541 * 8), 65536);
}

TEST(WorkAreaSizing, AShortenedAreaTakesTheRoomTheBudgetLeaves)
{
    const SizeParameters m8 = SizeParameters::forExponent(23);
    // --memory 16M at 8M: an area of 2^20 doubles and room for as many again
    // (its five spare doubles among them).
    const std::int32_t length = workAreaLengthFor(m8, 16ull << 20);
    EXPECT_EQ(length, 1 << 20);
    EXPECT_EQ(workAreaRoomFor(m8, length, 16ull << 20), 1 << 20);
    // Never more than the area's own length, never past the budget.
    EXPECT_EQ(workAreaRoomFor(m8, length, 20ull << 20), 1 << 20);
    EXPECT_EQ(workAreaRoomFor(m8, length, (8ull << 20) + 800), 100);
    EXPECT_EQ(workAreaRoomFor(m8, length, 8ull << 20), 0);
    // The full area keeps every product in core: no room.
    EXPECT_EQ(workAreaRoomFor(m8, 8 << 20, 1ull << 40), 0);
}

TEST(WorkAreaSizing, TheProcessLimitsAndTheCapBoundTheBudget)
{
    MemoryStatus memory{24ull << 30, 20ull << 30, std::numeric_limits<std::uint64_t>::max()};
    const std::uint64_t noCap = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(limitedMemoryBudget(memory, noCap), memoryBudget(memory));
    EXPECT_EQ(limitedMemoryBudget(memory, 16ull << 20), 16ull << 20);
    // The headroom under ulimit -v or a control group, less what the run needs
    // beside its area: the reserve, and a quarter of the area for the twiddle
    // table; a large area may take up to largeAreaOverheadBytes of address
    // space beyond its bytes.
    memory.processHeadroom = runReserveBytes + (100ull << 20);
    EXPECT_EQ(limitedMemoryBudget(memory, noCap), (80ull << 20) - largeAreaOverheadBytes);
    EXPECT_EQ(limitedMemoryBudget(memory, 16ull << 20), 16ull << 20);
    // Too little room for a large area and its overhead: an area below 2 MiB, which has none.
    memory.processHeadroom = runReserveBytes + largeAreaOverheadBytes + largeAreaBytes - 1;
    EXPECT_EQ(limitedMemoryBudget(memory, noCap), largeAreaBytes - 1);
    memory.processHeadroom = runReserveBytes + (1ull << 20);
    EXPECT_EQ(limitedMemoryBudget(memory, noCap), (1ull << 20) / 5 * 4);
    memory.processHeadroom = runReserveBytes - 1;
    EXPECT_EQ(limitedMemoryBudget(memory, noCap), 0u);
    // The physical figure still counts when it is the smallest.
    memory = {200000000, 1000, 1ull << 40};
    EXPECT_EQ(limitedMemoryBudget(memory, noCap), 195000000u);
}

TEST(WorkAreaSizing, AnAreaTheSystemRefusesIsHalvedUntilItIsGranted)
{
    // The host reports plenty, but the address space is limited to a little
    // more than it holds now: the 32 MiB a 4M run asks for cannot be had, a
    // quarter of it can.
    rlimit previous{};
    getrlimit(RLIMIT_AS, &previous);
    std::ifstream status("/proc/self/status");
    std::uint64_t sizeKib = 0;
    for (std::string key; status >> key;)
        if (key == "VmSize:") status >> sizeKib;
    ASSERT_GT(sizeKib, 0u);
    rlimit limit = previous;
    limit.rlim_cur = sizeKib * 1024 + (12ull << 20);
    ScratchDirectory dir;
    FakeHost host;
    host.stopAtPump = 1;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
    const Outcome run = runPi(host, 22);
    setrlimit(RLIMIT_AS, &previous);
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(host.errors.empty()) << host.errors.front().text;
    EXPECT_LT(run.summary.workAreaLength, 4194304);
    EXPECT_GE(run.summary.workAreaLength, 65536);
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(ProgressLines, ElapsedTimesAndMemoryFigures)
{
    EXPECT_EQ(elapsedTimeText(0), "  0시간 0분 0초");
    EXPECT_EQ(elapsedTimeText(3723004), "  1시간 2분 3초");
    EXPECT_EQ(elapsedTimeText(100 * 3600000 + 59 * 60000 + 59999), "100시간59분59초");
    // The tick counter wraps: 256 ms before the wrap to 256 ms after it.
    EXPECT_EQ(elapsedLine(0xFFFFFF00u, 0x100u, " x"), "  0시간 0분 0초 x");
    EXPECT_EQ(iterationDoneText(12), " 반복 12회 완료  \n");
    EXPECT_EQ(totalMemoryLine(131112), "  실제시스템메모리 →    131112 \n");
    EXPECT_EQ(availableMemoryLine(25769803776ull), "  사용가능한메모리 → 25769803776 \n");
    EXPECT_EQ(allocatedMemoryLine(131112), "  실제할당된메모리 →    131112 \n");
}

// ---------------------------------------------------------------------------
// Whole runs.

struct RunShape {
    std::int32_t p;
    std::int32_t workAreaLength; // 0: as much as the size asks for
};

std::ostream& operator<<(std::ostream& out, const RunShape& shape)
{
    return out << "p=" << shape.p << " b=" << shape.workAreaLength;
}

class WholeRun : public testing::TestWithParam<RunShape> {};

TEST_P(WholeRun, WritesTheDigitsOfPiAndLeavesNoWorkFile)
{
    const RunShape shape = GetParam();
    ScratchDirectory dir;
    FakeHost host;
    if (shape.workAreaLength != 0) host.memory = memoryFor(shape.workAreaLength);
    const Outcome run = runPi(host, shape.p);

    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(host.errors.empty()) << host.errors.front().text;
    EXPECT_EQ(dir.fileNames(), Names{"pi_data.txt"});
    const std::string correct = correctPiData(shape.p);
    const std::string written = fileText("pi_data.txt");
    EXPECT_EQ(written.size(), correct.size());
    EXPECT_TRUE(written == correct) << "first difference at byte "
                                    << std::mismatch(written.begin(), written.end(), correct.begin(),
                                                     correct.end()).first - written.begin();
    EXPECT_TRUE(run.summary.digitsVerified);
    const std::int32_t expectedLength = shape.workAreaLength != 0 ? shape.workAreaLength : 8 << (shape.p - 3);
    EXPECT_EQ(run.summary.workAreaLength, expectedLength);
    EXPECT_GT(run.summary.iterations, 0);
    EXPECT_GT(run.summary.largestRoundingDistance, 0.0);
    EXPECT_LT(run.summary.largestRoundingDistance, 0.25);
    RecordProperty("seconds", std::to_string(run.seconds));
    RecordProperty("largestRoundingDistance", std::to_string(run.summary.largestRoundingDistance));
}

TEST(WholeRun, SixteenKFileHasItsDocumentedSize)
{
    EXPECT_EQ(correctPiData(14).size(), 18392u);
}

INSTANTIATE_TEST_SUITE_P(InCore, WholeRun,
                         testing::Values(RunShape{14, 0}, RunShape{15, 0}, RunShape{16, 0}, RunShape{17, 0},
                                         RunShape{18, 0}, RunShape{20, 0}));

// Small budgets: the longer products go out of core, in every size class,
// down to the smallest usable work area of four blocks.
INSTANTIATE_TEST_SUITE_P(SmallMemory, WholeRun,
                         testing::Values(RunShape{14, 8192}, RunShape{14, 4096}, RunShape{14, 2048},
                                         RunShape{15, 16384}, RunShape{15, 4096}, RunShape{16, 8192},
                                         RunShape{17, 16384}, RunShape{18, 32768}, RunShape{20, 262144},
                                         RunShape{20, 65536}));

// The same out-of-core run with room beyond its work area (the products keep
// a spectrum there, sweep through the stores, multiply single blocks in one
// go) and without: the same arithmetic value for value, the work
// fingerprint of 1M with a work area of 2^16 doubles, and a fifth fewer
// blocks read.
TEST(WholeRun, RoomBeyondTheWorkAreaChangesNoValue)
{
    constexpr std::int32_t length = 65536;
    constexpr std::uint64_t fingerprint = 0x8229974aff228df0;
    std::optional<Outcome> runs[2];
    for (const bool room : {false, true}) {
        ScratchDirectory dir;
        FakeHost host;
        host.memory = memoryFor(room ? 2 * length - 5 : length);
        runs[room] = runPi(host, 20);
        const Outcome& run = *runs[room];
        EXPECT_EQ(run.result, 0) << "room " << room;
        EXPECT_TRUE(run.summary.digitsVerified) << "room " << room;
        EXPECT_EQ(run.summary.workAreaLength, length);
        EXPECT_EQ(run.summary.workAreaBytes, (room ? 2u * length : length + 5u) * 8) << "room " << room;
        EXPECT_EQ(run.summary.workFingerprint, fingerprint)
            << "room " << room << ": " << workFingerprintText(run.summary.workFingerprint);
        EXPECT_EQ(dir.fileNames(), Names{"pi_data.txt"});
    }
    EXPECT_LT(runs[1]->summary.transfers.blocksRead, runs[0]->summary.transfers.blocksRead * 4 / 5);
}

// ---------------------------------------------------------------------------
// The log.

TEST(RunLog, LinesInOrderAndFormat)
{
    ScratchDirectory dir;
    FakeHost host;
    host.tickStep = 3723004; // 1 hour 2 minutes 3.004 seconds per progress line
    const Outcome run = runPi(host, 14);
    ASSERT_EQ(run.result, 0);

    const std::int32_t k = run.summary.iterations;
    ASSERT_EQ(host.log.size(), static_cast<std::size_t>(4 + k));
    EXPECT_EQ(host.log[0], "  실제시스템메모리 → 25769803776 \n");
    EXPECT_EQ(host.log[1], "  사용가능한메모리 → 21474836480 \n");
    EXPECT_EQ(host.log[2], "  실제할당된메모리 →    131112 \n");
    EXPECT_EQ(host.log[3], "  1시간 2분 3초 기본연산완료              \n");
    EXPECT_EQ(host.log[4], "  2시간 4분 6초 반복 1회 완료  \n");
    for (std::int32_t i = 1; i <= k; ++i) {
        const std::int32_t ms = 3723004 * (i + 1);
        char line[96];
        std::snprintf(line, sizeof line, "%3d시간%2d분%2d초 반복 %d회 완료  \n", ms / 3600000, (ms / 60000) % 60,
                      (ms % 60000) / 1000, i);
        EXPECT_EQ(host.log[static_cast<std::size_t>(3 + i)], line);
    }
    // As the start line of the shell announces: p - 1 iterations.
    EXPECT_EQ(k, 13);
}

TEST(RunLog, TheSevenWorkFilesExistFromTheFirstTransfer)
{
    ScratchDirectory dir;
    PumpHookHost host;
    Names atFirstTransfer;
    host.hook = [&] {
        if (host.pumps == 1) atFirstTransfer = dir.fileNames();
    };
    EXPECT_EQ(runPi(host, 14).result, 0);
    EXPECT_EQ(atFirstTransfer, (Names{"ia.dat", "ib.dat", "it.dat", "iv.dat", "iw.dat", "ix.dat", "iy.dat"}));
}

// ---------------------------------------------------------------------------
// Ways out.

TEST(RunEnd, MemoryThatCannotBeHadCreatesNoFile)
{
    ScratchDirectory dir;
    FakeHost host;
    host.memory = {1000, 1000};
    const Outcome run = runPi(host, 14);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].text, "メモリが確保できませんでした");
    EXPECT_EQ(host.errors[0].caption, "");
    EXPECT_EQ(host.log, Names{"  실제시스템메모리 →      1000 \n"});
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(RunEnd, SizesOutsideTheTableAreRefused)
{
    ScratchDirectory dir;
    FakeHost host;
    EXPECT_EQ(runPi(host, 13).result, 1);
    EXPECT_EQ(runPi(host, 26).result, 1);
    ASSERT_EQ(host.errors.size(), 2u);
    EXPECT_EQ(host.errors[0].caption, "ERROR");
    EXPECT_TRUE(host.log.empty());
    EXPECT_TRUE(dir.fileNames().empty());
}

// Stops at a spread of block transfers of a 64K run, from the first to the
// last read of the output, with the products in core and out of core.
void stopAtManyTransfers(std::int32_t workAreaLength)
{
    const std::int32_t p = 16;
    std::uint64_t transfers = 0;
    {
        ScratchDirectory dir;
        FakeHost host;
        if (workAreaLength != 0) host.memory = memoryFor(workAreaLength);
        ASSERT_EQ(runPi(host, p).result, 0);
        transfers = host.pumps;
    }
    // The last five transfers are the reads of the output (four blocks of
    // digits and the block of guard words); then one more look for a stop.
    const std::uint64_t outputStart = transfers - 5;
    std::vector<std::uint64_t> stops{1, 2, 3, 5, 8, 13, outputStart - 1, outputStart, outputStart + 2, transfers};
    for (std::uint64_t j = 21; j < outputStart - 1; j = j * 8 / 5) stops.push_back(j);
    for (const std::uint64_t j : stops) {
        SCOPED_TRACE("stop at transfer " + std::to_string(j) + " of " + std::to_string(transfers));
        ScratchDirectory dir;
        FakeHost host;
        if (workAreaLength != 0) host.memory = memoryFor(workAreaLength);
        host.stopAtPump = j;
        const Outcome run = runPi(host, p);
        EXPECT_EQ(run.result, 1);
        EXPECT_TRUE(host.errors.empty());
        EXPECT_FALSE(run.summary.digitsVerified);
        // Nothing is left, not even the digits written before the stop; the
        // last stop comes after the last transfer, once the digits are checked.
        EXPECT_TRUE(dir.fileNames().empty());
    }
}

TEST(RunEnd, StopsAtAnyTransferLeaveNoWorkFile) { stopAtManyTransfers(0); }

TEST(RunEnd, StopsAtAnyTransferOfAnOutOfCoreRunLeaveNoWorkFile) { stopAtManyTransfers(8192); }

TEST(RunEnd, MeansThatNeverAgreeEndWithTheMainMessage)
{
    // Word 513 of a changes at every transfer, so a and b never agree in
    // more than 512 of the 2048 words: the loop runs out of its 14 iterations.
    ScratchDirectory dir;
    PumpHookHost host;
    host.hook = [&host] { overwriteWord("ia.dat", 513, static_cast<std::int32_t>(host.pumps % 100000000)); };
    const Outcome run = runPi(host, 14);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].text, "not convergent in main.");
    EXPECT_EQ(host.errors[0].caption, "ERROR");
    EXPECT_EQ(run.summary.iterations, 14);
    EXPECT_EQ(host.log.size(), 4u + 14u);
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(RunEnd, AnIterateThatNeverSettlesEndsWithTheNewtonMessage)
{
    // Word 3 of the Newton iterate V changes at every transfer, so 1/sqrt(2)
    // never agrees with its previous approximation beyond two words.
    ScratchDirectory dir;
    PumpHookHost host;
    host.hook = [&host] { overwriteWord("iv.dat", 3, static_cast<std::int32_t>(host.pumps % 100000000)); };
    const Outcome run = runPi(host, 14);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].text, "NOT CONVERGENT IN SQR05");
    EXPECT_EQ(host.errors[0].caption, "ERROR");
    EXPECT_EQ(host.log.size(), 3u);
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(RunEnd, AnInexactTransformEndsWithTheRoundingMessage)
{
    // Out of core, block spectra pass through the work file of Y: a NaN
    // planted there at every transfer reaches an inverse transform.
    ScratchDirectory dir;
    PumpHookHost host;
    host.memory = memoryFor(4096);
    host.hook = [] { overwriteWord("iy.dat", 1, -1); overwriteWord("iy.dat", 2, -1); };
    const Outcome run = runPi(host, 14);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].text, "NOT EXACT IN ROUND");
    EXPECT_EQ(host.errors[0].caption, "ERROR");
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(RunEnd, WrongDigitsAreReportedAndNotVerified)
{
    // Once the output has begun (every work file but "ia.dat" is gone), a
    // word of the second block of pi is spoilt before it is read.
    ScratchDirectory dir;
    PumpHookHost host;
    host.hook = [] {
        if (!exists("ib.dat") && exists("ia.dat")) overwriteWord("ia.dat", 600, 0);
    };
    const Outcome run = runPi(host, 14);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].text.find("pi_data.txt"), std::string::npos);
    EXPECT_EQ(host.errors[0].caption, "ERROR");
    EXPECT_FALSE(run.summary.digitsVerified);
    EXPECT_TRUE(dir.fileNames().empty());
}

// Runs with the size of any file this process writes limited to `bytes`.
Outcome runWithFileSizeLimit(FakeHost& host, std::int32_t p, rlim_t bytes)
{
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = bytes;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const Outcome run = runPi(host, p);
    setrlimit(RLIMIT_FSIZE, &previous);
    return run;
}

TEST(RunEnd, AFullDiskEndsTheRunWithTheFileAndTheReason)
{
    // At 16K a work file takes 10240 bytes: the fifth block of "ia.dat"
    // cannot be written.
    ScratchDirectory dir;
    FakeHost host;
    const Outcome run = runWithFileSizeLimit(host, 14, 8192);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].text.find("cannot write ia.dat"), std::string::npos) << host.errors[0].text;
    EXPECT_EQ(host.errors[0].caption, "ERROR");
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(RunEnd, AFullDiskUnderTheSpectrumStoresEndsTheRun)
{
    // Out of core the stores of X and Y grow past the 10240 bytes of a
    // zeroed work file.
    ScratchDirectory dir;
    FakeHost host;
    host.memory = memoryFor(2048);
    const Outcome run = runWithFileSizeLimit(host, 14, 12288);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    const std::string& text = host.errors[0].text;
    EXPECT_TRUE(text.find("cannot write ix.dat") != std::string::npos ||
                text.find("cannot write iy.dat") != std::string::npos) << text;
    EXPECT_EQ(host.errors[0].caption, "ERROR");
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(RunEnd, AFailedWriteOfTheDigitsIsAFailedRun)
{
    // The work files fit in 16384 bytes, the 18392 bytes of digits do not.
    ScratchDirectory dir;
    FakeHost host;
    const Outcome run = runWithFileSizeLimit(host, 14, 16384);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].text.find("pi_data.txt"), std::string::npos) << host.errors[0].text;
    EXPECT_EQ(host.errors[0].caption, "ERROR");
    EXPECT_FALSE(run.summary.digitsVerified);
    EXPECT_TRUE(dir.fileNames().empty());
}

TEST(RunEnd, APreviousResultStaysUntilTheNewDigitsAreChecked)
{
    // A failed run, a stopped one and one with wrong digits each leave the
    // previous "pi_data.txt" as it was; a good run replaces it.
    ScratchDirectory dir;
    std::ofstream("pi_data.txt") << "the digits of an earlier run";
    {
        FakeHost host;
        EXPECT_EQ(runWithFileSizeLimit(host, 14, 16384).result, 1);
    }
    {
        FakeHost host;
        host.stopAtPump = 500;
        EXPECT_EQ(runPi(host, 14).result, 1);
    }
    {
        PumpHookHost host;
        host.hook = [] {
            if (!exists("ib.dat") && exists("ia.dat")) overwriteWord("ia.dat", 600, 0);
        };
        EXPECT_EQ(runPi(host, 14).result, 1);
    }
    EXPECT_EQ(fileText("pi_data.txt"), "the digits of an earlier run");
    EXPECT_EQ(dir.fileNames(), Names{"pi_data.txt"});
    FakeHost host;
    EXPECT_EQ(runPi(host, 14).result, 0);
    EXPECT_EQ(fileText("pi_data.txt"), correctPiData(14));
}

TEST(RunEnd, AFailureIsShownOnlyAfterTheFilesAreGone)
{
    class WatchingHost : public FakeHost {
    public:
        void showError(std::string_view text, std::string_view caption) override
        {
            FakeHost::showError(text, caption);
            filesAtMessage = dir->fileNames();
        }
        const ScratchDirectory* dir = nullptr;
        Names filesAtMessage{"not shown"};
    };
    ScratchDirectory dir;
    WatchingHost host;
    host.dir = &dir;
    EXPECT_EQ(runWithFileSizeLimit(host, 14, 8192).result, 1);
    EXPECT_TRUE(host.filesAtMessage.empty());
}

} // namespace
} // namespace calvorn
