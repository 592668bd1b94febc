// Small transforms and reorderings worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "fft/permutations.h"
#include "fft/real_fft.h"
#include "fft/twiddle_walk.h"

namespace calvorn {
namespace {

TEST(WorkedExamples, LengthTwoIgnoresTheUpperElementAndInvertsByHalfSumAndDifference)
{
    fft::TransformPlans plans;
    std::vector<double> x{3.0, 123.0};
    realFftForward(plans.forLength(1), x);
    EXPECT_EQ(x, (std::vector<double>{3.0, 3.0}));

    std::vector<double> y{7.0, 3.0};
    realFftInverse(plans.forLength(1), y);
    EXPECT_EQ(y, (std::vector<double>{5.0, 2.0}));
}

TEST(WorkedExamples, LengthFourBothWays)
{
    fft::TransformPlans plans;
    std::vector<double> x{3.0, 5.0, 7.0, 11.0};
    realFftForward(plans.forLength(2), x);
    EXPECT_EQ(x, (std::vector<double>{8.0, -2.0, 3.0, 5.0}));
    realFftInverse(plans.forLength(2), x);
    EXPECT_EQ(x, (std::vector<double>{3.0, 5.0, 0.0, 0.0}));
}

TEST(WorkedExamples, UnitImpulseHasAFlatRealSpectrum)
{
    fft::TransformPlans plans;
    std::vector<double> x(16, 0.0);
    x[0] = 1.0;
    realFftForward(plans.forLength(4), x);
    std::vector<double> want(16, 0.0);
    for (std::size_t i = 0; i < 16; i += 2) want[i] = 1.0;
    want[1] = 1.0; // the Nyquist term
    EXPECT_EQ(x, want);
}

std::vector<double> indices(std::size_t n)
{
    std::vector<double> x(n);
    std::iota(x.begin(), x.end(), 0.0);
    return x;
}

TEST(Permutations, OrdersAtLengthSixteen)
{
    std::vector<double> x = indices(16);
    fft::reverseOddTerms(4, x);
    EXPECT_EQ(x, (std::vector<double>{0, 1, 2, 3, 4, 7, 6, 5, 8, 15, 10, 13, 12, 11, 14, 9}));

    x = indices(16);
    fft::bitReversePairs(4, x);
    EXPECT_EQ(x, (std::vector<double>{0, 1, 8, 9, 4, 5, 12, 13, 2, 3, 10, 11, 6, 7, 14, 15}));
}

TEST(Permutations, ShortLengthsStay)
{
    for (std::int32_t k = 1; k <= 2; ++k) {
        std::vector<double> x = indices(std::size_t{1} << k);
        fft::reverseOddTerms(k, x);
        fft::bitReversePairs(k, x);
        EXPECT_EQ(x, indices(std::size_t{1} << k)) << "k = " << k;
    }
}

std::vector<fft::TwiddledPair> pairsOfSpan(std::int32_t span)
{
    std::vector<fft::TwiddledPair> pairs;
    fft::forEachTwiddledPair(span, [&](const fft::TwiddledPair& pair) { pairs.push_back(pair); });
    return pairs;
}

TEST(TwiddleWalk, PairsAndAnglesOfSmallSpans)
{
    EXPECT_TRUE(pairsOfSpan(8).empty());
    EXPECT_TRUE(pairsOfSpan(16).empty());

    const auto span32 = pairsOfSpan(32);
    ASSERT_EQ(span32.size(), 1u);
    EXPECT_EQ(span32[0].evenGroup, 2);
    EXPECT_EQ(span32[0].oddGroup, 3);
    EXPECT_EQ(span32[0].angleSteps, 2); // 2 pi / 32

    const auto span128 = pairsOfSpan(128);
    const std::int32_t want[7][3] = {{2, 3, 8},   {4, 7, 4},   {6, 5, 12}, {8, 15, 2},
                                     {10, 13, 10}, {12, 11, 6}, {14, 9, 14}};
    ASSERT_EQ(span128.size(), 7u);
    for (std::size_t s = 0; s < 7; ++s) {
        EXPECT_EQ(span128[s].evenGroup, want[s][0]) << "pair " << s + 1;
        EXPECT_EQ(span128[s].oddGroup, want[s][1]) << "pair " << s + 1;
        EXPECT_EQ(span128[s].angleSteps, want[s][2]) << "pair " << s + 1;
    }
}

// The largest spans occur only in transforms too long for the convolution
// tests, and a wrong angle there would cancel in a round trip: check that the
// walk covers every group and every angle exactly once.
TEST(TwiddleWalk, LargestSpanVisitsEveryGroupAndAngleOnce)
{
    constexpr std::int32_t span = 1 << 24;
    std::vector<bool> seen(span / 8, false);
    std::vector<bool> angleSeen(span / 16, false);
    seen[0] = seen[1] = true;
    angleSeen[0] = true;
    fft::forEachTwiddledPair(span, [&](const fft::TwiddledPair& pair) {
        ASSERT_FALSE(seen[pair.evenGroup] || seen[pair.oddGroup]);
        seen[pair.evenGroup] = seen[pair.oddGroup] = true;
        ASSERT_EQ(pair.angleSteps % 2, 0);
        ASSERT_FALSE(angleSeen[pair.angleSteps / 2]);
        angleSeen[pair.angleSteps / 2] = true;
    });
    EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0);
    EXPECT_EQ(std::count(angleSeen.begin(), angleSeen.end(), false), 0);
}

} // namespace
} // namespace calvorn
