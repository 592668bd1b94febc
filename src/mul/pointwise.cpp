#include "mul/pointwise.h"

#include "common/vector_path.h"

namespace calvorn {

namespace plain {

void pointwiseProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                      std::int32_t count)
{
    const double dc = a[0] * b[0];
    const double nyquist = a[1] * b[1];
    out[0] = dc;
    out[1] = nyquist;
    for (std::int32_t k = 2; k < count; k += 2) {
        const double ar = a[k], ai = a[k + 1], br = b[k], bi = b[k + 1];
        out[k] = ar * br - ai * bi;
        out[k + 1] = ar * bi + br * ai;
    }
}

void pointwiseSquare(std::span<const double> a, std::span<double> out, std::int32_t count)
{
    const double dc = a[0] * a[0];
    const double nyquist = a[1] * a[1];
    out[0] = dc;
    out[1] = nyquist;
    for (std::int32_t k = 2; k < count; k += 2) {
        const double ar = a[k], ai = a[k + 1];
        out[k] = ar * ar - ai * ai;
        out[k + 1] = ar * ai * 2.0;
    }
}

void pointwiseProductDoubled(std::span<const double> a, std::span<const double> b, std::span<double> out,
                             std::int32_t count)
{
    const double dc = a[0] * b[0] * 2.0;
    const double nyquist = a[1] * b[1] * 2.0;
    out[0] = dc;
    out[1] = nyquist;
    for (std::int32_t k = 2; k < count; k += 2) {
        const double ar = a[k], ai = a[k + 1], br = b[k], bi = b[k + 1];
        out[k] = (ar * br - ai * bi) * 2.0;
        out[k + 1] = (ar * bi + br * ai) * 2.0;
    }
}

} // namespace plain

void pointwiseProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                      std::int32_t count)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::pointwiseProduct(a, b, out, count);
#endif
    plain::pointwiseProduct(a, b, out, count);
}

void pointwiseSquare(std::span<const double> a, std::span<double> out, std::int32_t count)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::pointwiseSquare(a, out, count);
#endif
    plain::pointwiseSquare(a, out, count);
}

void pointwiseProductDoubled(std::span<const double> a, std::span<const double> b, std::span<double> out,
                             std::int32_t count)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::pointwiseProductDoubled(a, b, out, count);
#endif
    plain::pointwiseProductDoubled(a, b, out, count);
}

} // namespace calvorn
