#include "fft/convolution_oracle.h"

#include <gmp.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "fft/real_fft.h"

namespace calvorn::test {

std::vector<std::int64_t> exactLinearConvolution(std::span<const std::uint32_t> a,
                                                 std::span<const std::uint32_t> b)
{
    // Kronecker substitution: one digit per 64-bit limb; every term of the
    // product stays far below 2^64, so the limbs of the product are the terms.
    static_assert(GMP_LIMB_BITS == 64);
    if (a.size() < b.size()) return exactLinearConvolution(b, a);
    if (b.empty()) return {};
    std::vector<mp_limb_t> limbsA(a.begin(), a.end());
    std::vector<mp_limb_t> limbsB(b.begin(), b.end());
    std::vector<mp_limb_t> product(a.size() + b.size());
    mpn_mul(product.data(), limbsA.data(), static_cast<mp_size_t>(a.size()), limbsB.data(),
            static_cast<mp_size_t>(b.size()));
    std::vector<std::int64_t> terms(a.size() + b.size() - 1);
    for (std::size_t i = 0; i < terms.size(); ++i) terms[i] = static_cast<std::int64_t>(product[i]);
    if (product.back() != 0) throw std::logic_error("convolution term overflowed its limb");
    return terms;
}

ConvolutionOutcome convolveThroughTransforms(std::int32_t k, std::span<const std::uint32_t> a,
                                             std::span<const std::uint32_t> b)
{
    fft::TransformPlans plans;
    const std::size_t n = std::size_t{1} << k;
    std::vector<double> x(n);
    std::vector<double> y(n);
    for (std::size_t i = 0; i < a.size(); ++i) x[i] = a[i];
    for (std::size_t i = 0; i < b.size(); ++i) y[i] = b[i];
    realFftForward(plans.forLength(k), x);
    realFftForward(plans.forLength(k), y);
    multiplyPackedSpectra(x, y);
    realFftInverse(plans.forLength(k), x);

    const std::vector<std::int64_t> exact = exactLinearConvolution(a, b);
    ConvolutionOutcome outcome;
    for (std::size_t i = 0; i < n; ++i) {
        const double nearest = std::nearbyint(x[i]);
        outcome.largestRoundingDistance = std::max(outcome.largestRoundingDistance, std::fabs(x[i] - nearest));
        const std::int64_t want = i < exact.size() ? exact[i] : 0;
        outcome.largestError = std::max(outcome.largestError, std::fabs(x[i] - static_cast<double>(want)));
        if (outcome.exact && static_cast<std::int64_t>(nearest) != want) {
            outcome.exact = false;
            outcome.firstWrongIndex = i;
        }
    }
    return outcome;
}

} // namespace calvorn::test
