// The Newton iterations: reciprocal, 1/sqrt(2) and square root of stored
// numbers, each doubling its working length from step to step. They use the
// element-wise operations and multiplyNumbers, and steer the kept transforms
// through a reuse hint of their own (a session, firstProductOfRun and
// iterateAgreeWords) that they pass to every product. An iteration that
// converges below the full length leaves words n + 3 .. N + 2 of its answer
// zero, as the shorter answer has them.
#pragma once

#include <cstdint>

#include "common/numeric.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// t = 1/x with iterate y. N is numberWords, p the size exponent: steps run at
// n = 2, 4, .. up to 2^(p-3). Throws RunFailure("NOT CONVERGENT IN INV") when
// the last allowed step does not converge. Returns the number of steps made.
std::int32_t newtonReciprocal(RunContext& run, StoredNumber& x, StoredNumber& t, StoredNumber& y,
                              std::int32_t N, std::int32_t p);

// t = 1/sqrt(2) with iterate y; RunFailure("NOT CONVERGENT IN SQR05") as above.
std::int32_t newtonInverseSqrt(RunContext& run, StoredNumber& t, StoredNumber& y, std::int32_t N,
                               std::int32_t p);

// b = sqrt(w) through 1/sqrt(w) with iterate v, for Gauss-Legendre iteration
// k. From k = 4 on it starts warm from the 1/sqrt(w) that the previous call
// left in v: agreementCount, the leading words in which a and b agreed after
// the last iteration, decides how far; the first product also takes over the
// block spectra of w that the last call kept for those words. From k = 3 on
// it leaves words 1 .. N/4 + 2 of the converged 1/sqrt(w) in v for the next
// call. RunFailure("NOT CONVERGENT IN SQR") as above.
std::int32_t newtonSqrt(RunContext& run, StoredNumber& w, StoredNumber& b, StoredNumber& v, std::int32_t N,
                        std::int32_t p, std::int32_t k, std::int32_t agreementCount);

// The step counter i (n = 2^i) at which a warm square root begins: one more
// than integerLog2 of agreementCount - 1 (taken as 1 when that is 1 or less).
constexpr std::int32_t warmStartStep(std::int32_t agreementCount)
{
    const std::int32_t a = agreementCount - 1 <= 1 ? 1 : agreementCount - 1;
    return integerLog2(a) + 1;
}

} // namespace calvorn
