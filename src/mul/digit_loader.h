// loadDigits: turns a run of words of a stored number into base-10^4 digits
// in a transform array, high digit first. Reads the number's blocks through
// firstBlockBuffer; writes only the first 2m elements of the array.
#pragma once

#include <cstdint>
#include <span>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// Words j .. j+m-1 of x go to array elements 0 .. 2m-1: the t-th word of the
// run gives its hi digit at 2(t-1) and its lo digit at 2(t-1)+1.
void loadDigits(RunContext& run, StoredNumber& x, std::span<double> array, std::int32_t j, std::int32_t m);

} // namespace calvorn
