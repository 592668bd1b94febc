#include "norm/product_oracle.h"

#include <stdexcept>
#include <string>

namespace calvorn::test {
namespace {

constexpr std::uint64_t half = 10000;
constexpr std::uint64_t whole = 100000000;

Words slice(const Words& words, std::int32_t from, std::int32_t count)
{
    return Words(words.begin() + from, words.begin() + from + count);
}

// words[0] * 10^(8 (count-1)) + ... + words[count-1], through one decimal string.
mpz_class integerOf(const Words& words)
{
    std::string text = std::to_string(words.front());
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string word = std::to_string(words[i]);
        text += std::string(8 - word.size(), '0') + word;
    }
    return mpz_class(text, 10);
}

} // namespace

Sums digitsOfWords(const Words& words)
{
    Sums digits;
    for (const std::int32_t word : words) {
        if (word < 0) throw std::invalid_argument("negative word");
        digits.push_back(static_cast<std::uint64_t>(word) / half);
        digits.push_back(static_cast<std::uint64_t>(word) % half);
    }
    return digits;
}

Sums convolve(const Sums& a, const Sums& b)
{
    // Every sum stays far below 2^64, so the 64-bit slots never overlap.
    mpz_class pa, pb, product;
    mpz_import(pa.get_mpz_t(), a.size(), -1, sizeof(std::uint64_t), 0, 0, a.data());
    mpz_import(pb.get_mpz_t(), b.size(), -1, sizeof(std::uint64_t), 0, 0, b.data());
    product = pa * pb;
    Sums sums(a.size() + b.size() - 1, 0);
    std::size_t written = 0;
    Sums raw((mpz_sizeinbase(product.get_mpz_t(), 2) + 63) / 64 + 1, 0);
    mpz_export(raw.data(), &written, -1, sizeof(std::uint64_t), 0, 0, product.get_mpz_t());
    for (std::size_t i = 0; i < sums.size() && i < written; ++i) sums[i] = raw[i];
    return sums;
}

ReleasedWords releaseCarriesFrom(const Sums& e, std::int32_t count, std::uint64_t carry, bool reduceLeading)
{
    // Base-10^4 halves from the least significant one up, then pairs.
    Sums halves(static_cast<std::size_t>(2 * count - 1), 0);
    for (std::int32_t t = 2 * count - 2; t >= 1; --t) {
        const std::uint64_t u = e[t] + carry;
        halves[t] = u % half;
        carry = u / half;
    }
    ReleasedWords out{Words(static_cast<std::size_t>(count)), 0};
    std::uint64_t leading = e[0] + carry;
    if (reduceLeading) {
        out.carryOut = leading / whole;
        leading %= whole;
    }
    out.words[0] = static_cast<std::int32_t>(leading);
    for (std::int32_t k = 2; k <= count; ++k)
        out.words[k - 1] = static_cast<std::int32_t>(halves[2 * k - 3] * half + halves[2 * k - 2]);
    return out;
}

std::uint64_t storeStartingCarry(const Sums& e, std::int32_t count)
{
    return (e[2 * count] / half + e[2 * count - 1]) / half;
}

Words releaseCarries(const Sums& e, std::int32_t count)
{
    return releaseCarriesFrom(e, count, storeStartingCarry(e, count), false).words;
}

Words expectedProduct(const Words& x, const Words& y, std::int32_t n)
{
    const Sums dx = digitsOfWords(slice(x, 0, n + 2));
    const Sums dy = digitsOfWords(slice(y, 0, n + 2));
    Sums e = convolve(dx, dy);
    const std::int32_t loaded = 2 * n;
    if (loaded == 4) e[8] -= dx[4] * dy[4];
    else e[loaded + 4] -= dx[4] * dy[loaded] + dx[loaded] * dy[4];
    return releaseCarries(e, n + 2);
}

Words expectedHalfProduct(const Words& x, const Words& y, std::int32_t n)
{
    const Sums dx = digitsOfWords(slice(x, 0, n / 2 + 2));
    const Sums dy = digitsOfWords(slice(y, n / 2, n / 2 + 2));
    Sums e = convolve(dx, dy);
    const std::int32_t loaded = n;
    if (loaded == 2) e[6] -= dx[4] * dy[2];
    else if (loaded == 4) e[8] -= dx[4] * dy[4];
    else e[loaded + 4] -= dx[4] * dy[loaded] + dx[loaded] * dy[4];
    return releaseCarries(e, n / 2 + 2);
}

Words expectedHalfSquare(const Words& x, std::int32_t n)
{
    const Sums dx = digitsOfWords(slice(x, 0, n / 2 + 2));
    return releaseCarries(convolve(dx, dx), n + 2);
}

mpz_class shortfall(const Words& x, const Words& y, const Words& result)
{
    // x has xs words and y ys words, so x*y has xs + ys words of which the
    // result keeps the leading result.size().
    const mpz_class exact = integerOf(x) * integerOf(y);
    mpz_class shift;
    mpz_ui_pow_ui(shift.get_mpz_t(), whole, x.size() + y.size() - result.size());
    const mpz_class truncated = exact / shift;
    return truncated - integerOf(result);
}

} // namespace calvorn::test
