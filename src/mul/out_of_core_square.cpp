// The out-of-core squares: the whole square of x and the square of x's first
// half (with the block that holds its guard words), which keeps its block
// spectra in Y for the half product that follows it in a Newton step. Each
// unordered pair of blocks is multiplied once; pairs of two different blocks
// count twice.
#include "mul/out_of_core_product.h"

#include <algorithm>

#include "mul/boundary_piece.h"
#include "mul/out_of_core_pieces.h"
#include "mul/out_of_core_steps.h"
#include "mul/pointwise.h"
#include "mul/spectrum_store.h"
#include "norm/guard_terms.h"

namespace calvorn {
namespace {

// The pairs (i, j = f - i + 1) of piece f with lo <= i <= hi (i <= j), from
// Y's positions, the first setting the sum; with inAreaBlock, that block's
// spectrum is the one in the work area.
Piece squarePiece(StoredNumber& storeY, std::int32_t f, std::int32_t lo, std::int32_t hi, std::int32_t inAreaBlock)
{
    Piece piece{f, false, false, {}};
    for (std::int32_t i = lo; i <= hi; ++i) {
        const std::int32_t j = f - i + 1;
        if (i == j) {
            piece.terms.push_back({SpectrumKernel::square, {&storeY, i}, {&storeY, i}});
        } else {
            const SpectrumPlace second = j == inAreaBlock ? SpectrumPlace{} : SpectrumPlace{&storeY, j};
            piece.terms.push_back({SpectrumKernel::doubledProduct, {&storeY, i}, second});
        }
    }
    return piece;
}

} // namespace

void outOfCoreSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, const ReuseHint& hint)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t m = layout.m;
    const std::int32_t blocks = n / m;

    // The diagonal K+2: pairs (a, i) with a + i = K + 2, each unordered pair
    // once. A single block has no such pair.
    BoundaryArray piece{};
    if (blocks >= 2) {
        for (std::int32_t i = blocks; i >= blocks / 2 + 1; --i) {
            const std::int32_t a = blocks - i + 2;
            addBoundarySquareTerm(run, x, (a - 1) * m + 1, (i - 1) * m + 1, piece, i == blocks);
        }
        finishBoundaryPiece(run, piece);
    }
    addGuardTerms(run, x, x, piece, n, 0);
    PieceTarget target{z};
    storeGuardWords(run, layout, piece, target, blocks + 1);

    if (blocks == 1) {
        const std::span<double> w = transformArray(run);
        transformBlock(run, layout, x, 1);
        pointwiseSquare(w, w, layout.b);
        storePiece(run, layout, target, 1, false, true);
        return;
    }
    // x's last block enters only the first pair of piece K (with block 1):
    // it stays in the work area for it. Nothing that a later product takes
    // over is in Y, so a sweep may keep pieces at its positions 1 .. K.
    // Block 1, in the first pair of every piece, may be made in the room.
    StoredNumber& storeY = spectrumStoreY(run);
    PiecePlan plan;
    for (std::int32_t f = blocks; f >= 1; --f) {
        plan.pieces.push_back(squarePiece(storeY, f, 1, (f + 1) / 2, blocks));
        plan.pieces.back().lowest = f == blocks;
    }
    for (std::int32_t e = 1; e <= blocks; ++e) plan.spare.push_back({&storeY, e});
    plan.roomCandidate = {&storeY, 1};
    const Forming forming = chooseForming(run, layout, plan);
    const std::span<double> room =
        forming == Forming::oneByOneFromRoom ? spectrumRoom(run, layout) : std::span<double>{};
    saveBlockSpectra(run, layout, x, 1, blocks - 1, storeY, hint, 0, room);
    transformBlock(run, layout, x, blocks);
    formPieces(run, layout, target, plan, forming);
}

void outOfCoreHalfSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, const ReuseHint& hint)
{
    const BlockLayout layout = outOfCoreLayout(run);
    // x's first half and the whole block after it, whose first two words are
    // the guard words: no boundary piece and no guard terms are needed. The
    // blocks inside the words in which the iterate agrees with the last one
    // keep their spectra, where the last step of the run left them in Y (the
    // half product after it puts its own blocks after x's upper half).
    const std::int32_t blocks = n / 2 / layout.m + 1;
    const std::int32_t xFirst = agreeingBlocks(hint.iterateAgreeWords, layout.m) + 1;
    StoredNumber& storeY = spectrumStoreY(run);
    PieceTarget target{z};

    // The first piece (the last block squared) supplies only the guard
    // words. Y keeps every position for the half product and the next step:
    // no spare positions for a sweep. The first block made here may be made
    // in the room.
    PiecePlan plan;
    for (std::int32_t f = 2 * blocks - 1; f >= 1; --f) {
        const std::int32_t lo = std::max(f - blocks + 1, 1);
        plan.pieces.push_back(squarePiece(storeY, f, lo, (lo + std::min(f, blocks)) / 2, 0));
        plan.pieces.back().guard = f == 2 * blocks - 1;
        plan.pieces.back().lowest = f == 2 * blocks - 2;
    }
    const std::int32_t made = firstBlockToTransform(run, layout, x, xFirst, blocks, storeY, hint, KeptFrom::thisRun);
    plan.roomCandidate = made == 0 ? SpectrumPlace{} : SpectrumPlace{&storeY, made};
    const Forming forming = chooseForming(run, layout, plan);
    const std::span<double> room =
        forming == Forming::oneByOneFromRoom ? spectrumRoom(run, layout) : std::span<double>{};
    updateBlockSpectra(run, layout, x, xFirst, blocks, storeY, hint, KeptFrom::thisRun, room);
    formPieces(run, layout, target, plan, forming);
}

} // namespace calvorn
