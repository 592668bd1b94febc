// The transforms' arithmetic for one lane, for two lanes and for eight lanes
// lowered to the instruction set every build targets (SSE2 on x86-64).
#include "fft/lane_paths.h"
#include "fft/outer_passes.h"

namespace calvorn::fft {

void forwardPassesSingle(const TransformPlan& plan, double* x) { forwardPasses<double>(plan, x); }
void inversePassesSingle(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productPassesSingle(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}

#if defined(__GNUC__)
void forwardPassesPairs(const TransformPlan& plan, double* x) { forwardPasses<LanePair>(plan, x); }
void inversePassesPairs(const TransformPlan& plan, double* x) { inversePasses<LanePair>(plan, x); }
void productPassesPairs(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LanePair>(plan, x, other);
}
void forwardPassesGenericOctets(const TransformPlan& plan, double* x) { forwardPasses<LaneOcta>(plan, x); }
void inversePassesGenericOctets(const TransformPlan& plan, double* x) { inversePasses<LaneOcta>(plan, x); }
void productPassesGenericOctets(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<LaneOcta>(plan, x, other);
}
#else
void forwardPassesPairs(const TransformPlan& plan, double* x) { forwardPasses<double>(plan, x); }
void inversePassesPairs(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productPassesPairs(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}
void forwardPassesGenericOctets(const TransformPlan& plan, double* x) { forwardPasses<double>(plan, x); }
void inversePassesGenericOctets(const TransformPlan& plan, double* x) { inversePasses<double>(plan, x); }
void productPassesGenericOctets(const TransformPlan& plan, double* x, const double* other)
{
    productPasses<double>(plan, x, other);
}
#endif

} // namespace calvorn::fft
