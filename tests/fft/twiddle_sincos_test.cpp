// The program's own cosine and sine against MPFR: for every twiddle angle,
// the double nearest the exact cosine and sine of the double angle (200
// bits, rounded to nearest). Every angle of a transform of 2^k doubles is
// (2r) * (pi / 2^24) for some r < 2^20 (the same double), so the angles of
// r = 0 .. 2^20 - 1 are all there are; r a multiple of 16 gives those of
// the lengths up to 2^20.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include <mpfr.h>

#include "fft/twiddle_sincos.h"

namespace calvorn {
namespace {

constexpr double piValue = 3.141592653589793;

struct Comparison {
    std::uint64_t angles = 0;
    std::uint64_t mismatches = 0;
    std::uint64_t firstMismatch = 0;
    std::uint64_t libraryDiffers = 0; // angles where the C library's cos or sin is not the nearest double
};

// Angles (2r) * (pi / 2^24) for r = 0, step, 2 * step, ... < 2^20.
Comparison compareWithMpfr(std::uint64_t step)
{
    const double piOverSpan = piValue / 16777216.0;
    mpfr_t angle;
    mpfr_t value;
    mpfr_init2(angle, 200);
    mpfr_init2(value, 200);
    Comparison result;
    for (std::uint64_t r = 0; r < (std::uint64_t{1} << 20); r += step) {
        const double x = static_cast<double>(2 * r) * piOverSpan;
        mpfr_set_d(angle, x, MPFR_RNDN);
        mpfr_cos(value, angle, MPFR_RNDN);
        const double cosine = mpfr_get_d(value, MPFR_RNDN);
        mpfr_sin(value, angle, MPFR_RNDN);
        const double sine = mpfr_get_d(value, MPFR_RNDN);
        const fft::CosineSine own = fft::twiddleCosineSine(x);
        ++result.angles;
        if (own.cosine != cosine || own.sine != sine) {
            if (result.mismatches == 0) result.firstMismatch = r;
            ++result.mismatches;
        }
        if (std::cos(x) != cosine || std::sin(x) != sine) ++result.libraryDiffers;
    }
    mpfr_clear(angle);
    mpfr_clear(value);
    return result;
}

void expectEveryAngleNearest(std::uint64_t step)
{
    const Comparison result = compareWithMpfr(step);
    testing::Test::RecordProperty("angles", std::to_string(result.angles));
    testing::Test::RecordProperty("c_library_differs", std::to_string(result.libraryDiffers));
    EXPECT_EQ(result.mismatches, 0u) << "of " << result.angles << " angles; the first at r = " << result.firstMismatch;
}

TEST(TwiddleCosineSine, NearestDoubleForEveryAngleUpToTwoToTheTwenty) { expectEveryAngleNearest(16); }

// All 2^20 angles (about ten seconds); ctest label "long".
TEST(TwiddleCosineSine, DISABLED_NearestDoubleForEveryAngle) { expectEveryAngleNearest(1); }

TEST(TwiddleCosineSine, ExactAtZeroAndExactConstantsOfTheButterflies)
{
    const fft::CosineSine zero = fft::twiddleCosineSine(0.0);
    EXPECT_EQ(zero.cosine, 1.0);
    EXPECT_EQ(zero.sine, 0.0);
    EXPECT_FALSE(std::signbit(zero.sine));
    // pi/8 lies just outside the twiddles' interval; the butterflies' own
    // constants are its correctly rounded cosine and sine.
    const fft::CosineSine eighth = fft::twiddleCosineSine(piValue / 8.0);
    EXPECT_EQ(eighth.cosine, 0.9238795325112867);
    EXPECT_EQ(eighth.sine, 0.3826834323650898);
}

} // namespace
} // namespace calvorn
