// The steps that the out-of-core products share: the block layout of the
// work area, the transform of one operand block into the work area or into a
// spectrum store, and the way back from a piece's spectrum to z's words.
// Uses run.workArea, the spectrum stores and the stores of the pieces.
#pragma once

#include <cstdint>
#include <span>

#include "mul/boundary_piece.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// How the work area cuts operands into blocks.
struct BlockLayout {
    std::int32_t b;  // workAreaLength: doubles of one block transform
    std::int32_t k;  // its exponent
    std::int32_t m;  // words per operand block, b/4
};

// The layout of run.workArea. Throws RunFailure, before anything is read or
// written, when the area cannot serve an out-of-core product: its blocks of
// b/4 words must be whole blocks of the work files (b >= 4 * blockWords),
// a spectrum must fill whole file blocks of an even number of doubles, and
// both spectrum stores must be there.
BlockLayout outOfCoreLayout(const RunContext& run);

// The first b doubles of the work area hold the block transform; the store
// of a piece may read a few past its middle, never past b.
std::span<double> transformArray(RunContext& run);

StoredNumber& spectrumStoreX(RunContext& run);
StoredNumber& spectrumStoreY(RunContext& run);

// Loads operand block `block` (words (block-1)m + 1 .. block*m) into the work
// area and transforms it.
void transformBlock(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block);

// Blocks first .. last of `number`, transformed and saved at the store
// positions first + shift .. last + shift (none when first > last).
void saveBlockSpectra(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t first,
                      std::int32_t last, StoredNumber& store, std::int32_t shift = 0);

// The boundary piece, with its guard terms added, becomes z's guard words:
// the guard call of piece f (= n/m + 1).
void storeGuardWords(RunContext& run, const BlockLayout& layout, const BoundaryArray& piece, StoredNumber& z,
                     std::int32_t f);

// The spectrum of piece f in the work area goes back to digit sums, is
// rounded and is stored into z.
void storePiece(RunContext& run, const BlockLayout& layout, StoredNumber& z, std::int32_t f, bool guard,
                bool lowest);

// Whole blocks inside a count of agreeing leading words: the first block to
// transform again is this plus one.
inline std::int32_t agreeingBlocks(std::int32_t agreeingWords, std::int32_t m)
{
    const std::int32_t blocks = agreeingWords / m;
    return blocks > 0 ? blocks : 0;
}

} // namespace calvorn
