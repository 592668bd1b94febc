// The transforms' arithmetic for four lanes. This file alone is compiled for
// AVX2 (without FMA: every product is rounded before it is added, as
// everywhere else); it runs only where the processor has AVX2.
#include "fft/lane_paths.h"
#include "fft/outer_passes.h"

namespace calvorn::fft {

void forwardPassesQuads(std::int32_t k, double* x) { forwardPasses<LaneQuad>(k, x); }
void inversePassesQuads(std::int32_t k, double* x) { inversePasses<LaneQuad>(k, x); }

} // namespace calvorn::fft
