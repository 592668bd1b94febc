// multiplyNumbers: the one entry point for products and squares of stored
// numbers. From the product mode and the length it picks an in-core or an
// out-of-core method and the regions of the work area that they use. The
// modes that keep a transform for a later call, or take one over, get the
// Newton run's reuse hint; the record in run.kept says what is kept where.
#pragma once

#include <cstdint>

#include "mul/reuse_hint.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// What z receives; any value outside 0 .. 7 acts as productHalfAfterSquare.
enum ProductMode : std::int32_t {
    productFull = 0,
    productHalf = 1,
    squareFull = 2,
    squareHalf = 3,
    productKeepFirst = 4,
    productFixedFirst = 5,
    productReuseFirst = 6,
    productHalfAfterFixed = 7,
    productHalfAfterSquare = 8,
};

// x, y and z may be the same number; squaring modes read only x. A mode that
// takes over a kept transform (productReuseFirst, productHalfAfterFixed,
// productHalfAfterSquare where they reuse) throws RunFailure, before it reads
// or writes anything, when the record does not show that transform kept by
// an earlier product of the same run; productKeepFirst, productFixedFirst and
// squareHalf take over only the block spectra that the hint's counts of
// unchanged words cover and the record confirms, and transform the rest.
void multiplyNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                     std::int32_t mode, ReuseHint& hint);

// A product outside any Newton run: nothing taken over but what an earlier
// call without a hint kept.
void multiplyNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                     std::int32_t mode);

} // namespace calvorn
