// The arithmetic of the radix-8 butterflies and of a pair's twiddle powers,
// on lanes of butterflies side by side: slot values in, slot values out, in
// place. Loading and storing the slots is the callers' business.
#pragma once

#include <cstddef>

#include "fft/butterfly_constants.h"
#include "fft/kernels/lanes.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// w_m = c[m] + i * s[m], m = 1..7 (index 0 unused), one pair per lane.
template <typename V>
struct LaneTwiddles {
    V c[8];
    V s[8];
};

// The higher powers from w_1 = c1 + i * s1 by the angle-addition recurrences;
// one cosine and one sine serve a whole pair.
template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> twiddlePowers(V c1, V s1)
{
    LaneTwiddles<V> w;
    w.c[1] = c1;
    w.s[1] = s1;
    w.c[2] = c1 * c1 - s1 * s1;
    w.s[2] = 2.0 * s1 * c1;
    w.c[3] = w.c[2] * c1 - s1 * w.s[2];
    w.s[3] = s1 * w.c[2] + c1 * w.s[2];
    w.c[4] = w.c[2] * w.c[2] - w.s[2] * w.s[2];
    w.s[4] = 2.0 * w.c[2] * w.s[2];
    w.c[5] = w.c[2] * w.c[3] - w.s[2] * w.s[3];
    w.s[5] = w.s[2] * w.c[3] + w.c[2] * w.s[3];
    w.c[6] = w.c[3] * w.c[3] - w.s[3] * w.s[3];
    w.s[6] = 2.0 * w.c[3] * w.s[3];
    w.c[7] = w.c[3] * w.c[4] - w.s[3] * w.s[4];
    w.s[7] = w.s[3] * w.c[4] + w.c[3] * w.s[4];
    return w;
}

// The conjugate twiddles of w: the same cosines, the sines negated. The
// recurrences above started from -s1 give exactly these, since every sine
// they form is a sum of products with one sine factor each and rounding is
// symmetric, as long as no sine comes out as exactly zero (a sum of zero
// would keep its sign there); the tests check that for every entry of the
// longest table.
template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> conjugated(const LaneTwiddles<V>& w)
{
    LaneTwiddles<V> v = w;
    for (std::size_t m = 1; m < 8; ++m) v.s[m] = -w.s[m];
    return v;
}

// The same twiddles in every lane.
template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> everyLane(const LaneTwiddles<double>& w)
{
    LaneTwiddles<V> v;
    for (std::size_t m = 1; m < 8; ++m) {
        v.c[m] = everyLane<V>(w.c[m]);
        v.s[m] = everyLane<V>(w.s[m]);
    }
    return v;
}

// Forward, group 0 of the very first pass: slots 4..7 (the upper half) are
// taken as zero and never read; all eight are written.
template <typename V>
[[gnu::always_inline]] inline void forwardFirstZeroUpper(V (&y)[8])
{
    const V b0 = y[0];
    const V b1 = y[1];
    const V b2 = y[2];
    const V b3 = y[3];
    const V e = b0 + b2;
    const V f = b1 + b3;
    const V pr = rootHalf * (b1 - b3);
    const V pq = rootHalf * f;
    y[0] = f + e;
    y[1] = e - f;
    y[2] = b0 - b2;
    y[3] = b1 - b3;
    y[4] = b0 + pr;
    y[6] = b0 - pr;
    y[7] = b2 + pq;
    y[5] = pq - b2;
}

// Forward, group 0: the real 8-point sums B_0, B_4 (real) and B_1..B_3.
template <typename V>
[[gnu::always_inline]] inline void forwardFirst(V (&y)[8])
{
    const V b0 = y[0];
    const V b1 = y[1];
    const V b2 = y[2];
    const V b3 = y[3];
    const V b4 = y[4];
    const V b5 = y[5];
    const V b6 = y[6];
    const V b7 = y[7];
    const V s04 = b0 + b4;
    const V d04 = b0 - b4;
    const V s26 = b2 + b6;
    const V d26 = b2 - b6;
    const V s15 = b1 + b5;
    const V d15 = b1 - b5;
    const V s37 = b3 + b7;
    const V d37 = b3 - b7;
    y[2] = s04 - s26;
    y[3] = s15 - s37;
    y[0] = (s04 + s26) + (s15 + s37);
    y[1] = (s04 + s26) - (s15 + s37);
    const V pr = rootHalf * (d15 - d37);
    const V pq = rootHalf * (d15 + d37);
    y[4] = d04 + pr;
    y[6] = d04 - pr;
    y[7] = d26 + pq;
    y[5] = pq - d26;
}

// Forward, group 1: the odd harmonics D_0..D_3 of a real group turned by half
// a step.
template <typename V>
[[gnu::always_inline]] inline void forwardSecond(V (&y)[8])
{
    const V b0 = y[0];
    const V b1 = y[1];
    const V b2 = y[2];
    const V b3 = y[3];
    const V b4 = y[4];
    const V b5 = y[5];
    const V b6 = y[6];
    const V b7 = y[7];
    const V u = rootHalf * (b3 + b7);
    const V vp = b5 + u;
    const V vm = b5 - u;
    const V p = rootHalf * (b3 - b7);
    const V e1p = b1 + p;
    const V e1m = b1 - p;
    const V q = rootHalf * (b2 - b6);
    const V e0p = b0 + q;
    const V e0m = b0 - q;
    const V r = rootHalf * (b2 + b6);
    const V e4p = b4 + r;
    const V e4m = b4 - r;
    const V h1 = e1p * cosPiOver8 - vp * sinPiOver8;
    y[0] = e0p + h1;
    y[6] = e0p - h1;
    const V h2 = vp * cosPiOver8 + e1p * sinPiOver8;
    y[7] = e4p + h2;
    y[1] = h2 - e4p;
    const V h3 = -e1m * sinPiOver8 - vm * cosPiOver8;
    y[2] = e0m + h3;
    y[4] = e0m - h3;
    const V h4 = e1m * cosPiOver8 - vm * sinPiOver8;
    y[5] = e4m + h4;
    y[3] = h4 - e4m;
}

// Forward, a twiddled pair: z_m = J_m + i*K_m is turned by w_m, then summed
// over 8 points.
template <typename V>
[[gnu::always_inline]] inline void forwardPair(V (&j)[8], V (&k)[8], const LaneTwiddles<V>& w)
{
    V tr[8];
    V ti[8];
    tr[0] = j[0];
    ti[0] = k[0];
    for (std::size_t m = 1; m < 8; ++m) {
        tr[m] = j[m] * w.c[m] - k[m] * w.s[m];
        ti[m] = j[m] * w.s[m] + k[m] * w.c[m];
    }
    const V e0 = tr[0] + tr[4];
    const V e1 = tr[0] - tr[4];
    const V e2 = tr[2] + tr[6];
    const V e3 = tr[2] - tr[6];
    const V f0 = ti[0] + ti[4];
    const V f1 = ti[0] - ti[4];
    const V f2 = ti[2] + ti[6];
    const V f3 = ti[2] - ti[6];
    const V g0 = tr[1] + tr[5];
    const V g1 = tr[1] - tr[5];
    const V g2 = tr[3] + tr[7];
    const V g3 = tr[3] - tr[7];
    const V h0 = ti[1] + ti[5];
    const V h1 = ti[1] - ti[5];
    const V h2 = ti[3] + ti[7];
    const V h3 = ti[3] - ti[7];

    j[0] = (e0 + e2) + (g0 + g2);
    k[6] = (e0 + e2) - (g0 + g2);
    k[7] = (f0 + f2) + (h0 + h2);
    j[1] = (h0 + h2) - (f0 + f2);

    j[2] = (e0 - e2) - (h0 - h2);
    k[4] = (e0 - e2) + (h0 - h2);
    k[5] = (f0 - f2) + (g0 - g2);
    j[3] = (g0 - g2) - (f0 - f2);

    const V pa = rootHalf * ((g1 - h3) - (g3 + h1));
    const V pb = rootHalf * ((g3 + h1) + (g1 - h3));
    j[4] = (e1 - f3) + pa;
    k[2] = (e1 - f3) - pa;
    k[3] = pb + (e3 + f1);
    j[5] = pb - (e3 + f1);

    const V pc = rootHalf * ((g1 + h3) + (h1 - g3));
    const V pd = rootHalf * ((g1 + h3) - (h1 - g3));
    j[6] = (e1 + f3) - pc;
    k[0] = (e1 + f3) + pc;
    k[1] = pd + (f1 - e3);
    j[7] = pd - (f1 - e3);
}

// Inverse, group 0: from B_0, B_4 and B_1..B_3 back to eight real values
// (times 8).
template <typename V>
[[gnu::always_inline]] inline void inverseFirst(V (&x)[8])
{
    const V y0 = x[0];
    const V y1 = x[1];
    const V y2 = x[2];
    const V y3 = x[3];
    const V y4 = x[4];
    const V y5 = x[5];
    const V y6 = x[6];
    const V y7 = x[7];
    const V t0 = y0 + y1;
    const V t1 = y0 - y1;
    const V t2 = 2.0 * y2;
    const V t3 = 2.0 * y3;
    const V t4 = y4 + y6;
    const V t5 = y7 - y5;
    const V pr = rootHalf * ((y7 + y5) + (y4 - y6));
    const V pq = rootHalf * ((y7 + y5) - (y4 - y6));
    const V u0 = t0 + t2;
    const V u1 = t1 + t3;
    const V w2 = t0 - t2;
    const V w3 = t1 - t3;
    x[0] = u0 + 2.0 * t4;
    x[4] = u0 - 2.0 * t4;
    x[1] = u1 + 2.0 * pr;
    x[5] = u1 - 2.0 * pr;
    x[2] = w2 + 2.0 * t5;
    x[6] = w2 - 2.0 * t5;
    x[3] = w3 + 2.0 * pq;
    x[7] = w3 - 2.0 * pq;
}

// Inverse, group 1: from the odd harmonics D_0..D_3 back to eight real values
// (times 8).
template <typename V>
[[gnu::always_inline]] inline void inverseSecond(V (&x)[8])
{
    const V y0 = x[0];
    const V y1 = x[1];
    const V y2 = x[2];
    const V y3 = x[3];
    const V y4 = x[4];
    const V y5 = x[5];
    const V y6 = x[6];
    const V y7 = x[7];
    const V g0 = y0 + y6;
    const V g1 = y7 - y1;
    const V g2 = y0 - y6;
    const V g3 = y7 + y1;
    const V g4 = y2 + y4;
    const V g5 = y5 - y3;
    const V g6 = y2 - y4;
    const V g7 = y5 + y3;
    const V h0 = g3 * sinPiOver8 + g2 * cosPiOver8;
    const V h1 = g3 * cosPiOver8 - g2 * sinPiOver8;
    const V h2 = g7 * cosPiOver8 - g6 * sinPiOver8;
    const V h3 = -g7 * sinPiOver8 - g6 * cosPiOver8;
    x[0] = 2.0 * (g0 + g4);
    x[4] = 2.0 * (g1 + g5);
    x[1] = 2.0 * (h0 + h2);
    x[5] = 2.0 * (h1 + h3);
    x[2] = rootTwo * ((g1 - g5) + (g0 - g4));
    x[6] = rootTwo * ((g1 - g5) - (g0 - g4));
    x[3] = rootTwo * ((h1 - h3) + (h0 - h2));
    x[7] = rootTwo * ((h1 - h3) - (h0 - h2));
}

// Inverse, a twiddled pair: the 8-point sums with the negative exponent of
// the A_q read from the 16 slots, then each result m turned by w_m (the
// caller passes the conjugate twiddles).
template <typename V>
[[gnu::always_inline]] inline void inversePair(V (&j)[8], V (&k)[8], const LaneTwiddles<V>& w)
{
    const V a = j[0] + k[6];
    const V b = j[0] - k[6];
    const V c = j[2] + k[4];
    const V d = k[4] - j[2];
    const V e = k[7] - j[1];
    const V f = k[7] + j[1];
    const V g = k[5] - j[3];
    const V h = k[5] + j[3];
    const V p1 = j[4] + k[2];
    const V p2 = k[3] - j[5];
    const V p3 = rootHalf * ((k[3] + j[5]) + (j[4] - k[2]));
    const V p4 = rootHalf * ((k[3] + j[5]) - (j[4] - k[2]));
    const V q1 = j[6] + k[0];
    const V q2 = k[1] - j[7];
    const V q3 = -rootHalf * ((j[6] - k[0]) - (k[1] + j[7]));
    const V q4 = -rootHalf * ((k[1] + j[7]) + (j[6] - k[0]));

    V xs[8];
    V ys[8];
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
        j[m] = xs[m] * w.c[m] - ys[m] * w.s[m];
        k[m] = xs[m] * w.s[m] + ys[m] * w.c[m];
    }
}

} // namespace
} // namespace calvorn::fft
