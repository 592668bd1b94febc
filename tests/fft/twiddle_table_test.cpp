// The plans' twiddle tables against the committed digest and samples that
// tools/twiddle_table made with MPFR: the check needs no MPFR, so every
// build (the Windows one too) proves it computes the same bits.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "fft/kernels/butterflies.h"
#include "fft/transform_plan.h"
#include "fft/twiddle_sincos.h"

namespace calvorn {
namespace {

struct TwiddleSample {
    std::size_t entry;
    std::uint64_t cosine;
    std::uint64_t sine;
};

#include "fft/twiddle_table.inc"

std::uint64_t bitsOf(double x)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

void addToDigest(std::uint64_t& digest, double x)
{
    const std::uint64_t bits = bitsOf(x);
    for (int byte = 0; byte < 8; ++byte) {
        digest ^= (bits >> (8 * byte)) & 0xFF;
        digest *= 0x100000001b3ull;
    }
}

constexpr std::size_t longestTable = std::size_t{1} << 20;

TEST(TwiddleTable, EveryEntryOfTheLongestLengthMatchesTheCommittedDigest)
{
    std::vector<double> cosines(longestTable);
    std::vector<double> sines(longestTable);
    fft::fillTwiddleTable(0, longestTable, cosines.data(), sines.data());
    std::uint64_t digest = 0xcbf29ce484222325ull;
    for (std::size_t j = 0; j < longestTable; ++j) {
        addToDigest(digest, cosines[j]);
        addToDigest(digest, sines[j]);
    }
    EXPECT_EQ(digest, everyTwiddleDigest);
    for (const TwiddleSample& sample : twiddleSamples) {
        EXPECT_EQ(bitsOf(cosines[sample.entry]), sample.cosine) << "cos of entry " << sample.entry;
        EXPECT_EQ(bitsOf(sines[sample.entry]), sample.sine) << "sin of entry " << sample.entry;
    }
}

// Entry j of a table of 2^B pairs reversed in B bits is the same angle as
// the corresponding entry of the longest table: a plan of any length reads
// the same values, and a table grown from a shorter one equals one built whole.
TEST(TwiddleTable, PlansOfEveryLengthShareTheLongestTablesPrefix)
{
    std::vector<double> cosines(longestTable);
    std::vector<double> sines(longestTable);
    fft::fillTwiddleTable(0, longestTable, cosines.data(), sines.data());
    fft::TransformPlans plans(fft::LanePath::single);
    for (std::int32_t k : {1, 5, 9, 14, 12, 24, 6, 20}) {
        const fft::TransformPlan& plan = plans.forLength(k);
        ASSERT_EQ(plan.k, k);
        ASSERT_EQ(plan.pairCount, k <= 4 ? 1u : std::size_t{1} << (k - 4));
        ASSERT_EQ(std::memcmp(plan.cosines, cosines.data(), plan.pairCount * sizeof(double)), 0) << "k = " << k;
        ASSERT_EQ(std::memcmp(plan.sines, sines.data(), plan.pairCount * sizeof(double)), 0) << "k = " << k;
    }
    EXPECT_EQ(plans.tableBytes(), 16 * longestTable);
    // The function itself, for the sampled entries (the table could come from
    // another code path).
    for (const TwiddleSample& sample : twiddleSamples) {
        std::size_t reversed = 0;
        for (std::size_t j = sample.entry, b = 0; b < 20; ++b, j >>= 1) reversed = (reversed << 1) | (j & 1);
        const fft::CosineSine w =
            fft::twiddleCosineSine(static_cast<double>(2 * reversed) * (3.141592653589793 / 16777216.0));
        EXPECT_EQ(bitsOf(w.cosine), sample.cosine) << "entry " << sample.entry;
        EXPECT_EQ(bitsOf(w.sine), sample.sine) << "entry " << sample.entry;
    }
}

// A product's inverse passes take their pairs' twiddles as the forward ones
// with the sines negated instead of running the recurrences from -sin: that
// gives the same bits only where no power's sine comes out as exactly zero.
// Every pair of every length is an entry of the longest table.
TEST(TwiddleTable, ConjugateTwiddlesAreTheForwardOnesWithTheSinesNegated)
{
    std::vector<double> cosines(longestTable);
    std::vector<double> sines(longestTable);
    fft::fillTwiddleTable(0, longestTable, cosines.data(), sines.data());
    std::size_t differing = 0;
    for (std::size_t j = 0; j < longestTable; ++j) {
        const fft::LaneTwiddles<double> forward = fft::twiddlePowers<double>(cosines[j], sines[j]);
        const fft::LaneTwiddles<double> inverse = fft::twiddlePowers<double>(cosines[j], -sines[j]);
        const fft::LaneTwiddles<double> negated = fft::conjugated(forward);
        for (std::size_t m = 1; m < 8; ++m) {
            const bool same = bitsOf(inverse.c[m]) == bitsOf(negated.c[m]) && bitsOf(inverse.s[m]) == bitsOf(negated.s[m]);
            if (!same && differing++ < 5) ADD_FAILURE() << "entry " << j << ", power " << m;
        }
    }
    EXPECT_EQ(differing, 0u);
}

} // namespace
} // namespace calvorn
