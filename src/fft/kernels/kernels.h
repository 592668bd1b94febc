// The entry points of the transforms' kernels, one named namespace and folder
// per instruction set; the plan's lane path picks one (real_fft.cpp).
// All the arithmetic of a transform of 2^k doubles, k >= 6, on x[0 .. 2^k):
// every pass, the odd-term reversal, for the inverse the 1/N; not the
// exchange of pairs in bit-reversed order, which comes after the forward
// passes and before the inverse ones.
#pragma once

#include "fft/fused_rounding.h"
#include "fft/real_data_source.h"
#include "fft/transform_plan.h"

namespace calvorn::fft {

// Each product* entry has a second form that also rounds the results as the
// last pass writes them (fft/fused_rounding.h); squareKeep* squares x into y
// with that rounding and leaves x's spectrum in x.
// The forward passes of forward*, of the rounding product* and of
// squareKeep* take the real data from `source` where it is not null
// (fft/real_data_source.h), else from the lower half of x.

// The instruction set every build targets (SSE2 on x86-64): one lane, two
// lanes, and the eight-lane code lowered to it.
namespace baseline {
void forwardSingle(const TransformPlan& plan, double* x, const RealDataSource* source);
void inverseSingle(const TransformPlan& plan, double* x);
void productSingle(const TransformPlan& plan, double* x, const double* other);
void productSingle(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                   const RealDataSource* source);
void squareKeepSingle(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                      const RealDataSource* source);
void forwardPairs(const TransformPlan& plan, double* x, const RealDataSource* source);
void inversePairs(const TransformPlan& plan, double* x);
void productPairs(const TransformPlan& plan, double* x, const double* other);
void productPairs(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                  const RealDataSource* source);
void squareKeepPairs(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                     const RealDataSource* source);
void forwardGenericOctets(const TransformPlan& plan, double* x, const RealDataSource* source);
void inverseGenericOctets(const TransformPlan& plan, double* x);
void productGenericOctets(const TransformPlan& plan, double* x, const double* other);
void productGenericOctets(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                          const RealDataSource* source);
void squareKeepGenericOctets(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                             const RealDataSource* source);
} // namespace baseline

// Four lanes with AVX2 (built where CALVORN_FFT_QUADS is defined).
namespace avx2 {
void forwardQuads(const TransformPlan& plan, double* x, const RealDataSource* source);
void inverseQuads(const TransformPlan& plan, double* x);
void productQuads(const TransformPlan& plan, double* x, const double* other);
void productQuads(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                  const RealDataSource* source);
void squareKeepQuads(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                     const RealDataSource* source);
} // namespace avx2

// Eight lanes with AVX-512F (built where CALVORN_FFT_OCTETS is defined).
namespace avx512 {
void forwardOctets(const TransformPlan& plan, double* x, const RealDataSource* source);
void inverseOctets(const TransformPlan& plan, double* x);
void productOctets(const TransformPlan& plan, double* x, const double* other);
void productOctets(const TransformPlan& plan, double* x, const double* other, FusedRounding& rounding,
                   const RealDataSource* source);
void squareKeepOctets(const TransformPlan& plan, double* x, double* y, FusedRounding& rounding,
                      const RealDataSource* source);
} // namespace avx512

} // namespace calvorn::fft
