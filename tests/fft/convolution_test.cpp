// Products of base-10^4 digit sequences through the transforms, rounded and
// compared with the exact linear convolution from GMP.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fft/convolution_oracle.h"

namespace calvorn {
namespace {

constexpr std::uint64_t seed = 77001;

void expectExact(std::int32_t k, const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                 const char* what)
{
    const test::ConvolutionOutcome outcome = test::convolveThroughTransforms(k, a, b);
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
        const std::vector<std::uint32_t> a = test::randomDigits(half, random);
        const std::vector<std::uint32_t> b = test::randomDigits(half, random);
        expectExact(k, a, b, "random digits");
    }
}

} // namespace
} // namespace calvorn
