// The store of the out-of-core products: releases the carries of one piece
// of a product into z, adding into the words that the piece shares with the
// piece stored before it. The carry between pieces passes through the
// caller's savedPieceCarry; writes z through firstBlockBuffer.
#pragma once

#include <cstdint>
#include <span>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// Piece f of a product formed in transforms of m doubles: the array holds
// local words 1 .. 2P (P = m/4; word 1 has only its low half e[0]), local
// word k belonging to z word (f-1)P + k. P must be a multiple of blockWords.
// Calls come in this order: the guard call (guard set) for f = n/P + 1,
// which writes z words n+1, n+2 from e[0] .. e[4]; then f = n/P with `lowest`
// set, whose words P+1, P+2 are added into those two; then the remaining
// pieces downward, each adding its upper half into the words the previous
// piece wrote and filling its lower half. The carry that leaves local word 1
// of a piece with f above 1 passes to the next piece through
// savedPieceCarry (one per product); at f = 1 local word 1 is z's leading
// word, unreduced.
void storeProductPiece(RunContext& run, std::span<const double> e, StoredNumber& z, std::int32_t m, std::int32_t f,
                       bool guard, bool lowest, double& savedPieceCarry);

} // namespace calvorn
