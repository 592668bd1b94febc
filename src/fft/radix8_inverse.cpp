// The inverse radix-8 pass over the whole array, group after group in the
// order of the twiddle walk: 8 times the inverse of the general forward pass,
// the 8-point sums first and the conjugate twiddles after.
#include <cstddef>

#include "fft/kernels/butterflies.h"
#include "fft/radix8_passes.h"
#include "fft/twiddle_walk.h"

namespace calvorn::fft {

namespace {

template <typename Core>
void eachButterfly(double* group, std::size_t stride, Core core)
{
    for (std::size_t t = 0; t < stride; ++t) {
        double y[8];
        for (std::size_t m = 0; m < 8; ++m) y[m] = group[m * stride + t];
        core(y);
        for (std::size_t m = 0; m < 8; ++m) group[m * stride + t] = y[m];
    }
}

} // namespace

void inverseRadix8Pass(const TransformPlan& plan, std::int32_t stride, std::int32_t span, std::span<double> x)
{
    const std::size_t n = static_cast<std::size_t>(stride);
    const std::size_t groupLength = 8 * n;
    double* const data = x.first(n * static_cast<std::size_t>(span)).data();

    eachButterfly(data, n, [](double(&y)[8]) { inverseFirst(y); });
    if (span > 8) eachButterfly(data + groupLength, n, [](double(&y)[8]) { inverseSecond(y); });

    forEachTwiddledPair(span, [&](const TwiddledPair& pair) {
        const std::size_t entry = static_cast<std::size_t>(pair.evenGroup) / 2;
        // Conjugate twiddles: the recurrences started from -sin give -sin(m * angle).
        const LaneTwiddles<double> w = twiddlePowers(plan.cosines[entry], -plan.sines[entry]);
        double* const groupJ = data + static_cast<std::size_t>(pair.evenGroup) * groupLength;
        double* const groupK = data + static_cast<std::size_t>(pair.oddGroup) * groupLength;
        for (std::size_t t = 0; t < n; ++t) {
            double j[8];
            double k[8];
            for (std::size_t m = 0; m < 8; ++m) {
                j[m] = groupJ[m * n + t];
                k[m] = groupK[m * n + t];
            }
            inversePair(j, k, w);
            for (std::size_t m = 0; m < 8; ++m) {
                groupJ[m * n + t] = j[m];
                groupK[m * n + t] = k[m];
            }
        }
    });
}

} // namespace calvorn::fft
