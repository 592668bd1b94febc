// The stores of the in-core products: release the carries of a rounded,
// corrected transform array and write the words of the result into z
// through firstBlockBuffer. They only read the array.
#pragma once

#include <cstdint>
#include <span>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// Writes z words 1 .. n+2 from e[0] .. e[2n + 2]; the carry into word n+2
// comes from e[2n + 3] and e[2n + 4] alone. Word 1 (e[0] plus the carry) is
// not reduced: it keeps the integer part. z's positions past word n+2 in its
// last block keep their contents.
void storeProduct(RunContext& run, std::span<const double> e, StoredNumber& z, std::int32_t n);

// e holds a half product whose second operand began at word n/2+1: its word
// l (l = 1 .. n/2+2, counted like storeProduct's) goes to z word n/2 + l,
// with the carry from e[n + 3], e[n + 4]. z word n/2+1 is not reduced; z
// words 1 .. n/2 and the positions past word n+2 keep their contents.
void storeUpperHalf(RunContext& run, std::span<const double> e, StoredNumber& z, std::int32_t n);

} // namespace calvorn
