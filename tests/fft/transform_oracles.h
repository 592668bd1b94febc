// Independent oracles for the transform tests: the packed spectrum and its
// inverse by direct summation in long double. Also the pointwise product the
// products perform and random digits. (Exact convolutions: convolution_oracle.h.)
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

// The pointwise product of two packed spectra, into a: elements 0 and 1 as
// reals, then each pair (2j, 2j+1) as a complex product.
void multiplyPackedSpectra(std::span<double> a, std::span<const double> b);

// A natural-order packed spectrum with its pairs in the products' order:
// pair t moved to pair position rev(t), the k-1 low bits of t reversed (the
// exchange is its own inverse).
std::vector<double> pairsReversed(const std::vector<double>& natural, std::int32_t k);

// Index of the first double whose bits differ from want's, or want's length.
std::size_t firstDifference(std::span<const double> got, std::span<const double> want);

// Uniform base-10^4 digits from a seeded generator.
std::vector<std::uint32_t> randomDigits(std::size_t count, std::mt19937_64& random);

} // namespace calvorn::test
