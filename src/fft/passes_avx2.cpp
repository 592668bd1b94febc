// The transforms' arithmetic for four lanes. This file alone is compiled for
// AVX2 (without FMA: every product is rounded before it is added, as
// everywhere else); it runs only where the processor has AVX2.
#include "fft/lane_paths.h"
#include "fft/outer_passes.h"

namespace calvorn::fft {

void forwardPassesQuads(const TransformPlan& plan, double* x) { forwardPasses<LaneQuad>(plan, x); }
void inversePassesQuads(const TransformPlan& plan, double* x) { inversePasses<LaneQuad>(plan, x); }
void productPassesQuads(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LaneQuad>(plan, x, other);
}

} // namespace calvorn::fft
