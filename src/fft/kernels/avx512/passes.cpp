// The transforms' arithmetic for eight lanes. This file alone is compiled for
// AVX-512F (products and sums stay separate: no contraction into fused
// multiply-adds anywhere in the program); it runs only where the processor
// has AVX-512F.
// The vector paths the planner tries have the sweep of the two top levels as one.
#define CALVORN_TOP_SWEEPS
#include "fft/kernels/kernels.h"
#include "fft/kernels/outer_passes.h"

namespace calvorn::fft::avx512 {

void forwardOctets(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    forwardPasses<LaneOcta>(plan, x, source);
}
void inverseOctets(const TransformPlan& plan, double* x) { inversePasses<LaneOcta>(plan, x); }
void productOctets(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LaneOcta>(plan, x, other);
}
void productOctets(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                   const RealDataSource* source)
{
    productPasses<LaneOcta>(plan, x, other, rounding, source);
}
void squareKeepOctets(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                      const RealDataSource* source)
{
    squareKeepPasses<LaneOcta>(plan, x, y, rounding, source);
}

} // namespace calvorn::fft::avx512
