// What an out-of-core product must store, from exact digit convolutions
// (GMP) and carries released in integers, without the program's arithmetic.
//
// An out-of-core product forms the same digit sums e[t] as an in-core one up
// to the last word it stores, but its carry into that word comes from two
// parts, each truncated on its own: the boundary part (the block pairs just
// past the last piece, taken from their leading digits, plus the guard terms)
// and the lowest piece (the pairs whose products begin one block earlier).
// Each part gives ((e[L+4] div 10^4) + e[L+3]) div 10^4 from its own sums at
// the two elements L+3 and L+4 after the stored ones. The half products
// reduce their first word (z word n/2+1) below 10^8 and drop its carry.
#pragma once

#include <cstdint>

#include "norm/product_oracle.h"

namespace calvorn::test {

// z words 1 .. n+2 of x * y formed with blocks of m words. The pieces see y
// only up to word yPieceWords (later words as zero), as the product that
// keeps the iterate's spectra does; the boundary piece sees all of y.
Words expectedOutOfCoreProduct(const Words& x, const Words& y, std::int32_t n, std::int32_t m,
                               std::int32_t yPieceWords);
inline Words expectedOutOfCoreProduct(const Words& x, const Words& y, std::int32_t n, std::int32_t m)
{
    return expectedOutOfCoreProduct(x, y, n, m, n);
}

// z words n/2+1 .. n+2 of x[1..n/2] * y[n/2+1..n] with their guard words.
Words expectedOutOfCoreHalfProduct(const Words& x, const Words& y, std::int32_t n, std::int32_t m);

// z words 1 .. n+2 of the square of x's words 1 .. n/2 + m (x's first half
// and the whole block after it).
Words expectedOutOfCoreHalfSquare(const Words& x, std::int32_t n, std::int32_t m);

} // namespace calvorn::test
