// The twiddles of a transform's pairs from its plan: w_1 of pair j is entry j
// of the plan's table, the higher powers follow by the recurrences.
// Pure helpers; templates on the lane type, one copy per instruction set.
#pragma once

#include <cstddef>

#include "fft/kernels/butterflies.h"
#include "fft/kernels/lanes.h"
#include "fft/transform_plan.h"

namespace calvorn::fft {
namespace { // one copy per instruction set, see lanes.h

template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> forwardTwiddles(const TransformPlan& plan, std::size_t pair)
{
    return twiddlePowers<V>(everyLane<V>(plan.cosines[pair]), everyLane<V>(plan.sines[pair]));
}

// Conjugate twiddles: the recurrences started from -sin give -sin(m * angle).
template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> inverseTwiddles(const TransformPlan& plan, std::size_t pair)
{
    return twiddlePowers<V>(everyLane<V>(plan.cosines[pair]), everyLane<V>(-plan.sines[pair]));
}

// The twiddles of one pair per lane, lane l turning by pair pairs[l].
template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> forwardTwiddlesPerLane(const TransformPlan& plan,
                                                                     const std::size_t* pairs)
{
    if constexpr (laneCount<V> == 1) {
        return forwardTwiddles<V>(plan, pairs[0]);
    } else {
        V c1;
        V s1;
        for (std::size_t l = 0; l < laneCount<V>; ++l) {
            c1[l] = plan.cosines[pairs[l]];
            s1[l] = plan.sines[pairs[l]];
        }
        return twiddlePowers<V>(c1, s1);
    }
}

template <typename V>
[[gnu::always_inline]] inline LaneTwiddles<V> inverseTwiddlesPerLane(const TransformPlan& plan,
                                                                     const std::size_t* pairs)
{
    if constexpr (laneCount<V> == 1) {
        return inverseTwiddles<V>(plan, pairs[0]);
    } else {
        V c1;
        V s1;
        for (std::size_t l = 0; l < laneCount<V>; ++l) {
            c1[l] = plan.cosines[pairs[l]];
            s1[l] = -plan.sines[pairs[l]];
        }
        return twiddlePowers<V>(c1, s1);
    }
}

} // namespace
} // namespace calvorn::fft
