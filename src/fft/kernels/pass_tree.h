// The radix-8 passes of one transform visited depth first. After the first
// forward pass every group (or twiddled pair of groups) of a pass is refined by
// the next pass inside its own block(s) alone, so the passes form a tree: a
// node's butterflies, then its eight child groups (forward), or the children
// first (inverse). Each butterfly does the same operations on the same values
// as in the pass-by-pass order, so the results are the same to the bit; only
// the order of the memory traffic changes, and blocks stay in cache.
// Templates on the lane type; instantiated once per instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fft/kernels/butterflies.h"
#include "fft/kernels/child_pairs.h"
#include "fft/kernels/lanes.h"
#include "fft/kernels/row_chunks.h"
#include "fft/kernels/tree_leaves.h"
#include "fft/kernels/tree_products.h"
#include "fft/kernels/tree_twiddles.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

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
[[gnu::always_inline]] inline void sweepPair(double* xj, double* xk, std::size_t s, const TreeTuning& tuning,
                                             Core core)
{
    if (s == laneCount<V>) {
        // One lane set per row: each block is eight whole lane sets in a
        // row, at offsets the compiler knows, so no table of rows is needed.
        constexpr std::size_t lanes = laneCount<V>;
        V j[8];
        V k[8];
        for (std::size_t m = 0; m < 8; ++m) {
            j[m] = loadLanes<V>(xj + m * lanes);
            k[m] = loadLanes<V>(xk + m * lanes);
        }
        core(j, k);
        for (std::size_t m = 0; m < 8; ++m) {
            storeLanes(xj + m * lanes, j[m]);
            storeLanes(xk + m * lanes, k[m]);
        }
        return;
    }
    double* rows[16];
    for (std::size_t m = 0; m < 8; ++m) {
        rows[m] = xj + m * s;
        rows[8 + m] = xk + m * s;
    }
    sweepRows<V, 16>(rows, 16, s, rowSweepOf(tuning, s, 16), [&core](double* const* r, std::size_t t) {
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

// What a pass tree does at each node: the forward passes (a node's
// butterflies, then its children), the inverse ones (the children, then the
// node's butterflies), or a whole product (the node's forward butterflies,
// its children, its inverse butterflies; at a leaf the forward pass, the
// element-wise product with the other factor and the inverse pass), so that
// every block is worked forward and back while it is in cache), or a square
// that keeps the forward spectrum: the forward passes in place, the square
// and the inverse passes in a second array, `back` doubles further on.
enum class TreeWork { forward, inverse, product, squareKeep };

// The passes from level 2 on. A node is a group (or pair of groups) of stride
// s at some level; its children are the groups of stride s / 8 that lie in
// its block(s), child c of a block x starting at x + c * s.
template <typename V, TreeWork work>
class PassTree {
public:
    explicit PassTree(const TransformPlan& plan, OtherFactor factor = {}, std::ptrdiff_t back = 0)
        : plan_(plan), factor_(factor), back_(back)
    {
    }

    // Group 0's children are groups 0 .. 7: group 0, group 1 and three pairs.
    void childrenOfFirst(double* x, std::size_t s) const
    {
        const std::size_t c = s / 8;
        first(x, c);
        second(x + s, c);
        pair(x + 2 * s, x + 3 * s, c, 2, 3);
        pair(x + 4 * s, x + 7 * s, c, 4, 7);
        pair(x + 6 * s, x + 5 * s, c, 6, 5);
    }

    // Group 1's children are groups 8 .. 15, paired (8,15), (10,13), (12,11), (14,9).
    void childrenOfSecond(double* x, std::size_t s) const
    {
        const std::size_t c = s / 8;
        pair(x, x + 7 * s, c, 8, 15);
        pair(x + 2 * s, x + 5 * s, c, 10, 13);
        pair(x + 4 * s, x + 3 * s, c, 12, 11);
        pair(x + 6 * s, x + s, c, 14, 9);
    }

    // A pair's children pair among themselves (childPair).
    void childrenOfPair(double* xj, double* xk, std::size_t s, std::size_t evenGroup,
                        std::size_t oddGroup) const
    {
        const std::size_t c = s / 8;
        if (c == 1) {
            leafChildrenOfPair(xj, xk, evenGroup, oddGroup);
            return;
        }
        for (std::size_t i = 0; i < 8; ++i) {
            const ChildPair child = childPair(evenGroup, oddGroup, i);
            double* const evenBlock = child.evenInOddBlock ? xk : xj;
            double* const oddBlock = child.evenInOddBlock ? xj : xk;
            pair(evenBlock + child.evenChild * s, oddBlock + child.oddChild * s, c, child.evenGroup, child.oddGroup);
        }
    }

private:
    static constexpr bool forwardWork = work != TreeWork::inverse;
    static constexpr bool inverseWork = work != TreeWork::forward;
    static constexpr bool multiplies = work == TreeWork::product || work == TreeWork::squareKeep;

    // Where the inverse passes work on the block at x: x itself, or its
    // place in the second array.
    double* back(double* x) const
    {
        if constexpr (work == TreeWork::squareKeep) {
            return x + back_;
        } else {
            return x;
        }
    }

    // A leaf of eight doubles from the forward passes to the inverse ones:
    // copied to the second array when the spectrum is kept, then multiplied.
    double* leafProduct(double* x) const
    {
        double* y = back(x);
        if constexpr (work == TreeWork::squareKeep) {
            for (std::size_t m = 0; m < 8; ++m) y[m] = x[m];
        }
        multiplyLeaf(y, factor_);
        return y;
    }

    void first(double* x, std::size_t s) const
    {
        if (s == 1) {
            if constexpr (forwardWork) forwardLeafFirst(x);
            double* y = x;
            if constexpr (multiplies) y = leafProduct(x);
            if constexpr (inverseWork) inverseLeafFirst(y);
            return;
        }
        if constexpr (forwardWork) sweepGroup<V>(x, s, [](V(&y)[8]) { forwardFirst(y); });
        childrenOfFirst(x, s);
        if constexpr (inverseWork) sweepGroup<V>(back(x), s, [](V(&y)[8]) { inverseFirst(y); });
    }

    void second(double* x, std::size_t s) const
    {
        if (s == 1) {
            if constexpr (forwardWork) forwardLeafSecond(x);
            double* y = x;
            if constexpr (multiplies) y = leafProduct(x);
            if constexpr (inverseWork) inverseLeafSecond(y);
            return;
        }
        if constexpr (forwardWork) sweepGroup<V>(x, s, [](V(&y)[8]) { forwardSecond(y); });
        childrenOfSecond(x, s);
        if constexpr (inverseWork) sweepGroup<V>(back(x), s, [](V(&y)[8]) { inverseSecond(y); });
    }

    void pair(double* xj, double* xk, std::size_t s, std::size_t evenGroup,
              std::size_t oddGroup) const
    {
        // One cosine and one sine per direction, then the same twiddles in every lane.
        const std::size_t entry = pairOf(evenGroup);
        LaneTwiddles<double> forwardW{};
        LaneTwiddles<double> inverseW{};
        if constexpr (forwardWork) forwardW = forwardTwiddles<double>(plan_, entry);
        if constexpr (multiplies) {
            inverseW = conjugated(forwardW); // the recurrences' result from -sin, without them
        } else if constexpr (inverseWork) {
            inverseW = inverseTwiddles<double>(plan_, entry);
        }
        if (s == 1) {
            if constexpr (forwardWork) forwardLeafPair(xj, xk, forwardW);
            double* yj = xj;
            double* yk = xk;
            if constexpr (multiplies) {
                yj = leafProduct(xj);
                yk = leafProduct(xk);
            }
            if constexpr (inverseWork) inverseLeafPair(yj, yk, inverseW);
            return;
        }
        if (s == plan_.tuning.prefetchAt) {
            if constexpr (work == TreeWork::inverse) {
                prefetchBlock(xj, 8 * s);
                prefetchBlock(xk, 8 * s);
            } else if constexpr (work == TreeWork::product) {
                if (factor_.other != nullptr) {
                    prefetchBlock(factor_.at(xj), 8 * s);
                    prefetchBlock(factor_.at(xk), 8 * s);
                }
            }
        }
        if constexpr (forwardWork) {
            const LaneTwiddles<V> w = everyLane<V>(forwardW);
            sweepPair<V>(xj, xk, s, plan_.tuning, [&w](V(&j)[8], V(&k)[8]) { forwardPair(j, k, w); });
        }
        childrenOfPair(xj, xk, s, evenGroup, oddGroup);
        if constexpr (inverseWork) {
            const LaneTwiddles<V> w = everyLane<V>(inverseW);
            sweepPair<V>(back(xj), back(xk), s, plan_.tuning, [&w](V(&j)[8], V(&k)[8]) { inversePair(j, k, w); });
        }
    }

    // The eight leaf pairs under a pair of stride 8, laneCount at a time.
    void leafChildrenOfPair(double* xj, double* xk, std::size_t evenGroup,
                            std::size_t oddGroup) const
    {
        const LeafPairs leaves = leafPairsOf(xj, xk, evenGroup, oddGroup);
        for (std::size_t p = 0; p < 8; p += laneCount<V>) {
            if constexpr (work == TreeWork::inverse) {
                inverseLeafPairs<V>(plan_, leaves.jRows + p, leaves.kRows + p, leaves.pairs + p);
            } else if constexpr (work == TreeWork::forward) {
                forwardLeafPairs<V>(plan_, leaves.jRows + p, leaves.kRows + p, leaves.pairs + p);
            } else if constexpr (work == TreeWork::product) {
                productLeafPairs<V>(plan_, leaves.jRows + p, leaves.kRows + p, leaves.pairs + p, factor_);
            } else {
                squareKeepLeafPairs<V>(plan_, leaves.jRows + p, leaves.kRows + p, leaves.pairs + p, back_);
            }
        }
    }

    const TransformPlan& plan_;
    OtherFactor factor_;  // the product's other factor (product work only)
    std::ptrdiff_t back_; // from the forward array to the inverse one (squareKeep only)
};

template <typename V>
using ForwardTree = PassTree<V, TreeWork::forward>;

template <typename V>
using InverseTree = PassTree<V, TreeWork::inverse>;

template <typename V>
using ProductTree = PassTree<V, TreeWork::product>;

template <typename V>
using SquareKeepTree = PassTree<V, TreeWork::squareKeep>;

} // namespace
} // namespace calvorn::fft
