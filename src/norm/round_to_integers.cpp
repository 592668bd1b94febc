#include "norm/round_to_integers.h"

#include <cmath>

#include "common/numeric.h"
#include "common/vector_path.h"
#include "storage/run_errors.h"

namespace calvorn {

void roundToIntegers(RunContext& run, std::span<double> e, std::int32_t count)
{
    double largest = run.largestRoundingDistance;
    std::size_t t = 0;
    const std::size_t end = static_cast<std::size_t>(count);
#if defined(CALVORN_AVX2)
    if (avx2Usable()) t = quads::roundWhileExact(e.first(end), largest);
#endif
    // The rest, and a group of eight that holds a value too far from a whole
    // number: one value after another, so that the failure comes at that
    // value with the largest distance up to it.
    for (; t < end; ++t) {
        const double value = e[t];
        const double rounded = roundHalfAway(value);
        e[t] = rounded;
        const double distance = value - rounded;
        const double size = std::fabs(distance);
        if (size > largest) largest = size;
        // Written as "not below" so that a NaN fails as well.
        if (!(distance * distance < largestSquaredRoundingDistance)) {
            run.largestRoundingDistance = largest;
            throw RunFailure("NOT EXACT IN ROUND");
        }
    }
    run.largestRoundingDistance = largest;
}

} // namespace calvorn
