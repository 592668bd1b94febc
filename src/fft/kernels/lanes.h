// Lanes: a few butterflies side by side in one vector register (two, four or
// eight), the same operation on every lane, so each lane rounds exactly as a
// lone double would.
// Owns the lane types and their loads and stores; touches nothing else.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__SSE2__))
#include <immintrin.h>
#endif

namespace calvorn::fft {

// Everything the transforms compile once per instruction set lives in this
// unnamed namespace: each such translation unit (baseline, AVX2) gets its own
// copy, so no out-of-line copy built for one instruction set can stand in
// for another at link time.
namespace {

#if defined(__GNUC__)
typedef double LanePair __attribute__((vector_size(16))); // two butterflies (SSE2)
typedef double LaneQuad __attribute__((vector_size(32))); // four butterflies (AVX)
typedef double LaneOcta __attribute__((vector_size(64))); // eight butterflies (AVX-512)
#endif

template <typename V>
inline constexpr std::size_t laneCount = sizeof(V) / sizeof(double);

#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__SSE2__))
// The widest vector the instruction set stores past the caches in one go.
#if defined(__AVX512F__)
using StreamedVector = __m512d;
#elif defined(__AVX__)
using StreamedVector = __m256d;
#else
using StreamedVector = __m128d;
#endif
inline constexpr std::size_t streamedLanes = sizeof(StreamedVector) / sizeof(double);
#endif

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

// A store that goes past the caches; p is aligned to the vector's size. The
// vectors wider than the instruction set's go as several of its own.
template <typename V>
[[gnu::always_inline]] inline void streamLanes(double* p, V v)
{
#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__SSE2__))
    if constexpr (laneCount<V> == 1) {
        storeLanes(p, v);
    } else {
        for (std::size_t i = 0; i < laneCount<V>; i += streamedLanes) {
            StreamedVector part;
            std::memcpy(&part, reinterpret_cast<const double*>(&v) + i, sizeof part);
#if defined(__AVX512F__)
            _mm512_stream_pd(p + i, part);
#elif defined(__AVX__)
            _mm256_stream_pd(p + i, part);
#else
            _mm_stream_pd(p + i, part);
#endif
        }
    }
#else
    storeLanes(p, v);
#endif
}

// Orders the stores past the caches before whatever follows.
[[gnu::always_inline]] inline void endStreaming()
{
#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__SSE2__))
    _mm_sfence();
#endif
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

#if defined(__GNUC__) && !defined(__clang__)
// The transpose of an 8 by 8 block held as eight octets: out[i][l] = in[l][i].
[[gnu::always_inline]] inline void transposeOctets(const LaneOcta (&in)[8], LaneOcta (&out)[8])
{
    typedef long long Mask __attribute__((vector_size(64)));
    // Neighbouring rows interleaved: t[2p] holds the even columns of rows 2p
    // and 2p + 1, t[2p + 1] the odd ones.
    LaneOcta t[8];
    for (std::size_t p = 0; p < 4; ++p) {
        t[2 * p] = __builtin_shuffle(in[2 * p], in[2 * p + 1], Mask{0, 8, 2, 10, 4, 12, 6, 14});
        t[2 * p + 1] = __builtin_shuffle(in[2 * p], in[2 * p + 1], Mask{1, 9, 3, 11, 5, 13, 7, 15});
    }
    // Then pairs of rows: u[4h + c] holds columns c and c + 4 of rows 4h .. 4h + 3.
    LaneOcta u[8];
    for (std::size_t h = 0; h < 2; ++h) {
        for (std::size_t odd = 0; odd < 2; ++odd) {
            const LaneOcta& a = t[4 * h + odd];
            const LaneOcta& b = t[4 * h + 2 + odd];
            u[4 * h + odd] = __builtin_shuffle(a, b, Mask{0, 1, 8, 9, 4, 5, 12, 13});
            u[4 * h + 2 + odd] = __builtin_shuffle(a, b, Mask{2, 3, 10, 11, 6, 7, 14, 15});
        }
    }
    // Then halves: column c from the low halves, column c + 4 from the high ones.
    for (std::size_t c = 0; c < 4; ++c) {
        out[c] = __builtin_shuffle(u[c], u[4 + c], Mask{0, 1, 2, 3, 8, 9, 10, 11});
        out[c + 4] = __builtin_shuffle(u[c], u[4 + c], Mask{4, 5, 6, 7, 12, 13, 14, 15});
    }
}
#endif

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
    } else if constexpr (laneCount<V> == 8) {
        V in[8];
        for (std::size_t l = 0; l < 8; ++l) in[l] = loadLanes<V>(rows[l]);
        transposeOctets(in, slots);
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
    } else if constexpr (laneCount<V> == 8) {
        V out[8];
        transposeOctets(slots, out);
        for (std::size_t l = 0; l < 8; ++l) storeLanes(rows[l], out[l]);
#endif
    } else {
        for (std::size_t m = 0; m < 8; ++m) {
            for (std::size_t l = 0; l < laneCount<V>; ++l) rows[l][m] = slots[m][l];
        }
    }
}

} // namespace
} // namespace calvorn::fft
