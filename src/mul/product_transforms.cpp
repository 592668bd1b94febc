#include "mul/product_transforms.h"

#include <chrono>
#include <cstddef>

#include "fft/real_fft.h"
#include "norm/round_to_integers.h"

namespace calvorn {
namespace {

using fft::TransformWork;

// Runs one transform of 2^k doubles with the lane path and tuning the planner
// gives it, and tells the planner how long it took when it asks.
template <typename Transform>
void planned(RunContext& run, std::int32_t k, TransformWork work, Transform transform)
{
    const fft::TransformPlanner::Turn turn = run.planner.next(k, work);
    run.transformPlans.choose(k, turn.variant.path, turn.variant.tuning);
    const fft::TransformPlan& plan = run.transformPlans.forLength(k);
    if (!turn.timed) {
        transform(plan);
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    transform(plan);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    run.planner.finish(k, work, took.count());
}

void countBoth(RunContext& run, std::int32_t k)
{
    ++run.transforms.forward[static_cast<std::size_t>(k)];
    ++run.transforms.inverse[static_cast<std::size_t>(k)];
}

} // namespace

void transformForward(RunContext& run, std::int32_t k, std::span<double> array, const fft::RealDataSource* source)
{
    ++run.transforms.forward[static_cast<std::size_t>(k)];
    planned(run, k, TransformWork::forward,
            [&](const fft::TransformPlan& plan) { productFftForward(plan, array, source); });
}

void transformInverse(RunContext& run, std::int32_t k, std::span<double> array)
{
    ++run.transforms.inverse[static_cast<std::size_t>(k)];
    planned(run, k, TransformWork::inverse, [&](const fft::TransformPlan& plan) { productFftInverse(plan, array); });
}

void transformTimes(RunContext& run, std::int32_t k, std::span<const double> spectrum, std::span<double> array)
{
    countBoth(run, k);
    planned(run, k, TransformWork::times,
            [&](const fft::TransformPlan& plan) { productFftTimes(plan, spectrum, array); });
}

void transformSquare(RunContext& run, std::int32_t k, std::span<double> array)
{
    countBoth(run, k);
    planned(run, k, TransformWork::square, [&](const fft::TransformPlan& plan) { productFftSquare(plan, array); });
}

namespace {

fft::FusedRounding fusedRounding(std::int32_t kept)
{
    fft::FusedRounding rounding;
    rounding.kept = static_cast<std::size_t>(kept);
    rounding.squaredLimit = largestSquaredRoundingDistance;
    return rounding;
}

// The findings of a fused rounding taken into the run, when every value passed.
bool takeIn(RunContext& run, const fft::FusedRounding& rounding)
{
    if (!rounding.exact) return false;
    if (rounding.largest > run.largestRoundingDistance) run.largestRoundingDistance = rounding.largest;
    run.workFingerprint += rounding.fingerprint;
    return true;
}

} // namespace

bool transformToIntegers(RunContext& run, std::int32_t k, std::span<const double> spectrum, std::span<double> array,
                         std::int32_t kept, const fft::RealDataSource* source)
{
    countBoth(run, k);
    fft::FusedRounding rounding = fusedRounding(kept);
    if (spectrum.empty()) {
        planned(run, k, TransformWork::square,
                [&](const fft::TransformPlan& plan) { productFftSquare(plan, array, rounding, source); });
    } else {
        planned(run, k, TransformWork::times,
                [&](const fft::TransformPlan& plan) { productFftTimes(plan, spectrum, array, rounding, source); });
    }
    return takeIn(run, rounding);
}

bool squareKeepToIntegers(RunContext& run, std::int32_t k, std::span<double> array, std::span<double> square,
                          std::int32_t kept, const fft::RealDataSource* source)
{
    countBoth(run, k);
    fft::FusedRounding rounding = fusedRounding(kept);
    planned(run, k, TransformWork::squareKeep,
            [&](const fft::TransformPlan& plan) { productFftSquareKeep(plan, array, square, rounding, source); });
    return takeIn(run, rounding);
}

} // namespace calvorn
