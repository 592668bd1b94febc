// The two reorderings that put the passes' output into natural spectrum order.
// Both swap elements of the first 2^k doubles of x in place and are involutions.
#pragma once

#include <cstdint>
#include <span>

namespace calvorn::reference {

// In every octave [2^p, 2^(p+1)), p = 2 .. k-1, reverses the order of the
// odd-indexed elements; even indices and 0..3 stay.
void reverseOddTerms(std::int32_t k, std::span<double> x);

// Exchanges the pairs (x[2t], x[2t+1]) and (x[2r], x[2r+1]), where r is t
// with its k-1 low bits reversed.
void bitReversePairs(std::int32_t k, std::span<double> x);

} // namespace calvorn::reference
