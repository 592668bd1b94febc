// Independent oracles for the transform tests: the packed spectrum and its
// inverse by direct summation in long double, and exact linear convolutions of
// digit sequences by GMP. Also the pointwise product the products perform.
#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <vector>

namespace calvorn::test {

// Packed spectrum (DC, Nyquist, then Re/Im of Y_j = sum x_n e^(+2 pi i j n/N))
// of the sequence x of length N, by direct summation.
std::vector<long double> directPackedSpectrum(std::span<const double> x);

// x_n = (1/N) [y0 + (-1)^n y1 + 2 sum_j (y_2j cos + y_2j+1 sin)(2 pi j n/N)].
std::vector<long double> directInverseOfPackedSpectrum(std::span<const double> y);

// sqrt(sum (got - want)^2 / sum want^2).
double relativeError(std::span<const double> got, std::span<const long double> want);

// The linear convolution c_i = sum a_j b_(i-j), i = 0 .. a.size + b.size - 2,
// exact in 64-bit integers (the inputs are small non-negative digits).
std::vector<std::int64_t> exactLinearConvolution(std::span<const std::uint32_t> a,
                                                 std::span<const std::uint32_t> b);

// The pointwise product of two packed spectra, into a: elements 0 and 1 as
// reals, then each pair (2j, 2j+1) as a complex product.
void multiplyPackedSpectra(std::span<double> a, std::span<const double> b);

// Uniform base-10^4 digits from a seeded generator.
std::vector<std::uint32_t> randomDigits(std::size_t count, std::mt19937_64& random);

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
