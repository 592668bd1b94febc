// Correctly rounded cosine and sine on [0, pi/8) from the Taylor series,
// summed in double-double arithmetic: every value a pair hi + lo of doubles,
// the exact products and sums formed by Dekker's and Knuth's error-free steps
// (no fused multiply-add). The series' leading terms are summed with about
// 104 bits, the small tail with 53, which leaves the sum within about 2^-100
// of the exact value; its high part after normalising is the nearest double.
#include "fft/twiddle_sincos.h"

#include <array>
#include <cstddef>

namespace calvorn::fft {

namespace {

struct Wide {
    double hi = 0.0;
    double lo = 0.0;
};

// a + b exactly, given |a| >= |b| (or a == 0).
constexpr Wide quickSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly, for any a and b.
constexpr Wide exactSum(double a, double b)
{
    const double s = a + b;
    const double bPart = s - a;
    return {s, (a - (s - bPart)) + (b - bPart)};
}

// a as hi + lo with at most 26 significant bits in each, so that products of
// the halves are exact.
constexpr Wide halves(double a)
{
    const double c = 134217729.0 * a; // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// a * b exactly.
constexpr Wide exactProduct(double a, double b)
{
    const double p = a * b;
    const Wide x = halves(a);
    const Wide y = halves(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

constexpr Wide times(Wide a, Wide b)
{
    Wide p = exactProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickSum(p.hi, p.lo);
}

constexpr Wide times(Wide a, double b)
{
    Wide p = exactProduct(a.hi, b);
    p.lo += a.lo * b;
    return quickSum(p.hi, p.lo);
}

constexpr Wide plus(Wide a, Wide b)
{
    Wide s = exactSum(a.hi, b.hi);
    const Wide t = exactSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickSum(s.hi, s.lo);
}

// 1 / n! to about 106 bits (n <= 22, where n! is an exact double).
constexpr Wide reciprocalFactorial(int n)
{
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= static_cast<double>(i);
    const double q = 1.0 / f;
    const Wide e = exactProduct(q, f);
    const double r = (1.0 - e.hi) - e.lo; // 1 - q * f, exact up to the last step
    return quickSum(q, r / f);
}

// The series in y = x^2: cosine = sum (-1)^i y^i / (2i)!, sine / x =
// sum (-1)^i y^i / (2i + 1)!. Terms 0 .. wideTerms-1 are summed in double-
// double; on [0, pi/8) term 7 is below 2^-55 of the sum, so the tail (terms
// up to lastTerm, the last one above 2^-110) needs only doubles.
constexpr int wideTerms = 7;
constexpr int lastTerm = 13;

struct Series {
    std::array<Wide, wideTerms> wide{};
    std::array<double, lastTerm + 1> narrow{};
};

// The coefficients (-1)^i / (2i + offset)!, offset 0 for the cosine and 1 for
// the sine.
constexpr Series seriesOf(int offset)
{
    Series series;
    for (int i = 0; i <= lastTerm; ++i) {
        const double sign = i % 2 == 0 ? 1.0 : -1.0;
        const int n = 2 * i + offset;
        if (i < wideTerms) {
            const Wide c = reciprocalFactorial(n);
            series.wide[static_cast<std::size_t>(i)] = {sign * c.hi, sign * c.lo};
        } else {
            double f = 1.0;
            for (int j = 2; j <= n; ++j) f *= static_cast<double>(j);
            series.narrow[static_cast<std::size_t>(i)] = sign / f;
        }
    }
    return series;
}

constexpr Series cosineSeries = seriesOf(0);
constexpr Series sineSeries = seriesOf(1);

// Horner's rule in y: the tail in doubles, then the leading terms wide.
Wide sumSeries(const Series& series, Wide y)
{
    double tail = series.narrow[lastTerm];
    for (int i = lastTerm - 1; i >= wideTerms; --i) tail = tail * y.hi + series.narrow[static_cast<std::size_t>(i)];
    Wide sum{tail, 0.0};
    for (int i = wideTerms - 1; i >= 0; --i) sum = plus(times(sum, y), series.wide[static_cast<std::size_t>(i)]);
    return sum;
}

} // namespace

CosineSine twiddleCosineSine(double angle)
{
    const Wide y = exactProduct(angle, angle);
    const Wide cosine = sumSeries(cosineSeries, y);
    const Wide sine = times(sumSeries(sineSeries, y), angle);
    // Both sums are normalised: hi is hi + lo rounded to the nearest double.
    return {cosine.hi, sine.hi};
}

} // namespace calvorn::fft
