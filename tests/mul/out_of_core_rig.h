// A product rig with the two spectrum stores of the out-of-core products,
// whose products form their pieces in one sweep wherever a plan allows it
// (or as `forming` says), with room for any sweep; and operands spoiled in the words that only a block transform reads: a
// product that transforms such a block again instead of taking its kept
// spectrum gives a different result.
#pragma once

#include <cstdint>

#include "mul/product_rig.h"

namespace calvorn::test {

constexpr std::int32_t spoiledWord = 12345678;

struct OutOfCoreRig : ProductRig {
    explicit OutOfCoreRig(std::int32_t blockWords, PieceForming forming = PieceForming::inOneSweep)
        : ProductRig(blockWords)
    {
        run.spectrumStoreX = &storeX;
        run.spectrumStoreY = &storeY;
        run.pieceForming = forming;
        run.spareBudgetBytes = std::uint64_t{1} << 30;
    }

    StoredNumber storeX{"sx.dat"};
    StoredNumber storeY{"sy.dat"};
};

// Words of blocks first .. last (blocks of m words) replaced, except the
// first four of each block (the boundary runs) and words 1, 2 (the guard
// terms); with `wholeBlocks` every word of those blocks.
inline Words spoilBlocks(Words words, std::int32_t first, std::int32_t last, std::int32_t m, bool wholeBlocks = false)
{
    for (std::int32_t e = first; e <= last; ++e) {
        const std::int32_t skip = wholeBlocks ? 0 : (e == 1 ? 2 : 4);
        for (std::int32_t j = (e - 1) * m + 1 + skip; j <= e * m; ++j) words[j - 1] = spoiledWord;
    }
    return words;
}

} // namespace calvorn::test
