// The transforms compiled for each kind of lane (see LanePath in
// transform_plan.h); the plan's path picks one, the tests run them all.
#pragma once

#include <cstdint>
#include <span>

#include "fft/transform_plan.h"

namespace calvorn::fft {

// Where the pairs of a packed spectrum lie: natural order (realFftForward,
// realFftInverse) or the passes' own bit-reversed order (productFftForward,
// productFftInverse).
enum class SpectrumOrder { natural, pairsReversed };

// The transforms on the plan's length and the given path (which must be
// usable).
void forwardTransform(const TransformPlan& plan, LanePath path, std::span<double> x,
                      SpectrumOrder order = SpectrumOrder::natural);
void inverseTransform(const TransformPlan& plan, LanePath path, std::span<double> x,
                      SpectrumOrder order = SpectrumOrder::natural);

// productFftTimes (other not empty) and productFftSquare (other empty) on the
// given path.
void productTransform(const TransformPlan& plan, LanePath path, std::span<double> x, std::span<const double> other);

// All the arithmetic of a transform of 2^k doubles, k >= 6, on x[0 .. 2^k):
// every pass, the odd-term reversal, for the inverse the 1/N; not the
// exchange of pairs in bit-reversed order, which comes after the forward
// passes and before the inverse ones. One set per path.
void forwardPassesSingle(const TransformPlan& plan, double* x);
void inversePassesSingle(const TransformPlan& plan, double* x);
void forwardPassesPairs(const TransformPlan& plan, double* x);
void inversePassesPairs(const TransformPlan& plan, double* x);
void forwardPassesQuads(const TransformPlan& plan, double* x);
void inversePassesQuads(const TransformPlan& plan, double* x);
void forwardPassesOctets(const TransformPlan& plan, double* x);
void inversePassesOctets(const TransformPlan& plan, double* x);
void forwardPassesGenericOctets(const TransformPlan& plan, double* x);
void inversePassesGenericOctets(const TransformPlan& plan, double* x);

// The same for a whole product in the products' pair order: x back from its
// spectrum times the spectrum `other` (the square of its own when other is
// null), the product done at the leaves of the pass tree.
void productPassesSingle(const TransformPlan& plan, double* x, const double* other);
void productPassesPairs(const TransformPlan& plan, double* x, const double* other);
void productPassesQuads(const TransformPlan& plan, double* x, const double* other);
void productPassesOctets(const TransformPlan& plan, double* x, const double* other);
void productPassesGenericOctets(const TransformPlan& plan, double* x, const double* other);

} // namespace calvorn::fft
