// A counter that counts with its bits reversed: the order of the twiddle walk
// and of the pair permutation. Pure helper.
#pragma once

#include <cstddef>

namespace calvorn::reference {

// Steps r to the next value of a counter that counts with its bits reversed:
// topBit is the highest bit of the counter's width (0 for a width of zero).
constexpr std::size_t nextBitReversed(std::size_t r, std::size_t topBit)
{
    std::size_t mask = topBit;
    while ((r & mask) != 0) {
        r ^= mask;
        mask >>= 1;
    }
    return r | mask;
}

} // namespace calvorn::reference
