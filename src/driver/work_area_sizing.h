// How long the product work area of a run can be: a budget from the
// machine's memory and the largest power of two of doubles that fits it.
// Pure arithmetic on the figures the host reports.
#pragma once

#include <cstdint>

#include "common/size_parameters.h"
#include "platform/host.h"

namespace calvorn {

// The total physical memory less 5000000 bytes, or the available memory when
// that is larger: the area may exceed what is free at this moment.
std::uint64_t memoryBudget(const MemoryStatus& memory);

// Bytes a run needs beside its work area (block and spectrum buffers, the
// output's buffers, the C library's own), kept out of a process's headroom.
constexpr std::uint64_t runReserveBytes = 4ull << 20;

// A work area of 2 MiB or more starts on a 2 MiB page and ends on one (the
// storage asks for large pages): its address space may exceed its bytes by
// up to this much, and a process's limits count address space.
constexpr std::uint64_t largeAreaBytes = 2ull << 20;
constexpr std::uint64_t largeAreaOverheadBytes = 4ull << 20;

// The budget of a run: memoryBudget, but never more than four fifths of the
// headroom under the process's own limits less runReserveBytes (the fifth
// left is for the twiddle table, which grows with the area's transforms),
// less the overhead of a large area (or below a large area), nor more than
// `cap` (a limit the user set).
std::uint64_t limitedMemoryBudget(const MemoryStatus& memory, std::uint64_t cap);

// The budget of each of `copies` runs made side by side (the stress test):
// what limitedMemoryBudget allows one run, with a reserve (and the overhead of
// a large area) kept for every copy,
// shared out evenly, so that all of them fit together. The process's limits
// are taken as shared ones, which a control group's is; each copy applies
// its own limits again.
std::uint64_t sharedMemoryBudget(const MemoryStatus& memory, std::uint64_t cap, std::uint32_t copies);

// The shortest work area that the out-of-core products can cut into blocks of
// whole work-file blocks: a quarter of it must be a multiple of blockWords.
constexpr std::int32_t smallestWorkAreaLength(const SizeParameters& size) { return 4 * size.blockWords; }

// The work area length: 8 * numberWords, halved while its (length + 5) * 8
// bytes exceed the budget. 0 when even the smallest usable length does not fit.
std::int32_t workAreaLengthFor(const SizeParameters& size, std::uint64_t budget);

// The room beyond a work area of `length` doubles that the budget leaves for
// the out-of-core products: up to `length` doubles (the five spare doubles
// among them), within the budget; 0 when the area has the full length, where
// every product is in core.
std::int32_t workAreaRoomFor(const SizeParameters& size, std::int32_t length, std::uint64_t budget);

} // namespace calvorn
