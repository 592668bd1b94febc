// The pieces of an out-of-core product: which products of block spectra each
// piece sums, in the order the pieces are stored, and the ways of forming
// them. One by one, each piece streams its pairs from the spectrum stores
// (one spectrum perhaps from the work area's room) into the work area. In
// one sweep, each file block of every spectrum the product reads is read
// once, every piece's share of it is summed at once, and the pieces after
// the first wait in store positions that the product no longer needs. Every
// way forms every element by the same operations in the same order.
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
    // A spectrum that the product makes before the pieces and could make in
    // the work area's room instead of the work area, to keep it there for
    // the pieces (none: no such spectrum).
    SpectrumPlace roomCandidate;
};

// How a product forms its pieces: one by one from the stores, one by one
// with the room candidate's spectrum kept in the room (the product then
// makes it there), or in one sweep with the room as its buffer.
enum class Forming { oneByOne, oneByOneFromRoom, inOneSweep };

// File blocks a plan moves, in each way (the room candidate made in the
// room; a sweep keeping `heldInRoom` file blocks of its second piece in the
// room beyond its buffer).
struct PieceTraffic {
    std::uint64_t reads = 0;
    std::uint64_t writes = 0;
};
PieceTraffic pieceTraffic(const PiecePlan& plan, Forming forming, std::int32_t blocksPerSpectrum,
                          std::int32_t heldInRoom = 0);

// The way for this plan: the one run.pieceForming asks for or, when it is
// left to the product, the one that moves fewest file blocks; each only
// where it can run: the room must hold a spectrum of b doubles (one by one
// from the room), or a file block of each stored operand and of each piece
// after the first (the sweep, which also needs a spare position for every
// piece after the first).
Forming chooseForming(RunContext& run, const BlockLayout& layout, const PiecePlan& plan);

// Forms and stores every piece of the plan the way chosen. From the room,
// the room already holds the room candidate's spectrum. A sweep keeps as
// much of its second piece as the room holds beyond its buffer there. The
// spare positions a sweep used hold no kept spectrum afterwards.
void formPieces(RunContext& run, const BlockLayout& layout, PieceTarget& target, const PiecePlan& plan,
                Forming forming);

} // namespace calvorn
