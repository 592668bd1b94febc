// The pair rule of every store: two base-10^4 halves plus a running carry
// become one base-10^8 word, and a walk that writes a range of a number's
// words from the least significant one up, block by block. Internal to the
// stores; moves blocks only through firstBlockBuffer.
#pragma once

#include <cstdint>
#include <span>

#include "common/numeric.h"
#include "norm/word_digits.h"
#include "storage/block_transfer.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn::norm {

// Forms one word from its high and low halves; the carry enters at the low
// half and leaves from the high half.
inline std::int32_t releaseWord(double high, double low, double& carry)
{
    const double u = low + carry;
    carry = truncateTowardZero(u * halfWordScale);
    const double lowHalf = u - carry * halfWordBase;
    const double v = high + carry;
    carry = truncateTowardZero(v * halfWordScale);
    const double highHalf = v - carry * halfWordBase;
    return toWord(highHalf * halfWordBase + lowHalf);
}

// The same, adding the halves to a word already stored (below 10^8).
inline std::int32_t releaseWordInto(double high, double low, double& carry, std::int32_t stored)
{
    const WordDigits old = splitWord(stored);
    const double u = (old.lo + low) + carry;
    carry = truncateTowardZero(u * halfWordScale);
    const double lowHalf = u - carry * halfWordBase;
    const double v = (high + old.hi) + carry;
    carry = truncateTowardZero(v * halfWordScale);
    const double highHalf = v - carry * halfWordBase;
    return toWord(highHalf * halfWordBase + lowHalf);
}

// The carry into the last word of a store, from the two halves of the word
// after it; whatever lies further down is dropped (the guard words absorb it).
inline double startingCarry(double high, double low)
{
    return truncateTowardZero((truncateTowardZero(low * halfWordScale) + high) * halfWordScale);
}

// Visits words `last` down to `first` of `number` block by block, from the
// block of `last` down, calling visit(lowest, highest, slots) with the run of
// words lowest .. highest that lie in one block and their places in
// firstBlockBuffer (slots[0] is word `lowest`). Each block is read before its
// words are visited when `readEveryBlock` is set or when the range covers it
// only partly (so that its other positions keep their contents), and is
// written after its lowest visited word.
template <typename Visit>
void walkBlocksDownward(RunContext& run, StoredNumber& number, std::int32_t first, std::int32_t last,
                        bool readEveryBlock, Visit&& visit)
{
    const std::int32_t w = run.size.blockWords;
    BlockBuffer& buffer = run.firstBlockBuffer;
    std::int32_t word = last;
    while (word >= first) {
        const std::int32_t block = (word - 1) / w + 1;
        const std::int32_t blockStart = (block - 1) * w + 1;
        const std::int32_t lowest = first > blockStart ? first : blockStart;
        const bool partly = lowest > blockStart || word < blockStart + w - 1;
        if (readEveryBlock || partly) readBlock(run, number, block, buffer);
        visit(lowest, word,
              std::span<std::int32_t>(buffer).subspan(static_cast<std::size_t>(lowest - blockStart),
                                                      static_cast<std::size_t>(word - lowest + 1)));
        writeBlock(run, number, block, buffer);
        word = lowest - 1;
    }
}

// The same, calling visit(word, slot) for each word from the highest down.
template <typename Visit>
void walkWordsDownward(RunContext& run, StoredNumber& number, std::int32_t first, std::int32_t last,
                       bool readEveryBlock, Visit&& visit)
{
    walkBlocksDownward(run, number, first, last, readEveryBlock,
                       [&](std::int32_t lowest, std::int32_t highest, std::span<std::int32_t> slots) {
                           for (std::int32_t k = highest; k >= lowest; --k)
                               visit(k, slots[static_cast<std::size_t>(k - lowest)]);
                       });
}

} // namespace calvorn::norm
