// The element-wise products of packed spectra (elements 0 and 1 real, then
// (re, im) pairs). Each pair is read before it is written, so `out` may be
// the same array as an input. Touch only the arrays passed.
#pragma once

#include <cstdint>
#include <span>

namespace calvorn {

// out = a * b over `count` doubles (count >= 2, even).
void pointwiseProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                      std::int32_t count);

// out = a * a.
void pointwiseSquare(std::span<const double> a, std::span<double> out, std::int32_t count);

// out = 2 * a * b: the product of two different blocks of a square, which
// the square contains twice.
void pointwiseProductDoubled(std::span<const double> a, std::span<const double> b, std::span<double> out,
                             std::int32_t count);

// The same one value after another, and (only where avx2Usable()) two
// complex values at a time with the same operations; the kernels above take
// the fastest usable.
namespace plain {
void pointwiseProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                      std::int32_t count);
void pointwiseSquare(std::span<const double> a, std::span<double> out, std::int32_t count);
void pointwiseProductDoubled(std::span<const double> a, std::span<const double> b, std::span<double> out,
                             std::int32_t count);
} // namespace plain

namespace quads {
void pointwiseProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                      std::int32_t count);
void pointwiseSquare(std::span<const double> a, std::span<double> out, std::int32_t count);
void pointwiseProductDoubled(std::span<const double> a, std::span<const double> b, std::span<double> out,
                             std::int32_t count);
} // namespace quads

} // namespace calvorn
