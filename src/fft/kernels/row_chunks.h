// Working far-apart rows of the array through a small local buffer. Owns the
// chunk buffer and its copies; the arithmetic is the callers'.
#pragma once

#include <cstddef>
#include <type_traits>

#include "fft/kernels/lanes.h"
#include "fft/transform_plan.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// The slot rows of a butterfly lie a multiple of the stride apart. Once that
// is a multiple of 4 KiB, all rows fall into the same sets of the level-1 data
// cache, more of them than a set holds, and they push each other out between
// the load and the store of a butterfly. Such rows are worked in chunks: a
// run of each row is copied whole into a local buffer of a few KiB, worked
// there and copied back, so each cache line is read once and written once.
// From which stride on that pays is the tuning's choice.
struct RowSweep {
    bool inChunks = false;        // through the chunk buffer
    std::size_t columns = 0;      // columns per chunk (a multiple of every lane count)
    bool streaming = false;       // copies back past the caches (the buffer's rows are whole lines)
};

// How rows of the given stride are swept under a tuning, for chunks of
// `rows` rows (16 or 32): a chunk of 32 rows has half the columns of one of 16.
inline RowSweep rowSweepOf(const TreeTuning& tuning, std::size_t stride, std::size_t rows)
{
    RowSweep sweep;
    sweep.inChunks = chunkedAt(tuning, stride, rows);
    sweep.columns = chunkColumnsOf(tuning, rows);
    return sweep;
}

// The most columns a chunk of 16 rows may have; 32 rows have half.
inline constexpr std::size_t widestChunk = 64;

// Room for the widest chunk; a chunk's rows lie one after another, as long
// as its columns, so that a narrow one takes few cache lines.
template <std::size_t Rows>
struct RowChunk {
    alignas(64) double doubles[widestChunk * 16];
    // The rows of a chunk `length` columns wide.
    void rows(std::size_t length, double* (&rowPointers)[Rows])
    {
        for (std::size_t r = 0; r < Rows; ++r) rowPointers[r] = doubles + r * length;
    }
};

// Copies count doubles, a lane set at a time.
template <typename V>
[[gnu::always_inline]] inline void copyLanes(double* to, const double* from, std::size_t count)
{
    for (std::size_t i = 0; i < count; i += laneCount<V>) storeLanes(to + i, loadLanes<V>(from + i));
}

template <typename V>
[[gnu::always_inline]] inline void streamLanesFrom(double* to, const double* from, std::size_t count)
{
    for (std::size_t i = 0; i < count; i += laneCount<V>) streamLanes(to + i, loadLanes<V>(from + i));
}

// Calls body(std::integral_constant<std::size_t, columns>) for the chunk
// width of a sweep.
template <std::size_t Rows, typename Body>
[[gnu::always_inline]] inline void withChunkColumns(std::size_t columns, Body body)
{
    switch (columns) {
    case widestChunk * 4 / Rows:
        body(std::integral_constant<std::size_t, widestChunk * 4 / Rows>{});
        break;
    case widestChunk * 8 / Rows:
        body(std::integral_constant<std::size_t, widestChunk * 8 / Rows>{});
        break;
    default:
        body(std::integral_constant<std::size_t, widestChunk * 16 / Rows>{});
        break;
    }
}

// Calls body(chunkRows, t0, length) for every run of `length` columns
// (t0 = 0, length, ... < count) with the rows of one chunk buffer of that
// width; `length` is an integral constant, so that loops over it are
// compiled for their length.
template <std::size_t Rows, typename Body>
[[gnu::always_inline]] inline void forEachChunk(std::size_t columns, std::size_t count, Body body)
{
    withChunkColumns<Rows>(columns, [&](auto length) {
        RowChunk<Rows> chunk;
        double* chunkRows[Rows];
        chunk.rows(length, chunkRows);
        for (std::size_t t0 = 0; t0 < count; t0 += length) body(chunkRows, t0, length);
    });
}

// Runs work(rowPointers, t) for every lane set t = 0, lanes, ... < count of
// the given rows, where work loads, computes and stores at rowPointers[r] + t.
// In chunks (count a multiple of the chunk's columns) it goes through a
// chunk buffer: for every run of columns, rows[r] for r < readRows are
// brought in by read(chunk row, row place, length) (the other rows are
// outputs only), worked there, and all copied back.
template <typename V, std::size_t Rows, typename Work, typename Read>
[[gnu::always_inline]] inline void sweepRowsReading(double* const (&rows)[Rows], std::size_t readRows,
                                                    std::size_t count, const RowSweep& sweep, Work work, Read read)
{
    if (!sweep.inChunks) {
        for (std::size_t t = 0; t < count; t += laneCount<V>) work(rows, t);
        return;
    }
    forEachChunk<Rows>(sweep.columns, count, [&](double* const (&chunkRows)[Rows], std::size_t t0, auto length) {
        for (std::size_t r = 0; r < readRows; ++r) read(chunkRows[r], rows[r] + t0, length);
        for (std::size_t t = 0; t < length; t += laneCount<V>) work(chunkRows, t);
        if (sweep.streaming) {
            for (std::size_t r = 0; r < Rows; ++r) streamLanesFrom<V>(rows[r] + t0, chunkRows[r], length);
        } else {
            for (std::size_t r = 0; r < Rows; ++r) copyLanes<V>(rows[r] + t0, chunkRows[r], length);
        }
    });
}

// sweepRows with the read rows copied in from the array.
template <typename V, std::size_t Rows, typename Work>
[[gnu::always_inline]] inline void sweepRows(double* const (&rows)[Rows], std::size_t readRows, std::size_t count,
                                             const RowSweep& sweep, Work work)
{
    sweepRowsReading<V, Rows>(rows, readRows, count, sweep, work,
                              [](double* to, const double* from, auto length) { copyLanes<V>(to, from, length); });
}

// As sweepRows with every row read, for the last pass of an inverse
// transform: work(rowPointers, t, store) hands each result to store(pointer,
// value), and every result leaves for the array through finish(pointer,
// value), directly or, in chunks, as the chunk is copied back.
template <typename V, std::size_t Rows, typename Work, typename Finish>
[[gnu::always_inline]] inline void sweepRowsOut(double* const (&rows)[Rows], std::size_t count, const RowSweep& sweep,
                                                Work work, Finish& finish)
{
    if (!sweep.inChunks) {
        for (std::size_t t = 0; t < count; t += laneCount<V>) work(rows, t, finish);
        return;
    }
    const auto plain = [](double* p, V value) { storeLanes(p, value); };
    forEachChunk<Rows>(sweep.columns, count, [&](double* const (&chunkRows)[Rows], std::size_t t0, auto length) {
        for (std::size_t r = 0; r < Rows; ++r) copyLanes<V>(chunkRows[r], rows[r] + t0, length);
        for (std::size_t t = 0; t < length; t += laneCount<V>) work(chunkRows, t, plain);
        for (std::size_t r = 0; r < Rows; ++r) {
            for (std::size_t i = 0; i < length; i += laneCount<V>) finish(rows[r] + t0 + i, loadLanes<V>(chunkRows[r] + i));
        }
    });
}

} // namespace
} // namespace calvorn::fft
