// The out-of-core whole products x * y: the plain one and the three that keep
// or take over block spectra across the calls of a Newton run. They share one
// sequence: boundary piece and guard words, x's spectra, y's spectra, then
// the pieces from the least significant to the leading one.
#include "mul/out_of_core_product.h"

#include <algorithm>

#include "mul/boundary_piece.h"
#include "mul/out_of_core_pieces.h"
#include "mul/out_of_core_steps.h"
#include "mul/spectrum_store.h"
#include "norm/guard_terms.h"

namespace calvorn {
namespace {

// The leading digits of the block pairs on the diagonal K+2 (whose products
// begin at word n+1) plus the guard terms, stored as z words n+1 and n+2.
// With K = 1 that diagonal is empty and only the guard terms remain.
void formGuardWords(RunContext& run, const BlockLayout& layout, StoredNumber& x, StoredNumber& y,
                    PieceTarget& target, std::int32_t n)
{
    const std::int32_t m = layout.m;
    const std::int32_t blocks = n / m;
    BoundaryArray piece{};
    for (std::int32_t d = blocks; d >= 2; --d)
        addBoundaryProduct(run, x, (blocks - d + 1) * m + 1, y, (d - 1) * m + 1, piece, d == blocks);
    if (blocks >= 2) finishBoundaryPiece(run, piece);
    addGuardTerms(run, x, y, piece, n, 0);
    storeGuardWords(run, layout, piece, target, blocks + 1);
}

// The pieces f = K .. 1 from the pairs (i, j = f - i + 1) with j <= jLast of
// x's spectra at X positions and y's at Y positions. With yInArea, y's
// block K is the spectrum in the work area: only the first pair of piece K
// takes it. With spareY the sweep may keep pieces at Y's positions 1 .. K,
// which hold nothing that a later product takes over. y's block 1, used by
// every piece, may be made in the room.
PiecePlan productPieces(RunContext& run, std::int32_t blocks, std::int32_t jLast, bool yInArea, bool spareY)
{
    StoredNumber& storeX = spectrumStoreX(run);
    StoredNumber& storeY = spectrumStoreY(run);
    PiecePlan plan;
    for (std::int32_t f = blocks; f >= 1; --f) {
        Piece piece{f, false, f == blocks, {}};
        for (std::int32_t i = std::max(f - jLast + 1, 1); i <= f; ++i) {
            const std::int32_t j = f - i + 1;
            const SpectrumPlace second = yInArea && j == blocks ? SpectrumPlace{} : SpectrumPlace{&storeY, j};
            piece.terms.push_back({SpectrumKernel::product, {&storeX, i}, second});
        }
        plan.pieces.push_back(std::move(piece));
    }
    if (spareY)
        for (std::int32_t e = 1; e <= blocks; ++e) plan.spare.push_back({&storeY, e});
    plan.roomCandidate = {&storeY, 1};
    return plan;
}

// The room for x's spectrum when K = 1: there y's block is multiplied by it
// in one go; empty when the room is too short (X position 1 is then
// multiplied into the work area file block by file block).
std::span<double> singleBlockRoom(RunContext& run, const BlockLayout& layout, std::int32_t n)
{
    return n / layout.m == 1 ? spectrumRoom(run, layout) : std::span<double>{};
}

// A single block of y times x's spectrum, in the room (`xRoom`) or at X
// position 1: nothing of y is saved in Y.
void finishSingleBlock(RunContext& run, const BlockLayout& layout, StoredNumber& y, PieceTarget& target,
                       std::span<const double> xRoom)
{
    if (!xRoom.empty()) return storeSingleBlockProduct(run, layout, target, y, 1, xRoom, 1);
    const std::span<double> w = transformArray(run);
    transformBlock(run, layout, y, 1);
    spectrumTimesStored(run, w, spectrumStoreX(run), w, layout.b, 1);
    storePiece(run, layout, target, 1, false, true);
}

// With x's spectra at X positions 1 .. K (and, for K = 1, in xRoom when it is
// not empty): y's spectra and the pieces. y's last block enters only the
// first pair of piece K, so it is not saved but kept in the work area for
// that pair; the others go to Y.
void finishProduct(RunContext& run, const BlockLayout& layout, StoredNumber& y, PieceTarget& target, std::int32_t n,
                   const ReuseHint& hint, std::span<const double> xRoom)
{
    const std::int32_t blocks = n / layout.m;
    if (blocks == 1) return finishSingleBlock(run, layout, y, target, xRoom);
    const PiecePlan plan = productPieces(run, blocks, blocks, true, true);
    const Forming forming = chooseForming(run, layout, plan);
    const std::span<double> room =
        forming == Forming::oneByOneFromRoom ? spectrumRoom(run, layout) : std::span<double>{};
    saveBlockSpectra(run, layout, y, 1, blocks - 1, spectrumStoreY(run), hint, 0, room);
    transformBlock(run, layout, y, blocks);
    formPieces(run, layout, target, plan, forming);
}

// For K = 1 with a room: X position 1 read into it, unless the product just
// made x's spectrum there.
void fillSingleBlockRoom(RunContext& run, const BlockLayout& layout, std::span<double> room, bool made)
{
    if (!room.empty() && !made) loadSpectrum(run, layout, spectrumStoreX(run), 1, room);
}

} // namespace

void outOfCoreProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                      const ReuseHint& hint)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t blocks = n / layout.m;
    PieceTarget target{z};
    formGuardWords(run, layout, x, y, target, n);
    const std::span<double> room = singleBlockRoom(run, layout, n);
    saveBlockSpectra(run, layout, x, 1, blocks, spectrumStoreX(run), hint, 0, room);
    finishProduct(run, layout, y, target, n, hint, room);
}

void outOfCoreProductKeep(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                          ReuseHint& hint)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t blocks = n / layout.m;
    // At the first product of a square root x is the new w, which agrees
    // with the w of the last call in about agreementCount words: the spectra
    // that call kept serve for those blocks. Later in the run x is the same
    // number, and the first half of its blocks are those of the last step.
    const bool firstOfRun = hint.firstProductOfRun == 1;
    const std::int32_t xFirst = firstOfRun ? agreeingBlocks(hint.agreementCount, layout.m) + 1 : blocks / 2 + 1;
    hint.firstProductOfRun = 0;
    const KeptFrom from = firstOfRun ? KeptFrom::anyRun : KeptFrom::thisRun;
    PieceTarget target{z};
    formGuardWords(run, layout, x, y, target, n);
    const std::span<double> room = singleBlockRoom(run, layout, n);
    const bool made = firstBlockToTransform(run, layout, x, xFirst, blocks, spectrumStoreX(run), hint, from) == 1;
    updateBlockSpectra(run, layout, x, xFirst, blocks, spectrumStoreX(run), hint, from, room);
    fillSingleBlockRoom(run, layout, room, made);
    finishProduct(run, layout, y, target, n, hint, room);
}

void outOfCoreProductFixed(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                           ReuseHint& hint)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t blocks = n / layout.m;
    // x is the same number throughout the run: new blocks only once the
    // length has doubled. y, the iterate, carries words up to about n/2 + 2,
    // so its blocks after K/2 + 1 enter only the boundary piece; those inside
    // the words that agree with the last iterate keep their spectra, where
    // the last step saved or kept them in Y (a step with a single block kept
    // y only in the work area).
    const std::int32_t xFirst = hint.firstProductOfRun == 1 ? 1 : blocks / 2 + 1;
    hint.firstProductOfRun = 0;
    const std::int32_t yFirst = agreeingBlocks(hint.iterateAgreeWords, layout.m) + 1;
    PieceTarget target{z};
    formGuardWords(run, layout, x, y, target, n);
    const std::span<double> room = singleBlockRoom(run, layout, n);
    StoredNumber& storeX = spectrumStoreX(run);
    const bool made = firstBlockToTransform(run, layout, x, xFirst, blocks, storeX, hint, KeptFrom::thisRun) == 1;
    updateBlockSpectra(run, layout, x, xFirst, blocks, storeX, hint, KeptFrom::thisRun, room);
    fillSingleBlockRoom(run, layout, room, made);
    if (blocks == 1) return finishSingleBlock(run, layout, y, target, room);
    // Y's positions 1 .. K/2 + 1 are kept for the half product and the next
    // step: no spare positions for a sweep. The first block of y made here
    // may be made in the room.
    StoredNumber& storeY = spectrumStoreY(run);
    PiecePlan plan = productPieces(run, blocks, blocks / 2 + 1, false, false);
    const std::int32_t yMade =
        firstBlockToTransform(run, layout, y, yFirst, blocks / 2 + 1, storeY, hint, KeptFrom::thisRun);
    plan.roomCandidate = yMade == 0 ? SpectrumPlace{} : SpectrumPlace{&storeY, yMade};
    const Forming forming = chooseForming(run, layout, plan);
    const std::span<double> yRoom =
        forming == Forming::oneByOneFromRoom ? spectrumRoom(run, layout) : std::span<double>{};
    updateBlockSpectra(run, layout, y, yFirst, blocks / 2 + 1, storeY, hint, KeptFrom::thisRun, yRoom);
    formPieces(run, layout, target, plan, forming);
}

void outOfCoreProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                           const ReuseHint& hint)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t blocks = n / layout.m;
    // x's spectra are at X positions 1 .. K as the last outOfCoreProductKeep left them.
    requireBlockSpectra(run, layout, x, 1, blocks, spectrumStoreX(run), hint);
    PieceTarget target{z};
    formGuardWords(run, layout, x, y, target, n);
    const std::span<double> room = singleBlockRoom(run, layout, n);
    fillSingleBlockRoom(run, layout, room, false);
    finishProduct(run, layout, y, target, n, hint, room);
}

} // namespace calvorn
