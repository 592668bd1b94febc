// Lanes: a few butterflies side by side in one vector register, the same
// operation on every lane, so each lane rounds exactly as a lone double would.
// Owns the lane types and their loads and stores; touches nothing else.
#pragma once

#include <cstddef>
#include <cstring>

namespace calvorn::fft {

// Everything the transforms compile once per instruction set lives in this
// unnamed namespace: each such translation unit (baseline, AVX2) gets its own
// copy, so no out-of-line copy built for one instruction set can stand in
// for another at link time.
namespace {

#if defined(__GNUC__)
typedef double LanePair __attribute__((vector_size(16))); // two butterflies (SSE2)
typedef double LaneQuad __attribute__((vector_size(32))); // four butterflies (AVX)
#endif

template <typename V>
inline constexpr std::size_t laneCount = sizeof(V) / sizeof(double);

template <typename V>
[[gnu::always_inline]] inline V loadLanes(const double* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V>
[[gnu::always_inline]] inline void storeLanes(double* p, V v)
{
    std::memcpy(p, &v, sizeof v);
}

// x in every lane (element by element, so that -0.0 stays -0.0).
template <typename V>
[[gnu::always_inline]] inline V everyLane(double x)
{
    if constexpr (laneCount<V> == 1) {
        return x;
    } else {
        V v;
        for (std::size_t i = 0; i < laneCount<V>; ++i) v[i] = x;
        return v;
    }
}

// Rows to slots: slots[m] lane l = rows[l][m], m = 0..7, for as many rows as
// there are lanes (groups of eight neighbours side by side); and back.
template <typename V>
[[gnu::always_inline]] inline void rowsToSlots(double* const* rows, V (&slots)[8])
{
    if constexpr (laneCount<V> == 1) {
        for (std::size_t m = 0; m < 8; ++m) slots[m] = rows[0][m];
#if defined(__GNUC__) && !defined(__clang__)
    } else if constexpr (laneCount<V> == 2) {
        typedef long long Mask __attribute__((vector_size(16)));
        for (std::size_t m = 0; m < 8; m += 2) {
            const V r0 = loadLanes<V>(rows[0] + m);
            const V r1 = loadLanes<V>(rows[1] + m);
            slots[m] = __builtin_shuffle(r0, r1, Mask{0, 2});
            slots[m + 1] = __builtin_shuffle(r0, r1, Mask{1, 3});
        }
    } else if constexpr (laneCount<V> == 4) {
        typedef long long Mask __attribute__((vector_size(32)));
        for (std::size_t m = 0; m < 8; m += 4) {
            const V r0 = loadLanes<V>(rows[0] + m);
            const V r1 = loadLanes<V>(rows[1] + m);
            const V r2 = loadLanes<V>(rows[2] + m);
            const V r3 = loadLanes<V>(rows[3] + m);
            const V t0 = __builtin_shuffle(r0, r1, Mask{0, 4, 2, 6});
            const V t1 = __builtin_shuffle(r0, r1, Mask{1, 5, 3, 7});
            const V t2 = __builtin_shuffle(r2, r3, Mask{0, 4, 2, 6});
            const V t3 = __builtin_shuffle(r2, r3, Mask{1, 5, 3, 7});
            slots[m] = __builtin_shuffle(t0, t2, Mask{0, 1, 4, 5});
            slots[m + 1] = __builtin_shuffle(t1, t3, Mask{0, 1, 4, 5});
            slots[m + 2] = __builtin_shuffle(t0, t2, Mask{2, 3, 6, 7});
            slots[m + 3] = __builtin_shuffle(t1, t3, Mask{2, 3, 6, 7});
        }
#endif
    } else {
        for (std::size_t m = 0; m < 8; ++m) {
            for (std::size_t l = 0; l < laneCount<V>; ++l) slots[m][l] = rows[l][m];
        }
    }
}

template <typename V>
[[gnu::always_inline]] inline void slotsToRows(const V (&slots)[8], double* const* rows)
{
    if constexpr (laneCount<V> == 1) {
        for (std::size_t m = 0; m < 8; ++m) rows[0][m] = slots[m];
#if defined(__GNUC__) && !defined(__clang__)
    } else if constexpr (laneCount<V> == 2) {
        typedef long long Mask __attribute__((vector_size(16)));
        for (std::size_t m = 0; m < 8; m += 2) {
            storeLanes(rows[0] + m, __builtin_shuffle(slots[m], slots[m + 1], Mask{0, 2}));
            storeLanes(rows[1] + m, __builtin_shuffle(slots[m], slots[m + 1], Mask{1, 3}));
        }
    } else if constexpr (laneCount<V> == 4) {
        typedef long long Mask __attribute__((vector_size(32)));
        for (std::size_t m = 0; m < 8; m += 4) {
            const V t0 = __builtin_shuffle(slots[m], slots[m + 1], Mask{0, 4, 2, 6});
            const V t1 = __builtin_shuffle(slots[m], slots[m + 1], Mask{1, 5, 3, 7});
            const V t2 = __builtin_shuffle(slots[m + 2], slots[m + 3], Mask{0, 4, 2, 6});
            const V t3 = __builtin_shuffle(slots[m + 2], slots[m + 3], Mask{1, 5, 3, 7});
            storeLanes(rows[0] + m, __builtin_shuffle(t0, t2, Mask{0, 1, 4, 5}));
            storeLanes(rows[1] + m, __builtin_shuffle(t1, t3, Mask{0, 1, 4, 5}));
            storeLanes(rows[2] + m, __builtin_shuffle(t0, t2, Mask{2, 3, 6, 7}));
            storeLanes(rows[3] + m, __builtin_shuffle(t1, t3, Mask{2, 3, 6, 7}));
        }
#endif
    } else {
        for (std::size_t m = 0; m < 8; ++m) {
            for (std::size_t l = 0; l < laneCount<V>; ++l) rows[l][m] = slots[m][l];
        }
    }
}

} // namespace
} // namespace calvorn::fft
