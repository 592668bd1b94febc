// The last store of a product's inverse transform, with the rounding to whole
// numbers done on the way (see fft/fused_rounding.h), and the plain store it
// replaces. Templates on the lane type; instantiated once per instruction set.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "fft/fused_rounding.h"
#include "fft/kernels/lanes.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

// The plain last store: the value as computed.
template <typename V>
struct PlainFinish {
    [[gnu::always_inline]] void operator()(double* p, V value) const { storeLanes(p, value); }
};

// The 64-bit patterns of the lanes of V, and a lane mask of comparisons.
template <typename V>
struct LaneBitsOf {
    typedef unsigned long long Bits __attribute__((vector_size(sizeof(V))));
    typedef long long Mask __attribute__((vector_size(sizeof(V))));
};
template <>
struct LaneBitsOf<double> {
    using Bits = std::uint64_t;
    using Mask = bool;
};

// The last store with the rounding: value by value the nearest whole number
// (halves away from zero), its distance, the check against the limit and the
// bit pattern for the fingerprint; the rounded value is written where it is
// kept, the computed one elsewhere.
//
// The whole number of |value| is (|value| + 1.5 * 2^52) - 1.5 * 2^52. Below
// 2^51 that is the nearest one, ties to even where halves go away from zero;
// but a value at (or within rounding of) a half fails the check either way.
// From 2^51 on both sums are whole numbers, so the result is a whole number
// that passes the check only if it is the nearest. So on every value that
// passes, the result is the separate rounding's, and -0.0 comes out as
// there too: +0.0 from -0.0 itself, -0.0 from small negative values.
template <typename V>
class RoundingFinish {
public:
    using Bits = typename LaneBitsOf<V>::Bits;
    using Mask = typename LaneBitsOf<V>::Mask;

    RoundingFinish(const double* base, const FusedRounding& rounding)
        : base_(base), kept_(rounding.kept), limit_(everyLane<V>(rounding.squaredLimit)), widest_(everyLane<V>(0.0))
    {
        if constexpr (laneCount<V> == 1) {
            passed_ = true;
            sums_ = 0;
        } else {
            for (std::size_t l = 0; l < laneCount<V>; ++l) {
                passed_[l] = -1;
                sums_[l] = 0;
            }
        }
    }

    [[gnu::always_inline]] void operator()(double* p, V value)
    {
        const V zero = everyLane<V>(0.0);
        const V shift = everyLane<V>(6755399441055744.0); // 1.5 * 2^52
        const V magnitude = value < zero ? -value : value;
        const V whole = (magnitude + shift) - shift;
        const V rounded = value < zero ? -whole : whole;
        const V distance = value - rounded;
        const V size = distance < zero ? -distance : distance;
        if constexpr (laneCount<V> == 1) {
            passed_ = passed_ && distance * distance < limit_;
        } else {
            passed_ &= (Mask)(distance * distance < limit_);
        }
        widest_ = size > widest_ ? size : widest_;
        sums_ += std::bit_cast<Bits>(value);
        const auto index = static_cast<std::size_t>(p - base_);
        if (index + laneCount<V> <= kept_) {
            storeLanes(p, rounded);
        } else if (index >= kept_) {
            storeLanes(p, value);
        } else {
            if constexpr (laneCount<V> > 1) {
                for (std::size_t l = 0; l < laneCount<V>; ++l) p[l] = index + l < kept_ ? rounded[l] : value[l];
            }
        }
    }

    // The findings over every value stored, into `rounding`.
    void report(FusedRounding& rounding) const
    {
        double largest = 0.0;
        std::uint64_t fingerprint = 0;
        bool exact = true;
        if constexpr (laneCount<V> == 1) {
            largest = widest_;
            fingerprint = sums_;
            exact = passed_;
        } else {
            for (std::size_t l = 0; l < laneCount<V>; ++l) {
                if (widest_[l] > largest) largest = widest_[l];
                fingerprint += sums_[l];
                exact = exact && passed_[l] == -1;
            }
        }
        rounding.exact = exact;
        rounding.largest = largest;
        rounding.fingerprint = fingerprint;
    }

private:
    const double* base_;
    std::size_t kept_;
    V limit_;
    V widest_;
    Mask passed_;
    Bits sums_;
};

} // namespace
} // namespace calvorn::fft
