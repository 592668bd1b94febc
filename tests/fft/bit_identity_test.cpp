// The fast transforms against the reference written from the definition, bit
// for bit: the same operations on the same values must give the same doubles,
// for the forward transform and for the inverse of a squared spectrum, on
// every lane path. A path this build or processor cannot run is skipped with
// the reason, by name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fft/lane_path_tests.h"
#include "fft/lane_paths.h"
#include "fft/real_fft.h"
#include "fft/reference/real_fft.h"
#include "fft/transform_oracles.h"

namespace calvorn {
namespace {

using test::firstDifference;
using test::pairsReversed;

constexpr std::uint64_t seed = 5150;

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

// One input through the reference: its spectrum, and the inverse of the
// spectrum's pointwise square (what the products form).
struct ReferenceResults {
    std::vector<double> input;
    std::vector<double> spectrum;
    std::vector<double> squared;
    std::vector<double> back;
};

ReferenceResults referenceResults(std::int32_t k, bool digits, std::mt19937_64& random)
{
    ReferenceResults r;
    r.input = randomInput(std::size_t{1} << k, digits, random);
    r.spectrum = r.input;
    reference::realFftForward(k, r.spectrum);
    r.squared = r.spectrum;
    test::multiplyPackedSpectra(r.squared, r.squared);
    r.back = r.squared;
    reference::realFftInverse(k, r.back);
    return r;
}

void expectSameBits(fft::TransformPlans& plans, fft::LanePath path, std::int32_t k, const ReferenceResults& want,
                    std::uint64_t inputSeed)
{
    const std::size_t n = want.input.size();
    std::vector<double> fast = want.input;
    fft::forwardTransform(plans.forLength(k), path, fast);
    EXPECT_EQ(firstDifference(fast, want.spectrum), n)
        << "forward, k = " << k << ", " << fft::lanePathName(path) << ", seed " << inputSeed;
    fast = want.squared;
    fft::inverseTransform(plans.forLength(k), path, fast);
    EXPECT_EQ(firstDifference(fast, want.back), n)
        << "inverse, k = " << k << ", " << fft::lanePathName(path) << ", seed " << inputSeed;

    fast = want.input;
    fft::forwardTransform(plans.forLength(k), path, fast, fft::SpectrumOrder::pairsReversed);
    EXPECT_EQ(firstDifference(fast, pairsReversed(want.spectrum, k)), n)
        << "forward in product order, k = " << k << ", " << fft::lanePathName(path) << ", seed " << inputSeed;
    fast = pairsReversed(want.squared, k);
    fft::inverseTransform(plans.forLength(k), path, fast, fft::SpectrumOrder::pairsReversed);
    EXPECT_EQ(firstDifference(fast, want.back), n)
        << "inverse from product order, k = " << k << ", " << fft::lanePathName(path) << ", seed " << inputSeed;
}

using EveryLanePath = test::OnEveryLanePath;

// Each path alone, at every length up to 2^18 with several inputs.
TEST_P(EveryLanePath, MatchesTheReferenceUpToTwoToTheEighteen)
{
    fft::TransformPlans plans(GetParam());
    std::mt19937_64 random(seed);
    for (std::int32_t k = 1; k <= 18; ++k) {
        const int rounds = k <= 12 ? 6 : 1;
        for (int round = 0; round < rounds; ++round) {
            const ReferenceResults want = referenceResults(k, (k + round) % 2 == 0, random);
            expectSameBits(plans, GetParam(), k, want, seed);
            if (HasFailure()) return;
        }
    }
}

// An arbitrary spectrum, not one the forward transform produced.
TEST_P(EveryLanePath, InverseOfArbitrarySpectraMatches)
{
    fft::TransformPlans plans(GetParam());
    std::mt19937_64 random(seed + 2);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    for (std::int32_t k = 1; k <= 16; ++k) {
        std::vector<double> spectrum(std::size_t{1} << k);
        for (double& v : spectrum) v = uniform(random);
        std::vector<double> plain = spectrum;
        reference::realFftInverse(k, plain);
        fft::inverseTransform(plans.forLength(k), GetParam(), spectrum);
        ASSERT_EQ(firstDifference(spectrum, plain), spectrum.size())
            << "k = " << k << ", " << fft::lanePathName(GetParam()) << ", seed " << seed + 2;
    }
}

// A whole product or square in one descent of the pass tree against the
// reference's forward transforms, pointwise product and inverse in turn.
TEST_P(EveryLanePath, ProductsInOneDescentMatchTheReference)
{
    fft::TransformPlans plans(GetParam());
    std::mt19937_64 random(seed + 4);
    for (std::int32_t k = 1; k <= 21; ++k) {
        const std::size_t n = std::size_t{1} << k;
        const std::vector<double> x = randomInput(n, true, random);
        const std::vector<double> y = randomInput(n, true, random);
        std::vector<double> xSpectrum = x;
        reference::realFftForward(k, xSpectrum);
        std::vector<double> ySpectrum = y;
        reference::realFftForward(k, ySpectrum);
        std::vector<double> product = xSpectrum;
        test::multiplyPackedSpectra(product, ySpectrum);
        reference::realFftInverse(k, product);
        std::vector<double> square = xSpectrum;
        test::multiplyPackedSpectra(square, xSpectrum);
        reference::realFftInverse(k, square);
        const std::vector<double> other = pairsReversed(ySpectrum, k);

        std::vector<double> fast = x;
        fft::productTransform(plans.forLength(k), GetParam(), fast, other);
        ASSERT_EQ(firstDifference(fast, product), n)
            << "product, k = " << k << ", " << fft::lanePathName(GetParam()) << ", seed " << seed + 4;
        fast = x;
        fft::productTransform(plans.forLength(k), GetParam(), fast, {});
        ASSERT_EQ(firstDifference(fast, square), n)
            << "square, k = " << k << ", " << fft::lanePathName(GetParam()) << ", seed " << seed + 4;
    }
}

INSTANTIATE_TEST_SUITE_P(Transforms, EveryLanePath, ::testing::ValuesIn(fft::everyLanePath),
                         test::lanePathTestName);

// The long lengths, one reference per length for all the paths that can run
// here (those that cannot are named by the skips above).
TEST(BitIdentity, LongLengthsMatchTheReferenceOnEveryUsablePath)
{
    std::vector<std::unique_ptr<fft::TransformPlans>> plansOfPaths;
    for (const fft::LanePath path : fft::everyLanePath) {
        if (fft::lanePathUsable(path)) plansOfPaths.push_back(std::make_unique<fft::TransformPlans>(path));
    }
    std::mt19937_64 random(seed + 1);
    for (std::int32_t k = 19; k <= largestTransformExponent; ++k) {
        const ReferenceResults want = referenceResults(k, k % 2 == 0, random);
        for (const auto& plans : plansOfPaths) expectSameBits(*plans, plans->lanePath(), k, want, seed + 1);
        if (HasFailure()) return;
    }
}

// The drivers every caller uses take the plan's path.
TEST(BitIdentity, DriversMatchTheReference)
{
    fft::TransformPlans plans;
    std::mt19937_64 random(seed + 3);
    for (std::int32_t k : {1, 6, 13, 17}) {
        const ReferenceResults want = referenceResults(k, true, random);
        std::vector<double> fast = want.input;
        realFftForward(plans.forLength(k), fast);
        ASSERT_EQ(firstDifference(fast, want.spectrum), fast.size()) << "forward, k = " << k;
        fast = want.squared;
        realFftInverse(plans.forLength(k), fast);
        ASSERT_EQ(firstDifference(fast, want.back), fast.size()) << "inverse, k = " << k;
    }
}

} // namespace
} // namespace calvorn
