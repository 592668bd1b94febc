// The odd-term reversal and the pair bit reversal, as defined: the first by
// its loop over 1-based positions, the second pair by pair.
#include "fft/reference/permutations.h"

#include <cstddef>
#include <utility>

#include "fft/reference/twiddle_walk.h"

namespace calvorn::reference {

void reverseOddTerms(std::int32_t k, std::span<double> x)
{
    // 1-based positions j = 4, 6, ..., N; partner q and limit lim.
    const std::size_t n = std::size_t{1} << k;
    std::size_t q = 4;
    std::size_t lim = 2;
    for (std::size_t j = 4; j <= n; j += 2) {
        if (j < q) std::swap(x[j - 1], x[q - 1]);
        q -= 2;
        if (q <= lim) {
            q = 2 * j;
            lim = j;
        }
    }
}

void bitReversePairs(std::int32_t k, std::span<double> x)
{
    const std::size_t pairCount = (std::size_t{1} << k) / 2;
    for (std::size_t t = 0; t < pairCount; ++t) {
        const std::size_t r = reverseBits(t, k - 1);
        if (t < r) {
            std::swap(x[2 * t], x[2 * r]);
            std::swap(x[2 * t + 1], x[2 * r + 1]);
        }
    }
}

} // namespace calvorn::reference
