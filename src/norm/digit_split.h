// The digit split of a run of words: each word's hi and lo base-10^4 digits,
// high digit first, as the digit loader lays them out in a transform array
// and the term routines use them. A
// plain version and one for AVX2 (quads::) that gives the same bits; the
// unqualified one takes the fastest usable. Touch only the spans passed.
#pragma once

#include <cstdint>
#include <span>

namespace calvorn {

// digits[2i] = hi, digits[2i + 1] = lo of words[i]; digits holds at least
// twice as many doubles as there are words.
void splitWords(std::span<const std::int32_t> words, std::span<double> digits);

namespace plain {
void splitWords(std::span<const std::int32_t> words, std::span<double> digits);
} // namespace plain

// Only where avx2Usable().
namespace quads {
void splitWords(std::span<const std::int32_t> words, std::span<double> digits);
} // namespace quads

} // namespace calvorn
