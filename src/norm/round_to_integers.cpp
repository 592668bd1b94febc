#include "norm/round_to_integers.h"

#include <cmath>
#include <limits>

#include "common/numeric.h"
#include "common/vector_path.h"
#include "storage/run_errors.h"

namespace calvorn {

namespace {

// One value: rounded (and written back when `keep`), its distance counted,
// and a failure raised with the largest distance up to it. Written as "not
// below" so that a NaN fails as well.
void roundOne(RunContext& run, double& element, double& largest, std::uint64_t& fingerprint, bool keep)
{
    const double value = element;
    fingerprint += fingerprintBits(value);
    const double rounded = roundHalfAway(value);
    if (keep) element = rounded;
    const double distance = value - rounded;
    const double size = std::fabs(distance);
    if (size > largest) largest = size;
    if (!(distance * distance < largestSquaredRoundingDistance)) {
        run.largestRoundingDistance = largest;
        run.workFingerprint = fingerprint;
        throw RunFailure("NOT EXACT IN ROUND");
    }
}

} // namespace

void roundToIntegers(RunContext& run, std::span<double> e, std::int32_t count)
{
    roundToIntegers(run, e, count, count);
}

void roundToIntegers(RunContext& run, std::span<double> e, std::int32_t count, std::int32_t kept)
{
    const auto end = static_cast<std::size_t>(count);
    const std::size_t keptEnd = kept < count ? static_cast<std::size_t>(kept) : end;
    double largest = run.largestRoundingDistance;
    std::uint64_t fingerprint = run.workFingerprint;
    if (run.nudgeNextRoundedValue && end > 0) {
        // A fault injected for a test: one unit in the last place, too little
        // to change the integer the value rounds to.
        e[0] = std::nextafter(e[0], std::numeric_limits<double>::infinity());
        run.nudgeNextRoundedValue = false;
    }
    [[maybe_unused]] const bool fast = avx2Usable();
    std::size_t t = 0;
    // Eight values at a time where the processor allows while every value
    // passes; the rest, and a group of eight that holds a failing value, one
    // value after another, so that the failure comes at that value.
#if defined(CALVORN_AVX2)
    if (fast) t = quads::roundWhileExact(e.first(keptEnd), largest, fingerprint);
#endif
    for (; t < keptEnd; ++t) roundOne(run, e[t], largest, fingerprint, true);
#if defined(CALVORN_AVX2)
    if (fast) t += quads::checkWhileExact(e.subspan(keptEnd, end - keptEnd), largest, fingerprint);
#endif
    for (; t < end; ++t) roundOne(run, e[t], largest, fingerprint, false);
    run.largestRoundingDistance = largest;
    run.workFingerprint = fingerprint;
}

} // namespace calvorn
