#include "norm/round_to_integers.h"

#include <cmath>

#include "common/numeric.h"
#include "storage/run_errors.h"

namespace calvorn {

namespace {
// |d| of 0.499998999999 (the square root of this) or more means the value
// could belong to either neighbour: the transform was not accurate enough.
constexpr double largestSquaredDistance = 0.249999;
} // namespace

void roundToIntegers(RunContext& run, std::span<double> e, std::int32_t count)
{
    for (std::int32_t t = 0; t < count; ++t) {
        const double value = e[t];
        const double rounded = roundHalfAway(value);
        e[t] = rounded;
        const double distance = value - rounded;
        const double size = std::fabs(distance);
        if (size > run.largestRoundingDistance) run.largestRoundingDistance = size;
        // Written as "not below" so that a NaN fails as well.
        if (!(distance * distance < largestSquaredDistance)) throw RunFailure("NOT EXACT IN ROUND");
    }
}

} // namespace calvorn
