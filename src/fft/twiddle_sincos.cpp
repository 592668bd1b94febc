// Correctly rounded cosine and sine on [0, pi/8) from the Taylor series,
// summed in double-double arithmetic: every value a pair hi + lo of doubles,
// the exact products and sums formed by Dekker's and Knuth's error-free steps
// (no fused multiply-add). The series' leading terms are summed with about
// 104 bits, the small tail with 53, which leaves the sum within about 2^-100
// of the exact value; its high part after normalising is the nearest double.
#include "fft/twiddle_sincos.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace calvorn::fft {

namespace {

// The arithmetic below is written for T = double and for T = a GCC vector
// of doubles: the same IEEE operations element by element, so a batch of
// angles gives the very bits that one angle at a time gives.
template <typename T>
struct Wide {
    T hi;
    T lo;
};

// a + b exactly, given |a| >= |b| (or a == 0).
template <typename T>
constexpr Wide<T> quickSum(T a, T b)
{
    const T s = a + b;
    return {s, b - (s - a)};
}

// a + b exactly, for any a and b.
template <typename T>
constexpr Wide<T> exactSum(T a, T b)
{
    const T s = a + b;
    const T bPart = s - a;
    return {s, (a - (s - bPart)) + (b - bPart)};
}

// a as hi + lo with at most 26 significant bits in each, so that products of
// the halves are exact.
template <typename T>
constexpr Wide<T> halves(T a)
{
    const T c = 134217729.0 * a; // 2^27 + 1
    const T hi = c - (c - a);
    return {hi, a - hi};
}

// a * b exactly.
template <typename T>
constexpr Wide<T> exactProduct(T a, T b)
{
    const T p = a * b;
    const Wide<T> x = halves(a);
    const Wide<T> y = halves(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

template <typename T>
constexpr Wide<T> times(Wide<T> a, Wide<T> b)
{
    Wide<T> p = exactProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickSum(p.hi, p.lo);
}

template <typename T>
constexpr Wide<T> times(Wide<T> a, T b)
{
    Wide<T> p = exactProduct(a.hi, b);
    p.lo += a.lo * b;
    return quickSum(p.hi, p.lo);
}

template <typename T>
constexpr Wide<T> plus(Wide<T> a, Wide<T> b)
{
    Wide<T> s = exactSum(a.hi, b.hi);
    const Wide<T> t = exactSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickSum(s.hi, s.lo);
}

// 1 / n! to about 106 bits (n <= 22, where n! is an exact double).
constexpr Wide<double> reciprocalFactorial(int n)
{
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= static_cast<double>(i);
    const double q = 1.0 / f;
    const Wide<double> e = exactProduct(q, f);
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
    std::array<Wide<double>, wideTerms> wide{};
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
            const Wide<double> c = reciprocalFactorial(n);
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

// x in every element of T (exactly: 0 + x is x for every x but -0).
template <typename T>
constexpr T splat(double x)
{
    return T{} + x;
}

// Horner's rule in y: the tail in doubles, then the leading terms wide.
template <typename T>
Wide<T> sumSeries(const Series& series, Wide<T> y)
{
    T tail = splat<T>(series.narrow[lastTerm]);
    for (int i = lastTerm - 1; i >= wideTerms; --i) tail = tail * y.hi + series.narrow[static_cast<std::size_t>(i)];
    Wide<T> sum{tail, splat<T>(0.0)};
    for (int i = wideTerms - 1; i >= 0; --i) {
        const Wide<double> c = series.wide[static_cast<std::size_t>(i)];
        sum = plus(times(sum, y), Wide<T>{splat<T>(c.hi), splat<T>(c.lo)});
    }
    return sum;
}

// Both sums come out normalised: hi is hi + lo rounded to the nearest double.
template <typename T>
void cosineAndSine(T angle, T& cosine, T& sine)
{
    const Wide<T> y = exactProduct(angle, angle);
    cosine = sumSeries(cosineSeries, y).hi;
    sine = times(sumSeries(sineSeries, y), angle).hi;
}

#if defined(__GNUC__)
// Eight angles at a time, lowered to whatever vector unit the build targets:
// eight independent evaluations keep the arithmetic units busy.
typedef double Batch __attribute__((vector_size(64)));
constexpr std::size_t batchLength = sizeof(Batch) / sizeof(double);
#endif

} // namespace

CosineSine twiddleCosineSine(double angle)
{
    CosineSine w;
    cosineAndSine(angle, w.cosine, w.sine);
    return w;
}

void twiddleCosinesSines(std::span<const double> angles, std::span<double> cosines, std::span<double> sines)
{
    std::size_t i = 0;
#if defined(__GNUC__)
    for (; i + batchLength <= angles.size(); i += batchLength) {
        Batch angle;
        std::memcpy(&angle, angles.data() + i, sizeof angle);
        Batch cosine;
        Batch sine;
        cosineAndSine(angle, cosine, sine);
        std::memcpy(cosines.data() + i, &cosine, sizeof cosine);
        std::memcpy(sines.data() + i, &sine, sizeof sine);
    }
#endif
    for (; i < angles.size(); ++i) cosineAndSine(angles[i], cosines[i], sines[i]);
}

} // namespace calvorn::fft
