// The term routines: after rounding, they add the digit products that a
// transform left out because its operands were loaded without their guard
// words (or, for the half square, without the words after its lower half).
// They read a few words of the operands' work files and touch only e.
#pragma once

#include <cstdint>
#include <span>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// After a full product or square (y = x) of words 1 .. n: adds the products
// of each operand's first two words with the other's guard words n+1, n+2 to
// e[m/2] .. e[m/2 + 4]. With m = 4n these are the halves of words n+1 .. n+3;
// at n = 2, e[8] lies past the transform and is cleared first. The
// out-of-core guard stage passes m = 0 and gets the terms in e[0] .. e[4].
void addGuardTerms(RunContext& run, StoredNumber& x, StoredNumber& y, std::span<double> e, std::int32_t n,
                   std::int32_t m);

// After a half product of x words 1 .. n/2 by y words n/2+1 .. n: the same
// terms with x's guard words n/2+1, n/2+2 and y's n+1, n+2, added to
// e[m/2] .. e[m/2 + 4] (m = 2n in core, 0 out of core). The elements of those
// that lie past a transform of 4 or 8 doubles (n = 2, 4) are cleared first.
void addHalfProductTerms(RunContext& run, StoredNumber& x, StoredNumber& y, std::span<double> e, std::int32_t n,
                         std::int32_t m);

// After the square of x words 1 .. n/2 (m = 2n): adds twice the products of
// those words with words n/2+1, n/2+2 and the square of the latter, so that
// e[0] .. e[m + 4] hold the square of words 1 .. n/2+2 up to e[m + 4].
// Clears e[m] .. e[m + 4] first; reads the whole first half of x again.
void completeHalfSquare(RunContext& run, StoredNumber& x, std::span<double> e, std::int32_t n, std::int32_t m);

} // namespace calvorn
