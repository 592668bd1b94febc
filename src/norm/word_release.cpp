#include "norm/word_release.h"

#include <cassert>

#include "common/vector_path.h"
#include "norm/carry_release.h"

namespace calvorn {

namespace plain {

double releaseWords(std::span<const double> e, std::int32_t lowWord, std::span<std::int32_t> slots, double carry)
{
    assert(lowWord >= 2);
    for (std::size_t i = slots.size(); i-- > 0;) {
        const std::int32_t k = lowWord + static_cast<std::int32_t>(i);
        slots[i] = norm::releaseWord(e[2 * k - 3], e[2 * k - 2], carry);
    }
    return carry;
}

} // namespace plain

double releaseWords(std::span<const double> e, std::int32_t lowWord, std::span<std::int32_t> slots, double carry)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::releaseWords(e, lowWord, slots, carry);
#endif
    return plain::releaseWords(e, lowWord, slots, carry);
}

} // namespace calvorn
