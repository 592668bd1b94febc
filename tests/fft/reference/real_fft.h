// The transforms written plainly from their definition, one pass after
// another over the whole array: the reference the fast transforms must match
// bit for bit. Built into the tests only; it shares no code with the program's
// transforms except the cosine and sine of the twiddle angles.
#pragma once

#include <cstdint>
#include <span>

namespace calvorn::reference {

constexpr std::int32_t largestTransformExponent = 24;

// x holds at least 2^k doubles (1 <= k <= 24). In: the real data in the lower
// half; the upper half is treated as zero whatever it holds. Out: the packed
// spectrum (DC, Nyquist, then Re/Im of harmonics 1 .. N/2-1, exponent +).
void realFftForward(std::int32_t k, std::span<double> x);

// x holds a packed spectrum of 2^k doubles; out: the real sequence, 1/N applied.
void realFftInverse(std::int32_t k, std::span<double> x);

} // namespace calvorn::reference
