// The pair rule four words at a time against the plain loop, bit for bit:
// convolution sums of every size, halves that leave carries of exactly one
// word's worth, negative sums, and the carry that leaves the run.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "common/vector_path.h"
#include "norm/carry_release.h"
#include "norm/word_release.h"

namespace calvorn {
namespace {

bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

enum class Sums { large, small, nines, signedSums, zeros, exactWords };

// Sums whose words come out as exactly 0 or 99999999 over stretches (as in
// the products of a Newton step, which are nearly 1), with carries of every
// size passing through them; word k's halves are e[2k - 3], e[2k - 2].
std::vector<double> exactWordSums(std::size_t count, std::mt19937_64& random)
{
    std::uniform_int_distribution<std::int64_t> high(0, 2000000000);
    std::uniform_int_distribution<int> kind(0, 15);
    std::vector<double> e(count, 0.0);
    std::int64_t carry = 123456;  // reaching the highest word whose halves both fit
    int stretch = 0;
    for (std::size_t k = (count + 1) / 2; k >= 2; --k) {
        if (kind(random) == 0) stretch = kind(random) % 3;
        const std::int64_t h = high(random);
        const std::int64_t partial = h * 10000 + carry;
        // The low half that makes the word 0 (stretch 0), 99999999 (1) or anything (2).
        const std::int64_t target = stretch == 2 ? high(random) % 100000000 : stretch == 1 ? 99999999 : 0;
        const std::int64_t rest = ((target - partial) % 100000000 + 100000000) % 100000000;
        const std::int64_t low = rest + 100000000 * (high(random) % 8);
        e[2 * k - 3] = static_cast<double>(h);
        e[2 * k - 2] = static_cast<double>(low);
        carry = (partial + low) / 100000000;
    }
    return e;
}

// Whole numbers as a rounded inverse transform leaves them.
std::vector<double> sumsOf(Sums kind, std::size_t count, std::mt19937_64& random)
{
    std::uniform_int_distribution<std::int64_t> large(0, std::int64_t{1} << 50);
    std::uniform_int_distribution<std::int64_t> small(0, 20000);
    std::uniform_int_distribution<std::int64_t> signedSum(-(std::int64_t{1} << 40), std::int64_t{1} << 40);
    std::uniform_int_distribution<int> coin(0, 31);
    if (kind == Sums::exactWords) return exactWordSums(count, random);
    std::vector<double> e(count);
    for (auto& v : e) {
        switch (kind) {
        case Sums::large: v = static_cast<double>(large(random)); break;
        case Sums::small: v = static_cast<double>(small(random)); break;
        // Halves of 9999 with the odd neighbour: carries that ripple.
        case Sums::nines: v = coin(random) == 0 ? static_cast<double>(small(random)) : 9999.0; break;
        case Sums::signedSums: v = static_cast<double>(signedSum(random)); break;
        case Sums::zeros: v = coin(random) == 0 ? -0.0 : 0.0; break;
        case Sums::exactWords: break;
        }
    }
    return e;
}

TEST(ReleaseWords, FourAtATimeMatchesTheWordByWordRule)
{
    if (!avx2Usable()) GTEST_SKIP() << "no AVX2 here: only the plain loop runs";
#if defined(CALVORN_AVX2)
    std::mt19937_64 random(4401);
    for (const Sums kind : {Sums::large, Sums::small, Sums::nines, Sums::signedSums, Sums::zeros, Sums::exactWords}) {
        for (const std::int32_t lowWord : {2, 3, 5, 17}) {
            for (const std::size_t count : {1u, 3u, 7u, 8u, 9u, 12u, 15u, 100u, 4099u}) {
                for (const double carry : {0.0, 1.0, 123456789.0, -7.0}) {
                    const std::size_t highWord = static_cast<std::size_t>(lowWord) + count - 1;
                    const std::vector<double> e = sumsOf(kind, 2 * highWord + 2, random);
                    std::vector<std::int32_t> plainWords(count, -1), quadWords(count, -1);
                    const double c1 = plain::releaseWords(e, lowWord, plainWords, carry);
                    const double c2 = quads::releaseWords(e, lowWord, quadWords, carry);
                    ASSERT_EQ(quadWords, plainWords) << "kind " << int(kind) << " lowWord " << lowWord << " count "
                                                     << count << " carry " << carry;
                    ASSERT_TRUE(sameBits(c1, c2)) << c1 << " " << c2;
                }
            }
        }
    }
#endif
}

// Adding into stored words, in stretches: the word-by-word rule's words and
// leaving carry, bit for bit, across stretch boundaries, over stored words of
// 0, of 99999999 and of anything below 10^8.
TEST(ReleaseWords, AddingIntoStoredWordsMatchesTheWordByWordRule)
{
    std::mt19937_64 random(4402);
    std::uniform_int_distribution<std::int32_t> anyWord(0, 99999999);
    std::uniform_int_distribution<int> kindOfOld(0, 2);
    for (const Sums kind : {Sums::large, Sums::small, Sums::nines, Sums::exactWords}) {
        for (const std::int32_t lowWord : {2, 9}) {
            for (const std::size_t count : {1u, 2u, 8u, 511u, 512u, 513u, 1100u, 4099u}) {
                for (const double carry : {0.0, 1.0, 123456789.0}) {
                    const std::size_t highWord = static_cast<std::size_t>(lowWord) + count - 1;
                    const std::vector<double> e = sumsOf(kind, 2 * highWord + 2, random);
                    std::vector<std::int32_t> old(count);
                    const int oldKind = kindOfOld(random);
                    for (auto& w : old) w = oldKind == 0 ? 0 : oldKind == 1 ? 99999999 : anyWord(random);
                    std::vector<std::int32_t> expected = old, found = old;
                    double c1 = carry;
                    for (std::size_t i = count; i-- > 0;) {
                        const auto k = static_cast<std::size_t>(lowWord) + i;
                        expected[i] = norm::releaseWordInto(e[2 * k - 3], e[2 * k - 2], c1, expected[i]);
                    }
                    const double c2 = releaseWordsInto(e, lowWord, found, carry);
                    ASSERT_EQ(found, expected) << "kind " << int(kind) << " lowWord " << lowWord << " count " << count
                                               << " carry " << carry << " old " << oldKind;
                    ASSERT_TRUE(sameBits(c1, c2)) << c1 << " " << c2;
                }
            }
        }
    }
}

} // namespace
} // namespace calvorn
