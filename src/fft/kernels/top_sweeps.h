// The two top levels of a transform in one sweep over the array instead of
// two: level 1 (with the radix-2 or radix-4 pass) and level 2 of the pass
// tree together, column run by column run. The 8 (16, 32) rows of level 1 at
// columns t + j * s2 (j = 0 .. 7, s2 the stride of level 2) are exactly the
// 8 slots of each of level 2's groups at column t, so a buffer of 64 (128,
// 256) runs of a few columns holds everything both levels need: level 1 is
// worked on it, then level 2, and it goes back to the array once. The array
// is then read and written once for the two levels instead of twice; that
// pays only where a level-2 block (an eighth of the array) no longer stays in
// the caches between its butterflies and its subtree's, which the planner
// finds out by timing. Each butterfly does the same operations on the same values as level by
// level, so the bits are the same; the subtrees below level 2 are the pass
// tree's as before. Templates on the lane type; one copy per instruction set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "fft/kernels/butterflies.h"
#include "fft/kernels/child_pairs.h"
#include "fft/kernels/lanes.h"
#include "fft/kernels/level_one.h"
#include "fft/kernels/tree_twiddles.h"
#include "fft/real_data_source.h"
#include "fft/transform_plan.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// From topSweepFromExponent on, level 2's stride is at least 64, more than a
// run of the sweep's buffer.
// Only the files of the paths that have it (topSweepBuiltFor) define
// CALVORN_TOP_SWEEPS before including the kernels.
#if defined(CALVORN_TOP_SWEEPS)
inline constexpr bool topSweepsHere = true;
#else
inline constexpr bool topSweepsHere = false;
#endif

inline bool topInOneSweep(const TransformPlan& plan) { return topInOneSweepAt(plan.path, plan.tuning, plan.k); }

// A group (or pair of groups) of level 2: its block is level-1 row rowJ
// (the pair's odd group's block is row rowK), with the group numbers of the
// pass tree.
struct TopNode {
    enum class Kind : std::uint8_t { first, second, pair };
    Kind kind = Kind::first;
    std::size_t rowJ = 0;
    std::size_t rowK = 0;
    std::size_t evenGroup = 0;
    std::size_t oddGroup = 0;
};

struct TopNodes {
    TopNode node[17]; // 5 under group 0, 4 under group 1, 8 under the pair (2, 3)
    std::size_t count = 0;
};

// Level 2's nodes, as the pass tree visits them: the children of group 0
// (rows 0..7), of group 1 (rows 8..15) and of the pair (2, 3) (rows 16..23
// and 24..31).
inline TopNodes topNodesOf(std::int32_t shortPass)
{
    using Kind = TopNode::Kind;
    TopNodes t;
    const auto add = [&t](Kind kind, std::size_t rowJ, std::size_t rowK, std::size_t even, std::size_t odd) {
        t.node[t.count++] = {kind, rowJ, rowK, even, odd};
    };
    add(Kind::first, 0, 0, 0, 0);
    add(Kind::second, 1, 1, 1, 1);
    add(Kind::pair, 2, 3, 2, 3);
    add(Kind::pair, 4, 7, 4, 7);
    add(Kind::pair, 6, 5, 6, 5);
    if (shortPass >= 1) {
        add(Kind::pair, 8, 15, 8, 15);
        add(Kind::pair, 10, 13, 10, 13);
        add(Kind::pair, 12, 11, 12, 11);
        add(Kind::pair, 14, 9, 14, 9);
    }
    if (shortPass == 2) {
        for (std::size_t i = 0; i < 8; ++i) {
            const ChildPair c = childPair(2, 3, i);
            add(Kind::pair, (c.evenInOddBlock ? 24 : 16) + c.evenChild, (c.evenInOddBlock ? 16 : 24) + c.oddChild,
                c.evenGroup, c.oddGroup);
        }
    }
    return t;
}

// The subtrees below level 2, each node's children by the tree's own rules.
template <typename Tree>
void topSubtrees(const Tree& tree, double* x, const LevelOne& one, const TopNodes& nodes)
{
    const std::size_t s2 = one.stride / 8;
    for (std::size_t i = 0; i < nodes.count; ++i) {
        const TopNode& node = nodes.node[i];
        double* const xj = x + one.offset[node.rowJ];
        switch (node.kind) {
        case TopNode::Kind::first: tree.childrenOfFirst(xj, s2); break;
        case TopNode::Kind::second: tree.childrenOfSecond(xj, s2); break;
        case TopNode::Kind::pair:
            tree.childrenOfPair(xj, x + one.offset[node.rowK], s2, node.evenGroup, node.oddGroup);
            break;
        }
    }
}

// The buffer of one run of columns: row (r, j), level-1 row r at columns
// t0 + j * s2 .., lies at (r * 8 + j) * W; so level-2 node slot j of block
// r is row (r, j).
template <std::size_t Rows, std::size_t W>
struct TopBuffer {
    alignas(64) double doubles[Rows * 8 * W];
    double* row(std::size_t r, std::size_t j) { return doubles + (r * 8 + j) * W; }
};

// Level 2's butterflies, forward (twiddles w[i] of node i) or inverse
// (conjugate twiddles), over W columns: slot m of the group in block r is
// read at from(r, m) and written to to(r, m) through store(pointer, value).
template <typename V, bool Inverse, std::size_t W, typename From, typename To, typename Store>
[[gnu::always_inline]] inline void topNodeButterflies(const TopNodes& nodes, const LaneTwiddles<double>* w,
                                                      From from, To to, Store store)
{
    for (std::size_t i = 0; i < nodes.count; ++i) {
        const TopNode& node = nodes.node[i];
        const std::size_t a = node.rowJ;
        if (node.kind == TopNode::Kind::pair) {
            const std::size_t b = node.rowK;
            const LaneTwiddles<V> wv = everyLane<V>(w[i]);
            for (std::size_t t = 0; t < W; t += laneCount<V>) {
                V j[8];
                V k[8];
                for (std::size_t m = 0; m < 8; ++m) {
                    j[m] = loadLanes<V>(from(a, m) + t);
                    k[m] = loadLanes<V>(from(b, m) + t);
                }
                if constexpr (Inverse) {
                    inversePair(j, k, wv);
                } else {
                    forwardPair(j, k, wv);
                }
                for (std::size_t m = 0; m < 8; ++m) {
                    store(to(a, m) + t, j[m]);
                    store(to(b, m) + t, k[m]);
                }
            }
            continue;
        }
        const bool first = node.kind == TopNode::Kind::first;
        for (std::size_t t = 0; t < W; t += laneCount<V>) {
            V y[8];
            for (std::size_t m = 0; m < 8; ++m) y[m] = loadLanes<V>(from(a, m) + t);
            if constexpr (Inverse) {
                if (first) {
                    inverseFirst(y);
                } else {
                    inverseSecond(y);
                }
            } else {
                if (first) {
                    forwardFirst(y);
                } else {
                    forwardSecond(y);
                }
            }
            for (std::size_t m = 0; m < 8; ++m) store(to(a, m) + t, y[m]);
        }
    }
}

// Asks for the lines of a run of W doubles that the sweep reads `ahead` runs
// later.
template <std::size_t W>
[[gnu::always_inline]] inline void prefetchRun(const double* p)
{
#if defined(__GNUC__)
    for (std::size_t i = 0; i < W; i += 8) __builtin_prefetch(p + i);
#else
    (void)p;
#endif
}

// Columns a source gives per call in the top sweep: its rows are eight times
// as many as the opening's, so its runs are shorter.
inline constexpr std::size_t topSourceColumns = 32;

// Runs of the sweep ahead of which the array's lines are asked for.
inline constexpr std::size_t topPrefetchRuns = 4;

// Columns of a run of the sweep's buffer: 16 or 32 KiB in all.
inline constexpr std::size_t topColumns = 32;

// The twiddles of level 2's pairs, w[i] for node i: forward or conjugate.
template <bool Inverse>
void topPairTwiddles(const TransformPlan& plan, const TopNodes& nodes, LaneTwiddles<double> (&w)[17])
{
    for (std::size_t i = 0; i < nodes.count; ++i) {
        if (nodes.node[i].kind != TopNode::Kind::pair) continue;
        const std::size_t entry = pairOf(nodes.node[i].evenGroup);
        w[i] = Inverse ? inverseTwiddles<double>(plan, entry) : forwardTwiddles<double>(plan, entry);
    }
}

// Levels 1 and 2 of the forward transform in one sweep; opening(in, ti, out,
// t) is level 1's butterflies at one column (plain stores).
template <typename V, bool Streaming, std::size_t Rows, std::size_t W, typename Opening>
void forwardTopSweep(const TransformPlan& plan, double* x, const LevelOne& one, const TopNodes& nodes,
                     const RealDataSource* source, Opening opening)
{
    constexpr std::size_t readRows = Rows / 2;
    const std::size_t s2 = one.stride / 8;
    LaneTwiddles<double> w[17];
    topPairTwiddles<false>(plan, nodes, w);
    TopBuffer<Rows, W> buffer;
    // The read rows at stride s2: (r, j) is run row one.offset[r] / s2 + j.
    std::optional<SourceRuns<readRows * 8, topSourceColumns>> runs;
    if (source != nullptr) runs.emplace(*source, s2);
    for (std::size_t t0 = 0; t0 < s2; t0 += W) {
        for (std::size_t j = 0; j < 8; ++j) {
            const double* in[readRows];
            double* out[Rows];
            for (std::size_t r = 0; r < readRows; ++r) {
                const std::size_t element = one.offset[r] + j * s2 + t0;
                if (runs) {
                    in[r] = runs->at(element);
                } else {
                    in[r] = x + element;
                    if (t0 + topPrefetchRuns * W < s2) prefetchRun<W>(x + element + topPrefetchRuns * W);
                }
            }
            for (std::size_t r = 0; r < Rows; ++r) out[r] = buffer.row(r, j);
            for (std::size_t t = 0; t < W; t += laneCount<V>) opening(in, t, out, t);
        }
        // Level 2 reads the buffer and writes the array.
        topNodeButterflies<V, false, W>(
            nodes, w, [&buffer](std::size_t r, std::size_t m) { return buffer.row(r, m); },
            [x, &one, s2, t0](std::size_t r, std::size_t m) { return x + one.offset[r] + m * s2 + t0; },
            [](double* p, V value) { openingStore<Streaming>(p, value); });
    }
    if constexpr (Streaming) endStreaming();
}

// Level 2 of the inverse transform and level 1 with its closing in one
// sweep; closing(in, ti, out, t, store) is level 1's inverse butterflies at
// one column, every result leaving through finish.
template <typename V, std::size_t Rows, std::size_t W, typename Closing, typename Finish>
void inverseTopSweep(const TransformPlan& plan, double* x, const LevelOne& one, const TopNodes& nodes,
                     Closing closing, Finish& result)
{
    Finish finish = result; // in registers, as in inverseClosing
    const std::size_t s2 = one.stride / 8;
    LaneTwiddles<double> w[17];
    topPairTwiddles<true>(plan, nodes, w);
    TopBuffer<Rows, W> buffer;
    for (std::size_t t0 = 0; t0 < s2; t0 += W) {
        if (t0 + topPrefetchRuns * W < s2) {
            for (std::size_t r = 0; r < Rows; ++r) {
                for (std::size_t j = 0; j < 8; ++j) prefetchRun<W>(x + one.offset[r] + j * s2 + t0 + topPrefetchRuns * W);
            }
        }
        // Level 2 reads the array and writes the buffer.
        topNodeButterflies<V, true, W>(
            nodes, w, [x, &one, s2, t0](std::size_t r, std::size_t m) { return x + one.offset[r] + m * s2 + t0; },
            [&buffer](std::size_t r, std::size_t m) { return buffer.row(r, m); },
            [](double* p, V value) { storeLanes(p, value); });
        for (std::size_t j = 0; j < 8; ++j) {
            const double* in[Rows];
            double* out[Rows];
            for (std::size_t r = 0; r < Rows; ++r) {
                in[r] = buffer.row(r, j);
                out[r] = x + one.offset[r] + j * s2 + t0;
            }
            for (std::size_t t = 0; t < W; t += laneCount<V>) closing(in, t, out, t, finish);
        }
    }
    result = finish;
}

// Levels 1 and 2 of a forward transform of n doubles in one sweep, from the
// lower half of x or from `source`.
template <typename V, bool Streaming>
void forwardTopWith(const TransformPlan& plan, double* x, std::size_t n, const RealDataSource* source)
{
    const LevelOne one = levelOneOf(plan.shape, n);
    const TopNodes nodes = topNodesOf(plan.shape.shortPass);
    using In = const double* const*;
    switch (plan.shape.shortPass) {
    case 0:
        forwardTopSweep<V, Streaming, 8, topColumns>(plan, x, one, nodes, source,
                                             [](In in, std::size_t ti, double* const* out, std::size_t t) {
                                                 openingSpan8<V, false>(in, ti, out, t);
                                             });
        break;
    case 1:
        forwardTopSweep<V, Streaming, 16, topColumns>(plan, x, one, nodes, source,
                                              [](In in, std::size_t ti, double* const* out, std::size_t t) {
                                                  openingSpan16<V, false>(in, ti, out, t);
                                              });
        break;
    default: {
        const LaneTwiddles<V> w = forwardTwiddles<V>(plan, pairOf(2));
        forwardTopSweep<V, Streaming, 32, topColumns / 2>(plan, x, one, nodes, source,
                                             [&w](In in, std::size_t ti, double* const* out, std::size_t t) {
                                                 openingSpan32<V, false>(in, ti, out, t, w);
                                             });
        break;
    }
    }
}

// As forwardOpening: the stores to the array go past the caches where the
// tuning asks for it and the array is aligned.
template <typename V>
void forwardTop(const TransformPlan& plan, double* x, std::size_t n, const RealDataSource* source)
{
    if (streamingOpeningFor<V>(plan, x)) {
        forwardTopWith<V, true>(plan, x, n, source);
    } else {
        forwardTopWith<V, false>(plan, x, n, source);
    }
}

// Level 2 and level 1 of an inverse transform of n doubles in one sweep, with
// the 1/N; every value leaves through finish.
template <typename V, typename Finish>
void inverseTop(const TransformPlan& plan, double* x, std::size_t n, Finish& finish)
{
    const double scale = 1.0 / static_cast<double>(n);
    const LevelOne one = levelOneOf(plan.shape, n);
    const TopNodes nodes = topNodesOf(plan.shape.shortPass);
    using In = const double* const*;
    switch (plan.shape.shortPass) {
    case 0:
        inverseTopSweep<V, 8, topColumns>(
            plan, x, one, nodes,
            [scale](In in, std::size_t ti, double* const* out, std::size_t t, Finish& store) {
                closingSpan8<V>(in, ti, out, t, scale, store);
            },
            finish);
        break;
    case 1:
        inverseTopSweep<V, 16, topColumns>(
            plan, x, one, nodes,
            [scale](In in, std::size_t ti, double* const* out, std::size_t t, Finish& store) {
                closingSpan16<V>(in, ti, out, t, scale, store);
            },
            finish);
        break;
    default: {
        const LaneTwiddles<V> w = inverseTwiddles<V>(plan, pairOf(2));
        inverseTopSweep<V, 32, topColumns / 2>(
            plan, x, one, nodes,
            [scale, &w](In in, std::size_t ti, double* const* out, std::size_t t, Finish& store) {
                closingSpan32<V>(in, ti, out, t, scale, w, store);
            },
            finish);
        break;
    }
    }
}

} // namespace
} // namespace calvorn::fft
