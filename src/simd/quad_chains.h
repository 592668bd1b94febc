// Carry chains worked four positions at a time (AVX2). The carry that
// reaches a position is first guessed by working the one or two positions
// before it from a carry of 0; each of the four positions is then worked
// with its guess, and the four results are kept only when every guess is,
// bit for bit, the carry that the position before it really passes on.
// Failing that, the guesses one higher are tried the same way, and then the
// four positions are worked again one after another. The results are
// therefore those of the plain loop whatever the data; good guesses only
// make it fast. Included only by files compiled for AVX2; no state.
#pragma once

#include <cstdint>
#include <immintrin.h>

namespace calvorn::quads {

using Quad = __m256d;

// Toward zero in every lane: what truncateTowardZero does to one double.
inline Quad truncate(Quad x) { return _mm256_round_pd(x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC); }

inline Quad broadcast(double x) { return _mm256_set1_pd(x); }

// The four words of an int32 vector as doubles, and back, truncating.
inline Quad toDoubles(__m128i words) { return _mm256_cvtepi32_pd(words); }
inline __m128i toWords(Quad values) { return _mm256_cvttpd_epi32(values); }

inline __m128i loadWords(const std::int32_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }
inline void storeWords(std::int32_t* to, __m128i words) { _mm_storeu_si128(reinterpret_cast<__m128i*>(to), words); }

// Words d .. d+3 of the eight words low[0..3], high[0..3].
template <int d>
__m128i wordsFrom(__m128i low, __m128i high)
{
    return _mm_alignr_epi8(high, low, 4 * d);
}

inline bool sameBits(Quad a, Quad b)
{
    const __m256i equal = _mm256_cmpeq_epi64(_mm256_castpd_si256(a), _mm256_castpd_si256(b));
    return _mm256_movemask_pd(_mm256_castsi256_pd(equal)) == 0xF;
}

inline double lastLane(Quad x) { return _mm256_cvtsd_f64(_mm256_permute4x64_pd(x, _MM_SHUFFLE(3, 3, 3, 3))); }

// The carries that really reach four positions worked downward: lane l is
// reached by what leaves lane l+1, lane 3 by the carry so far.
inline Quad reachingDownward(Quad leaving, double carry)
{
    return _mm256_blend_pd(_mm256_permute4x64_pd(leaving, _MM_SHUFFLE(3, 3, 2, 1)), broadcast(carry), 0b1000);
}

// The same for lanes that hold positions base, base+2, base+1, base+3 (as
// two unpacks of interleaved pairs leave them): lane 0 is reached by lane 2,
// lane 1 by lane 3, lane 2 by lane 1, lane 3 by the carry so far.
inline Quad reachingDownwardCrossed(Quad leaving, double carry)
{
    return _mm256_blend_pd(_mm256_permute4x64_pd(leaving, _MM_SHUFFLE(3, 1, 3, 2)), broadcast(carry), 0b1000);
}

// Worked upward: lane l is reached by what leaves lane l-1, lane 0 by the
// carry so far.
inline Quad reachingUpward(Quad leaving, double carry)
{
    return _mm256_blend_pd(_mm256_permute4x64_pd(leaving, _MM_SHUFFLE(2, 1, 0, 0)), broadcast(carry), 0b0001);
}

/*
A chain provides, for positions of its own numbering:
    static constexpr int window;     how many positions before a position its carry is guessed
                                     from: 1 where a carry moves the next carry by at most one
                                     (sums, differences, halves), 2 where it can move it more
    using In = ...;                  the inputs of four positions, read before any is overwritten
    using Out = ...;                 the results of four positions
    In load(std::int32_t base);      inputs of positions base .. base+3
    template <int d> In shifted(const In& low, const In& high, std::int32_t base);
                                     inputs of base+d .. base+d+3, where low holds base .. base+3
                                     and high base+4 .. base+7 (d = 1, 2, 3)
    Quad carryOnly(const In&, Quad carry);          the carry that leaves each lane
    Quad work(const In&, Quad carry, Out& out);     the same carry, and the results
    void put(std::int32_t base, const Out&);        writes the results of base .. base+3
    double one(std::int32_t i, double carry);       the plain loop's step at position i
carryOnly and work must do, lane by lane, exactly what `one` does.
*/

// The chains whose lanes are crossed say so with crossedLanes = true.
template <class Chain>
concept CrossedLanes = Chain::crossedLanes;

template <class Chain>
Quad reachingDownwardIn(Quad leaving, double carry)
{
    if constexpr (CrossedLanes<Chain>) return reachingDownwardCrossed(leaving, carry);
    else return reachingDownward(leaving, carry);
}

// The guesses of the carries that reach positions base .. base+3, worked
// downward: from 0 through the window (one or two) positions above each.
template <class Chain>
[[gnu::always_inline]] inline Quad guessDownward(const Chain& chain, const typename Chain::In& in,
                                                 const typename Chain::In& above, std::int32_t base)
{
    Quad guess = broadcast(0.0);
    if constexpr (Chain::window == 2) guess = chain.carryOnly(chain.template shifted<2>(in, above, base), guess);
    return chain.carryOnly(chain.template shifted<1>(in, above, base), guess);
}

// Keeps a group worked downward with its guesses when they hold, else tries
// them one higher, else works it one position after another; returns the
// carry that leaves position base.
template <class Chain>
[[gnu::always_inline]] inline double settleDownward(Chain& chain, const typename Chain::In& in, std::int32_t base, Quad guess, Quad leaving,
                      typename Chain::Out& out, double carry)
{
    if (!sameBits(guess, reachingDownwardIn<Chain>(leaving, carry))) {
        // Where the results are words of 0 (or of 99999999) each guess
        // falls short by one, all alike.
        guess = guess + broadcast(1.0);
        leaving = chain.work(in, guess, out);
        if (!sameBits(guess, reachingDownwardIn<Chain>(leaving, carry))) {
            for (std::int32_t i = base + 3; i >= base; --i) carry = chain.one(i, carry);
            return carry;
        }
    }
    chain.put(base, out);
    return _mm256_cvtsd_f64(leaving);
}

// From position `high` down to `low`, the carry moving toward lower positions.
// Returns the carry that leaves position `low`.
template <class Chain>
double downward(Chain& chain, std::int32_t low, std::int32_t high, double carry)
{
    if (high - low + 1 < 8) {
        for (std::int32_t i = high; i >= low; --i) carry = chain.one(i, carry);
        return carry;
    }
    // The four highest positions go one by one; their inputs are read first,
    // for the guesses of the group below them.
    typename Chain::In above = chain.load(high - 3);
    for (std::int32_t i = high; i > high - 4; --i) carry = chain.one(i, carry);
    std::int32_t base = high - 7;
    // Two groups at a time, so that the work of both overlaps.
    for (; base - 4 >= low; base -= 8) {
        const typename Chain::In upper = chain.load(base);
        const typename Chain::In lower = chain.load(base - 4);
        const Quad upperGuess = guessDownward(chain, upper, above, base);
        const Quad lowerGuess = guessDownward(chain, lower, upper, base - 4);
        typename Chain::Out upperOut, lowerOut;
        const Quad upperLeaving = chain.work(upper, upperGuess, upperOut);
        const Quad lowerLeaving = chain.work(lower, lowerGuess, lowerOut);
        carry = settleDownward(chain, upper, base, upperGuess, upperLeaving, upperOut, carry);
        carry = settleDownward(chain, lower, base - 4, lowerGuess, lowerLeaving, lowerOut, carry);
        above = lower;
    }
    if (base >= low) {
        const typename Chain::In in = chain.load(base);
        const Quad guess = guessDownward(chain, in, above, base);
        typename Chain::Out out;
        const Quad leaving = chain.work(in, guess, out);
        carry = settleDownward(chain, in, base, guess, leaving, out, carry);
        base -= 4;
    }
    for (std::int32_t i = base + 3; i >= low; --i) carry = chain.one(i, carry);
    return carry;
}

// The guesses of the carries that reach positions base .. base+3, worked
// upward: from 0 through the window (one or two) positions below each.
template <class Chain>
[[gnu::always_inline]] inline Quad guessUpward(const Chain& chain, const typename Chain::In& below,
                                               const typename Chain::In& in, std::int32_t base)
{
    Quad guess = broadcast(0.0);
    if constexpr (Chain::window == 2) guess = chain.carryOnly(chain.template shifted<2>(below, in, base - 4), guess);
    return chain.carryOnly(chain.template shifted<3>(below, in, base - 4), guess);
}

// As settleDownward, for a group worked upward; returns the carry that
// leaves position base+3.
template <class Chain>
[[gnu::always_inline]] inline double settleUpward(Chain& chain, const typename Chain::In& in, std::int32_t base,
                                                  Quad guess, Quad leaving, typename Chain::Out& out, double carry)
{
    if (!sameBits(guess, reachingUpward(leaving, carry))) {
        guess = guess + broadcast(1.0);
        leaving = chain.work(in, guess, out);
        if (!sameBits(guess, reachingUpward(leaving, carry))) {
            for (std::int32_t i = base; i <= base + 3; ++i) carry = chain.one(i, carry);
            return carry;
        }
    }
    chain.put(base, out);
    return lastLane(leaving);
}

// From position `low` up to `high`, the carry moving toward higher positions.
// Returns the carry that leaves position `high`.
template <class Chain>
double upward(Chain& chain, std::int32_t low, std::int32_t high, double carry)
{
    if (high - low + 1 < 8) {
        for (std::int32_t i = low; i <= high; ++i) carry = chain.one(i, carry);
        return carry;
    }
    // The four lowest positions go one by one; their inputs are read first,
    // for the guesses of the group above them.
    typename Chain::In below = chain.load(low);
    for (std::int32_t i = low; i < low + 4; ++i) carry = chain.one(i, carry);
    std::int32_t base = low + 4;
    // Two groups at a time, so that the work of both overlaps.
    for (; base + 7 <= high; base += 8) {
        const typename Chain::In lower = chain.load(base);
        const typename Chain::In upper = chain.load(base + 4);
        const Quad lowerGuess = guessUpward(chain, below, lower, base);
        const Quad upperGuess = guessUpward(chain, lower, upper, base + 4);
        typename Chain::Out lowerOut, upperOut;
        const Quad lowerLeaving = chain.work(lower, lowerGuess, lowerOut);
        const Quad upperLeaving = chain.work(upper, upperGuess, upperOut);
        carry = settleUpward(chain, lower, base, lowerGuess, lowerLeaving, lowerOut, carry);
        carry = settleUpward(chain, upper, base + 4, upperGuess, upperLeaving, upperOut, carry);
        below = upper;
    }
    if (base + 3 <= high) {
        const typename Chain::In in = chain.load(base);
        const Quad guess = guessUpward(chain, below, in, base);
        typename Chain::Out out;
        const Quad leaving = chain.work(in, guess, out);
        carry = settleUpward(chain, in, base, guess, leaving, out, carry);
        base += 4;
    }
    for (std::int32_t i = base; i <= high; ++i) carry = chain.one(i, carry);
    return carry;
}

} // namespace calvorn::quads
