// The element-wise products of packed spectra two complex values at a time.
// Compiled for AVX2 alone; every element gets the operations of the plain
// kernels (products of the same two factors, sums of the same two terms).
#include "mul/pointwise.h"

#include <immintrin.h>

namespace calvorn::quads {
namespace {

using Quad = __m256d;

// (ar br - ai bi, ar bi + br ai) for two complex values a and b.
Quad complexProduct(Quad a, Quad b)
{
    const Quad aRe = _mm256_movedup_pd(a);               // ar ar
    const Quad aIm = _mm256_permute_pd(a, 0b1111);       // ai ai
    const Quad bSwapped = _mm256_permute_pd(b, 0b0101);  // bi br
    return _mm256_addsub_pd(_mm256_mul_pd(aRe, b), _mm256_mul_pd(aIm, bSwapped));
}

// (ar ar - ai ai, ar ai 2.0).
Quad complexSquare(Quad a)
{
    const Quad squares = _mm256_mul_pd(a, a);                                     // ar ar, ai ai
    const Quad difference = _mm256_sub_pd(squares, _mm256_permute_pd(squares, 0b0101));
    const Quad cross = _mm256_mul_pd(_mm256_mul_pd(_mm256_movedup_pd(a), a), _mm256_set1_pd(2.0));  // ar ai 2.0
    return _mm256_blend_pd(difference, cross, 0b1010);
}

// Elements 2 .. count-1 in (re, im) pairs: two pairs at a time, the last pair
// (count - 2 is 2 more than a multiple of 4) by `last`.
template <typename Four, typename Two>
void pairs(std::int32_t count, Four four, Two last)
{
    std::int32_t k = 2;
    for (; k + 4 <= count; k += 4) four(k);
    if (k < count) last(k);
}

} // namespace

void pointwiseProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                      std::int32_t count)
{
    const double dc = a[0] * b[0];
    const double nyquist = a[1] * b[1];
    out[0] = dc;
    out[1] = nyquist;
    pairs(
        count,
        [&](std::int32_t k) {
            _mm256_storeu_pd(&out[k], complexProduct(_mm256_loadu_pd(&a[k]), _mm256_loadu_pd(&b[k])));
        },
        [&](std::int32_t k) {
            const double ar = a[k], ai = a[k + 1], br = b[k], bi = b[k + 1];
            out[k] = ar * br - ai * bi;
            out[k + 1] = ar * bi + br * ai;
        });
}

void pointwiseSquare(std::span<const double> a, std::span<double> out, std::int32_t count)
{
    const double dc = a[0] * a[0];
    const double nyquist = a[1] * a[1];
    out[0] = dc;
    out[1] = nyquist;
    pairs(
        count, [&](std::int32_t k) { _mm256_storeu_pd(&out[k], complexSquare(_mm256_loadu_pd(&a[k]))); },
        [&](std::int32_t k) {
            const double ar = a[k], ai = a[k + 1];
            out[k] = ar * ar - ai * ai;
            out[k + 1] = ar * ai * 2.0;
        });
}

void pointwiseProductDoubled(std::span<const double> a, std::span<const double> b, std::span<double> out,
                             std::int32_t count)
{
    const double dc = a[0] * b[0] * 2.0;
    const double nyquist = a[1] * b[1] * 2.0;
    out[0] = dc;
    out[1] = nyquist;
    const Quad two = _mm256_set1_pd(2.0);
    pairs(
        count,
        [&](std::int32_t k) {
            const Quad product = complexProduct(_mm256_loadu_pd(&a[k]), _mm256_loadu_pd(&b[k]));
            _mm256_storeu_pd(&out[k], _mm256_mul_pd(product, two));
        },
        [&](std::int32_t k) {
            const double ar = a[k], ai = a[k + 1], br = b[k], bi = b[k + 1];
            out[k] = (ar * br - ai * bi) * 2.0;
            out[k + 1] = (ar * bi + br * ai) * 2.0;
        });
}

} // namespace calvorn::quads
