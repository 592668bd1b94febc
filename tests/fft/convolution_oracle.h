// Exact linear convolutions of digit sequences by GMP, and one convolution
// through the transforms checked against them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "fft/transform_oracles.h"

namespace calvorn::test {

// The linear convolution c_i = sum a_j b_(i-j), i = 0 .. a.size + b.size - 2,
// exact in 64-bit integers (the inputs are small non-negative digits).
std::vector<std::int64_t> exactLinearConvolution(std::span<const std::uint32_t> a,
                                                 std::span<const std::uint32_t> b);

// What one convolution through the transforms gave: whether every rounded
// term equals the exact one, the first that does not, the largest distance of
// a term from its nearest integer and the largest distance from the exact term.
struct ConvolutionOutcome {
    bool exact = true;
    std::size_t firstWrongIndex = 0;
    double largestRoundingDistance = 0.0;
    double largestError = 0.0;
};

// Convolves two digit sequences of length N/2 with the transforms of length
// 2^k (forward both, pointwise product, inverse) and checks against GMP.
ConvolutionOutcome convolveThroughTransforms(std::int32_t k, std::span<const std::uint32_t> a,
                                             std::span<const std::uint32_t> b);

} // namespace calvorn::test
