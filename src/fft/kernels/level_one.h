// Level 1 of a transform of n = 2^k doubles (k >= 6): where its rows lie, the
// butterflies of the forward transform's first pass (the radix-2 or radix-4
// pass and the radix-8 pass of span 8, 16 or 32) and of the inverse
// transform's last one (with the 1/N), column by column, and the runs of data
// the first pass takes from a source. The sweeps over the array are the
// callers'. Templates on the lane type; instantiated once per instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fft/kernels/butterflies.h"
#include "fft/kernels/lanes.h"
#include "fft/real_data_source.h"
#include "fft/transform_plan.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// The rows of level 1: `rows` rows of `stride` doubles, row r at offset[r];
// the first `readRows` of them (the lower half) hold the data of a forward
// transform. Span 8: one group of 8 rows, slots 4..7 the (zero) upper half;
// span 16: group 0 in the lower half, group 1 in the upper one; span 32:
// groups 0, 1 and the pair (2, 3) in the quarters.
struct LevelOne {
    std::size_t rows = 8;
    std::size_t readRows = 4;
    std::size_t stride = 0;
    std::size_t offset[32] = {};
};

inline LevelOne levelOneOf(const TreeShape& shape, std::size_t n)
{
    LevelOne one;
    one.rows = std::size_t{8} << shape.shortPass;
    one.readRows = one.rows / 2;
    one.stride = n >> (3 + shape.shortPass);
    const std::size_t quarter = n / 4;
    for (std::size_t r = 0; r < one.rows; ++r) {
        const std::size_t m = r % 8;
        const std::size_t group = r / 8;
        switch (shape.shortPass) {
        case 0: one.offset[r] = m * one.stride; break;
        case 1: one.offset[r] = group * (n / 2) + m * one.stride; break;
        default: one.offset[r] = group * quarter + m * one.stride; break;
        }
    }
    return one;
}

// Whether the opening's stores to x go past the caches: where the tuning
// asks for it and the lanes are whole vectors of an aligned array.
template <typename V>
inline bool streamingOpeningFor(const TransformPlan& plan, const double* x)
{
    const bool aligned = reinterpret_cast<std::uintptr_t>(x) % sizeof(V) == 0;
    return plan.tuning.streamingOpening && aligned && laneCount<V> > 1;
}

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

// The forward butterflies of level 1 at one column: they read in[r] + ti for
// the read rows and write out[r] + t for all rows (in and out may be the same).
// Span 8: slots 4..7 are zero and never read.
template <typename V, bool Streaming>
[[gnu::always_inline]] inline void openingSpan8(const double* const* in, std::size_t ti, double* const* out,
                                                std::size_t t)
{
    V y[8];
    for (std::size_t m = 0; m < 4; ++m) y[m] = loadLanes<V>(in[m] + ti);
    forwardFirstZeroUpper(y);
    for (std::size_t m = 0; m < 8; ++m) openingStore<Streaming>(out[m] + t, y[m]);
}

// Span 16: radix 2 copies the lower half up; group 0 below, group 1 above.
template <typename V, bool Streaming>
[[gnu::always_inline]] inline void openingSpan16(const double* const* in, std::size_t ti, double* const* out,
                                                 std::size_t t)
{
    V y0[8];
    V y1[8];
    for (std::size_t m = 0; m < 8; ++m) y0[m] = y1[m] = loadLanes<V>(in[m] + ti);
    forwardFirst(y0);
    forwardSecond(y1);
    for (std::size_t m = 0; m < 8; ++m) {
        openingStore<Streaming>(out[m] + t, y0[m]);
        openingStore<Streaming>(out[8 + m] + t, y1[m]);
    }
}

// Span 32: radix 4 on quarters (a + b, a - b, a, b); groups 0, 1 and the
// pair (2, 3), whose twiddles are w.
template <typename V, bool Streaming>
[[gnu::always_inline]] inline void openingSpan32(const double* const* in, std::size_t ti, double* const* out,
                                                 std::size_t t, const LaneTwiddles<V>& w)
{
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
        openingStore<Streaming>(out[m] + t, y0[m]);
        openingStore<Streaming>(out[8 + m] + t, y1[m]);
        openingStore<Streaming>(out[16 + m] + t, j[m]);
        openingStore<Streaming>(out[24 + m] + t, k[m]);
    }
}

// The inverse butterflies of level 1 at one column with the radix-2 or
// radix-4 pass and the 1/N: they read in[r] + ti and hand each result for
// out[r] + t to store(pointer, value).
template <typename V, typename Store>
[[gnu::always_inline]] inline void closingSpan8(const double* const* in, std::size_t ti, double* const* out,
                                                std::size_t t, double scale, Store& store)
{
    V y[8];
    for (std::size_t m = 0; m < 8; ++m) y[m] = loadLanes<V>(in[m] + ti);
    inverseFirst(y);
    for (std::size_t m = 0; m < 8; ++m) store(out[m] + t, y[m] * scale);
}

// Groups 0 and 1 are the halves; radix 2: (a + b, a - b).
template <typename V, typename Store>
[[gnu::always_inline]] inline void closingSpan16(const double* const* in, std::size_t ti, double* const* out,
                                                 std::size_t t, double scale, Store& store)
{
    V y0[8];
    V y1[8];
    for (std::size_t m = 0; m < 8; ++m) {
        y0[m] = loadLanes<V>(in[m] + ti);
        y1[m] = loadLanes<V>(in[8 + m] + ti);
    }
    inverseFirst(y0);
    inverseSecond(y1);
    for (std::size_t m = 0; m < 8; ++m) {
        store(out[m] + t, (y0[m] + y1[m]) * scale);
        store(out[8 + m] + t, (y0[m] - y1[m]) * scale);
    }
}

// Groups 0, 1 and the pair (2, 3) (conjugate twiddles w) are the quarters;
// then radix 4.
template <typename V, typename Store>
[[gnu::always_inline]] inline void closingSpan32(const double* const* in, std::size_t ti, double* const* out,
                                                 std::size_t t, double scale, const LaneTwiddles<V>& w, Store& store)
{
    V y0[8];
    V y1[8];
    V j[8];
    V k[8];
    for (std::size_t m = 0; m < 8; ++m) {
        y0[m] = loadLanes<V>(in[m] + ti);
        y1[m] = loadLanes<V>(in[8 + m] + ti);
        j[m] = loadLanes<V>(in[16 + m] + ti);
        k[m] = loadLanes<V>(in[24 + m] + ti);
    }
    inverseFirst(y0);
    inverseSecond(y1);
    inversePair(j, k, w);
    for (std::size_t m = 0; m < 8; ++m) {
        const V u = y0[m] + y1[m];
        const V v = y0[m] - y1[m];
        const V w2 = 2.0 * j[m];
        const V z = 2.0 * k[m];
        store(out[m] + t, (u + w2) * scale);
        store(out[16 + m] + t, (u - w2) * scale);
        store(out[8 + m] + t, (v + z) * scale);
        store(out[24 + m] + t, (v - z) * scale);
    }
}

// The columns of each row of the lower half that the opening takes from a
// data source at a time, into a buffer of its own: few calls, and a buffer
// that stays in the level-1 cache.
inline constexpr std::size_t sourceColumns = 128;

// The runs of the read rows (rows of stride s, row r at element r * s) that
// the source gave last, `Columns` columns a run, from which the chunk rows
// are filled or the butterflies read.
template <std::size_t ReadRows, std::size_t Columns = sourceColumns>
class SourceRuns {
public:
    SourceRuns(const RealDataSource& source, std::size_t s)
        : source_(source), s_(s), columns_(s < Columns ? s : Columns)
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
            source_.load({runs_ + r * Columns, columns_}, element - (t - start));
            start_[r] = start;
        }
        return runs_ + r * Columns + (t - start);
    }

private:
    const RealDataSource& source_;
    std::size_t s_;
    std::size_t columns_;
    std::size_t shift_ = 0;
    alignas(64) double runs_[ReadRows * Columns];
    std::size_t start_[ReadRows];
};

} // namespace
} // namespace calvorn::fft
