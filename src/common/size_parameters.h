// The size parameters of one run: how many words a stored number has and how
// its work file is cut into blocks. Set once per run from the size exponent.
#pragma once

#include <cstdint>

#include "common/numeric.h"

namespace calvorn {

constexpr std::int32_t largestBlockWords = 16384;
constexpr std::int32_t smallestSizeExponent = 14;
constexpr std::int32_t largestSizeExponent = 25;

struct SizeParameters {
    std::int32_t numberWords = 0;    // words of eight digits, guard words not counted
    std::int32_t blockWords = 0;     // words per block of a work file
    std::int32_t halfBlockWords = 0; // doubles per block of a spectrum store
    std::int32_t blockBytes = 0;     // bytes per block
    std::int32_t blockCount = 0;     // full blocks; the file holds one more for the guard words

    // The parameters of 2^p decimal digits, p = 14 .. 25.
    static constexpr SizeParameters forExponent(std::int32_t sizeExponent)
    {
        const std::int32_t words = integerPower(2, sizeExponent - 3);
        return withBlockWords(words, words / 4 > largestBlockWords ? largestBlockWords : words / 4);
    }

    // Any power-of-two length with a chosen block length (tests use small blocks).
    static constexpr SizeParameters withBlockWords(std::int32_t words, std::int32_t block)
    {
        SizeParameters s;
        s.numberWords = words;
        s.blockWords = block;
        s.halfBlockWords = block / 2;
        s.blockBytes = 4 * block;
        s.blockCount = words / block;
        return s;
    }
};

} // namespace calvorn
