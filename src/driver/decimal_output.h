// writeDecimalDigits: the finished value of pi, read block by block from its
// stored number, written as the text of "pi_data.txt" into the side file
// that becomes it. Touches the run's first block buffer and that one file,
// nothing else.
#pragma once

#include <cstdint>

#include "platform/owned_files.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// The name of the result file.
constexpr const char* decimalOutputFileName = "pi_data.txt";

// Writes the integer digit of `number` and words 2 .. n (8 * n fraction
// digits; the guard words are not printed) into `side`, the side file of
// "pi_data.txt", and finishes it (on the disk, closed); putting it in place
// is the caller's. A failed write throws RunFailure naming the file and the
// system's reason. A stop raised by a block read leaves the side file
// unfinished, for its owner to discard.
void writeDecimalDigits(RunContext& run, StoredNumber& number, std::int32_t n, SideFile& side);

} // namespace calvorn
