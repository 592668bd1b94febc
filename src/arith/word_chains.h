// The carrying loops of the element-wise operations over a run of words held
// in a block buffer, with the carry passed in and out so that a walk can
// chain its blocks. Each has a plain version, one word after another, and a
// version for AVX2 (quads::) that gives the same bits; the unqualified one
// takes the fastest usable. Touch only the spans passed.
#pragma once

#include <cstdint>
#include <span>

namespace calvorn {

// x = x + y over all words of the spans, from the last to the first; returns
// the carry that leaves the first word. Same lengths.
double addWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double carry);

// x = x - y the same way; returns the borrow.
double subtractWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double borrow);

// x = x * factor the same way (factor * 10^8 below 2^53).
double multiplyWords(std::span<std::int32_t> x, double factor, double carry);

// x = x / 2 from the first word to the last, the remainder passing upward;
// returns the remainder that leaves the last word.
double halveWords(std::span<std::int32_t> x, double remainder);

namespace plain {
double addWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double carry);
double subtractWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double borrow);
double multiplyWords(std::span<std::int32_t> x, double factor, double carry);
double halveWords(std::span<std::int32_t> x, double remainder);
} // namespace plain

// Only where avx2Usable().
namespace quads {
double addWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double carry);
double subtractWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double borrow);
double multiplyWords(std::span<std::int32_t> x, double factor, double carry);
double halveWords(std::span<std::int32_t> x, double remainder);
} // namespace quads

} // namespace calvorn
