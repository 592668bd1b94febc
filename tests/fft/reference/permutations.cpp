// The odd-term reversal and the pair bit reversal of the transforms.
#include "fft/reference/permutations.h"

#include <cstddef>
#include <utility>

#include "fft/reference/bit_reversal.h"

namespace calvorn::reference {

void reverseOddTerms(std::int32_t k, std::span<double> x)
{
    for (std::int32_t p = 2; p < k; ++p) {
        const std::size_t octaveStart = std::size_t{1} << p;
        const std::size_t swaps = octaveStart / 4; // half of the octave's odd elements
        for (std::size_t t = 0; t < swaps; ++t) {
            std::swap(x[octaveStart + 1 + 2 * t], x[2 * octaveStart - 1 - 2 * t]);
        }
    }
}

void bitReversePairs(std::int32_t k, std::span<double> x)
{
    const std::size_t pairCount = (std::size_t{1} << k) / 2;
    std::size_t reversed = 0;
    for (std::size_t t = 0; t < pairCount; ++t) {
        if (t < reversed) {
            std::swap(x[2 * t], x[2 * reversed]);
            std::swap(x[2 * t + 1], x[2 * reversed + 1]);
        }
        reversed = nextBitReversed(reversed, pairCount / 2);
    }
}

} // namespace calvorn::reference
