#include "norm/guard_terms.h"

#include <algorithm>
#include <array>

#include "norm/digit_split.h"
#include "norm/word_digits.h"
#include "norm/word_reader.h"

namespace calvorn {
namespace {

// Words split at a time by completeHalfSquare.
constexpr std::size_t splitChunkWords = 256;

// The digits of four words, hi then lo, numbered 1 .. 8 (index 0 unused).
using EightDigits = std::array<double, 9>;

EightDigits digitsOf(std::int32_t w1, std::int32_t w2, std::int32_t w3, std::int32_t w4)
{
    EightDigits d{};
    const std::array<std::int32_t, 4> words{w1, w2, w3, w4};
    for (std::size_t i = 0; i < 4; ++i) {
        const WordDigits split = splitWord(words[i]);
        d[2 * i + 1] = split.hi;
        d[2 * i + 2] = split.lo;
    }
    return d;
}

// P[1..4] and Q[1..4] are the leading digits, P[5..8] and Q[5..8] the guard
// digits of the two operands; every product of a leading digit of one with a
// guard digit of the other that reaches e[offset + 4] is added.
void addCrossTerms(const EightDigits& p, const EightDigits& q, std::span<double> e, std::int32_t offset)
{
    for (std::int32_t j = 1; j <= 4; ++j) {
        for (std::int32_t k = 5; k <= 8 && j + k <= 10; ++k) {
            e[offset + j + k - 6] += p[j] * q[k] + p[k] * q[j];
        }
    }
}

} // namespace

void addGuardTerms(RunContext& run, StoredNumber& x, StoredNumber& y, std::span<double> e, std::int32_t n,
                   std::int32_t m)
{
    norm::WordReader xWords(run, x, run.firstBlockBuffer);
    norm::WordReader yWords(run, y, run.secondBlockBuffer);
    const EightDigits p = digitsOf(xWords.word(1), xWords.word(2), xWords.word(n + 1), xWords.word(n + 2));
    const EightDigits q = digitsOf(yWords.word(1), yWords.word(2), yWords.word(n + 1), yWords.word(n + 2));
    const std::int32_t offset = m / 2;
    if (n == 2) e[offset + 4] = 0.0;  // e[8]: one past the transform of 8
    addCrossTerms(p, q, e, offset);
}

void addHalfProductTerms(RunContext& run, StoredNumber& x, StoredNumber& y, std::span<double> e, std::int32_t n,
                         std::int32_t m)
{
    const std::int32_t half = n / 2;
    norm::WordReader xWords(run, x, run.firstBlockBuffer);
    norm::WordReader yWords(run, y, run.secondBlockBuffer);
    const EightDigits p = digitsOf(xWords.word(1), xWords.word(2), xWords.word(half + 1), xWords.word(half + 2));
    EightDigits q = digitsOf(yWords.word(half + 1), yWords.word(half + 2), yWords.word(n + 1), yWords.word(n + 2));
    const std::int32_t offset = m / 2;
    if (n == 2) {
        // y's lower half is the single word 2, and its word after that (3) is
        // already its first guard word: counting it twice would be wrong.
        q[3] = 0.0;
        q[4] = 0.0;
        e[offset + 2] = 0.0;  // e[4] .. e[6]: past the transform of 4
        e[offset + 3] = 0.0;
        e[offset + 4] = 0.0;
    } else if (n == 4) {
        e[offset + 4] = 0.0;  // e[8]: one past the transform of 8
    }
    addCrossTerms(p, q, e, offset);
}

void completeHalfSquare(RunContext& run, StoredNumber& x, std::span<double> e, std::int32_t n, std::int32_t m)
{
    const std::int32_t half = n / 2;
    norm::WordReader xWords(run, x, run.firstBlockBuffer);
    const WordDigits g12 = splitWord(xWords.word(half + 1));
    const WordDigits g34 = splitWord(xWords.word(half + 2));
    const std::array<double, 5> g{0.0, g12.hi, g12.lo, g34.hi, g34.lo};

    for (std::int32_t t = m; t <= m + 4; ++t) e[t] = 0.0;

    // Twice each lower-half word times the two words after the half, the
    // words split a chunk at a time as they lie in the block buffer.
    std::array<double, 2 * splitChunkWords> digits;
    for (std::int32_t first = 1; first <= half;) {
        const std::span<const std::int32_t> words = xWords.words(first, half);
        for (std::size_t chunk = 0; chunk < words.size(); chunk += splitChunkWords) {
            const std::size_t count = std::min(splitChunkWords, words.size() - chunk);
            const std::span<const std::int32_t> part = words.subspan(chunk, count);
            splitWords(part, digits);
            for (std::size_t i = 0; i < part.size(); ++i) {
                const double h = 2.0 * digits[2 * i];
                const double l = 2.0 * digits[2 * i + 1];
                const std::int32_t v = first + static_cast<std::int32_t>(chunk + i) + m / 4;
                e[2 * v - 2] += h * g[1];
                e[2 * v - 1] += h * g[2] + l * g[1];
                e[2 * v] += h * g[3] + l * g[2];
                e[2 * v + 1] += h * g[4] + l * g[3];
                e[2 * v + 2] += l * g[4];
            }
        }
        first += static_cast<std::int32_t>(words.size());
    }

    // The square of the two words after the half, as far as e[m + 4].
    for (std::int32_t j = 5; j >= 1; --j) {
        double sum = 0.0;
        const std::int32_t from = j - 3 > 1 ? j - 3 : 1;
        const std::int32_t to = j < 4 ? j : 4;
        for (std::int32_t k = from; k <= to; ++k) sum += g[k] * g[j + 1 - k];
        e[m + j - 1] += sum;
    }
}

} // namespace calvorn
