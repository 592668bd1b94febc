// The order in which a radix-8 pass visits its twiddled pairs of groups, the
// angle of each pair, and the powers w_1..w_7 of a pair's twiddle. Pure helpers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fft/reference/bit_reversal.h"

namespace calvorn::reference {

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

// w_m = c[m] + i * s[m], m = 1..7 (index 0 unused), from w_1 = c1 + i * s1 by
// the angle-addition recurrences; one cosine and one sine serve a whole pair.
struct PairTwiddles {
    double c[8] = {};
    double s[8] = {};
};

constexpr PairTwiddles twiddlePowers(double c1, double s1)
{
    PairTwiddles w;
    w.c[1] = c1;
    w.s[1] = s1;
    w.c[2] = c1 * c1 - s1 * s1;
    w.s[2] = 2.0 * s1 * c1;
    w.c[3] = w.c[2] * c1 - s1 * w.s[2];
    w.s[3] = s1 * w.c[2] + c1 * w.s[2];
    w.c[4] = w.c[2] * w.c[2] - w.s[2] * w.s[2];
    w.s[4] = 2.0 * w.c[2] * w.s[2];
    w.c[5] = w.c[2] * w.c[3] - w.s[2] * w.s[3];
    w.s[5] = w.s[2] * w.c[3] + w.c[2] * w.s[3];
    w.c[6] = w.c[3] * w.c[3] - w.s[3] * w.s[3];
    w.s[6] = 2.0 * w.c[3] * w.s[3];
    w.c[7] = w.c[3] * w.c[4] - w.s[3] * w.s[4];
    w.s[7] = w.s[3] * w.c[4] + w.c[3] * w.s[4];
    return w;
}

} // namespace calvorn::reference
