// The order in which a radix-8 pass visits its twiddled pairs of groups and
// the angle of each pair. Pure helpers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fft/bit_reversal.h"

namespace calvorn::fft {

// One twiddled pair of a pass: the even group J holds real parts, the odd
// group K imaginary parts; the pair turns by angleSteps * (pi / span).
struct TwiddledPair {
    std::int32_t evenGroup = 0;
    std::int32_t oddGroup = 0;
    std::int32_t angleSteps = 0;
};

// Calls visit(pair) for every twiddled pair of a pass of the given span, in the
// walk's order: pair s = 1, 2, ..., span/16 - 1 (even group 2s), whose angle
// steps are 2 * (s with its log2(span/16) low bits reversed). In each octave of
// group numbers the even groups rise from its start while the odd groups fall
// from its end: (2,3), (4,7), (6,5), (8,15), (10,13), (12,11), (14,9), ...
template <typename Visit>
void forEachTwiddledPair(std::int32_t span, Visit&& visit)
{
    const std::size_t walkLength = static_cast<std::size_t>(span) / 16; // pair 0 is groups 0 and 1
    std::size_t reversed = 0;
    std::int32_t evenGroup = 2;
    std::int32_t oddGroup = 3;
    std::int32_t octaveStart = 2;
    for (std::size_t s = 1; s < walkLength; ++s) {
        reversed = nextBitReversed(reversed, walkLength / 2);
        visit(TwiddledPair{evenGroup, oddGroup, static_cast<std::int32_t>(2 * reversed)});
        evenGroup += 2;
        if (oddGroup - 2 <= octaveStart) {
            octaveStart = evenGroup;
            oddGroup = 2 * evenGroup - 1;
        } else {
            oddGroup -= 2;
        }
    }
}

} // namespace calvorn::fft
