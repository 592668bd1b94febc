// The exactness check of the rounding: values near a half-integer end the
// run, values near a whole number round silently, and the run keeps the
// largest distance it saw.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/vector_path.h"
#include "norm/round_to_integers.h"
#include "storage/run_errors.h"
#include "support/fake_host.h"

namespace calvorn {
namespace {

std::string roundingFailure(double value)
{
    test::FakeHost host;
    RunContext run(host, SizeParameters::withBlockWords(16, 4));
    std::array<double, 3> e{1.0, value, 7.0};
    try {
        roundToIntegers(run, e, 3);
    } catch (const RunFailure& failure) {
        return failure.what();
    }
    return "";
}

TEST(RoundToIntegers, ValuesAtOrNearAHalfEndTheRun)
{
    for (const double value : {2.5, -2.5, 2.4999995, -2.4999995, 1e6 + 0.5, 0.5,
                               std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(roundingFailure(value), "NOT EXACT IN ROUND") << value;
}

TEST(RoundToIntegers, ValuesCloseEnoughRoundToTheNearestAndRecordTheDistance)
{
    test::FakeHost host;
    RunContext run(host, SizeParameters::withBlockWords(16, 4));
    std::array<double, 7> e{2.4999, -2.4999, 3.0000001, -0.2, 123456789012.0, 2.5001, 99.0};
    roundToIntegers(run, e, 6);
    EXPECT_EQ(e, (std::array<double, 7>{2.0, -2.0, 3.0, 0.0, 123456789012.0, 3.0, 99.0}));
    EXPECT_NEAR(run.largestRoundingDistance, 0.4999, 1e-12);

    // A later, closer product keeps the earlier maximum.
    std::array<double, 2> f{5.25, 6.0};
    roundToIntegers(run, f, 2);
    EXPECT_NEAR(run.largestRoundingDistance, 0.4999, 1e-12);
    EXPECT_EQ(f[0], 5.0);
}

TEST(RoundToIntegers, OnlyTheCountedElementsAreTouched)
{
    test::FakeHost host;
    RunContext run(host, SizeParameters::withBlockWords(16, 4));
    std::array<double, 3> e{1.2, 2.5, 3.7};
    roundToIntegers(run, e, 1);  // 2.5 lies outside the count
    EXPECT_EQ(e, (std::array<double, 3>{1.0, 2.5, 3.7}));
}

// The rule, value by value, as the reference for long arrays: the rounded
// values, the largest distance up to and including a failing value, and
// where the failure comes.
struct Reference {
    std::vector<double> values;
    double largest = 0.0;
    std::size_t failedAt = 0;  // the count when nothing failed
};

Reference roundOneByOne(std::vector<double> e, double largest)
{
    Reference r{std::move(e), largest, 0};
    for (r.failedAt = 0; r.failedAt < r.values.size(); ++r.failedAt) {
        const double value = r.values[r.failedAt];
        const double rounded = value >= 0.0 ? std::floor(value + 0.5) : -std::floor(0.5 - value);
        r.values[r.failedAt] = rounded;
        r.largest = std::max(r.largest, std::fabs(value - rounded));
        if (!((value - rounded) * (value - rounded) < 0.249999)) break;
    }
    return r;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::bit_cast<std::uint64_t>(a[i]) != std::bit_cast<std::uint64_t>(b[i])) return false;
    return true;
}

// Long arrays take the fast path where the processor has one: the same
// values bit for bit (signed zeros included), the same largest distance, and
// a failure at the same value with the values after it untouched; values
// from `kept` on are checked alike and left as they were.
TEST(RoundToIntegers, LongArraysRoundAndFailExactlyAsValueByValue)
{
    std::mt19937_64 random(777);
    std::uniform_real_distribution<double> spread(-1e12, 1e12);
    std::uniform_real_distribution<double> near(-0.49, 0.49);
    const double failing[] = {2.5, -7.5, std::numeric_limits<double>::quiet_NaN(), 0.4999995};
    for (const std::size_t count : {8u, 9u, 15u, 16u, 17u, 64u, 1000u}) {
        for (int trial = 0; trial < 12; ++trial) {
            std::vector<double> e(count);
            for (auto& v : e) v = std::round(spread(random) / (1 + trial * 1e3)) + near(random);
            e[count / 3] = -0.0;
            e[count / 2] = 0.25 * (trial % 3 == 0 ? -1 : 1);
            const bool fails = trial % 2 == 1;
            const std::size_t at = (static_cast<std::size_t>(trial) * 5) % count;
            if (fails) e[at] = failing[trial % 4];

            const Reference expected = roundOneByOne(e, 0.125);
            if (fails) {
                ASSERT_EQ(expected.failedAt, at);
            }
            // Rounded in place throughout, and only below `kept` (the rest
            // checked but left as it was).
            for (const std::size_t kept : {count, count / 2 + 1, std::size_t{3}}) {
                SCOPED_TRACE(testing::Message() << "count " << count << " trial " << trial << " kept " << kept);
                test::FakeHost host;
                RunContext run(host, SizeParameters::withBlockWords(16, 4));
                run.largestRoundingDistance = 0.125;
                std::vector<double> values = e;
                bool threw = false;
                try {
                    roundToIntegers(run, values, static_cast<std::int32_t>(count), static_cast<std::int32_t>(kept));
                } catch (const RunFailure&) {
                    threw = true;
                }
                ASSERT_EQ(threw, fails);
                std::vector<double> wanted = expected.values;
                std::copy(e.begin() + static_cast<std::ptrdiff_t>(kept), e.end(),
                          wanted.begin() + static_cast<std::ptrdiff_t>(kept));
                ASSERT_TRUE(sameBits(values, wanted));
                ASSERT_EQ(run.largestRoundingDistance, expected.largest);
            }
        }
    }
}

// The threshold itself, from both sides: next to each whole number k, the
// last value whose squared distance (as the check computes it) stays below
// 0.249999 and the first one at or above it, on either side of k. The
// boundary is worked out here from that one figure, not from the code's
// constant.
struct Boundary {
    double lastPassing;
    double firstFailing;
};

double squaredDistance(double value)
{
    const double rounded = value >= 0.0 ? std::floor(value + 0.5) : -std::floor(0.5 - value);
    return (value - rounded) * (value - rounded);
}

// Halves the interval between k + direction * 0.499998 (inside) and
// k + direction * 0.49999999 (outside) down to two neighbouring values.
Boundary boundaryNear(double k, double direction)
{
    constexpr double threshold = 0.249999;
    double inside = k + direction * 0.499998;
    double outside = k + direction * 0.49999999;
    while (std::nextafter(inside, outside) != outside) {
        const double middle = inside + (outside - inside) / 2;
        if (squaredDistance(middle) < threshold)
            inside = middle;
        else
            outside = middle;
    }
    return {inside, outside};
}

std::vector<Boundary> boundaries()
{
    std::vector<Boundary> list;
    for (const double k : {0.0, 1.0, 2.0, 1000.0, -3.0, 123456.0})
        for (const double direction : {1.0, -1.0}) list.push_back(boundaryNear(k, direction));
    return list;
}

TEST(RoundToIntegers, TheThresholdIsPinnedFromBothSides)
{
    for (const Boundary& b : boundaries()) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << b.lastPassing << " / " << b.firstFailing);
        ASSERT_LT(squaredDistance(b.lastPassing), 0.249999);
        ASSERT_GE(squaredDistance(b.firstFailing), 0.249999);
        // The walk moved in steps far below the check's margin of 10^-6.
        ASSERT_LT(std::fabs(b.firstFailing - b.lastPassing), 1e-9);
        EXPECT_EQ(roundingFailure(b.lastPassing), "");
        EXPECT_EQ(roundingFailure(b.firstFailing), "NOT EXACT IN ROUND");

        // Long arrays go eight at a time where the processor allows: every
        // value at the passing edge, then one value at the failing edge.
        test::FakeHost host;
        RunContext run(host, SizeParameters::withBlockWords(16, 4));
        std::vector<double> edge(24, b.lastPassing);
        EXPECT_NO_THROW(roundToIntegers(run, edge, 24));
        for (const std::size_t at : {0u, 7u, 13u, 23u}) {
            std::vector<double> failing(24, b.lastPassing);
            failing[at] = b.firstFailing;
            EXPECT_THROW(roundToIntegers(run, failing, 24), RunFailure) << "at " << at;
            failing[at] = b.firstFailing;
            EXPECT_THROW(roundToIntegers(run, failing, 24, 4), RunFailure) << "checked only, at " << at;
        }
    }
}

#if defined(CALVORN_AVX2)
// The eight-at-a-time path on its own (where the processor has it): it takes
// a group only when every value in it passes, with the same edge.
TEST(RoundToIntegers, TheFastPathHasTheSameThreshold)
{
    if (!avx2Usable()) GTEST_SKIP() << "no AVX2 on this processor";
    for (const Boundary& b : boundaries()) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << b.lastPassing);
        double largest = 0.0;
        std::uint64_t fingerprint = 0;
        std::vector<double> edge(16, b.lastPassing);
        EXPECT_EQ(quads::checkWhileExact(edge, largest, fingerprint), 16u);
        EXPECT_EQ(quads::roundWhileExact(edge, largest, fingerprint), 16u);
        std::vector<double> failing(16, b.lastPassing);
        failing[11] = b.firstFailing;
        EXPECT_EQ(quads::checkWhileExact(failing, largest, fingerprint), 8u);
        EXPECT_EQ(quads::roundWhileExact(failing, largest, fingerprint), 8u);
    }
}
#endif

} // namespace
} // namespace calvorn
