// The out-of-core half products: x's first half times y's second half, of
// which only the pieces from word n/2 + 1 on are formed and stored. x's
// spectra go to Y positions 1 .. K', y's to K'+1 .. 2K'; the reuse variant
// takes x's as an earlier call of the same Newton step left them.
#include "mul/out_of_core_product.h"

#include "mul/boundary_piece.h"
#include "mul/out_of_core_pieces.h"
#include "mul/out_of_core_steps.h"
#include "mul/spectrum_store.h"
#include "norm/guard_terms.h"

namespace calvorn {
namespace {

// The diagonal K'+2 of x's blocks 1 .. K' by y's blocks K'+1 .. 2K', plus the
// guard terms of both operands, stored as z words n+1 and n+2.
void formHalfGuardWords(RunContext& run, const BlockLayout& layout, StoredNumber& x, StoredNumber& y,
                        PieceTarget& target, std::int32_t n)
{
    const std::int32_t m = layout.m;
    const std::int32_t blocks = n / 2 / m;
    BoundaryArray piece{};
    for (std::int32_t d = blocks; d >= 2; --d)
        addBoundaryProduct(run, x, (blocks - d + 1) * m + 1, y, (blocks + d - 1) * m + 1, piece, d == blocks);
    if (blocks >= 2) finishBoundaryPiece(run, piece);
    addHalfProductTerms(run, x, y, piece, n, 0);
    storeGuardWords(run, layout, piece, target, 2 * blocks + 1);
}

// With x's upper-half spectra at Y positions 1 .. K' (for K' = 1 perhaps in
// xRoom): y's lower half and the pieces K'+f, f = K' .. 1. A single block of
// y is multiplied by x's spectrum in one go.
void finishHalfProduct(RunContext& run, const BlockLayout& layout, StoredNumber& y, PieceTarget& target,
                       std::int32_t n, const ReuseHint& hint, std::span<const double> xRoom)
{
    const std::int32_t blocks = n / 2 / layout.m;
    StoredNumber& storeY = spectrumStoreY(run);
    if (blocks == 1) {
        if (!xRoom.empty()) return storeSingleBlockProduct(run, layout, target, y, 2, xRoom, 2);
        const std::span<double> w = transformArray(run);
        transformBlock(run, layout, y, 2);
        spectrumTimesStored(run, w, storeY, w, layout.b, 1);
        storePiece(run, layout, target, 2, false, true);
        return;
    }
    // y's last block enters only the first pair of the first piece: it stays
    // in the work area for it. x's positions 1 .. K' are kept for the next
    // step; y's K'+1 .. 2K' are spare for a sweep. y's block K'+1, in the
    // last pair of every piece, may be made in the room.
    PiecePlan plan;
    for (std::int32_t f = blocks; f >= 1; --f) {
        Piece piece{blocks + f, false, f == blocks, {}};
        for (std::int32_t i = 1; i <= f; ++i) {
            const std::int32_t j = blocks + f - i + 1;
            const SpectrumPlace second = j == 2 * blocks ? SpectrumPlace{} : SpectrumPlace{&storeY, j};
            piece.terms.push_back({SpectrumKernel::product, {&storeY, i}, second});
        }
        plan.pieces.push_back(std::move(piece));
    }
    for (std::int32_t e = blocks + 1; e <= 2 * blocks; ++e) plan.spare.push_back({&storeY, e});
    plan.roomCandidate = {&storeY, blocks + 1};
    const Forming forming = chooseForming(run, layout, plan);
    const std::span<double> room =
        forming == Forming::oneByOneFromRoom ? spectrumRoom(run, layout) : std::span<double>{};
    saveBlockSpectra(run, layout, y, blocks + 1, 2 * blocks - 1, storeY, hint, 0, room);
    transformBlock(run, layout, y, 2 * blocks);
    formPieces(run, layout, target, plan, forming);
}

// The room for x's spectrum when K' = 1, or empty.
std::span<double> singleBlockRoom(RunContext& run, const BlockLayout& layout, std::int32_t n)
{
    return n / 2 / layout.m == 1 ? spectrumRoom(run, layout) : std::span<double>{};
}

} // namespace

void outOfCoreHalfProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                          const ReuseHint& hint)
{
    const BlockLayout layout = outOfCoreLayout(run);
    PieceTarget target{z};
    formHalfGuardWords(run, layout, x, y, target, n);
    const std::span<double> room = singleBlockRoom(run, layout, n);
    saveBlockSpectra(run, layout, x, 1, n / 2 / layout.m, spectrumStoreY(run), hint, 0, room);
    finishHalfProduct(run, layout, y, target, n, hint, room);
}

void outOfCoreHalfProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                               const ReuseHint& hint)
{
    const BlockLayout layout = outOfCoreLayout(run);
    // x's spectra at Y positions 1 .. K' are those of the preceding
    // outOfCoreProductFixed (x was its y) or outOfCoreHalfSquare.
    requireBlockSpectra(run, layout, x, 1, n / 2 / layout.m, spectrumStoreY(run), hint);
    PieceTarget target{z};
    formHalfGuardWords(run, layout, x, y, target, n);
    const std::span<double> room = singleBlockRoom(run, layout, n);
    if (!room.empty()) loadSpectrum(run, layout, spectrumStoreY(run), 1, room);
    finishHalfProduct(run, layout, y, target, n, hint, room);
}

} // namespace calvorn
