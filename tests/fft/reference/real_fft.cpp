// The two transforms as defined, pass after pass over the whole array: the
// radix-2 or radix-4 pass for k mod 3, the radix-8 passes, the two
// reorderings and, for the inverse, the final 1/N.
#include "fft/reference/real_fft.h"

#include <cassert>
#include <cstddef>

#include "fft/reference/permutations.h"
#include "fft/reference/radix8_passes.h"

namespace calvorn::reference {

namespace {

// The spans of the radix-8 passes in forward order: 8L, 64L, ..., N, with
// L = 2^(k mod 3).
std::int32_t firstSpan(std::int32_t k) { return 8 << (k % 3); }

// Forward radix 2 with the upper half zero: (a + 0, a - 0), a copy.
// Forward radix 4 with the upper two quarters zero: a + b, a - b and the
// complex output a + i*b.
void forwardShortPass(std::int32_t k, std::span<double> x)
{
    const std::size_t n = x.size();
    if (k % 3 == 1) {
        for (std::size_t i = n / 2; i < n; ++i) x[i] = x[i - n / 2];
    } else if (k % 3 == 2) {
        const std::size_t q = n / 4;
        for (std::size_t i = 0; i < q; ++i) {
            const double a = x[i];
            const double b = x[i + q];
            x[i + 2 * q] = a;
            x[i + 3 * q] = b;
            x[i] = a + b;
            x[i + q] = a - b;
        }
    }
}

// The full radix-2 or radix-4 butterflies, 2 or 4 times the inverse.
void inverseShortPass(std::int32_t k, std::span<double> x)
{
    const std::size_t n = x.size();
    if (k % 3 == 1) {
        for (std::size_t i = 0; i < n / 2; ++i) {
            const double a = x[i];
            const double b = x[i + n / 2];
            x[i] = a + b;
            x[i + n / 2] = a - b;
        }
    } else if (k % 3 == 2) {
        const std::size_t q = n / 4;
        for (std::size_t i = 0; i < q; ++i) {
            const double u = x[i] + x[i + q];
            const double v = x[i] - x[i + q];
            const double w = 2.0 * x[i + 2 * q];
            const double z = 2.0 * x[i + 3 * q];
            x[i] = u + w;
            x[i + q] = v + z;
            x[i + 2 * q] = u - w;
            x[i + 3 * q] = v - z;
        }
    }
}

} // namespace

void realFftForward(std::int32_t k, std::span<double> x)
{
    assert(k >= 1 && k <= largestTransformExponent);
    const std::int32_t n = std::int32_t{1} << k;
    const std::span<double> data = x.first(static_cast<std::size_t>(n));
    forwardShortPass(k, data);
    for (std::int32_t span = firstSpan(k); span <= n; span *= 8) forwardRadix8Pass(n / span, span, data);
    reverseOddTerms(k, data);
    bitReversePairs(k, data);
}

void realFftInverse(std::int32_t k, std::span<double> x)
{
    assert(k >= 1 && k <= largestTransformExponent);
    const std::int32_t n = std::int32_t{1} << k;
    const std::span<double> data = x.first(static_cast<std::size_t>(n));
    bitReversePairs(k, data);
    reverseOddTerms(k, data);
    for (std::int32_t span = n; span >= firstSpan(k); span /= 8) inverseRadix8Pass(n / span, span, data);
    inverseShortPass(k, data);
    const double scale = 1.0 / static_cast<double>(n);
    for (double& value : data) value = value * scale;
}

} // namespace calvorn::reference
