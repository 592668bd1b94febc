// One product of the real data in an array with a spectrum (or with itself),
// back as rounded sums, the fastest way that gives the same values: forward,
// product, inverse and rounding in one go, or, when that rounding refuses a
// value (or a fault is injected for a test), made again the separate way,
// which fails at that value. Shared by the in-core products and the
// out-of-core ones whose operands are single blocks.
#pragma once

#include <cstdint>
#include <span>

#include "common/numeric.h"
#include "mul/digit_loader.h"
#include "mul/product_transforms.h"
#include "norm/round_to_integers.h"
#include "storage/run_context.h"

namespace calvorn {

// The product of the digits of words j .. j+m-1 of `number` (as loadDigits
// lays them out in `array`, 2^k doubles) with `spectrum` (with themselves
// when `spectrum` is empty), rounded: values [0, kept) in place, all of them
// checked and counted. The fused way takes the digits as its first pass
// reads them; the separate way loads them into the array first.
inline void productToIntegers(RunContext& run, std::int32_t k, std::span<const double> spectrum,
                              StoredNumber& number, std::int32_t j, std::int32_t m, std::span<double> array,
                              std::int32_t kept)
{
    if (!run.nudgeNextRoundedValue) {
        const DigitSource digits = viewDigits(run, number, array, j, m);
        if (transformToIntegers(run, k, spectrum, array, kept, &digits)) return;
    }
    loadDigits(run, number, array, j, m);
    if (spectrum.empty()) {
        transformSquare(run, k, array);
    } else {
        transformTimes(run, k, spectrum, array);
    }
    roundToIntegers(run, array, integerPower(2, k), kept);
}

} // namespace calvorn
