#include "norm/digit_split.h"

#include <cassert>

#include "common/vector_path.h"
#include "norm/word_digits.h"

namespace calvorn {

namespace plain {

void splitWords(std::span<const std::int32_t> words, std::span<double> digits)
{
    assert(digits.size() >= 2 * words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        const WordDigits split = splitWord(words[i]);
        digits[2 * i] = split.hi;
        digits[2 * i + 1] = split.lo;
    }
}

} // namespace plain

void splitWords(std::span<const std::int32_t> words, std::span<double> digits)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::splitWords(words, digits);
#endif
    plain::splitWords(words, digits);
}

} // namespace calvorn
