// The in-core products: both operands' transforms fit in the work area at
// once. Each method works on one or two arrays of run.workArea given by
// their starts (in doubles from the area's first element), reads x and y
// before it writes z (so z may be x or y), and leaves behind what it says:
// a transform it keeps is recorded in run.kept with the hint's session, and a
// method that takes one over throws RunFailure, before it reads or writes
// anything, unless the record holds that very transform.
#pragma once

#include <cstdint>

#include "mul/reuse_hint.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// z words 1 .. n+2 = x * y. Transforms of 4n doubles: x at `first`, y at
// `second`, product at `second`. Leaves the transform of x at `first`.
void inCoreProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                   std::int32_t first, std::int32_t second, const ReuseHint& hint = {});

// As inCoreProduct, with the transform of x already at `first` (left there by
// inCoreProduct with the same x and n); x's words are read only for the guard
// terms. Leaves `first` unchanged.
void inCoreProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                        std::int32_t first, std::int32_t second, const ReuseHint& hint = {});

// z words n/2+1 .. n+2 = the leading n/2+2 words of x[1..n/2] * y[n/2+1..n]
// (each with its two following words as guard words); z words 1 .. n/2 keep
// their value. Transforms of 2n doubles: x at `first`, y at `second`, product
// at `first`.
void inCoreHalfProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                       std::int32_t first, std::int32_t second);

// As inCoreHalfProduct, with the transform of x words 1 .. n/2 already at
// `first` (left there by inCoreHalfSquareKeep); y at `second`, product at
// `second`. Leaves `first` unchanged.
void inCoreHalfProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                            std::int32_t first, std::int32_t second, const ReuseHint& hint = {});

// z words 1 .. n+2 = x * x, in place in a transform of 4n doubles at `start`.
void inCoreSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, std::int32_t start);

// z words 1 .. n+2 = x[1..n/2] * x[1..n/2] with x's words n/2+1, n/2+2 as
// guard words, in place in a transform of 2n doubles at `start`; the store
// reads up to 4 doubles past it.
void inCoreHalfSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, std::int32_t start);

// As inCoreHalfSquare, but the square is formed at `second`, and the
// transform of x words 1 .. n/2 stays at `first` for inCoreHalfProductReuse.
void inCoreHalfSquareKeep(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, std::int32_t first,
                          std::int32_t second, const ReuseHint& hint = {});

} // namespace calvorn
