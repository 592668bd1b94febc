#include "norm/store_product_piece.h"

#include "norm/carry_release.h"
#include "norm/word_release.h"

namespace calvorn {

void storeProductPiece(RunContext& run, std::span<const double> e, StoredNumber& z, std::int32_t m, std::int32_t f,
                       bool guard, bool lowest, double& savedPieceCarry)
{
    const std::int32_t p = m / 4;
    const std::int32_t offset = (f - 1) * p;  // z word of local word 0

    // Local word k from the pair rule; word 1 has only a low half, its high
    // half being the carry alone.
    const auto high = [&](std::int32_t k) { return k == 1 ? 0.0 : e[2 * k - 3]; };
    const auto low = [&](std::int32_t k) { return e[2 * k - 2]; };

    double carry = 0.0;
    if (guard) {
        // z words n+1 and n+2, from the short boundary array.
        carry = norm::startingCarry(e[3], e[4]);
        norm::walkWordsDownward(run, z, offset + 1, offset + 2, false, [&](std::int32_t word, std::int32_t& slot) {
            slot = norm::releaseWord(high(word - offset), low(word - offset), carry);
        });
        if (f > 1) savedPieceCarry = carry;
        return;
    }

    // Upper half: added into the words of the piece below, or, for the
    // lowest piece, into the guard words that the guard call wrote.
    const auto addInto = [&](std::int32_t firstWord, std::int32_t, std::span<std::int32_t> slots) {
        carry = releaseWordsInto(e, firstWord - offset, slots, carry);
    };
    if (lowest) {
        carry = norm::startingCarry(e[2 * p + 3], e[2 * p + 4]);
        norm::walkBlocksDownward(run, z, offset + p + 1, offset + p + 2, true, addInto);
    } else {
        norm::walkBlocksDownward(run, z, offset + p + 1, offset + 2 * p, true, addInto);
    }

    // Lower half: fresh words, with the carry left by the piece below.
    carry += savedPieceCarry;
    const auto release = [&](std::int32_t firstWord, std::int32_t lastWord, std::span<std::int32_t> slots) {
        const bool first = firstWord == offset + 1;
        const std::int32_t from = first ? firstWord + 1 : firstWord;
        const auto count = static_cast<std::size_t>(lastWord - from + 1);
        if (count > 0) carry = releaseWords(e, from - offset, slots.last(count), carry);
        if (first) slots[0] = f == 1 ? toWord(e[0] + carry) : norm::releaseWord(high(1), low(1), carry);
    };
    norm::walkBlocksDownward(run, z, offset + 1, offset + p, false, release);
    if (f > 1) savedPieceCarry = carry;
}

} // namespace calvorn
