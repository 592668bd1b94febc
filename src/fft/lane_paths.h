// The transforms on a chosen lane path (see LanePath in transform_plan.h):
// the plan's path is what realFftForward and realFftInverse use; the tests
// and benchmarks run every path.
#pragma once

#include <span>

#include "fft/fused_rounding.h"
#include "fft/real_data_source.h"
#include "fft/transform_plan.h"

namespace calvorn::fft {

// Where the pairs of a packed spectrum lie: natural order (realFftForward,
// realFftInverse) or the passes' own bit-reversed order (productFftForward,
// productFftInverse).
enum class SpectrumOrder { natural, pairsReversed };

// The transforms on the plan's length and the given path (which must be
// usable). A forward transform (or product) given a source takes its real
// data from there, not from the lower half of x (fft/real_data_source.h).
void forwardTransform(const TransformPlan& plan, LanePath path, std::span<double> x,
                      SpectrumOrder order = SpectrumOrder::natural, const RealDataSource* source = nullptr);
void inverseTransform(const TransformPlan& plan, LanePath path, std::span<double> x,
                      SpectrumOrder order = SpectrumOrder::natural);

// productFftTimes (other not empty) and productFftSquare (other empty) on the
// given path.
void productTransform(const TransformPlan& plan, LanePath path, std::span<double> x, std::span<const double> other);
// The same with the results rounded as the last pass writes them.
void productTransform(const TransformPlan& plan, LanePath path, std::span<double> x, std::span<const double> other,
                      FusedRounding& rounding, const RealDataSource* source = nullptr);

// The square that keeps x's spectrum in x and brings the rounded square back in y.
void squareKeepingSpectrum(const TransformPlan& plan, LanePath path, std::span<double> x, std::span<double> y,
                           FusedRounding& rounding, const RealDataSource* source = nullptr);

} // namespace calvorn::fft
