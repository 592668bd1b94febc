// multiplyNumbers: the one entry point for products and squares of stored
// numbers. From the product mode and the length it picks an in-core or an
// out-of-core method and the regions of the work area that they use.
#pragma once

#include <cstdint>

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

// x, y and z may be the same number; squaring modes read only x.
void multiplyNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                     std::int32_t mode);

} // namespace calvorn
