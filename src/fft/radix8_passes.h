// The radix-8 passes over the whole array, one at a time: the transform of the
// shortest lengths and the tests' view of a single pass. A pass with a given
// span works on the array as span/8 groups of eight slots of stride values;
// its pairs' twiddles come from the plan's table (any plan whose table
// reaches span/16 pairs).
#pragma once

#include <cstdint>
#include <span>

#include "fft/transform_plan.h"

namespace calvorn::fft {

// One forward pass (8 <= span <= 2^24, a power of two). With span = 8 it is the
// first pass of a transform and takes slots 4..7 (the upper half) as zero.
void forwardRadix8Pass(const TransformPlan& plan, std::int32_t stride, std::int32_t span, std::span<double> x);

// 8 times the exact inverse of the general forward pass with the same stride
// and span; it never assumes zeros, also for span = 8.
void inverseRadix8Pass(const TransformPlan& plan, std::int32_t stride, std::int32_t span, std::span<double> x);

} // namespace calvorn::fft
