// Products of base-10^4 digit sequences through the transforms, rounded and
// compared with the exact linear convolution from GMP.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <utility>
#include <vector>

#include "fft/convolution_oracle.h"

namespace calvorn {
namespace {

constexpr std::uint64_t seed = 77001;

void expectExact(std::int32_t k, const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                 const char* what)
{
    const testing::ConvolutionOutcome outcome = testing::convolveThroughTransforms(k, a, b);
    EXPECT_TRUE(outcome.exact) << what << ", k = " << k << ", seed " << seed << ": first wrong term "
                               << outcome.firstWrongIndex;
    EXPECT_LT(outcome.largestRoundingDistance, 0.25) << what << ", k = " << k;
}

TEST(Convolution, LargestDigitsAreExact)
{
    for (std::int32_t k = 1; k <= 20; ++k) {
        const std::vector<std::uint32_t> nines((std::size_t{1} << k) / 2, 9999);
        expectExact(k, nines, nines, "all digits 9999");
    }
}

TEST(Convolution, RandomDigitsAreExactWithoutWrapAround)
{
    std::mt19937_64 random(seed);
    for (std::int32_t k = 1; k <= 20; ++k) {
        const std::size_t half = (std::size_t{1} << k) / 2;
        const std::vector<std::uint32_t> a = testing::randomDigits(half, random);
        const std::vector<std::uint32_t> b = testing::randomDigits(half, random);
        expectExact(k, a, b, "random digits");
    }
}

// Slow: the rounding margins at the largest lengths, printed for the record.
// Run with --gtest_also_run_disabled_tests --gtest_filter='*RoundingMargins*'.
// Full-length operands at k = 24 are past what double precision carries, so
// only k <= 22 is required to be exact here.
TEST(Convolution, DISABLED_RoundingMarginsAtLargeLengths)
{
    std::mt19937_64 random(seed + 1);
    for (std::int32_t k : {20, 22, 24}) {
        const std::size_t half = (std::size_t{1} << k) / 2;
        const std::vector<std::uint32_t> nines(half, 9999);
        const std::vector<std::uint32_t> a = testing::randomDigits(half, random);
        const std::vector<std::uint32_t> b = testing::randomDigits(half, random);
        for (const auto& [what, outcome] : {std::pair{"random digits", testing::convolveThroughTransforms(k, a, b)},
                                            std::pair{"all 9999", testing::convolveThroughTransforms(k, nines, nines)}}) {
            std::cout << "k = " << k << ", " << what << ": largest distance to an integer "
                      << outcome.largestRoundingDistance << ", largest error " << outcome.largestError
                      << (outcome.exact ? ", exact" : ", NOT EXACT") << std::endl;
            if (k <= 22) {
                EXPECT_TRUE(outcome.exact) << what << ", k = " << k;
            }
        }
    }
}

} // namespace
} // namespace calvorn
