#include "fft/transform_oracles.h"

#include <cstring>

#include <algorithm>
#include <cmath>

namespace calvorn::test {

namespace {

constexpr long double piLong = 3.141592653589793238462643383279502884L;

// cos and sin of 2 pi j / N for j = 0 .. N-1, side by side.
struct CirclePoint {
    long double cosine;
    long double sine;
};

std::vector<CirclePoint> unitCircle(std::size_t n)
{
    std::vector<CirclePoint> circle(n);
    for (std::size_t j = 0; j < n; ++j) {
        const long double angle = 2.0L * piLong * static_cast<long double>(j) / static_cast<long double>(n);
        circle[j] = {std::cos(angle), std::sin(angle)};
    }
    return circle;
}

} // namespace

std::vector<long double> directPackedSpectrum(std::span<const double> x)
{
    const std::size_t n = x.size();
    const std::vector<CirclePoint> circle = unitCircle(n);
    std::size_t used = n; // the terms after the last non-zero one add nothing
    while (used > 0 && x[used - 1] == 0.0) --used;
    std::vector<long double> spectrum(n);
    long double sum = 0.0L;
    long double alternating = 0.0L;
    for (std::size_t i = 0; i < n; ++i) {
        sum += x[i];
        alternating += (i % 2 == 0) ? x[i] : -x[i];
    }
    spectrum[0] = sum;
    if (n > 1) spectrum[1] = alternating;
    for (std::size_t j = 1; j < n / 2; ++j) {
        long double re = 0.0L;
        long double im = 0.0L;
        std::size_t step = 0; // j * i mod N
        for (std::size_t i = 0; i < used; ++i) {
            re += x[i] * circle[step].cosine;
            im += x[i] * circle[step].sine;
            step = (step + j) & (n - 1);
        }
        spectrum[2 * j] = re;
        spectrum[2 * j + 1] = im;
    }
    return spectrum;
}

std::vector<long double> directInverseOfPackedSpectrum(std::span<const double> y)
{
    const std::size_t n = y.size();
    const std::vector<CirclePoint> circle = unitCircle(n);
    std::vector<long double> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        long double sum = 0.0L;
        for (std::size_t j = 1; j < n / 2; ++j) {
            const std::size_t step = (j * i) & (n - 1);
            sum += y[2 * j] * circle[step].cosine + y[2 * j + 1] * circle[step].sine;
        }
        const long double nyquist = (i % 2 == 0) ? y[1] : -y[1];
        x[i] = (y[0] + nyquist + 2.0L * sum) / static_cast<long double>(n);
    }
    return x;
}

double relativeError(std::span<const double> got, std::span<const long double> want)
{
    long double difference = 0.0L;
    long double norm = 0.0L;
    for (std::size_t i = 0; i < want.size(); ++i) {
        const long double d = got[i] - want[i];
        difference += d * d;
        norm += want[i] * want[i];
    }
    return static_cast<double>(std::sqrt(difference / norm));
}

std::vector<double> pairsReversed(const std::vector<double>& natural, std::int32_t k)
{
    std::vector<double> reordered(natural.size());
    for (std::size_t t = 0; t < natural.size() / 2; ++t) {
        std::size_t r = 0;
        for (std::int32_t bit = 0; bit < k - 1; ++bit) r |= ((t >> bit) & 1u) << (k - 2 - bit);
        reordered[2 * r] = natural[2 * t];
        reordered[2 * r + 1] = natural[2 * t + 1];
    }
    return reordered;
}

std::size_t firstDifference(std::span<const double> got, std::span<const double> want)
{
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (std::memcmp(&got[i], &want[i], sizeof(double)) != 0) return i;
    }
    return want.size();
}

void multiplyPackedSpectra(std::span<double> a, std::span<const double> b)
{
    a[0] = a[0] * b[0];
    a[1] = a[1] * b[1];
    for (std::size_t i = 2; i + 1 < a.size(); i += 2) {
        const double re = a[i] * b[i] - a[i + 1] * b[i + 1];
        const double im = a[i] * b[i + 1] + b[i] * a[i + 1];
        a[i] = re;
        a[i + 1] = im;
    }
}

std::vector<std::uint32_t> randomDigits(std::size_t count, std::mt19937_64& random)
{
    std::vector<std::uint32_t> digits(count);
    for (auto& digit : digits) digit = static_cast<std::uint32_t>(random() % 10000);
    return digits;
}

} // namespace calvorn::test
