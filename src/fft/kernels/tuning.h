// The kernels' tuning constants in one place: where rows go through chunk
// buffers, how long the chunks are, and which subtrees are prefetched whole.
// Changing them moves memory traffic only, never a result bit.
#pragma once

#include <cstddef>

namespace calvorn::fft::tuning {

// Rows of a butterfly lie a stride apart; from this stride on (4 KiB) they
// fall into the same level-1 cache sets and are worked through chunk buffers.
inline constexpr std::size_t crowdedStride = 512;

// Columns per chunk: 16 rows (a pair, or the radix-2 opening) of 32 doubles,
// 32 rows (the radix-4 opening) of 16 doubles, 4 KiB either way.
inline constexpr std::size_t chunkOf16Rows = 32;
inline constexpr std::size_t chunkOf32Rows = 16;

// In the inverse the first touch of the data is at the leaves, in short runs
// here and there; a pair of this stride (64 KiB in all) is asked for in one
// go before its subtree starts.
inline constexpr std::size_t prefetchedStride = 512;

} // namespace calvorn::fft::tuning
