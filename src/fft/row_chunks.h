// Working far-apart rows of the array through a small local buffer. Owns the
// chunk buffer and its copies; the arithmetic is the callers'.
#pragma once

#include <cstddef>

#include "fft/lanes.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// The slot rows of a butterfly lie a multiple of the stride apart. Once that
// is a multiple of 4 KiB, all rows fall into the same sets of the level-1 data
// cache, more of them than a set holds, and they push each other out between
// the load and the store of a butterfly. Such rows are worked in chunks: a
// run of each row is copied whole into a local buffer of a few KiB, worked
// there and copied back, so each cache line is read once and written once.
inline constexpr std::size_t crowdedStride = 512;

template <std::size_t Rows, std::size_t Length>
struct RowChunk {
    alignas(64) double row[Rows][Length];
};

// Copies count doubles, a lane set at a time.
template <typename V>
[[gnu::always_inline]] inline void copyLanes(double* to, const double* from, std::size_t count)
{
    for (std::size_t i = 0; i < count; i += laneCount<V>) storeLanes(to + i, loadLanes<V>(from + i));
}

// For every run of `length` = min(Length, count) columns from t0: copies
// rows[r] + t0 for r < readRows into the chunk (the other rows are outputs
// only), calls work(chunk, length), and copies all rows back.
template <typename V, std::size_t Rows, std::size_t Length, typename Work>
[[gnu::always_inline]] inline void workInChunks(double* const (&rows)[Rows], std::size_t readRows, std::size_t count,
                                                Work work)
{
    RowChunk<Rows, Length> chunk;
    const std::size_t length = count < Length ? count : Length;
    for (std::size_t t0 = 0; t0 < count; t0 += length) {
        for (std::size_t r = 0; r < readRows; ++r) copyLanes<V>(chunk.row[r], rows[r] + t0, length);
        work(chunk, length);
        for (std::size_t r = 0; r < Rows; ++r) copyLanes<V>(rows[r] + t0, chunk.row[r], length);
    }
}

} // namespace
} // namespace calvorn::fft
