// The rounding of a product's output to whole numbers done by the inverse
// transform's last pass, as it writes each value, instead of in a sweep of
// its own over the whole array afterwards: one pass over memory less per
// product. Every value gets the rounding, the check and the fingerprint that
// the separate rounding gives it; the results are collected over the whole
// array, so a failure is only reported, not placed: the caller then makes
// the product again the separate way, which fails at the very value.
#pragma once

#include <cstddef>
#include <cstdint>

namespace calvorn::fft {

struct FusedRounding {
    // What to do.
    std::size_t kept = 0;      // values [0, kept) are written back rounded, the rest as computed
    double squaredLimit = 0.0; // a value passes when its squared distance to its whole number is below this

    // What came of it; largest and fingerprint hold only when exact.
    bool exact = true;             // every value passed
    double largest = 0.0;          // the largest |value - whole number|
    std::uint64_t fingerprint = 0; // the sum (mod 2^64) of the bit patterns of the values
};

} // namespace calvorn::fft
