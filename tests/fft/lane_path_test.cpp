// Choosing the lane path: CALVORN_LANE_PATH forces one for the whole program
// when it names a path that can run here; anything else leaves the fastest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "fft/transform_plan.h"

namespace calvorn {
namespace {

// Sets CALVORN_LANE_PATH for the life of the object and puts back what was there.
class ForcedLanePath {
public:
    explicit ForcedLanePath(const char* value)
    {
        if (const char* old = std::getenv(name)) previous_ = old;
        set(value);
    }
    ~ForcedLanePath() { set(previous_ ? previous_->c_str() : nullptr); }
    ForcedLanePath(const ForcedLanePath&) = delete;
    ForcedLanePath& operator=(const ForcedLanePath&) = delete;

private:
    static void set(const char* value)
    {
#if defined(_WIN32)
        _putenv_s(name, value != nullptr ? value : "");
#else
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
#endif
    }
    static constexpr const char* name = "CALVORN_LANE_PATH";
    std::optional<std::string> previous_;
};

TEST(LanePaths, TheEnvironmentForcesEveryUsablePathAndNothingElse)
{
    for (const fft::LanePath path : fft::everyLanePath) {
        const ForcedLanePath forced(std::string(fft::lanePathName(path)).c_str());
        const fft::LanePath expected = fft::lanePathUsable(path) ? path : fft::fastestLanePath();
        EXPECT_EQ(fft::lanePathFromEnvironment(), expected) << fft::lanePathName(path);
        fft::TransformPlans plans;
        EXPECT_EQ(plans.lanePath(), expected) << fft::lanePathName(path);
        EXPECT_EQ(plans.forLength(10).path, expected) << fft::lanePathName(path);
    }
    for (const char* unknown : {"", "octet", "OCTETS", "fastest", "single "}) {
        const ForcedLanePath forced(unknown);
        EXPECT_EQ(fft::lanePathFromEnvironment(), fft::fastestLanePath()) << '"' << unknown << '"';
    }
}

TEST(LanePaths, NamesAreDistinctAndTheFastestCanRun)
{
    EXPECT_TRUE(fft::lanePathUsable(fft::fastestLanePath()));
    EXPECT_TRUE(fft::lanePathUsable(fft::LanePath::single));
    EXPECT_TRUE(fft::lanePathUsable(fft::LanePath::pairs));
    EXPECT_EQ(fft::lanePathName(fft::LanePath::genericOctets), "generic-octets");
    for (const fft::LanePath a : fft::everyLanePath) {
        for (const fft::LanePath b : fft::everyLanePath) {
            if (a != b) {
                EXPECT_NE(fft::lanePathName(a), fft::lanePathName(b));
            }
        }
    }
}

TEST(LanePaths, PlansRefuseAPathThatCannotRun)
{
    for (const fft::LanePath path : fft::everyLanePath) {
        if (fft::lanePathUsable(path)) continue;
        EXPECT_THROW(fft::TransformPlans plans(path), std::invalid_argument) << fft::lanePathName(path);
    }
}

} // namespace
} // namespace calvorn
