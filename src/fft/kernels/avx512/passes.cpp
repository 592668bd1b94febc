// The transforms' arithmetic for eight lanes. This file alone is compiled for
// AVX-512F (products and sums stay separate: no contraction into fused
// multiply-adds anywhere in the program); it runs only where the processor
// has AVX-512F.
#include "fft/kernels/kernels.h"
#include "fft/kernels/outer_passes.h"

namespace calvorn::fft::avx512 {

void forwardOctets(const TransformPlan& plan, double* x) { forwardPasses<LaneOcta>(plan, x); }
void inverseOctets(const TransformPlan& plan, double* x) { inversePasses<LaneOcta>(plan, x); }
void productOctets(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LaneOcta>(plan, x, other);
}
void productOctets(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding)
{
    productPasses<LaneOcta>(plan, x, other, rounding);
}
void squareKeepOctets(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding)
{
    squareKeepPasses<LaneOcta>(plan, x, y, rounding);
}

} // namespace calvorn::fft::avx512
