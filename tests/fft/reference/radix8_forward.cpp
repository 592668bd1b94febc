// The forward radix-8 pass: real butterflies for groups 0 and 1, complex
// butterflies (twiddle first, then the 8-point sum) for the twiddled pairs.
#include <cstddef>

#include "fft/reference/radix8_passes.h"
#include "fft/reference/twiddle_walk.h"

namespace calvorn::reference {

namespace {

// The fixed rotations of the butterflies, this pass's own copy.
constexpr double rootHalf = 0.7071067811865476;   // cos(pi/4)
constexpr double cosPiOver8 = 0.9238795325112867; // cos(pi/8)
constexpr double sinPiOver8 = 0.3826834323650898; // sin(pi/8)

// Group 0 when the upper half is zero (first pass, span 8): slots 4..7 are
// neither read nor assumed to hold anything; all eight are written.
void forwardFirstGroupZeroUpper(double* group, std::size_t stride)
{
    for (std::size_t t = 0; t < stride; ++t) {
        double* const y = group + t;
        const double b0 = y[0];
        const double b1 = y[stride];
        const double b2 = y[2 * stride];
        const double b3 = y[3 * stride];
        const double e = b0 + b2;
        const double f = b1 + b3;
        const double pr = rootHalf * (b1 - b3);
        const double pq = rootHalf * f;
        y[0] = f + e;
        y[stride] = e - f;
        y[2 * stride] = b0 - b2;
        y[3 * stride] = b1 - b3;
        y[4 * stride] = b0 + pr;
        y[6 * stride] = b0 - pr;
        y[7 * stride] = b2 + pq;
        y[5 * stride] = pq - b2;
    }
}

// Group 0: the real 8-point sums B_0, B_4 (real) and B_1..B_3 (complex).
void forwardFirstGroup(double* group, std::size_t stride)
{
    for (std::size_t t = 0; t < stride; ++t) {
        double* const y = group + t;
        const double b0 = y[0];
        const double b1 = y[stride];
        const double b2 = y[2 * stride];
        const double b3 = y[3 * stride];
        const double b4 = y[4 * stride];
        const double b5 = y[5 * stride];
        const double b6 = y[6 * stride];
        const double b7 = y[7 * stride];
        const double s04 = b0 + b4;
        const double d04 = b0 - b4;
        const double s26 = b2 + b6;
        const double d26 = b2 - b6;
        const double s15 = b1 + b5;
        const double d15 = b1 - b5;
        const double s37 = b3 + b7;
        const double d37 = b3 - b7;
        y[2 * stride] = s04 - s26;
        y[3 * stride] = s15 - s37;
        y[0] = (s04 + s26) + (s15 + s37);
        y[stride] = (s04 + s26) - (s15 + s37);
        const double pr = rootHalf * (d15 - d37);
        const double pq = rootHalf * (d15 + d37);
        y[4 * stride] = d04 + pr;
        y[6 * stride] = d04 - pr;
        y[7 * stride] = d26 + pq;
        y[5 * stride] = pq - d26;
    }
}

// Group 1: the odd harmonics D_0..D_3 of a real group turned by half a step.
void forwardSecondGroup(double* group, std::size_t stride)
{
    for (std::size_t t = 0; t < stride; ++t) {
        double* const y = group + t;
        const double b0 = y[0];
        const double b1 = y[stride];
        const double b2 = y[2 * stride];
        const double b3 = y[3 * stride];
        const double b4 = y[4 * stride];
        const double b5 = y[5 * stride];
        const double b6 = y[6 * stride];
        const double b7 = y[7 * stride];
        const double u = rootHalf * (b3 + b7);
        const double vp = b5 + u;
        const double vm = b5 - u;
        const double p = rootHalf * (b3 - b7);
        const double e1p = b1 + p;
        const double e1m = b1 - p;
        const double q = rootHalf * (b2 - b6);
        const double e0p = b0 + q;
        const double e0m = b0 - q;
        const double r = rootHalf * (b2 + b6);
        const double e4p = b4 + r;
        const double e4m = b4 - r;
        const double h1 = e1p * cosPiOver8 - vp * sinPiOver8;
        y[0] = e0p + h1;
        y[6 * stride] = e0p - h1;
        const double h2 = vp * cosPiOver8 + e1p * sinPiOver8;
        y[7 * stride] = e4p + h2;
        y[stride] = h2 - e4p;
        const double h3 = -e1m * sinPiOver8 - vm * cosPiOver8;
        y[2 * stride] = e0m + h3;
        y[4 * stride] = e0m - h3;
        const double h4 = e1m * cosPiOver8 - vm * sinPiOver8;
        y[5 * stride] = e4m + h4;
        y[3 * stride] = h4 - e4m;
    }
}

// A twiddled pair: z_m = J_m + i*K_m is turned by w_m, then summed over 8 points.
void forwardTwiddledPair(double* groupJ, double* groupK, std::size_t stride, const PairTwiddles& w)
{
    for (std::size_t t = 0; t < stride; ++t) {
        double* const j = groupJ + t;
        double* const k = groupK + t;
        double tr[8];
        double ti[8];
        tr[0] = j[0];
        ti[0] = k[0];
        for (std::size_t m = 1; m < 8; ++m) {
            const double jm = j[m * stride];
            const double km = k[m * stride];
            tr[m] = jm * w.c[m] - km * w.s[m];
            ti[m] = jm * w.s[m] + km * w.c[m];
        }
        const double e0 = tr[0] + tr[4];
        const double e1 = tr[0] - tr[4];
        const double e2 = tr[2] + tr[6];
        const double e3 = tr[2] - tr[6];
        const double f0 = ti[0] + ti[4];
        const double f1 = ti[0] - ti[4];
        const double f2 = ti[2] + ti[6];
        const double f3 = ti[2] - ti[6];
        const double g0 = tr[1] + tr[5];
        const double g1 = tr[1] - tr[5];
        const double g2 = tr[3] + tr[7];
        const double g3 = tr[3] - tr[7];
        const double h0 = ti[1] + ti[5];
        const double h1 = ti[1] - ti[5];
        const double h2 = ti[3] + ti[7];
        const double h3 = ti[3] - ti[7];

        j[0] = (e0 + e2) + (g0 + g2);
        k[6 * stride] = (e0 + e2) - (g0 + g2);
        k[7 * stride] = (f0 + f2) + (h0 + h2);
        j[stride] = (h0 + h2) - (f0 + f2);

        j[2 * stride] = (e0 - e2) - (h0 - h2);
        k[4 * stride] = (e0 - e2) + (h0 - h2);
        k[5 * stride] = (f0 - f2) + (g0 - g2);
        j[3 * stride] = (g0 - g2) - (f0 - f2);

        const double pa = rootHalf * ((g1 - h3) - (g3 + h1));
        const double pb = rootHalf * ((g3 + h1) + (g1 - h3));
        j[4 * stride] = (e1 - f3) + pa;
        k[2 * stride] = (e1 - f3) - pa;
        k[3 * stride] = pb + (e3 + f1);
        j[5 * stride] = pb - (e3 + f1);

        const double pc = rootHalf * ((g1 + h3) + (h1 - g3));
        const double pd = rootHalf * ((g1 + h3) - (h1 - g3));
        j[6 * stride] = (e1 + f3) - pc;
        k[0] = (e1 + f3) + pc;
        k[stride] = pd + (f1 - e3);
        j[7 * stride] = pd - (f1 - e3);
    }
}

} // namespace

void forwardRadix8Pass(std::int32_t stride, std::int32_t span, std::span<double> x)
{
    const std::size_t n = static_cast<std::size_t>(stride);
    const std::size_t groupLength = 8 * n;
    double* const data = x.first(n * static_cast<std::size_t>(span)).data();

    if (span == 8) {
        forwardFirstGroupZeroUpper(data, n);
    } else {
        forwardFirstGroup(data, n);
        forwardSecondGroup(data + groupLength, n);
    }

    for (std::size_t pairNumber = 1; pairNumber < static_cast<std::size_t>(span) / 16; ++pairNumber) {
        const PairOfPass pair = pairOfPass(span, pairNumber);
        forwardTwiddledPair(data + pair.evenGroup * groupLength, data + pair.oddGroup * groupLength, n,
                            pairTwiddles(pair.angle, false));
    }
}

} // namespace calvorn::reference
