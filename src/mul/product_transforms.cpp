#include "mul/product_transforms.h"

#include <cstddef>

#include "fft/real_fft.h"
#include "norm/round_to_integers.h"

namespace calvorn {

void transformForward(RunContext& run, std::int32_t k, std::span<double> array)
{
    ++run.transforms.forward[static_cast<std::size_t>(k)];
    productFftForward(run.transformPlans.forLength(k), array);
}

void transformInverse(RunContext& run, std::int32_t k, std::span<double> array)
{
    ++run.transforms.inverse[static_cast<std::size_t>(k)];
    productFftInverse(run.transformPlans.forLength(k), array);
}

void transformTimes(RunContext& run, std::int32_t k, std::span<const double> spectrum, std::span<double> array)
{
    ++run.transforms.forward[static_cast<std::size_t>(k)];
    ++run.transforms.inverse[static_cast<std::size_t>(k)];
    productFftTimes(run.transformPlans.forLength(k), spectrum, array);
}

void transformSquare(RunContext& run, std::int32_t k, std::span<double> array)
{
    ++run.transforms.forward[static_cast<std::size_t>(k)];
    ++run.transforms.inverse[static_cast<std::size_t>(k)];
    productFftSquare(run.transformPlans.forLength(k), array);
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
                         std::int32_t kept)
{
    ++run.transforms.forward[static_cast<std::size_t>(k)];
    ++run.transforms.inverse[static_cast<std::size_t>(k)];
    fft::FusedRounding rounding = fusedRounding(kept);
    const fft::TransformPlan& plan = run.transformPlans.forLength(k);
    if (spectrum.empty()) {
        productFftSquare(plan, array, rounding);
    } else {
        productFftTimes(plan, spectrum, array, rounding);
    }
    return takeIn(run, rounding);
}

bool squareKeepToIntegers(RunContext& run, std::int32_t k, std::span<double> array, std::span<double> square,
                          std::int32_t kept)
{
    ++run.transforms.forward[static_cast<std::size_t>(k)];
    ++run.transforms.inverse[static_cast<std::size_t>(k)];
    fft::FusedRounding rounding = fusedRounding(kept);
    productFftSquareKeep(run.transformPlans.forLength(k), array, square, rounding);
    return takeIn(run, rounding);
}

} // namespace calvorn
