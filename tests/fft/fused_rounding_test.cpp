// Products rounded as the inverse's last pass writes them, against the plain
// product rounded afterwards by the rounding's definition (floor(x + 0.5) for
// x >= 0, else -floor(0.5 - x); squared distance below the limit), on every
// lane path: the same doubles in the array, the same largest distance and the
// same fingerprint; and a refusal, never a wrong "exact", where some value is
// not close to a whole number.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "fft/lane_path_tests.h"
#include "fft/lane_paths.h"
#include "fft/real_fft.h"

namespace calvorn {
namespace {

constexpr double squaredLimit = 0.249999;

struct Rounded {
    std::vector<double> values;
    bool exact = true;
    double largest = 0.0;
    std::uint64_t fingerprint = 0;
};

// The separate rounding, from its definition.
Rounded roundAfterwards(std::vector<double> values, std::size_t kept)
{
    Rounded r;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        const double whole = v >= 0.0 ? std::floor(v + 0.5) : -std::floor(0.5 - v);
        const double distance = v - whole;
        r.exact = r.exact && distance * distance < squaredLimit;
        r.largest = std::max(r.largest, std::fabs(distance));
        r.fingerprint += std::bit_cast<std::uint64_t>(v);
        if (i < kept) values[i] = whole;
    }
    r.values = std::move(values);
    return r;
}

std::vector<double> randomDigits(std::size_t n, std::mt19937_64& random)
{
    std::vector<double> x(n, 0.0);
    for (std::size_t i = 0; i < n / 2; ++i) x[i] = static_cast<double>(random() % 10000);
    return x;
}

// A spectrum in the products' order, from the path's own forward transform.
std::vector<double> spectrumOf(const fft::TransformPlan& plan, fft::LanePath path, std::vector<double> x)
{
    fft::forwardTransform(plan, path, x, fft::SpectrumOrder::pairsReversed);
    return x;
}

std::size_t firstDifference(const std::vector<double>& got, const std::vector<double>& want)
{
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (std::memcmp(&got[i], &want[i], sizeof(double)) != 0) return i;
    }
    return got.size();
}

class FusedRoundingOnEveryPath : public test::OnEveryLanePath {
protected:
    // The fused product (or square, other empty) of x against the plain one
    // rounded afterwards, with values [0, kept) written back.
    void expectSameAsAfterwards(std::int32_t k, const std::vector<double>& x, const std::vector<double>& other,
                                std::size_t kept, const std::string& what)
    {
        const fft::TransformPlan& plan = plans_.forLength(k);
        std::vector<double> plain = x;
        fft::productTransform(plan, GetParam(), plain, other);
        const Rounded want = roundAfterwards(plain, kept);
        ASSERT_TRUE(want.exact) << what;

        std::vector<double> fused = x;
        fft::FusedRounding rounding;
        rounding.kept = kept;
        rounding.squaredLimit = squaredLimit;
        fft::productTransform(plan, GetParam(), fused, other, rounding);
        ASSERT_TRUE(rounding.exact) << what;
        EXPECT_EQ(firstDifference(fused, want.values), fused.size()) << what;
        EXPECT_EQ(rounding.largest, want.largest) << what;
        EXPECT_EQ(rounding.fingerprint, want.fingerprint) << what;
    }

    // Whether the fused rounding of the product of x with itself passes.
    bool fusedSquareExact(std::int32_t k, std::vector<double> x)
    {
        fft::FusedRounding rounding;
        rounding.kept = x.size();
        rounding.squaredLimit = squaredLimit;
        fft::productTransform(plans_.forLength(k), GetParam(), x, {}, rounding);
        return rounding.exact;
    }

    fft::TransformPlans plans_{GetParam()};
};

// Every length, with the kept count at the ends and across lane sets (odd
// counts split a vector of lanes between rounded and computed values).
TEST_P(FusedRoundingOnEveryPath, SameValuesDistanceAndFingerprintAsRoundingAfterwards)
{
    std::mt19937_64 random(20261208);
    for (std::int32_t k = 1; k <= 18; ++k) {
        const std::size_t n = std::size_t{1} << k;
        const std::vector<double> x = randomDigits(n, random);
        const std::vector<double> y = spectrumOf(plans_.forLength(k), GetParam(), randomDigits(n, random));
        for (const std::size_t kept : {std::size_t{0}, n / 2 + 5, n - 3, n}) {
            const std::string what = "k = " + std::to_string(k) + ", kept " + std::to_string(kept) + ", " +
                                     std::string(fft::lanePathName(GetParam()));
            expectSameAsAfterwards(k, x, y, kept, "product, " + what);
            expectSameAsAfterwards(k, x, {}, kept, "square, " + what);
        }
    }
}

// Sums that are not whole numbers (halves in the data) or not numbers at all
// are refused, at every length, wherever in the array they fall.
TEST_P(FusedRoundingOnEveryPath, RefusesWhatIsNotCloseToAWholeNumber)
{
    for (const std::int32_t k : {3, 6, 7, 8, 12, 13, 14}) {
        const std::size_t n = std::size_t{1} << k;
        std::mt19937_64 random(static_cast<std::uint64_t>(k));
        const std::vector<double> digits = randomDigits(n, random);
        ASSERT_TRUE(fusedSquareExact(k, digits)) << "k = " << k;

        // Two halves in the data: the sum where they meet has a half in it.
        std::vector<double> halves = digits;
        halves[1] += 0.5;
        halves[n / 4 + 1] += 0.5;
        EXPECT_FALSE(fusedSquareExact(k, halves)) << "halves in the data, k = " << k;


        std::vector<double> notANumber = digits;
        notANumber[n / 2 - 1] = std::numeric_limits<double>::quiet_NaN();
        EXPECT_FALSE(fusedSquareExact(k, notANumber)) << "NaN, k = " << k;
    }
}

// The square that keeps its spectrum: the spectrum left in x is the forward
// transform's to the bit, and the square in y is the product's, rounded as
// afterwards; y's old contents (NaN here) are never read.
TEST_P(FusedRoundingOnEveryPath, SquareKeepingTheSpectrumMatchesTheStepsInTurn)
{
    std::mt19937_64 random(20261209);
    for (std::int32_t k = 1; k <= 18; ++k) {
        const std::size_t n = std::size_t{1} << k;
        const fft::TransformPlan& plan = plans_.forLength(k);
        const std::vector<double> x = randomDigits(n, random);
        const std::vector<double> spectrum = spectrumOf(plan, GetParam(), x);
        std::vector<double> plain = x;
        fft::productTransform(plan, GetParam(), plain, {});
        const std::size_t kept = n / 2 + 3;
        const Rounded want = roundAfterwards(plain, kept);

        std::vector<double> keptSpectrum = x;
        std::vector<double> square(n, std::numeric_limits<double>::quiet_NaN());
        fft::FusedRounding rounding;
        rounding.kept = kept;
        rounding.squaredLimit = squaredLimit;
        fft::squareKeepingSpectrum(plan, GetParam(), keptSpectrum, square, rounding);
        const std::string what = "k = " + std::to_string(k) + ", " + std::string(fft::lanePathName(GetParam()));
        EXPECT_EQ(firstDifference(keptSpectrum, spectrum), n) << "spectrum, " << what;
        ASSERT_TRUE(rounding.exact) << what;
        EXPECT_EQ(firstDifference(square, want.values), n) << "square, " << what;
        EXPECT_EQ(rounding.largest, want.largest) << what;
        EXPECT_EQ(rounding.fingerprint, want.fingerprint) << what;
    }
}

// Sums of 2^51 and more, where doubles are at most a half apart: what the
// fused rounding passes is what the rounding afterwards gives, and what that
// refuses the fused one refuses too.
TEST_P(FusedRoundingOnEveryPath, LargeSumsRoundAsAfterwardsOrAreRefused)
{
    std::mt19937_64 random(51);
    int passed = 0;
    int refused = 0;
    for (std::int32_t k = 2; k <= 14; ++k) {
        const std::size_t n = std::size_t{1} << k;
        for (const double scale : {1.0, 3e3, 1e4, 3e4, 1e5, 1e6}) {
            std::vector<double> x(n, 0.0);
            for (std::size_t i = 0; i < n / 2; ++i) x[i] = std::floor(scale * static_cast<double>(random() % 100000));
            // One large value alone, whose square is 2^52 + 2^27 + 1.
            if (scale == 1.0) {
                std::fill(x.begin(), x.end(), 0.0);
                x[0] = 67108865.0;
            }
            std::vector<double> plain = x;
            fft::productTransform(plans_.forLength(k), GetParam(), plain, {});
            const Rounded want = roundAfterwards(plain, n);
            std::vector<double> fused = x;
            fft::FusedRounding rounding;
            rounding.kept = n;
            rounding.squaredLimit = squaredLimit;
            fft::productTransform(plans_.forLength(k), GetParam(), fused, {}, rounding);
            const std::string what = "k = " + std::to_string(k) + ", scale " + std::to_string(scale);
            if (!want.exact) {
                EXPECT_FALSE(rounding.exact) << what;
            }
            if (rounding.exact) {
                EXPECT_TRUE(want.exact) << what;
                EXPECT_EQ(firstDifference(fused, want.values), n) << what;
                EXPECT_EQ(rounding.fingerprint, want.fingerprint) << what;
                ++passed;
            } else {
                ++refused;
            }
        }
    }
    EXPECT_GT(passed, 0);
    EXPECT_GT(refused, 0);
}

INSTANTIATE_TEST_SUITE_P(Products, FusedRoundingOnEveryPath, ::testing::ValuesIn(fft::everyLanePath),
                         test::lanePathTestName);

} // namespace
} // namespace calvorn
