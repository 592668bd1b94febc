// The fast transforms against the plain reference copy, bit for bit: the
// same operations on the same values must give the same doubles, at every
// length, for the forward transform and for the inverse of a squared spectrum.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "fft/real_fft.h"
#include "fft/reference/real_fft.h"
#include "fft/transform_oracles.h"

namespace calvorn {
namespace {

constexpr std::uint64_t seed = 5150;

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

// Forward, then the pointwise square the products form, then inverse; both
// stages compared with the reference.
void expectSameBits(std::int32_t k, bool digits, std::mt19937_64& random)
{
    const std::size_t n = std::size_t{1} << k;
    std::vector<double> fast = randomInput(n, digits, random);
    std::vector<double> plain = fast;

    realFftForward(k, fast);
    reference::realFftForward(k, plain);
    ASSERT_EQ(firstDifference(fast, plain), n) << "forward, k = " << k << ", seed " << seed;

    testing::multiplyPackedSpectra(fast, fast);
    testing::multiplyPackedSpectra(plain, plain);
    realFftInverse(k, fast);
    reference::realFftInverse(k, plain);
    ASSERT_EQ(firstDifference(fast, plain), n) << "inverse, k = " << k << ", seed " << seed;
}

TEST(BitIdentity, EveryLengthMatchesTheReference)
{
    std::mt19937_64 random(seed);
    for (std::int32_t k = 1; k <= largestTransformExponent; ++k) {
        expectSameBits(k, k % 2 == 0, random);
    }
}

TEST(BitIdentity, ShortLengthsMatchOnManyInputs)
{
    std::mt19937_64 random(seed + 1);
    for (std::int32_t k = 1; k <= 15; ++k) {
        for (int round = 0; round < 8; ++round) expectSameBits(k, round % 2 == 0, random);
    }
}

// An arbitrary spectrum, not one the forward transform produced.
TEST(BitIdentity, InverseOfArbitrarySpectraMatches)
{
    std::mt19937_64 random(seed + 2);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    for (std::int32_t k = 1; k <= 20; ++k) {
        std::vector<double> fast(std::size_t{1} << k);
        for (double& v : fast) v = uniform(random);
        std::vector<double> plain = fast;
        realFftInverse(k, fast);
        reference::realFftInverse(k, plain);
        ASSERT_EQ(firstDifference(fast, plain), fast.size()) << "k = " << k << ", seed " << seed + 2;
    }
}

} // namespace
} // namespace calvorn
