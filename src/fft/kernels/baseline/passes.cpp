// The transforms' arithmetic for one lane, for two lanes and for eight lanes
// lowered to the instruction set every build targets (SSE2 on x86-64).
#include "fft/kernels/kernels.h"
#include "fft/kernels/outer_passes.h"

namespace calvorn::fft::baseline {

void forwardSingle(const TransformPlan& plan, double* x) { forwardPasses<double>(plan, x); }
void inverseSingle(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productSingle(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}
void productSingle(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding)
{
    productPasses<double>(plan, x, other, rounding);
}
void squareKeepSingle(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding)
{
    squareKeepPasses<double>(plan, x, y, rounding);
}

#if defined(__GNUC__)
void forwardPairs(const TransformPlan& plan, double* x) { forwardPasses<LanePair>(plan, x); }
void inversePairs(const TransformPlan& plan, double* x) { inversePasses<LanePair>(plan, x); }
void productPairs(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LanePair>(plan, x, other);
}
void productPairs(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding)
{
    productPasses<LanePair>(plan, x, other, rounding);
}
void squareKeepPairs(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding)
{
    squareKeepPasses<LanePair>(plan, x, y, rounding);
}
void forwardGenericOctets(const TransformPlan& plan, double* x) { forwardPasses<LaneOcta>(plan, x); }
void inverseGenericOctets(const TransformPlan& plan, double* x) { inversePasses<LaneOcta>(plan, x); }
void productGenericOctets(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LaneOcta>(plan, x, other);
}
void productGenericOctets(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding)
{
    productPasses<LaneOcta>(plan, x, other, rounding);
}
void squareKeepGenericOctets(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding)
{
    squareKeepPasses<LaneOcta>(plan, x, y, rounding);
}
#else
void forwardPairs(const TransformPlan& plan, double* x) { forwardPasses<double>(plan, x); }
void inversePairs(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productPairs(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}
void productPairs(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding)
{
    productPasses<double>(plan, x, other, rounding);
}
void squareKeepPairs(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding)
{
    squareKeepPasses<double>(plan, x, y, rounding);
}
void forwardGenericOctets(const TransformPlan& plan, double* x) { forwardPasses<double>(plan, x); }
void inverseGenericOctets(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productGenericOctets(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}
void productGenericOctets(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding)
{
    productPasses<double>(plan, x, other, rounding);
}
void squareKeepGenericOctets(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding)
{
    squareKeepPasses<double>(plan, x, y, rounding);
}
#endif

} // namespace calvorn::fft::baseline
