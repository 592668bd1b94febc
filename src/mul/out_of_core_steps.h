// The steps that the out-of-core products share: the block layout of the
// work area, the transform of one operand block into the work area or into a
// spectrum store, and the way back from a piece's spectrum to z's words.
// Uses run.workArea, the spectrum stores and the stores of the pieces, and
// keeps run.kept up to date with what each store position holds.
#pragma once

#include <cstdint>
#include <span>

#include "mul/boundary_piece.h"
#include "mul/reuse_hint.h"
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
// of a piece may read a few past its middle, never past b. Whatever the work
// area held for a later in-core product is gone from here on.
std::span<double> transformArray(RunContext& run);

StoredNumber& spectrumStoreX(RunContext& run);
StoredNumber& spectrumStoreY(RunContext& run);

// The room beyond the work area's transform array as a second array of b
// doubles, where a product may keep one block spectrum while it forms its
// pieces in the work area; empty when the room is shorter than that.
std::span<double> spectrumRoom(RunContext& run, const BlockLayout& layout);

// Loads operand block `block` (words (block-1)m + 1 .. block*m) into the work
// area (or into `array`, b doubles) and transforms it.
void transformBlock(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block);
void transformBlockInto(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block,
                        std::span<double> array);

// The spectrum at `position` of `store` read into `array` (b doubles).
void loadSpectrum(RunContext& run, const BlockLayout& layout, StoredNumber& store, std::int32_t position,
                  std::span<double> array);

// Blocks first .. last of `number`, transformed and saved at the store
// positions first + shift .. last + shift (none when first > last), and
// recorded with the hint's session. With `firstInto` (b doubles), block
// `first` is transformed there and stays there, saved from it.
void saveBlockSpectra(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t first,
                      std::int32_t last, StoredNumber& store, const ReuseHint& hint, std::int32_t shift = 0,
                      std::span<double> firstInto = {});

// Whose spectra a kept position may be taken over from.
enum class KeptFrom {
    thisRun,  // made or confirmed under the hint's session
    anyRun,   // made by any earlier call (the caller vouches for the words)
};

// Blocks 1 .. last of `number` at store positions 1 .. last: the blocks
// before `firstNew`, whose words the caller knows to be unchanged, are taken
// as the store holds them where the record says that the position holds that
// very block (made as `from` allows), and are confirmed with the hint's
// session; every other block is transformed and saved. With `firstInto`,
// the first block transformed is transformed there and stays there.
void updateBlockSpectra(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t firstNew,
                        std::int32_t last, StoredNumber& store, const ReuseHint& hint, KeptFrom from,
                        std::span<double> firstInto = {});

// The first block that updateBlockSpectra with the same arguments
// transforms, or 0 when it takes every block over.
std::int32_t firstBlockToTransform(RunContext& run, const BlockLayout& layout, const StoredNumber& number,
                                   std::int32_t firstNew, std::int32_t last, const StoredNumber& store,
                                   const ReuseHint& hint, KeptFrom from);

// Throws RunFailure, before anything is read or written, unless store
// positions first + shift .. last + shift hold blocks first .. last of
// `number` made or confirmed under the hint's session.
void requireBlockSpectra(RunContext& run, const BlockLayout& layout, const StoredNumber& number, std::int32_t first,
                         std::int32_t last, StoredNumber& store, const ReuseHint& hint, std::int32_t shift = 0);

// Where the pieces of one product go: z, and the carry that each piece
// hands to the next one stored.
struct PieceTarget {
    StoredNumber& z;
    double savedPieceCarry = 0.0;
};

// The boundary piece, with its guard terms added, becomes z's guard words:
// the guard call of piece f (= n/m + 1).
void storeGuardWords(RunContext& run, const BlockLayout& layout, const BoundaryArray& piece, PieceTarget& target,
                     std::int32_t f);

// The spectrum of piece f in the work area goes back to digit sums, is
// rounded and is stored into z.
void storePiece(RunContext& run, const BlockLayout& layout, PieceTarget& target, std::int32_t f, bool guard,
                bool lowest);

// The single piece f of a product whose operands are one block each: block
// `block` of `number` loaded into the work area and multiplied by
// `spectrum` (b doubles, not in the work area) forward, times and back in
// one go, rounded as the inverse writes it, and stored.
void storeSingleBlockProduct(RunContext& run, const BlockLayout& layout, PieceTarget& target, StoredNumber& number,
                             std::int32_t block, std::span<const double> spectrum, std::int32_t f);

// Whole blocks inside a count of agreeing leading words: the first block to
// transform again is this plus one.
inline std::int32_t agreeingBlocks(std::int32_t agreeingWords, std::int32_t m)
{
    const std::int32_t blocks = agreeingWords / m;
    return blocks > 0 ? blocks : 0;
}

} // namespace calvorn
