// The boundary piece of the out-of-core products: the leading digits of the
// block pairs just past the last stored piece, from 16-element transforms of
// the first four words of each block. Reads operands through loadDigits;
// touches only the arrays passed.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

constexpr std::int32_t boundaryExponent = 4;
constexpr std::int32_t boundaryLength = 16;   // 2^boundaryExponent doubles
constexpr std::int32_t boundaryRunWords = 4;  // 8 digits: the lower half of a boundary transform

using BoundaryArray = std::array<double, boundaryLength>;

// out += a * b, out += a * a, out += 2 a * b over `count` doubles of packed
// spectra, with the operations of the pointwise kernels; out may be a or b.
void accumulateProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                       std::int32_t count);
void accumulateSquare(std::span<const double> a, std::span<double> out, std::int32_t count);
void accumulateDoubledProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                              std::int32_t count);

// The transform of words j .. j+3 of x (the run must lie inside one block of
// the work file).
BoundaryArray boundaryRunSpectrum(RunContext& run, StoredNumber& x, std::int32_t j);

// Adds to the boundary piece the product of the runs of x from word xWord and
// of y from word yWord; the first pair of a piece (first set) sets it.
void addBoundaryProduct(RunContext& run, StoredNumber& x, std::int32_t xWord, StoredNumber& y, std::int32_t yWord,
                        BoundaryArray& piece, bool first);

// The same for a square: the runs of x from words aWord and iWord, squared
// when they are the same run and doubled when they differ.
void addBoundarySquareTerm(RunContext& run, StoredNumber& x, std::int32_t aWord, std::int32_t iWord,
                           BoundaryArray& piece, bool first);

// Back from the accumulated spectrum to rounded digit sums.
void finishBoundaryPiece(RunContext& run, BoundaryArray& piece);

} // namespace calvorn
