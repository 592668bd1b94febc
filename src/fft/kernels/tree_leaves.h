// The stride-1 passes, the leaves of the tree: the last forward pass with
// the reversal of the odd terms folded into its stores, the first inverse pass
// with it folded into its loads; one pair at a time or one pair per lane.
#pragma once

#include <cstddef>

#include "fft/kernels/butterflies.h"
#include "fft/kernels/child_pairs.h"
#include "fft/kernels/lanes.h"
#include "fft/kernels/tree_twiddles.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

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
[[gnu::always_inline]] inline void forwardLeafPairs(const TransformPlan& plan, double* const* jRows,
                                             double* const* kRows, const std::size_t* pairs)
{
    V j[8];
    V k[8];
    rowsToSlots<V>(jRows, j);
    rowsToSlots<V>(kRows, k);
    forwardPair(j, k, forwardTwiddlesPerLane<V>(plan, pairs));
    const V toJ[8] = {j[0], k[7], j[2], k[5], j[4], k[3], j[6], k[1]};
    const V toK[8] = {k[0], j[7], k[2], j[5], k[4], j[3], k[6], j[1]};
    slotsToRows<V>(toJ, jRows);
    slotsToRows<V>(toK, kRows);
}

template <typename V>
[[gnu::always_inline]] inline void inverseLeafPairs(const TransformPlan& plan, double* const* jRows,
                                             double* const* kRows, const std::size_t* pairs)
{
    V a[8];
    V b[8];
    rowsToSlots<V>(jRows, a);
    rowsToSlots<V>(kRows, b);
    V j[8] = {a[0], b[7], a[2], b[5], a[4], b[3], a[6], b[1]};
    V k[8] = {b[0], a[7], b[2], a[5], b[4], a[3], b[6], a[1]};
    inversePair(j, k, inverseTwiddlesPerLane<V>(plan, pairs));
    slotsToRows<V>(j, jRows);
    slotsToRows<V>(k, kRows);
}

// The eight leaf pairs under a pair (J, K) of stride 8 (childPair): rows,
// partners and table entries, the even children 0, 2, 4, 6 first and the odd
// ones after (their table entries then run 4J .. 4J + 3 and 4K + 3 .. 4K),
// then laneCount pairs at a time.
struct LeafPairs {
    double* jRows[8];
    double* kRows[8];
    std::size_t pairs[8];
};

inline LeafPairs leafPairsOf(double* xj, double* xk, std::size_t evenGroup, std::size_t oddGroup)
{
    LeafPairs leaves;
    for (std::size_t lane = 0; lane < 8; ++lane) {
        const ChildPair child = childPair(evenGroup, oddGroup, lane < 4 ? 2 * lane : 2 * (lane - 4) + 1);
        double* const evenBlock = child.evenInOddBlock ? xk : xj;
        double* const oddBlock = child.evenInOddBlock ? xj : xk;
        leaves.jRows[lane] = evenBlock + 8 * child.evenChild;
        leaves.kRows[lane] = oddBlock + 8 * child.oddChild;
        leaves.pairs[lane] = pairOf(child.evenGroup);
    }
    return leaves;
}

} // namespace
} // namespace calvorn::fft
