// The carrying loops worked four words at a time against the plain loops,
// bit for bit: words and the carry that leaves the run, for digits in range,
// long ripples, words outside the digit range and odd lengths.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "arith/word_chains.h"
#include "common/vector_path.h"

namespace calvorn {
namespace {

using Words = std::vector<std::int32_t>;

// Word patterns: random digits, all 99999999 or 0 (carries and borrows that
// ripple), digits with the occasional word far out of range, and words that
// are anything a 32-bit integer can hold.
enum class Pattern { digits, nines, zeros, mixed, anything };

Words wordsOf(Pattern pattern, std::size_t count, std::mt19937_64& random)
{
    std::uniform_int_distribution<std::int32_t> digit(0, 99999999);
    std::uniform_int_distribution<std::int32_t> any(INT_MIN, INT_MAX);
    std::uniform_int_distribution<int> coin(0, 15);
    Words w(count);
    for (auto& word : w) {
        switch (pattern) {
        case Pattern::digits: word = digit(random); break;
        case Pattern::nines: word = coin(random) == 0 ? digit(random) : 99999999; break;
        case Pattern::zeros: word = coin(random) == 0 ? digit(random) : 0; break;
        case Pattern::mixed: word = coin(random) == 0 ? any(random) / 64 : digit(random); break;
        case Pattern::anything: word = any(random); break;
        }
    }
    return w;
}

constexpr Pattern patterns[] = {Pattern::digits, Pattern::nines, Pattern::zeros, Pattern::mixed, Pattern::anything};
constexpr std::size_t lengths[] = {1, 2, 3, 5, 7, 8, 9, 12, 13, 31, 64, 1021, 16384};
constexpr double carriesIn[] = {0.0, 1.0, -1.0, 3.0};

bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

class WordChains : public testing::Test {
protected:
    void SetUp() override
    {
        if (!avx2Usable()) GTEST_SKIP() << "no AVX2 here: only the plain loops run";
    }
    std::mt19937_64 random{20240607};
};

#if defined(CALVORN_AVX2)

TEST_F(WordChains, SumsAndDifferencesMatchThePlainLoops)
{
    for (const Pattern px : patterns) {
        for (const Pattern py : patterns) {
            for (const std::size_t length : lengths) {
                for (const double carry : carriesIn) {
                    const Words x = wordsOf(px, length, random);
                    const Words y = wordsOf(py, length, random);
                    SCOPED_TRACE(testing::Message() << "patterns " << int(px) << "," << int(py) << " length "
                                                    << length << " carry " << carry);
                    Words plainSum = x, quadSum = x;
                    const double c1 = plain::addWords(plainSum, y, carry);
                    const double c2 = quads::addWords(quadSum, y, carry);
                    ASSERT_EQ(quadSum, plainSum);
                    ASSERT_TRUE(sameBits(c1, c2)) << c1 << " " << c2;

                    Words plainDifference = x, quadDifference = x;
                    const double b1 = plain::subtractWords(plainDifference, y, carry);
                    const double b2 = quads::subtractWords(quadDifference, y, carry);
                    ASSERT_EQ(quadDifference, plainDifference);
                    ASSERT_TRUE(sameBits(b1, b2)) << b1 << " " << b2;
                }
            }
        }
    }
}

TEST_F(WordChains, SmallMultiplesAndHalvesMatchThePlainLoops)
{
    // 2 (the inverse square root), 2^26 (the widest chunk of a power of two),
    // and factors whose carries are large.
    const double factors[] = {2.0, 3.0, 67108864.0, 8388608.0, 12345.0, 1.0, 0.0};
    for (const Pattern p : patterns) {
        for (const std::size_t length : lengths) {
            const Words x = wordsOf(p, length, random);
            for (const double factor : factors) {
                // Words far out of range would overflow the product's exact range.
                if (p == Pattern::anything && factor > 3.0) continue;
                for (const double carry : {0.0, 5.0, factor}) {
                    SCOPED_TRACE(testing::Message() << "pattern " << int(p) << " length " << length << " factor "
                                                    << factor << " carry " << carry);
                    Words plainWords = x, quadWords = x;
                    const double c1 = plain::multiplyWords(plainWords, factor, carry);
                    const double c2 = quads::multiplyWords(quadWords, factor, carry);
                    ASSERT_EQ(quadWords, plainWords);
                    ASSERT_TRUE(sameBits(c1, c2)) << c1 << " " << c2;
                }
            }
            for (const double remainder : {0.0, 1.0, -1.0}) {
                SCOPED_TRACE(testing::Message() << "halving, pattern " << int(p) << " length " << length);
                Words plainWords = x, quadWords = x;
                const double r1 = plain::halveWords(plainWords, remainder);
                const double r2 = quads::halveWords(quadWords, remainder);
                ASSERT_EQ(quadWords, plainWords);
                ASSERT_TRUE(sameBits(r1, r2)) << r1 << " " << r2;
            }
        }
    }
}

#endif

} // namespace
} // namespace calvorn
