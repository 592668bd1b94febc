// The pair rule four words at a time. Compiled for AVX2 alone; every lane
// does what norm::releaseWord does, and a group whose guessed carries do not
// hold is released word by word.
#include "norm/word_release.h"

#include <cassert>

#include "simd/quad_chains.h"
#include "norm/carry_release.h"

namespace calvorn::quads {
namespace {

// Positions are word numbers k; the halves of word k are e[2k - 3], e[2k - 2].
struct ReleaseChain {
    struct In {
        Quad high;
        Quad low;
    };
    using Out = __m128i;

    const double* e;
    std::int32_t* slots;  // word k's place is slots[k - lowWord]
    std::int32_t lowWord;

    // The lanes hold words base, base+2, base+1, base+3: their halves lie at
    // e[2 base - 3] .. e[2 base + 4], and two unpacks sort them so.
    static constexpr bool crossedLanes = true;
    // A word's carry is about a ten-thousandth of its high half: two positions.
    static constexpr int window = 2;
    In load(std::int32_t base) const
    {
        const Quad first = _mm256_loadu_pd(e + 2 * base - 3);  // high, low of base and base+1
        const Quad second = _mm256_loadu_pd(e + 2 * base + 1); // high, low of base+2 and base+3
        return {_mm256_unpacklo_pd(first, second), _mm256_unpackhi_pd(first, second)};
    }
    // The array is not overwritten: the words after a group are read again.
    template <int d>
    In shifted(const In&, const In&, std::int32_t base) const
    {
        return load(base + d);
    }
    static Quad carryOnly(const In& in, Quad carry)
    {
        const Quad lowCarry = truncate((in.low + carry) * broadcast(halfWordScale));
        return truncate((in.high + lowCarry) * broadcast(halfWordScale));
    }
    static Quad work(const In& in, Quad carry, Out& out)
    {
        const Quad scale = broadcast(halfWordScale);
        const Quad base = broadcast(halfWordBase);
        const Quad u = in.low + carry;
        const Quad lowCarry = truncate(u * scale);
        const Quad lowHalf = u - lowCarry * base;
        const Quad v = in.high + lowCarry;
        const Quad leaving = truncate(v * scale);
        const Quad highHalf = v - leaving * base;
        out = _mm_shuffle_epi32(toWords(highHalf * base + lowHalf), _MM_SHUFFLE(3, 1, 2, 0));
        return leaving;
    }
    void put(std::int32_t base, __m128i out) const { storeWords(slots + (base - lowWord), out); }
    double one(std::int32_t k, double carry) const
    {
        slots[k - lowWord] = norm::releaseWord(e[2 * k - 3], e[2 * k - 2], carry);
        return carry;
    }
};

} // namespace

double releaseWords(std::span<const double> e, std::int32_t lowWord, std::span<std::int32_t> slots, double carry)
{
    assert(lowWord >= 2);
    const std::int32_t highWord = lowWord + static_cast<std::int32_t>(slots.size()) - 1;
    assert(e.size() >= static_cast<std::size_t>(2 * highWord - 1));
    ReleaseChain chain{e.data(), slots.data(), lowWord};
    return downward(chain, lowWord, highWord, carry);
}

} // namespace calvorn::quads
