// Every product mode through multiplyNumbers at every size class: the same
// length meets work areas from eight times its size down to the smallest
// one its blocks allow, so each mode runs in core and out of core with one,
// two and many blocks, against the GMP oracles of both kinds of product.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "mul/multiply_numbers.h"
#include "mul/out_of_core_rig.h"
#include "mul/out_of_core_oracle.h"
#include "mul/product_checks.h"
#include "storage/run_errors.h"

namespace calvorn {
namespace {

using test::Words;

constexpr std::uint64_t seed = 44001;

enum class SizeClass { s1, s2, s3, s4 };

SizeClass sizeClassOf(std::int32_t n, std::int32_t b)
{
    if (n < b / 4) return SizeClass::s1;
    if (n < b / 2) return SizeClass::s2;
    if (n < b) return SizeClass::s3;
    return SizeClass::s4;
}

bool isWholeProduct(std::int32_t mode) { return mode == 0 || mode == 4 || mode == 5 || mode == 6; }
bool isHalfProduct(std::int32_t mode) { return mode == 1 || mode == 7 || !(mode >= 0 && mode <= 7); }
// Modes whose x is squared here or in the call before them.
bool squaresX(std::int32_t mode) { return mode == 2 || mode == 3 || !(mode >= 0 && mode <= 7); }

// Whether the mode takes an out-of-core method at this size.
bool outOfCore(std::int32_t mode, SizeClass size)
{
    if (isWholeProduct(mode)) return size != SizeClass::s1;
    if (mode == 3) return size == SizeClass::s4;
    return size == SizeClass::s3 || size == SizeClass::s4;
}

struct Expectation {
    std::int32_t firstWord;
    Words words;
};

Expectation expectedFor(std::int32_t mode, const Words& x, const Words& y, std::int32_t n, std::int32_t b)
{
    const std::int32_t m = b / 4;
    const bool far = outOfCore(mode, sizeClassOf(n, b));
    if (isWholeProduct(mode)) {
        if (!far) return {1, test::expectedProduct(x, y, n)};
        // The fixed product's pieces see y's blocks 1 .. K/2 + 1 only.
        const std::int32_t yPieceWords = mode == 5 ? std::min(n, n / 2 + m) : n;
        return {1, test::expectedOutOfCoreProduct(x, y, n, m, yPieceWords)};
    }
    if (mode == 2) return {1, far ? test::expectedOutOfCoreProduct(x, x, n, m) : test::expectedProduct(x, x, n)};
    if (mode == 3) return {1, far ? test::expectedOutOfCoreHalfSquare(x, n, m) : test::expectedHalfSquare(x, n)};
    return {n / 2 + 1, far ? test::expectedOutOfCoreHalfProduct(x, y, n, m) : test::expectedHalfProduct(x, y, n)};
}

// The call that leaves what a mode takes over: mode 4 the spectra of x for
// mode 6, mode 5 those of its y (the half product's x) for mode 7, mode 3
// those of x's first half for mode 8.
struct Companion {
    std::int32_t mode;
    bool xAsSecond;  // the mode's x is the companion's y
};

std::optional<Companion> companionOf(std::int32_t mode)
{
    if (mode == 6) return Companion{4, false};
    if (mode == 7) return Companion{5, true};
    if (isHalfProduct(mode) && mode != 1) return Companion{3, false};
    return std::nullopt;
}

struct Operands {
    Words x, y;
    std::string name;
};

std::vector<Operands> operandsFor(std::int32_t mode, std::mt19937_64& random, std::int32_t n)
{
    std::vector<Operands> list;
    if (squaresX(mode)) {
        for (auto& op : test::squareOperands(random, n)) list.push_back({op.x, test::randomWords(random, n + 2), op.name});
    } else {
        for (auto& ops : test::productOperands(random, n)) list.push_back({ops.x, ops.y, ops.name});
    }
    return list;
}

void runMode(test::OutOfCoreRig& rig, std::int32_t mode, const Operands& ops, std::int32_t n, std::int32_t b,
             std::mt19937_64& random)
{
    const SizeClass size = sizeClassOf(n, b);
    const std::string what = "mode " + std::to_string(mode) + ", n " + std::to_string(n) + ", b " +
                             std::to_string(b) + ", " + ops.name;
    rig.workArea(b);
    if (const auto companion = companionOf(mode)) {
        // The companion's operands are the same numbers as the mode's: with
        // x as its second operand, y's number stands first.
        const Words other = test::randomWords(random, n + 2);
        rig.put(rig.x, ops.x);
        rig.put(rig.y, other);
        rig.clearResult(n);
        if (companion->xAsSecond)
            multiplyNumbers(rig.run, rig.y, rig.x, rig.z, n, companion->mode);
        else
            multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, companion->mode);
        // What an out-of-core method leaves in the work area is of no use to
        // the next one.
        if (outOfCore(mode, size)) rig.poisonWorkArea();
    }
    rig.put(rig.x, ops.x);
    rig.put(rig.y, ops.y);
    rig.clearResult(n);
    multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, mode);
    const Expectation expected = expectedFor(mode, ops.x, ops.y, n, b);
    test::expectStored(rig, n, expected.firstWord, expected.words, what);

    // Whatever the way of forming it, a whole product lies a few units of its
    // last word below the exact product of the words it was formed from.
    if (mode == 0 || mode == 2) {
        const Words& y = mode == 2 ? ops.x : ops.y;
        test::expectNearExact(test::part(ops.x, 1, n + 2), test::part(y, 1, n + 2), expected.words, what);
    } else if (mode == 3 && outOfCore(mode, size)) {
        const Words used = test::part(ops.x, 1, n / 2 + b / 4);
        test::expectNearExact(used, used, expected.words, what);
    }
}

struct Sweep {
    std::int32_t blockWords;
    std::int32_t n;
    PieceForming forming;
    bool room;
};

class EveryModeAndSize : public testing::TestWithParam<Sweep> {};

TEST_P(EveryModeAndSize, MatchesTheOracleOfItsMethod)
{
    const Sweep sweep = GetParam();
    test::OutOfCoreRig rig(sweep.blockWords, sweep.forming, sweep.room);
    std::mt19937_64 random(seed + static_cast<std::uint64_t>(sweep.n * 100 + sweep.blockWords));
    const std::int32_t n = sweep.n;
    // From S1 (b = 8n) down to the smallest area whose blocks are whole
    // blocks of the work files.
    for (std::int32_t b = 8 * n; b >= 4 * sweep.blockWords; b /= 2) {
        for (const std::int32_t mode : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}) {
            for (const Operands& ops : operandsFor(mode, random, n)) {
                runMode(rig, mode, ops, n, b, random);
                if (testing::Test::HasFailure()) return;
            }
        }
    }
}

// Blocks of 4 words give blocks of one file block and up to 64 of them; 16
// and 64 make the spectra span several file blocks. Without room beyond the
// work area every piece is formed one by one from the stores; with room, as
// each product chooses, and for two lengths every way wherever the method
// allows it (single blocks are multiplied in one go whenever there is room).
constexpr PieceForming chosen = PieceForming::chosen;
constexpr PieceForming oneByOne = PieceForming::oneByOne;
constexpr PieceForming fromRoom = PieceForming::oneByOneFromRoom;
constexpr PieceForming inOneSweep = PieceForming::inOneSweep;
INSTANTIATE_TEST_SUITE_P(
    BlockWordsAndLength, EveryModeAndSize,
    testing::Values(Sweep{4, 16, oneByOne, false}, Sweep{4, 256, oneByOne, false}, Sweep{16, 128, oneByOne, false},
                    Sweep{64, 512, oneByOne, false}, Sweep{4, 16, chosen, true}, Sweep{4, 256, chosen, true},
                    Sweep{16, 128, chosen, true}, Sweep{64, 512, chosen, true}, Sweep{16, 128, fromRoom, true},
                    Sweep{64, 512, fromRoom, true}, Sweep{16, 128, inOneSweep, true},
                    Sweep{64, 512, inOneSweep, true}),
    [](const testing::TestParamInfo<Sweep>& param) {
        const char* forming = param.param.forming == chosen     ? "_chosen"
                              : param.param.forming == oneByOne ? "_oneByOne"
                              : param.param.forming == fromRoom ? "_fromRoom"
                                                                : "_sweep";
        std::string name = "W";
        name += std::to_string(param.param.blockWords);
        name += "_n";
        name += std::to_string(param.param.n);
        name += forming;
        if (param.param.room) name += "_room";
        return name;
    });

// A product of single blocks (a whole product with n = b/4, a half product
// with n = b/2) with room beyond the work area goes forward, times x's
// spectrum and back in one go, rounded as it goes; without room it takes the
// separate steps. Both end alike, value for value: the same words, the same
// largest distance and fingerprint, also when a fault is injected (which
// takes the separate way at once) and when the sums are too large for the
// rounding in the last pass (which is then done again the separate way and
// fails at the same value).
TEST(OutOfCoreProduct, SingleBlocksInOneGoEndAsTheSeparateSteps)
{
    // Blocks of 32768 words: sums of up to 65536 digit products, which
    // reach 2^51 for words of 2147483647.
    const std::int32_t b = 131072;
    std::mt19937_64 random(seed + 11);
    struct Ending {
        bool failed = false;
        double largest = 0.0;
        std::uint64_t fingerprint = 0;
        Words z;
    };
    const auto ending = [&](bool room, bool nudge, std::int32_t mode, const Words& x, const Words& y) {
        const std::int32_t n = mode == productFull ? b / 4 : b / 2;
        test::OutOfCoreRig rig(8192, PieceForming::chosen, room);
        rig.run.nudgeNextRoundedValue = nudge;
        rig.put(rig.x, x);
        rig.put(rig.y, y);
        rig.clearResult(n);
        rig.workArea(b);
        Ending end;
        try {
            multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, mode);
        } catch (const RunFailure& failure) {
            EXPECT_STREQ(failure.what(), "NOT EXACT IN ROUND");
            end.failed = true;
        }
        end.largest = rig.run.largestRoundingDistance;
        end.fingerprint = rig.run.workFingerprint;
        end.z = test::readWords(rig.run, rig.z, n + 2);
        return end;
    };
    for (const std::int32_t mode : {productFull, productHalf}) {
        const std::int32_t n = mode == productFull ? b / 4 : b / 2;
        const Words largest(static_cast<std::size_t>(n + 2), 2147483647);
        for (const bool huge : {false, true}) {
            const Words x = huge ? largest : test::randomWords(random, n + 2, test::squareLeadingLimit);
            const Words y = huge ? largest : test::randomWords(random, n + 2);
            for (const bool nudge : {false, true}) {
                const Ending separate = ending(false, nudge, mode, x, y);
                const Ending inOneGo = ending(true, nudge, mode, x, y);
                const std::string what = "mode " + std::to_string(mode) + (huge ? ", huge words" : "") +
                                         (nudge ? ", fault injected" : "");
                EXPECT_EQ(separate.failed, huge) << what;
                EXPECT_EQ(inOneGo.failed, separate.failed) << what;
                EXPECT_EQ(inOneGo.largest, separate.largest) << what;
                EXPECT_EQ(inOneGo.fingerprint, separate.fingerprint) << what;
                EXPECT_EQ(inOneGo.z, separate.z) << what;
            }
        }
    }
}

// A sweep whose room lets every later piece wait in its buffer sees the
// operands at the pieces' spare positions in their files; with room for no
// more than a block of each operand and one shared block, each of those
// operands is read into the buffer instead, every file block of it. Both
// give the oracle's product.
TEST(OutOfCoreProduct, ASweepWithRoomForItsPiecesReadsNoOperandIntoItsBuffer)
{
    // Blocks of 16 words: file blocks of 8 doubles, spectra of 16 of them;
    // K = 4 blocks, so 7 stored operands (y's last stays in the work area)
    // and 3 later pieces, at Y's positions 1 .. 3, which hold operands.
    constexpr std::int32_t b = 128;
    constexpr std::int32_t n = b;
    constexpr std::uint64_t s = 16;
    std::mt19937_64 random(seed + 13);
    const Words x = test::randomWords(random, n + 2);
    const Words y = test::randomWords(random, n + 2);
    const auto copiedReads = [&](std::int32_t roomBlocks) {
        test::OutOfCoreRig rig(16, PieceForming::inOneSweep);
        rig.put(rig.x, x);
        rig.put(rig.y, y);
        rig.clearResult(n);
        rig.run.workArea.allocate(b, roomBlocks * 8);
        rig.poisonWorkArea();
        const TransferCounts before = rig.run.transfers;
        multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, productFull);
        EXPECT_EQ(test::readWords(rig.run, rig.z, n + 2), test::expectedOutOfCoreProduct(x, y, n, b / 4))
            << roomBlocks << " blocks of room";
        EXPECT_GT(rig.run.transfers.blocksViewed, before.blocksViewed);
        return (rig.run.transfers.blocksRead - before.blocksRead) -
               (rig.run.transfers.blocksViewed - before.blocksViewed);
    };
    // With 10 blocks of room no block of the second piece waits in the
    // room; with 16, six do, so six fewer are brought back.
    const std::uint64_t shared = copiedReads(8);
    const std::uint64_t waiting = copiedReads(10);
    const std::uint64_t ample = copiedReads(16);
    EXPECT_EQ(shared, waiting + 3 * s);
    EXPECT_EQ(waiting, ample + 6);
}

// The operands' blocks are whole blocks of the work files only when the
// work area holds at least four of them; below that an out-of-core product
// is refused before anything is read or written, while the in-core modes
// still work.
TEST(OutOfCoreProduct, RefusesAWorkAreaBelowFourFileBlocks)
{
    test::OutOfCoreRig rig(16);
    std::mt19937_64 random(seed + 9);
    const std::int32_t n = 64;
    const Words x = test::randomWords(random, n + 2, test::squareLeadingLimit);
    const Words y = test::randomWords(random, n + 2);
    rig.put(rig.x, x);
    rig.put(rig.y, y);
    rig.clearResult(n);
    rig.workArea(32);
    for (const std::int32_t mode : {0, 1, 2, 3, 4, 5, 6, 7, 8}) {
        const TransferCounts before = rig.run.transfers;
        try {
            multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, mode);
            ADD_FAILURE() << "mode " << mode << " accepted a work area of 32 doubles";
        } catch (const RunFailure& failure) {
            EXPECT_NE(std::string(failure.what()).find("32 doubles"), std::string::npos) << failure.what();
        }
        EXPECT_EQ(rig.run.transfers.blocksRead, before.blocksRead) << "mode " << mode;
        EXPECT_EQ(rig.run.transfers.blocksWritten, before.blocksWritten) << "mode " << mode;
    }
    test::expectStored(rig, n, 1, {}, "z after the refusals");

    // n = 4 is S1 here: in core, as usual.
    multiplyNumbers(rig.run, rig.x, rig.y, rig.z, 4, productFull);
    EXPECT_EQ(test::readWords(rig.run, rig.z, 6), test::expectedProduct(x, y, 4));
}

} // namespace
} // namespace calvorn
