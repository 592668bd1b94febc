// The inverse radix-8 pass: 8 times the inverse of the general forward pass,
// the 8-point sums first and the conjugate twiddles after.
#include <cstddef>

#include "fft/reference/radix8_passes.h"
#include "fft/reference/twiddle_walk.h"

namespace calvorn::reference {

namespace {

// The fixed rotations of the butterflies, this pass's own copy.
constexpr double rootHalf = 0.7071067811865476;   // cos(pi/4)
constexpr double cosPiOver8 = 0.9238795325112867; // cos(pi/8)
constexpr double sinPiOver8 = 0.3826834323650898; // sin(pi/8)
constexpr double rootTwo = 1.4142135623730951;    // sqrt(2)

// Group 0: from B_0, B_4 and B_1..B_3 back to eight real values (times 8).
void inverseFirstGroup(double* group, std::size_t stride)
{
    for (std::size_t t = 0; t < stride; ++t) {
        double* const x = group + t;
        const double y0 = x[0];
        const double y1 = x[stride];
        const double y2 = x[2 * stride];
        const double y3 = x[3 * stride];
        const double y4 = x[4 * stride];
        const double y5 = x[5 * stride];
        const double y6 = x[6 * stride];
        const double y7 = x[7 * stride];
        const double t0 = y0 + y1;
        const double t1 = y0 - y1;
        const double t2 = 2.0 * y2;
        const double t3 = 2.0 * y3;
        const double t4 = y4 + y6;
        const double t5 = y7 - y5;
        const double pr = rootHalf * ((y7 + y5) + (y4 - y6));
        const double pq = rootHalf * ((y7 + y5) - (y4 - y6));
        const double u0 = t0 + t2;
        const double u1 = t1 + t3;
        const double w2 = t0 - t2;
        const double w3 = t1 - t3;
        x[0] = u0 + 2.0 * t4;
        x[4 * stride] = u0 - 2.0 * t4;
        x[stride] = u1 + 2.0 * pr;
        x[5 * stride] = u1 - 2.0 * pr;
        x[2 * stride] = w2 + 2.0 * t5;
        x[6 * stride] = w2 - 2.0 * t5;
        x[3 * stride] = w3 + 2.0 * pq;
        x[7 * stride] = w3 - 2.0 * pq;
    }
}

// Group 1: from the odd harmonics D_0..D_3 back to eight real values (times 8).
void inverseSecondGroup(double* group, std::size_t stride)
{
    for (std::size_t t = 0; t < stride; ++t) {
        double* const x = group + t;
        const double y0 = x[0];
        const double y1 = x[stride];
        const double y2 = x[2 * stride];
        const double y3 = x[3 * stride];
        const double y4 = x[4 * stride];
        const double y5 = x[5 * stride];
        const double y6 = x[6 * stride];
        const double y7 = x[7 * stride];
        const double g0 = y0 + y6;
        const double g1 = y7 - y1;
        const double g2 = y0 - y6;
        const double g3 = y7 + y1;
        const double g4 = y2 + y4;
        const double g5 = y5 - y3;
        const double g6 = y2 - y4;
        const double g7 = y5 + y3;
        const double h0 = g3 * sinPiOver8 + g2 * cosPiOver8;
        const double h1 = g3 * cosPiOver8 - g2 * sinPiOver8;
        const double h2 = g7 * cosPiOver8 - g6 * sinPiOver8;
        const double h3 = -g7 * sinPiOver8 - g6 * cosPiOver8;
        x[0] = 2.0 * (g0 + g4);
        x[4 * stride] = 2.0 * (g1 + g5);
        x[stride] = 2.0 * (h0 + h2);
        x[5 * stride] = 2.0 * (h1 + h3);
        x[2 * stride] = rootTwo * ((g1 - g5) + (g0 - g4));
        x[6 * stride] = rootTwo * ((g1 - g5) - (g0 - g4));
        x[3 * stride] = rootTwo * ((h1 - h3) + (h0 - h2));
        x[7 * stride] = rootTwo * ((h1 - h3) - (h0 - h2));
    }
}

// A twiddled pair: the 8-point sums with the negative exponent of the A_q read
// from the 16 slots, then each result m turned by w_m (here conjugated).
void inverseTwiddledPair(double* groupJ, double* groupK, std::size_t stride, const PairTwiddles& w)
{
    for (std::size_t t = 0; t < stride; ++t) {
        double* const j = groupJ + t;
        double* const k = groupK + t;
        const double j0 = j[0];
        const double j1 = j[stride];
        const double j2 = j[2 * stride];
        const double j3 = j[3 * stride];
        const double j4 = j[4 * stride];
        const double j5 = j[5 * stride];
        const double j6 = j[6 * stride];
        const double j7 = j[7 * stride];
        const double k0 = k[0];
        const double k1 = k[stride];
        const double k2 = k[2 * stride];
        const double k3 = k[3 * stride];
        const double k4 = k[4 * stride];
        const double k5 = k[5 * stride];
        const double k6 = k[6 * stride];
        const double k7 = k[7 * stride];

        const double a = j0 + k6;
        const double b = j0 - k6;
        const double c = j2 + k4;
        const double d = k4 - j2;
        const double e = k7 - j1;
        const double f = k7 + j1;
        const double g = k5 - j3;
        const double h = k5 + j3;
        const double p1 = j4 + k2;
        const double p2 = k3 - j5;
        const double p3 = rootHalf * ((k3 + j5) + (j4 - k2));
        const double p4 = rootHalf * ((k3 + j5) - (j4 - k2));
        const double q1 = j6 + k0;
        const double q2 = k1 - j7;
        const double q3 = -rootHalf * ((j6 - k0) - (k1 + j7));
        const double q4 = -rootHalf * ((k1 + j7) + (j6 - k0));

        double xs[8];
        double ys[8];
        xs[0] = (a + c) + (p1 + q1);
        ys[0] = (e + g) + (p2 + q2);
        xs[4] = (a + c) - (p1 + q1);
        ys[4] = (e + g) - (p2 + q2);
        xs[1] = (b + h) + (p3 + q3);
        ys[1] = (f + d) + (p4 + q4);
        xs[5] = (b + h) - (p3 + q3);
        ys[5] = (f + d) - (p4 + q4);
        xs[2] = (a - c) + (p2 - q2);
        ys[2] = (e - g) + (q1 - p1);
        xs[6] = (a - c) - (p2 - q2);
        ys[6] = (e - g) - (q1 - p1);
        xs[3] = (b - h) + (p4 - q4);
        ys[3] = (f - d) + (q3 - p3);
        xs[7] = (b - h) - (p4 - q4);
        ys[7] = (f - d) - (q3 - p3);

        j[0] = xs[0];
        k[0] = ys[0];
        for (std::size_t m = 1; m < 8; ++m) {
            j[m * stride] = xs[m] * w.c[m] - ys[m] * w.s[m];
            k[m * stride] = xs[m] * w.s[m] + ys[m] * w.c[m];
        }
    }
}

} // namespace

void inverseRadix8Pass(std::int32_t stride, std::int32_t span, std::span<double> x)
{
    const std::size_t n = static_cast<std::size_t>(stride);
    const std::size_t groupLength = 8 * n;
    double* const data = x.first(n * static_cast<std::size_t>(span)).data();

    inverseFirstGroup(data, n);
    if (span > 8) inverseSecondGroup(data + groupLength, n);

    for (std::size_t pairNumber = 1; pairNumber < static_cast<std::size_t>(span) / 16; ++pairNumber) {
        const PairOfPass pair = pairOfPass(span, pairNumber);
        inverseTwiddledPair(data + pair.evenGroup * groupLength, data + pair.oddGroup * groupLength, n,
                            pairTwiddles(pair.angle, true));
    }
}

} // namespace calvorn::reference
