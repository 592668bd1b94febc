// The pieces of an out-of-core product: which products of block spectra each
// piece sums, in the order the pieces are stored, and the two ways of forming
// them. One by one, each piece streams its pairs from the spectrum stores into
// the work area. In one sweep, each file block of every spectrum the product
// reads is read once, every piece's share of it is summed at once, and the
// pieces after the first wait in store positions that the product no longer
// needs. Both form every element by the same operations in the same order.
#pragma once

#include <cstdint>
#include <vector>

#include "mul/out_of_core_steps.h"
#include "mul/spectrum_store.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// A block spectrum at a position (from 1) of a spectrum store; with no store,
// the one the work area holds.
struct SpectrumPlace {
    StoredNumber* store = nullptr;
    std::int32_t position = 0;

    bool inArea() const { return store == nullptr; }
    bool operator==(const SpectrumPlace&) const = default;
};

// One product of the sum: kind(first, second). A square names its spectrum
// twice. Only the first term of the first piece stored may take the work
// area's spectrum, as its second operand; the piece overwrites it.
struct PieceTerm {
    SpectrumKernel kind;
    SpectrumPlace first;
    SpectrumPlace second;
};

struct Piece {
    std::int32_t f;                // piece number, as storePiece takes it
    bool guard = false;
    bool lowest = false;
    std::vector<PieceTerm> terms;  // the first sets the sum, the others add to it
};

struct PiecePlan {
    std::vector<Piece> pieces;  // in the order they are stored
    // Store positions whose spectra nothing needs after this product's reads:
    // where a sweep keeps the pieces after the first. A sweep needs one for
    // each of them.
    std::vector<SpectrumPlace> spare;
};

// File blocks a plan moves, in each way.
struct PieceTraffic {
    std::uint64_t reads = 0;
    std::uint64_t writes = 0;
};
PieceTraffic oneByOneTraffic(const PiecePlan& plan, std::int32_t blocksPerSpectrum);
PieceTraffic sweepTraffic(const PiecePlan& plan, std::int32_t blocksPerSpectrum);

// Forms and stores every piece of the plan, one by one or in one sweep: the
// sweep where run.pieceForming asks for it or, when it is left to the
// product, where it moves less; either way only where the plan has spare
// positions for it and its file blocks fit beside the work area in the
// run's budget (run.spareBudgetBytes). The spare positions it used hold no
// kept spectrum afterwards.
void formPieces(RunContext& run, const BlockLayout& layout, PieceTarget& target, const PiecePlan& plan);

} // namespace calvorn
