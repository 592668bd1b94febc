// The transforms of every product of this folder, counted by length in
// run.transforms. Spectra stay in the transforms' own pair order
// (productFftForward): the pointwise kernels, the spectrum stores and every
// kept spectrum share it, and only element-wise work touches a spectrum.
#pragma once

#include <cstdint>
#include <span>

#include "fft/real_data_source.h"
#include "storage/run_context.h"

namespace calvorn {

// The spectrum of the real data in array[0 .. 2^(k-1)) (upper half ignored),
// or of the data `source` gives where it is not null: the forward transforms
// below take their data from a source the same way (fft/real_data_source.h).
void transformForward(RunContext& run, std::int32_t k, std::span<double> array,
                      const fft::RealDataSource* source = nullptr);

// Back from such a spectrum (or an element-wise product of such spectra).
void transformInverse(RunContext& run, std::int32_t k, std::span<double> array);

// A forward transform of the real data in array, the element-wise product of
// its spectrum with `spectrum` (pointwiseProduct's operations) or with itself
// (pointwiseSquare's), and the inverse transform, all in one descent of the
// pass tree: the same doubles as the three steps in turn. Counted as one
// forward and one inverse transform.
void transformTimes(RunContext& run, std::int32_t k, std::span<const double> spectrum, std::span<double> array);
void transformSquare(RunContext& run, std::int32_t k, std::span<double> array);

// The same with the sums rounded as the inverse's last pass writes them:
// values [0, kept) rounded in place, each checked and counted as
// roundToIntegers does. True when every value passed: the run's largest
// distance and fingerprint then take them in. False when some value did not:
// the array is spoilt and nothing is taken in, and the caller must make the
// product again and round it the separate way, which fails at that value.
// An empty spectrum means the square.
bool transformToIntegers(RunContext& run, std::int32_t k, std::span<const double> spectrum, std::span<double> array,
                         std::int32_t kept, const fft::RealDataSource* source = nullptr);

// The square of the real data in `array` with its spectrum kept there (as
// transformForward leaves it) and the rounded square in `square`, rounded
// and taken in as by transformToIntegers. When this returns false the
// spectrum in `array` is whole, and only the square must be made again.
bool squareKeepToIntegers(RunContext& run, std::int32_t k, std::span<double> array, std::span<double> square,
                          std::int32_t kept, const fft::RealDataSource* source = nullptr);

} // namespace calvorn
