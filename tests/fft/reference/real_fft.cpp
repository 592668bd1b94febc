// The transform drivers: the radix-2/4 pass for k mod 3, the radix-8 passes,
// the two reorderings and, for the inverse, the final 1/N.
#include "fft/reference/real_fft.h"

#include <cassert>
#include <cstddef>

#include "common/numeric.h"
#include "fft/reference/permutations.h"
#include "fft/reference/radix8_passes.h"
#include "fft/reference/short_passes.h"

namespace calvorn::reference {

void realFftForward(std::int32_t k, std::span<double> x)
{
    assert(k >= 1 && k <= largestTransformExponent);
    const std::int32_t n = integerPower(2, k);
    assert(x.size() >= static_cast<std::size_t>(n));
    const std::span<double> data = x.first(static_cast<std::size_t>(n));
    const std::int32_t radix8Passes = k / 3;

    // The first pass exploits the zero upper half and fixes the first span.
    std::int32_t spanFactor = 1;
    switch (k - 3 * radix8Passes) {
    case 1:
        forwardRadix2Pass(k, data);
        spanFactor = 2;
        break;
    case 2:
        forwardRadix4Pass(k, data);
        spanFactor = 4;
        break;
    default:
        break; // the first radix-8 pass (span 8) takes the upper half as zero itself
    }

    std::int32_t span = spanFactor;
    for (std::int32_t p = 1; p <= radix8Passes; ++p) {
        span *= 8;
        forwardRadix8Pass(n / span, span, data);
    }

    reverseOddTerms(k, data);
    bitReversePairs(k, data);
}

void realFftInverse(std::int32_t k, std::span<double> x)
{
    assert(k >= 1 && k <= largestTransformExponent);
    const std::int32_t n = integerPower(2, k);
    assert(x.size() >= static_cast<std::size_t>(n));
    const std::span<double> data = x.first(static_cast<std::size_t>(n));
    const std::int32_t radix8Passes = k / 3;

    bitReversePairs(k, data);
    reverseOddTerms(k, data);

    // The forward spans in reverse order: N, N/8, ..., 8 * spanFactor.
    std::int32_t span = n;
    for (std::int32_t p = 1; p <= radix8Passes; ++p) {
        inverseRadix8Pass(n / span, span, data);
        span /= 8;
    }

    switch (k - 3 * radix8Passes) {
    case 1:
        inverseRadix2Pass(k, data);
        break;
    case 2:
        inverseRadix4Pass(k, data);
        break;
    default:
        break;
    }

    // The passes multiplied by N (8 per radix-8 pass, 2 or 4 for the last).
    const double scale = 1.0 / static_cast<double>(n);
    for (double& value : data) value = value * scale;
}

} // namespace calvorn::reference
