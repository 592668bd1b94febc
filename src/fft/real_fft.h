// The real radix-8 transforms: packed spectrum of a real sequence of 2^k
// doubles and back, in place, with no allocation; the length, the lane path
// and the twiddles come from the plan of that length.
#pragma once

#include <cstdint>
#include <span>

#include "fft/fused_rounding.h"
#include "fft/real_data_source.h"
#include "fft/transform_plan.h"

namespace calvorn {

constexpr std::int32_t largestTransformExponent = fft::largestPlanExponent;

// x holds at least 2^k doubles, k = plan.k (1 <= k <= 24). In: the real data
// in the lower half; the upper half is treated as zero whatever it holds.
// Out: the packed spectrum (DC, Nyquist, then Re/Im of harmonics 1 .. N/2-1,
// exponent +).
void realFftForward(const fft::TransformPlan& plan, std::span<double> x);

// x holds a packed spectrum of 2^k doubles; out: the real sequence, 1/N applied.
void realFftInverse(const fft::TransformPlan& plan, std::span<double> x);

// The same two transforms for the products, with the spectrum in the order
// the passes leave it: the packed spectrum's pair t (x[2t], x[2t+1]) lies at
// pair position r, t with its k-1 low bits reversed. Pair 0 (the two real
// terms) stays at elements 0 and 1 and every other pair stays whole, so
// element-wise products of spectra in this order, brought back by
// productFftInverse, give the very doubles that the natural order gives,
// without the two exchanges of pairs around every product.
// A source, where given, gives the real data instead of x's lower half
// (fft/real_data_source.h): the same doubles with one pass over memory less.
void productFftForward(const fft::TransformPlan& plan, std::span<double> x,
                       const fft::RealDataSource* source = nullptr);
void productFftInverse(const fft::TransformPlan& plan, std::span<double> x);

// A whole product of the products' kind in one go, the same doubles as
// productFftForward(x), the element-wise product (pointwiseProduct's or
// pointwiseSquare's operations) and productFftInverse in turn: x holds real
// data in its lower half and, on return, the inverse transform of its
// spectrum times `spectrum` (a spectrum of the same length in the products'
// order), or of its spectrum squared. Each block of the pass tree goes
// forward, is multiplied and goes back while it is in cache.
void productFftTimes(const fft::TransformPlan& plan, std::span<const double> spectrum, std::span<double> x);
void productFftSquare(const fft::TransformPlan& plan, std::span<double> x);

// The same, with the results rounded to whole numbers as the last pass writes
// them (see fft/fused_rounding.h): where rounding.exact comes back true, x
// holds what the separate rounding would have left and rounding the largest
// distance and the fingerprint of the values.
void productFftTimes(const fft::TransformPlan& plan, std::span<const double> spectrum, std::span<double> x,
                     fft::FusedRounding& rounding, const fft::RealDataSource* source = nullptr);
void productFftSquare(const fft::TransformPlan& plan, std::span<double> x, fft::FusedRounding& rounding,
                      const fft::RealDataSource* source = nullptr);

// The square of the real data in x that keeps its spectrum: x ends as
// productFftForward leaves it, y (another 2^k doubles, apart from x) holds
// what productFftSquare with the rounding would have left in x.
void productFftSquareKeep(const fft::TransformPlan& plan, std::span<double> x, std::span<double> y,
                          fft::FusedRounding& rounding, const fft::RealDataSource* source = nullptr);

} // namespace calvorn
