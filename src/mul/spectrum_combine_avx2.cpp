// The stretches of the stored-spectrum kernels two complex values at a time.
// Compiled for AVX2 alone; every element gets the operations of the plain
// kernels (products of the same two factors, sums of the same two terms, the
// running sum added last).
#include "mul/spectrum_store.h"

#include <immintrin.h>

namespace calvorn::quads {
namespace {

using Quad = __m256d;

// Doubles ahead of the element worked on that each stretch asks the cache for.
constexpr std::size_t prefetchAhead = 256;

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
    const Quad squares = _mm256_mul_pd(a, a);  // ar ar, ai ai
    const Quad difference = _mm256_sub_pd(squares, _mm256_permute_pd(squares, 0b0101));
    const Quad cross = _mm256_mul_pd(_mm256_mul_pd(_mm256_movedup_pd(a), a), _mm256_set1_pd(2.0));  // ar ai 2.0
    return _mm256_blend_pd(difference, cross, 0b1010);
}

template <SpectrumKernel kind>
Quad term(Quad a, Quad b)
{
    if constexpr (kind == SpectrumKernel::product) return complexProduct(a, b);
    else if constexpr (kind == SpectrumKernel::square) return complexSquare(a);
    else return _mm256_mul_pd(complexProduct(a, b), _mm256_set1_pd(2.0));
}

template <SpectrumKernel kind>
void oneTerm(const double* a, const double* b, double& re, double& im, bool accumulate, std::size_t u)
{
    const double ar = a[u], ai = a[u + 1], br = b[u], bi = b[u + 1];
    double r = 0.0;
    double i = 0.0;
    if constexpr (kind == SpectrumKernel::product) {
        r = ar * br - ai * bi;
        i = ar * bi + br * ai;
    } else if constexpr (kind == SpectrumKernel::square) {
        r = ar * ar - ai * ai;
        i = ar * ai * 2.0;
    } else {
        r = (ar * br - ai * bi) * 2.0;
        i = (ar * bi + br * ai) * 2.0;
    }
    if (accumulate) {
        re += r;
        im += i;
    } else {
        re = r;
        im = i;
    }
}

template <SpectrumKernel kind, bool accumulate>
void stretch(const double* a, const double* b, double* out, std::size_t size, bool firstStretch)
{
    std::size_t u = 0;
    if (firstStretch) {
        double dc = 0.0;
        double nyquist = 0.0;
        if constexpr (kind == SpectrumKernel::product) {
            dc = a[0] * b[0];
            nyquist = a[1] * b[1];
        } else if constexpr (kind == SpectrumKernel::square) {
            dc = a[0] * a[0];
            nyquist = a[1] * a[1];
        } else {
            dc = a[0] * b[0] * 2.0;
            nyquist = a[1] * b[1] * 2.0;
        }
        if constexpr (accumulate) {
            out[0] += dc;
            out[1] += nyquist;
        } else {
            out[0] = dc;
            out[1] = nyquist;
        }
        u = 2;
    }
    for (; u + 4 <= size; u += 4) {
        // The stored spectra often come straight from the file cache, far
        // from the processor: ask for them a little ahead.
        _mm_prefetch(reinterpret_cast<const char*>(a + u + prefetchAhead), _MM_HINT_T0);
        if constexpr (kind != SpectrumKernel::square)
            _mm_prefetch(reinterpret_cast<const char*>(b + u + prefetchAhead), _MM_HINT_T0);
        const Quad value = term<kind>(_mm256_loadu_pd(a + u), _mm256_loadu_pd(b + u));
        if constexpr (accumulate) _mm256_storeu_pd(out + u, _mm256_add_pd(_mm256_loadu_pd(out + u), value));
        else _mm256_storeu_pd(out + u, value);
    }
    if (u < size) oneTerm<kind>(a, b, out[u], out[u + 1], accumulate, u);
}

template <SpectrumKernel kind>
void stretchOf(bool accumulate, const double* a, const double* b, double* out, std::size_t size, bool firstStretch)
{
    if (accumulate) stretch<kind, true>(a, b, out, size, firstStretch);
    else stretch<kind, false>(a, b, out, size, firstStretch);
}

} // namespace

void combineStretch(SpectrumKernel kind, bool accumulate, std::span<const double> a, std::span<const double> b,
                    std::span<double> out, bool firstStretch)
{
    const double* second = kind == SpectrumKernel::square ? a.data() : b.data();
    switch (kind) {
    case SpectrumKernel::product:
        return stretchOf<SpectrumKernel::product>(accumulate, a.data(), second, out.data(), out.size(), firstStretch);
    case SpectrumKernel::square:
        return stretchOf<SpectrumKernel::square>(accumulate, a.data(), second, out.data(), out.size(), firstStretch);
    case SpectrumKernel::doubledProduct:
        return stretchOf<SpectrumKernel::doubledProduct>(accumulate, a.data(), second, out.data(), out.size(),
                                                         firstStretch);
    }
}

} // namespace calvorn::quads
