// readBlock and writeBlock: the only way any code moves a block between a
// stored number's work file and memory. One seek and one call per block, then
// the host's message pump; a stop raised there abandons the run.
#pragma once

#include <cstdint>
#include <span>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// Block numbers count from 1; block k starts at byte (k - 1) * blockBytes.
void writeBlock(RunContext& run, StoredNumber& number, std::int32_t block, const BlockBuffer& buffer);
void readBlock(RunContext& run, StoredNumber& number, std::int32_t block, BlockBuffer& buffer);

// Block `block` to be looked at only: blockWords words (or halfBlockWords
// doubles of a spectrum store) seen in the file's own pages where the
// system lets the file be viewed, else read into `buffer` as readBlock
// does. Counted as a block read; the words stay valid, showing what the file
// holds, until the number is closed.
std::span<const std::int32_t> viewBlock(RunContext& run, StoredNumber& number, std::int32_t block,
                                        BlockBuffer& buffer);
std::span<const double> viewBlock(RunContext& run, StoredNumber& store, std::int32_t block, std::span<double> buffer);

// The same for a block of a spectrum store: halfBlockWords doubles.
void writeBlock(RunContext& run, StoredNumber& store, std::int32_t block, std::span<const double> doubles);
void readBlock(RunContext& run, StoredNumber& store, std::int32_t block, std::span<double> doubles);

// Consecutive blocks of a spectrum store from `first` on, as many as
// `doubles` holds (a multiple of halfBlockWords), moved straight between the
// file and `doubles` by up to blocksPerTransfer blocks at a time: one call
// and one pump per transfer, every block counted.
constexpr std::int32_t blocksPerTransfer = 16;
void writeBlocks(RunContext& run, StoredNumber& store, std::int32_t first, std::span<const double> doubles);
void readBlocks(RunContext& run, StoredNumber& store, std::int32_t first, std::span<double> doubles);

// Ends the run as the user asked: throws StopRequested, which only the driver
// catches. Never returns.
[[noreturn]] void abortComputation();

} // namespace calvorn
