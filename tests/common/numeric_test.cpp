// The truncation and rounding helpers against their defining formulas on the
// library's floor, bit for bit (signed zeros, halves, the 2^52 edge, NaN and
// infinities included), and the worked values of both.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "common/numeric.h"

namespace calvorn {
namespace {

double plainTruncate(double x) { return x > 0.0 ? std::floor(x) : -std::floor(-x); }
double plainRound(double x) { return x >= 0.0 ? std::floor(x + 0.5) : -std::floor(0.5 - x); }

std::uint64_t bitsOf(double x)
{
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

void expectSameBits(double x)
{
    EXPECT_EQ(bitsOf(truncateTowardZero(x)), bitsOf(plainTruncate(x))) << "truncate " << x;
    EXPECT_EQ(bitsOf(roundHalfAway(x)), bitsOf(plainRound(x))) << "round " << x;
}

TEST(NumericHelpers, WorkedValues)
{
    EXPECT_EQ(truncateTowardZero(2.7), 2.0);
    EXPECT_EQ(truncateTowardZero(-2.7), -2.0);
    EXPECT_TRUE(std::signbit(truncateTowardZero(-0.3)));
    EXPECT_EQ(roundHalfAway(2.5), 3.0);
    EXPECT_EQ(roundHalfAway(-2.5), -3.0);
    EXPECT_EQ(roundHalfAway(2.4999), 2.0);
    EXPECT_TRUE(std::signbit(roundHalfAway(-0.3)));
    EXPECT_FALSE(std::signbit(roundHalfAway(-0.0)));
}

TEST(NumericHelpers, EdgesMatchTheFloorFormulasBitForBit)
{
    const double big = 4503599627370496.0; // 2^52
    std::vector<double> edges{0.0, -0.0, 0.5, -0.5, 1.0, -1.0, 0.49999999999999994, -0.49999999999999994,
                              1.5, -1.5, 2.5, -2.5, 99999999.99999999, -99999999.99999999,
                              std::nextafter(big, 0.0), -std::nextafter(big, 0.0), big, -big,
                              big - 0.5, -(big - 0.5), big + 1.0, 1e300, -1e300,
                              std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (double x : edges) expectSameBits(x);
    EXPECT_TRUE(std::isnan(truncateTowardZero(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_TRUE(std::isnan(roundHalfAway(std::numeric_limits<double>::quiet_NaN())));
}

// Whole numbers, halves and their neighbours, and random values of every
// magnitude up to beyond 2^53, of both signs.
TEST(NumericHelpers, ManyValuesMatchTheFloorFormulasBitForBit)
{
    std::mt19937_64 random(8128);
    for (int i = 0; i < 200000; ++i) {
        const int exponent = static_cast<int>(random() % 70) - 12;
        const double magnitude = std::ldexp(static_cast<double>(random() >> 11) * 0x1p-53, exponent);
        const double x = (random() & 1) ? -magnitude : magnitude;
        expectSameBits(x);
        const double half = std::floor(x) + 0.5;
        expectSameBits(half);
        expectSameBits(std::nextafter(half, 0.0));
        expectSameBits(std::nextafter(half, 1e300));
    }
}

} // namespace
} // namespace calvorn
