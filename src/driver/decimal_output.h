// writeDecimalDigits: the finished value of pi, read block by block from its
// stored number, written as "pi_data.txt" in the current directory. Touches
// the run's first block buffer and that one file, nothing else.
#pragma once

#include <cstdint>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// The name of the result file.
constexpr const char* decimalOutputFileName = "pi_data.txt";

// Creates "pi_data.txt" and writes the integer digit of `number` and words
// 2 .. n (8 * n fraction digits; the guard words are not printed). A failed
// create or write throws RunFailure naming the file and the system's reason.
// A stop raised by a block read leaves the lines written so far in the file,
// which is closed on the way out.
void writeDecimalDigits(RunContext& run, StoredNumber& number, std::int32_t n);

} // namespace calvorn
