// The base of a stored number's words and the block geometry of a number of
// length n: which blocks an element-wise operation visits and how many words
// of each. Shared by the element-wise operations only; no state.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "common/numeric.h"
#include "common/size_parameters.h"

namespace calvorn {

// A word holds eight decimal digits: the base and its inverse as doubles, so
// that carries split off with one multiplication and one truncation.
constexpr double wordBase = 100000000.0;
constexpr double inverseWordBase = 1e-8;
constexpr double largestDigit = wordBase - 1.0;

// A number of length n has words 1 .. n + 2 in blocks 1 .. lastBlock. Every
// block but the last is used whole; the last one only up to its top,
// (n + 2) mod blockWords (n + 2 itself when the number fits one block).
struct NumberBlocks {
    NumberBlocks(const SizeParameters& size, std::int32_t n)
        : blockWords(size.blockWords), lastBlock(n / size.blockWords + 1), lastTop((n + 2) % size.blockWords)
    {
        assert(n >= 1 && blockWords > 2);
        assert(n % blockWords < blockWords - 2);
    }

    // Words of block b (from 1) that belong to the number.
    std::int32_t top(std::int32_t b) const { return b == lastBlock ? lastTop : blockWords; }

    std::int32_t blockWords;
    std::int32_t lastBlock;
    std::int32_t lastTop;
};

// Position p of a block (counted from 1) in a block buffer.
inline std::size_t at(std::int32_t position) { return static_cast<std::size_t>(position - 1); }

} // namespace calvorn
