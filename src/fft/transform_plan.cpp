// Building the plans: the lane path, the tree shape and the shared twiddle
// table, grown when a longer length is first asked for.
#include "fft/transform_plan.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "fft/butterfly_constants.h"
#include "fft/twiddle_sincos.h"

namespace calvorn::fft {

namespace {

std::size_t reversedBits(std::size_t j, std::int32_t bits)
{
    std::size_t r = 0;
    for (std::int32_t b = 0; b < bits; ++b) {
        r = (r << 1) | (j & 1);
        j >>= 1;
    }
    return r;
}

std::int32_t log2Of(std::size_t powerOfTwo)
{
    std::int32_t bits = 0;
    while ((std::size_t{1} << bits) < powerOfTwo) ++bits;
    return bits;
}

std::size_t pairCountOf(std::int32_t k) { return k <= 4 ? 1 : std::size_t{1} << (k - 4); }

TreeShape treeShapeOf(std::int32_t k) { return {k / 3, k % 3}; }

} // namespace

std::string_view lanePathName(LanePath path)
{
    switch (path) {
    case LanePath::single:
        return "single";
    case LanePath::pairs:
        return "pairs";
    case LanePath::quads:
        return "quads";
    case LanePath::octets:
        return "octets";
    case LanePath::genericOctets:
        return "generic-octets";
    }
    return "single";
}

bool lanePathUsable(LanePath path)
{
    switch (path) {
    case LanePath::quads:
#if defined(CALVORN_FFT_QUADS)
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    case LanePath::octets:
#if defined(CALVORN_FFT_OCTETS)
        return __builtin_cpu_supports("avx512f");
#else
        return false;
#endif
    case LanePath::genericOctets:
#if defined(__GNUC__)
        return true;
#else
        return false;
#endif
    default:
        return true;
    }
}

LanePath fastestLanePath()
{
    if (lanePathUsable(LanePath::octets)) return LanePath::octets;
    if (lanePathUsable(LanePath::quads)) return LanePath::quads;
    return LanePath::pairs;
}

std::optional<LanePath> lanePathForcedByEnvironment()
{
    const char* const wanted = std::getenv("CALVORN_LANE_PATH");
    if (wanted != nullptr) {
        for (const LanePath path : everyLanePath) {
            if (lanePathName(path) == wanted && lanePathUsable(path)) return path;
        }
    }
    return std::nullopt;
}

LanePath lanePathFromEnvironment() { return lanePathForcedByEnvironment().value_or(fastestLanePath()); }

void fillTwiddleTable(std::size_t first, std::size_t count, double* cosines, double* sines)
{
    const std::int32_t bits = log2Of(count);
    const double piOverSpan = piValue / static_cast<double>(std::size_t{16} << bits);
    // A few thousand angles at a time, then their cosines and sines together.
    constexpr std::size_t run = 4096;
    double angles[run];
    for (std::size_t start = first; start < count; start += run) {
        const std::size_t length = std::min(run, count - start);
        for (std::size_t i = 0; i < length; ++i) {
            angles[i] = static_cast<double>(2 * reversedBits(start + i, bits)) * piOverSpan;
        }
        twiddleCosinesSines({angles, length}, {cosines + start, length}, {sines + start, length});
    }
}

TransformPlans::TransformPlans() : TransformPlans(lanePathFromEnvironment()) {}

TransformPlans::TransformPlans(LanePath path) : path_(path)
{
    if (!lanePathUsable(path)) {
        throw std::invalid_argument("lane path " + std::string(lanePathName(path)) + " cannot run here");
    }
}

void TransformPlans::growTable(std::size_t pairCount)
{
    const std::size_t first = tableCosines_.size();
    if (pairCount <= first) return;
    tableCosines_.resize(pairCount);
    tableSines_.resize(pairCount);
    fillTwiddleTable(first, pairCount, tableCosines_.data(), tableSines_.data());
    // The vectors may have moved: every plan built so far points at them anew.
    for (const std::unique_ptr<TransformPlan>& plan : plans_) {
        if (plan == nullptr) continue;
        plan->cosines = tableCosines_.data();
        plan->sines = tableSines_.data();
    }
}

const TransformPlan& TransformPlans::forLength(std::int32_t k)
{
    assert(k >= 1 && k <= largestPlanExponent);
    std::unique_ptr<TransformPlan>& plan = plans_[static_cast<std::size_t>(k)];
    if (plan == nullptr) {
        growTable(pairCountOf(k));
        plan = std::make_unique<TransformPlan>();
        plan->k = k;
        plan->path = path_;
        plan->shape = treeShapeOf(k);
        plan->cosines = tableCosines_.data();
        plan->sines = tableSines_.data();
        plan->pairCount = pairCountOf(k);
    }
    return *plan;
}

void TransformPlans::choose(std::int32_t k, LanePath path, const TreeTuning& tuning)
{
    assert(lanePathUsable(path));
    forLength(k);
    TransformPlan& plan = *plans_[static_cast<std::size_t>(k)];
    plan.path = path;
    plan.tuning = tuning;
}

} // namespace calvorn::fft
