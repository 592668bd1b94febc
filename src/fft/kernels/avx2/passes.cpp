// The transforms' arithmetic for four lanes. This file alone is compiled for
// AVX2 (without FMA: every product is rounded before it is added, as
// everywhere else); it runs only where the processor has AVX2.
// The vector paths the planner tries have the sweep of the two top levels as one.
#define CALVORN_TOP_SWEEPS
#include "fft/kernels/kernels.h"
#include "fft/kernels/outer_passes.h"

namespace calvorn::fft::avx2 {

void forwardQuads(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    forwardPasses<LaneQuad>(plan, x, source);
}
void inverseQuads(const TransformPlan& plan, double* x) { inversePasses<LaneQuad>(plan, x); }
void productQuads(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LaneQuad>(plan, x, other);
}
void productQuads(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                  const RealDataSource* source)
{
    productPasses<LaneQuad>(plan, x, other, rounding, source);
}
void squareKeepQuads(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                     const RealDataSource* source)
{
    squareKeepPasses<LaneQuad>(plan, x, y, rounding, source);
}

} // namespace calvorn::fft::avx2
