// The element-wise product of two spectra inside the pass tree: at every
// leaf, between the last forward pass and the first inverse one, while the
// leaf is in registers or in the nearest cache. The spectra are in the
// products' pair order, where position p of one is position p of the other;
// pair 0 (elements 0 and 1) holds the two real terms. Each value gets the
// operations of the products' pointwise kernels, so the results are the same
// to the bit as forward transform, pointwise product and inverse in turn.
// Templates on the lane type; instantiated once per instruction set.
#pragma once

#include <cstddef>

#include "fft/kernels/butterflies.h"
#include "fft/kernels/lanes.h"
#include "fft/kernels/tree_leaves.h"
#include "fft/kernels/tree_twiddles.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// The other factor of a product: the spectrum whose position p is `other +
// (p - base)`, or none for a square.
struct OtherFactor {
    const double* base = nullptr;  // the array being transformed
    const double* other = nullptr; // the other spectrum, or null for a square

    const double* at(const double* p) const { return other + (p - base); }
};

// A product left as it was rounded. GCC's vectorizer turns the real and
// imaginary parts of a complex product written with single doubles into one
// fused multiply-add-subtract where the instruction set has it (AVX-512),
// whatever -ffp-contract says; an empty asm that holds the product in a
// register keeps every product rounded before it is added.
template <typename V>
[[gnu::always_inline]] inline V rounded(V product)
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    if constexpr (laneCount<V> == 1) __asm__("" : "+x"(product));
#endif
    return product;
}

// One complex value (re, im) times the other factor's (or squared), with the
// operations of pointwiseProduct and pointwiseSquare.
template <typename V>
[[gnu::always_inline]] inline void multiplyComplex(V& re, V& im, const V* otherRe, const V* otherIm)
{
    const V br = re;
    const V bi = im;
    if (otherRe == nullptr) {
        re = rounded(br * br) - rounded(bi * bi);
        im = rounded(br * bi) * 2.0;
    } else {
        const V ar = *otherRe;
        const V ai = *otherIm;
        re = rounded(ar * br) - rounded(ai * bi);
        im = rounded(ar * bi) + rounded(br * ai);
    }
}

// Eight neighbours x[0 .. 8) of the spectrum (four complex values, or the two
// real terms and three complex values when x starts the array).
inline void multiplyLeaf(double* x, const OtherFactor& factor)
{
    const double* a = factor.other != nullptr ? factor.at(x) : nullptr;
    std::size_t m = 0;
    if (x == factor.base) {
        for (; m < 2; ++m) x[m] = a != nullptr ? a[m] * x[m] : x[m] * x[m];
    }
    for (; m < 8; m += 2) {
        if (a != nullptr) {
            multiplyComplex<double>(x[m], x[m + 1], a + m, a + m + 1);
        } else {
            multiplyComplex<double>(x[m], x[m + 1], nullptr, nullptr);
        }
    }
}

// A leaf pair per lane through the forward pass, into the slots as the
// forward leaves store them: a[m] holds J row neighbour m, b[m] K row
// neighbour m (a complex value is slots m and m + 1 of one lane).
// The twiddles w are the lanes' pairs' (forwardTwiddlesPerLane).
template <typename V>
[[gnu::always_inline]] inline void forwardLeafSlots(double* const* jRows, double* const* kRows,
                                                    const LaneTwiddles<V>& w, V (&a)[8], V (&b)[8])
{
    V j[8];
    V k[8];
    rowsToSlots<V>(jRows, j);
    rowsToSlots<V>(kRows, k);
    forwardPair(j, k, w);
    const V toA[8] = {j[0], k[7], j[2], k[5], j[4], k[3], j[6], k[1]};
    const V toB[8] = {k[0], j[7], k[2], j[5], k[4], j[3], k[6], j[1]};
    for (std::size_t m = 0; m < 8; ++m) {
        a[m] = toA[m];
        b[m] = toB[m];
    }
}

// And back: the inverse pass of such slots (conjugate twiddles w), stored
// to the rows.
template <typename V>
[[gnu::always_inline]] inline void inverseLeafSlots(const V (&a)[8], const V (&b)[8], const LaneTwiddles<V>& w,
                                                    double* const* jRows, double* const* kRows)
{
    V j[8] = {a[0], b[7], a[2], b[5], a[4], b[3], a[6], b[1]};
    V k[8] = {b[0], a[7], b[2], a[5], b[4], a[3], b[6], a[1]};
    inversePair(j, k, w);
    slotsToRows<V>(j, jRows);
    slotsToRows<V>(k, kRows);
}

// A leaf pair per lane, as forwardLeafPairs and then inverseLeafPairs, with
// the product in between done on the slots.
template <typename V>
[[gnu::always_inline]] inline void productLeafPairs(const TransformPlan& plan, double* const* jRows,
                                                    double* const* kRows, const std::size_t* pairs,
                                                    const OtherFactor& factor)
{
    V a[8];
    V b[8];
    const LaneTwiddles<V> w = forwardTwiddlesPerLane<V>(plan, pairs);
    forwardLeafSlots<V>(jRows, kRows, w, a, b);
    if (factor.other != nullptr) {
        double* otherJ[laneCount<V>];
        double* otherK[laneCount<V>];
        for (std::size_t l = 0; l < laneCount<V>; ++l) {
            // Only read through these.
            otherJ[l] = const_cast<double*>(factor.at(jRows[l]));
            otherK[l] = const_cast<double*>(factor.at(kRows[l]));
        }
        V oa[8];
        V ob[8];
        rowsToSlots<V>(otherJ, oa);
        rowsToSlots<V>(otherK, ob);
        for (std::size_t m = 0; m < 8; m += 2) {
            multiplyComplex<V>(a[m], a[m + 1], &oa[m], &oa[m + 1]);
            multiplyComplex<V>(b[m], b[m + 1], &ob[m], &ob[m + 1]);
        }
    } else {
        for (std::size_t m = 0; m < 8; m += 2) {
            multiplyComplex<V>(a[m], a[m + 1], nullptr, nullptr);
            multiplyComplex<V>(b[m], b[m + 1], nullptr, nullptr);
        }
    }
    inverseLeafSlots<V>(a, b, conjugated(w), jRows, kRows);
}

// A leaf pair per lane for the square that keeps its spectrum: the forward
// results stay in the rows (as forwardLeafPairs leaves them), the square
// goes back through the inverse pass into the rows `back` doubles further on.
template <typename V>
[[gnu::always_inline]] inline void squareKeepLeafPairs(const TransformPlan& plan, double* const* jRows,
                                                       double* const* kRows, const std::size_t* pairs,
                                                       std::ptrdiff_t back)
{
    V a[8];
    V b[8];
    const LaneTwiddles<V> w = forwardTwiddlesPerLane<V>(plan, pairs);
    forwardLeafSlots<V>(jRows, kRows, w, a, b);
    slotsToRows<V>(a, jRows);
    slotsToRows<V>(b, kRows);
    for (std::size_t m = 0; m < 8; m += 2) {
        multiplyComplex<V>(a[m], a[m + 1], nullptr, nullptr);
        multiplyComplex<V>(b[m], b[m + 1], nullptr, nullptr);
    }
    double* jBackRows[laneCount<V>];
    double* kBackRows[laneCount<V>];
    for (std::size_t l = 0; l < laneCount<V>; ++l) {
        jBackRows[l] = jRows[l] + back;
        kBackRows[l] = kRows[l] + back;
    }
    inverseLeafSlots<V>(a, b, conjugated(w), jBackRows, kBackRows);
}

} // namespace
} // namespace calvorn::fft
