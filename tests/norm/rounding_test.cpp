// The exactness check of the rounding: values near a half-integer end the
// run, values near a whole number round silently, and the run keeps the
// largest distance it saw.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

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

} // namespace
} // namespace calvorn
