// The transforms against direct summation, and the properties every length
// must have: the upper half ignored, inverse after forward the identity, and
// each radix-8 pass undone by its inverse.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "fft/radix8_passes.h"
#include "fft/real_fft.h"
#include "fft/transform_oracles.h"

namespace calvorn {
namespace {

constexpr std::uint64_t seed = 20240611;

std::vector<double> randomValues(std::size_t count, std::mt19937_64& random)
{
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> values(count);
    for (double& v : values) v = uniform(random);
    return values;
}

TEST(TransformOracle, ForwardMatchesDirectSummation)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed);
    for (std::int32_t k = 1; k <= 16; ++k) {
        const std::size_t n = std::size_t{1} << k;
        std::vector<double> x = randomValues(n, random);
        std::fill(x.begin() + static_cast<std::ptrdiff_t>(n / 2), x.end(), 0.0);
        const std::vector<long double> want = test::directPackedSpectrum(x);
        realFftForward(plans.forLength(k), x);
        const double error = test::relativeError(x, want);
        char text[32];
        std::snprintf(text, sizeof text, "%.3e", error);
        RecordProperty("forward_relative_error_k" + std::to_string(k), text);
        EXPECT_LT(error, 1e-15) << "k = " << k << ", seed " << seed;
    }
}

TEST(TransformOracle, InverseMatchesDirectSummationOnAnySpectrum)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 1);
    for (std::int32_t k = 1; k <= 12; ++k) {
        std::vector<double> y = randomValues(std::size_t{1} << k, random);
        const std::vector<long double> want = test::directInverseOfPackedSpectrum(y);
        realFftInverse(plans.forLength(k), y);
        EXPECT_LT(test::relativeError(y, want), 1e-15) << "k = " << k << ", seed " << seed + 1;
    }
}

TEST(TransformProperties, UpperHalfIsIgnoredAtEveryLength)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 2);
    for (std::int32_t k = 1; k <= largestTransformExponent; ++k) {
        const std::size_t n = std::size_t{1} << k;
        std::vector<double> clean = randomValues(n, random);
        std::vector<double> dirty = clean;
        std::fill(clean.begin() + static_cast<std::ptrdiff_t>(n / 2), clean.end(), 0.0);
        for (std::size_t i = n / 2; i < n; ++i) {
            dirty[i] = (i % 3 == 0) ? std::numeric_limits<double>::quiet_NaN() : 1e300 * dirty[i];
        }
        realFftForward(plans.forLength(k), clean);
        realFftForward(plans.forLength(k), dirty);
        EXPECT_EQ(std::memcmp(clean.data(), dirty.data(), n * sizeof(double)), 0) << "k = " << k;
    }
}

TEST(TransformProperties, InverseAfterForwardGivesBackTheLowerHalfAndZeros)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 3);
    for (std::int32_t k = 1; k <= largestTransformExponent; ++k) {
        const std::size_t n = std::size_t{1} << k;
        const std::vector<double> original = randomValues(n / 2, random);
        std::vector<double> x(n, 0.0);
        std::copy(original.begin(), original.end(), x.begin());
        realFftForward(plans.forLength(k), x);
        realFftInverse(plans.forLength(k), x);
        double largest = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            largest = std::max(largest, std::fabs(x[i] - (i < n / 2 ? original[i] : 0.0)));
        }
        EXPECT_LT(largest, 1e-14) << "k = " << k << ", seed " << seed + 3;
    }
}

TEST(TransformProperties, InversePassUndoesTheGeneralForwardPassTimesEight)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 4);
    for (std::int32_t span = 16; span <= (1 << 15); span *= 2) {
        for (std::int32_t stride : {1, 2, 8}) {
            const std::vector<double> original = randomValues(static_cast<std::size_t>(span * stride), random);
            std::vector<double> x = original;
            fft::forwardRadix8Pass(plans.forLength(15), stride, span, x);
            fft::inverseRadix8Pass(plans.forLength(15), stride, span, x);
            double largest = 0.0;
            for (std::size_t i = 0; i < x.size(); ++i) largest = std::max(largest, std::fabs(x[i] - 8.0 * original[i]));
            EXPECT_LT(largest, 1e-13) << "span " << span << ", stride " << stride;
        }
    }
}

} // namespace
} // namespace calvorn
