// The levels of a transform's tree and the twiddles of its pairs: the angle
// of each pair as the twiddle walk forms it, one cosine and one sine per pair.
// Pure helpers; templates on the lane type, one copy per instruction set.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fft/butterflies.h"
#include "fft/lanes.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// The radix-8 levels of a transform of length 2^k: level p (1 .. levels) is
// the pass with span 2^r * 8^p, r = k mod 3.
struct TreeShape {
    std::int32_t levels = 0;
    std::int32_t shortPass = 0;      // r: no short pass, radix 2 or radix 4
    double piOverSpan[10] = {};      // pi / span of each level, as the walk forms it
    std::int32_t angleBits[10] = {}; // log2(span / 16) of each level
};

inline TreeShape treeShape(std::int32_t k)
{
    TreeShape shape;
    shape.levels = k / 3;
    shape.shortPass = k - 3 * shape.levels;
    for (std::int32_t p = 1; p <= shape.levels; ++p) {
        const std::int32_t spanLog = shape.shortPass + 3 * p;
        const std::int32_t span = std::int32_t{1} << spanLog;
        shape.piOverSpan[p] = piValue / static_cast<double>(span);
        shape.angleBits[p] = spanLog - 4;
    }
    return shape;
}

// s with its `bits` low bits reversed (bits <= 24).
inline std::size_t reverseLowBits(std::size_t s, std::int32_t bits)
{
    std::size_t r = 0;
    for (std::int32_t b = 0; b < bits; b += 8) {
        std::size_t byte = (s >> b) & 0xFF;
        byte = ((byte & 0xF0) >> 4) | ((byte & 0x0F) << 4);
        byte = ((byte & 0xCC) >> 2) | ((byte & 0x33) << 2);
        byte = ((byte & 0xAA) >> 1) | ((byte & 0x55) << 1);
        r = (r << 8) | byte;
    }
    // r holds the reversal of the whole bytes covering `bits`; drop the excess.
    const std::int32_t covered = (bits + 7) / 8 * 8;
    return r >> (covered - bits);
}

// The angle of the twiddled pair whose even group is evenGroup at a level:
// (2 * rev_b(evenGroup / 2)) * (pi / span), as the twiddle walk forms it.
inline double pairAngle(const TreeShape& shape, std::int32_t level, std::size_t evenGroup)
{
    const auto steps = static_cast<std::int32_t>(2 * reverseLowBits(evenGroup / 2, shape.angleBits[level]));
    return static_cast<double>(steps) * shape.piOverSpan[level];
}

template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> forwardTwiddles(double angle)
{
    return twiddlePowers<V>(everyLane<V>(std::cos(angle)), everyLane<V>(std::sin(angle)));
}

// Conjugate twiddles: the recurrences started from -sin give -sin(m * angle).
template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> inverseTwiddles(double angle)
{
    return twiddlePowers<V>(everyLane<V>(std::cos(angle)), everyLane<V>(-std::sin(angle)));
}

// The twiddles of one pair per lane, lane l turning by angles[l].
template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> forwardTwiddlesPerLane(const double* angles)
{
    if constexpr (laneCount<V> == 1) {
        return forwardTwiddles<V>(angles[0]);
    } else {
        V c1;
        V s1;
        for (std::size_t l = 0; l < laneCount<V>; ++l) {
            c1[l] = std::cos(angles[l]);
            s1[l] = std::sin(angles[l]);
        }
        return twiddlePowers<V>(c1, s1);
    }
}

template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> inverseTwiddlesPerLane(const double* angles)
{
    if constexpr (laneCount<V> == 1) {
        return inverseTwiddles<V>(angles[0]);
    } else {
        V c1;
        V s1;
        for (std::size_t l = 0; l < laneCount<V>; ++l) {
            c1[l] = std::cos(angles[l]);
            s1[l] = -std::sin(angles[l]);
        }
        return twiddlePowers<V>(c1, s1);
    }
}

} // namespace
} // namespace calvorn::fft
