// The linear-time operations on stored numbers: zeroing, cutting, copying,
// adding, subtracting, complementing, small multiples, halving, comparing and
// the double in the two leading words. Each streams its operands block by
// block through the run's two block buffers; a result may be an input.
#pragma once

#include <cstdint>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// Every word of blocks 1 .. n / blockWords + 1 of x becomes 0.
void zeroNumber(RunContext& run, StoredNumber& x, std::int32_t n);

// Word m and every later word of x through the number's last block become 0.
void clearTail(RunContext& run, StoredNumber& x, std::int32_t m, std::int32_t n);

// Words 1 .. n + 2 of z become those of x; z's last block keeps the rest.
void copyNumber(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n);

// z = x + y.
void addNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n);

// z = k - x, digit by digit without carries (word n + 2 may come out as 10^8).
void integerMinus(RunContext& run, std::int32_t k, StoredNumber& x, StoredNumber& z, std::int32_t n);

// z = x - y.
void subtractNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n);

// z = x * m, with m * 10^8 below 2^53.
void multiplySmall(RunContext& run, StoredNumber& x, std::int32_t m, StoredNumber& z, std::int32_t n);

// x = x / 2 in place, cut after word n + 2.
void halveNumber(RunContext& run, StoredNumber& x, std::int32_t n);

// x = x * 2^k in place.
void multiplyPowerOfTwo(RunContext& run, StoredNumber& x, std::int32_t k, std::int32_t n);

// How many leading words of x and y agree (n + 2 when all do); blocks before
// the one holding word earlierCount + 1 are taken to agree without reading.
std::int32_t countAgreeingWords(RunContext& run, StoredNumber& x, StoredNumber& y, std::int32_t n,
                                std::int32_t earlierCount);

// The value of words 1 and 2 of x as a double.
double leadingValue(RunContext& run, StoredNumber& x);

// Words 1 and 2 of x represent v; the rest of block 1 stays as it was.
void setLeadingValue(RunContext& run, double v, StoredNumber& x);

} // namespace calvorn
