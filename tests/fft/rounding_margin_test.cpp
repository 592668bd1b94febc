// The rounding margin at the largest transform lengths, a long test (ctest
// label `long`): the 32M size multiplies in transforms of 2^24 doubles, where
// pi's digits, which look random, must still round exactly and well inside
// the distance at which the program refuses a product (about 0.499999).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fft/convolution_oracle.h"
#include "fft/transform_oracles.h"

namespace calvorn {
namespace {

constexpr std::uint64_t seed = 77002;

// Half of the refusal distance would be too tight at 2^24 (random digits
// reach about 0.3 there); this leaves a fifth of it.
constexpr double randomDigitsMargin = 0.4;

TEST(RoundingMargin, RandomDigitsRoundExactlyUpToTheLargestLength)
{
    std::mt19937_64 random(seed);
    for (const std::int32_t k : {20, 22, 24}) {
        const std::size_t half = (std::size_t{1} << k) / 2;
        const std::vector<std::uint32_t> a = test::randomDigits(half, random);
        const std::vector<std::uint32_t> b = test::randomDigits(half, random);
        const test::ConvolutionOutcome outcome = test::convolveThroughTransforms(k, a, b);
        EXPECT_TRUE(outcome.exact) << "k = " << k << ", seed " << seed << ": first wrong term "
                                   << outcome.firstWrongIndex;
        EXPECT_LT(outcome.largestRoundingDistance, randomDigitsMargin) << "k = " << k << ", seed " << seed;
    }
}

// Operands of all 9999 are the worst case of the sums' size; they stay exact
// up to 2^22 (at 2^24 they are past what a double carries, which pi's digits
// never come near).
TEST(RoundingMargin, LargestDigitsRoundExactlyUpTo2To22)
{
    for (const std::int32_t k : {20, 22}) {
        const std::vector<std::uint32_t> nines((std::size_t{1} << k) / 2, 9999);
        const test::ConvolutionOutcome outcome = test::convolveThroughTransforms(k, nines, nines);
        EXPECT_TRUE(outcome.exact) << "k = " << k << ": first wrong term " << outcome.firstWrongIndex;
        EXPECT_LT(outcome.largestRoundingDistance, 0.25) << "k = " << k;
    }
}

} // namespace
} // namespace calvorn
