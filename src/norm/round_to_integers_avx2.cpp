// The rounding of transform output four values at a time. Compiled for AVX2
// alone; every lane does what roundToIntegers does to one value.
#include "norm/round_to_integers.h"

#include <immintrin.h>

namespace calvorn::quads {
namespace {

using Quad = __m256d;

struct Rounded {
    Quad values;
    Quad distances;  // |value - rounded|
    bool exact;      // every squared distance below the limit (false for NaN)
};

// Nearest whole numbers, halves away from zero: floor(x + 0.5) for x >= 0,
// otherwise -floor(0.5 - x).
Rounded roundFour(Quad x)
{
    const Quad half = _mm256_set1_pd(0.5);
    const Quad sign = _mm256_set1_pd(-0.0);
    const Quad up = _mm256_round_pd(_mm256_add_pd(x, half), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    const Quad down = _mm256_xor_pd(_mm256_round_pd(_mm256_sub_pd(half, x), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC), sign);
    const Quad rounded = _mm256_blendv_pd(down, up, _mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_GE_OQ));
    const Quad distance = _mm256_sub_pd(x, rounded);
    const Quad squared = _mm256_mul_pd(distance, distance);
    const Quad below = _mm256_cmp_pd(squared, _mm256_set1_pd(largestSquaredRoundingDistance), _CMP_LT_OQ);
    return {rounded, _mm256_andnot_pd(sign, distance), _mm256_movemask_pd(below) == 0xF};
}

// The largest of four distances and `largest`.
double widestLane(Quad widest, double largest)
{
    alignas(32) double lanes[4];
    _mm256_store_pd(lanes, widest);
    for (const double lane : lanes)
        if (lane > largest) largest = lane;
    return largest;
}

// The sum of the four lanes of each 64-bit accumulator added to `fingerprint`.
void addLanes(__m256i sums, std::uint64_t& fingerprint)
{
    alignas(32) std::uint64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sums);
    for (const std::uint64_t lane : lanes) fingerprint += lane;
}

} // namespace

std::size_t roundWhileExact(std::span<double> e, double& largest, std::uint64_t& fingerprint)
{
    Quad widest = _mm256_set1_pd(largest);
    __m256i sums = _mm256_setzero_si256();
    std::size_t t = 0;
    for (; t + 8 <= e.size(); t += 8) {
        const Rounded first = roundFour(_mm256_loadu_pd(e.data() + t));
        const Rounded second = roundFour(_mm256_loadu_pd(e.data() + t + 4));
        if (!first.exact || !second.exact) break;
        sums = _mm256_add_epi64(sums, _mm256_add_epi64(_mm256_castpd_si256(_mm256_loadu_pd(e.data() + t)),
                                                       _mm256_castpd_si256(_mm256_loadu_pd(e.data() + t + 4))));
        _mm256_storeu_pd(e.data() + t, first.values);
        _mm256_storeu_pd(e.data() + t + 4, second.values);
        widest = _mm256_max_pd(widest, _mm256_max_pd(first.distances, second.distances));
    }
    largest = widestLane(widest, largest);
    addLanes(sums, fingerprint);
    return t;
}

std::size_t checkWhileExact(std::span<const double> e, double& largest, std::uint64_t& fingerprint)
{
    Quad widest = _mm256_set1_pd(largest);
    __m256i sums = _mm256_setzero_si256();
    std::size_t t = 0;
    for (; t + 8 <= e.size(); t += 8) {
        const Rounded first = roundFour(_mm256_loadu_pd(e.data() + t));
        const Rounded second = roundFour(_mm256_loadu_pd(e.data() + t + 4));
        if (!first.exact || !second.exact) break;
        sums = _mm256_add_epi64(sums, _mm256_add_epi64(_mm256_castpd_si256(_mm256_loadu_pd(e.data() + t)),
                                                       _mm256_castpd_si256(_mm256_loadu_pd(e.data() + t + 4))));
        widest = _mm256_max_pd(widest, _mm256_max_pd(first.distances, second.distances));
    }
    largest = widestLane(widest, largest);
    addLanes(sums, fingerprint);
    return t;
}

} // namespace calvorn::quads
