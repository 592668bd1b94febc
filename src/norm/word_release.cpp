#include "norm/word_release.h"

#include <array>
#include <cassert>

#include "common/vector_path.h"
#include "norm/carry_release.h"
#include "norm/digit_split.h"

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

double releaseWordsInto(std::span<const double> e, std::int32_t lowWord, std::span<std::int32_t> slots, double carry)
{
    assert(lowWord >= 2);
    // Stretches of words from the highest down, each with its halves summed
    // into `sums` as word j of the stretch (from 2): sums[2j - 3], sums[2j - 2].
    constexpr std::size_t stretch = 512;
    std::array<double, 2 * stretch + 1> sums;
    sums[0] = 0.0;
    for (std::size_t end = slots.size(); end > 0;) {
        const std::size_t count = end < stretch ? end : stretch;
        const std::size_t first = end - count;
        const std::span<std::int32_t> part = slots.subspan(first, count);
        const std::int32_t k0 = lowWord + static_cast<std::int32_t>(first);
        // The old words' digits, then the halves added to them (a sum of
        // two doubles does not depend on their order): word k0 + i's high
        // half e[2 k0 - 3 + 2i] and low half e[2 k0 - 2 + 2i].
        const std::span<double> digits = std::span<double>(sums).subspan(1, 2 * count);
        splitWords(part, digits);
        const std::span<const double> halves = e.subspan(static_cast<std::size_t>(2 * k0 - 3), 2 * count);
        for (std::size_t i = 0; i < digits.size(); ++i) digits[i] = halves[i] + digits[i];
        carry = releaseWords(std::span<const double>(sums).first(2 * count + 1), 2, part, carry);
        end = first;
    }
    return carry;
}

} // namespace calvorn
