// The transform drivers: the plan's lane path, and for each length either
// the pass-tree arithmetic, with the pair bit reversal where the spectrum is
// wanted in natural order (2^6 doubles and more), or the plain sequence of
// passes and reorderings (the shortest lengths).
#include "fft/real_fft.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

#include "common/numeric.h"
#include "fft/kernels/kernels.h"
#include "fft/kernels/rounding_finish.h"
#include "fft/lane_paths.h"
#include "fft/permutations.h"
#include "fft/radix8_passes.h"
#include "fft/short_passes.h"

namespace calvorn {

namespace fft {

namespace {

// Below this exponent there are fewer than two radix-8 passes and no tree.
constexpr std::int32_t smallestTreeExponent = 6;

void forwardPassByPass(const TransformPlan& plan, std::span<double> data)
{
    const std::int32_t k = plan.k;
    const std::int32_t n = integerPower(2, k);
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
        forwardRadix8Pass(plan, n / span, span, data);
    }

    reverseOddTerms(k, data);
    bitReversePairs(k, data);
}

void inversePassByPass(const TransformPlan& plan, std::span<double> data)
{
    const std::int32_t k = plan.k;
    const std::int32_t n = integerPower(2, k);
    const std::int32_t radix8Passes = k / 3;

    bitReversePairs(k, data);
    reverseOddTerms(k, data);

    // The forward spans in reverse order: N, N/8, ..., 8 * spanFactor.
    std::int32_t span = n;
    for (std::int32_t p = 1; p <= radix8Passes; ++p) {
        inverseRadix8Pass(plan, n / span, span, data);
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

// Runs one operation's kernel for a lane path: Kernels names it once per
// lane type. A path this build lacks falls back to pairs (the plans never
// choose one the processor cannot run).
template <typename Kernels, typename... Args>
void onLanePath(LanePath path, Args&&... args)
{
    switch (path) {
    case LanePath::single:
        Kernels::single(args...);
        break;
    case LanePath::pairs:
        Kernels::pairs(args...);
        break;
    case LanePath::quads:
#if defined(CALVORN_FFT_QUADS)
        Kernels::quads(args...);
#else
        Kernels::pairs(args...);
#endif
        break;
    case LanePath::octets:
#if defined(CALVORN_FFT_OCTETS)
        Kernels::octets(args...);
#else
        Kernels::pairs(args...);
#endif
        break;
    case LanePath::genericOctets:
        Kernels::genericOctets(args...);
        break;
    }
}

// The kernels of each operation by lane type.
struct ForwardKernels {
    static void single(auto&&... args) { baseline::forwardSingle(args...); }
    static void pairs(auto&&... args) { baseline::forwardPairs(args...); }
    static void quads(auto&&... args) { avx2::forwardQuads(args...); }
    static void octets(auto&&... args) { avx512::forwardOctets(args...); }
    static void genericOctets(auto&&... args) { baseline::forwardGenericOctets(args...); }
};

struct InverseKernels {
    static void single(auto&&... args) { baseline::inverseSingle(args...); }
    static void pairs(auto&&... args) { baseline::inversePairs(args...); }
    static void quads(auto&&... args) { avx2::inverseQuads(args...); }
    static void octets(auto&&... args) { avx512::inverseOctets(args...); }
    static void genericOctets(auto&&... args) { baseline::inverseGenericOctets(args...); }
};

struct ProductKernels {
    static void single(auto&&... args) { baseline::productSingle(args...); }
    static void pairs(auto&&... args) { baseline::productPairs(args...); }
    static void quads(auto&&... args) { avx2::productQuads(args...); }
    static void octets(auto&&... args) { avx512::productOctets(args...); }
    static void genericOctets(auto&&... args) { baseline::productGenericOctets(args...); }
};

struct SquareKeepKernels {
    static void single(auto&&... args) { baseline::squareKeepSingle(args...); }
    static void pairs(auto&&... args) { baseline::squareKeepPairs(args...); }
    static void quads(auto&&... args) { avx2::squareKeepQuads(args...); }
    static void octets(auto&&... args) { avx512::squareKeepOctets(args...); }
    static void genericOctets(auto&&... args) { baseline::squareKeepGenericOctets(args...); }
};

void forwardPasses(const TransformPlan& plan, LanePath path, double* x, const RealDataSource* source)
{
    onLanePath<ForwardKernels>(path, plan, x, source);
}

void inversePasses(const TransformPlan& plan, LanePath path, double* x)
{
    onLanePath<InverseKernels>(path, plan, x);
}

void productPasses(const TransformPlan& plan, LanePath path, double* x, const double* other)
{
    onLanePath<ProductKernels>(path, plan, x, other);
}

void productPasses(const TransformPlan& plan, LanePath path, double* x, const double* other,
                   FusedRounding& rounding, const RealDataSource* source)
{
    onLanePath<ProductKernels>(path, plan, x, other, rounding, source);
}

void squareKeepPasses(const TransformPlan& plan, LanePath path, double* x, double* y, FusedRounding& rounding,
                      const RealDataSource* source)
{
    onLanePath<SquareKeepKernels>(path, plan, x, y, rounding, source);
}

// The shortest lengths, which have no tree, take the data from a source
// before their passes.
void loadLowerHalf(std::span<double> data, const RealDataSource* source)
{
    if (source != nullptr) source->load(data.first(data.size() / 2), 0);
}

// The element-wise product of the short lengths, with the operations of the
// products' pointwise kernels: x = x * other, or x * x when other is empty.
void multiplySpectra(std::span<double> x, std::span<const double> other)
{
    const bool square = other.empty();
    x[0] = square ? x[0] * x[0] : other[0] * x[0];
    x[1] = square ? x[1] * x[1] : other[1] * x[1];
    for (std::size_t m = 2; m < x.size(); m += 2) {
        const double br = x[m];
        const double bi = x[m + 1];
        if (square) {
            x[m] = br * br - bi * bi;
            x[m + 1] = br * bi * 2.0;
        } else {
            x[m] = other[m] * br - other[m + 1] * bi;
            x[m + 1] = other[m] * bi + br * other[m + 1];
        }
    }
}

} // namespace

// The short lengths reorder pass by pass into natural order; for the pairs'
// own order they exchange the (few) pairs once more.
void forwardTransform(const TransformPlan& plan, LanePath path, std::span<double> x, SpectrumOrder order,
                      const RealDataSource* source)
{
    const std::int32_t k = plan.k;
    assert(k >= 1 && k <= largestTransformExponent);
    const std::size_t n = std::size_t{1} << k;
    assert(x.size() >= n);
    const std::span<double> data = x.first(n);
    if (k < smallestTreeExponent) {
        loadLowerHalf(data, source);
        forwardPassByPass(plan, data);
        if (order == SpectrumOrder::pairsReversed) bitReversePairs(k, data);
        return;
    }
    forwardPasses(plan, path, data.data(), source);
    if (order == SpectrumOrder::natural) bitReversePairs(k, data);
}

void inverseTransform(const TransformPlan& plan, LanePath path, std::span<double> x, SpectrumOrder order)
{
    const std::int32_t k = plan.k;
    assert(k >= 1 && k <= largestTransformExponent);
    const std::size_t n = std::size_t{1} << k;
    assert(x.size() >= n);
    const std::span<double> data = x.first(n);
    if (k < smallestTreeExponent) {
        if (order == SpectrumOrder::pairsReversed) bitReversePairs(k, data);
        inversePassByPass(plan, data);
        return;
    }
    if (order == SpectrumOrder::natural) bitReversePairs(k, data);
    inversePasses(plan, path, data.data());
}

void productTransform(const TransformPlan& plan, LanePath path, std::span<double> x, std::span<const double> other)
{
    const std::int32_t k = plan.k;
    const std::size_t n = std::size_t{1} << k;
    assert(x.size() >= n && (other.empty() || other.size() >= n));
    const std::span<double> data = x.first(n);
    const std::span<const double> factor = other.empty() ? other : other.first(n);
    if (k < smallestTreeExponent) {
        forwardTransform(plan, path, data, SpectrumOrder::pairsReversed);
        multiplySpectra(data, factor);
        inverseTransform(plan, path, data, SpectrumOrder::pairsReversed);
        return;
    }
    productPasses(plan, path, data.data(), factor.empty() ? nullptr : factor.data());
}

void productTransform(const TransformPlan& plan, LanePath path, std::span<double> x, std::span<const double> other,
                      FusedRounding& rounding, const RealDataSource* source)
{
    const std::int32_t k = plan.k;
    const std::size_t n = std::size_t{1} << k;
    assert(x.size() >= n && (other.empty() || other.size() >= n));
    const std::span<double> data = x.first(n);
    const std::span<const double> factor = other.empty() ? other : other.first(n);
    if (k < smallestTreeExponent) {
        // The shortest lengths are rounded after the inverse, with the same finish.
        loadLowerHalf(data, source);
        productTransform(plan, path, data, factor);
        RoundingFinish<double> finish(data.data(), rounding);
        for (double& value : data) finish(&value, value);
        finish.report(rounding);
        return;
    }
    productPasses(plan, path, data.data(), factor.empty() ? nullptr : factor.data(), rounding, source);
}

void squareKeepingSpectrum(const TransformPlan& plan, LanePath path, std::span<double> x, std::span<double> y,
                           FusedRounding& rounding, const RealDataSource* source)
{
    const std::int32_t k = plan.k;
    const std::size_t n = std::size_t{1} << k;
    assert(x.size() >= n && y.size() >= n);
    const std::span<double> data = x.first(n);
    const std::span<double> square = y.first(n);
    if (k < smallestTreeExponent) {
        forwardTransform(plan, path, data, SpectrumOrder::pairsReversed, source);
        std::copy(data.begin(), data.end(), square.begin());
        multiplySpectra(square, {});
        inverseTransform(plan, path, square, SpectrumOrder::pairsReversed);
        RoundingFinish<double> finish(square.data(), rounding);
        for (double& value : square) finish(&value, value);
        finish.report(rounding);
        return;
    }
    squareKeepPasses(plan, path, data.data(), square.data(), rounding, source);
}

} // namespace fft

void realFftForward(const fft::TransformPlan& plan, std::span<double> x) { fft::forwardTransform(plan, plan.path, x); }

void realFftInverse(const fft::TransformPlan& plan, std::span<double> x) { fft::inverseTransform(plan, plan.path, x); }

void productFftForward(const fft::TransformPlan& plan, std::span<double> x, const fft::RealDataSource* source)
{
    fft::forwardTransform(plan, plan.path, x, fft::SpectrumOrder::pairsReversed, source);
}

void productFftInverse(const fft::TransformPlan& plan, std::span<double> x)
{
    fft::inverseTransform(plan, plan.path, x, fft::SpectrumOrder::pairsReversed);
}

void productFftTimes(const fft::TransformPlan& plan, std::span<const double> spectrum, std::span<double> x)
{
    assert(!spectrum.empty());
    fft::productTransform(plan, plan.path, x, spectrum);
}

void productFftSquare(const fft::TransformPlan& plan, std::span<double> x)
{
    fft::productTransform(plan, plan.path, x, {});
}

void productFftTimes(const fft::TransformPlan& plan, std::span<const double> spectrum, std::span<double> x,
                     fft::FusedRounding& rounding, const fft::RealDataSource* source)
{
    assert(!spectrum.empty());
    fft::productTransform(plan, plan.path, x, spectrum, rounding, source);
}

void productFftSquare(const fft::TransformPlan& plan, std::span<double> x, fft::FusedRounding& rounding,
                      const fft::RealDataSource* source)
{
    fft::productTransform(plan, plan.path, x, {}, rounding, source);
}

void productFftSquareKeep(const fft::TransformPlan& plan, std::span<double> x, std::span<double> y,
                          fft::FusedRounding& rounding, const fft::RealDataSource* source)
{
    fft::squareKeepingSpectrum(plan, plan.path, x, y, rounding, source);
}

} // namespace calvorn
