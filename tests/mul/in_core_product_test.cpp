// The seven in-core methods against the GMP oracle at every length from 2 to
// 2^14 words, with blocks shorter than, as long as and longer than the
// operands, and work areas no larger than each method needs.
#include <gtest/gtest.h>

#include "common/numeric.h"
#include "mul/digit_loader.h"
#include "mul/in_core_product.h"
#include "mul/pointwise.h"
#include "mul/product_transforms.h"
#include "norm/round_to_integers.h"
#include "storage/run_errors.h"
#include "mul/product_checks.h"

namespace calvorn {
namespace {

using test::Words;

constexpr std::uint64_t seed = 42001;
constexpr std::int32_t largestLength = 1 << 14;
constexpr std::int32_t poison = 12345678;

// x with words from..to replaced: a method that loads them again gives a
// different product.
Words poisoned(Words x, std::int32_t from, std::int32_t to)
{
    for (std::int32_t j = from; j <= to; ++j) x[j - 1] = poison;
    return x;
}

// NaN from `start` to the end of the work area.
void poisonFrom(test::ProductRig& rig, std::int32_t start)
{
    for (double& d : rig.run.workArea.from(start)) d = std::numeric_limits<double>::quiet_NaN();
}

class InCoreProduct : public testing::TestWithParam<std::int32_t> {};

TEST_P(InCoreProduct, WholeProductAndItsReuseMatchTheOracle)
{
    test::ProductRig rig(GetParam());
    std::mt19937_64 random(seed);
    for (std::int32_t n = 2; n <= largestLength; n *= 2) {
        for (const auto& ops : test::productOperands(random, n)) {
            rig.put(rig.x, ops.x);
            rig.put(rig.y, ops.y);
            rig.clearResult(n);
            rig.workArea(8 * n);
            inCoreProduct(rig.run, rig.x, rig.y, rig.z, n, 0, 4 * n);
            const Words expected = test::expectedProduct(ops.x, ops.y, n);
            test::expectStored(rig, n, 1, expected, "inCoreProduct, " + ops.name);
            test::expectNearExact(test::part(ops.x, 1, n + 2), test::part(ops.y, 1, n + 2), expected, ops.name);

            // Same x, new y; x's words 3 .. n (those not read for the guard
            // terms) are spoiled, so only the kept transform gives the product.
            const Words y2 = test::randomWords(random, n + 2);
            rig.put(rig.x, poisoned(ops.x, 3, n));
            rig.put(rig.y, y2);
            rig.clearResult(n);
            poisonFrom(rig, 4 * n);
            inCoreProductReuse(rig.run, rig.x, rig.y, rig.z, n, 0, 4 * n);
            test::expectStored(rig, n, 1, test::expectedProduct(ops.x, y2, n), "inCoreProductReuse, " + ops.name);
        }
    }
}

TEST_P(InCoreProduct, SquaresMatchTheOracle)
{
    test::ProductRig rig(GetParam());
    std::mt19937_64 random(seed + 1);
    for (std::int32_t n = 2; n <= largestLength; n *= 2) {
        for (const auto& op : test::squareOperands(random, n)) {
            rig.put(rig.x, op.x);
            rig.clearResult(n);
            rig.workArea(4 * n);
            inCoreSquare(rig.run, rig.x, rig.z, n, 0);
            const Words square = test::expectedProduct(op.x, op.x, n);
            test::expectStored(rig, n, 1, square, "inCoreSquare, " + op.name);
            test::expectNearExact(test::part(op.x, 1, n + 2), test::part(op.x, 1, n + 2), square, op.name);

            // The half square reads four doubles past its array: here the
            // spare doubles at the end of the work area.
            rig.clearResult(n);
            rig.workArea(2 * n);
            inCoreHalfSquare(rig.run, rig.x, rig.z, n, 0);
            const Words halfSquare = test::expectedHalfSquare(op.x, n);
            test::expectStored(rig, n, 1, halfSquare, "inCoreHalfSquare, " + op.name);
            test::expectNearExact(test::part(op.x, 1, n / 2 + 2), test::part(op.x, 1, n / 2 + 2), halfSquare,
                                  op.name);
        }
    }
}

TEST_P(InCoreProduct, HalfProductsAndTheKeptHalfSquareMatchTheOracle)
{
    test::ProductRig rig(GetParam());
    std::mt19937_64 random(seed + 2);
    for (std::int32_t n = 2; n <= largestLength; n *= 2) {
        for (const auto& ops : test::productOperands(random, n)) {
            rig.put(rig.x, ops.x);
            rig.put(rig.y, ops.y);
            rig.clearResult(n);
            rig.workArea(4 * n);
            inCoreHalfProduct(rig.run, rig.x, rig.y, rig.z, n, 0, 2 * n);
            const Words expected = test::expectedHalfProduct(ops.x, ops.y, n);
            test::expectStored(rig, n, n / 2 + 1, expected, "inCoreHalfProduct, " + ops.name);
            test::expectNearExact(test::part(ops.x, 1, n / 2 + 2), test::part(ops.y, n / 2 + 1, n / 2 + 2), expected,
                                  ops.name);
        }

        // The kept half square, then a half product with its transform. x's
        // words 3 .. n/2 are spoiled in between.
        const Words x = test::randomWords(random, n + 2, test::squareLeadingLimit);
        const Words y = test::randomWords(random, n + 2);
        rig.put(rig.x, x);
        rig.clearResult(n);
        rig.workArea(4 * n);
        inCoreHalfSquareKeep(rig.run, rig.x, rig.z, n, 0, 2 * n);
        test::expectStored(rig, n, 1, test::expectedHalfSquare(x, n), "inCoreHalfSquareKeep");

        rig.put(rig.x, poisoned(x, 3, n / 2));
        rig.put(rig.y, y);
        rig.clearResult(n);
        poisonFrom(rig, 2 * n);
        inCoreHalfProductReuse(rig.run, rig.x, rig.y, rig.z, n, 0, 2 * n);
        test::expectStored(rig, n, n / 2 + 1, test::expectedHalfProduct(x, y, n), "inCoreHalfProductReuse");
    }
}

// Blocks of 4 words hold every operand in several blocks; 32 meets the
// lengths below, at and above it; 1024 holds most operands in block 1.
INSTANTIATE_TEST_SUITE_P(BlockWords, InCoreProduct, testing::Values(4, 32, 1024));

TEST(InCoreProductWords, ThreeSquaredKeepsNineInTheLeadingWord)
{
    test::ProductRig rig(8);
    const std::int32_t n = 16;
    Words three(n + 2, 0);
    three[0] = 300000000;
    Words nine(n + 2, 0);
    nine[0] = 900000000;
    rig.put(rig.x, three);
    rig.clearResult(n);
    rig.workArea(4 * n);
    inCoreSquare(rig.run, rig.x, rig.z, n, 0);
    test::expectStored(rig, n, 1, nine, "3 squared");

    rig.clearResult(n);
    rig.workArea(2 * n);
    inCoreHalfSquare(rig.run, rig.x, rig.z, n, 0);
    test::expectStored(rig, n, 1, nine, "3 squared from the first half");
}

TEST(InCoreProductWords, GuardWordsAbsorbTheTruncationOfTheStore)
{
    // x = four words of nines, 1 - 10^-32; its square is 1 - 2*10^-32 + 10^-64,
    // 0.99999999 99999999 99999999 99999998 when cut after four words. The
    // digit sums are e[t] = (t+1) * 9999^2 up to e[7]; e[8] lacks the
    // guard-by-guard term and holds 6 * 9999^2. The carry into word 4 is
    // ((599880006 div 10^4) + 799840008) div 10^4 = 79989, where the exact
    // tail would give 79991: the last guard word ends 2 lower.
    test::ProductRig rig(8);
    const std::int32_t n = 2;
    rig.put(rig.x, test::allNines(n + 2, test::largestWord));
    rig.clearResult(n);
    rig.workArea(4 * n);
    inCoreSquare(rig.run, rig.x, rig.z, n, 0);
    test::expectStored(rig, n, 1, Words{99999999, 99999999, 99999999, 99999996}, "nines squared");
}

// How a rounding ended: failed or not, and the run's largest distance and
// fingerprint then.
struct RoundingEnd {
    bool failed = false;
    double largest = 0.0;
    std::uint64_t fingerprint = 0;
};

template <typename Step>
RoundingEnd roundingEnd(RunContext& run, Step step)
{
    run.largestRoundingDistance = 0.0;
    run.workFingerprint = 0;
    RoundingEnd end;
    try {
        step();
    } catch (const RunFailure& failure) {
        EXPECT_STREQ(failure.what(), "NOT EXACT IN ROUND");
        end.failed = true;
    }
    end.largest = run.largestRoundingDistance;
    end.fingerprint = run.workFingerprint;
    return end;
}

// Words far past the base make sums of 2^51 and more, which the rounding in
// the inverse's last pass refuses. The square (and the half square that
// keeps its spectrum) is then made again and rounded value by value, and
// ends as that separate rounding ends: failing at the same value, with the
// same largest distance and fingerprint up to it.
TEST(InCoreProductRounding, RefusedSumsAreRoundedAgainValueByValue)
{
    const std::int32_t n = 1 << 17;
    const std::int32_t k = integerLog2(n) + 2;
    const std::int32_t kept = 2 * n + 5;
    test::ProductRig rig(1 << 12, n);
    rig.put(rig.x, Words(static_cast<std::size_t>(n + 2), 2147483647));
    rig.workArea(4 * n);
    const std::span<double> array = rig.run.workArea.from(0);

    loadDigits(rig.run, rig.x, array, 1, n);
    const RoundingEnd refused = roundingEnd(rig.run, [&] {
        EXPECT_FALSE(transformToIntegers(rig.run, k, {}, array, kept)) << "these sums must be refused";
    });
    EXPECT_FALSE(refused.failed);
    EXPECT_EQ(refused.fingerprint, 0u) << "a refused rounding takes nothing in";

    loadDigits(rig.run, rig.x, array, 1, n);
    const RoundingEnd separate = roundingEnd(rig.run, [&] {
        transformSquare(rig.run, k, array);
        roundToIntegers(rig.run, array, integerPower(2, k), kept);
    });

    rig.workArea(4 * n);
    const RoundingEnd square = roundingEnd(rig.run, [&] { inCoreSquare(rig.run, rig.x, rig.z, n, 0); });
    EXPECT_EQ(square.failed, separate.failed);
    EXPECT_EQ(square.largest, separate.largest);
    EXPECT_EQ(square.fingerprint, separate.fingerprint);

    // The half square that keeps its spectrum makes the square again from
    // the spectrum it kept.
    const std::int32_t halfK = k - 1;
    const std::int32_t halfKept = 2 * n;
    rig.workArea(4 * n);
    const std::span<double> spectrum = rig.run.workArea.from(0);
    const std::span<double> halfSquare = rig.run.workArea.from(2 * n);
    loadDigits(rig.run, rig.x, spectrum, 1, n / 2);
    const RoundingEnd separateHalf = roundingEnd(rig.run, [&] {
        transformForward(rig.run, halfK, spectrum);
        pointwiseSquare(spectrum, halfSquare, 2 * n);
        transformInverse(rig.run, halfK, halfSquare);
        roundToIntegers(rig.run, halfSquare, 2 * n, halfKept);
    });
    rig.workArea(4 * n);
    loadDigits(rig.run, rig.x, spectrum, 1, n / 2);
    EXPECT_FALSE(squareKeepToIntegers(rig.run, halfK, spectrum, halfSquare, halfKept)) << "these sums must be refused";
    rig.workArea(4 * n);
    const RoundingEnd keep =
        roundingEnd(rig.run, [&] { inCoreHalfSquareKeep(rig.run, rig.x, rig.z, n, 0, 2 * n); });
    EXPECT_EQ(keep.failed, separateHalf.failed);
    EXPECT_EQ(keep.largest, separateHalf.largest);
    EXPECT_EQ(keep.fingerprint, separateHalf.fingerprint);
}

} // namespace
} // namespace calvorn
