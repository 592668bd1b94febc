// The radix-8 passes of one transform visited depth first. After the first
// forward pass every group (or twiddled pair of groups) of a pass is refined by
// the next pass inside its own block(s) alone, so the passes form a tree: a
// node's butterflies, then its eight child groups (forward), or the children
// first (inverse). Each butterfly does the same operations on the same values
// as in the pass-by-pass order, so the results are the same to the bit; only
// the order of the memory traffic changes, and blocks stay in cache.
// Templates on the lane type; instantiated once per instruction set.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fft/butterflies.h"
#include "fft/lanes.h"
#include "fft/row_chunks.h"

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

// Runs core on every lane set of butterflies of one group of stride s:
// slot m of butterfly t is x[m * s + t].
template <typename V, typename Core>
[[gnu::always_inline]] inline void sweepGroup(double* x, std::size_t s, Core core)
{
    for (std::size_t t = 0; t < s; t += laneCount<V>) {
        V y[8];
        for (std::size_t m = 0; m < 8; ++m) y[m] = loadLanes<V>(x + m * s + t);
        core(y);
        for (std::size_t m = 0; m < 8; ++m) storeLanes(x + m * s + t, y[m]);
    }
}

template <typename V, typename Core>
[[gnu::always_inline]] inline void sweepPair(double* xj, double* xk, std::size_t s, Core core)
{
    double* rows[16];
    for (std::size_t m = 0; m < 8; ++m) {
        rows[m] = xj + m * s;
        rows[8 + m] = xk + m * s;
    }
    sweepRows<V, 16, 32>(rows, 16, s, worthChunking<V>(s), [&core](double* const* r, std::size_t t) {
        V j[8];
        V k[8];
        for (std::size_t m = 0; m < 8; ++m) {
            j[m] = loadLanes<V>(r[m] + t);
            k[m] = loadLanes<V>(r[8 + m] + t);
        }
        core(j, k);
        for (std::size_t m = 0; m < 8; ++m) {
            storeLanes(r[m] + t, j[m]);
            storeLanes(r[8 + m] + t, k[m]);
        }
    });
}

// The last forward pass (stride 1: groups of eight neighbours) with the
// reversal of the odd terms folded in: that reversal only exchanges odd slots
// within group 0 (5, 7), within group 1 (1 and 7, 3 and 5) and between the two
// groups of a pair (J slot m with K slot 8 - m), so the results are stored
// straight to where it would put them.
inline void forwardLeafFirst(double* x)
{
    double y[8];
    for (std::size_t m = 0; m < 8; ++m) y[m] = x[m];
    forwardFirst(y);
    constexpr std::size_t to[8] = {0, 1, 2, 3, 4, 7, 6, 5};
    for (std::size_t m = 0; m < 8; ++m) x[to[m]] = y[m];
}

inline void forwardLeafSecond(double* x)
{
    double y[8];
    for (std::size_t m = 0; m < 8; ++m) y[m] = x[m];
    forwardSecond(y);
    constexpr std::size_t to[8] = {0, 7, 2, 5, 4, 3, 6, 1};
    for (std::size_t m = 0; m < 8; ++m) x[to[m]] = y[m];
}

inline void forwardLeafPair(double* xj, double* xk, const LaneTwiddles<double>& w)
{
    double j[8];
    double k[8];
    for (std::size_t m = 0; m < 8; ++m) {
        j[m] = xj[m];
        k[m] = xk[m];
    }
    forwardPair(j, k, w);
    for (std::size_t m = 0; m < 8; m += 2) {
        xj[m] = j[m];
        xk[m] = k[m];
        xj[m + 1] = k[7 - m];
        xk[7 - m] = j[m + 1];
    }
}

// The first inverse pass (stride 1) reading through the reversal of the odd
// terms, the mirror image of the leaves above.
inline void inverseLeafFirst(double* x)
{
    constexpr std::size_t from[8] = {0, 1, 2, 3, 4, 7, 6, 5};
    double y[8];
    for (std::size_t m = 0; m < 8; ++m) y[m] = x[from[m]];
    inverseFirst(y);
    for (std::size_t m = 0; m < 8; ++m) x[m] = y[m];
}

inline void inverseLeafSecond(double* x)
{
    constexpr std::size_t from[8] = {0, 7, 2, 5, 4, 3, 6, 1};
    double y[8];
    for (std::size_t m = 0; m < 8; ++m) y[m] = x[from[m]];
    inverseSecond(y);
    for (std::size_t m = 0; m < 8; ++m) x[m] = y[m];
}

inline void inverseLeafPair(double* xj, double* xk, const LaneTwiddles<double>& w)
{
    double j[8];
    double k[8];
    for (std::size_t m = 0; m < 8; m += 2) {
        j[m] = xj[m];
        k[m] = xk[m];
        j[m + 1] = xk[7 - m];
        k[7 - m] = xj[m + 1];
    }
    inversePair(j, k, w);
    for (std::size_t m = 0; m < 8; ++m) {
        xj[m] = j[m];
        xk[m] = k[m];
    }
}

// The same for one pair per lane: the rows (groups of eight neighbours) of
// the J and K groups are turned into slot lanes and back.
template <typename V>
[[gnu::always_inline]] inline void forwardLeafPairs(double* const* jRows, double* const* kRows, const double* angles)
{
    V j[8];
    V k[8];
    rowsToSlots<V>(jRows, j);
    rowsToSlots<V>(kRows, k);
    forwardPair(j, k, forwardTwiddlesPerLane<V>(angles));
    const V toJ[8] = {j[0], k[7], j[2], k[5], j[4], k[3], j[6], k[1]};
    const V toK[8] = {k[0], j[7], k[2], j[5], k[4], j[3], k[6], j[1]};
    slotsToRows<V>(toJ, jRows);
    slotsToRows<V>(toK, kRows);
}

template <typename V>
[[gnu::always_inline]] inline void inverseLeafPairs(double* const* jRows, double* const* kRows, const double* angles)
{
    V a[8];
    V b[8];
    rowsToSlots<V>(jRows, a);
    rowsToSlots<V>(kRows, b);
    V j[8] = {a[0], b[7], a[2], b[5], a[4], b[3], a[6], b[1]};
    V k[8] = {b[0], a[7], b[2], a[5], b[4], a[3], b[6], a[1]};
    inversePair(j, k, inverseTwiddlesPerLane<V>(angles));
    slotsToRows<V>(j, jRows);
    slotsToRows<V>(k, kRows);
}

// The eight leaf pairs under a pair (J, K) of stride 8, as in childrenOfPair
// below: rows, partners and angles, then laneCount pairs at a time.
struct LeafPairs {
    double* jRows[8];
    double* kRows[8];
    double angles[8];
};

inline LeafPairs leafPairsOf(const TreeShape& shape, double* xj, double* xk, std::int32_t leafLevel,
                             std::size_t evenGroup, std::size_t oddGroup)
{
    LeafPairs leaves;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t a = 2 * i;
        leaves.jRows[i] = xj + 8 * a;
        leaves.kRows[i] = xk + 8 * (7 - a);
        leaves.angles[i] = pairAngle(shape, leafLevel, 8 * evenGroup + a);
        leaves.jRows[4 + i] = xk + 8 * (6 - a);
        leaves.kRows[4 + i] = xj + 8 * (a + 1);
        leaves.angles[4 + i] = pairAngle(shape, leafLevel, 8 * oddGroup + 6 - a);
    }
    return leaves;
}

// The forward passes from level 2 on. A node is a group (or pair of groups)
// of stride s at some level; its children are the groups of stride s / 8 that
// lie in its block(s), child c of a block x starting at x + c * s.
template <typename V>
class ForwardTree {
public:
    explicit ForwardTree(const TreeShape& shape) : shape_(shape) {}

    // Group 0 and its descendants have global group numbers 0 .. 7 below it.
    void childrenOfFirst(double* x, std::size_t s, std::int32_t level) const
    {
        const std::size_t c = s / 8;
        first(x, c, level + 1);
        second(x + s, c, level + 1);
        pair(x + 2 * s, x + 3 * s, c, level + 1, 2, 3);
        pair(x + 4 * s, x + 7 * s, c, level + 1, 4, 7);
        pair(x + 6 * s, x + 5 * s, c, level + 1, 6, 5);
    }

    // Group 1's children are groups 8 .. 15, paired (8,15), (10,13), (12,11), (14,9).
    void childrenOfSecond(double* x, std::size_t s, std::int32_t level) const
    {
        const std::size_t c = s / 8;
        pair(x, x + 7 * s, c, level + 1, 8, 15);
        pair(x + 2 * s, x + 5 * s, c, level + 1, 10, 13);
        pair(x + 4 * s, x + 3 * s, c, level + 1, 12, 11);
        pair(x + 6 * s, x + s, c, level + 1, 14, 9);
    }

    // A pair (J, K) has the eight child pairs (8J + a, 8K + 7 - a) for even a
    // and (8K + 7 - a, 8J + a) for odd a: its children pair among themselves.
    void childrenOfPair(double* xj, double* xk, std::size_t s, std::int32_t level, std::size_t evenGroup,
                        std::size_t oddGroup) const
    {
        const std::size_t c = s / 8;
        for (std::size_t a = 0; a < 8; a += 2) {
            pair(xj + a * s, xk + (7 - a) * s, c, level + 1, 8 * evenGroup + a, 8 * oddGroup + 7 - a);
            pair(xk + (6 - a) * s, xj + (a + 1) * s, c, level + 1, 8 * oddGroup + 6 - a, 8 * evenGroup + a + 1);
        }
    }

private:
    void first(double* x, std::size_t s, std::int32_t level) const
    {
        if (s == 1) {
            forwardLeafFirst(x);
            return;
        }
        sweepGroup<V>(x, s, [](V(&y)[8]) { forwardFirst(y); });
        childrenOfFirst(x, s, level);
    }

    void second(double* x, std::size_t s, std::int32_t level) const
    {
        if (s == 1) {
            forwardLeafSecond(x);
            return;
        }
        sweepGroup<V>(x, s, [](V(&y)[8]) { forwardSecond(y); });
        childrenOfSecond(x, s, level);
    }

    void pair(double* xj, double* xk, std::size_t s, std::int32_t level, std::size_t evenGroup,
              std::size_t oddGroup) const
    {
        // One cosine and one sine, then the same twiddles in every lane.
        const LaneTwiddles<double> twiddles = forwardTwiddles<double>(pairAngle(shape_, level, evenGroup));
        if (s == 1) {
            forwardLeafPair(xj, xk, twiddles);
            return;
        }
        const LaneTwiddles<V> w = everyLane<V>(twiddles);
        sweepPair<V>(xj, xk, s, [&w](V(&j)[8], V(&k)[8]) { forwardPair(j, k, w); });
        if (s == 8) {
            const LeafPairs leaves = leafPairsOf(shape_, xj, xk, level + 1, evenGroup, oddGroup);
            for (std::size_t p = 0; p < 8; p += laneCount<V>) {
                forwardLeafPairs<V>(leaves.jRows + p, leaves.kRows + p, leaves.angles + p);
            }
            return;
        }
        childrenOfPair(xj, xk, s, level, evenGroup, oddGroup);
    }

    const TreeShape& shape_;
};

// Asks for a block to be brought into the cache ahead of its use.
inline void prefetchBlock(const double* x, std::size_t count)
{
#if defined(__GNUC__)
    for (std::size_t i = 0; i < count; i += 8) __builtin_prefetch(x + i);
#else
    (void)x;
    (void)count;
#endif
}

// The inverse passes down to level 2, children before their parent. The
// first touch of the data is at the leaves, in short runs here and there; a
// pair of stride 512 (64 KiB in all) is therefore asked for in one go before
// its subtree starts.
inline constexpr std::size_t prefetchedStride = 512;

template <typename V>
class InverseTree {
public:
    explicit InverseTree(const TreeShape& shape) : shape_(shape) {}

    void childrenOfFirst(double* x, std::size_t s, std::int32_t level) const
    {
        const std::size_t c = s / 8;
        first(x, c, level + 1);
        second(x + s, c, level + 1);
        pair(x + 2 * s, x + 3 * s, c, level + 1, 2, 3);
        pair(x + 4 * s, x + 7 * s, c, level + 1, 4, 7);
        pair(x + 6 * s, x + 5 * s, c, level + 1, 6, 5);
    }

    void childrenOfSecond(double* x, std::size_t s, std::int32_t level) const
    {
        const std::size_t c = s / 8;
        pair(x, x + 7 * s, c, level + 1, 8, 15);
        pair(x + 2 * s, x + 5 * s, c, level + 1, 10, 13);
        pair(x + 4 * s, x + 3 * s, c, level + 1, 12, 11);
        pair(x + 6 * s, x + s, c, level + 1, 14, 9);
    }

    void childrenOfPair(double* xj, double* xk, std::size_t s, std::int32_t level, std::size_t evenGroup,
                        std::size_t oddGroup) const
    {
        const std::size_t c = s / 8;
        for (std::size_t a = 0; a < 8; a += 2) {
            pair(xj + a * s, xk + (7 - a) * s, c, level + 1, 8 * evenGroup + a, 8 * oddGroup + 7 - a);
            pair(xk + (6 - a) * s, xj + (a + 1) * s, c, level + 1, 8 * oddGroup + 6 - a, 8 * evenGroup + a + 1);
        }
    }

private:
    void first(double* x, std::size_t s, std::int32_t level) const
    {
        if (s == 1) {
            inverseLeafFirst(x);
            return;
        }
        childrenOfFirst(x, s, level);
        sweepGroup<V>(x, s, [](V(&y)[8]) { inverseFirst(y); });
    }

    void second(double* x, std::size_t s, std::int32_t level) const
    {
        if (s == 1) {
            inverseLeafSecond(x);
            return;
        }
        childrenOfSecond(x, s, level);
        sweepGroup<V>(x, s, [](V(&y)[8]) { inverseSecond(y); });
    }

    void pair(double* xj, double* xk, std::size_t s, std::int32_t level, std::size_t evenGroup,
              std::size_t oddGroup) const
    {
        const LaneTwiddles<double> twiddles = inverseTwiddles<double>(pairAngle(shape_, level, evenGroup));
        if (s == 1) {
            inverseLeafPair(xj, xk, twiddles);
            return;
        }
        if (s == prefetchedStride) {
            prefetchBlock(xj, 8 * s);
            prefetchBlock(xk, 8 * s);
        }
        if (s == 8) {
            const LeafPairs leaves = leafPairsOf(shape_, xj, xk, level + 1, evenGroup, oddGroup);
            for (std::size_t p = 0; p < 8; p += laneCount<V>) {
                inverseLeafPairs<V>(leaves.jRows + p, leaves.kRows + p, leaves.angles + p);
            }
        } else {
            childrenOfPair(xj, xk, s, level, evenGroup, oddGroup);
        }
        const LaneTwiddles<V> w = everyLane<V>(twiddles);
        sweepPair<V>(xj, xk, s, [&w](V(&j)[8], V(&k)[8]) { inversePair(j, k, w); });
    }

    const TreeShape& shape_;
};

} // namespace
} // namespace calvorn::fft
