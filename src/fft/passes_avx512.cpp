// The transforms' arithmetic for eight lanes. This file alone is compiled for
// AVX-512F (products and sums stay separate: no contraction into fused
// multiply-adds anywhere in the program); it runs only where the processor
// has AVX-512F.
#include "fft/lane_paths.h"
#include "fft/outer_passes.h"

namespace calvorn::fft {

void forwardPassesOctets(std::int32_t k, double* x) { forwardPasses<LaneOcta>(k, x); }
void inversePassesOctets(std::int32_t k, double* x) { inversePasses<LaneOcta>(k, x); }

} // namespace calvorn::fft
