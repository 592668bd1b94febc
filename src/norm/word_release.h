// The pair rule over a run of words: the words of a rounded transform array
// released from the least significant one up, the carry passed in and out so
// that a store can chain its blocks. A plain version, word after word, and
// one for AVX2 (quads::) that gives the same bits; the unqualified one takes
// the fastest usable. Reads only the array, writes only the slots (and, when
// adding into stored words, reads them first).
#pragma once

#include <cstdint>
#include <span>

namespace calvorn {

// Word k (k = lowWord .. lowWord + slots.size() - 1, lowWord >= 2) from its
// high half e[2k - 3] and low half e[2k - 2], from the highest k down, into
// slots[k - lowWord]; returns the carry that leaves word lowWord.
double releaseWords(std::span<const double> e, std::int32_t lowWord, std::span<std::int32_t> slots, double carry);

// The same, adding word k's halves into the word that slots[k - lowWord]
// already holds (below 10^8): what norm::releaseWordInto does word by word.
// Its first two sums (old low half plus low half, high half plus old high
// half) do not depend on the carry, so they are formed first, a stretch of
// words at a time, and the carry chain then runs as releaseWords runs it.
double releaseWordsInto(std::span<const double> e, std::int32_t lowWord, std::span<std::int32_t> slots, double carry);

namespace plain {
double releaseWords(std::span<const double> e, std::int32_t lowWord, std::span<std::int32_t> slots, double carry);
} // namespace plain

// Only where avx2Usable().
namespace quads {
double releaseWords(std::span<const double> e, std::int32_t lowWord, std::span<std::int32_t> slots, double carry);
} // namespace quads

} // namespace calvorn
