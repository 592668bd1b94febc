// The digit split four words at a time. Compiled for AVX2 alone; every lane
// does what splitWord does to one word.
#include "norm/digit_split.h"

#include <cassert>
#include <immintrin.h>

#include "norm/word_digits.h"

namespace calvorn::quads {

void splitWords(std::span<const std::int32_t> words, std::span<double> digits)
{
    assert(digits.size() >= 2 * words.size());
    const __m256d scale = _mm256_set1_pd(halfWordScale);
    const __m256d base = _mm256_set1_pd(halfWordBase);
    std::size_t i = 0;
    for (; i + 4 <= words.size(); i += 4) {
        const __m256d w = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(words.data() + i)));
        const __m256d hi = _mm256_round_pd(_mm256_mul_pd(w, scale), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        const __m256d lo = _mm256_sub_pd(w, _mm256_mul_pd(hi, base));
        // (hi0 lo0 hi2 lo2), (hi1 lo1 hi3 lo3) -> (hi0 lo0 hi1 lo1), (hi2 lo2 hi3 lo3)
        const __m256d even = _mm256_unpacklo_pd(hi, lo);
        const __m256d odd = _mm256_unpackhi_pd(hi, lo);
        _mm256_storeu_pd(digits.data() + 2 * i, _mm256_permute2f128_pd(even, odd, 0x20));
        _mm256_storeu_pd(digits.data() + 2 * i + 4, _mm256_permute2f128_pd(even, odd, 0x31));
    }
    for (; i < words.size(); ++i) {
        const WordDigits split = splitWord(words[i]);
        digits[2 * i] = split.hi;
        digits[2 * i + 1] = split.lo;
    }
}

} // namespace calvorn::quads
