// The transforms on a chosen lane path (see LanePath in transform_plan.h):
// the plan's path is what realFftForward and realFftInverse use; the tests
// and benchmarks run every path.
#pragma once

#include <span>

#include "fft/transform_plan.h"

namespace calvorn::fft {

// realFftForward and realFftInverse on the plan's length and the given path
// (which must be usable).
void forwardTransform(const TransformPlan& plan, LanePath path, std::span<double> x);
void inverseTransform(const TransformPlan& plan, LanePath path, std::span<double> x);

} // namespace calvorn::fft
