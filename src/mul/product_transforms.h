// The transforms of every product of this folder, counted by length in
// run.transforms. Spectra stay in the transforms' own pair order
// (productFftForward): the pointwise kernels, the spectrum stores and every
// kept spectrum share it, and only element-wise work touches a spectrum.
#pragma once

#include <cstdint>
#include <span>

#include "storage/run_context.h"

namespace calvorn {

// The spectrum of the real data in array[0 .. 2^(k-1)) (upper half ignored).
void transformForward(RunContext& run, std::int32_t k, std::span<double> array);

// Back from such a spectrum (or an element-wise product of such spectra).
void transformInverse(RunContext& run, std::int32_t k, std::span<double> array);

} // namespace calvorn
