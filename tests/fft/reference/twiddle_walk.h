// The twiddled pairs of a radix-8 pass, each worked out on its own from the
// definition: pair s (s = 1 .. span/16 - 1) has the even group J = 2s; in the
// octave [2^p, 2^(p+1)) holding J, J = 2^p + 2u pairs with the odd group
// 2^(p+1) - 1 - 2u; its angle is (2 * rev_b(s)) * (pi / span), b =
// log2(span/16), and its twiddles w_m (m = 1..7) follow from cos and sin of
// that angle by the angle-addition recurrences.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fft/twiddle_sincos.h"

namespace calvorn::reference {

struct PairOfPass {
    std::size_t evenGroup = 0; // J: the real parts
    std::size_t oddGroup = 0;  // K: the imaginary parts
    double angle = 0.0;
};

// The reversal of the b low bits of s.
constexpr std::size_t reverseBits(std::size_t s, std::int32_t b)
{
    std::size_t r = 0;
    for (std::int32_t i = 0; i < b; ++i) r |= ((s >> i) & 1) << (b - 1 - i);
    return r;
}

constexpr std::int32_t log2Exact(std::size_t powerOfTwo)
{
    std::int32_t b = 0;
    while ((std::size_t{1} << b) != powerOfTwo) ++b;
    return b;
}

inline PairOfPass pairOfPass(std::int32_t span, std::size_t s)
{
    constexpr double pi = 3.141592653589793;
    PairOfPass pair;
    pair.evenGroup = 2 * s;
    std::size_t octave = 1;
    while (2 * octave <= pair.evenGroup) octave *= 2;
    const std::size_t u = (pair.evenGroup - octave) / 2;
    pair.oddGroup = 2 * octave - 1 - 2 * u;
    const std::int32_t b = log2Exact(static_cast<std::size_t>(span) / 16);
    pair.angle = static_cast<double>(2 * reverseBits(s, b)) * (pi / static_cast<double>(span));
    return pair;
}

// w_m = C[m] + i * S[m] for m = 1..7 (index 0 unused).
struct PairTwiddles {
    double c[8] = {};
    double s[8] = {};
};

// From C1 = cos(angle) and S1 = +sin(angle) (forward) or -sin(angle) (the
// inverse's conjugate twiddles), the recurrences in their fixed order.
inline PairTwiddles pairTwiddles(double angle, bool conjugate)
{
    const fft::CosineSine w1 = fft::twiddleCosineSine(angle);
    const double c1 = w1.cosine;
    const double s1 = conjugate ? -w1.sine : w1.sine;
    const double c2 = c1 * c1 - s1 * s1;
    const double s2 = 2.0 * s1 * c1;
    const double c3 = c2 * c1 - s1 * s2;
    const double s3 = s1 * c2 + c1 * s2;
    const double c4 = c2 * c2 - s2 * s2;
    const double s4 = 2.0 * c2 * s2;
    const double c5 = c2 * c3 - s2 * s3;
    const double s5 = s2 * c3 + c2 * s3;
    const double c6 = c3 * c3 - s3 * s3;
    const double s6 = 2.0 * c3 * s3;
    const double c7 = c3 * c4 - s3 * s4;
    const double s7 = s3 * c4 + c3 * s4;
    return {{0.0, c1, c2, c3, c4, c5, c6, c7}, {0.0, s1, s2, s3, s4, s5, s6, s7}};
}

} // namespace calvorn::reference
