#include "mul/product_transforms.h"

#include <cstddef>

#include "fft/real_fft.h"

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

} // namespace calvorn
