// The fast transforms against the plain reference copy, bit for bit: the
// same operations on the same values must give the same doubles, at every
// length, for the forward transform and for the inverse of a squared spectrum,
// on every lane path this machine can run.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "fft/lane_paths.h"
#include "fft/real_fft.h"
#include "fft/reference/real_fft.h"
#include "fft/transform_oracles.h"

namespace calvorn {
namespace {

constexpr std::uint64_t seed = 5150;

const char* nameOf(fft::LanePath path) { return fft::lanePathName(path).data(); }

// Index of the first double whose bits differ, or the length if none does.
std::size_t firstDifference(const std::vector<double>& got, const std::vector<double>& want)
{
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (std::memcmp(&got[i], &want[i], sizeof(double)) != 0) return i;
    }
    return got.size();
}

// Lower half: base-10^4 digits or values in (-1, 1), as the products and the
// oracles use; upper half: large values the forward transform must ignore.
std::vector<double> randomInput(std::size_t n, bool digits, std::mt19937_64& random)
{
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double value = digits ? static_cast<double>(random() % 10000) : uniform(random);
        x[i] = i < n / 2 ? value : 1e200 * uniform(random);
    }
    return x;
}

// A natural-order packed spectrum with its pairs in the products' order:
// pair t moved to pair position rev(t), the k-1 low bits of t reversed.
std::vector<double> pairsReversed(const std::vector<double>& natural, std::int32_t k)
{
    std::vector<double> reordered(natural.size());
    const std::size_t pairs = natural.size() / 2;
    for (std::size_t t = 0; t < pairs; ++t) {
        std::size_t r = 0;
        for (std::int32_t bit = 0; bit < k - 1; ++bit) r |= ((t >> bit) & 1u) << (k - 2 - bit);
        reordered[2 * r] = natural[2 * t];
        reordered[2 * r + 1] = natural[2 * t + 1];
    }
    return reordered;
}

// Forward, then the pointwise square the products form, then inverse; both
// stages compared with the reference, on every usable path, with the
// spectrum in natural order and in the products' order.
void expectSameBits(fft::TransformPlans& plans, std::int32_t k, bool digits, std::mt19937_64& random)
{
    const std::size_t n = std::size_t{1} << k;
    const std::vector<double> input = randomInput(n, digits, random);
    std::vector<double> plain = input;
    reference::realFftForward(k, plain);
    std::vector<double> spectrum = plain;
    testing::multiplyPackedSpectra(spectrum, spectrum);
    std::vector<double> plainBack = spectrum;
    reference::realFftInverse(k, plainBack);

    for (const fft::LanePath path : fft::everyLanePath) {
        if (!fft::lanePathUsable(path)) continue;
        std::vector<double> fast = input;
        fft::forwardTransform(plans.forLength(k), path, fast);
        ASSERT_EQ(firstDifference(fast, plain), n) << "forward, k = " << k << ", " << nameOf(path) << ", seed " << seed;
        fast = spectrum;
        fft::inverseTransform(plans.forLength(k), path, fast);
        ASSERT_EQ(firstDifference(fast, plainBack), n)
            << "inverse, k = " << k << ", " << nameOf(path) << ", seed " << seed;

        fast = input;
        fft::forwardTransform(plans.forLength(k), path, fast, fft::SpectrumOrder::pairsReversed);
        ASSERT_EQ(firstDifference(fast, pairsReversed(plain, k)), n)
            << "forward in product order, k = " << k << ", " << nameOf(path) << ", seed " << seed;
        fast = pairsReversed(spectrum, k);
        fft::inverseTransform(plans.forLength(k), path, fast, fft::SpectrumOrder::pairsReversed);
        ASSERT_EQ(firstDifference(fast, plainBack), n)
            << "inverse from product order, k = " << k << ", " << nameOf(path) << ", seed " << seed;
    }
}

// A whole product or square in one descent of the pass tree against the
// reference's forward transforms, pointwise product and inverse in turn.
void expectSameProductBits(fft::TransformPlans& plans, std::int32_t k, std::mt19937_64& random)
{
    const std::size_t n = std::size_t{1} << k;
    const std::vector<double> x = randomInput(n, true, random);
    const std::vector<double> y = randomInput(n, true, random);
    std::vector<double> xSpectrum = x;
    reference::realFftForward(k, xSpectrum);
    std::vector<double> ySpectrum = y;
    reference::realFftForward(k, ySpectrum);
    std::vector<double> product = xSpectrum;
    testing::multiplyPackedSpectra(product, ySpectrum);
    reference::realFftInverse(k, product);
    std::vector<double> square = xSpectrum;
    testing::multiplyPackedSpectra(square, xSpectrum);
    reference::realFftInverse(k, square);
    const std::vector<double> other = pairsReversed(ySpectrum, k);

    for (const fft::LanePath path : fft::everyLanePath) {
        if (!fft::lanePathUsable(path)) continue;
        std::vector<double> fast = x;
        fft::productTransform(plans.forLength(k), path, fast, other);
        ASSERT_EQ(firstDifference(fast, product), n)
            << "product, k = " << k << ", " << nameOf(path) << ", seed " << seed + 4;
        fast = x;
        fft::productTransform(plans.forLength(k), path, fast, {});
        ASSERT_EQ(firstDifference(fast, square), n)
            << "square, k = " << k << ", " << nameOf(path) << ", seed " << seed + 4;
    }
}

TEST(BitIdentity, ProductsInOneDescentMatchTheReference)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 4);
    for (std::int32_t k = 1; k <= 21; ++k) expectSameProductBits(plans, k, random);
}

TEST(BitIdentity, EveryLengthMatchesTheReference)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed);
    for (std::int32_t k = 1; k <= largestTransformExponent; ++k) {
        expectSameBits(plans, k, k % 2 == 0, random);
    }
}

TEST(BitIdentity, ShortLengthsMatchOnManyInputs)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 1);
    for (std::int32_t k = 1; k <= 15; ++k) {
        for (int round = 0; round < 8; ++round) expectSameBits(plans, k, round % 2 == 0, random);
    }
}

// The drivers every caller uses take the fastest path.
TEST(BitIdentity, DriversMatchTheReference)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 3);
    for (std::int32_t k : {1, 6, 13, 17}) {
        const std::size_t n = std::size_t{1} << k;
        std::vector<double> fast = randomInput(n, true, random);
        std::vector<double> plain = fast;
        realFftForward(plans.forLength(k), fast);
        reference::realFftForward(k, plain);
        ASSERT_EQ(firstDifference(fast, plain), n) << "forward, k = " << k;
        realFftInverse(plans.forLength(k), fast);
        reference::realFftInverse(k, plain);
        ASSERT_EQ(firstDifference(fast, plain), n) << "inverse, k = " << k;
    }
}

// An arbitrary spectrum, not one the forward transform produced.
TEST(BitIdentity, InverseOfArbitrarySpectraMatches)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 2);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    for (std::int32_t k = 1; k <= 20; ++k) {
        std::vector<double> spectrum(std::size_t{1} << k);
        for (double& v : spectrum) v = uniform(random);
        std::vector<double> plain = spectrum;
        reference::realFftInverse(k, plain);
        for (const fft::LanePath path : fft::everyLanePath) {
            if (!fft::lanePathUsable(path)) continue;
            std::vector<double> y = spectrum;
            fft::inverseTransform(plans.forLength(k), path, y);
            ASSERT_EQ(firstDifference(y, plain), y.size()) << "k = " << k << ", " << nameOf(path) << ", seed " << seed + 2;
        }
    }
}

} // namespace
} // namespace calvorn
