// Moving whole stored numbers between work files and vectors of words in
// tests, and random word vectors. Their exact integers are in exact_integers.h.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn::test {

// Words 1 .. count of a number as a vector indexed from 0 (element j - 1 is word j).
using Words = std::vector<std::int32_t>;

// Writes every block of a number that holds `words` (blocks 1 .. (size-1)/W + 1);
// positions past the words are filled with `fill`.
void writeWords(RunContext& run, StoredNumber& number, const Words& words, std::int32_t fill = 0);

// Reads words 1 .. count.
Words readWords(RunContext& run, StoredNumber& number, std::int32_t count);

// Reads the whole of blocks 1 .. blocks (block positions past the number included).
Words readBlocks(RunContext& run, StoredNumber& number, std::int32_t blocks);

// `count` words with word 1 in [0, leadingLimit) and the others in [0, 10^8).
Words randomWords(std::mt19937_64& random, std::int32_t count, std::int32_t leadingLimit = 100000000);

} // namespace calvorn::test
