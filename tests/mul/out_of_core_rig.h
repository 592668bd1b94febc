// A product rig with the two spectrum stores of the out-of-core products and
// a work area with room beyond it (unless `withRoom` is false), whose
// products form their pieces as `forming` says (in one sweep wherever a plan
// allows it, unless told otherwise); and operands spoiled in the words that only a block transform reads: a
// product that transforms such a block again instead of taking its kept
// spectrum gives a different result.
#pragma once

#include <cstdint>

#include "mul/product_rig.h"

namespace calvorn::test {

constexpr std::int32_t spoiledWord = 12345678;

struct OutOfCoreRig : ProductRig {
    explicit OutOfCoreRig(std::int32_t blockWords, PieceForming forming = PieceForming::inOneSweep,
                          bool room = true)
        : ProductRig(blockWords)
    {
        run.spectrumStoreX = &storeX;
        run.spectrumStoreY = &storeY;
        run.pieceForming = forming;
        withRoom = room;
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
