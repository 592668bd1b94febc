// The passes that sweep the whole array with the largest stride: the forward
// transform's radix-2/4 pass together with its first radix-8 pass, and the
// inverse transform's last radix-8 pass together with its radix-2/4 pass and
// the final 1/N. Fusing them saves whole-array sweeps; every value still goes
// through the same operations in the same order as pass by pass.
// Templates on the lane type; instantiated once per instruction set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "fft/kernels/butterflies.h"
#include "fft/kernels/lanes.h"
#include "fft/kernels/level_one.h"
#include "fft/kernels/pass_tree.h"
#include "fft/kernels/rounding_finish.h"
#include "fft/kernels/row_chunks.h"
#include "fft/kernels/top_sweeps.h"
#include "fft/real_data_source.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// The slot rows of level 1 lie n/8, n/16 or n/32 doubles apart, a multiple of
// 4 KiB at every length of 2^12 doubles or more: the sixteen or thirty-two
// rows of the radix-2 and radix-4 cases crowd the cache sets and go through
// chunk buffers (4 KiB) where that pays; the eight rows of the span-8 case
// do not crowd them.

// The opening's butterflies over rows of stride s whose first ReadRows rows
// (row r at element r * s, the lower half) come from a source: for each run
// of columns the source gives those rows' runs, and body(in, ti, rows, t)
// reads in[r] + ti and writes rows[r] + t.
template <typename V, std::size_t ReadRows, typename Body>
[[gnu::always_inline]] inline void openingFromSource(const double* x, double* const* rows, std::size_t s,
                                                     const RealDataSource& source, Body body)
{
    SourceRuns<ReadRows> runs(source, s);
    const std::size_t columns = s < sourceColumns ? s : sourceColumns;
    for (std::size_t t0 = 0; t0 < s; t0 += columns) {
        const double* in[ReadRows];
        for (std::size_t r = 0; r < ReadRows; ++r) in[r] = runs.at(static_cast<std::size_t>(rows[r] - x) + t0);
        for (std::size_t t = 0; t < columns; t += laneCount<V>) body(in, t, rows, t0 + t);
    }
}

// A body(in, ti, rows, t) that reads the rows it writes, as sweepRows works.
template <typename Body>
[[gnu::always_inline]] inline auto inPlace(Body body)
{
    return [body](double* const* r, std::size_t t) { body(r, t, r, t); };
}

// Level 1 of the forward transform over rows of `Rows` rows (16 or 32) of
// which the lower half is read, through `opening` (a function of a
// std::bool_constant saying whether its stores go past the caches, giving the
// butterflies at one column). source: null when the data is in the array;
// else the opening asks it for each run of the lower half just before reading
// it: into a chunk buffer where the tuning works the rows in chunks, else
// into a buffer of runs from which the butterflies read.
template <typename V, bool Streaming, std::size_t Rows, typename Opening>
void openingSweep(const TransformPlan& plan, double* x, const LevelOne& one, const RealDataSource* source,
                  Opening opening)
{
    constexpr std::size_t readRows = Rows / 2;
    double* rows[Rows];
    for (std::size_t r = 0; r < Rows; ++r) rows[r] = x + one.offset[r];
    const std::size_t s = one.stride;
    RowSweep sweep = rowSweepOf(plan.tuning, s, Rows);
    sweep.streaming = Streaming;
    const bool direct = Streaming && !sweep.inChunks;
    if (source != nullptr && !sweep.inChunks) {
        openingFromSource<V, readRows>(x, rows, s, *source, opening(std::bool_constant<Streaming>{}));
    } else if (source != nullptr) {
        // Chunk rows filled from the source's runs instead of from the array.
        SourceRuns<readRows> runs(*source, s);
        const auto reading = [x, &runs](double* to, const double* from, auto length) {
            copyLanes<V>(to, runs.at(static_cast<std::size_t>(from - x)), length);
        };
        sweepRowsReading<V, Rows>(rows, readRows, s, sweep, inPlace(opening(std::false_type{})), reading);
    } else if (direct) {
        sweepRows<V, Rows>(rows, readRows, s, sweep, inPlace(opening(std::true_type{})));
    } else {
        sweepRows<V, Rows>(rows, readRows, s, sweep, inPlace(opening(std::false_type{})));
    }
}

// Level 1 of the forward transform, from the data in the lower half of x or
// from `source`.
template <typename V, bool Streaming>
void forwardOpeningWith(const TransformPlan& plan, double* x, std::size_t n, const RealDataSource* source)
{
    const LevelOne one = levelOneOf(plan.shape, n);
    switch (plan.shape.shortPass) {
    case 0: { // span 8: one group whose slots 4..7 are the (zero) upper half
        double* rows[8];
        for (std::size_t m = 0; m < 8; ++m) rows[m] = x + one.offset[m];
        if (source == nullptr) {
            for (std::size_t t = 0; t < one.stride; t += laneCount<V>) openingSpan8<V, Streaming>(rows, t, rows, t);
        } else {
            openingFromSource<V, 4>(x, rows, one.stride, *source,
                                    [](const double* const* in, std::size_t ti, double* const* out, std::size_t t) {
                                        openingSpan8<V, Streaming>(in, ti, out, t);
                                    });
        }
        break;
    }
    case 1:
        openingSweep<V, Streaming, 16>(plan, x, one, source, [](auto streamed) {
            return [](const double* const* in, std::size_t ti, double* const* out, std::size_t t) {
                openingSpan16<V, decltype(streamed)::value>(in, ti, out, t);
            };
        });
        break;
    default: {
        const LaneTwiddles<V> w = forwardTwiddles<V>(plan, pairOf(2));
        openingSweep<V, Streaming, 32>(plan, x, one, source, [&w](auto streamed) {
            return [&w](const double* const* in, std::size_t ti, double* const* out, std::size_t t) {
                openingSpan32<V, decltype(streamed)::value>(in, ti, out, t, w);
            };
        });
        break;
    }
    }
    if constexpr (Streaming) endStreaming();
}

// Level 1 of the forward transform of n = 2^k doubles (k >= 6): the radix-2
// pass (a copy of the lower half) or the radix-4 pass (two sums of the lower
// quarters) and then the radix-8 pass of span 8, 16 or 32, whose groups are
// the halves or quarters of the array. Only the lower half is read. The
// stores go past the caches where the tuning asks for it and the lanes are
// whole vectors of an aligned array. The data comes from `source` when it
// is not null.
template <typename V>
void forwardOpening(const TransformPlan& plan, double* x, std::size_t n, const RealDataSource* source)
{
    if (streamingOpeningFor<V>(plan, x)) {
        forwardOpeningWith<V, true>(plan, x, n, source);
    } else {
        forwardOpeningWith<V, false>(plan, x, n, source);
    }
}

// Level 1 of the inverse transform, then its radix-2 or radix-4 pass, then
// the scaling by 1/N, butterfly by butterfly; every value leaves through
// finish (the plain store, or the store with the rounding).
template <typename V, typename Finish>
void inverseClosing(const TransformPlan& plan, double* x, std::size_t n, Finish& result)
{
    // A copy whose address the stores cannot reach, so that the rounding's
    // running sums and maxima stay in registers instead of going to memory
    // and back after every store.
    Finish finish = result;
    const double scale = 1.0 / static_cast<double>(n);
    const LevelOne one = levelOneOf(plan.shape, n);
    const std::size_t s = one.stride;
    switch (plan.shape.shortPass) {
    case 0: {
        double* rows[8];
        for (std::size_t m = 0; m < 8; ++m) rows[m] = x + one.offset[m];
        for (std::size_t t = 0; t < s; t += laneCount<V>) closingSpan8<V>(rows, t, rows, t, scale, finish);
        break;
    }
    case 1: {
        double* rows[16];
        for (std::size_t r = 0; r < 16; ++r) rows[r] = x + one.offset[r];
        sweepRowsOut<V, 16>(
            rows, s, rowSweepOf(plan.tuning, s, 16),
            [scale](double* const* r, std::size_t t, auto& store) { closingSpan16<V>(r, t, r, t, scale, store); },
            finish);
        break;
    }
    default: {
        double* rows[32];
        for (std::size_t r = 0; r < 32; ++r) rows[r] = x + one.offset[r];
        const LaneTwiddles<V> w = inverseTwiddles<V>(plan, pairOf(2));
        sweepRowsOut<V, 32>(
            rows, s, rowSweepOf(plan.tuning, s, 32),
            [&w, scale](double* const* r, std::size_t t, auto& store) {
                closingSpan32<V>(r, t, r, t, scale, w, store);
            },
            finish);
        break;
    }
    }
    result = finish;
}

// The subtrees below level 1, each level-1 node's children by the tree's rules.
template <typename Tree>
void levelOneSubtrees(const Tree& tree, double* x, const TransformPlan& plan)
{
    const TreeShape& shape = plan.shape;
    const std::size_t s = (std::size_t{1} << plan.k) >> (3 + shape.shortPass); // the stride of level 1
    tree.childrenOfFirst(x, s);
    if (shape.shortPass >= 1) tree.childrenOfSecond(x + 8 * s, s);
    if (shape.shortPass == 2) tree.childrenOfPair(x + 16 * s, x + 24 * s, s, 2, 3);
}

// A forward pass tree's work on x: level 1 (or levels 1 and 2 in one sweep),
// then the subtrees below, depth first.
template <typename V, typename Tree>
void forwardTree(const TransformPlan& plan, const Tree& tree, double* x, const RealDataSource* source)
{
    const std::size_t n = std::size_t{1} << plan.k;
    if constexpr (topSweepsHere) {
        if (topInOneSweep(plan)) {
            forwardTop<V>(plan, x, n, source);
            topSubtrees(tree, x, levelOneOf(plan.shape, n), topNodesOf(plan.shape.shortPass));
            return;
        }
    }
    forwardOpening<V>(plan, x, n, source);
    levelOneSubtrees(tree, x, plan);
}

// The inverse passes' last levels: level 1 with the closing (or levels 2 and
// 1 in one sweep), every value leaving through finish.
template <typename V, typename Finish>
void closingLevels(const TransformPlan& plan, double* x, Finish& finish)
{
    const std::size_t n = std::size_t{1} << plan.k;
    if constexpr (topSweepsHere) {
        if (topInOneSweep(plan)) {
            inverseTop<V>(plan, x, n, finish);
            return;
        }
    }
    inverseClosing<V>(plan, x, n, finish);
}

// All the arithmetic of a forward transform of 2^k doubles (k >= 6): level 1
// over the whole array, then each level-1 node's subtree depth first. Leaves
// the pairs in bit-reversed order.
template <typename V>
void forwardPasses(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    forwardTree<V>(plan, ForwardTree<V>(plan), x, source);
}

// All the arithmetic of an inverse transform (k >= 6) once the pairs are in
// bit-reversed order: the level-1 subtrees, then level 1 with the short pass
// and the 1/N.
template <typename V>
void inversePasses(const TransformPlan& plan, double* x)
{
    const InverseTree<V> tree(plan);
    bool topSubtreesDone = false;
    if constexpr (topSweepsHere) {
        if (topInOneSweep(plan)) {
            const std::size_t n = std::size_t{1} << plan.k;
            topSubtrees(tree, x, levelOneOf(plan.shape, n), topNodesOf(plan.shape.shortPass));
            topSubtreesDone = true;
        }
    }
    if (!topSubtreesDone) levelOneSubtrees(tree, x, plan);
    PlainFinish<V> finish;
    closingLevels<V>(plan, x, finish);
}

// A whole product on 2^k doubles (k >= 6) in the products' pair order: x
// holds real data (lower half); on return it holds the inverse transform of
// its spectrum times the other factor's spectrum (or of its square). Level 1
// forward over the whole array, then each level-1 subtree forward, multiplied
// and back while it is in cache, then level 1 inverse with the 1/N.
template <typename V, typename Finish>
void productPassesThrough(const TransformPlan& plan, double* x, const double* other, Finish& finish,
                          const RealDataSource* source)
{
    forwardTree<V>(plan, ProductTree<V>(plan, OtherFactor{x, other}), x, source);
    closingLevels<V>(plan, x, finish);
}

template <typename V>
void productPasses(const TransformPlan& plan, double* x, const double* other)
{
    PlainFinish<V> finish;
    productPassesThrough<V>(plan, x, other, finish, nullptr);
}

// The same with the rounding of the results done as level 1 writes them.
template <typename V>
void productPasses(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                   const RealDataSource* source)
{
    RoundingFinish<V> finish(x, rounding);
    productPassesThrough<V>(plan, x, other, finish, source);
    finish.report(rounding);
}

// The square of the real data in x (lower half) that keeps x's spectrum: on
// return x holds its spectrum in the products' pair order, as the forward
// passes leave it, and y (another 2^k doubles) the inverse transform of the
// spectrum squared, rounded as level 1 writes it.
template <typename V>
void squareKeepPasses(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                      const RealDataSource* source)
{
    forwardTree<V>(plan, SquareKeepTree<V>(plan, OtherFactor{y, nullptr}, y - x), x, source);
    RoundingFinish<V> finish(y, rounding);
    closingLevels<V>(plan, y, finish);
    finish.report(rounding);
}

} // namespace
} // namespace calvorn::fft
