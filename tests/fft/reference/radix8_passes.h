// The radix-8 passes of the real transforms. Each works in place on the first
// stride * span doubles of x, as span/8 groups of eight slots of stride values.
#pragma once

#include <cstdint>
#include <span>

namespace calvorn::reference {

// One forward pass (8 <= span <= 2^24, a power of two). With span = 8 it is the
// first pass of a transform and takes slots 4..7 (the upper half) as zero.
void forwardRadix8Pass(std::int32_t stride, std::int32_t span, std::span<double> x);

// 8 times the exact inverse of the general forward pass with the same stride
// and span; it never assumes zeros, also for span = 8.
void inverseRadix8Pass(std::int32_t stride, std::int32_t span, std::span<double> x);

} // namespace calvorn::reference
