// The radix-2 and radix-4 passes for k mod 3 = 1 and 2.
#include "fft/reference/short_passes.h"

#include <cstddef>

namespace calvorn::reference {

namespace {

std::size_t lengthOf(std::int32_t k) { return std::size_t{1} << k; }

} // namespace

void forwardRadix2Pass(std::int32_t k, std::span<double> x)
{
    const std::size_t h = lengthOf(k) / 2;
    for (std::size_t i = 0; i < h; ++i) x[h + i] = x[i];
}

void forwardRadix4Pass(std::int32_t k, std::span<double> x)
{
    const std::size_t q = lengthOf(k) / 4;
    for (std::size_t i = 0; i < q; ++i) {
        const double a = x[i];
        const double b = x[q + i];
        x[i] = a + b;
        x[q + i] = a - b;
        x[2 * q + i] = a; // real part of a + i*b
        x[3 * q + i] = b; // imaginary part
    }
}

void inverseRadix2Pass(std::int32_t k, std::span<double> x)
{
    const std::size_t h = lengthOf(k) / 2;
    for (std::size_t i = 0; i < h; ++i) {
        const double a = x[i];
        const double b = x[h + i];
        x[i] = a + b;
        x[h + i] = a - b;
    }
}

void inverseRadix4Pass(std::int32_t k, std::span<double> x)
{
    const std::size_t q = lengthOf(k) / 4;
    for (std::size_t i = 0; i < q; ++i) {
        const double u = x[i] + x[q + i];
        const double v = x[i] - x[q + i];
        const double w = 2.0 * x[2 * q + i];
        const double z = 2.0 * x[3 * q + i];
        x[i] = u + w;
        x[2 * q + i] = u - w;
        x[q + i] = v + z;
        x[3 * q + i] = v - z;
    }
}

} // namespace calvorn::reference
