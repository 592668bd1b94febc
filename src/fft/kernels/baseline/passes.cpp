// The transforms' arithmetic for one lane, for two lanes and for eight lanes
// lowered to the instruction set every build targets (SSE2 on x86-64).
#include "fft/kernels/kernels.h"
#include "fft/kernels/outer_passes.h"

namespace calvorn::fft::baseline {

void forwardSingle(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    forwardPasses<double>(plan, x, source);
}
void inverseSingle(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productSingle(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}
void productSingle(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                   const RealDataSource* source)
{
    productPasses<double>(plan, x, other, rounding, source);
}
void squareKeepSingle(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                      const RealDataSource* source)
{
    squareKeepPasses<double>(plan, x, y, rounding, source);
}

#if defined(__GNUC__)
void forwardPairs(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    forwardPasses<LanePair>(plan, x, source);
}
void inversePairs(const TransformPlan& plan, double* x) { inversePasses<LanePair>(plan, x); }
void productPairs(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LanePair>(plan, x, other);
}
void productPairs(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                  const RealDataSource* source)
{
    productPasses<LanePair>(plan, x, other, rounding, source);
}
void squareKeepPairs(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                     const RealDataSource* source)
{
    squareKeepPasses<LanePair>(plan, x, y, rounding, source);
}
void forwardGenericOctets(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    forwardPasses<LaneOcta>(plan, x, source);
}
void inverseGenericOctets(const TransformPlan& plan, double* x) { inversePasses<LaneOcta>(plan, x); }
void productGenericOctets(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LaneOcta>(plan, x, other);
}
void productGenericOctets(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                          const RealDataSource* source)
{
    productPasses<LaneOcta>(plan, x, other, rounding, source);
}
void squareKeepGenericOctets(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                             const RealDataSource* source)
{
    squareKeepPasses<LaneOcta>(plan, x, y, rounding, source);
}
#else
void forwardPairs(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    forwardPasses<double>(plan, x, source);
}
void inversePairs(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productPairs(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}
void productPairs(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                  const RealDataSource* source)
{
    productPasses<double>(plan, x, other, rounding, source);
}
void squareKeepPairs(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                     const RealDataSource* source)
{
    squareKeepPasses<double>(plan, x, y, rounding, source);
}
void forwardGenericOctets(const TransformPlan& plan, double* x, const RealDataSource* source)
{
    forwardPasses<double>(plan, x, source);
}
void inverseGenericOctets(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productGenericOctets(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}
void productGenericOctets(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                          const RealDataSource* source)
{
    productPasses<double>(plan, x, other, rounding, source);
}
void squareKeepGenericOctets(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                             const RealDataSource* source)
{
    squareKeepPasses<double>(plan, x, y, rounding, source);
}
#endif

} // namespace calvorn::fft::baseline
