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
#include "fft/kernels/pass_tree.h"
#include "fft/kernels/rounding_finish.h"
#include "fft/kernels/row_chunks.h"
#include "fft/real_data_source.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// The slot rows of level 1 lie n/8, n/16 or n/32 doubles apart, a multiple of
// 4 KiB at every length of 2^12 doubles or more: the sixteen or thirty-two
// rows of the radix-2 and radix-4 cases crowd the cache sets and go through
// chunk buffers (4 KiB) where that pays; the eight rows of the span-8 case
// do not crowd them.

// Level 1 of the forward transform of n = 2^k doubles (k >= 6): the radix-2
// pass (a copy of the lower half) or the radix-4 pass (two sums of the lower
// quarters) and then the radix-8 pass of span 8, 16 or 32, whose groups are
// the halves or quarters of the array. Only the lower half is read.
// A store of the opening: past the caches when the tuning asks for it and
// the value goes straight to the array (a chunk buffer is copied back past
// them instead).
template <bool Streaming, typename V>
[[gnu::always_inline]] inline void openingStore(double* p, V value)
{
    if constexpr (Streaming) {
        streamLanes(p, value);
    } else {
        storeLanes(p, value);
    }
}

// The columns of each row of the lower half that the opening takes from a
// data source at a time, into a buffer of its own: few calls, and a buffer
// that stays in the level-1 cache.
inline constexpr std::size_t sourceColumns = 128;

// The runs of the read rows (rows of stride s, row r at element r * s) that
// the source gave last, from which the chunk rows are filled or the
// butterflies read.
template <std::size_t ReadRows>
class SourceRuns {
public:
    SourceRuns(const RealDataSource& source, std::size_t s)
        : source_(source), s_(s), columns_(s < sourceColumns ? s : sourceColumns)
    {
        while ((std::size_t{1} << shift_) < s) ++shift_;
        for (std::size_t& start : start_) start = s; // no run held yet
    }

    // The data from `element` on, to the end of the run of columns it lies in.
    const double* at(std::size_t element)
    {
        const std::size_t r = element >> shift_; // the strides are powers of two
        const std::size_t t = element & (s_ - 1);
        const std::size_t start = t & ~(columns_ - 1);
        if (start_[r] != start) {
            source_.load({runs_ + r * sourceColumns, columns_}, element - (t - start));
            start_[r] = start;
        }
        return runs_ + r * sourceColumns + (t - start);
    }

private:
    const RealDataSource& source_;
    std::size_t s_;
    std::size_t columns_;
    std::size_t shift_ = 0;
    alignas(64) double runs_[ReadRows * sourceColumns];
    std::size_t start_[ReadRows];
};

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

// source: null when the data is in the array; else the opening asks it for
// each run of the lower half just before reading it: into a chunk buffer
// where the tuning works the rows in chunks, else into a buffer of runs
// from which the butterflies read.
template <typename V, bool Streaming>
void forwardOpeningWith(const TransformPlan& plan, double* x, std::size_t n, const RealDataSource* source)
{
    // Chunk rows filled from the source's runs instead of from the array.
    const auto reading = [x](auto& runs) {
        return [x, &runs](double* to, const double* from, auto length) {
            copyLanes<V>(to, runs.at(static_cast<std::size_t>(from - x)), length);
        };
    };
    switch (plan.shape.shortPass) {
    case 0: { // span 8: one group whose slots 4..7 are the (zero) upper half
        const std::size_t s = n / 8;
        double* rows[8];
        for (std::size_t m = 0; m < 8; ++m) rows[m] = x + m * s;
        const auto body = [](const double* const* in, std::size_t ti, double* const* r, std::size_t t) {
            V y[8];
            for (std::size_t m = 0; m < 4; ++m) y[m] = loadLanes<V>(in[m] + ti);
            forwardFirstZeroUpper(y);
            for (std::size_t m = 0; m < 8; ++m) openingStore<Streaming>(r[m] + t, y[m]);
        };
        if (source == nullptr) {
            for (std::size_t t = 0; t < s; t += laneCount<V>) body(rows, t, rows, t);
        } else {
            openingFromSource<V, 4>(x, rows, s, *source, body);
        }
        break;
    }
    case 1: { // radix 2 copies the lower half up; span 16: group 0 below, group 1 above
        const std::size_t s = n / 16;
        double* rows[16];
        for (std::size_t m = 0; m < 8; ++m) {
            rows[m] = x + m * s;
            rows[8 + m] = x + n / 2 + m * s;
        }
        RowSweep sweep = rowSweepOf(plan.tuning, s, 16);
        sweep.streaming = Streaming;
        const bool direct = Streaming && !sweep.inChunks;
        const auto work = [](auto streamed) {
            return [](const double* const* in, std::size_t ti, double* const* r, std::size_t t) {
                V y0[8];
                V y1[8];
                for (std::size_t m = 0; m < 8; ++m) y0[m] = y1[m] = loadLanes<V>(in[m] + ti);
                forwardFirst(y0);
                forwardSecond(y1);
                for (std::size_t m = 0; m < 8; ++m) {
                    openingStore<decltype(streamed)::value>(r[m] + t, y0[m]);
                    openingStore<decltype(streamed)::value>(r[8 + m] + t, y1[m]);
                }
            };
        };
        if (source != nullptr && !sweep.inChunks) {
            openingFromSource<V, 8>(x, rows, s, *source, work(std::bool_constant<Streaming>{}));
        } else if (source != nullptr) {
            SourceRuns<8> runs(*source, s);
            sweepRowsReading<V, 16>(rows, 8, s, sweep, inPlace(work(std::false_type{})), reading(runs));
        } else if (direct) {
            sweepRows<V, 16>(rows, 8, s, sweep, inPlace(work(std::true_type{})));
        } else {
            sweepRows<V, 16>(rows, 8, s, sweep, inPlace(work(std::false_type{})));
        }
        break;
    }
    default: { // radix 4 on quarters (a + b, a - b, a, b); span 32: groups 0, 1 and the pair (2, 3)
        const std::size_t q = n / 4;
        const std::size_t s = n / 32;
        double* rows[32];
        for (std::size_t g = 0; g < 4; ++g) {
            for (std::size_t m = 0; m < 8; ++m) rows[8 * g + m] = x + g * q + m * s;
        }
        const LaneTwiddles<V> w = forwardTwiddles<V>(plan, pairOf(2));
        RowSweep sweep = rowSweepOf(plan.tuning, s, 32);
        sweep.streaming = Streaming;
        const bool direct = Streaming && !sweep.inChunks;
        const auto work = [&w](auto streamed) {
            return [&w](const double* const* in, std::size_t ti, double* const* r, std::size_t t) {
                V y0[8];
                V y1[8];
                V j[8];
                V k[8];
                for (std::size_t m = 0; m < 8; ++m) {
                    const V a = loadLanes<V>(in[m] + ti);
                    const V b = loadLanes<V>(in[8 + m] + ti);
                    y0[m] = a + b;
                    y1[m] = a - b;
                    j[m] = a;
                    k[m] = b;
                }
                forwardFirst(y0);
                forwardSecond(y1);
                forwardPair(j, k, w);
                for (std::size_t m = 0; m < 8; ++m) {
                    openingStore<decltype(streamed)::value>(r[m] + t, y0[m]);
                    openingStore<decltype(streamed)::value>(r[8 + m] + t, y1[m]);
                    openingStore<decltype(streamed)::value>(r[16 + m] + t, j[m]);
                    openingStore<decltype(streamed)::value>(r[24 + m] + t, k[m]);
                }
            };
        };
        if (source != nullptr && !sweep.inChunks) {
            openingFromSource<V, 16>(x, rows, s, *source, work(std::bool_constant<Streaming>{}));
        } else if (source != nullptr) {
            SourceRuns<16> runs(*source, s);
            sweepRowsReading<V, 32>(rows, 16, s, sweep, inPlace(work(std::false_type{})), reading(runs));
        } else if (direct) {
            sweepRows<V, 32>(rows, 16, s, sweep, inPlace(work(std::true_type{})));
        } else {
            sweepRows<V, 32>(rows, 16, s, sweep, inPlace(work(std::false_type{})));
        }
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
    const bool aligned = reinterpret_cast<std::uintptr_t>(x) % sizeof(V) == 0;
    if (plan.tuning.streamingOpening && aligned && laneCount<V> > 1) {
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
    switch (plan.shape.shortPass) {
    case 0: {
        const std::size_t s = n / 8;
        for (std::size_t t = 0; t < s; t += laneCount<V>) {
            V y[8];
            for (std::size_t m = 0; m < 8; ++m) y[m] = loadLanes<V>(x + m * s + t);
            inverseFirst(y);
            for (std::size_t m = 0; m < 8; ++m) finish(x + m * s + t, y[m] * scale);
        }
        break;
    }
    case 1: { // groups 0 and 1 are the halves; radix 2: (a + b, a - b)
        const std::size_t s = n / 16;
        double* rows[16];
        for (std::size_t m = 0; m < 8; ++m) {
            rows[m] = x + m * s;
            rows[8 + m] = x + n / 2 + m * s;
        }
        sweepRowsOut<V, 16>(
            rows, s, rowSweepOf(plan.tuning, s, 16),
            [scale](double* const* r, std::size_t t, auto& store) {
                V y0[8];
                V y1[8];
                for (std::size_t m = 0; m < 8; ++m) {
                    y0[m] = loadLanes<V>(r[m] + t);
                    y1[m] = loadLanes<V>(r[8 + m] + t);
                }
                inverseFirst(y0);
                inverseSecond(y1);
                for (std::size_t m = 0; m < 8; ++m) {
                    store(r[m] + t, (y0[m] + y1[m]) * scale);
                    store(r[8 + m] + t, (y0[m] - y1[m]) * scale);
                }
            },
            finish);
        break;
    }
    default: { // groups 0, 1 and the pair (2, 3) are the quarters; then radix 4
        const std::size_t q = n / 4;
        const std::size_t s = n / 32;
        double* rows[32];
        for (std::size_t g = 0; g < 4; ++g) {
            for (std::size_t m = 0; m < 8; ++m) rows[8 * g + m] = x + g * q + m * s;
        }
        const LaneTwiddles<V> w = inverseTwiddles<V>(plan, pairOf(2));
        sweepRowsOut<V, 32>(
            rows, s, rowSweepOf(plan.tuning, s, 32),
            [&w, scale](double* const* r, std::size_t t, auto& store) {
                V y0[8];
                V y1[8];
                V j[8];
                V k[8];
                for (std::size_t m = 0; m < 8; ++m) {
                    y0[m] = loadLanes<V>(r[m] + t);
                    y1[m] = loadLanes<V>(r[8 + m] + t);
                    j[m] = loadLanes<V>(r[16 + m] + t);
                    k[m] = loadLanes<V>(r[24 + m] + t);
                }
                inverseFirst(y0);
                inverseSecond(y1);
                inversePair(j, k, w);
                for (std::size_t m = 0; m < 8; ++m) {
                    const V u = y0[m] + y1[m];
                    const V v = y0[m] - y1[m];
                    const V w2 = 2.0 * j[m];
                    const V z = 2.0 * k[m];
                    store(r[m] + t, (u + w2) * scale);
                    store(r[16 + m] + t, (u - w2) * scale);
                    store(r[8 + m] + t, (v + z) * scale);
                    store(r[24 + m] + t, (v - z) * scale);
                }
            },
            finish);
        break;
    }
    }
    result = finish;
}

// All the arithmetic of a forward transform of 2^k doubles (k >= 6): level 1
// over the whole array, then each level-1 node's subtree depth first. Leaves
// the pairs in bit-reversed order.
template <typename V>
void forwardPasses(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    const TreeShape& shape = plan.shape;
    const std::size_t n = std::size_t{1} << plan.k;
    forwardOpening<V>(plan, x, n, source);
    const ForwardTree<V> tree(plan);
    const std::size_t s = n >> (3 + shape.shortPass); // the stride of level 1
    tree.childrenOfFirst(x, s);
    if (shape.shortPass >= 1) tree.childrenOfSecond(x + 8 * s, s);
    if (shape.shortPass == 2) tree.childrenOfPair(x + 16 * s, x + 24 * s, s, 2, 3);
}

// All the arithmetic of an inverse transform (k >= 6) once the pairs are in
// bit-reversed order: the level-1 subtrees, then level 1 with the short pass
// and the 1/N.
template <typename V>
void inversePasses(const TransformPlan& plan, double* x)
{
    const TreeShape& shape = plan.shape;
    const std::size_t n = std::size_t{1} << plan.k;
    const InverseTree<V> tree(plan);
    const std::size_t s = n >> (3 + shape.shortPass);
    tree.childrenOfFirst(x, s);
    if (shape.shortPass >= 1) tree.childrenOfSecond(x + 8 * s, s);
    if (shape.shortPass == 2) tree.childrenOfPair(x + 16 * s, x + 24 * s, s, 2, 3);
    PlainFinish<V> finish;
    inverseClosing<V>(plan, x, n, finish);
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
    const TreeShape& shape = plan.shape;
    const std::size_t n = std::size_t{1} << plan.k;
    forwardOpening<V>(plan, x, n, source);
    const ProductTree<V> tree(plan, OtherFactor{x, other});
    const std::size_t s = n >> (3 + shape.shortPass);
    tree.childrenOfFirst(x, s);
    if (shape.shortPass >= 1) tree.childrenOfSecond(x + 8 * s, s);
    if (shape.shortPass == 2) tree.childrenOfPair(x + 16 * s, x + 24 * s, s, 2, 3);
    inverseClosing<V>(plan, x, n, finish);
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
    const TreeShape& shape = plan.shape;
    const std::size_t n = std::size_t{1} << plan.k;
    forwardOpening<V>(plan, x, n, source);
    const SquareKeepTree<V> tree(plan, OtherFactor{y, nullptr}, y - x);
    const std::size_t s = n >> (3 + shape.shortPass);
    tree.childrenOfFirst(x, s);
    if (shape.shortPass >= 1) tree.childrenOfSecond(x + 8 * s, s);
    if (shape.shortPass == 2) tree.childrenOfPair(x + 16 * s, x + 24 * s, s, 2, 3);
    RoundingFinish<V> finish(y, rounding);
    inverseClosing<V>(plan, y, n, finish);
    finish.report(rounding);
}

} // namespace
} // namespace calvorn::fft
