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
#include "mul/product_transforms.h"
#include "norm/round_to_integers.h"
#include "storage/run_context.h"

namespace calvorn {

// The product of the real data in `array` (2^k doubles) with `spectrum` (with
// itself when `spectrum` is empty), rounded: values [0, kept) in place, all
// of them checked and counted. reload() puts the data back into the array
// before the separate way.
template <typename Reload>
void productToIntegers(RunContext& run, std::int32_t k, std::span<const double> spectrum, std::span<double> array,
                       std::int32_t kept, Reload reload)
{
    if (!run.nudgeNextRoundedValue) {
        if (transformToIntegers(run, k, spectrum, array, kept)) return;
        reload();
    }
    if (spectrum.empty()) {
        transformSquare(run, k, array);
    } else {
        transformTimes(run, k, spectrum, array);
    }
    roundToIntegers(run, array, integerPower(2, k), kept);
}

} // namespace calvorn
